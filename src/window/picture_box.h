// A picture box: a child window that shows a bitmap from its top-left corner (or stretched to
// its rectangle, for image controls), reports pointer events to its owner, and captures the
// pointer while a button is held so that the release reaches the box that saw the press; a
// release it did not see pressed is not reported.
#pragma once
#include <windows.h>

#include "common/base_window.h"
#include "common/unique_handle.h"

namespace qs {

class PictureBox;

// Button codes: 1 left, 2 right, 4 middle. Shift: 1 Shift, 2 Ctrl, 4 Alt.
class PictureBoxEvents {
 public:
  virtual ~PictureBoxEvents() = default;
  virtual void OnBoxMouseMove(PictureBox& box, int button, int shift, int x, int y) = 0;
  virtual void OnBoxMouseDown(PictureBox& box, int button, int shift, int x, int y) = 0;
  virtual void OnBoxMouseUp(PictureBox& box, int button, int shift, int x, int y) = 0;
  virtual void OnBoxClick(PictureBox& box) = 0;
};

struct PictureBoxArgs {
  HWND parent = nullptr;
  RECT rect{};  // left, top, right, bottom in parent pixels
  bool visible = true;
  bool stretch = false;      // image control: the picture fills the rectangle
  HCURSOR cursor = nullptr;  // custom pointer over the box; nullptr keeps the arrow
  PictureBoxEvents* events = nullptr;
};

class PictureBox final : public BaseWindow<PictureBox> {
 public:
  PictureBox() = default;
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;
  ~PictureBox();

  bool Create(const PictureBoxArgs& args);

  // Takes ownership of the picture and repaints.
  void SetPicture(UniqueBitmap picture);
  HBITMAP Picture() const { return picture_.get(); }
  // Moves the top-left corner; the size stays as it is.
  void Move(int left, int top);
  POINT Position() const;
  bool Visible() const;
  void SetVisible(bool visible);

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

 private:
  void OnPaint();
  void OnMouse(UINT msg, WPARAM wp, LPARAM lp);

  UniqueBitmap picture_;
  bool stretch_ = false;
  HCURSOR cursor_ = nullptr;
  PictureBoxEvents* events_ = nullptr;
  int held_ = 0;  // buttons pressed on this box and not yet released (1 left, 2 right, 4 middle)
};

// Button and shift codes of a mouse message's wParam.
int ButtonsOf(WPARAM wp);
int ShiftOf(WPARAM wp);

}  // namespace qs
