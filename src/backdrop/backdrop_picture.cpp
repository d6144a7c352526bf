#include "backdrop/backdrop_picture.h"

#include <wincodec.h>
#include <wrl/client.h>

namespace qs::backdrop {
namespace {

using Microsoft::WRL::ComPtr;

// The bytes of an RCDATA resource. Resource memory belongs to the module and needs no release.
bool FindResourceBytes(HINSTANCE instance, int id, BYTE** data, DWORD* size) {
  HRSRC info = ::FindResourceW(instance, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!info) return false;
  HGLOBAL loaded = ::LoadResource(instance, info);
  if (!loaded) return false;
  *data = static_cast<BYTE*>(::LockResource(loaded));
  *size = ::SizeofResource(instance, info);
  return *data != nullptr && *size != 0;
}

// First frame of the encoded picture, converted to premultiplied BGRA so that the bytes can go
// straight into a 32 bpp DIB section.
ComPtr<IWICBitmapSource> DecodeToBgra(IWICImagingFactory* factory, BYTE* data, DWORD size) {
  ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(&stream)) || FAILED(stream->InitializeFromMemory(data, size))) {
    return nullptr;
  }
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              &decoder))) {
    return nullptr;
  }
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, &frame))) return nullptr;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
    return nullptr;
  }
  return converter;
}

}  // namespace

Picture LoadPictureResource(HINSTANCE instance, int id) {
  Picture picture;
  BYTE* data = nullptr;
  DWORD size = 0;
  if (!FindResourceBytes(instance, id, &data, &size)) return picture;

  ComPtr<IWICImagingFactory> factory;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
    return picture;
  }
  ComPtr<IWICBitmapSource> source = DecodeToBgra(factory.Get(), data, size);
  UINT width = 0;
  UINT height = 0;
  if (!source || FAILED(source->GetSize(&width, &height)) || width == 0 || height == 0) return picture;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, like WIC's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return picture;

  const UINT stride = width * 4;
  if (FAILED(source->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
    return picture;
  }
  picture.bitmap = std::move(bitmap);
  picture.size = {static_cast<LONG>(width), static_cast<LONG>(height)};
  return picture;
}

}  // namespace qs::backdrop
