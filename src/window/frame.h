// A frame: a plain child panel in the system window colour that hosts other controls (the logo
// panel FraLogo). Labels inside it are coloured through it.
#pragma once
#include <windows.h>

#include "common/base_window.h"

namespace qs {

class Frame final : public BaseWindow<Frame> {
 public:
  Frame() = default;
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;
  ~Frame();

  bool Create(HWND parent, RECT rect, bool visible);
  bool Visible() const;
  void SetVisible(bool visible);

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
};

}  // namespace qs
