// The one switch QuietSpin reads from its command line.
#pragma once

namespace qs {

// True when the command line (as GetCommandLineW gives it, program name first) carries the switch
// /tray, in any case: the logon task's start, which goes to the tray. Every other argument is
// ignored.
bool HasTraySwitch(const wchar_t* command_line);

}  // namespace qs
