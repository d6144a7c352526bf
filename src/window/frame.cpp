#include "window/frame.h"

#include "window/label.h"

namespace qs {

Frame::~Frame() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool Frame::Create(HWND parent, RECT rect, bool visible) {
  const wchar_t* cls = RegisterOnce(L"QuietSpinFrame", 0, ::GetSysColorBrush(COLOR_WINDOW));
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0);
  ::CreateWindowExW(WS_EX_CONTROLPARENT, cls, L"", style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent, nullptr, ::GetModuleHandleW(nullptr), this);
  return hwnd_ != nullptr;
}

bool Frame::Visible() const { return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Frame::SetVisible(bool visible) { ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

LRESULT Frame::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC) {
    if (LRESULT brush = Label::OnCtlColor(wp, lp)) return brush;
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace qs
