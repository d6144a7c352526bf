// Window outline from a mask bitmap, without any window system: the BMP file is parsed from its
// bytes and every pixel that is not the key colour (pure magenta) belongs to the window.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qs::skin {

// Largest mask accepted. The real mask is 527 x 500; the caps keep a hostile file from making us
// allocate gigabytes of runs.
inline constexpr int32_t kMaxMaskSide = 16384;
inline constexpr int64_t kMaxMaskPixels = int64_t{1} << 24;

// Pixels [x_begin, x_end) of row y belong to the window. Window coordinates: origin top-left.
struct Run {
  int32_t y = 0;
  int32_t x_begin = 0;
  int32_t x_end = 0;
  friend bool operator==(const Run&, const Run&) = default;
};

// Half-open rectangle [left, right) x [top, bottom), the layout of a Win32 RECT.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct MaskShape {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Run> runs;  // sorted by y, then x; runs of one row never touch
};

// Parses a BMP file (BITMAPINFOHEADER, V2..V5 headers; 1, 4, 8 bpp with a colour table, 24 bpp,
// 32 bpp plain or with the standard bit fields; bottom-up or top-down). Anything malformed,
// truncated, compressed or larger than the caps gives nullopt; nothing outside `bytes` is read.
std::optional<MaskShape> ScanMaskBitmap(std::span<const uint8_t> bytes);

// Joins consecutive rows with identical runs into rectangles, so that a region keeps one
// rectangle per horizontal band instead of one per row. The result is in y-x banded order (sorted
// by top, then left; rectangles of one band share top and bottom), as region data wants it.
// `runs` must be ordered as ScanMaskBitmap returns them.
std::vector<Rect> MergeRunsIntoRects(const std::vector<Run>& runs);

}  // namespace qs::skin
