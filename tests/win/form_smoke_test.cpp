#include "support/form_fixture.h"

#include "shell/module_callback.h"
#include "shell/module_dim.h"

namespace qs::testing {
namespace {

using FormSmoke = FormTest;

TEST_F(FormSmoke, StartsShownAtItsStoredPlaceWithTheTopLevelAndNoCommandSent) {
  RECT r{};
  ::GetWindowRect(form->hwnd(), &r);
  EXPECT_EQ(r.left, 294);
  EXPECT_EQ(r.top, 114);
  EXPECT_EQ(r.right - r.left, 527);
  EXPECT_EQ(r.bottom - r.top, 500);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(SpeedLevel, 24);
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
