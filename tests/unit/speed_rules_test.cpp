#include <gtest/gtest.h>

#include "speed/speed_rules.h"

namespace qs::speed {
namespace {

TEST(Level, FollowsThePointerAtSevenPixelsALevelFromX204) {
  struct Case {
    float x;
    int16_t level;
  };
  for (const Case c : {Case{190, 0}, Case{203, 0}, Case{207, 0}, Case{208, 1}, Case{211, 1}, Case{369, 24},
                       Case{372, 24}, Case{390, 24}, Case{211.5f, 1}, Case{218, 2}}) {
    EXPECT_EQ(LevelBetween(204, c.x), c.level) << "x = " << c.x;
  }
}

TEST(Level, HalfWayQuotientsRoundToEven) {
  EXPECT_EQ(LevelBetween(204, 204 + 3.5f), 0);   // 0.5 -> 0
  EXPECT_EQ(LevelBetween(204, 204 + 10.5f), 2);  // 1.5 -> 2
  EXPECT_EQ(LevelBetween(204, 204 + 17.5f), 2);  // 2.5 -> 2
  EXPECT_EQ(LevelBetween(204, 372), 24);         // start-up: the top level
}

TEST(Bands, BoundsAreInclusive) {
  EXPECT_TRUE(kTransportBand.Contains(34, 304));
  EXPECT_TRUE(kTransportBand.Contains(394, 324));
  EXPECT_FALSE(kTransportBand.Contains(33, 310));
  EXPECT_FALSE(kTransportBand.Contains(395, 310));
  EXPECT_FALSE(kTransportBand.Contains(100, 303));
  EXPECT_FALSE(kTransportBand.Contains(100, 325));
  EXPECT_TRUE(kSpeedBand.Contains(190, 435));
  EXPECT_TRUE(kSpeedBand.Contains(390, 465));
  EXPECT_FALSE(kSpeedBand.Contains(189, 450));
  EXPECT_FALSE(kSpeedBand.Contains(300, 434));
  EXPECT_FALSE(kSpeedBand.Contains(391, 450));
  EXPECT_TRUE(kMeterCursorArea.Contains(209, 435));
  EXPECT_TRUE(kMeterCursorArea.Contains(381, 465));
  EXPECT_FALSE(kMeterCursorArea.Contains(385, 450));
  EXPECT_FALSE(kMeterCursorArea.Contains(208, 450));
  EXPECT_TRUE(kClickArea.Contains(204, 415));
  EXPECT_TRUE(kClickArea.Contains(372, 465));
  EXPECT_TRUE(kClickArea.Contains(300, 432));
  EXPECT_FALSE(kClickArea.Contains(373, 440));
  EXPECT_FALSE(kClickArea.Contains(300, 414));
  EXPECT_FALSE(kClickArea.Contains(203, 440));
}

TEST(Transport, ButtonNumberAndOverlayPlace) {
  EXPECT_EQ(TransportButtonAt(34), 1);
  EXPECT_EQ(TransportButtonAt(86), 1);
  EXPECT_EQ(TransportButtonAt(87), 2);
  EXPECT_EQ(TransportButtonAt(394), 7);
  EXPECT_EQ(TransportButtonAt(33), 1) << "truncation toward zero";
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
