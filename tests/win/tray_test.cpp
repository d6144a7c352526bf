// The tray icon and the subclass window procedure of a real frmMain, in-process under Wine.
#include <windows.h>
#include <shellapi.h>

#include "resources/resource.h"
#include "tray_test_util.h"
#include "window/module_callback.h"

namespace qs::tray_test {
namespace {

// Watches for the popup menu while a test sends tray events: a thread timer, dispatched by the
// menu's own modal loop, reads the open menu and closes it, so that no test can hang in a menu.
struct MenuSeen {
  int opened = 0;
  std::wstring show, exit;
  HWND foreground = nullptr;
};
MenuSeen* g_seen = nullptr;
HMENU g_popup = nullptr;

std::wstring ItemText(HMENU menu, UINT id) {
  wchar_t text[128] = L"";
  ::GetMenuStringW(menu, id, text, 128, MF_BYCOMMAND);
  return text;
}

void CALLBACK WatchMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menu = ::FindWindowW(L"#32768", nullptr);
  if (!g_seen || !menu || !::IsWindowVisible(menu)) return;
  ++g_seen->opened;
  g_seen->show = ItemText(g_popup, IDM_MNUSHOW);
  g_seen->exit = ItemText(g_popup, IDM_MNUEXIT);
  g_seen->foreground = ::GetForegroundWindow();
  ::EndMenu();
}

class TrayIcon : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    g_seen = &seen_;
    g_popup = ::GetSubMenu(form_->mnuView.get(), 0);
    timer_ = ::SetTimer(nullptr, 0, 40, &WatchMenu);
  }
  void TearDown() override {
    ::KillTimer(nullptr, timer_);
    g_seen = nullptr;
    FormTest::TearDown();
  }
  // True when a WM_NULL for the window is waiting in the queue; other messages run.
  bool NullMessagePosted() {
    bool found = false;
    MSG msg;
    while (::PeekMessageW(&msg, hwnd(), 0, 0, PM_REMOVE)) {
      if (msg.message == WM_NULL)
        found = true;
      else
        ::DispatchMessageW(&msg);
    }
    return found;
  }
  bool IconPresent() {
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.hWnd = hwnd();
    probe.uID = 1;
    probe.uFlags = NIF_TIP;
    wcscpy(probe.szTip, L"QuietSpin");
    return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
  }

  MenuSeen seen_;
  UINT_PTR timer_ = 0;
};

TEST_F(TrayIcon, IconRecordIsAddedAtStartUp) {
  const NOTIFYICONDATAW& icon = TrayIconData;
  EXPECT_EQ(icon.hWnd, hwnd());
  EXPECT_EQ(icon.uID, 1u);
  EXPECT_EQ(icon.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(icon.uCallbackMessage, static_cast<UINT>(WM_APP + 1));
  EXPECT_NE(icon.hIcon, nullptr);
  EXPECT_EQ(icon.hIcon, form_->Icon());
  EXPECT_STREQ(icon.szTip, L"QuietSpin");
  EXPECT_TRUE(IconPresent());
}

TEST_F(TrayIcon, MinMaxInfoPinsTheTrackingSizeToTheLoadTimeSize) {
  EXPECT_EQ(WindowWidthPx, 527);
  EXPECT_EQ(WindowHeightPx, 500);
  MINMAXINFO info{};
  info.ptMinTrackSize = {1, 2};
  info.ptMaxTrackSize = {5000, 6000};
  ::SendMessageW(hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 527);
  EXPECT_EQ(info.ptMinTrackSize.y, 500);
  EXPECT_EQ(info.ptMaxTrackSize.x, 527);
  EXPECT_EQ(info.ptMaxTrackSize.y, 500);
}

TEST_F(TrayIcon, HitTestMakesTheUpperBlockACaptionBothBoundsInclusive) {
  auto hit = [&](int x, int y) {
    const POINT at = Screen(x, y);
    ::SetCursorPos(at.x, at.y);
    return ::SendMessageW(hwnd(), WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
  };
  EXPECT_EQ(hit(460, 290), HTCAPTION);
  EXPECT_EQ(hit(0, 0), HTCAPTION);
  EXPECT_EQ(hit(461, 0), HTCLIENT);
  EXPECT_EQ(hit(0, 291), HTCLIENT);
  EXPECT_EQ(hit(470, 400), HTCLIENT);
}

TEST_F(TrayIcon, HitTestNeverTurnsAChildControlIntoACaption) {
  for (HWND child : {form_->PicCaption.hwnd(), form_->FlashDemoWindow}) {
    ASSERT_NE(child, nullptr);
    RECT r{};
    ::GetWindowRect(child, &r);
    const POINT mid{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    POINT client = mid;
    ::ScreenToClient(hwnd(), &client);
    ASSERT_TRUE(InDragArea(client));  // inside the drag block, yet a child's
    ::SetCursorPos(mid.x, mid.y);
    EXPECT_EQ(::WindowFromPoint(mid), child);
    EXPECT_EQ(::SendMessageW(child, WM_NCHITTEST, 0, MAKELPARAM(mid.x, mid.y)), HTCLIENT);
  }
}

TEST_F(TrayIcon, LeftButtonUpHidesAndPausesThenShowsAndPlays) {
  ASSERT_TRUE(form_->Visible());
  SendTray(WM_LBUTTONUP);
  EXPECT_FALSE(form_->Visible());
  EXPECT_EQ(form_->WindowState(), 1);
  EXPECT_EQ(form_->Timer1.Interval(), 0u) << "the showcase clock stops while hidden";
  SendTray(WM_LBUTTONUP);
  EXPECT_TRUE(form_->Visible());
  EXPECT_EQ(form_->WindowState(), 0);
  EXPECT_EQ(form_->Timer1.Interval(), 1000u) << "the showcase plays again";
  EXPECT_TRUE(form_->FlashDemo->Visible());
  EXPECT_EQ(seen_.opened, 0);
}

TEST_F(TrayIcon, DoubleClickIsTwoReleasesAndSoTwoToggles) {
  SendTray(WM_LBUTTONDOWN);
  SendTray(WM_LBUTTONUP);
  EXPECT_FALSE(form_->Visible());
  SendTray(WM_LBUTTONDBLCLK);
  EXPECT_FALSE(form_->Visible()) << "the double-click message itself does nothing";
  SendTray(WM_LBUTTONUP);
  EXPECT_TRUE(form_->Visible());
  EXPECT_EQ(form_->WindowState(), 0);
}

TEST_F(TrayIcon, OtherTrayEventsAreIgnored) {
  for (UINT event : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK,
                     WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK}) {
    SendTray(event);
    ASSERT_TRUE(Pump());
    EXPECT_TRUE(form_->Visible()) << event;
  }
  EXPECT_EQ(seen_.opened, 0);
}

TEST_F(TrayIcon, PointerMovesAndTrayEventsAreKeptApart) {
  // Real pointer moves whose packed position equals a button release are not tray clicks.
  ::SendMessageW(hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(514, 0));
  ::SendMessageW(hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(517, 0));
  ASSERT_TRUE(Pump());
  EXPECT_TRUE(form_->Visible());
  EXPECT_EQ(seen_.opened, 0);
  // Tray events are not pointer moves: the tracking would hide the transport overlay.
  form_->picButton.SetVisible(true);
  for (UINT event : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONUP}) SendTray(event);
  EXPECT_TRUE(form_->picButton.Visible());
  ::SendMessageW(hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(514, 0));
  EXPECT_FALSE(form_->picButton.Visible()) << "a real move there is tracked";
}

TEST_F(TrayIcon, RightButtonUpOpensTheMenuInEnglishFor2052) {
  LanguageId = 2052;
  SendTray(WM_RBUTTONUP);
  EXPECT_EQ(seen_.opened, 1);
  EXPECT_EQ(seen_.show, L"Show");
  EXPECT_EQ(seen_.exit, L"Exit");
  EXPECT_TRUE(form_->Visible());
}

TEST_F(TrayIcon, RightButtonUpOpensTheMenuInTraditionalChineseFor1028) {
  LanguageId = 1028;
  SendTray(WM_RBUTTONUP);
  EXPECT_EQ(seen_.opened, 1);
  EXPECT_EQ(seen_.show, L"顯示主畫面");
  EXPECT_EQ(seen_.exit, L"結束程式");
  // The captions are set before every popup.
  LanguageId = 1033;
  SendTray(WM_RBUTTONUP);
  EXPECT_EQ(seen_.opened, 2);
  EXPECT_EQ(seen_.show, L"Show");
  EXPECT_EQ(seen_.exit, L"Exit");
}

TEST_F(TrayIcon, MenuFollowsTheNotificationIconRule) {
  // Another window has the focus, as when the user clicks the icon from elsewhere.
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
  ::SetForegroundWindow(other);
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other; }));
  NullMessagePosted();
  SendTray(WM_RBUTTONUP);
  EXPECT_EQ(seen_.opened, 1);
  EXPECT_EQ(seen_.foreground, hwnd()) << "the window is foreground while its menu is open";
  EXPECT_TRUE(NullMessagePosted()) << "a benign message follows the menu";
  ::DestroyWindow(other);
}

TEST_F(TrayIcon, ShowFromTheMenuBringsAHiddenWindowBack) {
  SendTray(WM_LBUTTONUP);
  ASSERT_FALSE(form_->Visible());
  ::SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(IDM_MNUSHOW, 0), 0);
  EXPECT_TRUE(form_->Visible());
  EXPECT_EQ(form_->WindowState(), 0);
  EXPECT_EQ(form_->Timer1.Interval(), 1000u);
  // Show while shown keeps it shown.
  ::SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(IDM_MNUSHOW, 0), 0);
  EXPECT_TRUE(form_->Visible());
}

TEST_F(TrayIcon, ExitFromTheMenuUnloadsAndRemovesTheIcon) {
  const HWND window = hwnd();
  ASSERT_TRUE(IconPresent());
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_MNUEXIT, 0), 0);
  EXPECT_TRUE(form_->Unloaded());
  EXPECT_FALSE(::IsWindow(window));
  NOTIFYICONDATAW probe{};
  probe.cbSize = sizeof(probe);
  probe.hWnd = window;
  probe.uID = 1;
  probe.uFlags = NIF_TIP;
  EXPECT_FALSE(::Shell_NotifyIconW(NIM_MODIFY, &probe));
}

TEST_F(TrayIcon, IconComesBackWhenTheNotificationAreaIsRecreated) {
  NOTIFYICONDATAW gone = TrayIconData;
  ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &gone));  // as when Explorer restarts
  ASSERT_FALSE(IconPresent());
  ::SendMessageW(hwnd(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(IconPresent());
  // And it works as before.
  SendTray(WM_LBUTTONUP);
  EXPECT_FALSE(form_->Visible());
}

TEST_F(TrayIcon, UnloadPutsThePreviousWindowProcedureBack) {
  const auto subclassed = ::GetWindowLongPtrW(hwnd(), GWLP_WNDPROC);
  EXPECT_EQ(subclassed, reinterpret_cast<LONG_PTR>(&WindowProc));
  ASSERT_NE(OldWindowProc, nullptr);
  int16_t cancel = 0;
  form_->Form_Unload(cancel);
  EXPECT_EQ(::GetWindowLongPtrW(hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(OldWindowProc));
  EXPECT_EQ(cancel, 0);
}

}  // namespace
}  // namespace qs::tray_test
