#include "showcase/anigif_control.h"

#include <windowsx.h>

namespace qs {

std::unique_ptr<AniGifControl> AniGifControl::Create(HWND parent, const RECT& rc, AnimatedLogoEvents* events,
                                                     HCURSOR cursor, int control_id) {
  std::unique_ptr<AniGifControl> control(new AniGifControl(events, cursor));
  control->view_.SetBackground(RGB(255, 255, 255));
  control->view_.SetLoop(true);
  // No background brush: WM_PAINT covers every pixel, so an erase would only flicker.
  const wchar_t* name = RegisterOnce(L"QuietSpinAnimatedLogo", 0, nullptr);
  if (!control->CreateChild(name, parent, rc, WS_VISIBLE | WS_CLIPSIBLINGS, 0, control_id)) return nullptr;
  return control;
}

AniGifControl::~AniGifControl() {
  // The parent may have destroyed the window already; WM_NCDESTROY then cleared hwnd_.
  if (hwnd_) DestroyWindow(hwnd_);
}

// A logo that nobody can see yet (its panel is hidden, as at start-up) is opened when it is first
// painted.
void AniGifControl::SetPicturePath(const std::wstring& path) {
  pending_path_ = path;
  if (IsWindowVisible(hwnd_)) OpenPendingPicture();
}

void AniGifControl::OpenPendingPicture() {
  if (!pending_path_) return;
  view_.Load(*pending_path_);
  pending_path_.reset();
  view_.SetLoop(true);  // a logo always loops, whatever the file asks
  if (Visible()) view_.Play();
}

void AniGifControl::SetBackValue(uint32_t value) {
  view_.SetBackground(static_cast<COLORREF>(value & 0x00FFFFFF));
}

bool AniGifControl::Visible() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void AniGifControl::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

// While hidden the timer is not needed: the animation rests and goes on from the same frame.
void AniGifControl::OnShowWindow(bool shown) {
  if (shown) {
    view_.Play();
  } else {
    view_.Stop();
  }
}

// The logo lies on the logo panel, which is hidden while a movie plays: with a hidden parent the
// animation rests, and the paint that comes when the panel shows again wakes it.
void AniGifControl::OnTimer(WPARAM id) {
  if (!IsWindowVisible(hwnd_)) {
    view_.Stop();
    resting_ = true;
    return;
  }
  view_.OnTimer(static_cast<UINT_PTR>(id));
}

void AniGifControl::OnPaint() {
  OpenPendingPicture();
  if (resting_ && Visible()) {
    resting_ = false;
    view_.Play();
  }
  PaintScope paint(hwnd_);
  view_.Paint(paint.dc());
}

// While a button press holds the capture, moves outside the control also arrive here.
void AniGifControl::OnMouseMove(POINT at) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (PtInRect(&client, at) && events_) events_->AniGifMurmex_MouseOver();
}

void AniGifControl::OnLButtonDown() { SetCapture(hwnd_); }

// A click is a release inside the control, as with a button: dragging off it and letting go
// outside does not follow the link.
void AniGifControl::OnLButtonUp(POINT at) {
  if (GetCapture() == hwnd_) ReleaseCapture();
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (PtInRect(&client, at) && events_) events_->AniGifMurmex_Click();
}

bool AniGifControl::OnSetCursor(WPARAM wp, LPARAM lp) {
  if (!cursor_ || reinterpret_cast<HWND>(wp) != hwnd_ || LOWORD(lp) != HTCLIENT) return false;
  SetCursor(cursor_);
  return true;
}

LRESULT AniGifControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCCREATE:
      view_.Attach(hwnd_);
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:
      OpenPendingPicture();
      view_.Paint(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_TIMER:
      if (wp != kFrameTimer) break;
      OnTimer(wp);
      return 0;
    case WM_SHOWWINDOW:
      OnShowWindow(wp != FALSE);
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown();
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(wp, lp)) return TRUE;
      break;
    case WM_DESTROY:
      view_.Attach(nullptr);
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace qs
