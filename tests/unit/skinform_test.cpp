// The mask scan on well-formed files of every supported depth and row order, and the merging of
// runs into region rectangles.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "skinform/bmp_region.h"
#include "tests/unit/skinform_bmp_writer.h"

namespace qs::skin {
namespace {

using testing::BmpFile;
using testing::Encode;
using testing::FromArt;
using testing::kMagenta;

// '.' is the key colour; '#' black and 'n' a colour one step from magenta, both inside. Width 11
// makes every depth pad its rows and puts pixels in the low bits of a byte.
const std::vector<std::string> kArt = {
    "...........", "..###......", "#n........#", "#######n###", ".n.n.n.n.n.",
};
const std::vector<skin::Run> kArtRuns = {
    {1, 2, 5}, {2, 0, 2}, {2, 10, 11}, {3, 0, 11}, {4, 1, 2}, {4, 3, 4}, {4, 5, 6}, {4, 7, 8}, {4, 9, 10},
};

// Palette with the key colour at an index that exercises the depth's bit layout.
BmpFile ArtFile(uint16_t bits, bool top_down) {
  BmpFile bmp;
  bmp.width = 11;
  bmp.height = top_down ? -5 : 5;
  bmp.bits = bits;
  bmp.alpha = 0xFF;
  std::map<char, uint32_t> values;
  if (bits <= 8) {
    bmp.palette.assign(size_t{1} << bits, 0x808080);
    // 1 bpp: a set bit is inside. 4 and 8 bpp: the key sits in the high nibble / a high index.
    const uint32_t key = bits == 1 ? 0 : bits == 4 ? 9 : 200;
    const uint32_t black = bits == 1 ? 1 : 3;
    const uint32_t near = bits == 1 ? 1 : bits == 4 ? 14 : 255;
    bmp.palette[key] = kMagenta;
    bmp.palette[black] = 0x000000;
    bmp.palette[near] = bits == 1 ? 0xFF00FE : 0xFE00FF;
    values = {{'.', key}, {'#', black}, {'n', near}};
  } else {
    values = {{'.', kMagenta}, {'#', 0x000000}, {'n', 0xFF01FF}};
  }
  bmp.pixels = FromArt(kArt, values);
  return bmp;
}

class EveryDepth : public ::testing::TestWithParam<std::tuple<uint16_t, bool>> {};

TEST_P(EveryDepth, FindsTheRunsOfNonKeyPixelsInWindowCoordinates) {
  const auto [bits, top_down] = GetParam();
  auto shape = ScanMaskBitmap(Encode(ArtFile(bits, top_down)));
  ASSERT_TRUE(shape.has_value());
  EXPECT_EQ(shape->width, 11);
  EXPECT_EQ(shape->height, 5);
  EXPECT_EQ(shape->runs, kArtRuns);
}

TEST_P(EveryDepth, ExtraBytesAfterThePixelsAreIgnored) {
  const auto [bits, top_down] = GetParam();
  auto bytes = Encode(ArtFile(bits, top_down));
  bytes.resize(bytes.size() + 100, 0xAB);
  auto shape = ScanMaskBitmap(bytes);
  ASSERT_TRUE(shape.has_value());
  EXPECT_EQ(shape->runs, kArtRuns);
}

// A file cut anywhere, even inside the last row's padding, is refused and never read past.
TEST_P(EveryDepth, EveryTruncationIsRefused) {
  const auto [bits, top_down] = GetParam();
  const auto bytes = Encode(ArtFile(bits, top_down));
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    // A copy of exactly `cut` bytes, so that ASan catches any read past the end.
    const std::vector<uint8_t> head(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
    EXPECT_FALSE(ScanMaskBitmap(head).has_value()) << "cut at " << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(Masks, EveryDepth,
                         ::testing::Combine(::testing::Values<uint16_t>(1, 4, 8, 24, 32), ::testing::Bool()),
                         [](const auto& info) {
                           return std::to_string(std::get<0>(info.param)) + "bpp" +
                                  (std::get<1>(info.param) ? "TopDown" : "BottomUp");
                         });

TEST(MaskHeaders, LaterHeaderVersionsAreReadLikeTheInfoHeader) {
  for (uint32_t header_size : {52u, 56u, 108u, 124u}) {
    for (uint16_t bits : {8, 24}) {
      BmpFile bmp = ArtFile(bits, false);
      bmp.header_size = header_size;
      auto shape = ScanMaskBitmap(Encode(bmp));
      ASSERT_TRUE(shape.has_value()) << header_size << " " << bits;
      EXPECT_EQ(shape->runs, kArtRuns);
    }
  }
}

TEST(MaskHeaders, ThirtyTwoBitsWithStandardBitFieldsInOrAfterTheHeader) {
  for (uint32_t header_size : {40u, 52u, 56u, 108u, 124u}) {
    BmpFile bmp = ArtFile(32, header_size == 108);
    bmp.compression = 3;
    bmp.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    auto shape = ScanMaskBitmap(Encode(bmp));
    ASSERT_TRUE(shape.has_value()) << header_size;
    EXPECT_EQ(shape->runs, kArtRuns);
  }
}

TEST(MaskPixels, AlphaPlaysNoPart) {
  for (uint8_t alpha : {0x00, 0x80, 0xFF}) {
    BmpFile bmp = ArtFile(32, false);
    bmp.alpha = alpha;
    auto shape = ScanMaskBitmap(Encode(bmp));
    ASSERT_TRUE(shape.has_value());
    EXPECT_EQ(shape->runs, kArtRuns);
  }
}

TEST(MaskPixels, ShortColourTableIsHonouredAndEveryKeyEntryIsOutside) {
  BmpFile bmp;
  bmp.width = 6;
  bmp.height = 2;
  bmp.bits = 4;
  bmp.colours_used = 3;
  bmp.palette = {kMagenta, 0x00FF00, kMagenta};  // the pixels follow these three entries directly
  bmp.pixels = {0, 1, 2, 1, 1, 0, 1, 1, 1, 2, 2, 1};
  auto shape = ScanMaskBitmap(Encode(bmp));
  ASSERT_TRUE(shape.has_value());
  EXPECT_EQ(shape->runs, (std::vector<skin::Run>{{0, 1, 2}, {0, 3, 5}, {1, 0, 3}, {1, 5, 6}}));
}

TEST(MaskPixels, PixelsFollowTheGivenOffsetNotTheHeaders) {
  BmpFile bmp = ArtFile(24, false);
  bmp.pixel_offset = 200;  // a gap after the header, as some editors leave
  auto shape = ScanMaskBitmap(Encode(bmp));
  ASSERT_TRUE(shape.has_value());
  EXPECT_EQ(shape->runs, kArtRuns);
}

TEST(MaskPixels, AllKeyGivesAShapeWithoutRunsAndNoKeyGivesFullRows) {
  BmpFile bmp;
  bmp.width = 3;
  bmp.height = 2;
  bmp.pixels.assign(6, kMagenta);
  auto empty = ScanMaskBitmap(Encode(bmp));
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->runs.empty());
  bmp.pixels.assign(6, 0xFFFFFF);
  auto full = ScanMaskBitmap(Encode(bmp));
  ASSERT_TRUE(full.has_value());
  EXPECT_EQ(full->runs, (std::vector<skin::Run>{{0, 0, 3}, {1, 0, 3}}));
}

TEST(MaskPixels, OnePixelMasks) {
  for (uint16_t bits : {1, 4, 8, 24, 32}) {
    BmpFile bmp;
    bmp.width = 1;
    bmp.height = -1;
    bmp.bits = bits;
    if (bits <= 8) {
      bmp.palette = {0x123456, kMagenta};
      bmp.colours_used = 2;
    }
    bmp.pixels = {bits <= 8 ? 0u : 0x123456u};
    auto shape = ScanMaskBitmap(Encode(bmp));
    ASSERT_TRUE(shape.has_value()) << bits;
    EXPECT_EQ(shape->runs, (std::vector<skin::Run>{{0, 0, 1}})) << bits;
  }
}

TEST(RectMerge, IdenticalConsecutiveRowsBecomeOneBand) {
  const std::vector<skin::Run> runs = {
      {0, 1, 3}, {0, 5, 9},  // rows 0..2 alike: one band of two rectangles
      {1, 1, 3}, {1, 5, 9}, {2, 1, 3}, {2, 5, 9}, {3, 1, 3}, {3, 5, 8},  // same count, one edge moved
      {5, 1, 3}, {5, 5, 8},  // same spans as row 3, but row 4 is empty between them
      {6, 0, 4},
  };
  EXPECT_EQ(
      MergeRunsIntoRects(runs),
      (std::vector<Rect>{
          {1, 0, 3, 3}, {5, 0, 9, 3}, {1, 3, 3, 4}, {5, 3, 8, 4}, {1, 5, 3, 6}, {5, 5, 8, 6}, {0, 6, 4, 7}}));
  EXPECT_TRUE(MergeRunsIntoRects({}).empty());
}

TEST(RectMerge, RowsWithMoreOrFewerRunsStartANewBand) {
  const std::vector<skin::Run> runs = {{0, 0, 2}, {1, 0, 2}, {1, 4, 6}, {2, 0, 2}};
  EXPECT_EQ(MergeRunsIntoRects(runs),
            (std::vector<Rect>{{0, 0, 2, 1}, {0, 1, 2, 2}, {4, 1, 6, 2}, {0, 2, 2, 3}}));
}

// The shipped mask is 527 x 500 in 24 bpp (rows padded from 1581 to 1584 bytes); cut corners
// must come out as three bands, not five hundred rows.
TEST(RectMerge, FullSizeMaskWithCutCornersIsThreeRectangles) {
  BmpFile bmp;
  bmp.width = 527;
  bmp.height = 500;
  bmp.pixels.assign(527 * 500, 0x336699);
  for (int y = 0; y < 500; ++y)
    for (int x = 0; x < 527; ++x)
      if ((y < 10 || y >= 490) && (x < 10 || x >= 517)) bmp.pixels[size_t(y) * 527 + size_t(x)] = kMagenta;
  auto shape = ScanMaskBitmap(Encode(bmp));
  ASSERT_TRUE(shape.has_value());
  EXPECT_EQ(shape->runs.size(), 500u);
  EXPECT_EQ(MergeRunsIntoRects(shape->runs),
            (std::vector<Rect>{{10, 0, 517, 10}, {0, 10, 527, 490}, {10, 490, 517, 500}}));
}

}  // namespace
}  // namespace qs::skin
