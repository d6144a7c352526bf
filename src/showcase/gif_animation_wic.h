// Reads an animated GIF through the Windows Imaging Component. Any other single picture that
// WIC can read comes back as one frame.
#pragma once
#include <wincodec.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "showcase/gif_animation.h"

namespace qs {

// Larger files are not read (the showcase's movies are well under a megabyte).
inline constexpr int64_t kMaxGifFileBytes = int64_t{64} * 1024 * 1024;

// An open picture file: the first frame's place, disposal and delay are read when it opens, the
// other frames' on request, and their pixels each time a frame is composed. COM must already be initialised
// on the calling thread (the program's UI thread does so at start-up; tests do it themselves).
class GifFile final : public GifFrameReader {
 public:
  // Nothing when the file is missing, unreadable, damaged or too large.
  static std::unique_ptr<GifFile> Open(const std::wstring& path);
  GifFile(const GifFile&) = delete;
  GifFile& operator=(const GifFile&) = delete;

  const GifAnimation& animation() const { return animation_; }
  // Whether every frame's place, disposal and delay has been read; until then the later frames
  // have an empty place and a delay of a tenth of a second.
  bool complete() const { return frames_read_ == animation_.frames.size(); }
  void ReadRemainingFrames();
  bool ReadPixels(size_t index, std::vector<uint32_t>& pixels) override;

 private:
  GifFile() = default;
  bool ReadWhole(const std::wstring& path);
  bool ReadFrameInfo(size_t index);

  // The file's bytes: the decoder reads them from memory, which spares it many small reads.
  std::vector<BYTE> bytes_;

  Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;
  Microsoft::WRL::ComPtr<IWICBitmapDecoder> decoder_;
  GifAnimation animation_;
  size_t frames_read_ = 0;
};

}  // namespace qs
