// The showcase's playlist and playback routines on frmMain.
#include "window/frm_main.h"

namespace qs {

void FrmMain::SelectFlash() {}
void FrmMain::ShowPlay() {}
void FrmMain::ShowPause() {}
void FrmMain::ShowStop() {}
void FrmMain::ShowFirst() {}
void FrmMain::ShowPrevious() {}
void FrmMain::ShowNext() {}
void FrmMain::ShowLast() {}
void FrmMain::ShowFlashDescription() {}
void FrmMain::Timer1_Timer() {}

}  // namespace qs
