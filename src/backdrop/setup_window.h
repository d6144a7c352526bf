// `Setup`: Backdrop's only window. Borderless, white, centred on the primary screen, it shows
// the backdrop picture from its top-left corner; the picture is a little larger than the client
// area, so its right and bottom edges are cut off.
#pragma once
#include <windows.h>

#include "backdrop/backdrop_picture.h"
#include "common/base_window.h"
#include "common/unique_handle.h"

namespace qs::backdrop {

class SetupWindow : public BaseWindow<SetupWindow> {
 public:
  // 7635 x 5745 twips at 15 twips per pixel.
  static constexpr int kClientWidth = 509;
  static constexpr int kClientHeight = 383;

  explicit SetupWindow(Picture picture) noexcept;

  // Creates the window hidden, already at its centred place. False when the system refuses.
  bool Create(HINSTANCE instance);
  // Makes the window visible and paints it at once, without waiting for the message loop.
  void Show();

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

 private:
  void OnPaint();

  Picture picture_;
  UniqueIcon icon_;      // declared before the window, so that it outlives it
  UniqueWindow window_;  // destroyed with this object, however the program ends
};

}  // namespace qs::backdrop
