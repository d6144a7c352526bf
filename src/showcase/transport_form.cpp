// Press and release on the transport strip.
#include "window/frm_main.h"

namespace qs {

void FrmMain::picButton_MouseDown(int, int, int, int) {}
void FrmMain::picButton_MouseUp(int, int, int, int) {}

}  // namespace qs
