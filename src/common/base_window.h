// Binds a C++ object to its window: the object pointer travels in CREATESTRUCT::lpCreateParams,
// is stored at WM_NCCREATE, and every later message goes to Derived::HandleMessage.
#pragma once
#include <windows.h>

namespace qs {

template <typename Derived>
class BaseWindow {
 public:
  HWND hwnd() const noexcept { return hwnd_; }

 protected:
  static Derived* FromHwnd(HWND hwnd) noexcept {
    return reinterpret_cast<Derived*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }

  static LRESULT CALLBACK Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Derived* self = nullptr;
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      self = static_cast<Derived*>(cs->lpCreateParams);
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = FromHwnd(hwnd);
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = self->HandleMessage(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  }

  // Creates this object's window as a child of `parent`, at `rect` in the parent's pixels.
  bool CreateChild(const wchar_t* cls, HWND parent, const RECT& rect, DWORD style, DWORD ex_style = 0,
                   int id = 0) {
    ::CreateWindowExW(ex_style, cls, L"", WS_CHILD | style, rect.left, rect.top, rect.right - rect.left,
                      rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                      ::GetModuleHandleW(nullptr), static_cast<Derived*>(this));
    return hwnd_ != nullptr;
  }

  // Registers the class once per process; returns its atom name.
  static const wchar_t* RegisterOnce(const wchar_t* name, UINT style = 0, HBRUSH background = nullptr) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.style = style;
      wc.lpfnWndProc = &BaseWindow::Trampoline;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
      wc.hbrBackground = background;
      wc.lpszClassName = name;
      registered = ::RegisterClassExW(&wc) != 0;
    }
    return name;
  }

  HWND hwnd_ = nullptr;
};

}  // namespace qs
