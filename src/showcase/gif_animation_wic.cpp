#include "showcase/gif_animation_wic.h"

#include <propidl.h>
#include <wincodec.h>
#include <windows.h>
// The metadata block GUIDs are defined here, not in a library.
#include <initguid.h>
#include <wincodecsdk.h>
#include <wrl/client.h>

#include <cstring>

#include "common/unique_handle.h"

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

std::optional<uint32_t> UnsignedOf(const PROPVARIANT& value) {
  switch (value.vt) {
    case VT_UI1:
      return value.bVal;
    case VT_UI2:
      return value.uiVal;
    case VT_UI4:
      return value.ulVal;
    case VT_BOOL:
      return value.boolVal ? 1u : 0u;
    default:
      return std::nullopt;
  }
}

std::optional<uint32_t> ReadUnsigned(IWICMetadataQueryReader* reader, const wchar_t* name) {
  Variant value;
  if (!reader || FAILED(reader->GetMetadataByName(name, value.put()))) return std::nullopt;
  return UnsignedOf(value.get());
}

std::optional<uint32_t> ItemOf(IWICMetadataReader* reader, const wchar_t* name) {
  PROPVARIANT id{};
  id.vt = VT_LPWSTR;
  id.pwszVal = const_cast<wchar_t*>(name);
  Variant value;
  if (FAILED(reader->GetValue(nullptr, &id, value.put()))) return std::nullopt;
  return UnsignedOf(value.get());
}

// A frame's place, disposal and delay, read straight from its image descriptor and graphic
// control blocks: one reader per block, where a query by path makes new ones for every item.
// Absent items read as 0, as for a picture that is no GIF.
void ReadFrameFields(IWICBitmapFrameDecode* frame, GifFrameInfo& info) {
  ComPtr<IWICMetadataBlockReader> blocks;
  UINT count = 0;
  if (FAILED(frame->QueryInterface(IID_IWICMetadataBlockReader,
                                   reinterpret_cast<void**>(blocks.ReleaseAndGetAddressOf()))) ||
      FAILED(blocks->GetCount(&count))) {
    count = 0;
  }
  uint32_t left = 0, top = 0, disposal = 0, delay = 0;
  for (UINT b = 0; b < count; ++b) {
    ComPtr<IWICMetadataReader> reader;
    GUID format{};
    if (FAILED(blocks->GetReaderByIndex(b, reader.ReleaseAndGetAddressOf())) ||
        FAILED(reader->GetMetadataFormat(&format))) {
      continue;
    }
    if (IsEqualGUID(format, GUID_MetadataFormatIMD)) {
      left = ItemOf(reader.Get(), L"Left").value_or(0);
      top = ItemOf(reader.Get(), L"Top").value_or(0);
    } else if (IsEqualGUID(format, GUID_MetadataFormatGCE)) {
      disposal = ItemOf(reader.Get(), L"Disposal").value_or(0);
      delay = ItemOf(reader.Get(), L"Delay").value_or(0);
    }
  }
  info.rect.left = static_cast<int32_t>(left);
  info.rect.top = static_cast<int32_t>(top);
  info.disposal = GifDisposalFromField(disposal);
  info.delay_ms = GifDelayMs(delay);
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

}  // namespace

std::unique_ptr<GifFile> GifFile::Open(const std::wstring& path) {
  std::unique_ptr<GifFile> file(new GifFile());
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(file->factory_.ReleaseAndGetAddressOf())))) {
    return nullptr;
  }
  IWICImagingFactory* factory = file->factory_.Get();
  if (!file->ReadWhole(path)) return nullptr;
  ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.ReleaseAndGetAddressOf())) ||
      FAILED(stream->InitializeFromMemory(file->bytes_.data(), static_cast<DWORD>(file->bytes_.size())))) {
    return nullptr;
  }
  // Most files are GIFs: asking for the GIF decoder by name spares the search through every
  // decoder the system has. Other pictures go through that search.
  if (FAILED(CoCreateInstance(CLSID_WICGifDecoder, nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmapDecoder,
                              reinterpret_cast<void**>(file->decoder_.ReleaseAndGetAddressOf()))) ||
      FAILED(file->decoder_->Initialize(stream.Get(), WICDecodeMetadataCacheOnLoad))) {
    LARGE_INTEGER start{};
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                                file->decoder_.ReleaseAndGetAddressOf()))) {
      return nullptr;
    }
  }
  IWICBitmapDecoder* decoder = file->decoder_.Get();
  UINT count = 0;
  if (FAILED(decoder->GetFrameCount(&count)) || count == 0) return nullptr;

  ComPtr<IWICMetadataQueryReader> file_meta;
  // Without a reader every query below answers "absent"; a failed call must not leave garbage.
  if (FAILED(decoder->GetMetadataQueryReader(file_meta.ReleaseAndGetAddressOf()))) file_meta.Reset();
  GifAnimation& animation = file->animation_;
  animation.width = ReadUnsigned(file_meta.Get(), L"/logscrdesc/Width").value_or(0);
  animation.height = ReadUnsigned(file_meta.Get(), L"/logscrdesc/Height").value_or(0);
  animation.loops = AsksToLoop(file_meta.Get());
  animation.background = GlobalBackground(factory, decoder, file_meta.Get());

  // The first frame is all the first picture needs; the others' places and delays are read when
  // the animation first moves on.
  animation.frames.assign(count, GifFrameInfo{{}, GifDisposal::kKeep, GifDelayMs(0)});
  if (!file->ReadFrameInfo(0)) return nullptr;
  if (animation.width > kMaxGifSide || animation.height > kMaxGifSide) return nullptr;
  file->frames_read_ = 1;
  return file;
}

bool GifFile::ReadFrameInfo(size_t index) {
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
  if (FAILED(decoder_->GetFrame(static_cast<UINT>(index), frame.ReleaseAndGetAddressOf())) ||
      FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > kMaxGifSide ||
      height > kMaxGifSide) {
    return false;
  }
  GifFrameInfo& info = animation_.frames[index];
  ReadFrameFields(frame.Get(), info);
  info.rect.width = static_cast<int32_t>(width);
  info.rect.height = static_cast<int32_t>(height);
  if (index == 0 && (animation_.width == 0 || animation_.height == 0)) {
    // Not a GIF (no logical screen): the first picture sets the size.
    animation_.width = width;
    animation_.height = height;
  }
  return true;
}

void GifFile::ReadRemainingFrames() {
  // A frame that cannot be read keeps an empty place: it draws nothing.
  for (; frames_read_ < animation_.frames.size(); ++frames_read_) ReadFrameInfo(frames_read_);
}

bool GifFile::ReadWhole(const std::wstring& path) {
  UniqueFile handle(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!handle || !GetFileSizeEx(handle.get(), &size) || size.QuadPart <= 0 ||
      size.QuadPart > kMaxGifFileBytes) {
    return false;
  }
  bytes_.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return ReadFile(handle.get(), bytes_.data(), static_cast<DWORD>(bytes_.size()), &read, nullptr) &&
         read == bytes_.size();
}

bool GifFile::ReadPixels(size_t index, std::vector<uint32_t>& pixels) {
  if (index >= animation_.frames.size()) return false;
  const GifFrameRect& rect = animation_.frames[index].rect;
  if (rect.width <= 0 || rect.height <= 0) return false;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(decoder_->GetFrame(static_cast<UINT>(index), frame.ReleaseAndGetAddressOf())) ||
      FAILED(factory_->CreateFormatConverter(converter.ReleaseAndGetAddressOf())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
    return false;
  }
  const auto width = static_cast<UINT>(rect.width);
  pixels.resize(size_t{width} * static_cast<UINT>(rect.height));
  return SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                                         reinterpret_cast<BYTE*>(pixels.data())));
}

}  // namespace qs
