// Writes small BMP files for the mask tests: every header field can be set, so that the same
// writer makes both well-formed masks and hostile ones.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace qs::skin::testing {

constexpr uint32_t kMagenta = 0xFF00FF;  // 0xRRGGBB

struct BmpFile {
  int32_t width = 0;
  int32_t height = 0;  // as stored: negative means top-down
  uint16_t planes = 1;
  uint16_t bits = 24;
  uint32_t header_size = 40;
  uint32_t compression = 0;
  uint32_t colours_used = 0;      // written as is
  std::vector<uint32_t> palette;  // 0xRRGGBB entries, all written
  std::vector<uint32_t> masks;    // R, G, B: after a 40-byte header, else inside the header
  std::vector<uint32_t> pixels;   // window order, top row first: index or 0xRRGGBB
  int64_t pixel_offset = -1;      // -1: right after the colour table
  uint8_t alpha = 0;              // fourth byte of 32-bit pixels
};

inline void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline std::vector<uint8_t> Encode(const BmpFile& bmp) {
  const uint32_t rows = static_cast<uint32_t>(bmp.height < 0 ? -int64_t{bmp.height} : bmp.height);
  const uint32_t width = static_cast<uint32_t>(bmp.width);
  const size_t stride = (size_t{width} * bmp.bits + 31) / 32 * 4;
  const bool masks_after_header = bmp.header_size == 40 && !bmp.masks.empty();
  const size_t table_at = 14 + bmp.header_size + (masks_after_header ? 12 : 0);
  const size_t natural_offset = table_at + bmp.palette.size() * 4;
  const size_t offset = bmp.pixel_offset < 0 ? natural_offset : static_cast<size_t>(bmp.pixel_offset);
  const size_t pixel_bytes = bmp.pixels.empty() ? 0 : stride * rows;
  std::vector<uint8_t> out(std::max(natural_offset, offset + pixel_bytes), 0);

  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(out.size()));
  Put32(out, 10, static_cast<uint32_t>(offset));
  Put32(out, 14, bmp.header_size);
  Put32(out, 18, static_cast<uint32_t>(bmp.width));
  Put32(out, 22, static_cast<uint32_t>(bmp.height));
  Put16(out, 26, bmp.planes);
  Put16(out, 28, bmp.bits);
  Put32(out, 30, bmp.compression);
  Put32(out, 34, static_cast<uint32_t>(pixel_bytes));
  Put32(out, 46, bmp.colours_used);
  for (size_t i = 0; i < bmp.masks.size() && i < 3; ++i) Put32(out, 54 + 4 * i, bmp.masks[i]);
  for (size_t i = 0; i < bmp.palette.size(); ++i) {
    const uint32_t c = bmp.palette[i];
    out[table_at + 4 * i] = static_cast<uint8_t>(c);
    out[table_at + 4 * i + 1] = static_cast<uint8_t>(c >> 8);
    out[table_at + 4 * i + 2] = static_cast<uint8_t>(c >> 16);
  }
  if (pixel_bytes == 0) return out;
  for (uint32_t y = 0; y < rows; ++y) {
    const uint32_t file_row = bmp.height < 0 ? y : rows - 1 - y;
    uint8_t* row = out.data() + offset + stride * file_row;
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t v = bmp.pixels[size_t{y} * width + x];
      switch (bmp.bits) {
        case 1:
          row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
          break;
        case 4:
          row[x / 2] |= static_cast<uint8_t>((v & 0xF) << (x % 2 ? 0 : 4));
          break;
        case 8:
          row[x] = static_cast<uint8_t>(v);
          break;
        default: {
          const size_t size = bmp.bits / 8;
          row[x * size] = static_cast<uint8_t>(v);
          row[x * size + 1] = static_cast<uint8_t>(v >> 8);
          row[x * size + 2] = static_cast<uint8_t>(v >> 16);
          if (size == 4) row[x * size + 3] = bmp.alpha;
        }
      }
    }
  }
  return out;
}

// Pixels from a drawing: one string per row, each character looked up in `values`.
template <typename Map>
std::vector<uint32_t> FromArt(const std::vector<std::string>& art, const Map& values) {
  std::vector<uint32_t> pixels;
  for (const std::string& row : art)
    for (char c : row) pixels.push_back(values.at(c));
  return pixels;
}

}  // namespace qs::skin::testing
