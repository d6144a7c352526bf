#include "shell/application.h"

#include <objbase.h>
#include <commctrl.h>

#include "shell/command_line.h"
#include "speed/module_aspi.h"
#include "window/frm_main.h"
#include "window/single_instance.h"

namespace qs {

int RunApplication(HINSTANCE) {
  // A second start shows the running instance and ends here: it has spoken to no drive, added no
  // tray icon and run no first-run check.
  SingleInstance instance;
  if (!instance.First()) {
    ShowRunningInstance();
    return 0;
  }
  const auto mode =
      HasTraySwitch(::GetCommandLineW()) ? FrmMain::StartMode::kTray : FrmMain::StartMode::kWindow;

  // One user-interface thread: WIC's picture decoding wants an apartment.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);

  Win32AspiPort port;
  int exit_code = 0;
  {
    // The form outlives its window: handlers still on the stack when it is destroyed (an exit
    // inside a drive wait) return into a live object.
    FrmMain form(port);
    if (!form.Load(mode)) return 0;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    exit_code = static_cast<int>(msg.wParam);
  }
  ::CoUninitialize();
  return exit_code;
}

}  // namespace qs
