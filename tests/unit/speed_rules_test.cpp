// The speed selector's geometry: its areas at every bound, the level under the pointer, the
// transport overlay's place and the meter.
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

TEST(Areas, EveryBoundIsInsideAndOnePixelBeyondIsOutside) {
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

TEST(Areas, MeterCursorAreaLiesInsideTheSpeedBandAndTheBandsDoNotMeet) {
  for (int x = -5; x <= 530; ++x) {
    for (int y = -5; y <= 505; ++y) {
      if (kMeterCursorArea.Contains(x, y)) {
        ASSERT_TRUE(kSpeedBand.Contains(x, y)) << x << "," << y;
      }
      ASSERT_FALSE(kTransportBand.Contains(x, y) && kSpeedBand.Contains(x, y)) << x << "," << y;
    }
  }
}

TEST(Level, ExtremePointerCoordinatesClamp) {
  // Pointer messages carry signed 16-bit coordinates; a captured pointer may be far outside.
  EXPECT_EQ(LevelBetween(204, INT16_MIN), 0);
  EXPECT_EQ(LevelBetween(204, -1), 0);
  EXPECT_EQ(LevelBetween(204, INT16_MAX), 24);
  EXPECT_EQ(LevelBetween(204, 1e30f), 24);
  EXPECT_EQ(LevelBetween(204, -1e30f), 0);
}

TEST(Level, EveryLevelCoversSevenPixelsAroundItsCentre) {
  for (int level = 1; level < 24; ++level) {
    const int centre = 204 + 7 * level;
    for (int x = centre - 3; x <= centre + 3; ++x) EXPECT_EQ(LevelBetween(204, x), level) << "x = " << x;
  }
}

TEST(Level, HalfWayQuotientsRoundToEven) {
  EXPECT_EQ(LevelBetween(204, 204 + 3.5f), 0);   // 0.5 -> 0
  EXPECT_EQ(LevelBetween(204, 204 + 10.5f), 2);  // 1.5 -> 2
  EXPECT_EQ(LevelBetween(204, 204 + 17.5f), 2);  // 2.5 -> 2
  EXPECT_EQ(LevelBetween(204, 372), 24);         // start-up: the top level
}

TEST(Transport, OverlayPlace) {
  // The button under x is tested with its name (showcase_transport_test.cpp).
  EXPECT_EQ(TransportOverlayLeft(1), 33);
  EXPECT_EQ(TransportOverlayLeft(7), 347);
}

TEST(Meter, GeometryAndColoursByLevel) {
  const auto bars0 = MeterBars(0);
  for (int i = 0; i < kBarCount; ++i) {
    EXPECT_EQ(bars0[i].x, 214 + 7 * i);
    EXPECT_EQ(bars0[i].bottom, 462);
    EXPECT_EQ(bars0[i].color, kBarFromLevel) << i;
  }
  EXPECT_EQ(bars0[0].top, 458);
  EXPECT_EQ(bars0[2].top, 458);
  EXPECT_EQ(bars0[3].top, 457);
  EXPECT_EQ(bars0[20].top, 440);
  EXPECT_EQ(bars0[21].top, 438);
  EXPECT_EQ(bars0[23].top, 438);

  const auto bars1 = MeterBars(1);
  EXPECT_EQ(bars1[0].color, kBarBelowLevel);
  EXPECT_EQ(bars1[1].color, kBarFromLevel);
  const auto bars12 = MeterBars(12);
  EXPECT_EQ(bars12[11].color, kBarBelowLevel);
  EXPECT_EQ(bars12[12].color, kBarFromLevel);
  for (const auto& bar : MeterBars(24)) EXPECT_EQ(bar.color, kBarBelowLevel);
}

}  // namespace
}  // namespace qs::speed
