#include "shell/module_callback.h"

namespace qs {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return ::CallWindowProcW(OldWindowProc, hwnd, msg, wp, lp);
}

void SubclassWindow(HWND hwnd) {
  OldWindowProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

void RestoreWindowProc(HWND hwnd) {
  if (OldWindowProc) ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWindowProc));
}

void RemoveTrayIcon() { ::Shell_NotifyIconW(NIM_DELETE, &TrayIconData); }

}  // namespace qs
