// The hot spots: title strip, exit button, mode indicator and the two logos. Each lights its
// picture or sets its tooltip as the pointer moves over it; three of them are links to the
// maker's web pages.
#include <string>

#include "base/language.h"
#include "base/module_dim.h"
#include "base/platform.h"
#include "base/string_table.h"
#include "common/program_folder.h"
#include "window/frm_main.h"
#include "window/picture.h"

namespace qs {
namespace {

// The host names are build configuration (QS_MAIN_HOST, QS_ENGLISH_HOST); the paths are fixed.
constexpr const char kMotherboardPage[] = "http://" QS_ENGLISH_HOST "/products/mb/";
constexpr const char kHomePage[] = "http://" QS_MAIN_HOST;
constexpr const char kMurmexPage[] = "http://" QS_ENGLISH_HOST "/tech/techinside/Murmex.htm";

constexpr int kLeftButton = 1;

std::wstring Skin(const wchar_t* file) { return FromProgramFolder(std::wstring(L"\\GIF\\") + file); }
Language Lang() { return static_cast<Language>(LanguageId); }
std::wstring Tip(Text text) { return LoadText(TextId(Lang(), text)); }

}  // namespace

void FrmMain::PicCaption_MouseMove(int, int, int, int) {
  // Loaded on every move; the pointer tracking over the background puts the normal one back.
  PicCaption.SetPicture(LoadPicture(Skin(L"title_light.jpg")));
  tips.SetText(PicCaption.hwnd(), Tip(Text::kCaptionTip));
}

void FrmMain::PicCaption_MouseDown(int button, int, int, int) {
  if (button == kLeftButton) CurrentPlatform().OpenUrl(hwnd_, kMotherboardPage);
}

void FrmMain::picExit_MouseMove(int, int, int, int) {
  if (picButton.Visible()) picButton.SetVisible(false);
  picExit.SetPicture(LoadPicture(Skin(L"exit_click.jpg")));
  tips.SetText(picExit.hwnd(), Tip(Text::kExit));
}

// No confirmation: the exit button unloads at once.
void FrmMain::picExit_Click() { Unload(); }

void FrmMain::picOngoing_MouseMove(int, int, int, int) {
  if (auto id = PlayStateTipId(Lang(), PlayState)) tips.SetText(picOngoing.hwnd(), LoadText(*id));
}

void FrmMain::imgVantorLogo_MouseMove(int, int, int, int) {
  tips.SetText(imgVantorLogo.hwnd(), Tip(Text::kLogoTip));
}

void FrmMain::imgVantorLogo_MouseUp(int button, int, int, int) {
  if (button == kLeftButton) CurrentPlatform().OpenUrl(hwnd_, kHomePage);
}

// Every click the animated logo reports opens its page, whatever the button.
void FrmMain::AniGifMurmex_Click() { CurrentPlatform().OpenUrl(hwnd_, kMurmexPage); }

void FrmMain::AniGifMurmex_MouseOver() {
  if (AniGifMurmexWindow) tips.SetText(AniGifMurmexWindow, Tip(Text::kMurmexTip));
}

}  // namespace qs
