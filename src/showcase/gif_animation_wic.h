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

// An open picture file: its frames' places, disposal and delays are read when it opens, their
// pixels each time a frame is composed. COM must already be initialised on the calling thread
// (the program's UI thread does so at start-up; tests do it themselves).
class GifFile final : public GifFrameReader {
 public:
  // Nothing when the file is missing, unreadable, damaged or too large.
  static std::unique_ptr<GifFile> Open(const std::wstring& path);
  GifFile(const GifFile&) = delete;
  GifFile& operator=(const GifFile&) = delete;

  const GifAnimation& animation() const { return animation_; }
  bool ReadPixels(size_t index, std::vector<uint32_t>& pixels) override;

 private:
  GifFile() = default;
  bool ReadWhole(const std::wstring& path);

  // The file's bytes: the decoder reads them from memory, which spares it many small reads.
  std::vector<BYTE> bytes_;

  Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;
  Microsoft::WRL::ComPtr<IWICBitmapDecoder> decoder_;
  GifAnimation animation_;
};

}  // namespace qs
