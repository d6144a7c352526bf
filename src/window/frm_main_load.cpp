// frmMain's load and unload handlers: the fixed order in which QuietSpin comes up and goes down.
#include <cmath>

#include "base/first_run.h"
#include "base/language.h"
#include "base/module_dim.h"
#include "base/string_table.h"
#include "common/program_folder.h"
#include "showcase/playlist.h"
#include "speed/speed_command.h"
#include "speed/speed_rules.h"
#include "speed/user_settings.h"
#include "window/frm_main.h"
#include "window/module_callback.h"

namespace qs {

bool FrmMain::Form_Load() {
  // 1, 2: the first run, or a missing ASPI layer, runs the install branch instead of start-up.
  if (IsFirstRun()) InstallPrompt();
  if (!aspi.ASPIPresent()) InstallPrompt();
  checks_passed_ = true;

  // A start in the tray (the logon task) comes back to the level a click on the meter last
  // applied, so that the drives stay quiet without a click; any other start begins at the top.
  const int16_t start_level =
      start_mode_ == StartMode::kTray ? StoredSpeedLevel().value_or(kTopLevel) : kTopLevel;

  // 3 to 7: language, outline, skin, the meter at the start level, the subclass procedure.
  ChooseLanguage();
  ShapeWindow();
  LoadSkinPictures();
  UpdateSpeedMeter(speed::kLevelOrigin, speed::kLevelOrigin + start_level * speed::kLevelWidth);
  SubclassWindow(hwnd_);
  // 8: nothing is sent now; the first Timer2 tick applies the start level.
  SpeedLevel = start_level;
  // 9: the animated logo's picture.
  if (AniGifMurmex) AniGifMurmex->SetPicturePath(FromProgramFolder(L"\\GIF\\murmex_logo.gif"));
  // 10: the size the subclass procedure keeps the window at.
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  WindowWidthPx = r.right - r.left;
  WindowHeightPx = r.bottom - r.top;
  // 11 to 14: the showcase starts on movie 1 with its description and track read-out.
  FlashIndex = 1;
  PlayState = 1;
  ShowPlay();
  lblFlashDescription.SetCaption(LoadText(DescriptionId(static_cast<Language>(LanguageId), 1)));
  lblTrack.SetCaption(showcase::TrackCaption(FlashIndex));
  // 15: the tray icon.
  AddToSystemTray();
  // A start in the tray ends where a left click on the icon leaves a shown window: hidden (Load
  // does not show it), the showcase paused.
  if (start_mode_ == StartMode::kTray) ShowPause();
  return true;
}

void FrmMain::Form_Unload(int16_t& /*cancel: never set, unloading always proceeds*/) {
  SpeedLevel = kTopLevel;                                         // 1
  aspi.SetCDROMSpeedAtExit(aspi::SpeedByteForLevel(SpeedLevel));  // 2: byte 52 to every drive
  RemoveTrayIcon();                                               // 3
  if (hwnd_) RestoreWindowProc(hwnd_);                            // 4
}

void FrmMain::ChooseLanguage() { LanguageId = static_cast<int32_t>(qs::ChooseLanguage()); }

}  // namespace qs
