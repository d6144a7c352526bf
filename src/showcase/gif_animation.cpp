#include "showcase/gif_animation.h"

#include <algorithm>

namespace qs {
namespace {

// src over dst, both premultiplied.
uint32_t Over(uint32_t src, uint32_t dst) {
  const uint32_t alpha = src >> 24;
  if (alpha == 0xFF) return src;
  if (alpha == 0) return dst;
  const uint32_t keep = 255 - alpha;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t s = (src >> shift) & 0xFF;
    const uint32_t d = (dst >> shift) & 0xFF;
    out |= std::min<uint32_t>(255, s + (d * keep + 127) / 255) << shift;
  }
  return out;
}

struct Clipped {
  int32_t x0, y0, x1, y1;  // canvas coordinates, half-open
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

Clipped Clip(const GifFrameRect& rect, uint32_t width, uint32_t height) {
  // 64-bit sums: a hostile rectangle may sit near the ends of the 32-bit range.
  const int64_t x1 = std::min<int64_t>(int64_t{rect.left} + std::max(rect.width, 0), width);
  const int64_t y1 = std::min<int64_t>(int64_t{rect.top} + std::max(rect.height, 0), height);
  return Clipped{std::max(rect.left, 0), std::max(rect.top, 0),
                 static_cast<int32_t>(std::max<int64_t>(x1, 0)),
                 static_cast<int32_t>(std::max<int64_t>(y1, 0))};
}

}  // namespace

uint32_t GifDelayMs(uint32_t centiseconds) { return centiseconds <= 1 ? 100 : centiseconds * 10; }

GifDisposal GifDisposalFromField(uint32_t field) {
  switch (field) {
    case 2:
      return GifDisposal::kBackground;
    case 3:
      return GifDisposal::kPrevious;
    default:
      return GifDisposal::kKeep;  // 0, 1 and the undefined values 4..7
  }
}

GifComposer::GifComposer(uint32_t width, uint32_t height)
    : width_(width), height_(height), canvas_(size_t{width} * height, 0) {}

void GifComposer::Reset() {
  std::fill(canvas_.begin(), canvas_.end(), 0u);
  saved_.clear();
  last_rect_ = {};
  last_disposal_ = GifDisposal::kKeep;
}

void GifComposer::Dispose() {
  if (last_disposal_ == GifDisposal::kBackground) {
    const Clipped area = Clip(last_rect_, width_, height_);
    for (int32_t y = area.y0; y < area.y1; ++y) {
      std::fill_n(canvas_.begin() + y * size_t{width_} + area.x0, area.x1 - area.x0, 0u);
    }
  } else if (last_disposal_ == GifDisposal::kPrevious && !saved_.empty()) {
    canvas_ = saved_;
  }
}

void GifComposer::Draw(const GifFrameRect& rect, GifDisposal disposal, std::span<const uint32_t> pixels) {
  Dispose();
  if (disposal == GifDisposal::kPrevious) saved_ = canvas_;
  last_rect_ = rect;
  last_disposal_ = disposal;
  if (rect.width <= 0 || rect.height <= 0) return;
  if (pixels.size() != static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height)) return;
  const Clipped area = Clip(rect, width_, height_);
  if (area.empty()) return;
  for (int32_t y = area.y0; y < area.y1; ++y) {
    const uint32_t* src = pixels.data() + size_t(y - rect.top) * rect.width + (area.x0 - rect.left);
    uint32_t* dst = canvas_.data() + size_t{width_} * y + area.x0;
    for (int32_t x = area.x0; x < area.x1; ++x, ++src, ++dst) *dst = Over(*src, *dst);
  }
}

std::vector<uint32_t> GifAnimation::delays_ms() const {
  std::vector<uint32_t> delays;
  delays.reserve(frames.size());
  for (const GifFrameInfo& frame : frames) delays.push_back(frame.delay_ms);
  return delays;
}

GifPlayhead::GifPlayhead(const GifAnimation& animation, GifFrameReader& reader)
    : animation_(animation), reader_(reader), composer_(animation.width, animation.height) {}

const std::vector<uint32_t>& GifPlayhead::Seek(size_t index) {
  if (index >= animation_.frames.size() || index == frame_) return composer_.canvas();
  size_t next = frame_ + 1;
  if (frame_ == SIZE_MAX || index < frame_) {
    composer_.Reset();
    next = 0;
  }
  for (; next <= index; ++next) {
    const GifFrameInfo& info = animation_.frames[next];
    if (!reader_.ReadPixels(next, pixels_)) pixels_.clear();
    composer_.Draw(info.rect, info.disposal, pixels_);
  }
  frame_ = index;
  return composer_.canvas();
}

void ComposeOver(std::span<const uint32_t> pixels, uint32_t rgb, std::span<uint32_t> out) {
  if (pixels.size() != out.size()) return;
  const uint32_t opaque = 0xFF000000u | (rgb & 0x00FFFFFFu);
  std::transform(pixels.begin(), pixels.end(), out.begin(), [opaque](uint32_t p) { return Over(p, opaque); });
}

}  // namespace qs
