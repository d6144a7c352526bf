#include "showcase/transport.h"

#include <cmath>
#include <iterator>

namespace qs::speed {

int TransportButtonAt(int32_t x) {
  // In double precision: no overflow at the ends of the 32-bit range.
  const double steps = (static_cast<double>(x) - kTransportBand.left) / kTransportButtonWidth;
  return static_cast<int>(std::trunc(steps)) + 1;
}

int TransportOverlayLeft(int k) {
  static constexpr int kLefts[] = {33, 85, 138, 191, 243, 295, 347};
  static_assert(std::size(kLefts) == kTransportButtons);
  return k >= 1 && k <= kTransportButtons ? kLefts[k - 1] : kLefts[0];
}

}  // namespace qs::speed

namespace qs::showcase {
namespace {

struct Button {
  std::wstring_view name;
  Routine routine;
  std::wstring_view pressed;
  std::wstring_view released;
  // The stepping buttons keep their after-release look on picButton and light Play; the three
  // mode buttons hide picButton and light themselves.
  bool mode;
};

constexpr Button kButtons[] = {
    {L"FIRST", Routine::kFirst, L"\\GIF\\first_click.jpg", L"\\GIF\\first_go.jpg", false},
    {L"PREVIOUS", Routine::kPrevious, L"\\GIF\\previous_click.jpg", L"\\GIF\\previous_go.jpg", false},
    {L"PLAY", Routine::kPlay, L"\\GIF\\play_click.jpg", L"\\GIF\\play_go.jpg", true},
    {L"PAUSE", Routine::kPause, L"\\GIF\\pause_click.jpg", L"\\GIF\\pause_go.jpg", true},
    {L"STOP", Routine::kStop, L"\\GIF\\stop_click.jpg", L"\\GIF\\stop_go.jpg", true},
    {L"NEXT", Routine::kNext, L"\\GIF\\next_click.jpg", L"\\GIF\\next_go.jpg", false},
    {L"LAST", Routine::kLast, L"\\GIF\\last_click.jpg", L"\\GIF\\last_go.jpg", false},
};
static_assert(std::size(kButtons) == speed::kTransportButtons);
constexpr const Button& kPlayButton = kButtons[2];

const Button* ButtonNamed(std::wstring_view name) {
  for (const Button& b : kButtons) {
    if (b.name == name) return &b;
  }
  return nullptr;
}

// The hit test both handlers share: the left button, with the pointer inside the band.
const Button* HitButton(int button, int32_t x, int32_t y) {
  if (button != kLeftButton) return nullptr;
  return ButtonNamed(ButtonAt(x, y));
}

}  // namespace

std::wstring_view ButtonName(int32_t x) {
  const int k = speed::TransportButtonAt(x);
  if (k < 1 || k > speed::kTransportButtons) return {};
  return kButtons[k - 1].name;
}

std::wstring_view ButtonAt(int32_t x, int32_t y) {
  if (!speed::kTransportBand.Contains(x, y)) return {};
  return ButtonName(x);
}

void PressAt(TransportView& view, int button, int32_t x, int32_t y) {
  if (const Button* b = HitButton(button, x, y)) view.SetButtonPicture(b->pressed);
}

void ReleaseAt(TransportView& view, int button, int32_t x, int32_t y) {
  const Button* b = HitButton(button, x, y);
  if (!b) return;
  view.Run(b->routine);
  const Button& lit = b->mode ? *b : kPlayButton;
  if (b->mode) {
    view.HideButton();
  } else {
    view.SetButtonPicture(b->released);
  }
  view.SetOngoingPicture(lit.released);
  const int lit_number = static_cast<int>(&lit - kButtons) + 1;
  view.MoveOngoing(speed::TransportOverlayLeft(lit_number), speed::kTransportOverlayTop);
  view.ShowOngoing();
  view.SetTrackVisible(b->routine != Routine::kStop);
  view.SetPlayState(b->routine == Routine::kPause  ? kPlayStatePause
                    : b->routine == Routine::kStop ? kPlayStateStop
                                                   : kPlayStatePlay);
}

}  // namespace qs::showcase
