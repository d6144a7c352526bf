#include "window/label.h"

#include <cmath>

namespace qs {
namespace {
const wchar_t kLabelProp[] = L"QuietSpin.Label";
}  // namespace

COLORREF ResolveColor(COLORREF color) {
  return (color & kSystemColor) ? ::GetSysColor(static_cast<int>(color & 0xFF)) : color;
}

Label::~Label() {
  if (hwnd_ && ::IsWindow(hwnd_)) {
    ::RemovePropW(hwnd_, kLabelProp);
    ::DestroyWindow(hwnd_);
  }
}

bool Label::Create(HWND parent, RECT rect, const std::wstring& caption, const LabelStyle& style,
                   bool visible) {
  text_ = ResolveColor(style.text);
  back_ = ResolveColor(style.back);
  transparent_ = style.transparent;
  brush_.reset(transparent_ ? nullptr : ::CreateSolidBrush(back_));
  // Font sizes are points at 96 dots per inch, the resolution the skin is laid out for.
  const int height = -static_cast<int>(std::lround(style.points * 96.0 / 72.0));
  font_.reset(::CreateFontW(height, 0, 0, 0, style.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH,
                            style.face));
  DWORD ws = WS_CHILD | WS_CLIPSIBLINGS | SS_NOPREFIX | SS_NOTIFY | (style.centre ? SS_CENTER : SS_LEFT);
  if (style.border) ws |= WS_BORDER;
  if (visible) ws |= WS_VISIBLE;
  hwnd_ = ::CreateWindowExW(0, L"STATIC", caption.c_str(), ws, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) return false;
  ::SetPropW(hwnd_, kLabelProp, this);
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return true;
}

std::wstring Label::Caption() const {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Label::SetCaption(const std::wstring& caption) {
  ::SetWindowTextW(hwnd_, caption.c_str());
  // A transparent label repaints its parent's surface behind the new text.
  if (transparent_) {
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    ::InvalidateRect(::GetParent(hwnd_), &r, TRUE);
  }
}

bool Label::Visible() const { return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Label::SetVisible(bool visible) { ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

LRESULT Label::OnCtlColor(WPARAM wp, LPARAM lp) {
  auto* label = static_cast<Label*>(::GetPropW(reinterpret_cast<HWND>(lp), kLabelProp));
  if (!label) return 0;
  HDC dc = reinterpret_cast<HDC>(wp);
  ::SetTextColor(dc, label->text_);
  if (label->transparent_) {
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  ::SetBkColor(dc, label->back_);
  return reinterpret_cast<LRESULT>(label->brush_.get());
}

}  // namespace qs
