// The hot spots: title strip, exit button, mode indicator and the two logos.
#include "window/frm_main.h"

namespace qs {

void FrmMain::PicCaption_MouseMove(int, int, int, int) {}
void FrmMain::PicCaption_MouseDown(int, int, int, int) {}
void FrmMain::picExit_MouseMove(int, int, int, int) {}
void FrmMain::picExit_Click() { Unload(); }
void FrmMain::picOngoing_MouseMove(int, int, int, int) {}
void FrmMain::imgVantorLogo_MouseMove(int, int, int, int) {}
void FrmMain::imgVantorLogo_MouseUp(int, int, int, int) {}
void FrmMain::AniGifMurmex_Click() {}
void FrmMain::AniGifMurmex_MouseOver() {}

}  // namespace qs
