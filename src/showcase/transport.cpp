#include "showcase/transport.h"

#include <cmath>

namespace qs::showcase {
namespace {

constexpr int kBandLeft = 34, kBandRight = 394, kBandTop = 304, kBandBottom = 324;
constexpr int kButtonWidth = 53;
constexpr int kOverlayTop = 306;

struct Button {
  std::wstring_view name;
  Routine routine;
  std::wstring_view pressed;
  std::wstring_view released;
  // The stepping buttons keep their after-release look on picButton and light Play; the three
  // mode buttons hide picButton and light themselves.
  bool mode;
  int lit_left;  // picOngoing's left edge for a mode button
};

constexpr Button kButtons[] = {
    {L"FIRST", Routine::kFirst, L"\\GIF\\first_click.jpg", L"\\GIF\\first_go.jpg", false, 0},
    {L"PREVIOUS", Routine::kPrevious, L"\\GIF\\previous_click.jpg", L"\\GIF\\previous_go.jpg", false, 0},
    {L"PLAY", Routine::kPlay, L"\\GIF\\play_click.jpg", L"\\GIF\\play_go.jpg", true, 138},
    {L"PAUSE", Routine::kPause, L"\\GIF\\pause_click.jpg", L"\\GIF\\pause_go.jpg", true, 191},
    {L"STOP", Routine::kStop, L"\\GIF\\stop_click.jpg", L"\\GIF\\stop_go.jpg", true, 243},
    {L"NEXT", Routine::kNext, L"\\GIF\\next_click.jpg", L"\\GIF\\next_go.jpg", false, 0},
    {L"LAST", Routine::kLast, L"\\GIF\\last_click.jpg", L"\\GIF\\last_go.jpg", false, 0},
};
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
  // In double precision: no overflow at the ends of the 32-bit range.
  const double k = std::trunc((static_cast<double>(x) - kBandLeft) / kButtonWidth) + 1;
  if (k < 1 || k > 7) return {};
  return kButtons[static_cast<int>(k) - 1].name;
}

std::wstring_view ButtonAt(int32_t x, int32_t y) {
  if (x < kBandLeft || x > kBandRight || y < kBandTop || y > kBandBottom) return {};
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
  view.MoveOngoing(lit.lit_left, kOverlayTop);
  view.ShowOngoing();
  view.SetTrackVisible(b->routine != Routine::kStop);
  view.SetPlayState(b->routine == Routine::kPause  ? kPlayStatePause
                    : b->routine == Routine::kStop ? kPlayStateStop
                                                   : kPlayStatePlay);
}

}  // namespace qs::showcase
