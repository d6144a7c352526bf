#include "showcase/movie_player.h"

namespace qs {

std::unique_ptr<MovieControl> MovieControl::Create(HWND parent, const RECT& rc, int control_id) {
  std::unique_ptr<MovieControl> control(new MovieControl());
  // No background brush: WM_PAINT covers every pixel, so an erase would only flicker.
  const wchar_t* name = RegisterOnce(L"QuietSpinMoviePlayer", 0, nullptr);
  if (!control->CreateChild(name, parent, rc, WS_VISIBLE | WS_CLIPSIBLINGS, 0, control_id)) return nullptr;
  return control;
}

MovieControl::~MovieControl() {
  // The parent may have destroyed the window already; WM_NCDESTROY then cleared hwnd_.
  if (hwnd_) DestroyWindow(hwnd_);
}

void MovieControl::SetMovie(const std::wstring& path) {
  view_.Load(path);
  view_.SetLoop(loop_);
  ApplyBackground();
  if (autoplay_) view_.Play();
}

void MovieControl::SetBackgroundColor(int32_t color) {
  background_color_ = color;
  ApplyBackground();
}

void MovieControl::ApplyBackground() {
  if (background_color_ < 0) {
    view_.SetBackground(view_.own_background().value_or(RGB(0, 0, 0)));
    return;
  }
  const auto rgb = static_cast<uint32_t>(background_color_);
  view_.SetBackground(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
}

void MovieControl::SetLoop(bool loop) {
  loop_ = loop;
  view_.SetLoop(loop);
}

void MovieControl::Play() {
  autoplay_ = true;
  view_.Play();
}

void MovieControl::StopPlay() { view_.Stop(); }

void MovieControl::Rewind() { view_.Rewind(); }

bool MovieControl::Visible() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void MovieControl::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

void MovieControl::OnPaint() {
  PaintScope paint(hwnd_);
  view_.Paint(paint.dc());
}

LRESULT MovieControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
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
      view_.Paint(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_TIMER:
      if (view_.OnTimer(static_cast<UINT_PTR>(wp))) return 0;
      break;
    case WM_DESTROY:
      view_.Attach(nullptr);
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace qs
