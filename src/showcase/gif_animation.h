// An animated GIF as the controls show it: every frame already composed into a full picture of
// the logical screen, with its delay. Window-free: the decoder (gif_animation_wic.*) reads the
// file and hands each frame's own rectangle to GifComposer, which applies the GIF disposal rules.
//
// Pixels are premultiplied BGRA, one uint32_t each (0xAARRGGBB), rows top to bottom.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qs {

// Refuse pictures that would take an unreasonable amount of memory once every frame is composed;
// a damaged header can claim any size.
inline constexpr uint32_t kMaxGifSide = 4096;
inline constexpr size_t kMaxGifPixels = size_t{48} * 1024 * 1024;  // over all frames: 192 MB

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

struct GifAnimation {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<std::vector<uint32_t>> frames;  // width * height pixels each
  std::vector<uint32_t> delays_ms;            // one per frame
  bool loops = false;                         // the file asks to be repeated (NETSCAPE2.0)
  std::optional<uint32_t> background;         // 0x00RRGGBB of the logical screen, if the file has one
};

// Puts premultiplied pixels over an opaque colour (0x00RRGGBB); the result is opaque.
// Does nothing when the two spans differ in size.
void ComposeOver(std::span<const uint32_t> pixels, uint32_t rgb, std::span<uint32_t> out);

}  // namespace qs
