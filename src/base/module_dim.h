// Module-level state shared across QuietSpin, set up by the start-up sequence.
#pragma once
#include <cstdint>

namespace qs {

inline int32_t LanguageId = 0;     // 1028, 2052 or 1033, chosen once at start-up
inline int16_t SpeedLevel = 0;     // 0..24; the drives get 2 x SpeedLevel + 4
inline int16_t FlashIndex = 0;     // the current showcase movie, 1..9
inline int16_t FlashTicks = 0;     // showcase clock ticks counted on the current movie
inline int32_t WindowWidthPx = 0;  // the window's size at load, imposed on every resize
inline int32_t WindowHeightPx = 0;

}  // namespace qs
