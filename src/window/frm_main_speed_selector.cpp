// The speed selector: frmMain's pointer tracking over its own surface, the meter, the click
// that applies the level at once and the timer that re-applies it every 2 s.
#include "base/language.h"
#include "base/module_dim.h"
#include "base/string_table.h"
#include "common/program_folder.h"
#include "showcase/transport.h"
#include "speed/speed_command.h"
#include "speed/user_settings.h"
#include "window/frm_main.h"
#include "window/picture.h"

namespace qs {
namespace {

std::wstring Skin(const wchar_t* file) { return FromProgramFolder(std::wstring(L"\\GIF\\") + file); }
Language Lang() { return static_cast<Language>(LanguageId); }

const wchar_t* const kHoverPictures[] = {L"first_move.jpg", L"previous_move.jpg", L"play_move.jpg",
                                         L"pause_move.jpg", L"stop_move.jpg",     L"next_move.jpg",
                                         L"last_move.jpg"};

}  // namespace

void FrmMain::Form_MouseMove(int16_t, int16_t, float fx, float fy) {
  const int x = static_cast<int>(fx);
  const int y = static_cast<int>(fy);
  picExit.SetPicture(LoadPicture(Skin(L"exit_normal.jpg")));

  if (speed::kTransportBand.Contains(x, y)) {
    if (lblTip.Visible()) lblTip.SetVisible(false);
    const int k = speed::TransportButtonAt(x);
    picButton.SetPicture(LoadPicture(Skin(kHoverPictures[k - 1])));
    picButton.Move(speed::TransportOverlayLeft(k), speed::kTransportOverlayTop);
    if (!picButton.Visible()) picButton.SetVisible(true);
    tips.SetText(picButton.hwnd(), LoadText(ButtonTipId(Lang(), k)));
    return;
  }
  if (speed::kSpeedBand.Contains(x, y)) {
    if (picButton.Visible()) picButton.SetVisible(false);
    if (!lblTip.Visible()) {
      lblTip.SetVisible(true);
      lblTip.SetCaption(LoadText(TextId(Lang(), Text::kSpeedTip)));
    }
    PicCaption.SetPicture(LoadPicture(Skin(L"title_normal.jpg")));
    if (speed::kMeterCursorArea.Contains(x, y)) {
      SetMousePointer(99);
      SetMouseIcon(LoadCursorFile(Skin(L"harrow.cur")));
    } else {
      SetMousePointer(0);
    }
    UpdateSpeedMeter(speed::kLevelOrigin, fx);
    return;
  }
  SetMousePointer(0);
  if (picButton.Visible()) picButton.SetVisible(false);
  if (lblTip.Visible()) lblTip.SetVisible(false);
  PicCaption.SetPicture(LoadPicture(Skin(L"title_normal.jpg")));
}

void FrmMain::UpdateSpeedMeter(float from, float to) {
  SpeedLevel = speed::LevelBetween(from, to);
  LineSpeed = speed::MeterBars(SpeedLevel);
  // The meter's frame encloses every bar: repaint just that part of the surface.
  RECT meter{205, 430, 396, 470};
  ::InvalidateRect(hwnd_, &meter, FALSE);
}

bool FrmMain::InSpeedClickArea(POINT point) const { return speed::kClickArea.Contains(point.x, point.y); }

void FrmMain::Form_Click() {
  POINT at{};
  ::GetCursorPos(&at);
  ::ScreenToClient(hwnd_, &at);
  if (!InSpeedClickArea(at)) return;
  // The level a click applies is the one the next start in the tray comes back to. It is stored
  // before the drives hear it: the wait for them may take a move that changes SpeedLevel.
  const int16_t level = SpeedLevel;
  StoreSpeedLevel(level);
  aspi.SetCDROMSpeed(aspi::SpeedByteForLevel(level));
}

void FrmMain::Timer2_Timer() {
  // Nothing reaches a drive before start-up has passed the first-run and layer checks.
  if (!checks_passed_) return;
  aspi.SetCDROMSpeed(aspi::SpeedByteForLevel(SpeedLevel));
}

}  // namespace qs
