// Pointer tracking over frmMain's own surface, the meter, the click that applies the level and the
// re-apply timer, driven through the loaded window: what each pointer move shows, which pointer
// the window sets, what reaches the drives, and that many moves leave no handle behind.
#include <vector>

#include "base/module_dim.h"
#include "base/string_table.h"
#include "common/program_folder.h"
#include "showcase/transport.h"
#include "support/form_fixture.h"
#include "window/picture.h"

namespace qs::testing {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(47, 141, 204);

std::wstring SkinFile(const wchar_t* name) { return FromProgramFolder(std::wstring(L"\\GIF\\") + name); }

std::vector<uint32_t> Pixels(HBITMAP bitmap) {
  const SIZE size = BitmapSize(bitmap);
  std::vector<uint32_t> out(static_cast<size_t>(size.cx) * size.cy);
  if (out.empty()) return out;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  WindowDc screen(nullptr);
  ::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(size.cy), out.data(), &info, DIB_RGB_COLORS);
  return out;
}

// True when the box shows the picture of that skin file, decoded afresh for the comparison.
bool Shows(const PictureBox& box, const wchar_t* file) {
  UniqueBitmap expected = TryLoadPicture(SkinFile(file));
  return box.Picture() && expected && Pixels(box.Picture()) == Pixels(expected.get());
}

struct HandleCounts {
  long bitmaps = UniqueBitmap::Live(), cursors = UniqueCursor::Live(), icons = UniqueIcon::Live();
  long dcs = UniqueDc::Live(), pens = UniquePen::Live(), brushes = UniqueBrush::Live();
  long fonts = UniqueFont::Live(), regions = UniqueRegion::Live();
};

class Tracking : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    LanguageId = 1033;
    // A tick is called directly where one is wanted: on a slow machine the real 2 s timer would
    // add its command to what a click sends.
    form->Timer2.SetEnabled(false);
  }

  HWND hwnd() const { return form->hwnd(); }

  // The pointer the window puts up when the system asks it, as over its client area.
  HCURSOR CursorShown() {
    ::SetCursor(nullptr);
    ::SendMessageW(hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
  }

  // A left click on the window's surface with the real pointer at client (x, y).
  void ClickAt(int x, int y) {
    ASSERT_TRUE(::SetCursorPos(layout::kStoredPosition.x + x, layout::kStoredPosition.y + y));
    ::SendMessageW(hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::SendMessageW(hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }

  COLORREF PixelOnScreen(int x, int y) {
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    WindowDc dc(hwnd());
    return ::GetPixel(dc.get(), x, y);
  }
};

TEST_F(Tracking, SkinPicturesTheTestsTellApartDiffer) {
  for (auto [a, b] : {std::pair{L"exit_normal.jpg", L"exit_click.jpg"},
                      {L"title_normal.jpg", L"title_light.jpg"},
                      {L"first_move.jpg", L"last_move.jpg"},
                      {L"first_move.jpg", L"previous_move.jpg"}}) {
    UniqueBitmap pa = TryLoadPicture(SkinFile(a)), pb = TryLoadPicture(SkinFile(b));
    ASSERT_TRUE(pa && pb);
    EXPECT_NE(Pixels(pa.get()), Pixels(pb.get())) << "cannot tell " << a << " from " << b;
  }
}

TEST_F(Tracking, EveryMovePutsBackTheNormalExitPicture) {
  for (POINT at : {POINT{34, 310}, POINT{300, 450}, POINT{385, 450}, POINT{300, 432}, POINT{5, 5}}) {
    form->picExit_MouseMove(0, 0, 5, 5);
    ASSERT_TRUE(Shows(form->picExit, L"exit_click.jpg"));
    MoveTo(at.x, at.y);
    EXPECT_TRUE(Shows(form->picExit, L"exit_normal.jpg")) << at.x << "," << at.y;
  }
}

TEST_F(Tracking, TransportBandPlacesTheOverlayWithItsPictureAndTooltip) {
  struct Case {
    int x, y, k, left;
    const wchar_t* picture;
  };
  for (const Case c : {Case{34, 304, 1, 33, L"first_move.jpg"}, Case{86, 324, 1, 33, L"first_move.jpg"},
                       Case{87, 310, 2, 85, L"previous_move.jpg"}, Case{160, 315, 3, 138, L"play_move.jpg"},
                       Case{200, 315, 4, 191, L"pause_move.jpg"}, Case{250, 315, 5, 243, L"stop_move.jpg"},
                       Case{300, 315, 6, 295, L"next_move.jpg"}, Case{394, 315, 7, 347, L"last_move.jpg"}}) {
    SCOPED_TRACE(c.x);
    MoveTo(c.x, c.y);
    EXPECT_TRUE(form->picButton.Visible());
    const POINT at = form->picButton.Position();
    EXPECT_EQ(at.x, c.left);
    EXPECT_EQ(at.y, 306);
    RECT r{};
    ::GetClientRect(form->picButton.hwnd(), &r);
    EXPECT_EQ(r.right, 41) << "the overlay keeps its size";
    EXPECT_EQ(r.bottom, 33);
    EXPECT_TRUE(Shows(form->picButton, c.picture));
    EXPECT_EQ(form->tips.Text(form->picButton.hwnd()), LoadText(1100 + c.k - 1));
  }
}

TEST_F(Tracking, TransportBandHidesTheTipAndLeavesLevelPointerAndTitleAlone) {
  MoveTo(250, 450);  // speed band, meter cursor area: level 7, custom pointer, tip shown
  ASSERT_TRUE(form->lblTip.Visible());
  ASSERT_EQ(SpeedLevel, 7);
  form->PicCaption_MouseMove(0, 0, 5, 5);  // the title strip's own hover lights it
  ASSERT_TRUE(Shows(form->PicCaption, L"title_light.jpg"));

  MoveTo(100, 310);
  EXPECT_FALSE(form->lblTip.Visible());
  EXPECT_EQ(SpeedLevel, 7);
  EXPECT_EQ(form->MousePointer(), 99);
  EXPECT_TRUE(Shows(form->PicCaption, L"title_light.jpg"));
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{});
}

TEST_F(Tracking, TooltipsAndTipFollowTheLanguage) {
  struct Case {
    int32_t language;
    StringId first_tip, tip;
  };
  for (const Case c : {Case{1028, 2100, 2210}, Case{2052, 1100, 1210}, Case{1033, 1100, 1210}}) {
    SCOPED_TRACE(c.language);
    LanguageId = c.language;
    MoveTo(40, 310);
    EXPECT_EQ(form->tips.Text(form->picButton.hwnd()), LoadText(c.first_tip));
    MoveTo(394, 310);
    EXPECT_EQ(form->tips.Text(form->picButton.hwnd()), LoadText(c.first_tip + 6));
    MoveTo(300, 450);
    EXPECT_EQ(form->lblTip.Caption(), LoadText(c.tip));
  }
  EXPECT_NE(LoadText(2210), LoadText(1210));
}

TEST_F(Tracking, SpeedBandShowsTheTipSetsTitleAndLevel) {
  form->PicCaption_MouseMove(0, 0, 5, 5);
  MoveTo(40, 310);
  ASSERT_TRUE(form->picButton.Visible());
  MoveTo(208, 450);
  EXPECT_FALSE(form->picButton.Visible());
  EXPECT_TRUE(form->lblTip.Visible());
  EXPECT_EQ(form->lblTip.Caption(), LoadText(1210));
  EXPECT_TRUE(Shows(form->PicCaption, L"title_normal.jpg"));
  EXPECT_EQ(SpeedLevel, 1);
}

TEST_F(Tracking, TipCaptionIsSetOnlyWhenTheTipIsShown) {
  MoveTo(300, 450);
  ASSERT_TRUE(form->lblTip.Visible());
  form->lblTip.SetCaption(L"left alone");
  MoveTo(310, 440);
  MoveTo(190, 465);
  EXPECT_EQ(form->lblTip.Caption(), L"left alone") << "moving within the band keeps the caption";

  MoveTo(300, 432);  // out of the band: hidden
  EXPECT_FALSE(form->lblTip.Visible());
  form->lblTip.SetCaption(L"stale");
  MoveTo(300, 450);
  EXPECT_TRUE(form->lblTip.Visible());
  EXPECT_EQ(form->lblTip.Caption(), LoadText(1210)) << "coming back sets it again";

  MoveTo(100, 310);  // the transport band hides it too
  form->lblTip.SetCaption(L"stale");
  MoveTo(300, 450);
  EXPECT_EQ(form->lblTip.Caption(), LoadText(1210));
}

TEST_F(Tracking, OutsideTheSpeedBandTheLevelStaysAndTheTipHides) {
  MoveTo(250, 450);
  ASSERT_EQ(SpeedLevel, 7);
  for (POINT at : {POINT{189, 450}, POINT{391, 450}, POINT{300, 434}, POINT{300, 466}}) {
    MoveTo(at.x, at.y);
    EXPECT_EQ(SpeedLevel, 7) << "outside the band at " << at.x << "," << at.y;
    EXPECT_FALSE(form->lblTip.Visible());
  }
}

TEST_F(Tracking, MeterCursorAreaGetsTheCustomPointerTheRestTheDefault) {
  const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
  UniqueCursor harrow = LoadCursorFile(SkinFile(L"harrow.cur"));
  ICONINFO want{};
  ASSERT_TRUE(::GetIconInfo(harrow.get(), &want));
  UniqueBitmap want_mask(want.hbmMask), want_colour(want.hbmColor);

  for (POINT at : {POINT{209, 435}, POINT{381, 465}, POINT{300, 450}}) {
    MoveTo(at.x, at.y);
    EXPECT_EQ(form->MousePointer(), 99) << at.x << "," << at.y;
    const HCURSOR shown = CursorShown();
    ASSERT_NE(shown, nullptr);
    EXPECT_NE(shown, arrow);
    ICONINFO got{};
    ASSERT_TRUE(::GetIconInfo(shown, &got));
    UniqueBitmap got_mask(got.hbmMask), got_colour(got.hbmColor);
    EXPECT_EQ(got.xHotspot, want.xHotspot);
    EXPECT_EQ(got.yHotspot, want.yHotspot);
    EXPECT_EQ(Pixels(got_mask.get()), Pixels(want_mask.get())) << "the pointer is harrow.cur";
  }
  // In the speed band outside the cursor area, and anywhere else: the default pointer.
  for (POINT at :
       {POINT{385, 450}, POINT{208, 450}, POINT{190, 440}, POINT{390, 465}, POINT{300, 432}, POINT{5, 480}}) {
    MoveTo(300, 450);
    MoveTo(at.x, at.y);
    EXPECT_EQ(form->MousePointer(), 0) << at.x << "," << at.y;
    EXPECT_EQ(CursorShown(), arrow) << at.x << "," << at.y;
  }
  MoveTo(385, 450);
  EXPECT_EQ(SpeedLevel, 24);
}

TEST_F(Tracking, ElsewhereHidesOverlayAndTipAndKeepsTheLevel) {
  MoveTo(250, 450);
  MoveTo(40, 310);
  form->PicCaption_MouseMove(0, 0, 5, 5);
  MoveTo(300, 432);
  EXPECT_FALSE(form->picButton.Visible());
  EXPECT_FALSE(form->lblTip.Visible());
  EXPECT_EQ(form->MousePointer(), 0);
  EXPECT_TRUE(Shows(form->PicCaption, L"title_normal.jpg"));
  EXPECT_EQ(SpeedLevel, 7);
  EXPECT_EQ(form->LineSpeed[6].color, kBlack);
  EXPECT_EQ(form->LineSpeed[7].color, kBlue);
}

TEST_F(Tracking, StartUpShowsTheMeterAtTheTopLevel) {
  EXPECT_EQ(SpeedLevel, 24);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(form->LineSpeed[i].color, kBlack) << i;
}

TEST_F(Tracking, BarsAreDrawnThreePixelsWideInTheirColour) {
  MoveTo(207, 450);  // level 0: every bar blue
  std::vector<COLORREF> blue, black;
  for (int x = 210; x <= 219; ++x) blue.push_back(PixelOnScreen(x, 460));
  MoveTo(380, 450);  // level 24: every bar black
  for (int x = 210; x <= 219; ++x) black.push_back(PixelOnScreen(x, 460));
  for (int x = 210; x <= 219; ++x) {
    const bool on_bar0 = x >= 213 && x <= 215;
    const size_t i = static_cast<size_t>(x - 210);
    if (on_bar0) {
      EXPECT_EQ(blue[i], kBlue) << "x = " << x;
      EXPECT_EQ(black[i], kBlack) << "x = " << x;
    } else {
      EXPECT_EQ(blue[i], black[i]) << "x = " << x << " lies between bars";
    }
  }
  // The last bar, 23, and a middle one at level 12 split at bar 12 (x = 298).
  EXPECT_EQ(PixelOnScreen(375, 445), kBlack);
  MoveTo(288, 450);
  EXPECT_EQ(PixelOnScreen(291, 455), kBlack);
  EXPECT_EQ(PixelOnScreen(298, 455), kBlue);
  EXPECT_EQ(PixelOnScreen(375, 445), kBlue);
}

TEST_F(Tracking, ClickInTheClickAreaAppliesTheLevelAtOnceAndStoresIt) {
  MoveTo(208, 450);
  ClickAt(208, 450);
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{6});
  EXPECT_EQ(StoredLevelValue(), 1u);

  port.speeds.clear();
  MoveTo(250, 450);
  MoveTo(300, 432);  // neither band, but inside the click area
  ClickAt(300, 432);
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{18});
  EXPECT_EQ(StoredLevelValue(), 7u);

  port.speeds.clear();
  for (POINT at : {POINT{204, 415}, POINT{372, 465}, POINT{204, 465}, POINT{372, 415}}) ClickAt(at.x, at.y);
  EXPECT_EQ(port.speeds, (std::vector<uint8_t>{18, 18, 18, 18})) << "the click area's corners are inside";
}

TEST_F(Tracking, ClickOutsideTheClickAreaSendsAndStoresNothingAndTheTickAppliesTheLevel) {
  MoveTo(250, 450);
  for (POINT at : {POINT{373, 440}, POINT{203, 440}, POINT{300, 414}, POINT{300, 466}, POINT{100, 310}}) {
    ClickAt(at.x, at.y);
  }
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{});
  form->Timer2_Timer();
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{18});
  EXPECT_EQ(StoredLevelValue(), std::nullopt) << "only a click that applies a level stores it";

  // The click position is read from the system, not from the message.
  port.speeds.clear();
  ASSERT_TRUE(::SetCursorPos(layout::kStoredPosition.x + 373, layout::kStoredPosition.y + 440));
  ::SendMessageW(hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 450));
  ::SendMessageW(hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(300, 450));
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{});
}

// Renames a skin file for the life of the object.
class HiddenSkinFile {
 public:
  explicit HiddenSkinFile(const wchar_t* name) : path_(SkinFile(name)), aside_(path_ + L".aside") {
    moved_ = ::MoveFileW(path_.c_str(), aside_.c_str()) != 0;
  }
  ~HiddenSkinFile() {
    if (moved_) ::MoveFileW(aside_.c_str(), path_.c_str());
  }
  bool moved() const { return moved_; }

 private:
  std::wstring path_, aside_;
  bool moved_ = false;
};

TEST_F(Tracking, MissingPictureOrCursorIsFatal) {
  struct Case {
    const wchar_t* file;
    int x, y;
  };
  for (const Case c : {Case{L"exit_normal.jpg", 5, 480}, Case{L"last_move.jpg", 394, 310},
                       Case{L"title_normal.jpg", 300, 432}, Case{L"harrow.cur", 300, 450}}) {
    SCOPED_TRACE(c.file);
    platform.messages.clear();
    HiddenSkinFile hidden(c.file);
    ASSERT_TRUE(hidden.moved());
    // Called directly: the fake platform ends the program by throwing, which must not cross the
    // system's window procedure dispatch.
    try {
      form->Form_MouseMove(0, 0, static_cast<float>(c.x), static_cast<float>(c.y));
      ADD_FAILURE() << "the program went on";
    } catch (const RecordingPlatform::Terminated& end) {
      EXPECT_NE(end.exit_code, 0);
    }
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].text.find(c.file), std::wstring::npos) << "the message names the file";
  }
}

TEST_F(Tracking, ReplacedPicturesAndCursorsAreFreed) {
  MoveTo(300, 450);
  const HBITMAP exit_before = form->picExit.Picture();
  const HBITMAP title_before = form->PicCaption.Picture();
  const HCURSOR cursor_before = CursorShown();
  MoveTo(310, 450);
  EXPECT_EQ(::GetObjectType(exit_before), 0u) << "the exit picture it replaced is deleted";
  EXPECT_EQ(::GetObjectType(title_before), 0u);
  ICONINFO info{};
  EXPECT_FALSE(::GetIconInfo(cursor_before, &info)) << "the cursor it replaced is destroyed";
  MoveTo(40, 310);
  const HBITMAP overlay_before = form->picButton.Picture();
  MoveTo(100, 310);
  EXPECT_EQ(::GetObjectType(overlay_before), 0u);
}

TEST_F(Tracking, ManyMovesHoldNoMoreHandlesThanTen) {
  static constexpr POINT kRoute[] = {{34, 310},  {100, 310}, {160, 315}, {200, 320}, {250, 315}, {300, 305},
                                     {394, 324}, {208, 450}, {300, 440}, {385, 450}, {190, 465}, {300, 432},
                                     {5, 480},   {369, 460}, {250, 200}, {450, 450}, {60, 450}};
  const auto moves = [&](int count) {
    for (int i = 0; i < count; ++i) {
      const POINT at = kRoute[i % std::size(kRoute)];
      MoveTo(at.x, at.y);
      if (i % 8 == 7) {
        // Let the window and its boxes paint what the moves changed.
        ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        CursorShown();
      }
    }
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    CursorShown();
  };
  moves(10);
  const HandleCounts after_ten;
  // A handle lost per move, or per few moves, shows as a difference of hundreds.
  moves(1000);
  const HandleCounts after_many;
  EXPECT_EQ(after_many.bitmaps, after_ten.bitmaps);
  EXPECT_EQ(after_many.cursors, after_ten.cursors);
  EXPECT_EQ(after_many.icons, after_ten.icons);
  EXPECT_EQ(after_many.dcs, after_ten.dcs);
  EXPECT_EQ(after_many.pens, after_ten.pens);
  EXPECT_EQ(after_many.brushes, after_ten.brushes);
  EXPECT_EQ(after_many.fonts, after_ten.fonts);
  EXPECT_EQ(after_many.regions, after_ten.regions);
  EXPECT_GT(after_ten.bitmaps, 0) << "the counters see the skin's pictures";
}

}  // namespace
}  // namespace qs::testing
