// The movie player and the animated logo, driven in-process under Wine with GIF files written
// by the test. Pixels are read back through WM_PRINTCLIENT, which runs the controls' own painting.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "controls_gif_writer.h"
#include "showcase/anigif_control.h"
#include "showcase/movie_player.h"

namespace qs {
namespace {

using test::GifFrameSpec;
using test::GifPlan;
using test::SolidFrame;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

class ComEnvironment : public ::testing::Environment {
 public:
  // The program's UI thread initialises COM the same way before it creates the controls.
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }
};
const auto* const kCom = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

// Runs the message loop until done() holds or the deadline passes; never spins.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms = 10000) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
}

// Runs the message loop until a timer of `ms` set now has fired. The system hands out timers in
// the order they fall due, so any timer of a control that falls due sooner is handled first: when
// this returns, such a timer has either run or does not exist.
bool PumpPastTimer(DWORD ms) {
  const UINT_PTR id = SetTimer(nullptr, 0, ms, nullptr);
  bool fired = false;
  const ULONGLONG deadline = GetTickCount64() + 10000 + ms;
  while (!fired && GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == id) {
        fired = true;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!fired) MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  KillTimer(nullptr, id);
  return fired;
}

// Runs the message loop until everything posted to this thread so far has been handled: posted
// messages are taken in the order they were posted.
bool PumpPosted() {
  constexpr UINT kMarker = WM_APP + 0x3A;
  PostThreadMessageW(GetCurrentThreadId(), kMarker, 0, 0);
  const ULONGLONG deadline = GetTickCount64() + 10000;
  while (GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == kMarker && msg.hwnd == nullptr) return true;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return false;
}

// The colour the control paints at (x, y) of its client area.
COLORREF PixelAt(HWND hwnd, int x, int y) {
  RECT client{};
  GetClientRect(hwnd, &client);
  WindowDc screen(hwnd);
  UniqueDc dc(CreateCompatibleDC(screen.get()));
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
  SelectScope select(dc.get(), bitmap.get());
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
  return GetPixel(dc.get(), x, y) & 0x00FFFFFF;
}

COLORREF CentreOf(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  return PixelAt(hwnd, client.right / 2, client.bottom / 2);
}

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"qs_controls_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QsControlsTestHost";
    RegisterClassW(&wc);  // fails harmlessly from the second test on
    host_.reset(CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 400,
                                300, nullptr, nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(host_);
  }

  void TearDown() override {
    for (const auto& file : files_) DeleteFileW(file.c_str());
    RemoveDirectoryW(folder_.c_str());
  }

  std::wstring Write(const std::wstring& name, const std::vector<uint8_t>& bytes) {
    const std::wstring path = folder_ + L"\\" + name;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    files_.push_back(path);
    return path;
  }

  // Red, green, blue, a tenth of a second each, played once.
  // Tests that must see every frame use long delays: the clock skips a frame whose turn a late
  // timer has missed, and a loaded machine makes timers late.
  std::wstring ThreeColours(bool loop = false, uint16_t delay_cs = 10) {
    GifPlan plan = test::Screen(8, 8, loop);
    plan.frames = {SolidFrame(8, 8, 0, delay_cs), SolidFrame(8, 8, 1, delay_cs), SolidFrame(8, 8, 2, delay_cs)};
    return Write(loop ? L"rgb_loop.gif" : L"rgb" + std::to_wstring(delay_cs) + L".gif", test::WriteGif(plan));
  }

  std::unique_ptr<MovieControl> Movie() {
    auto movie = MovieControl::Create(host_.get(), RECT{40, 32, 425 - 200, 271 - 100});
    EXPECT_NE(movie, nullptr);
    return movie;
  }

  std::wstring folder_;
  std::vector<std::wstring> files_;
  UniqueWindow host_;
};

TEST_F(ControlsTest, MovieShowsEachFrameInTurnAndEndsAfterTheLastFramesDelay) {
  auto movie = Movie();
  movie->SetBackgroundColor(-1);
  movie->SetMovie(ThreeColours(false, 50));
  EXPECT_FALSE(movie->IsPlaying());  // nothing has called Play yet
  EXPECT_EQ(movie->frame_count(), 3u);
  EXPECT_EQ(CentreOf(movie->hwnd()), kRed);

  const ULONGLONG start = GetTickCount64();
  movie->Play();
  EXPECT_TRUE(movie->IsPlaying());
  ASSERT_TRUE(PumpUntil([&] { return movie->current_frame() == 1; }));
  EXPECT_EQ(CentreOf(movie->hwnd()), kGreen);
  ASSERT_TRUE(PumpUntil([&] { return movie->current_frame() == 2; }));
  EXPECT_EQ(CentreOf(movie->hwnd()), kBlue);
  EXPECT_TRUE(movie->IsPlaying());  // the last frame still has its own delay to show
  ASSERT_TRUE(PumpUntil([&] { return !movie->IsPlaying(); }));
  EXPECT_GE(GetTickCount64() - start, 1480u);  // three delays of 500 ms, less timer slack
  EXPECT_EQ(movie->current_frame(), 2u);
  EXPECT_EQ(CentreOf(movie->hwnd()), kBlue);  // the end leaves the last frame on screen
}

TEST_F(ControlsTest, MovieFramesFillTheWholeControl) {
  auto movie = Movie();
  GifPlan plan = test::Screen(4, 4);
  GifFrameSpec quarters = SolidFrame(4, 4, 0);
  quarters.indices = {0, 0, 1, 1, 0, 0, 1, 1, 2, 2, 3, 3, 2, 2, 3, 3};
  plan.frames = {quarters};
  movie->SetMovie(Write(L"quarters.gif", test::WriteGif(plan)));
  RECT client{};
  GetClientRect(movie->hwnd(), &client);
  EXPECT_EQ(PixelAt(movie->hwnd(), 1, 1), kRed);
  EXPECT_EQ(PixelAt(movie->hwnd(), client.right - 2, 1), kGreen);
  EXPECT_EQ(PixelAt(movie->hwnd(), 1, client.bottom - 2), kBlue);
  EXPECT_EQ(PixelAt(movie->hwnd(), client.right - 2, client.bottom - 2), kWhite);
}

TEST_F(ControlsTest, MovieLargerThanTheControlIsShrunkToFit) {
  auto movie = Movie();
  GifPlan plan = test::Screen(480, 300);
  GifFrameSpec halves = SolidFrame(480, 300, 0);
  for (size_t i = 0; i < halves.indices.size(); ++i) halves.indices[i] = (i % 480) < 240 ? 0 : 2;
  plan.frames = {halves};
  movie->SetMovie(Write(L"large.gif", test::WriteGif(plan)));
  RECT client{};
  GetClientRect(movie->hwnd(), &client);
  EXPECT_EQ(PixelAt(movie->hwnd(), client.right / 4, client.bottom / 2), kRed);
  EXPECT_EQ(PixelAt(movie->hwnd(), client.right * 3 / 4, client.bottom - 1), kBlue);
}

TEST_F(ControlsTest, StopPlayHoldsTheFrameAndRewindGoesBackToTheFirst) {
  auto movie = Movie();
  movie->SetMovie(ThreeColours());
  movie->Play();
  ASSERT_TRUE(PumpUntil([&] { return movie->current_frame() >= 1; }));
  movie->StopPlay();
  EXPECT_FALSE(movie->IsPlaying());
  const size_t held = movie->current_frame();
  ASSERT_TRUE(PumpPastTimer(300));  // longer than the rest of the movie
  EXPECT_EQ(movie->current_frame(), held);
  EXPECT_FALSE(movie->IsPlaying());

  movie->Rewind();
  EXPECT_EQ(movie->current_frame(), 0u);
  EXPECT_EQ(CentreOf(movie->hwnd()), kRed);
  EXPECT_FALSE(movie->IsPlaying());
  movie->Play();
  ASSERT_TRUE(PumpUntil([&] { return !movie->IsPlaying(); }));
  EXPECT_EQ(movie->current_frame(), 2u);
}

TEST_F(ControlsTest, MovieAssignedAfterPlayStartsByItselfEvenAfterAStop) {
  auto movie = Movie();
  movie->Play();  // nothing loaded yet
  EXPECT_FALSE(movie->IsPlaying());
  const std::wstring rgb = ThreeColours();
  movie->SetMovie(rgb);
  EXPECT_TRUE(movie->IsPlaying());
  ASSERT_TRUE(PumpUntil([&] { return movie->current_frame() >= 1; }));

  // The showcase's Stop followed by Next: halt, rewind, hide, then only a new movie.
  movie->StopPlay();
  movie->Rewind();
  movie->SetVisible(false);
  EXPECT_FALSE(movie->Visible());
  movie->SetVisible(true);
  movie->SetMovie(rgb);
  EXPECT_TRUE(movie->IsPlaying());
  EXPECT_EQ(movie->current_frame(), 0u);
  EXPECT_TRUE(PumpUntil([&] { return !movie->IsPlaying(); }));
}

TEST_F(ControlsTest, LoopingMovieWrapsAndKeepsPlaying) {
  auto movie = Movie();
  movie->SetLoop(true);
  movie->SetMovie(ThreeColours());
  movie->Play();
  ASSERT_TRUE(PumpUntil([&] { return movie->current_frame() == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return movie->current_frame() == 0; }));
  EXPECT_TRUE(movie->IsPlaying());
}

TEST_F(ControlsTest, MissingAndCorruptMoviesLeaveTheAreaEmptyAndNotPlaying) {
  auto movie = Movie();
  movie->SetBackgroundColor(0);
  movie->Play();
  const std::vector<uint8_t> garbage{'G',  'I',  'F',  '8',  '9', 'a', 0xFF, 0xFF,
                                     0xFF, 0xFF, 0x13, 0x37, 0,   1,   2};
  const std::vector<uint8_t> text{'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e'};
  for (const std::wstring& bad : {folder_ + L"\\missing.gif", Write(L"garbage.gif", garbage),
                                  Write(L"text.gif", text), std::wstring()}) {
    movie->SetMovie(ThreeColours());  // a good movie playing first, so that the bad one replaces it
    ASSERT_TRUE(movie->IsPlaying());
    movie->SetMovie(bad);
    EXPECT_FALSE(movie->IsPlaying());
    EXPECT_EQ(movie->frame_count(), 0u);
    EXPECT_EQ(CentreOf(movie->hwnd()), kBlack);
    ASSERT_TRUE(PumpPastTimer(150));  // past a frame's delay
    EXPECT_FALSE(movie->IsPlaying());
  }
}

TEST_F(ControlsTest, BackgroundColourShowsWhereTheMovieIsTransparent) {
  GifPlan plan = test::Screen(2, 1, false, 1);  // its own background is green
  GifFrameSpec frame = SolidFrame(2, 1, 0);
  frame.indices = {0, 3};
  frame.transparent = 3;
  plan.frames = {frame};
  const std::wstring path = Write(L"half.gif", test::WriteGif(plan));
  RECT client{};
  auto movie = Movie();
  GetClientRect(movie->hwnd(), &client);
  // Sample the middle of each stretched source pixel: the halftone stretch blends their edges.
  const int left = client.right / 4, right = client.right * 3 / 4, mid = client.bottom / 2;

  movie->SetBackgroundColor(0);
  movie->SetMovie(path);
  EXPECT_EQ(PixelAt(movie->hwnd(), left, mid), kRed);
  EXPECT_EQ(PixelAt(movie->hwnd(), right, mid), kBlack);

  movie->SetBackgroundColor(-1);
  movie->SetMovie(path);
  EXPECT_EQ(PixelAt(movie->hwnd(), right, mid), kGreen);
}

TEST_F(ControlsTest, PartialFramesAreComposedWithTheirDisposal) {
  GifPlan plan = test::Screen(4, 2);
  // Long delays: every frame must be seen (see ThreeColours).
  GifFrameSpec first = SolidFrame(4, 2, 0, 50);   // red, kept
  GifFrameSpec second = SolidFrame(2, 2, 2, 50);  // blue on the right half, then cleared
  second.left = 2;
  second.disposal = 2;
  GifFrameSpec third = SolidFrame(1, 1, 1, 50);  // a green dot at the top-left
  plan.frames = {first, second, third};
  auto movie = Movie();
  movie->SetBackgroundColor(0);
  movie->SetMovie(Write(L"partial.gif", test::WriteGif(plan)));
  RECT client{};
  GetClientRect(movie->hwnd(), &client);
  // Sample the middle of each stretched source pixel: the halftone stretch blends their edges.
  const int x0 = client.right / 8, right = client.right * 7 / 8, top = client.bottom / 4,
            bottom = client.bottom * 3 / 4;
  movie->Play();
  ASSERT_TRUE(PumpUntil([&] { return movie->current_frame() == 1; }));
  EXPECT_EQ(PixelAt(movie->hwnd(), x0, bottom), kRed);
  EXPECT_EQ(PixelAt(movie->hwnd(), right, bottom), kBlue);
  ASSERT_TRUE(PumpUntil([&] { return movie->current_frame() == 2; }));
  EXPECT_EQ(PixelAt(movie->hwnd(), x0, top), kGreen);
  EXPECT_EQ(PixelAt(movie->hwnd(), x0, bottom), kRed);
  EXPECT_EQ(PixelAt(movie->hwnd(), right, bottom), kBlack);  // cleared, shown on the background
}

class LogoEvents : public AnimatedLogoEvents {
 public:
  void AniGifMurmex_Click() override { ++clicks; }
  void AniGifMurmex_MouseOver() override { ++moves; }
  int clicks = 0;
  int moves = 0;
};

class AnimatedLogoTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    cursor_ = LoadCursorW(nullptr, IDC_HAND);
    logo_ = AniGifControl::Create(host_.get(), RECT{200, 88, 337, 121}, &events_, cursor_);
    ASSERT_NE(logo_, nullptr);
  }
  HCURSOR cursor_ = nullptr;
  LogoEvents events_;
  std::unique_ptr<AniGifControl> logo_;
};

TEST_F(AnimatedLogoTest, LoopsWithoutALoopBlockInTheFile) {
  logo_->SetPicturePath(ThreeColours(false));
  EXPECT_TRUE(logo_->animating());
  ASSERT_TRUE(PumpUntil([&] { return logo_->current_frame() == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return logo_->current_frame() == 0; }));
  ASSERT_TRUE(PumpUntil([&] { return logo_->current_frame() == 1; }));
}

TEST_F(AnimatedLogoTest, KeepsAnimatingAfterHideBackValueAndShow) {
  logo_->SetPicturePath(ThreeColours(true));
  ASSERT_TRUE(PumpUntil([&] { return logo_->current_frame() == 1; }));
  logo_->SetVisible(false);
  EXPECT_FALSE(logo_->Visible());
  EXPECT_FALSE(logo_->animating());  // no timer while nobody can see it
  logo_->SetBackValue(0x00FFFFFF);
  logo_->SetVisible(true);
  EXPECT_TRUE(logo_->Visible());
  EXPECT_TRUE(logo_->animating());
  const size_t from = logo_->current_frame();
  ASSERT_TRUE(PumpUntil([&] { return logo_->current_frame() != from; }));
  const size_t next = logo_->current_frame();
  ASSERT_TRUE(PumpUntil([&] { return logo_->current_frame() != next; }));
}

TEST_F(ControlsTest, LogoOnAHiddenPanelRestsAndWakesWhenThePanelShows) {
  HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 40, 32, 385, 241, host_.get(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(panel, nullptr);
  LogoEvents events;
  auto logo = AniGifControl::Create(panel, RECT{200, 88, 337, 121}, &events, nullptr);
  ASSERT_NE(logo, nullptr);
  logo->SetPicturePath(ThreeColours(true));
  ASSERT_TRUE(PumpUntil([&] { return logo->current_frame() == 1; }));
  ShowWindow(panel, SW_HIDE);
  ASSERT_TRUE(PumpUntil([&] { return !logo->animating(); })) << "no timer while the panel is hidden";
  const size_t rested_at = logo->current_frame();
  ASSERT_TRUE(PumpPastTimer(300));  // past two frames' delays
  EXPECT_EQ(logo->current_frame(), rested_at);
  ShowWindow(panel, SW_SHOW);
  ASSERT_TRUE(PumpUntil([&] { return logo->current_frame() != rested_at; })) << "the logo animates again";
  EXPECT_TRUE(logo->animating());
  logo.reset();
  DestroyWindow(panel);
}

TEST_F(ControlsTest, LogoGivenWhileItsPanelIsHiddenOpensItsPictureWhenFirstShown) {
  HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 40, 32, 385, 241, host_.get(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(panel, nullptr);
  auto logo = AniGifControl::Create(panel, RECT{200, 88, 337, 121}, nullptr, nullptr);
  ASSERT_NE(logo, nullptr);
  logo->SetPicturePath(ThreeColours(true));
  EXPECT_EQ(logo->frame_count(), 0u);  // not opened while nobody can see it
  ShowWindow(panel, SW_SHOW);
  ASSERT_TRUE(PumpUntil([&] { return logo->frame_count() == 3 && logo->current_frame() == 1; }));
  EXPECT_TRUE(logo->animating());
  logo.reset();
  DestroyWindow(panel);
}

TEST_F(AnimatedLogoTest, ShowsThePictureCentredOnTheBackValueColour) {
  logo_->SetPicturePath(ThreeColours(true));  // 8 x 8 in a 137 x 33 control
  logo_->SetBackValue(0x00FF0000);            // BGR: blue
  logo_->SetVisible(false);                   // rests on frame 0 (red)
  logo_->SetVisible(true);
  logo_->SetVisible(false);
  EXPECT_EQ(PixelAt(logo_->hwnd(), 1, 1), kBlue);
  EXPECT_EQ(PixelAt(logo_->hwnd(), 135, 31), kBlue);
  const COLORREF centre = CentreOf(logo_->hwnd());
  EXPECT_TRUE(centre == kRed || centre == kGreen || centre == kBlue) << std::hex << centre;
  logo_->SetBackValue(0x00FFFFFF);
  EXPECT_EQ(PixelAt(logo_->hwnd(), 1, 1), kWhite);
}

TEST_F(AnimatedLogoTest, RaisesMouseOverOnEveryMoveAndClickOnReleaseInside) {
  PostMessageW(logo_->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  PostMessageW(logo_->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(11, 10));
  ASSERT_TRUE(PumpUntil([&] { return events_.moves == 2; }));
  EXPECT_EQ(events_.clicks, 0);

  PostMessageW(logo_->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageW(logo_->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(12, 11));
  ASSERT_TRUE(PumpUntil([&] { return events_.clicks == 1; }));

  // A release dragged off the control (negative coordinates while captured) is no click.
  PostMessageW(logo_->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageW(logo_->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, 10));
  PostMessageW(logo_->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(-5, 10));
  ASSERT_TRUE(PumpPosted());
  EXPECT_EQ(events_.clicks, 1);
  EXPECT_EQ(events_.moves, 2);
}

TEST_F(AnimatedLogoTest, ShowsTheHostsCursor) {
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  SendMessageW(logo_->hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(logo_->hwnd()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), cursor_);
}

TEST_F(AnimatedLogoTest, AnUnreadablePictureLeavesOnlyTheBackground) {
  logo_->SetPicturePath(folder_ + L"\\missing.gif");
  EXPECT_EQ(logo_->frame_count(), 0u);
  EXPECT_FALSE(logo_->animating());
  EXPECT_EQ(CentreOf(logo_->hwnd()), kWhite);
}

}  // namespace
}  // namespace qs
