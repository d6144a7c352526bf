#include "window/frame.h"

#include "window/label.h"

namespace qs {

Frame::~Frame() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool Frame::Create(HWND parent, RECT rect, bool visible) {
  const wchar_t* cls = RegisterOnce(L"QuietSpinFrame", 0, ::GetSysColorBrush(COLOR_WINDOW));
  return CreateChild(cls, parent, rect, WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0),
                     WS_EX_CONTROLPARENT);
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
