// A label: a static control painted in its own font and colours. Like a picture box it takes the
// pointer's events over it itself (SS_NOTIFY), so a move or a click over a label does not reach
// the window below; having no handlers, it does nothing with them.
#pragma once
#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace qs {

struct LabelStyle {
  const wchar_t* face = L"Arial";
  double points = 9.75;
  int weight = FW_NORMAL;
  COLORREF text = 0;  // a colour, or kSystemColor | COLOR_xxx
  COLORREF back = 0;
  bool transparent = false;  // let the parent's surface show through
  bool border = false;
  bool centre = false;
};
// Marks a LabelStyle colour as a system colour index.
inline constexpr COLORREF kSystemColor = 0x80000000u;

class Label {
 public:
  Label() = default;
  Label(const Label&) = delete;
  Label& operator=(const Label&) = delete;
  ~Label();

  bool Create(HWND parent, RECT rect, const std::wstring& caption, const LabelStyle& style, bool visible);
  HWND hwnd() const { return hwnd_; }

  std::wstring Caption() const;
  void SetCaption(const std::wstring& caption);
  bool Visible() const;
  void SetVisible(bool visible);

  // The parent forwards WM_CTLCOLORSTATIC here; returns the brush for labels, 0 for others.
  static LRESULT OnCtlColor(WPARAM wp, LPARAM lp);

 private:
  HWND hwnd_ = nullptr;
  UniqueFont font_;
  UniqueBrush brush_;
  COLORREF text_ = 0;
  COLORREF back_ = 0;
  bool transparent_ = false;
};

COLORREF ResolveColor(COLORREF color);

}  // namespace qs
