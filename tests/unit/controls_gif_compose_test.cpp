#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "showcase/gif_animation.h"

namespace qs {
namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kClear = 0;

std::vector<uint32_t> Solid(int w, int h, uint32_t color) {
  return std::vector<uint32_t>(size_t(w) * h, color);
}

uint32_t At(const GifComposer& c, uint32_t width, int x, int y) { return c.canvas()[size_t(y) * width + x]; }

TEST(GifDelay, ZeroAndOneHundredthAreATenthAsInBrowsers) {
  EXPECT_EQ(GifDelayMs(0), 100u);
  EXPECT_EQ(GifDelayMs(1), 100u);
  EXPECT_EQ(GifDelayMs(2), 20u);
  EXPECT_EQ(GifDelayMs(10), 100u);
  EXPECT_EQ(GifDelayMs(65535), 655350u);
}

TEST(GifDisposalField, UnknownValuesKeepTheFrame) {
  EXPECT_EQ(GifDisposalFromField(0), GifDisposal::kKeep);
  EXPECT_EQ(GifDisposalFromField(2), GifDisposal::kBackground);
  EXPECT_EQ(GifDisposalFromField(3), GifDisposal::kPrevious);
  EXPECT_EQ(GifDisposalFromField(7), GifDisposal::kKeep);
}

TEST(GifComposerDisposal, KeepLeavesThePreviousFrameUnderTransparentPixels) {
  GifComposer c(4, 1);
  c.Draw({0, 0, 4, 1}, GifDisposal::kKeep, Solid(4, 1, kRed));
  c.Draw({0, 0, 2, 1}, GifDisposal::kKeep, std::vector<uint32_t>{kGreen, kClear});
  EXPECT_EQ(At(c, 4, 0, 0), kGreen);
  EXPECT_EQ(At(c, 4, 1, 0), kRed);
  EXPECT_EQ(At(c, 4, 3, 0), kRed);
}

TEST(GifComposerDisposal, BackgroundClearsOnlyTheFramesOwnRectangle) {
  GifComposer c(4, 1);
  c.Draw({0, 0, 4, 1}, GifDisposal::kKeep, Solid(4, 1, kRed));
  c.Draw({1, 0, 2, 1}, GifDisposal::kBackground, Solid(2, 1, kGreen));
  EXPECT_EQ(At(c, 4, 1, 0), kGreen);  // disposal happens before the next frame, not now
  c.Draw({3, 0, 1, 1}, GifDisposal::kKeep, Solid(1, 1, kBlue));
  EXPECT_EQ(At(c, 4, 0, 0), kRed);
  EXPECT_EQ(At(c, 4, 1, 0), kClear);
  EXPECT_EQ(At(c, 4, 2, 0), kClear);
  EXPECT_EQ(At(c, 4, 3, 0), kBlue);
}

TEST(GifComposerDisposal, PreviousRestoresTheCanvasAsItWasBeforeTheFrame) {
  GifComposer c(3, 1);
  c.Draw({0, 0, 3, 1}, GifDisposal::kKeep, Solid(3, 1, kRed));
  c.Draw({0, 0, 3, 1}, GifDisposal::kPrevious, Solid(3, 1, kGreen));
  EXPECT_EQ(At(c, 3, 1, 0), kGreen);
  c.Draw({2, 0, 1, 1}, GifDisposal::kKeep, Solid(1, 1, kBlue));
  EXPECT_EQ(At(c, 3, 0, 0), kRed);
  EXPECT_EQ(At(c, 3, 1, 0), kRed);
  EXPECT_EQ(At(c, 3, 2, 0), kBlue);
}

TEST(GifComposerDisposal, PreviousOnTheFirstFrameGoesBackToTransparent) {
  GifComposer c(2, 1);
  c.Draw({0, 0, 2, 1}, GifDisposal::kPrevious, Solid(2, 1, kGreen));
  c.Draw({0, 0, 1, 1}, GifDisposal::kKeep, Solid(1, 1, kBlue));
  EXPECT_EQ(At(c, 2, 0, 0), kBlue);
  EXPECT_EQ(At(c, 2, 1, 0), kClear);
}

TEST(GifComposerHostile, RectanglesOutsideTheScreenAreClipped) {
  GifComposer c(3, 3);
  c.Draw({-1, -1, 2, 2}, GifDisposal::kKeep, std::vector<uint32_t>{kRed, kRed, kRed, kGreen});
  EXPECT_EQ(At(c, 3, 0, 0), kGreen);
  EXPECT_EQ(At(c, 3, 1, 0), kClear);
  c.Draw({2, 2, 5, 1}, GifDisposal::kBackground, Solid(5, 1, kBlue));
  EXPECT_EQ(At(c, 3, 2, 2), kBlue);
  c.Draw({1000, 1000, 1, 1}, GifDisposal::kKeep, Solid(1, 1, kRed));  // disposes the clipped one
  EXPECT_EQ(At(c, 3, 2, 2), kClear);
  EXPECT_EQ(At(c, 3, 0, 0), kGreen);
}

TEST(GifComposerHostile, ExtremeCoordinatesAndWrongPixelCountsDrawNothing) {
  GifComposer c(2, 2);
  const int32_t big = std::numeric_limits<int32_t>::max();
  const int32_t small = std::numeric_limits<int32_t>::min();
  c.Draw({big, big, 1, 1}, GifDisposal::kBackground, Solid(1, 1, kRed));
  c.Draw({small, small, 1, 1}, GifDisposal::kBackground, Solid(1, 1, kRed));
  c.Draw({0, 0, 2, 2}, GifDisposal::kKeep, Solid(1, 1, kRed));  // too few pixels
  c.Draw({0, 0, -2, 2}, GifDisposal::kKeep, Solid(4, 1, kRed));
  c.Draw({0, 0, 0, 0}, GifDisposal::kKeep, {});
  for (uint32_t p : c.canvas()) EXPECT_EQ(p, kClear);
}

// Frames handed out by index, as the open file does; counts what it was asked for.
class FakeFrames : public GifFrameReader {
 public:
  explicit FakeFrames(std::vector<std::vector<uint32_t>> pixels) : pixels_(std::move(pixels)) {}
  bool ReadPixels(size_t index, std::vector<uint32_t>& out) override {
    reads.push_back(index);
    if (pixels_[index].empty()) return false;
    out = pixels_[index];
    return true;
  }
  std::vector<size_t> reads;

 private:
  std::vector<std::vector<uint32_t>> pixels_;
};

TEST(GifPlayhead, ComposesOnwardAndAgainFromTheFirstFrameWhenSeekingBack) {
  GifAnimation animation;
  animation.width = 3;
  animation.height = 1;
  animation.frames = {{{0, 0, 3, 1}, GifDisposal::kKeep, 100},
                      {{1, 0, 1, 1}, GifDisposal::kPrevious, 100},
                      {{2, 0, 1, 1}, GifDisposal::kBackground, 100},
                      {{0, 0, 1, 1}, GifDisposal::kKeep, 100},
                      {{1, 0, 1, 1}, GifDisposal::kKeep, 100}};
  FakeFrames file({Solid(3, 1, kRed), {kGreen}, {kBlue}, {kGreen}, {}});  // the last one is unreadable
  GifPlayhead playhead(animation, file);
  using Canvas = std::vector<uint32_t>;
  EXPECT_EQ(playhead.frame(), SIZE_MAX);
  // A jump ahead composes the frames in between with their disposal.
  EXPECT_EQ(playhead.Seek(2), (Canvas{kRed, kRed, kBlue}));
  EXPECT_EQ(playhead.Seek(3), (Canvas{kGreen, kRed, kClear}));
  EXPECT_EQ(playhead.Seek(4), (Canvas{kGreen, kRed, kClear}));
  EXPECT_EQ(file.reads, (std::vector<size_t>{0, 1, 2, 3, 4}));
  // Back to an earlier frame: nothing of the later frames stays on the canvas.
  EXPECT_EQ(playhead.Seek(1), (Canvas{kRed, kGreen, kRed}));
  EXPECT_EQ(playhead.Seek(0), (Canvas{kRed, kRed, kRed}));
  EXPECT_EQ(playhead.Seek(0), (Canvas{kRed, kRed, kRed}));
  EXPECT_EQ(playhead.Seek(5), (Canvas{kRed, kRed, kRed}));  // past the end: unchanged
  EXPECT_EQ(playhead.frame(), 0u);
  EXPECT_EQ(file.reads, (std::vector<size_t>{0, 1, 2, 3, 4, 0, 1, 0}));
}

TEST(GifComposeOver, TransparentPixelsShowTheColourAndOpaqueOnesStay) {
  const std::vector<uint32_t> pixels{kClear, kRed, 0x80400000};  // the last: half-covering dark red
  std::vector<uint32_t> out(3);
  ComposeOver(pixels, 0x0000FF00, out);
  EXPECT_EQ(out[0], 0xFF00FF00);
  EXPECT_EQ(out[1], kRed);
  EXPECT_EQ(out[2], 0xFF407F00);
  std::vector<uint32_t> wrong(2, 7);
  ComposeOver(pixels, 0, wrong);  // size mismatch: untouched
  EXPECT_EQ(wrong[0], 7u);
}

}  // namespace
}  // namespace qs
