// The tray icon and its menu.
#include <cwchar>

#include "base/language.h"
#include "base/module_dim.h"
#include "base/string_table.h"
#include "resources/resource.h"
#include "window/frm_main.h"
#include "window/module_callback.h"

namespace qs {
namespace {

void SetMenuCaption(HMENU menu, UINT id, const std::wstring& text) {
  std::wstring copy = text;
  MENUITEMINFOW item{};
  item.cbSize = sizeof(item);
  item.fMask = MIIM_STRING;
  item.dwTypeData = copy.data();
  ::SetMenuItemInfoW(menu, id, FALSE, &item);
}

}  // namespace

void FrmMain::AddToSystemTray() {
  NOTIFYICONDATAW& icon = TrayIconData;
  icon = NOTIFYICONDATAW{};
  icon.cbSize = sizeof(icon);
  icon.hWnd = hwnd_;
  icon.uID = kTrayIconId;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = kTrayCallbackMessage;
  icon.hIcon = Icon();
  std::wcsncpy(icon.szTip, LoadMessage(Message::kTitle).c_str(), std::size(icon.szTip) - 1);
  ::Shell_NotifyIconW(NIM_ADD, &icon);
}

void FrmMain::TrayIcon_Notify(UINT mouse_message) {
  // Moves, presses and double clicks over the icon do nothing: a double click brings two
  // releases, and so two toggles.
  if (mouse_message == WM_LBUTTONUP)
    TrayIcon_Toggle();
  else if (mouse_message == WM_RBUTTONUP)
    ShowTrayMenu();
}

void FrmMain::TrayIcon_Toggle() {
  if (Visible()) {
    SetWindowState(1);
    SetVisible(false);
    ShowPause();
    return;
  }
  SetVisible(true);
  SetWindowState(0);
  // While the showcase is stopped the logo panel stands in for the movie; it comes back with
  // the window, the animated logo re-shown so that it runs again.
  if (!(FlashDemo && FlashDemo->Visible())) {
    if (AniGifMurmex) AniGifMurmex->SetVisible(false);
    FraLogo.SetVisible(true);
    if (AniGifMurmex) {
      AniGifMurmex->SetBackValue(0x00FFFFFF);
      AniGifMurmex->SetVisible(true);
    }
  }
  ShowPlay();
}

void FrmMain::ShowTrayMenu() {
  HMENU popup = ::GetSubMenu(mnuView.get(), 0);
  if (!popup) return;
  // Traditional Chinese has its own captions; every other language reads the English ones.
  const auto language = static_cast<Language>(LanguageId);
  SetMenuCaption(popup, IDM_MNUSHOW, LoadText(TextId(language, Text::kShow)));
  SetMenuCaption(popup, IDM_MNUEXIT, LoadText(TextId(language, Text::kExit)));
  POINT at{};
  ::GetCursorPos(&at);
  // Window-system news of the focus change that came before (the click on the notification area
  // took the focus away) is taken in first: arriving inside the menu's loop it would close the
  // menu at once. A zero wait reads that news even when messages are already queued, which a
  // peek does not.
  ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
  // A menu opened from a notification icon closes on a click elsewhere only when its owner is
  // the foreground window; the message posted after it closes lets the next one open properly.
  ::SetForegroundWindow(hwnd_);
  MSG pending;
  ::PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE);
  ::TrackPopupMenu(popup, 0, at.x, at.y, 0, hwnd_, nullptr);
  ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void FrmMain::mnuShow_Click() {
  if (WindowState() != 0) SetWindowState(0);
  ShowPlay();
  SetVisible(true);
}

void FrmMain::mnuExit_Click() { Unload(); }

void FrmMain::ShowInstance_Request() {
  // Before start-up is complete the install branch may be showing its boxes, and after the unload
  // there is nothing to show: the window stays hidden.
  if (!running_ || unloaded_) return;
  mnuShow_Click();
  ::SetForegroundWindow(hwnd_);
}

}  // namespace qs
