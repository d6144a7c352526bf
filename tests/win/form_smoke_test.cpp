#include "support/form_fixture.h"

#include "base/module_dim.h"
#include "shell/command_line.h"
#include "window/module_callback.h"

namespace qs::testing {
namespace {

using FormSmoke = FormTest;

TEST_F(FormSmoke, StartsShownAtItsStoredPlaceWithTheTopLevelAndNoCommandSent) {
  RECT r{};
  ::GetWindowRect(form->hwnd(), &r);
  EXPECT_EQ(r.left, layout::kStoredPosition.x);
  EXPECT_EQ(r.top, layout::kStoredPosition.y);
  EXPECT_EQ(r.right - r.left, layout::kWidth);
  EXPECT_EQ(r.bottom - r.top, layout::kHeight);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(SpeedLevel, speed::kTopLevel);
  EXPECT_TRUE(port.speeds.empty()) << "the first command goes out with the first tick";
}

TEST_F(FormSmoke, UnloadSendsTheTopSpeed) {
  MoveTo(208, 450);
  EXPECT_EQ(SpeedLevel, 1);
  form->Unload();
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{52});
}

TEST_F(FormSmoke, CloseFromTheSystemUnloadsLikeExit) {
  MoveTo(300, 450);
  ::SendMessageW(form->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(form->Unloaded());
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{52});
  EXPECT_EQ(form->hwnd(), nullptr) << "the window is gone";
}

TEST_F(FormSmoke, ATickAppliesTheChosenLevelAndATickDuringAWaitStartsNothing) {
  MoveTo(208, 450);
  ::SendMessageW(form->hwnd(), WM_TIMER, FrmMain::kTimer2Id, 0);
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{6});
  // A tick arriving while a drive works does not start a second application.
  int nested = 0;
  port.on_pump = [&] {
    if (nested++ == 0) ::SendMessageW(form->hwnd(), WM_TIMER, FrmMain::kTimer2Id, 0);
  };
  port.pending_pumps = 3;
  ::SendMessageW(form->hwnd(), WM_TIMER, FrmMain::kTimer2Id, 0);
  EXPECT_EQ(port.speeds, (std::vector<uint8_t>{6, 6}));
}

// The logon task's start: hidden in the tray at the level a click last applied, until a left
// click on the icon shows the window, which still holds that level, with the showcase playing.
TEST_F(FormSmoke, TrayStartKeepsTheLevelLastClickedHiddenUntilTheIconIsClicked) {
  const POINT meter{204 + 5 * 7, 450};  // level 5
  MoveTo(meter.x, meter.y);
  ASSERT_TRUE(::SetCursorPos(294 + meter.x, 114 + meter.y));
  ::SendMessageW(form->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(meter.x, meter.y));
  ::SendMessageW(form->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(meter.x, meter.y));
  ASSERT_EQ(port.speeds, std::vector<uint8_t>{14});
  MoveTo(300, 450);  // a later level that no click applied is not kept

  Restart(FrmMain::StartMode::kTray);
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(::IsWindowVisible(form->hwnd()));
  EXPECT_EQ(SpeedLevel, 5);
  EXPECT_EQ(form->LineSpeed[4].color, speed::kBarBelowLevel);
  EXPECT_EQ(form->LineSpeed[5].color, speed::kBarFromLevel);
  EXPECT_EQ(form->Timer1.Interval(), 0u) << "the showcase is paused";
  NOTIFYICONDATAW icon = TrayIconData;
  EXPECT_TRUE(::Shell_NotifyIconW(NIM_MODIFY, &icon)) << "the tray icon is there";
  EXPECT_TRUE(port.speeds.empty()) << "the first command goes out with the first tick";
  ::SendMessageW(form->hwnd(), WM_TIMER, FrmMain::kTimer2Id, 0);
  EXPECT_EQ(port.speeds, std::vector<uint8_t>{14});

  ::SendMessageW(form->hwnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->WindowState(), 0);
  EXPECT_EQ(form->Timer1.Interval(), 1000u) << "the showcase plays";
  EXPECT_EQ(SpeedLevel, 5);
  EXPECT_EQ(form->LineSpeed[4].color, speed::kBarBelowLevel);
  EXPECT_EQ(form->LineSpeed[5].color, speed::kBarFromLevel);

  // The exit still sets the top speed, and keeps the choice for the next logon.
  form->Unload();
  EXPECT_EQ(port.speeds.back(), 52);
  EXPECT_EQ(StoredLevelValue(), 5u);
}

// Without the switch a start is as it always was; in the tray, a value that is not a REG_DWORD
// from 0 to 24 counts as none.
TEST_F(FormSmoke, OnlyATrayStartReadsTheStoredLevelAndOnlyAValidOne) {
  const DWORD zero = 0;
  WriteStoredLevel(REG_DWORD, &zero, sizeof(zero));
  Restart(FrmMain::StartMode::kWindow);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(SpeedLevel, 24);
  EXPECT_EQ(form->Timer1.Interval(), 1000u);
  Restart(FrmMain::StartMode::kTray);
  EXPECT_EQ(SpeedLevel, 0) << "0 is a level";

  const DWORD too_high = 25, negative = 0xFFFFFFFF;
  const uint64_t wide = 5;
  const BYTE binary[4] = {5, 0, 0, 0};
  const wchar_t text[] = L"5";
  const struct {
    DWORD type;
    const void* data;
    DWORD size;
  } hostile[] = {{REG_DWORD, &too_high, 4},
                 {REG_DWORD, &negative, 4},
                 {REG_QWORD, &wide, 8},
                 {REG_BINARY, binary, 4},
                 {REG_SZ, text, sizeof(text)}};
  for (const auto& value : hostile) {
    WriteStoredLevel(value.type, value.data, value.size);
    Restart(FrmMain::StartMode::kTray);
    EXPECT_EQ(SpeedLevel, 24) << "type " << value.type;
    EXPECT_EQ(form->LineSpeed[23].color, speed::kBarBelowLevel);
  }
}

TEST(StartSwitch, OnlyAnArgumentThatIsSlashTrayStartsInTheTray) {
  EXPECT_TRUE(HasTraySwitch(LR"("C:\Program Files\QuietSpin\QuietSpin.exe" /tray)"));
  EXPECT_TRUE(HasTraySwitch(L"QuietSpin.exe other /TRAY"));
  EXPECT_TRUE(HasTraySwitch(L"QuietSpin.exe \"/tray\""));
  for (const wchar_t* other : {L"QuietSpin.exe", L"QuietSpin.exe /trayx", L"QuietSpin.exe tray",
                               L"QuietSpin.exe -tray", L"QuietSpin.exe \"/tray x\"", L"/tray", L""}) {
    EXPECT_FALSE(HasTraySwitch(other)) << other;
  }
}

TEST_F(FormSmoke, AFatalErrorTakesTheTrayIconAwayBeforeTheProgramEnds) {
  NOTIFYICONDATAW icon = TrayIconData;
  ASSERT_NE(icon.cbSize, 0u);
  ASSERT_TRUE(::Shell_NotifyIconW(NIM_MODIFY, &icon)) << "the icon is there";
  EXPECT_THROW(FatalError(L"QuietSpin cannot load the picture X."), RecordingPlatform::Terminated);
  EXPECT_FALSE(::Shell_NotifyIconW(NIM_MODIFY, &icon)) << "no icon is left behind";
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].title, L"QuietSpin");
}

}  // namespace
}  // namespace qs::testing
