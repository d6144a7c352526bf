// The hot spots of a real frmMain, in-process under Wine: tooltips by language, lit pictures,
// the links (recorded by the test platform instead of reaching a browser) and the exit button.
#include <windows.h>

#include "base/string_table.h"
#include "tray_test_util.h"

namespace qs::tray_test {
namespace {

const std::string kMotherboardPage = "http://" QS_ENGLISH_HOST "/products/mb/";
const std::string kHomePage = "http://" QS_MAIN_HOST;
const std::string kMurmexPage = "http://" QS_ENGLISH_HOST "/tech/techinside/Murmex.htm";

class HotSpots : public FormTest {
 protected:
  // A press and release of `button` (1 left, 2 right, 4 middle) at a client point of `control`.
  static void ClickOn(HWND control, int button, int x = 5, int y = 5) {
    const UINT down = button == 1 ? WM_LBUTTONDOWN : button == 2 ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
    const WPARAM held = button == 1 ? MK_LBUTTON : button == 2 ? MK_RBUTTON : MK_MBUTTON;
    ::SendMessageW(control, down, held, MAKELPARAM(x, y));
    ::SendMessageW(control, down + 1, 0, MAKELPARAM(x, y));
  }
  static void MoveOver(HWND control) { ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)); }
  std::wstring TipOf(HWND control) const { return form_->tips.Text(control); }
};

TEST_F(HotSpots, TooltipsFollowTheLanguageRule) {
  const HWND caption = form_->PicCaption.hwnd();
  const HWND exit = form_->picExit.hwnd();
  const HWND logo = form_->imgVantorLogo.hwnd();
  const HWND murmex = form_->AniGifMurmexWindow;
  ASSERT_NE(murmex, nullptr);
  for (int32_t language : {1033, 2052, 0}) {
    LanguageId = language;
    for (HWND h : {caption, exit, logo, murmex}) MoveOver(h);
    EXPECT_EQ(TipOf(caption), L"Connect Vantor motherboard web site.") << language;
    EXPECT_EQ(TipOf(exit), L"Exit") << language;
    EXPECT_EQ(TipOf(logo), L"Connect Vantor web site.") << language;
    EXPECT_EQ(TipOf(murmex), L"Connect Vantor Murmex web page.") << language;
  }
  LanguageId = 1028;
  for (HWND h : {caption, exit, logo, murmex}) MoveOver(h);
  EXPECT_EQ(TipOf(caption), LoadText(2200));
  EXPECT_EQ(TipOf(exit), LoadText(2107));
  EXPECT_EQ(TipOf(logo), LoadText(2202));
  EXPECT_EQ(TipOf(murmex), LoadText(2201));
  EXPECT_NE(TipOf(caption), LoadText(1200));
}

TEST_F(HotSpots, ModeIndicatorTipFollowsPlayStateAndKeepsItForOtherStates) {
  const HWND ongoing = form_->picOngoing.hwnd();
  LanguageId = 1033;
  const std::pair<int16_t, const wchar_t*> cases[] = {{1, L"Play"}, {2, L"Pause"}, {3, L"Stop"}};
  for (const auto& [state, text] : cases) {
    form_->PlayState = state;
    MoveOver(ongoing);
    EXPECT_EQ(TipOf(ongoing), text);
  }
  for (int16_t state : {0, 4, -1}) {
    form_->PlayState = state;
    MoveOver(ongoing);
    EXPECT_EQ(TipOf(ongoing), L"Stop") << state;
  }
  LanguageId = 1028;
  form_->PlayState = 2;
  MoveOver(ongoing);
  EXPECT_EQ(TipOf(ongoing), LoadText(2103));
}

TEST_F(HotSpots, HoverLightsTheTitleAndTheExitButtonAndHidesTheOverlay) {
  HBITMAP caption_before = form_->PicCaption.Picture();
  MoveOver(form_->PicCaption.hwnd());
  EXPECT_NE(form_->PicCaption.Picture(), nullptr);
  EXPECT_NE(form_->PicCaption.Picture(), caption_before);
  form_->picButton.SetVisible(true);
  HBITMAP exit_before = form_->picExit.Picture();
  MoveOver(form_->picExit.hwnd());
  EXPECT_FALSE(form_->picButton.Visible());
  EXPECT_NE(form_->picExit.Picture(), nullptr);
  EXPECT_NE(form_->picExit.Picture(), exit_before);
}

TEST_F(HotSpots, LinksOpenOnlyForTheButtonsLaidDown) {
  ClickOn(form_->PicCaption.hwnd(), 2);
  ClickOn(form_->PicCaption.hwnd(), 4);
  ClickOn(form_->imgVantorLogo.hwnd(), 2);
  ClickOn(form_->imgVantorLogo.hwnd(), 4);
  ClickOn(form_->AniGifMurmexWindow, 2);
  EXPECT_TRUE(platform_.urls.empty());

  // The title strip opens on the press, before any release.
  ::SendMessageW(form_->PicCaption.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_EQ(platform_.urls.size(), 1u);
  EXPECT_EQ(platform_.urls[0], kMotherboardPage);
  ::SendMessageW(form_->PicCaption.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(platform_.urls.size(), 1u);

  // The maker's logo opens on the release only.
  ::SendMessageW(form_->imgVantorLogo.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(platform_.urls.size(), 1u);
  ::SendMessageW(form_->imgVantorLogo.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_EQ(platform_.urls.size(), 2u);
  EXPECT_EQ(platform_.urls[1], kHomePage);

  ClickOn(form_->AniGifMurmexWindow, 1);
  ASSERT_EQ(platform_.urls.size(), 3u);
  EXPECT_EQ(platform_.urls[2], kMurmexPage);
  for (HWND owner : platform_.owners) EXPECT_EQ(owner, hwnd());
  EXPECT_TRUE(form_->Visible());
}

TEST_F(HotSpots, ExitButtonUnloadsAtOnce) {
  const HWND window = hwnd();
  ClickOn(form_->picExit.hwnd(), 2);
  EXPECT_FALSE(form_->Unloaded()) << "only a left click is a click";
  ClickOn(form_->picExit.hwnd(), 1);
  EXPECT_TRUE(form_->Unloaded());
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_TRUE(platform_.messages.empty()) << "no confirmation";
}

}  // namespace
}  // namespace qs::tray_test
