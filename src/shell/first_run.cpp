#include "shell/first_run.h"

#include "shell/platform.h"

namespace qs {

bool IsFirstRun() { return false; }

void InstallPrompt() {
  CurrentPlatform().Terminate(0);
  std::abort();
}

}  // namespace qs
