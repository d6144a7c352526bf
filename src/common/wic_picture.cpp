#include "common/wic_picture.h"

#include <wincodec.h>
#include <wrl/client.h>

namespace qs {
namespace {

using Microsoft::WRL::ComPtr;

// One factory for the life of the process: pictures are decoded on every pointer move over the
// skin. It is never released, since COM may already be gone when static objects are destroyed.
IWICImagingFactory* Factory() {
  static IWICImagingFactory* const factory = [] {
    IWICImagingFactory* created = nullptr;
    ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&created));
    return created;
  }();
  return factory;
}

UniqueBitmap FirstFrameAsDib(IWICBitmapDecoder* decoder) {
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, &frame))) return {};
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(Factory()->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
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

UniqueBitmap DecodePictureFile(const std::wstring& path) {
  if (!Factory()) return {};
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(Factory()->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder))) {
    return {};
  }
  return FirstFrameAsDib(decoder.Get());
}

UniqueBitmap DecodePictureBytes(const BYTE* data, DWORD size) {
  if (!Factory() || !data || size == 0) return {};
  ComPtr<IWICStream> stream;
  if (FAILED(Factory()->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), size))) {
    return {};
  }
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(Factory()->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                &decoder))) {
    return {};
  }
  return FirstFrameAsDib(decoder.Get());
}

UniqueBitmap DecodePictureResource(HINSTANCE instance, int resource_id) {
  // Resource memory belongs to the module and needs no release.
  HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(resource_id), RT_RCDATA);
  if (!found) return {};
  HGLOBAL loaded = ::LoadResource(instance, found);
  if (!loaded) return {};
  return DecodePictureBytes(static_cast<const BYTE*>(::LockResource(loaded)),
                            ::SizeofResource(instance, found));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || ::GetObjectW(bitmap, sizeof(info), &info) == 0) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

}  // namespace qs
