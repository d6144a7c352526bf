#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "showcase/playlist.h"
#include "showcase_fakes.h"

namespace qs::showcase {
namespace {

using ::testing::ElementsAre;
using testing::FakeShowcaseView;
using testing::Journal;

class ShowcaseTest : public ::testing::Test {
 protected:
  // Start-up: movie 1, then Play.
  void StartUp() {
    index = 1;
    show.ShowPlay();
  }
  // Journal entries written since the last call.
  Journal Calls() {
    Journal out(view.journal.begin() + static_cast<long>(seen), view.journal.end());
    seen = view.journal.size();
    return out;
  }
  // Ticks the clock as the window would: only while it runs.
  void Tick(int times = 1) {
    for (int i = 0; i < times; ++i) {
      ASSERT_TRUE(view.Ticking()) << "the clock is stopped";
      show.Tick();
    }
  }
  std::wstring Movie(int n) { return L"C:\\QS\\GIF\\showcase" + std::to_wstring(n) + L".gif"; }

  FakeShowcaseView view;
  int16_t index = 0;
  int16_t ticks = 0;
  int32_t language = 1033;
  Showcase show{view, {index, ticks, language}};
  size_t seen = 0;
};

TEST_F(ShowcaseTest, StartUpPlaysMovieOneOnTheOneSecondClock) {
  StartUp();
  EXPECT_THAT(Calls(), ElementsAre("clock.enable", "clock.interval=1000", "loop=0", "background=-1",
                                   "movie=C:\\QS\\GIF\\showcase1.gif", "description=text 1001", "play"));
  EXPECT_EQ(view.track, L"Track 01 Total: 09");
  EXPECT_TRUE(view.player.visible);
  EXPECT_FALSE(view.frame_visible);
}

TEST_F(ShowcaseTest, EachMovieHasItsOwnFileAndBackground) {
  const int32_t backgrounds[] = {-1, 0, 0, -1, -1, -1, -1, -1, 0};
  for (int16_t n = 1; n <= 9; ++n) {
    index = n;
    show.SelectFlash();
    EXPECT_EQ(view.player.movie, Movie(n));
    EXPECT_EQ(view.player.background, backgrounds[n - 1]) << "movie " << n;
  }
  // The background is set before the movie is assigned.
  EXPECT_THAT(Calls(), ::testing::Contains("background=0"));
  EXPECT_EQ(view.journal[view.journal.size() - 2], "background=0");
}

TEST_F(ShowcaseTest, SelectFlashIgnoresNumbersOutsideThePlaylist) {
  for (int16_t n : {int16_t{0}, int16_t{10}, int16_t{-1}, int16_t{INT16_MIN}, int16_t{INT16_MAX}}) {
    index = n;
    show.SelectFlash();
  }
  EXPECT_TRUE(Calls().empty());
}

TEST_F(ShowcaseTest, FixedDurationMoviesAreLeftOnTickLimitPlusOne) {
  struct Case {
    int16_t movie;
    int limit;
  };
  for (const Case c : {Case{2, 10}, Case{3, 13}, Case{4, 24}, Case{7, 33}, Case{8, 16}}) {
    index = c.movie;
    ticks = 0;
    show.ShowPlay();
    // Whether the player still plays makes no difference to a counted movie.
    view.player.End();
    for (int t = 1; t <= c.limit; ++t) {
      Tick();
      ASSERT_EQ(index, c.movie) << "movie " << c.movie << " left early on tick " << t;
      ASSERT_EQ(ticks, t);
    }
    Tick();
    EXPECT_EQ(index, c.movie + 1) << "movie " << c.movie;
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(view.player.movie, Movie(c.movie + 1));
    EXPECT_EQ(view.track, L"Track 0" + std::to_wstring(c.movie + 1) + L" Total: 09");
  }
}

TEST_F(ShowcaseTest, MoviesThatEndByThemselvesAreLeftOnTheFirstTickAfterTheyStop) {
  for (int16_t n : {int16_t{1}, int16_t{5}, int16_t{6}, int16_t{9}}) {
    index = n;
    show.ShowPlay();
    ticks = 3;  // left over from elsewhere: such movies do not count
    Tick(50);
    ASSERT_EQ(index, n) << "movie " << n << " was left while it played";
    EXPECT_EQ(ticks, 3);
    view.player.End();
    Tick();
    const int next = n == 9 ? 1 : n + 1;
    EXPECT_EQ(index, next);
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(view.player.movie, Movie(next));
  }
  EXPECT_EQ(view.track, L"Track 01 Total: 09");  // after 9 comes 1
}

TEST_F(ShowcaseTest, TheClockRunsThroughTheWholeListAndBackToMovieOne) {
  StartUp();
  // The ended movies run 3 ticks each; the counted ones their limit + 1.
  std::vector<int16_t> order{index};
  int on_movie = 0;
  for (int t = 0; t < 200 && order.size() < 11; ++t) {
    const int16_t before = index;
    if (PlaylistEntryFor(before)->tick_limit == 0 && ++on_movie == 3) view.player.End();
    Tick();
    if (index != before) {
      order.push_back(index);
      on_movie = 0;
      EXPECT_TRUE(view.player.playing) << "the next movie starts by itself";
    }
  }
  EXPECT_THAT(order, ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2));
}

TEST_F(ShowcaseTest, SteppingWrapsAtBothEndsAndResetsTheTickCount) {
  StartUp();
  index = 9;
  ticks = 5;
  show.ShowNext();
  EXPECT_EQ(index, 1);
  EXPECT_EQ(ticks, 0);
  ticks = 5;
  show.ShowPrevious();
  EXPECT_EQ(index, 9);
  EXPECT_EQ(ticks, 0);
  show.ShowPrevious();
  EXPECT_EQ(index, 8);
  show.ShowNext();
  EXPECT_EQ(index, 9);
  ticks = 7;
  show.ShowLast();
  EXPECT_EQ(index, 9);
  EXPECT_EQ(ticks, 0);
  show.ShowFirst();
  ticks = 7;
  show.ShowFirst();
  EXPECT_EQ(index, 1);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(view.player.movie, Movie(1));
  EXPECT_EQ(view.track, L"Track 01 Total: 09");
}

TEST_F(ShowcaseTest, SteppingLoadsTheMovieWithoutPlayOrLoop) {
  StartUp();
  Calls();
  show.ShowNext();
  // The description first, then the movie; the player starts it by itself.
  EXPECT_THAT(Calls(),
              ElementsAre("description=text 1002", "background=0", "movie=C:\\QS\\GIF\\showcase2.gif"));
  EXPECT_TRUE(view.player.playing);
}

TEST_F(ShowcaseTest, TicksCountedBeforeAPauseCarryOnAfterPlay) {
  index = 2;
  show.ShowPlay();
  Tick(4);
  EXPECT_EQ(ticks, 4);
  show.ShowPause();
  EXPECT_FALSE(view.Ticking());
  Calls();
  show.ShowPlay();
  // The movie is assigned again, so it restarts from its beginning.
  EXPECT_THAT(Calls(), ::testing::IsSupersetOf({"movie=C:\\QS\\GIF\\showcase2.gif", "play"}));
  EXPECT_EQ(ticks, 4);
  Tick(6);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(ticks, 10);
  Tick();
  EXPECT_EQ(index, 3);
}

TEST_F(ShowcaseTest, PlayStartsAStoppedClockAtOneSecondAndKeepsARunningOne) {
  StartUp();
  show.ShowStop();
  Calls();
  show.ShowPlay();
  EXPECT_THAT(Calls(), ElementsAre("clock.enable", "clock.interval=1000", "movie.show", "frame.hide",
                                   "description.show", "loop=0", "background=-1",
                                   "movie=C:\\QS\\GIF\\showcase1.gif", "play"));
  // Running at 2 s after a step: Play keeps that interval and the tick count.
  show.ShowPause();
  show.ShowNext();
  EXPECT_EQ(view.interval, 2000u);
  Tick(3);
  Calls();
  show.ShowPlay();
  EXPECT_THAT(Calls(), ::testing::Not(::testing::Contains(::testing::StartsWith("clock."))));
  EXPECT_EQ(view.interval, 2000u);
  EXPECT_EQ(ticks, 3);
}

TEST_F(ShowcaseTest, SteppingStartsAStoppedClockAtTwoSecondsAndKeepsARunningOne) {
  for (auto step :
       {&Showcase::ShowFirst, &Showcase::ShowPrevious, &Showcase::ShowNext, &Showcase::ShowLast}) {
    StartUp();
    show.ShowPause();
    Calls();
    (show.*step)();
    const Journal calls = Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "clock.enable");
    EXPECT_EQ(calls[1], "clock.interval=2000");
    EXPECT_TRUE(view.Ticking());
    EXPECT_EQ(view.interval, 2000u);
    (show.*step)();
    EXPECT_EQ(view.interval, 2000u);
  }
  // A clock that Play started keeps its second.
  show.ShowPause();
  show.ShowPlay();
  EXPECT_EQ(view.interval, 1000u);
  show.ShowNext();
  EXPECT_EQ(view.interval, 1000u);
}

TEST_F(ShowcaseTest, PauseHaltsTheMovieWhereItIs) {
  StartUp();
  Calls();
  show.ShowPause();
  EXPECT_THAT(Calls(), ElementsAre("clock.disable", "clock.interval=0", "stopplay"));
  EXPECT_TRUE(view.player.visible);
  EXPECT_TRUE(view.description_visible);
  EXPECT_EQ(view.track, L"Track 01 Total: 09");
}

TEST_F(ShowcaseTest, StopShowsTheLogoPanelInTheMoviesPlace) {
  StartUp();
  index = 4;
  show.ShowFlashDescription();
  Calls();
  show.ShowStop();
  EXPECT_THAT(Calls(),
              ElementsAre("clock.interval=0", "clock.disable", "stopplay", "rewind", "movie.hide",
                          "logo.hide", "frame.show", "logo.back=16777215", "logo.show", "description.hide"));
  EXPECT_EQ(view.track, L"Track 04 Total: 09");  // kept while stopped
  // Stopping again hides and shows the logo again.
  show.ShowStop();
  EXPECT_THAT(Calls(), ::testing::IsSupersetOf({"logo.hide", "frame.show", "logo.show"}));
}

TEST_F(ShowcaseTest, PauseWhileStoppedLeavesTheLogoPanel) {
  StartUp();
  show.ShowStop();
  index = 6;
  Calls();
  const std::wstring track = view.track;
  show.ShowPause();
  EXPECT_THAT(Calls(), ElementsAre("clock.disable", "clock.interval=0", "stopplay"));
  EXPECT_TRUE(view.frame_visible);
  EXPECT_FALSE(view.player.visible);
  EXPECT_FALSE(view.description_visible);
  EXPECT_EQ(view.track, track);
}

TEST_F(ShowcaseTest, NextAfterStopBringsTheMovieBackOnTheTwoSecondClock) {
  StartUp();
  show.ShowStop();
  Calls();
  show.ShowNext();
  EXPECT_THAT(Calls(), ElementsAre("clock.enable", "clock.interval=2000", "movie.show", "frame.hide",
                                   "description=text 1002", "description.show", "background=0",
                                   "movie=C:\\QS\\GIF\\showcase2.gif"));
  EXPECT_EQ(view.track, L"Track 02 Total: 09");
}

TEST_F(ShowcaseTest, TheDescriptionIsReassignedOnlyWhenItsTrimmedTextDiffers) {
  StartUp();
  const int assigned = view.description_assignments;
  view.description = L"   text 1001  ";
  Tick(3);
  show.ShowPlay();
  EXPECT_EQ(view.description_assignments, assigned);
  EXPECT_EQ(view.description, L"   text 1001  ");
  view.description = L"text 100";
  show.ShowFlashDescription();
  EXPECT_EQ(view.description, L"text 1001");
  EXPECT_EQ(view.description_assignments, assigned + 1);
  // Only blanks are trimmed, not other white space.
  view.description = L"\ttext 1001";
  show.ShowFlashDescription();
  EXPECT_EQ(view.description_assignments, assigned + 2);
}

TEST_F(ShowcaseTest, NothingIsRefreshedWhileTheMovieIsHidden) {
  StartUp();
  view.player.visible = false;
  view.description_visible = false;
  index = 5;
  Calls();
  show.ShowFlashDescription();
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(view.track, L"Track 01 Total: 09");
}

TEST_F(ShowcaseTest, DescriptionsFollowTheLanguage) {
  struct Case {
    int32_t language;
    const wchar_t* text;
  };
  for (const Case c : {Case{1028, L"text 2003"}, Case{2052, L"text 3003"}, Case{1033, L"text 1003"},
                       Case{1041, L"text 1003"}, Case{0, L"text 1003"}, Case{-1, L"text 1003"}}) {
    language = c.language;
    index = 3;
    show.ShowFlashDescription();
    EXPECT_EQ(view.description, c.text) << "language " << c.language;
  }
}

TEST(TrackCaption, ReadsTrackAndTotalWithFixedZeros) {
  EXPECT_EQ(TrackCaption(1), L"Track 01 Total: 09");
  EXPECT_EQ(TrackCaption(9), L"Track 09 Total: 09");
  EXPECT_EQ(TrackCaption(10), L"Track 010 Total: 09");
}

TEST(TrimBlanks, RemovesOnlyLeadingAndTrailingSpaces) {
  EXPECT_EQ(TrimBlanks(L"  a b  "), L"a b");
  EXPECT_EQ(TrimBlanks(L"    "), L"");
  EXPECT_EQ(TrimBlanks(L""), L"");
  EXPECT_EQ(TrimBlanks(L"\ta\n"), L"\ta\n");
}

}  // namespace
}  // namespace qs::showcase
