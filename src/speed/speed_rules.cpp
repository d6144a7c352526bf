#include "speed/speed_rules.h"

#include <cmath>

namespace qs::speed {

int16_t LevelBetween(float from, float to) {
  // nearbyint rounds halves to even in the default rounding mode.
  const double q = std::nearbyint((static_cast<double>(to) - static_cast<double>(from)) / kLevelWidth);
  if (q < 0) return 0;
  if (q > kTopLevel) return kTopLevel;
  return static_cast<int16_t>(q);
}

std::array<Bar, kBarCount> MeterBars(int16_t level) {
  std::array<Bar, kBarCount> bars{};
  for (int i = 0; i < kBarCount; ++i) {
    int top = 460 - i;
    if (i <= 2) top = 458;
    if (i >= 21) top = 438;
    bars[i] = Bar{214 + 7 * i, top, 462, i < level ? kBarBelowLevel : kBarFromLevel};
  }
  return bars;
}

}  // namespace qs::speed
