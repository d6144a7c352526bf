#include "skinform/bmp_region.h"

#include <algorithm>
#include <array>

namespace qs::skin {
namespace {

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint64_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER; V2, V3, V4 and V5 extend it
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

// Little-endian reads that fail instead of running past the end. Offsets are 64-bit so that a
// 32-bit offset taken from the file plus a header size can never wrap.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool Has(uint64_t offset, uint64_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  std::optional<uint16_t> U16(uint64_t offset) const {
    if (!Has(offset, 2)) return std::nullopt;
    return static_cast<uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
  }
  std::optional<uint32_t> U32(uint64_t offset) const {
    if (!Has(offset, 4)) return std::nullopt;
    return static_cast<uint32_t>(bytes_[offset]) | (static_cast<uint32_t>(bytes_[offset + 1]) << 8) |
           (static_cast<uint32_t>(bytes_[offset + 2]) << 16) |
           (static_cast<uint32_t>(bytes_[offset + 3]) << 24);
  }
  std::optional<int32_t> I32(uint64_t offset) const {
    auto value = U32(offset);
    if (!value) return std::nullopt;
    return static_cast<int32_t>(*value);
  }
  const uint8_t* At(uint64_t offset) const { return bytes_.data() + offset; }

 private:
  std::span<const uint8_t> bytes_;
};

bool IsKeyColour(uint8_t blue, uint8_t green, uint8_t red) {
  return red == 0xFF && green == 0 && blue == 0xFF;
}

// What the scan needs to know once the headers have been checked.
struct PixelLayout {
  int32_t width = 0;
  int32_t height = 0;  // always positive here
  bool top_down = false;
  uint16_t bits = 0;
  uint64_t pixel_offset = 0;
  uint64_t stride = 0;
  uint32_t palette_size = 0;            // entries in the colour table (indexed depths only)
  std::array<bool, 256> palette_key{};  // entry i is the key colour
};

bool IsKnownHeaderSize(uint32_t size) {
  // INFO, V2 (with RGB masks), V3 (with alpha mask), V4, V5. The old 12-byte core header is not
  // accepted: no tool we use writes it.
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Only the usual layout of 32-bit pixels (blue, green, red, unused) is understood.
bool HasStandardMasks(const ByteReader& in, uint64_t masks_offset) {
  auto red = in.U32(masks_offset);
  auto green = in.U32(masks_offset + 4);
  auto blue = in.U32(masks_offset + 8);
  return red && green && blue && *red == 0x00FF0000u && *green == 0x0000FF00u && *blue == 0x000000FFu;
}

std::optional<PixelLayout> ReadLayout(const ByteReader& in) {
  if (!in.Has(0, 2) || *in.At(0) != 'B' || *in.At(1) != 'M') return std::nullopt;
  auto pixel_offset = in.U32(10);
  auto header_size = in.U32(kFileHeaderSize);
  if (!pixel_offset || !header_size || !IsKnownHeaderSize(*header_size)) return std::nullopt;
  const uint64_t info = kFileHeaderSize;
  auto width = in.I32(info + 4);
  auto height = in.I32(info + 8);
  auto planes = in.U16(info + 12);
  auto bits = in.U16(info + 14);
  auto compression = in.U32(info + 16);
  auto colours_used = in.U32(info + 32);
  if (!width || !height || !planes || !bits || !compression || !colours_used) return std::nullopt;
  if (!in.Has(info, *header_size) || *planes != 1) return std::nullopt;

  PixelLayout layout;
  if (*width <= 0 || *width > kMaxMaskSide) return std::nullopt;
  if (*height == 0 || *height < -kMaxMaskSide || *height > kMaxMaskSide) return std::nullopt;
  layout.width = *width;
  layout.top_down = *height < 0;
  layout.height = layout.top_down ? -*height : *height;
  if (int64_t{layout.width} * layout.height > kMaxMaskPixels) return std::nullopt;
  layout.bits = *bits;

  uint64_t table_offset = info + *header_size;
  if (*compression == kBiBitfields) {
    if (layout.bits != 32) return std::nullopt;
    // With the plain INFO header the three masks follow it; later headers carry them inside.
    const uint64_t masks_offset = info + kInfoHeaderSize;
    if (*header_size == kInfoHeaderSize) table_offset += 12;
    if (!HasStandardMasks(in, masks_offset)) return std::nullopt;
  } else if (*compression != kBiRgb) {
    return std::nullopt;  // run-length, JPEG and PNG payloads are not masks we make
  }

  switch (layout.bits) {
    case 1:
    case 4:
    case 8: {
      const uint32_t max_entries = 1u << layout.bits;
      if (*colours_used > max_entries) return std::nullopt;
      layout.palette_size = *colours_used == 0 ? max_entries : *colours_used;
      const uint64_t table_end = table_offset + uint64_t{layout.palette_size} * 4;
      if (table_end > *pixel_offset || !in.Has(table_offset, table_end - table_offset)) return std::nullopt;
      for (uint32_t i = 0; i < layout.palette_size; ++i) {
        const uint8_t* entry = in.At(table_offset + uint64_t{i} * 4);  // blue, green, red, reserved
        layout.palette_key[i] = IsKeyColour(entry[0], entry[1], entry[2]);
      }
      break;
    }
    case 24:
    case 32:
      // A colour table here is only a display hint; it must still not overlap the pixels.
      if (table_offset > *pixel_offset) return std::nullopt;
      break;
    default:
      return std::nullopt;  // 16 bpp and odd depths are never used for masks
  }

  layout.pixel_offset = *pixel_offset;
  layout.stride = (uint64_t{static_cast<uint32_t>(layout.width)} * layout.bits + 31) / 32 * 4;
  if (!in.Has(layout.pixel_offset, layout.stride * static_cast<uint64_t>(layout.height))) return std::nullopt;
  return layout;
}

// Whether pixel x of a row is the key colour; nullopt for a palette index past the table.
std::optional<bool> IsKeyPixel(const PixelLayout& layout, const uint8_t* row, int32_t x) {
  const auto ux = static_cast<uint32_t>(x);
  uint32_t index = 0;
  switch (layout.bits) {
    case 1:
      index = (row[ux >> 3] >> (7 - (ux & 7))) & 0x1;
      break;
    case 4:
      index = (row[ux >> 1] >> ((ux & 1) ? 0 : 4)) & 0xF;
      break;
    case 8:
      index = row[ux];
      break;
    case 24:
      return IsKeyColour(row[ux * 3], row[ux * 3 + 1], row[ux * 3 + 2]);
    default:  // 32: blue, green, red, then alpha or nothing; alpha plays no part
      return IsKeyColour(row[ux * 4], row[ux * 4 + 1], row[ux * 4 + 2]);
  }
  if (index >= layout.palette_size) return std::nullopt;
  return layout.palette_key[index];
}

}  // namespace

std::optional<MaskShape> ScanMaskBitmap(std::span<const uint8_t> bytes) {
  const ByteReader in(bytes);
  auto layout = ReadLayout(in);
  if (!layout) return std::nullopt;

  MaskShape shape;
  shape.width = layout->width;
  shape.height = layout->height;
  for (int32_t y = 0; y < layout->height; ++y) {
    // Bottom-up files store the window's last row first.
    const int32_t file_row = layout->top_down ? y : layout->height - 1 - y;
    const uint8_t* row = in.At(layout->pixel_offset + layout->stride * static_cast<uint64_t>(file_row));
    int32_t run_begin = -1;
    for (int32_t x = 0; x < layout->width; ++x) {
      auto key = IsKeyPixel(*layout, row, x);
      if (!key) return std::nullopt;
      if (!*key && run_begin < 0) run_begin = x;
      if (*key && run_begin >= 0) {
        shape.runs.push_back({y, run_begin, x});
        run_begin = -1;
      }
    }
    if (run_begin >= 0) shape.runs.push_back({y, run_begin, layout->width});
  }
  return shape;
}

std::vector<Rect> MergeRunsIntoRects(const std::vector<Run>& runs) {
  std::vector<Rect> rects;
  const auto row_end = [&runs](size_t begin) {
    size_t end = begin;
    while (end < runs.size() && runs[end].y == runs[begin].y) ++end;
    return end;
  };
  const auto same_spans = [&runs](size_t a, size_t b, size_t count) {
    return std::equal(
        runs.begin() + static_cast<ptrdiff_t>(a), runs.begin() + static_cast<ptrdiff_t>(a + count),
        runs.begin() + static_cast<ptrdiff_t>(b),
        [](const Run& l, const Run& r) { return l.x_begin == r.x_begin && l.x_end == r.x_end; });
  };
  size_t band = 0;
  while (band < runs.size()) {
    const size_t band_end = row_end(band);
    const size_t count = band_end - band;
    int32_t bottom = runs[band].y + 1;
    size_t next = band_end;
    while (next < runs.size() && runs[next].y == bottom) {
      const size_t next_end = row_end(next);
      if (next_end - next != count || !same_spans(band, next, count)) break;
      ++bottom;
      next = next_end;
    }
    for (size_t i = band; i < band_end; ++i)
      rects.push_back({runs[i].x_begin, runs[i].y, runs[i].x_end, bottom});
    band = next;
  }
  return rects;
}

}  // namespace qs::skin
