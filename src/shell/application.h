// QuietSpin's life: creates the main window (whose load handler brings the system up),
// pumps messages until the window is unloaded, and returns the process exit code.
#pragma once
#include <windows.h>

namespace qs {

int RunApplication(HINSTANCE instance);

}  // namespace qs
