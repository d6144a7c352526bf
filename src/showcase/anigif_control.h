// The animated logo on the logo panel: a child window that shows a GIF at its natural size,
// centred on its background colour, looping for as long as it is visible. It is a web link, so
// it shows the hand pointer and tells its host about clicks and pointer moves.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/base_window.h"
#include "showcase/gif_animation_view.h"
#include "showcase/hosted_controls.h"

namespace qs {

class AniGifControl final : public BaseWindow<AniGifControl>, public AnimatedLogo {
 public:
  // A visible child of parent covering rc (parent client pixels), white, with no picture yet.
  // events and cursor are the host's and must outlive the control; either may be null.
  static std::unique_ptr<AniGifControl> Create(HWND parent, const RECT& rc, AnimatedLogoEvents* events,
                                               HCURSOR cursor, int control_id = 0);
  ~AniGifControl() override;
  AniGifControl(const AniGifControl&) = delete;
  AniGifControl& operator=(const AniGifControl&) = delete;

  // A file that cannot be read leaves the control showing only its background. While the control
  // cannot be seen, the file waits to be opened until it is painted.
  void SetPicturePath(const std::wstring& path) override;
  // The background colour as a COLORREF (0x00BBGGRR): 0x00FFFFFF is white.
  void SetBackValue(uint32_t value) override;
  bool Visible() const override;
  void SetVisible(bool visible) override;

  // The frame on screen, the number of frames, and whether the animation is running.
  size_t current_frame() const { return view_.frame(); }
  size_t frame_count() const { return view_.frame_count(); }
  bool animating() const { return view_.playing(); }

 private:
  friend class BaseWindow<AniGifControl>;
  static constexpr UINT_PTR kFrameTimer = 1;

  AniGifControl(AnimatedLogoEvents* events, HCURSOR cursor)
      : view_(kFrameTimer, GifAnimationView::Fit::kNaturalCentred), events_(events), cursor_(cursor) {}
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnPaint();
  void OnTimer(WPARAM id);
  void OnShowWindow(bool shown);
  void OnMouseMove(POINT at);
  void OnLButtonDown();
  void OnLButtonUp(POINT at);
  bool OnSetCursor(WPARAM wp, LPARAM lp);
  void OpenPendingPicture();

  GifAnimationView view_;
  AnimatedLogoEvents* events_;
  HCURSOR cursor_;
  bool resting_ = false;  // stopped because a parent is hidden
  std::optional<std::wstring> pending_path_;
};

}  // namespace qs
