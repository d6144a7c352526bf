#include "window/picture.h"

#include <wincodec.h>

#include <vector>

#include "shell/platform.h"

namespace qs {
namespace {

// The smallest COM pointer that releases on scope exit.
template <typename T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() { if (p_) p_->Release(); }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** put() { if (p_) { p_->Release(); p_ = nullptr; } return &p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

Com<IWICImagingFactory>& Factory() {
  static Com<IWICImagingFactory> factory;
  if (!factory) {
    ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                       reinterpret_cast<void**>(factory.put()));
  }
  return factory;
}

UniqueBitmap FromDecoder(IWICBitmapDecoder* decoder) {
  Com<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.put()))) return {};
  Com<IWICFormatConverter> converter;
  if (FAILED(Factory()->CreateFormatConverter(converter.put()))) return {};
  if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                   0.0, WICBitmapPaletteTypeCustom))) {
    return {};
  }
  UINT width = 0, height = 0;
  if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, like WIC's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return {};
  const UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) return {};
  return bitmap;
}

}  // namespace

UniqueBitmap TryLoadPicture(const std::wstring& path) {
  if (!Factory()) return {};
  Com<IWICBitmapDecoder> decoder;
  if (FAILED(Factory()->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.put()))) {
    return {};
  }
  return FromDecoder(decoder.get());
}

UniqueBitmap LoadPicture(const std::wstring& path) {
  UniqueBitmap bitmap = TryLoadPicture(path);
  if (!bitmap) FatalError(L"QuietSpin cannot load the picture " + path + L".");
  return bitmap;
}

UniqueBitmap LoadPictureResource(HINSTANCE instance, int resource_id) {
  HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(resource_id), MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
  if (!found || !Factory()) return {};
  HGLOBAL loaded = ::LoadResource(instance, found);
  const DWORD size = ::SizeofResource(instance, found);
  auto* data = static_cast<BYTE*>(::LockResource(loaded));
  if (!data || size == 0) return {};
  Com<IWICStream> stream;
  if (FAILED(Factory()->CreateStream(stream.put())) || FAILED(stream->InitializeFromMemory(data, size))) return {};
  Com<IWICBitmapDecoder> decoder;
  if (FAILED(Factory()->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put()))) {
    return {};
  }
  return FromDecoder(decoder.get());
}

UniqueCursor LoadCursorFile(const std::wstring& path) {
  UniqueCursor cursor(static_cast<HCURSOR>(::LoadImageW(nullptr, path.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE)));
  if (!cursor) FatalError(L"QuietSpin cannot load the cursor " + path + L".");
  return cursor;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || ::GetObjectW(bitmap, sizeof(info), &info) == 0) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

}  // namespace qs
