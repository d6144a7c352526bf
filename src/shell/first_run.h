// The first-run marker and the install branch that runs instead of start-up when the ASPI
// layer has to be installed.
#pragma once

namespace qs {

// True on the first run: the marker key did not exist (it is created now, with FirstTime 0).
bool IsFirstRun();
// Tells the user, starts INSTASPI.BAT, offers a restart, and ends the program.
[[noreturn]] void InstallPrompt();

}  // namespace qs
