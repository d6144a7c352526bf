// Press and release on the transport strip: the rules of showcase/transport.h applied to
// frmMain's overlays, its track label and PlayState.
#include "common/program_folder.h"
#include "showcase/transport.h"
#include "window/frm_main.h"
#include "window/picture.h"

namespace qs {
namespace {

class TransportForm final : public showcase::TransportView {
 public:
  explicit TransportForm(FrmMain& form) : f_(form) {}

  void Run(showcase::Routine routine) override { showcase::RunRoutine(f_, routine); }
  // Pictures are loaded from their files each time they are shown; a missing one is fatal.
  void SetButtonPicture(std::wstring_view literal) override {
    f_.picButton.SetPicture(LoadPicture(FromProgramFolder(literal)));
  }
  void HideButton() override { f_.picButton.SetVisible(false); }
  void SetOngoingPicture(std::wstring_view literal) override {
    f_.picOngoing.SetPicture(LoadPicture(FromProgramFolder(literal)));
  }
  void MoveOngoing(int left, int top) override { f_.picOngoing.Move(left, top); }
  void ShowOngoing() override { f_.picOngoing.SetVisible(true); }
  void SetTrackVisible(bool visible) override { f_.lblTrack.SetVisible(visible); }
  void SetPlayState(int16_t state) override { f_.PlayState = state; }

 private:
  FrmMain& f_;
};

// The pointer where it is now, in frmMain's client pixels. The event's own coordinates are
// relative to picButton, which stays where the press found it while the pointer is dragged.
POINT PointerOnForm(HWND form) {
  POINT at{};
  ::GetCursorPos(&at);
  ::ScreenToClient(form, &at);
  return at;
}

}  // namespace

void FrmMain::picButton_MouseDown(int button, int, int, int) {
  if (button != showcase::kLeftButton) return;
  const POINT at = PointerOnForm(hwnd_);
  TransportForm view(*this);
  showcase::PressAt(view, button, at.x, at.y);
}

void FrmMain::picButton_MouseUp(int button, int, int, int) {
  if (button != showcase::kLeftButton) return;
  const POINT at = PointerOnForm(hwnd_);
  TransportForm view(*this);
  showcase::ReleaseAt(view, button, at.x, at.y);
}

}  // namespace qs
