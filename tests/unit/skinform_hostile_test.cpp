// The mask scan on broken and hostile files: every one gives "no region", none is read past its end.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "skinform/bmp_region.h"
#include "tests/unit/skinform_bmp_writer.h"

namespace qs::skin {
namespace {

using testing::BmpFile;
using testing::Encode;
using testing::kMagenta;
using testing::Put16;
using testing::Put32;

BmpFile Valid(uint16_t bits = 24) {
  BmpFile bmp;
  bmp.width = 5;
  bmp.height = 3;
  bmp.bits = bits;
  if (bits <= 8) bmp.palette.assign(size_t{1} << bits, kMagenta);
  bmp.pixels.assign(15, 0);
  return bmp;
}

// Scans an exact-size copy so that ASan sees a read one byte past the end.
bool Accepts(const std::vector<uint8_t>& bytes) {
  const std::vector<uint8_t> copy(bytes);
  return ScanMaskBitmap(copy).has_value();
}
bool Accepts(const BmpFile& bmp) { return Accepts(Encode(bmp)); }

TEST(HostileMask, TheBaseFilesAreAccepted) {
  for (uint16_t bits : {1, 4, 8, 24, 32}) EXPECT_TRUE(Accepts(Valid(bits))) << bits;
}

TEST(HostileMask, EmptyAndTinyInputs) {
  EXPECT_FALSE(Accepts(std::vector<uint8_t>{}));
  EXPECT_FALSE(Accepts(std::vector<uint8_t>{'B'}));
  EXPECT_FALSE(Accepts(std::vector<uint8_t>{'B', 'M'}));
  EXPECT_FALSE(ScanMaskBitmap({}).has_value());
}

TEST(HostileMask, BadMagic) {
  for (const char* magic : {"BN", "MB", "bm", "\0\0"}) {
    auto bytes = Encode(Valid());
    bytes[0] = static_cast<uint8_t>(magic[0]);
    bytes[1] = static_cast<uint8_t>(magic[1]);
    EXPECT_FALSE(Accepts(bytes)) << magic;
  }
}

TEST(HostileMask, UnknownHeaderSizes) {
  for (uint32_t size : {0u, 12u, 39u, 41u, 64u, 125u, 4096u, 0xFFFFFFFFu}) {
    auto bytes = Encode(Valid());
    Put32(bytes, 14, size);
    EXPECT_FALSE(Accepts(bytes)) << size;
  }
}

TEST(HostileMask, ZeroNegativeAndHugeWidths) {
  for (int32_t width : {0, -1, -5, INT32_MIN, kMaxMaskSide + 1, INT32_MAX}) {
    auto bytes = Encode(Valid());
    Put32(bytes, 18, static_cast<uint32_t>(width));
    EXPECT_FALSE(Accepts(bytes)) << width;
  }
}

TEST(HostileMask, ZeroAndHugeHeights) {
  for (int32_t height : {0, INT32_MIN, -kMaxMaskSide - 1, kMaxMaskSide + 1, INT32_MAX}) {
    auto bytes = Encode(Valid());
    Put32(bytes, 22, static_cast<uint32_t>(height));
    EXPECT_FALSE(Accepts(bytes)) << height;
  }
}

// Sides within the side cap but too many pixels together, even when the bytes are all there.
TEST(HostileMask, TooManyPixelsInAllIsRefusedBeforeScanning) {
  BmpFile bmp;
  bmp.width = kMaxMaskSide;
  bmp.height = -1025;  // 16384 x 1025 > 2^24
  bmp.bits = 1;
  bmp.palette = {0, kMagenta};
  bmp.pixels.assign(size_t{16384} * 1025, 0);
  EXPECT_FALSE(Accepts(bmp));
  bmp.height = -1024;  // exactly at the cap: accepted, one run per row
  bmp.pixels.resize(size_t{16384} * 1024);
  auto shape = ScanMaskBitmap(Encode(bmp));
  ASSERT_TRUE(shape.has_value());
  EXPECT_EQ(shape->runs.size(), 1024u);
  EXPECT_EQ(MergeRunsIntoRects(shape->runs), (std::vector<Rect>{{0, 0, kMaxMaskSide, 1024}}));
}

// A one-pixel-wide strip is few pixels, so only the side cap stops it.
TEST(HostileMask, SideCapHoldsEvenWhenAllBytesArePresent) {
  for (int32_t side : {kMaxMaskSide, kMaxMaskSide + 1}) {
    for (int32_t sign : {1, -1}) {
      BmpFile bmp;
      bmp.width = 1;
      bmp.height = side * sign;
      bmp.bits = 1;
      bmp.palette = {0, kMagenta};
      bmp.pixels.assign(static_cast<size_t>(side), 0);
      EXPECT_EQ(Accepts(bmp), side == kMaxMaskSide) << bmp.height;
    }
  }
}

TEST(HostileMask, HugeDimensionsWithoutTheBytes) {
  for (auto [w, h] : {std::pair{16384, 16384}, {16384, -16384}, {1, 16384}, {4096, 4096}}) {
    auto bytes = Encode(Valid(32));
    Put32(bytes, 18, static_cast<uint32_t>(w));
    Put32(bytes, 22, static_cast<uint32_t>(h));
    EXPECT_FALSE(Accepts(bytes)) << w << "x" << h;
  }
}

TEST(HostileMask, PlanesOtherThanOne) {
  for (uint16_t planes : {0, 2, 0xFFFF}) {
    BmpFile bmp = Valid();
    bmp.planes = planes;
    EXPECT_FALSE(Accepts(bmp)) << planes;
  }
}

TEST(HostileMask, UnsupportedDepths) {
  for (uint16_t bits : {0, 2, 3, 15, 16, 31, 48, 64, 0xFFFF}) {
    auto bytes = Encode(Valid());
    Put16(bytes, 28, bits);
    EXPECT_FALSE(Accepts(bytes)) << bits;
  }
}

TEST(HostileMask, CompressedOrUnknownPayloads) {
  for (uint16_t bits : {4, 8, 24, 32}) {
    for (uint32_t compression : {1u, 2u, 4u, 5u, 6u, 11u, 0xFFFFFFFFu}) {
      BmpFile bmp = Valid(bits);
      bmp.compression = compression;
      EXPECT_FALSE(Accepts(bmp)) << bits << " bpp, compression " << compression;
    }
  }
}

TEST(HostileMask, BitFieldsOnlyForThirtyTwoBitsWithTheStandardMasks) {
  BmpFile bmp = Valid(32);
  bmp.compression = 3;
  bmp.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  EXPECT_TRUE(Accepts(bmp));
  for (const std::vector<uint32_t>& masks : std::vector<std::vector<uint32_t>>{
           {0x000000FF, 0x0000FF00, 0x00FF0000}, {0xFF000000, 0x00FF0000, 0x0000FF00}, {0, 0, 0}}) {
    bmp.masks = masks;
    EXPECT_FALSE(Accepts(bmp));
  }
  BmpFile rgb16 = Valid(24);
  rgb16.compression = 3;
  rgb16.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  EXPECT_FALSE(Accepts(rgb16));
  // Pixels said to start where the masks after the plain header lie.
  BmpFile overlap = Valid(32);
  overlap.compression = 3;
  overlap.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  overlap.pixel_offset = 14 + 40 + 4;
  overlap.pixels[10] = 0x00FF00;  // the first pixels stored repeat the green and blue masks' bytes
  overlap.pixels[11] = 0x0000FF;
  EXPECT_FALSE(Accepts(overlap));
  // Bit fields announced, but the file ends before the masks that follow the header.
  auto bytes = Encode(Valid(32));
  Put32(bytes, 30, 3);
  bytes.resize(14 + 40 + 8);
  EXPECT_FALSE(Accepts(bytes));
}

TEST(HostileMask, ColourTableLargerThanTheDepthAllows) {
  for (auto [bits, used] :
       {std::pair<uint16_t, uint32_t>{1, 3}, {4, 17}, {8, 257}, {8, 0x40000000}, {8, 0xFFFFFFFF}}) {
    BmpFile bmp = Valid(bits);
    bmp.colours_used = used;
    EXPECT_FALSE(Accepts(bmp)) << bits << " bpp, " << used << " colours";
  }
}

TEST(HostileMask, ColourTableRunningIntoThePixels) {
  BmpFile bmp = Valid(8);
  bmp.pixel_offset = 14 + 40 + 255 * 4;  // one entry short of the 256 the header implies
  EXPECT_FALSE(Accepts(bmp));
}

TEST(HostileMask, PixelIndexPastAShortColourTable) {
  BmpFile bmp = Valid(8);
  bmp.colours_used = 2;
  bmp.palette = {0x000000, kMagenta};
  bmp.pixels[14] = 2;  // the very last pixel read
  EXPECT_FALSE(Accepts(bmp));
  bmp.pixels[14] = 1;
  EXPECT_TRUE(Accepts(bmp));
}

TEST(HostileMask, PixelOffsetOutsideTheFileOrInsideTheHeaders) {
  const auto base = Encode(Valid());
  for (uint32_t offset : {0u, 10u, 53u, static_cast<uint32_t>(base.size()),
                          static_cast<uint32_t>(base.size() - 1), 0x7FFFFFFFu, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
    auto bytes = base;
    Put32(bytes, 10, offset);
    EXPECT_FALSE(Accepts(bytes)) << offset;
  }
}

// Every cut of each header version and of a bit-field file, beyond the depth matrix.
TEST(HostileMask, TruncationsOfEveryHeaderVersion) {
  std::vector<BmpFile> files;
  for (uint32_t header_size : {40u, 52u, 56u, 108u, 124u}) {
    BmpFile bmp = Valid(8);
    bmp.header_size = header_size;
    files.push_back(bmp);
  }
  BmpFile fields = Valid(32);
  fields.compression = 3;
  fields.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  files.push_back(fields);
  for (const BmpFile& bmp : files) {
    const auto bytes = Encode(bmp);
    ASSERT_TRUE(Accepts(bytes));
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      const std::vector<uint8_t> head(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
      EXPECT_FALSE(Accepts(head)) << "header " << bmp.header_size << ", cut at " << cut;
    }
  }
}

// Single-byte damage anywhere in the headers must never crash; ASan/UBSan watch the reads.
TEST(HostileMask, EveryHeaderByteFlippedIsHandled) {
  for (uint16_t bits : {1, 4, 8, 24, 32}) {
    const auto base = Encode(Valid(bits));
    for (size_t at = 0; at < 14 + 40 + 4 * 16 && at < base.size(); ++at) {
      for (uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
        auto bytes = base;
        bytes[at] = value;
        auto shape = ScanMaskBitmap(bytes);
        if (shape) {
          EXPECT_GT(shape->width, 0);
          EXPECT_GT(shape->height, 0);
          for (const skin::Run& run : shape->runs) {
            EXPECT_LT(run.x_begin, run.x_end);
            EXPECT_LE(run.x_end, shape->width);
            EXPECT_LT(run.y, shape->height);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace qs::skin
