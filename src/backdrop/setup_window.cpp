#include "backdrop/setup_window.h"

#include <utility>

#include "backdrop/resource.h"

namespace qs::backdrop {
namespace {

constexpr wchar_t kClassName[] = L"Setup";
constexpr DWORD kStyle = WS_POPUP;  // no border, caption, control box or sizing buttons
constexpr DWORD kExStyle = 0;

// The outer rectangle for the fixed client area, centred on the primary screen.
RECT CentredWindowRect() {
  RECT rect{0, 0, SetupWindow::kClientWidth, SetupWindow::kClientHeight};
  ::AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  return RECT{x, y, x + width, y + height};
}

}  // namespace

SetupWindow::SetupWindow(Picture picture) noexcept : picture_(std::move(picture)) {}

bool SetupWindow::Create(HINSTANCE instance) {
  // A stock brush is never deleted, so the class may keep it for the life of the process.
  const wchar_t* name = RegisterOnce(kClassName, 0, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  const RECT rect = CentredWindowRect();
  window_.reset(::CreateWindowExW(kExStyle, name, L"", kStyle, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, nullptr, nullptr, instance, this));
  if (!window_) return false;
  // The application icon shared with QuietSpin, for the window's big and small icon alike.
  icon_.reset(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, 0)));
  if (icon_) {
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
  }
  return true;
}

void SetupWindow::Show() {
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ::UpdateWindow(hwnd());
}

LRESULT SetupWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_NCDESTROY:
      // The handle dies with the window; the wrapper must not destroy it a second time.
      window_.release();
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd(), msg, wp, lp);
}

void SetupWindow::OnPaint() {
  PaintScope paint(hwnd());
  if (!picture_.bitmap) return;  // the class brush has already made the client area white
  UniqueDc source(::CreateCompatibleDC(paint.dc()));
  if (!source) return;
  SelectScope select(source.get(), picture_.bitmap.get());
  // Drawn whole from the corner: the window's client area clips the 3 right-most columns and
  // the bottom row.
  ::BitBlt(paint.dc(), 0, 0, picture_.size.cx, picture_.size.cy, source.get(), 0, 0, SRCCOPY);
}

}  // namespace qs::backdrop
