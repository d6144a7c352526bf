// The first-run marker and the install branch that runs instead of start-up when the ASPI
// layer has to be installed, with the restart it offers.
#pragma once

namespace qs {

// True on the first run: the marker key did not exist (it is created now, with FirstTime 0).
// True as well when the key cannot be created, so that such a machine is offered the
// installation at every start.
bool IsFirstRun();
// Tells the user, starts INSTASPI.BAT from the program folder, offers a restart, and ends the
// program. A missing batch file ends the program with an error naming it, before the offer.
[[noreturn]] void InstallPrompt();
// Restarts Windows where the platform allows it: platforms 0 and 1 directly, 2 (NT) after
// enabling the shutdown privilege; any other platform is left running.
void RebootSystem();
// Enables SeShutdownPrivilege in the process token. True when the privilege is now enabled.
bool EnableShutdownPrivilege();

}  // namespace qs
