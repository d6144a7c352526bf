// frmMain's load and unload handlers: the fixed order in which QuietSpin comes up and goes down.
#include <cmath>

#include "common/program_folder.h"
#include "shell/first_run.h"
#include "shell/language.h"
#include "shell/module_callback.h"
#include "shell/module_dim.h"
#include "shell/string_table.h"
#include "speed/speed_command.h"
#include "window/frm_main.h"

namespace qs {

bool FrmMain::Form_Load() {
  // 1-2. The first run, or a missing ASPI layer, runs the install branch instead of start-up.
  if (IsFirstRun()) InstallPrompt();
  if (!aspi.ASPIPresent()) InstallPrompt();
  checks_passed_ = true;

  ChooseLanguage();                                                   // 3
  ShapeWindow();                                                      // 4
  LoadSkinPictures();                                                 // 5
  UpdateSpeedMeter(204, 372);                                         // 6
  SubclassWindow(hwnd_);                                              // 7
  SpeedLevel = kTopLevel;                                             // 8: the first Timer2 tick sends it
  if (AniGifMurmex) AniGifMurmex->SetPicturePath(FromProgramFolder(L"\\GIF\\murmex_logo.gif"));  // 9
  RECT r{};                                                           // 10
  ::GetWindowRect(hwnd_, &r);
  WindowWidthPx = r.right - r.left;
  WindowHeightPx = r.bottom - r.top;
  FlashIndex = 1;                                                     // 11
  PlayState = 1;
  ShowPlay();                                                         // 12
  lblFlashDescription.SetCaption(LoadText(DescriptionId(static_cast<Language>(LanguageId), 1)));  // 13
  lblTrack.SetCaption(L"Track 0" + std::to_wstring(FlashIndex) + L" Total: 0" + std::to_wstring(9));  // 14
  AddToSystemTray();                                                  // 15
  return true;
}

void FrmMain::Form_Unload(int16_t& /*cancel: never set, unloading always proceeds*/) {
  SpeedLevel = kTopLevel;                                             // 1
  aspi.SetCDROMSpeedAtExit(aspi::SpeedByteForLevel(SpeedLevel));      // 2: byte 52 to every drive
  RemoveTrayIcon();                                                   // 3
  if (hwnd_) RestoreWindowProc(hwnd_);                                // 4
}

void FrmMain::ChooseLanguage() { LanguageId = static_cast<int32_t>(qs::ChooseLanguage()); }

}  // namespace qs
