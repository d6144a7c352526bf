// The showcase movie player: a child window that plays an animated GIF stretched over its whole
// client area ("exact fit"), timed by the frame delays of the file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/base_window.h"
#include "showcase/gif_animation_view.h"
#include "showcase/hosted_controls.h"

namespace qs {

class MovieControl final : public BaseWindow<MovieControl>, public MoviePlayer {
 public:
  // A visible child of parent covering rc (parent client pixels), with no movie and a black
  // background. Nothing when the window cannot be created.
  static std::unique_ptr<MovieControl> Create(HWND parent, const RECT& rc, int control_id = 0);
  ~MovieControl() override;
  MovieControl(const MovieControl&) = delete;
  MovieControl& operator=(const MovieControl&) = delete;

  void SetMovie(const std::wstring& path) override;
  // -1: the movie's own background (black if the file names none); otherwise 0x00RRGGBB, so 0
  // is black. Applies to the current movie and to later ones.
  void SetBackgroundColor(int32_t color) override;
  void SetLoop(bool loop) override;
  // Plays from the current frame; a movie that ran to its end starts again.
  void Play() override;
  void StopPlay() override;
  void Rewind() override;
  bool IsPlaying() const override { return view_.playing(); }
  bool Visible() const override;
  void SetVisible(bool visible) override;

  // The frame on screen and the number of frames of the loaded movie (0 when empty).
  size_t current_frame() const { return view_.frame(); }
  size_t frame_count() const { return view_.frame_count(); }

 private:
  friend class BaseWindow<MovieControl>;
  static constexpr UINT_PTR kFrameTimer = 1;

  MovieControl() : view_(kFrameTimer, GifAnimationView::Fit::kStretch) {}
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnPaint();
  void ApplyBackground();

  GifAnimationView view_;
  int32_t background_color_ = 0;
  bool loop_ = false;
  // Once Play has been called, every movie assigned later starts by itself.
  bool autoplay_ = false;
};

}  // namespace qs
