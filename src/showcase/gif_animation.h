// An animated GIF as the controls show it: each frame is composed into a full picture of the
// logical screen when it falls due, from the frame before it. Window-free: the decoder
// (gif_animation_wic.*) keeps the file open and hands each frame's own rectangle to GifPlayhead,
// whose GifComposer applies the GIF disposal rules.
//
// Pixels are premultiplied BGRA, one uint32_t each (0xAARRGGBB), rows top to bottom.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qs {

// Refuse pictures whose canvas would take an unreasonable amount of memory; a damaged header can
// claim any size.
inline constexpr uint32_t kMaxGifSide = 4096;

// What happens to a frame's rectangle before the next frame is drawn.
enum class GifDisposal : uint8_t {
  kUnspecified = 0,  // treated as kKeep
  kKeep = 1,
  kBackground = 2,  // cleared to transparent, as browsers do
  kPrevious = 3,    // the canvas goes back to what it was before the frame
};

// The delay field counts hundredths of a second. Browsers show frames of 0 or 1 hundredths for
// a tenth of a second; animations are made with that in mind, so we do the same.
uint32_t GifDelayMs(uint32_t centiseconds);
GifDisposal GifDisposalFromField(uint32_t field);

struct GifFrameRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};

class GifComposer {
 public:
  GifComposer(uint32_t width, uint32_t height);
  // Draws one frame's own pixels (rect.width x rect.height) over the canvas after the previous
  // frame's disposal. Parts outside the logical screen are dropped; a pixel count that does not
  // match the rectangle draws nothing (the frame still takes part in disposal).
  void Draw(const GifFrameRect& rect, GifDisposal disposal, std::span<const uint32_t> pixels);
  // Back to the transparent canvas that comes before the first frame.
  void Reset();
  const std::vector<uint32_t>& canvas() const { return canvas_; }

 private:
  void Dispose();

  uint32_t width_;
  uint32_t height_;
  std::vector<uint32_t> canvas_;
  std::vector<uint32_t> saved_;
  GifFrameRect last_rect_{};
  GifDisposal last_disposal_ = GifDisposal::kKeep;
};

struct GifFrameInfo {
  GifFrameRect rect;
  GifDisposal disposal = GifDisposal::kKeep;
  uint32_t delay_ms = 0;
};

// What is known of an animation once its file is open; the pixels stay in the file.
struct GifAnimation {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<GifFrameInfo> frames;
  bool loops = false;                  // the file asks to be repeated (NETSCAPE2.0)
  std::optional<uint32_t> background;  // 0x00RRGGBB of the logical screen, if the file has one

  std::vector<uint32_t> delays_ms() const;
};

// Where a frame's own pixels come from: the open file.
class GifFrameReader {
 public:
  virtual ~GifFrameReader() = default;
  // Frame index's own rectangle as premultiplied pixels; false when it cannot be read.
  virtual bool ReadPixels(size_t index, std::vector<uint32_t>& pixels) = 0;
};

// Composes the frames of one animation as they fall due, so that memory does not grow with the
// animation's length: it keeps the canvas of the frame last composed (and, through the composer,
// the canvas a "restore to previous" frame goes back to) and one frame's own pixels.
class GifPlayhead {
 public:
  // animation and reader must outlive the playhead.
  GifPlayhead(const GifAnimation& animation, GifFrameReader& reader);
  // The canvas of frame index: composed onward from the frame last composed, or again from frame
  // 0 when index lies behind it (a rewind, or a loop's new round). An index past the end changes
  // nothing. A frame that cannot be read draws nothing but still takes part in disposal.
  const std::vector<uint32_t>& Seek(size_t index);
  // The frame on the canvas; SIZE_MAX before the first Seek.
  size_t frame() const { return frame_; }

 private:
  const GifAnimation& animation_;
  GifFrameReader& reader_;
  GifComposer composer_;
  std::vector<uint32_t> pixels_;
  size_t frame_ = SIZE_MAX;
};

// Puts premultiplied pixels over an opaque colour (0x00RRGGBB); the result is opaque.
// Does nothing when the two spans differ in size.
void ComposeOver(std::span<const uint32_t> pixels, uint32_t rgb, std::span<uint32_t> out);

}  // namespace qs
