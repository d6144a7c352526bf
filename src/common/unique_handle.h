// RAII ownership for Win32 handles: one template, many handle kinds.
// Copy is deleted, move transfers ownership; get()/release()/reset() as in the standard library.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <atomic>
#include <utility>

namespace qs {

template <typename T, typename Closer, T Invalid = T{}>
class UniqueAny {
 public:
  UniqueAny() noexcept = default;
  explicit UniqueAny(T value) noexcept : value_(value) { Adopted(value_); }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) { Adopted(value_); }
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Invalid; }
  // Hands the value over to the caller, who becomes responsible for closing it.
  T release() noexcept {
    if (value_ != Invalid) live_.fetch_sub(1, std::memory_order_relaxed);
    return std::exchange(value_, Invalid);
  }
  void reset(T value = Invalid) noexcept {
    T old = std::exchange(value_, value);
    Adopted(value_);
    if (old != Invalid) {
      live_.fetch_sub(1, std::memory_order_relaxed);
      Closer{}(old);
    }
  }
  // How many handles of this kind the program owns right now: leak tests compare it before and
  // after many events (the platform's own object counters are not available under Wine).
  static long Live() noexcept { return live_.load(std::memory_order_relaxed); }

 private:
  static void Adopted(T value) noexcept {
    if (value != Invalid) live_.fetch_add(1, std::memory_order_relaxed);
  }

  T value_ = Invalid;
  static inline std::atomic<long> live_{0};
};

struct CloseHandleFn {
  void operator()(HANDLE h) const noexcept { ::CloseHandle(h); }
};
struct FreeLibraryFn {
  void operator()(HMODULE h) const noexcept { ::FreeLibrary(h); }
};
struct DeleteObjectFn {
  void operator()(HGDIOBJ h) const noexcept { ::DeleteObject(h); }
};
struct DeleteDcFn {
  void operator()(HDC h) const noexcept { ::DeleteDC(h); }
};
struct DestroyIconFn {
  void operator()(HICON h) const noexcept { ::DestroyIcon(h); }
};
struct DestroyCursorFn {
  void operator()(HCURSOR h) const noexcept { ::DestroyCursor(h); }
};
struct DestroyMenuFn {
  void operator()(HMENU h) const noexcept { ::DestroyMenu(h); }
};
struct DestroyWindowFn {
  void operator()(HWND h) const noexcept { ::DestroyWindow(h); }
};
struct RegCloseKeyFn {
  void operator()(HKEY h) const noexcept { ::RegCloseKey(h); }
};
struct LocalFreeFn {
  void operator()(void* p) const noexcept { ::LocalFree(p); }
};

using UniqueHandle = UniqueAny<HANDLE, CloseHandleFn>;
using UniqueModule = UniqueAny<HMODULE, FreeLibraryFn>;
using UniqueDc = UniqueAny<HDC, DeleteDcFn>;
using UniqueIcon = UniqueAny<HICON, DestroyIconFn>;
using UniqueCursor = UniqueAny<HCURSOR, DestroyCursorFn>;
using UniqueMenu = UniqueAny<HMENU, DestroyMenuFn>;
using UniqueWindow = UniqueAny<HWND, DestroyWindowFn>;
using UniqueHkey = UniqueAny<HKEY, RegCloseKeyFn>;
// Memory the system allocated for the caller with LocalAlloc (CommandLineToArgvW, SID strings).
template <typename P>
using UniqueLocal = UniqueAny<P, LocalFreeFn>;

template <typename G>
using UniqueGdi = UniqueAny<G, DeleteObjectFn>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniquePen = UniqueGdi<HPEN>;
using UniqueRegion = UniqueGdi<HRGN>;

// A file handle is empty at INVALID_HANDLE_VALUE (what CreateFile returns on failure) as well
// as at null; neither is ever closed.
struct CloseFileFn {
  void operator()(HANDLE h) const noexcept {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};
class UniqueFile : public UniqueAny<HANDLE, CloseFileFn> {
 public:
  using UniqueAny::UniqueAny;
  explicit operator bool() const noexcept { return get() != nullptr && get() != INVALID_HANDLE_VALUE; }
};

// A device context borrowed with GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  HDC get() const noexcept { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// BeginPaint/EndPaint for the lifetime of the object.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) noexcept : hwnd_(hwnd) { ::BeginPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope() { ::EndPaint(hwnd_, &ps_); }
  HDC dc() const noexcept { return ps_.hdc; }
  const RECT& area() const noexcept { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
};

// SelectObject that puts the previous object back.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;
  ~SelectScope() { ::SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace qs
