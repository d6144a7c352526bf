#include <gtest/gtest.h>

#include "showcase/frame_clock.h"

namespace qs {
namespace {

FrameClock Loaded(std::vector<uint32_t> delays, bool loop = false) {
  FrameClock clock;
  clock.Load(std::move(delays));
  clock.SetLoop(loop);
  return clock;
}

TEST(FrameClockSchedule, EachFrameShowsForItsOwnDelay) {
  FrameClock clock = Loaded({100, 250, 50});
  clock.Play(1000);
  EXPECT_FALSE(clock.Advance(1099));
  EXPECT_EQ(clock.frame(), 0u);
  EXPECT_TRUE(clock.Advance(1100));
  EXPECT_EQ(clock.frame(), 1u);
  EXPECT_FALSE(clock.Advance(1349));
  EXPECT_TRUE(clock.Advance(1350));
  EXPECT_EQ(clock.frame(), 2u);
  EXPECT_EQ(clock.NextChangeIn(1360), 40u);
}

TEST(FrameClockSchedule, DelaysLearnedLaterKeepTheFrameOnScreenAndItsTime) {
  FrameClock clock = Loaded({100, 1, 1});  // only the first frame's delay is known yet
  clock.Play(1000);
  clock.SetDelays({100, 250});  // a different count: ignored
  clock.SetDelays({100, 250, 50});
  EXPECT_EQ(clock.frame(), 0u);
  EXPECT_EQ(clock.NextChangeIn(1040), 60u);
  EXPECT_TRUE(clock.Advance(1100));
  EXPECT_FALSE(clock.Advance(1349));
  EXPECT_TRUE(clock.Advance(1350));
  EXPECT_EQ(clock.frame(), 2u);
}

TEST(FrameClockSchedule, LateTicksDoNotStretchTheAnimation) {
  FrameClock clock = Loaded({100, 100, 100, 100});
  clock.Play(0);
  clock.Advance(130);  // a tick 30 ms late
  EXPECT_EQ(clock.frame(), 1u);
  EXPECT_EQ(clock.NextChangeIn(130), 70u);  // frame 2 is still due at 200
  clock.Advance(250);                       // late again
  EXPECT_EQ(clock.NextChangeIn(250), 50u);
  clock.Advance(390);  // the tick at 300 never came: frame 3 is due since then
  EXPECT_EQ(clock.frame(), 3u);
  EXPECT_EQ(clock.NextChangeIn(390), 10u);
  EXPECT_EQ(clock.NextChangeIn(420), 0u);  // overdue: the end of the run is due at once
}

TEST(FrameClockEnd, NonLoopingRunEndsAfterTheLastFrameHasShownItsDelay) {
  FrameClock clock = Loaded({100, 100, 100});
  clock.Play(0);
  clock.Advance(299);
  EXPECT_TRUE(clock.playing());
  EXPECT_EQ(clock.frame(), 2u);
  EXPECT_FALSE(clock.Advance(300));  // the last frame stays on screen
  EXPECT_FALSE(clock.playing());
  EXPECT_TRUE(clock.ended());
  EXPECT_EQ(clock.frame(), 2u);
  EXPECT_EQ(clock.NextChangeIn(300), std::nullopt);
}

TEST(FrameClockEnd, ALongStallEndsTheRunWithoutGoingRound) {
  FrameClock clock = Loaded({10, 10});
  clock.Play(0);
  clock.Advance(1'000'000);
  EXPECT_FALSE(clock.playing());
  EXPECT_EQ(clock.frame(), 1u);
}

TEST(FrameClockEnd, PlayAfterTheEndStartsAgainFromTheFirstFrame) {
  FrameClock clock = Loaded({100, 100});
  clock.Play(0);
  clock.Advance(200);
  ASSERT_TRUE(clock.ended());
  clock.Play(500);
  EXPECT_TRUE(clock.playing());
  EXPECT_EQ(clock.frame(), 0u);
  EXPECT_EQ(clock.NextChangeIn(500), 100u);
}

TEST(FrameClockLoop, WrapsToTheFirstFrame) {
  FrameClock clock = Loaded({100, 100, 100}, true);
  clock.Play(0);
  clock.Advance(300);
  EXPECT_EQ(clock.frame(), 0u);
  EXPECT_TRUE(clock.playing());
  clock.Advance(450);
  EXPECT_EQ(clock.frame(), 1u);
}

TEST(FrameClockLoop, SkipsWholeRoundsAfterALongStallAndKeepsThePhase) {
  FrameClock clock = Loaded({100, 200}, true);  // a round is 300 ms
  clock.Play(0);
  clock.Advance(3'000'000'150);  // 150 ms into a round: frame 1 since 100, next change at 300
  EXPECT_EQ(clock.frame(), 1u);
  EXPECT_EQ(clock.NextChangeIn(3'000'000'150), 150u);
}

TEST(FrameClockLoop, ASingleFrameNeverAsksToBeWoken) {
  FrameClock clock = Loaded({100}, true);
  clock.Play(0);
  EXPECT_EQ(clock.NextChangeIn(0), std::nullopt);
  EXPECT_FALSE(clock.Advance(10'000));
  EXPECT_TRUE(clock.playing());
}

TEST(FrameClockLoop, ZeroDelaysStillTakeTimeToGoRound) {
  FrameClock clock = Loaded({0, 0, 0}, true);
  clock.Play(0);
  EXPECT_EQ(clock.NextChangeIn(0), 1u);
  clock.Advance(1'000'000);  // must return, not spin
  EXPECT_LT(clock.frame(), 3u);
}

TEST(FrameClockControl, StopHoldsTheFrameAndPlayResumesWithTheTimeLeft) {
  FrameClock clock = Loaded({100, 100, 100});
  clock.Play(0);
  clock.Stop(130);  // on frame 1, shown for 30 ms
  EXPECT_FALSE(clock.playing());
  EXPECT_FALSE(clock.ended());
  EXPECT_EQ(clock.frame(), 1u);
  EXPECT_FALSE(clock.Advance(5000));
  EXPECT_EQ(clock.NextChangeIn(5000), std::nullopt);
  clock.Play(5000);
  EXPECT_EQ(clock.NextChangeIn(5000), 70u);
}

TEST(FrameClockControl, StopCatchesUpWithFramesThatFellDueBeforeIt) {
  FrameClock clock = Loaded({100, 100, 100});
  clock.Play(0);
  clock.Stop(250);  // no tick ran since the start
  EXPECT_EQ(clock.frame(), 2u);
}

TEST(FrameClockControl, RewindGoesToTheFirstFrameAndKeepsTheRunningState) {
  FrameClock running = Loaded({100, 100, 100});
  running.Play(0);
  running.Advance(150);
  running.Rewind(150);
  EXPECT_EQ(running.frame(), 0u);
  EXPECT_TRUE(running.playing());
  EXPECT_EQ(running.NextChangeIn(150), 100u);

  FrameClock ended = Loaded({100, 100});
  ended.Play(0);
  ended.Advance(500);
  ended.Rewind(500);
  EXPECT_EQ(ended.frame(), 0u);
  EXPECT_FALSE(ended.playing());
  EXPECT_FALSE(ended.ended());
}

TEST(FrameClockControl, NothingLoadedNeverPlays) {
  FrameClock clock;
  clock.Play(0);
  EXPECT_FALSE(clock.playing());
  EXPECT_FALSE(clock.Advance(100));
  clock.Stop(100);
  clock.Rewind(100);
  EXPECT_EQ(clock.frame(), 0u);
  EXPECT_EQ(clock.NextChangeIn(100), std::nullopt);
}

TEST(FrameClockControl, LoadingReplacesTheRunAndHalts) {
  FrameClock clock = Loaded({100, 100, 100});
  clock.Play(0);
  clock.Advance(150);
  clock.Load({50, 50});
  EXPECT_EQ(clock.frame(), 0u);
  EXPECT_EQ(clock.frame_count(), 2u);
  EXPECT_FALSE(clock.playing());
}

}  // namespace
}  // namespace qs
