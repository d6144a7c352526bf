#include "showcase/gif_animation_wic.h"

#include <propidl.h>
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstring>
#include <utility>

namespace qs {
namespace {

using Microsoft::WRL::ComPtr;

// A PROPVARIANT cleared on every exit path.
class Variant {
 public:
  Variant() { PropVariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { PropVariantClear(&value_); }
  PROPVARIANT* put() {
    PropVariantClear(&value_);
    return &value_;
  }
  const PROPVARIANT& get() const { return value_; }

 private:
  PROPVARIANT value_;
};

std::optional<uint32_t> ReadUnsigned(IWICMetadataQueryReader* reader, const wchar_t* name) {
  Variant value;
  if (!reader || FAILED(reader->GetMetadataByName(name, value.put()))) return std::nullopt;
  switch (value.get().vt) {
    case VT_UI1:
      return value.get().bVal;
    case VT_UI2:
      return value.get().uiVal;
    case VT_UI4:
      return value.get().ulVal;
    case VT_BOOL:
      return value.get().boolVal ? 1u : 0u;
    default:
      return std::nullopt;
  }
}

// NETSCAPE2.0 (or its ANIMEXTS1.0 twin) application extension: the file asks to be repeated.
bool AsksToLoop(IWICMetadataQueryReader* reader) {
  Variant app;
  if (!reader || FAILED(reader->GetMetadataByName(L"/appext/Application", app.put()))) return false;
  if (app.get().vt != (VT_VECTOR | VT_UI1) || app.get().caub.cElems != 11) return false;
  const char* name = reinterpret_cast<const char*>(app.get().caub.pElems);
  return std::memcmp(name, "NETSCAPE2.0", 11) == 0 || std::memcmp(name, "ANIMEXTS1.0", 11) == 0;
}

std::optional<uint32_t> GlobalBackground(IWICImagingFactory* factory, IWICBitmapDecoder* decoder,
                                         IWICMetadataQueryReader* reader) {
  if (ReadUnsigned(reader, L"/logscrdesc/GlobalColorTableFlag").value_or(0) == 0) return std::nullopt;
  const auto index = ReadUnsigned(reader, L"/logscrdesc/BackgroundColorIndex");
  ComPtr<IWICPalette> palette;
  if (!index || FAILED(factory->CreatePalette(palette.ReleaseAndGetAddressOf())) ||
      FAILED(decoder->CopyPalette(palette.Get()))) {
    return std::nullopt;
  }
  WICColor colors[256];
  UINT count = 0;
  if (FAILED(palette->GetColors(256, colors, &count)) || *index >= count) return std::nullopt;
  return colors[*index] & 0x00FFFFFFu;
}

// One frame's own rectangle as premultiplied BGRA.
bool ReadFramePixels(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, GifFrameRect& rect,
                     std::vector<uint32_t>& pixels) {
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > kMaxGifSide ||
      height > kMaxGifSide) {
    return false;
  }
  rect.width = static_cast<int32_t>(width);
  rect.height = static_cast<int32_t>(height);
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.ReleaseAndGetAddressOf())) ||
      FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                   0.0, WICBitmapPaletteTypeCustom))) {
    return false;
  }
  pixels.assign(size_t{width} * height, 0);
  return SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                                         reinterpret_cast<BYTE*>(pixels.data())));
}

}  // namespace

std::optional<GifAnimation> LoadGifAnimation(const std::wstring& path) {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())))) {
    return std::nullopt;
  }
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnLoad,
                                                decoder.ReleaseAndGetAddressOf()))) {
    return std::nullopt;
  }
  UINT count = 0;
  if (FAILED(decoder->GetFrameCount(&count)) || count == 0) return std::nullopt;

  ComPtr<IWICMetadataQueryReader> file_meta;
  // Without a reader every query below answers "absent"; a failed call must not leave garbage.
  if (FAILED(decoder->GetMetadataQueryReader(file_meta.ReleaseAndGetAddressOf()))) file_meta.Reset();
  GifAnimation animation;
  animation.width = ReadUnsigned(file_meta.Get(), L"/logscrdesc/Width").value_or(0);
  animation.height = ReadUnsigned(file_meta.Get(), L"/logscrdesc/Height").value_or(0);
  animation.loops = AsksToLoop(file_meta.Get());
  animation.background = GlobalBackground(factory.Get(), decoder.Get(), file_meta.Get());

  std::optional<GifComposer> composer;
  for (UINT i = 0; i < count; ++i) {
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(i, frame.ReleaseAndGetAddressOf()))) return std::nullopt;
    GifFrameRect rect;
    std::vector<uint32_t> pixels;
    if (!ReadFramePixels(factory.Get(), frame.Get(), rect, pixels)) return std::nullopt;
    ComPtr<IWICMetadataQueryReader> meta;
    if (FAILED(frame->GetMetadataQueryReader(meta.ReleaseAndGetAddressOf()))) meta.Reset();
    rect.left = static_cast<int32_t>(ReadUnsigned(meta.Get(), L"/imgdesc/Left").value_or(0));
    rect.top = static_cast<int32_t>(ReadUnsigned(meta.Get(), L"/imgdesc/Top").value_or(0));
    if (i == 0 && (animation.width == 0 || animation.height == 0)) {
      // Not a GIF (no logical screen): the first picture sets the size.
      animation.width = static_cast<uint32_t>(rect.width);
      animation.height = static_cast<uint32_t>(rect.height);
    }
    if (animation.width > kMaxGifSide || animation.height > kMaxGifSide ||
        size_t{animation.width} * animation.height * (i + 1) > kMaxGifPixels) {
      return std::nullopt;
    }
    if (!composer) {
      composer.emplace(animation.width, animation.height);
      animation.frames.reserve(count);
    }
    composer->Draw(rect, GifDisposalFromField(ReadUnsigned(meta.Get(), L"/grctlext/Disposal").value_or(0)),
                   pixels);
    animation.frames.push_back(composer->canvas());
    animation.delays_ms.push_back(GifDelayMs(ReadUnsigned(meta.Get(), L"/grctlext/Delay").value_or(0)));
  }
  return animation;
}

}  // namespace qs
