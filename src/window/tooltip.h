// One comctl32 tooltip control serving the main window's hot spots: each child window is a tool
// whose text is set when the program says so; an empty text shows no tip.
#pragma once
#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace qs {

class Tooltip {
 public:
  bool Create(HWND owner);
  void AddTool(HWND tool);
  void SetText(HWND tool, const std::wstring& text);
  std::wstring Text(HWND tool) const;
  HWND hwnd() const { return tip_.get(); }

 private:
  HWND owner_ = nullptr;
  UniqueWindow tip_;
};

}  // namespace qs
