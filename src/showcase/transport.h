// The transport strip's rules: which button lies under the pointer, what a press shows and what a
// release runs and shows. Window-free; window/frm_main_transport.cpp applies them to frmMain's
// overlays with the real pictures, and the tests apply them to a recording view.
#pragma once
#include <cstdint>
#include <string_view>

#include "speed/speed_rules.h"

// The strip's geometry, in client pixels (bounds inclusive), beside the speed selector's bands.
namespace qs::speed {

inline constexpr Band kTransportBand{34, 304, 394, 324};

// The transport strip: seven buttons of 53 pixels from the band's left edge.
inline constexpr int kTransportButtons = 7;
inline constexpr int kTransportButtonWidth = 53;
// Button number k (1..7 inside the band) under client x: trunc((x - 34) / 53) + 1. Truncation is
// toward zero, so x a little left of the band still gives 1; outside the band k may be any number.
int TransportButtonAt(int32_t x);
// Left edge of the overlay over button k (1..7); its top is always 306.
int TransportOverlayLeft(int k);
inline constexpr int kTransportOverlayTop = 306;

}  // namespace qs::speed

namespace qs::showcase {

// The seven routines the strip runs, in strip order.
enum class Routine { kFirst, kPrevious, kPlay, kPause, kStop, kNext, kLast };

// Runs `routine` on anything that has the seven Show routines (frmMain, the showcase itself).
template <typename Target>
void RunRoutine(Target& target, Routine routine) {
  switch (routine) {
    case Routine::kFirst:
      target.ShowFirst();
      break;
    case Routine::kPrevious:
      target.ShowPrevious();
      break;
    case Routine::kPlay:
      target.ShowPlay();
      break;
    case Routine::kPause:
      target.ShowPause();
      break;
    case Routine::kStop:
      target.ShowStop();
      break;
    case Routine::kNext:
      target.ShowNext();
      break;
    case Routine::kLast:
      target.ShowLast();
      break;
  }
}

// The mode lit on the strip (PlayState).
inline constexpr int16_t kPlayStatePlay = 1, kPlayStatePause = 2, kPlayStateStop = 3;

// Button 1 is the left one.
inline constexpr int kLeftButton = 1;

// The name of button trunc((x - 34) / 53) + 1: "FIRST" .. "LAST" for 1..7, empty otherwise.
// Truncation is toward zero, so x a little below 34 still names "FIRST"; callers test the band.
std::wstring_view ButtonName(int32_t x);

// The button under client point (x, y) of the strip's band (x 34..394, y 304..324); empty
// outside it.
std::wstring_view ButtonAt(int32_t x, int32_t y);

// What the strip's overlays and frmMain show; a picture is named by its literal below the
// program folder ("\GIF\play_go.jpg").
class TransportView {
 public:
  virtual ~TransportView() = default;
  virtual void Run(Routine routine) = 0;
  virtual void SetButtonPicture(std::wstring_view literal) = 0;   // into picButton
  virtual void HideButton() = 0;                                  // picButton
  virtual void SetOngoingPicture(std::wstring_view literal) = 0;  // into picOngoing
  virtual void MoveOngoing(int left, int top) = 0;
  virtual void ShowOngoing() = 0;
  virtual void SetTrackVisible(bool visible) = 0;  // lblTrack
  virtual void SetPlayState(int16_t state) = 0;
};

// A press of `button` with the pointer at client (x, y): the pressed picture of the button under
// it, and nothing else.
void PressAt(TransportView& view, int button, int32_t x, int32_t y);
// A release of `button` with the pointer at client (x, y): the button under the pointer at the
// release runs its routine and the strip shows the resulting mode.
void ReleaseAt(TransportView& view, int button, int32_t x, int32_t y);

}  // namespace qs::showcase
