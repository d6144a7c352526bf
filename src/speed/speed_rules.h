// The speed selector's geometry: bands of the window surface, the level under the pointer,
// and the 24-bar meter's working layout and colours. All bounds are inclusive, in client pixels.
#pragma once
#include <array>
#include <cstdint>

namespace qs::speed {

struct Band {
  int left, top, right, bottom;
  constexpr bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

inline constexpr Band kSpeedBand{190, 435, 390, 465};
inline constexpr Band kMeterCursorArea{209, 435, 381, 465};
inline constexpr Band kClickArea{204, 415, 372, 465};

// The level under the pointer is counted in steps of 7 pixels from the click area's left edge.
inline constexpr int kLevelOrigin = kClickArea.left;
inline constexpr int kLevelWidth = 7;
inline constexpr int kBarCount = 24;
// The top level is the click area's width in levels: 168 / 7 = 24.
inline constexpr int16_t kTopLevel = (kClickArea.right - kClickArea.left) / kLevelWidth;
static_assert(kTopLevel == 24);
// The x at which the top level begins: the meter's start-up position.
inline constexpr int kTopLevelX = kLevelOrigin + kTopLevel * kLevelWidth;

// round((to - from) / 7), halves to even, clamped to 0..24.
int16_t LevelBetween(float from, float to);

struct Bar {
  int x, top, bottom;  // a vertical line from (x, top) to (x, bottom)
  uint32_t color;      // 0x00BBGGRR
};
inline constexpr uint32_t kBarBelowLevel = 0x00000000;
inline constexpr uint32_t kBarFromLevel = 0x00CC8D2F;  // RGB 47, 141, 204
inline constexpr int kBarWidth = 3;

// The meter as drawn for `level`: bar i black below the level, blue from it on.
std::array<Bar, kBarCount> MeterBars(int16_t level);

}  // namespace qs::speed
