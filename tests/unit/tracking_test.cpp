// The pointer tracker's areas at every bound, and the level at the far ends of the coordinates a
// pointer message can carry.
#include <gtest/gtest.h>

#include <cstdint>

#include "speed/speed_rules.h"

namespace qs::speed {
namespace {

struct Area {
  const char* name;
  Band band;
  int left, top, right, bottom;
};

TEST(TrackingAreas, EveryBoundIsInsideAndOnePixelBeyondIsOutside) {
  for (const Area a : {Area{"transport band", kTransportBand, 34, 304, 394, 324},
                       Area{"speed band", kSpeedBand, 190, 435, 390, 465},
                       Area{"meter cursor area", kMeterCursorArea, 209, 435, 381, 465},
                       Area{"click area", kClickArea, 204, 415, 372, 465}}) {
    SCOPED_TRACE(a.name);
    const int mid_x = (a.left + a.right) / 2, mid_y = (a.top + a.bottom) / 2;
    for (int x : {a.left, a.right}) {
      for (int y : {a.top, a.bottom}) EXPECT_TRUE(a.band.Contains(x, y)) << x << "," << y;
    }
    EXPECT_FALSE(a.band.Contains(a.left - 1, mid_y));
    EXPECT_FALSE(a.band.Contains(a.right + 1, mid_y));
    EXPECT_FALSE(a.band.Contains(mid_x, a.top - 1));
    EXPECT_FALSE(a.band.Contains(mid_x, a.bottom + 1));
  }
}

TEST(TrackingAreas, MeterCursorAreaLiesInsideTheSpeedBandAndTheBandsDoNotMeet) {
  for (int x = -5; x <= 530; ++x) {
    for (int y = -5; y <= 505; ++y) {
      if (kMeterCursorArea.Contains(x, y)) {
        ASSERT_TRUE(kSpeedBand.Contains(x, y)) << x << "," << y;
      }
      ASSERT_FALSE(kTransportBand.Contains(x, y) && kSpeedBand.Contains(x, y)) << x << "," << y;
    }
  }
}

TEST(TrackingLevel, ExtremePointerCoordinatesClamp) {
  // Pointer messages carry signed 16-bit coordinates; a captured pointer may be far outside.
  EXPECT_EQ(LevelBetween(204, INT16_MIN), 0);
  EXPECT_EQ(LevelBetween(204, -1), 0);
  EXPECT_EQ(LevelBetween(204, INT16_MAX), 24);
  EXPECT_EQ(LevelBetween(204, 1e30f), 24);
  EXPECT_EQ(LevelBetween(204, -1e30f), 0);
}

TEST(TrackingLevel, EveryLevelCoversSevenPixelsAroundItsCentre) {
  for (int level = 1; level < 24; ++level) {
    const int centre = 204 + 7 * level;
    for (int x = centre - 3; x <= centre + 3; ++x) EXPECT_EQ(LevelBetween(204, x), level) << "x = " << x;
  }
}

}  // namespace
}  // namespace qs::speed
