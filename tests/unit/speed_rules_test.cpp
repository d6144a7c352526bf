// The speed selector's geometry: its areas at every bound, the level under the pointer, the
// transport overlay's place and the meter.
#include <gtest/gtest.h>

#include <cstdint>

#include "showcase/transport.h"
#include "speed/speed_rules.h"

namespace qs::speed {
namespace {

TEST(Areas, EveryBoundIsInsideAndOnePixelBeyondIsOutside) {
  for (const Band a : {kTransportBand, kSpeedBand, kMeterCursorArea, kClickArea}) {
    SCOPED_TRACE(testing::Message() << a.left << "," << a.top << " " << a.right << "," << a.bottom);
    const int mid_x = (a.left + a.right) / 2, mid_y = (a.top + a.bottom) / 2;
    for (int x : {a.left, a.right}) {
      for (int y : {a.top, a.bottom}) EXPECT_TRUE(a.Contains(x, y)) << x << "," << y;
    }
    EXPECT_FALSE(a.Contains(a.left - 1, mid_y));
    EXPECT_FALSE(a.Contains(a.right + 1, mid_y));
    EXPECT_FALSE(a.Contains(mid_x, a.top - 1));
    EXPECT_FALSE(a.Contains(mid_x, a.bottom + 1));
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
  for (float x : {float{INT16_MIN}, -1.0f, -1e30f}) EXPECT_EQ(LevelBetween(kLevelOrigin, x), 0) << x;
  for (float x : {float{INT16_MAX}, 1e30f}) EXPECT_EQ(LevelBetween(kLevelOrigin, x), kTopLevel) << x;
}

TEST(Level, EveryLevelCoversSevenPixelsAroundItsCentre) {
  for (int level = 1; level < kTopLevel; ++level) {
    const int centre = kLevelOrigin + kLevelWidth * level;
    for (int x = centre - 3; x <= centre + 3; ++x)
      EXPECT_EQ(LevelBetween(kLevelOrigin, x), level) << "x = " << x;
  }
}

TEST(Level, HalfWayQuotientsRoundToEven) {
  const float half = kLevelWidth / 2.0f;
  EXPECT_EQ(LevelBetween(kLevelOrigin, kLevelOrigin + half), 0);       // 0.5 -> 0
  EXPECT_EQ(LevelBetween(kLevelOrigin, kLevelOrigin + 3 * half), 2);   // 1.5 -> 2
  EXPECT_EQ(LevelBetween(kLevelOrigin, kLevelOrigin + 5 * half), 2);   // 2.5 -> 2
  EXPECT_EQ(LevelBetween(kLevelOrigin, kClickArea.right), kTopLevel);  // start-up
}

TEST(Transport, OverlayPlace) {
  // The button under x is tested with its name (showcase_transport_test.cpp).
  EXPECT_EQ(TransportOverlayLeft(1), 33);
  EXPECT_EQ(TransportOverlayLeft(kTransportButtons), 347);
}

TEST(Meter, GeometryAndColoursByLevel) {
  const auto bars0 = MeterBars(0);
  EXPECT_EQ(bars0[0].x, 214);
  for (int i = 0; i < kBarCount; ++i) {
    if (i > 0) {
      EXPECT_EQ(bars0[i].x - bars0[i - 1].x, kLevelWidth) << i;
    }
    EXPECT_TRUE(kMeterCursorArea.Contains(bars0[i].x, bars0[i].top)) << i;
    EXPECT_EQ(bars0[i].bottom, 462);
    EXPECT_EQ(bars0[i].color, kBarFromLevel) << i;
  }
  // The tops rise one pixel a bar between two flat ends.
  EXPECT_EQ(bars0[0].top, 458);
  EXPECT_EQ(bars0[3].top, 457);
  EXPECT_EQ(bars0[20].top, 440);
  EXPECT_EQ(bars0[21].top, 438);
  EXPECT_EQ(bars0[kBarCount - 1].top, 438);

  const auto bars12 = MeterBars(12);
  EXPECT_EQ(bars12[11].color, kBarBelowLevel);
  EXPECT_EQ(bars12[12].color, kBarFromLevel);
  for (const auto& bar : MeterBars(kTopLevel)) EXPECT_EQ(bar.color, kBarBelowLevel);
}

}  // namespace
}  // namespace qs::speed
