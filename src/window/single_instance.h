// One QuietSpin per user: a second start (the logon task and a start by hand, or a second logon
// of the same user) shows the running instance's window and ends, before it has spoken to a drive
// or added a tray icon.
//
// The running instance holds a named mutex for its whole life: "Global\QuietSpin.<user's SID>",
// one per user on the machine whatever the session, since the drives belong to the machine. A
// start that finds the mutex taken looks for the running instance's main window by its class on
// its own desktop and posts it ShowInstanceMessage(), a registered window message; the window
// answers as the tray menu's Show does, and only once start-up has passed the first-run and layer
// checks (during the install branch it stays hidden).
#pragma once
#include <windows.h>

#include "common/unique_handle.h"

namespace qs {

class SingleInstance {
 public:
  SingleInstance();
  // True when no other QuietSpin of this user runs. A mutex that cannot be made for another
  // reason than its being taken lets the program run on its own rather than never start.
  bool First() const { return first_; }

 private:
  UniqueHandle mutex_;
  bool first_ = true;
};

// The message the running instance's window takes as "show yourself".
UINT ShowInstanceMessage();
// Asks the running instance to show its window; nothing happens when its window is not found
// (it is still being created, or it runs in another session).
void ShowRunningInstance();

}  // namespace qs
