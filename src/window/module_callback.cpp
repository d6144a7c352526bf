#include "window/module_callback.h"

#include "base/module_dim.h"
#include "window/frm_main.h"

namespace qs {
namespace {

// The window can be neither smaller nor larger than it was at load.
void PinTrackingSize(LPARAM lp) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lp);
  if (!info) return;
  const POINT size{WindowWidthPx, WindowHeightPx};
  info->ptMinTrackSize = size;
  info->ptMaxTrackSize = size;
}

// A press on the window's own surface inside the drag area acts as a press on a title bar. The
// position is the pointer's, read now; child controls answer their own hit tests.
LRESULT DragHitTest(HWND hwnd, LRESULT answer) {
  if (answer != HTCLIENT) return answer;
  POINT at{};
  ::GetCursorPos(&at);
  ::ScreenToClient(hwnd, &at);
  return InDragArea(at) ? HTCAPTION : answer;
}

void ReAddTrayIcon(HWND hwnd) {
  // Only an icon this window added before is put back; an unloaded window has none.
  if (TrayIconData.cbSize != 0 && TrayIconData.hWnd == hwnd) ::Shell_NotifyIconW(NIM_ADD, &TrayIconData);
}

}  // namespace

UINT TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const LRESULT r = ::CallWindowProcW(OldWindowProc, hwnd, msg, wp, lp);
  switch (msg) {
    case WM_GETMINMAXINFO:
      PinTrackingSize(lp);
      return r;
    case WM_NCHITTEST:
      return DragHitTest(hwnd, r);
    case kTrayCallbackMessage:
      // lParam is the mouse message that happened over the icon.
      if (frmMain && frmMain->hwnd() == hwnd) frmMain->TrayIcon_Notify(static_cast<UINT>(lp));
      return r;
  }
  if (msg == TaskbarCreatedMessage()) ReAddTrayIcon(hwnd);
  return r;
}

void SubclassWindow(HWND hwnd) {
  OldWindowProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
  // QuietSpin runs elevated; the shell that announces a new notification area does not, and its
  // message would be filtered out unless the window lets it in.
  ::ChangeWindowMessageFilterEx(hwnd, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
  ::ChangeWindowMessageFilterEx(hwnd, kTrayCallbackMessage, MSGFLT_ALLOW, nullptr);
}

void RestoreWindowProc(HWND hwnd) {
  if (OldWindowProc) ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWindowProc));
}

}  // namespace qs
