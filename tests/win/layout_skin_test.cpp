// The skin on the loaded window: the outline from the mask, the pictures at their places, the
// background on the backing image, DrawBitmap, the pointer passing through labels and the meter to
// the window's own tracking, and the fatal end when a skin picture cannot be loaded.
#include <objbase.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/module_dim.h"
#include "common/program_folder.h"
#include "support/form_fixture.h"
#include "window/picture.h"

namespace qs::testing {
namespace {

constexpr COLORREF kMaskOutside = RGB(255, 0, 255);

std::wstring SkinFile(const wchar_t* name) { return FromProgramFolder(std::wstring(L"\\GIF\\") + name); }

// A bitmap file read by the system's own loader, independent of the program's picture code.
struct FileBitmap {
  explicit FileBitmap(const std::wstring& path)
      : bitmap(static_cast<HBITMAP>(
            ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION))),
        dc(::CreateCompatibleDC(nullptr)),
        select(dc.get(), bitmap.get()) {}
  COLORREF At(int x, int y) const { return ::GetPixel(dc.get(), x, y); }
  UniqueBitmap bitmap;
  UniqueDc dc;
  SelectScope select;
};

POINT OnScreen(HWND w, int x, int y) {
  POINT p{x, y};
  ::ClientToScreen(w, &p);
  return p;
}

// A pointer move from the input system, as a user's mouse would make it.
void PointerTo(POINT screen) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((screen.x * 65535 + ::GetSystemMetrics(SM_CXSCREEN) / 2) /
                               (::GetSystemMetrics(SM_CXSCREEN) - 1));
  in.mi.dy = static_cast<LONG>((screen.y * 65535 + ::GetSystemMetrics(SM_CYSCREEN) / 2) /
                               (::GetSystemMetrics(SM_CYSCREEN) - 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  ::SendInput(1, &in, sizeof(in));
}

// A left click from the input system where the pointer is.
void ClickHere() {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, in, sizeof(INPUT));
}

// Records which window each pointer message of this thread was taken for, and where the pointer
// was, from a thread hook that sees every one as the message loop removes it from the queue.
class MouseMessages {
 public:
  MouseMessages() {
    current_ = this;
    hook_ = ::SetWindowsHookExW(WH_MOUSE, &MouseMessages::Hook, nullptr, ::GetCurrentThreadId());
  }
  ~MouseMessages() {
    ::UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  // True once `message` with the pointer at screen point `at` (give or take the pixel that
  // absolute input coordinates may round to) has been taken for `target`.
  bool Reached(HWND target, UINT message, POINT at) const {
    for (const Seen& s : seen_) {
      if (s.hwnd == target && s.message == message && std::abs(s.pt.x - at.x) <= 1 && std::abs(s.pt.y - at.y) <= 1)
        return true;
    }
    return false;
  }

 private:
  struct Seen {
    HWND hwnd;
    UINT message;
    POINT pt;
  };
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && current_) {
      const auto* m = reinterpret_cast<MOUSEHOOKSTRUCT*>(lparam);
      current_->seen_.push_back({m->hwnd, static_cast<UINT>(wparam), m->pt});
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static inline MouseMessages* current_ = nullptr;
  HHOOK hook_ = nullptr;
  std::vector<Seen> seen_;
};

using Skin = FormTest;

TEST_F(Skin, OutlineIsTheMaskWithMagentaCutAway) {
  FileBitmap mask(SkinFile(L"Mask.bmp"));
  ASSERT_TRUE(mask.bitmap) << "Mask.bmp beside the test program";
  UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(form->hwnd(), region.get()), ERROR) << "the window has a region";
  int inside = 0, outside = 0;
  for (int y = 0; y < 500; y += 3) {
    for (int x = 0; x < 527; x += 3) {
      const bool cut = mask.At(x, y) == kMaskOutside;
      (cut ? outside : inside)++;
      ASSERT_EQ(::PtInRegion(region.get(), x, y) != 0, !cut) << x << "," << y;
    }
  }
  EXPECT_GT(outside, 0) << "the mask cuts corners away";
  EXPECT_GT(inside, outside);
  // Outside the 527 x 500 panel there is nothing.
  EXPECT_FALSE(::PtInRegion(region.get(), 527, 250));
  EXPECT_FALSE(::PtInRegion(region.get(), 263, 500));
}

TEST_F(Skin, PicturesSitAtTheirPlacesAndTheBoxesKeepTheirSizes) {
  struct Row {
    const char* name;
    PictureBox& box;
    POINT at;
    SIZE size;
    const wchar_t* file;
  };
  const Row rows[] = {
      {"picExit", form->picExit, {410, 300}, {41, 33}, L"exit_normal.jpg"},
      {"PicCaption", form->PicCaption, {66, 10}, {345, 33}, L"title_normal.jpg"},
      {"picOngoing", form->picOngoing, {138, 306}, {41, 33}, L"play_go.jpg"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.box.Position().x, row.at.x);
    EXPECT_EQ(row.box.Position().y, row.at.y);
    RECT r{};
    ::GetClientRect(row.box.hwnd(), &r);
    EXPECT_EQ(r.right, row.size.cx);
    EXPECT_EQ(r.bottom, row.size.cy);
    ASSERT_TRUE(row.box.Picture());
    const UniqueBitmap file = TryLoadPicture(SkinFile(row.file));
    const SIZE shown = BitmapSize(row.box.Picture()), expected = BitmapSize(file.get());
    EXPECT_EQ(shown.cx, expected.cx);
    EXPECT_EQ(shown.cy, expected.cy);
    EXPECT_TRUE(row.box.Visible());
  }
}

TEST_F(Skin, BackgroundLandsOnTheBackingImageAndSurvivesRepaints) {
  const UniqueBitmap picture = TryLoadPicture(SkinFile(L"QuietSpin_normal.jpg"));
  ASSERT_TRUE(picture);
  UniqueDc picture_dc(::CreateCompatibleDC(nullptr));
  SelectScope select(picture_dc.get(), picture.get());
  int differs_from_grey = 0;
  for (int y = 0; y < 500; y += 7) {
    for (int x = 0; x < 527; x += 7) {
      const COLORREF want = ::GetPixel(picture_dc.get(), x, y);
      ASSERT_EQ(::GetPixel(form->hDC(), x, y), want) << x << "," << y;
      differs_from_grey += want != RGB(128, 128, 128);
    }
  }
  EXPECT_GT(differs_from_grey, 1000);

  // Covered and uncovered: the system asks for the whole surface again, and the window gives
  // back the skin from its backing image (points on the window's own surface, away from the
  // controls and the meter).
  // Another window's paint is stood in for by scribbling over the whole surface first.
  WindowDc screen(form->hwnd());
  {
    UniqueBrush scribble(::CreateSolidBrush(RGB(0, 255, 0)));
    RECT all{0, 0, 527, 500};
    ::FillRect(screen.get(), &all, scribble.get());
    ASSERT_EQ(::GetPixel(screen.get(), 20, 300), RGB(0, 255, 0));
  }
  ::RedrawWindow(form->hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const POINT points[] = {{20, 300}, {480, 420}, {30, 470}, {460, 120}};
  PumpUntil([&] {
    for (POINT p : points) {
      if (::GetPixel(screen.get(), p.x, p.y) != ::GetPixel(picture_dc.get(), p.x, p.y)) return false;
    }
    return true;
  });
  for (POINT p : points) {
    EXPECT_EQ(::GetPixel(screen.get(), p.x, p.y), ::GetPixel(picture_dc.get(), p.x, p.y))
        << p.x << "," << p.y;
  }
}

TEST_F(Skin, TheRuleUnderTheMeterIsPaintedOverTheSkin) {
  ::RedrawWindow(form->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  WindowDc screen(form->hwnd());
  // Line1: 5 px wide at y = 465 from x = 208 to x = 392.
  for (POINT p : {POINT{212, 465}, POINT{300, 463}, POINT{300, 467}, POINT{388, 465}}) {
    EXPECT_EQ(::GetPixel(screen.get(), p.x, p.y), RGB(71, 175, 234)) << p.x << "," << p.y;
  }
}

class DrawBitmapTest : public Skin {
 protected:
  // A 60 x 40 target filled with `ground`, and a 20 x 10 bitmap of `ink`.
  void SetUp() override {
    Skin::SetUp();
    target_dc.reset(::CreateCompatibleDC(nullptr));
    target.reset(MakeBitmap(60, 40));
    keep_target.emplace(target_dc.get(), target.get());
    Fill(target_dc.get(), 60, 40, kGround);
    ink.reset(MakeBitmap(20, 10));
    UniqueDc ink_dc(::CreateCompatibleDC(nullptr));
    SelectScope s(ink_dc.get(), ink.get());
    Fill(ink_dc.get(), 20, 10, kInk);
  }
  void TearDown() override {
    keep_target.reset();
    Skin::TearDown();
  }
  static HBITMAP MakeBitmap(int w, int h) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  }
  static void Fill(HDC dc, int w, int h, COLORREF colour) {
    UniqueBrush brush(::CreateSolidBrush(colour));
    RECT r{0, 0, w, h};
    ::FillRect(dc, &r, brush.get());
  }
  // The rectangle of target pixels that carry the ink.
  RECT Inked() const {
    RECT r{60, 40, 0, 0};
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 60; ++x) {
        if (::GetPixel(target_dc.get(), x, y) != kInk) continue;
        r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1), r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
    }
    return r;
  }
  static constexpr COLORREF kGround = RGB(10, 20, 30), kInk = RGB(200, 100, 50);
  UniqueDc target_dc;
  UniqueBitmap target, ink;
  std::optional<SelectScope> keep_target;
};

TEST_F(DrawBitmapTest, CopiesTheWholeBitmapWithItsCornerAtXY) {
  form->DrawBitmap(target_dc.get(), ink.get(), 5, 7);
  const RECT r = Inked();
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 7);
  EXPECT_EQ(r.right, 25);
  EXPECT_EQ(r.bottom, 17);
}

TEST_F(DrawBitmapTest, WhatFallsOutsideTheTargetIsClippedNotShrunk) {
  form->DrawBitmap(target_dc.get(), ink.get(), 50, 35);
  RECT r = Inked();
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 35);
  EXPECT_EQ(r.right, 60);
  EXPECT_EQ(r.bottom, 40);
  Fill(target_dc.get(), 60, 40, kGround);
  form->DrawBitmap(target_dc.get(), ink.get(), -15, -4);
  r = Inked();
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 5);
  EXPECT_EQ(r.bottom, 6);
}

TEST_F(DrawBitmapTest, TheBitmapStaysTheCallersAndFreeToUseAgain) {
  form->DrawBitmap(target_dc.get(), ink.get(), 0, 0);
  // A bitmap still selected into a device context could not be selected into another one.
  UniqueDc other(::CreateCompatibleDC(nullptr));
  const HGDIOBJ old = ::SelectObject(other.get(), ink.get());
  EXPECT_NE(old, nullptr);
  EXPECT_EQ(::GetPixel(other.get(), 19, 9), kInk);
  if (old) ::SelectObject(other.get(), old);
  EXPECT_EQ(BitmapSize(ink.get()).cx, 20);
}

TEST_F(Skin, TheMeterLetsThePointerThroughToTheWindowAndLabelsTakeItThemselves) {
  const HWND w = form->hwnd();
  for (HWND label : {form->lblTrack.hwnd(), form->lblFlashDescription.hwnd(), form->lblTip.hwnd()}) {
    RECT r{};
    ::GetWindowRect(label, &r);
    EXPECT_EQ(
        ::SendMessageW(label, WM_NCHITTEST, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2)),
        HTCLIENT);
  }
  // Shape1 with the bars and Line1 are the window's own surface; the labels are their own.
  for (POINT p : {POINT{300, 450}, POINT{300, 465}}) {
    EXPECT_EQ(::WindowFromPoint(OnScreen(w, p.x, p.y)), w) << p.x << "," << p.y;
  }
  EXPECT_EQ(::WindowFromPoint(OnScreen(w, 124, 368)), form->lblTrack.hwnd());
  EXPECT_EQ(::WindowFromPoint(OnScreen(w, 240, 404)), form->lblFlashDescription.hwnd());
  EXPECT_EQ(::WindowFromPoint(OnScreen(w, 430, 316)), form->picExit.hwnd()) << "a windowed control takes it";

  // Real pointer moves: over the meter's bars the window's tracking picks the level under the
  // pointer; over a label it sees nothing, so the speed tip stays. Each wait ends when the
  // pointer's message has reached the window it is meant for.
  MouseMessages seen;
  PointerTo(OnScreen(w, 274, 450));
  ASSERT_TRUE(PumpUntil([&] { return seen.Reached(w, WM_MOUSEMOVE, OnScreen(w, 274, 450)); }));
  EXPECT_EQ(SpeedLevel, 10);
  EXPECT_TRUE(form->lblTip.Visible());
  PointerTo(OnScreen(w, 124, 368));
  ASSERT_TRUE(PumpUntil([&] { return seen.Reached(form->lblTrack.hwnd(), WM_MOUSEMOVE, OnScreen(w, 124, 368)); }));
  EXPECT_TRUE(form->lblTip.Visible());
  EXPECT_EQ(SpeedLevel, 10);

  // Real clicks in the click area's rows: on the window's surface the level goes out at once; on
  // the lower part of lblFlashDescription (y 415 to 428) the window sees no click.
  form->Timer2.SetEnabled(false);
  const std::pair<POINT, HWND> clicks[] = {{{300, 432}, w}, {{300, 420}, form->lblFlashDescription.hwnd()}};
  for (const auto& [p, target] : clicks) {
    PointerTo(OnScreen(w, p.x, p.y));
    ClickHere();
    const POINT at = OnScreen(w, p.x, p.y);
    ASSERT_TRUE(PumpUntil([&, target = target] { return seen.Reached(target, WM_LBUTTONUP, at); })) << p.y;
  }
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{24});
}

// Moves a file or folder of the test program's skin aside and puts it back afterwards.
class SetAside {
 public:
  explicit SetAside(std::wstring path) : path_(std::move(path)), aside_(path_ + L".aside") {
    if (::GetFileAttributesW(aside_.c_str()) != INVALID_FILE_ATTRIBUTES) Restore();  // left over by a crash
    moved_ = ::MoveFileW(path_.c_str(), aside_.c_str()) != 0;
  }
  ~SetAside() { Restore(); }
  bool moved() const { return moved_; }

 private:
  void Restore() {
    const DWORD a = ::GetFileAttributesW(path_.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileW(path_.c_str());
    ::MoveFileW(aside_.c_str(), path_.c_str());
  }
  std::wstring path_, aside_;
  bool moved_ = false;
};

class BrokenSkin : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    MarkFirstRunDone();
    SetPlatformForTesting(&platform);
  }
  void TearDown() override {
    form.reset();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    SetPlatformForTesting(nullptr);
  }
  // Loads frmMain and returns the exit code it ended with, or -1 when it came up.
  int LoadEnds() {
    form = std::make_unique<FrmMain>(port);
    try {
      form->Load();
    } catch (const RecordingPlatform::Terminated& end) {
      return end.exit_code;
    }
    return -1;
  }
  void ExpectFatalNaming(const wchar_t* file) {
    ASSERT_EQ(platform.messages.size(), 1u);
    const auto& m = platform.messages[0];
    EXPECT_NE(m.text.find(SkinFile(file)), std::wstring::npos) << std::string(m.text.begin(), m.text.end());
    EXPECT_TRUE(m.style & MB_ICONERROR);
    EXPECT_FALSE(form->Visible()) << "the window never shows";
  }

  FakeAspiPort port;
  RecordingPlatform platform;
  std::unique_ptr<FrmMain> form;
};

TEST_F(BrokenSkin, WithoutTheSkinFolderStartUpStopsAtTheBackground) {
  SetAside gif(FromProgramFolder(L"\\GIF"));
  ASSERT_TRUE(gif.moved());
  const int code = LoadEnds();
  EXPECT_NE(code, -1);
  EXPECT_NE(code, 0);
  ExpectFatalNaming(L"QuietSpin_normal.jpg");
  EXPECT_TRUE(port.speeds.empty());
}

TEST_F(BrokenSkin, AMissingPictureIsNamed) {
  SetAside exit_picture(SkinFile(L"exit_normal.jpg"));
  ASSERT_TRUE(exit_picture.moved());
  EXPECT_NE(LoadEnds(), 0);
  ExpectFatalNaming(L"exit_normal.jpg");
}

TEST_F(BrokenSkin, AnUnreadablePictureIsNamed) {
  SetAside title(SkinFile(L"title_normal.jpg"));
  ASSERT_TRUE(title.moved());
  {
    UniqueFile f(::CreateFileW(SkinFile(L"title_normal.jpg").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr));
    const char junk[] = "\xFF\xD8\xFF\xE0 not really a JPEG, cut short";
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(f.get(), junk, sizeof(junk), &written, nullptr));
  }
  EXPECT_NE(LoadEnds(), 0);
  ExpectFatalNaming(L"title_normal.jpg");
}

}  // namespace
}  // namespace qs::testing
