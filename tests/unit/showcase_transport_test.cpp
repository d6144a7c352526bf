#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "showcase/playlist.h"
#include "showcase/transport.h"
#include "showcase_fakes.h"

namespace qs::showcase {
namespace {

using ::testing::ElementsAre;

const char* RoutineName(Routine r) {
  switch (r) {
    case Routine::kFirst:
      return "ShowFirst";
    case Routine::kPrevious:
      return "ShowPrevious";
    case Routine::kPlay:
      return "ShowPlay";
    case Routine::kPause:
      return "ShowPause";
    case Routine::kStop:
      return "ShowStop";
    case Routine::kNext:
      return "ShowNext";
    case Routine::kLast:
      return "ShowLast";
  }
  return "?";
}

// Records what the strip asks of frmMain; a routine can be forwarded to a showcase.
class RecordingStrip : public TransportView {
 public:
  void Run(Routine routine) override {
    calls.push_back(RoutineName(routine));
    if (showcase) RunRoutine(*showcase, routine);
  }
  void SetButtonPicture(std::wstring_view literal) override { calls.push_back("button " + Narrow(literal)); }
  void HideButton() override { calls.push_back("button hide"); }
  void SetOngoingPicture(std::wstring_view literal) override {
    calls.push_back("ongoing " + Narrow(literal));
  }
  void MoveOngoing(int left, int top) override {
    calls.push_back("ongoing at " + std::to_string(left) + "," + std::to_string(top));
  }
  void ShowOngoing() override { calls.push_back("ongoing show"); }
  void SetTrackVisible(bool visible) override {
    track_visible = visible;
    calls.push_back(visible ? "track show" : "track hide");
  }
  void SetPlayState(int16_t state) override {
    play_state = state;
    calls.push_back("PlayState " + std::to_string(state));
  }

  static std::string Narrow(std::wstring_view w) { return std::string(w.begin(), w.end()); }

  std::vector<std::string> calls;
  Showcase* showcase = nullptr;
  bool track_visible = true;
  int16_t play_state = 1;
};

constexpr int kStripY = 314;

TEST(ButtonName, NamesTheButtonUnderX) {
  struct Case {
    int32_t x;
    const wchar_t* name;
  };
  for (const Case c : {Case{34, L"FIRST"}, Case{86, L"FIRST"}, Case{87, L"PREVIOUS"}, Case{139, L"PREVIOUS"},
                       Case{140, L"PLAY"}, Case{192, L"PLAY"}, Case{193, L"PAUSE"}, Case{245, L"PAUSE"},
                       Case{246, L"STOP"}, Case{298, L"STOP"}, Case{299, L"NEXT"}, Case{351, L"NEXT"},
                       Case{352, L"LAST"}, Case{394, L"LAST"}, Case{404, L"LAST"}}) {
    EXPECT_EQ(ButtonName(c.x), c.name) << "x = " << c.x;
  }
}

TEST(ButtonName, TruncatesTowardZeroAndIsEmptyBeyondTheSevenButtons) {
  // Up to 52 pixels left of the strip still give button 1.
  EXPECT_EQ(ButtonName(33), L"FIRST");
  EXPECT_EQ(ButtonName(-18), L"FIRST");
  EXPECT_EQ(ButtonName(-19), L"");
  EXPECT_EQ(ButtonName(405), L"");
  EXPECT_EQ(ButtonName(INT32_MAX), L"");
  EXPECT_EQ(ButtonName(INT32_MIN), L"");
}

TEST(ButtonAt, OnlyTheBandCounts) {
  EXPECT_EQ(ButtonAt(33, kStripY), L"");
  EXPECT_EQ(ButtonAt(34, kStripY), L"FIRST");
  EXPECT_EQ(ButtonAt(86, kStripY), L"FIRST");
  EXPECT_EQ(ButtonAt(87, kStripY), L"PREVIOUS");
  EXPECT_EQ(ButtonAt(394, kStripY), L"LAST");
  EXPECT_EQ(ButtonAt(395, kStripY), L"");
  EXPECT_EQ(ButtonAt(200, 303), L"");
  EXPECT_EQ(ButtonAt(200, 304), L"PAUSE");
  EXPECT_EQ(ButtonAt(200, 324), L"PAUSE");
  EXPECT_EQ(ButtonAt(200, 325), L"");
  EXPECT_EQ(ButtonAt(INT32_MIN, INT32_MIN), L"");
  EXPECT_EQ(ButtonAt(INT32_MAX, kStripY), L"");
}

TEST(Release, SteppingButtonsKeepTheirLookAndLightPlay) {
  struct Case {
    int32_t x;
    const char* routine;
    const char* picture;
  };
  for (const Case c : {Case{34, "ShowFirst", "first_go"}, Case{86, "ShowFirst", "first_go"},
                       Case{87, "ShowPrevious", "previous_go"}, Case{320, "ShowNext", "next_go"},
                       Case{394, "ShowLast", "last_go"}}) {
    RecordingStrip strip;
    ReleaseAt(strip, kLeftButton, c.x, kStripY);
    EXPECT_THAT(strip.calls, ElementsAre(c.routine, std::string("button \\GIF\\") + c.picture + ".jpg",
                                         "ongoing \\GIF\\play_go.jpg", "ongoing at 138,306", "ongoing show",
                                         "track show", "PlayState 1"))
        << "x = " << c.x;
  }
}

TEST(Release, ModeButtonsHidePicButtonAndLightThemselves) {
  RecordingStrip strip;
  ReleaseAt(strip, kLeftButton, 160, 304);
  EXPECT_THAT(strip.calls, ElementsAre("ShowPlay", "button hide", "ongoing \\GIF\\play_go.jpg",
                                       "ongoing at 138,306", "ongoing show", "track show", "PlayState 1"));
  strip.calls.clear();
  ReleaseAt(strip, kLeftButton, 193, 324);
  EXPECT_THAT(strip.calls, ElementsAre("ShowPause", "button hide", "ongoing \\GIF\\pause_go.jpg",
                                       "ongoing at 191,306", "ongoing show", "track show", "PlayState 2"));
  strip.calls.clear();
  ReleaseAt(strip, kLeftButton, 298, 310);
  EXPECT_THAT(strip.calls, ElementsAre("ShowStop", "button hide", "ongoing \\GIF\\stop_go.jpg",
                                       "ongoing at 243,306", "ongoing show", "track hide", "PlayState 3"));
}

TEST(Release, OutsideTheBandOrWithAnotherButtonNothingHappens) {
  RecordingStrip strip;
  ReleaseAt(strip, kLeftButton, 33, kStripY);
  ReleaseAt(strip, kLeftButton, 395, kStripY);
  ReleaseAt(strip, kLeftButton, 200, 303);
  ReleaseAt(strip, kLeftButton, 200, 325);
  ReleaseAt(strip, kLeftButton, INT32_MIN, INT32_MAX);
  for (int button : {0, 2, 3, 4, -1}) ReleaseAt(strip, button, 200, kStripY);
  EXPECT_TRUE(strip.calls.empty());
}

TEST(Press, ShowsThePressedPictureOfTheButtonUnderThePointerOnly) {
  RecordingStrip strip;
  PressAt(strip, kLeftButton, 86, 304);
  PressAt(strip, kLeftButton, 87, 324);
  PressAt(strip, kLeftButton, 394, kStripY);
  PressAt(strip, kLeftButton, 250, kStripY);
  PressAt(strip, kLeftButton, 33, kStripY);
  PressAt(strip, kLeftButton, 395, kStripY);
  PressAt(strip, kLeftButton, 100, 303);
  PressAt(strip, kLeftButton, 100, 325);
  PressAt(strip, 2, 100, kStripY);
  PressAt(strip, 4, 100, kStripY);
  EXPECT_THAT(strip.calls, ElementsAre("button \\GIF\\first_click.jpg", "button \\GIF\\previous_click.jpg",
                                       "button \\GIF\\last_click.jpg", "button \\GIF\\stop_click.jpg"));
}

// The strip and the showcase together, as frmMain wires them.
class StripWithShowcase : public ::testing::Test {
 protected:
  void SetUp() override {
    strip.showcase = &show;
    index = 1;
    show.ShowPlay();
  }
  testing::FakeShowcaseView view;
  int16_t index = 0, ticks = 0;
  int32_t language = 1033;
  Showcase show{view, {index, ticks, language}};
  RecordingStrip strip;
};

TEST_F(StripWithShowcase, PressOnPlayDraggedToNextRunsNext) {
  PressAt(strip, kLeftButton, 160, kStripY);
  EXPECT_EQ(index, 1);
  ReleaseAt(strip, kLeftButton, 320, kStripY);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(view.track, L"Track 02 Total: 09");
  EXPECT_THAT(strip.calls, ::testing::Contains("button \\GIF\\next_go.jpg"));
}

TEST_F(StripWithShowcase, StopThenPauseLightsPauseWhileTheShowcaseStaysStopped) {
  ReleaseAt(strip, kLeftButton, 250, kStripY);
  EXPECT_EQ(strip.play_state, kPlayStateStop);
  EXPECT_FALSE(strip.track_visible);
  EXPECT_TRUE(view.frame_visible);
  ReleaseAt(strip, kLeftButton, 200, kStripY);
  EXPECT_EQ(strip.play_state, kPlayStatePause);
  EXPECT_TRUE(strip.track_visible);
  EXPECT_TRUE(view.frame_visible);
  EXPECT_FALSE(view.player.visible);
  EXPECT_FALSE(view.Ticking());
  // Play brings the movie back from its beginning.
  ReleaseAt(strip, kLeftButton, 150, kStripY);
  EXPECT_EQ(strip.play_state, kPlayStatePlay);
  EXPECT_FALSE(view.frame_visible);
  EXPECT_TRUE(view.player.visible);
  EXPECT_TRUE(view.player.playing);
  EXPECT_EQ(view.interval, 1000u);
}

}  // namespace
}  // namespace qs::showcase
