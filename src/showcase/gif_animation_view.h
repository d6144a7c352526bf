// One animation shown in one window, shared by the movie player and the animated logo: the open
// file, the clock that picks the frame on screen, the frame composed when it falls due, the
// picture of it over the background colour, and the single window timer that wakes the window
// when the next frame is due.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "common/unique_handle.h"
#include "showcase/frame_clock.h"
#include "showcase/gif_animation.h"
#include "showcase/gif_animation_wic.h"

namespace qs {

class GifAnimationView {
 public:
  enum class Fit { kStretch, kNaturalCentred };

  GifAnimationView(UINT_PTR timer_id, Fit fit) : timer_id_(timer_id), fit_(fit) {}
  GifAnimationView(const GifAnimationView&) = delete;
  GifAnimationView& operator=(const GifAnimationView&) = delete;

  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  // Loads the file in place of the current animation, halted on frame 0. False leaves it empty.
  bool Load(const std::wstring& path);
  void Clear();
  bool empty() const { return !file_; }
  bool file_loops() const { return file_ && file_->animation().loops; }
  // The colour behind transparent pixels and around a picture smaller than the window.
  void SetBackground(COLORREF color);
  // The logical screen's own background colour of the loaded file, if it has one.
  std::optional<COLORREF> own_background() const;

  void SetLoop(bool loop);
  void Play();
  void Stop();
  void Rewind();
  bool playing() const { return clock_.playing(); }
  size_t frame() const { return clock_.frame(); }
  size_t frame_count() const { return clock_.frame_count(); }

  // WM_TIMER: true if the message was ours.
  bool OnTimer(UINT_PTR id);
  // Draws the whole client area: no erase is needed and nothing flickers.
  void Paint(HDC dc);

 private:
  // After every change of the clock: repaint if the frame changed, and sleep until the next one.
  void Sync(bool frame_changed);
  bool ComposeCurrent();
  // Reads the places and delays of the frames after the first, before the clock moves past it.
  void CompleteFrames();

  UINT_PTR timer_id_;
  Fit fit_;
  HWND hwnd_ = nullptr;
  std::unique_ptr<GifFile> file_;
  std::unique_ptr<GifPlayhead> playhead_;  // reads file_, so it goes first
  FrameClock clock_;
  COLORREF background_ = RGB(0, 0, 0);
  UniqueBitmap picture_;  // the frame on screen over the background, at the animation's size
  uint32_t* picture_bits_ = nullptr;
  size_t composed_frame_ = SIZE_MAX;
  COLORREF composed_background_ = 0;
};

}  // namespace qs
