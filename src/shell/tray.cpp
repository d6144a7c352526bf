// The tray icon and its menu.
#include "window/frm_main.h"

namespace qs {

void FrmMain::AddToSystemTray() {}
void FrmMain::mnuShow_Click() {}
void FrmMain::mnuExit_Click() { Unload(); }
void FrmMain::ShowTrayMenu() {}

}  // namespace qs
