#include "window/picture_box.h"

#include <windowsx.h>

namespace qs {

int ButtonsOf(WPARAM wp) {
  return ((wp & MK_LBUTTON) ? 1 : 0) | ((wp & MK_RBUTTON) ? 2 : 0) | ((wp & MK_MBUTTON) ? 4 : 0);
}

int ShiftOf(WPARAM wp) {
  return ((wp & MK_SHIFT) ? 1 : 0) | ((wp & MK_CONTROL) ? 2 : 0) | ((::GetKeyState(VK_MENU) < 0) ? 4 : 0);
}

PictureBox::~PictureBox() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool PictureBox::Create(const PictureBoxArgs& args) {
  stretch_ = args.stretch;
  cursor_ = args.cursor;
  events_ = args.events;
  const wchar_t* cls = RegisterOnce(L"QuietSpinPictureBox", 0, ::GetSysColorBrush(COLOR_WINDOW));
  return CreateChild(cls, args.parent, args.rect, WS_CLIPSIBLINGS | (args.visible ? WS_VISIBLE : 0));
}

void PictureBox::SetPicture(UniqueBitmap picture) {
  picture_ = std::move(picture);
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void PictureBox::Move(int left, int top) {
  ::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT PictureBox::Position() const {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  POINT p{r.left, r.top};
  ::ScreenToClient(::GetParent(hwnd_), &p);
  return p;
}

bool PictureBox::Visible() const { return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void PictureBox::SetVisible(bool visible) { ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

LRESULT PictureBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole box
    case WM_SETCURSOR:
      if (cursor_ && LOWORD(lp) == HTCLIENT) {
        ::SetCursor(cursor_);
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      OnMouse(msg, wp, lp);
      return 0;
    case WM_CAPTURECHANGED:
      held_ = 0;
      return 0;
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

void PictureBox::OnPaint() {
  PaintScope paint(hwnd_);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ::FillRect(paint.dc(), &client, ::GetSysColorBrush(COLOR_WINDOW));
  if (!picture_) return;
  UniqueDc memory(::CreateCompatibleDC(paint.dc()));
  SelectScope select(memory.get(), picture_.get());
  BITMAP info{};
  ::GetObjectW(picture_.get(), sizeof(info), &info);
  const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  if (stretch_) {
    ::SetStretchBltMode(paint.dc(), HALFTONE);
    ::StretchBlt(paint.dc(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, info.bmWidth, height,
                 SRCCOPY);
  } else {
    ::BitBlt(paint.dc(), 0, 0, info.bmWidth, height, memory.get(), 0, 0, SRCCOPY);
  }
}

void PictureBox::OnMouse(UINT msg, WPARAM wp, LPARAM lp) {
  if (!events_) return;
  const int x = GET_X_LPARAM(lp);
  const int y = GET_Y_LPARAM(lp);
  const int shift = ShiftOf(wp);
  int button = 0;
  switch (msg) {
    case WM_MOUSEMOVE:
      events_->OnBoxMouseMove(*this, ButtonsOf(wp), shift, x, y);
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      button = 1;
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      button = 2;
      break;
    default:
      button = 4;
      break;
  }
  const bool down = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
  if (down) {
    if (!held_) ::SetCapture(hwnd_);
    held_ |= button;
    events_->OnBoxMouseDown(*this, button, shift, x, y);
    return;
  }
  // A release belongs to the control that took the press: one this box did not see pressed (a
  // press that began on the window's background, say) does nothing here.
  if (!(held_ & button)) return;
  held_ &= ~button;
  if (!held_) ::ReleaseCapture();
  events_->OnBoxMouseUp(*this, button, shift, x, y);
  // A click is a left press and release with the pointer still over the box.
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (button == 1 && hwnd_ && ::PtInRect(&client, POINT{x, y})) events_->OnBoxClick(*this);
}

}  // namespace qs
