// libFuzzer entry point for the mask scan. Besides memory safety (ASan/UBSan), it checks what the
// region builder relies on: runs inside the mask, ordered, never touching within a row, and the
// merged rectangles covering exactly the pixels of the runs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "skinform/bmp_region.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckShape(const qs::skin::MaskShape& shape) {
  Require(shape.width > 0 && shape.width <= qs::skin::kMaxMaskSide);
  Require(shape.height > 0 && shape.height <= qs::skin::kMaxMaskSide);
  int64_t run_pixels = 0;
  const qs::skin::Run* previous = nullptr;
  for (const qs::skin::Run& run : shape.runs) {
    Require(run.y >= 0 && run.y < shape.height);
    Require(run.x_begin >= 0 && run.x_begin < run.x_end && run.x_end <= shape.width);
    if (previous != nullptr) {
      Require(previous->y < run.y || (previous->y == run.y && previous->x_end < run.x_begin));
    }
    run_pixels += run.x_end - run.x_begin;
    previous = &run;
  }
  int64_t rect_pixels = 0;
  for (const qs::skin::Rect& rect : qs::skin::MergeRunsIntoRects(shape.runs)) {
    Require(rect.left < rect.right && rect.top < rect.bottom);
    rect_pixels += int64_t{rect.right - rect.left} * (rect.bottom - rect.top);
  }
  Require(rect_pixels == run_pixels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto shape = qs::skin::ScanMaskBitmap(std::span<const uint8_t>(data, size));
  if (shape) CheckShape(*shape);
  return 0;
}
