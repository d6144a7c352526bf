// The seam between the install branch and the machine it changes: the registry root that holds
// the first-run marker, the start of the installer batch file, the platform identifier and the
// restart itself. Production code uses the real machine; in-process tests install a fake that
// points the marker at a scratch key and records what would have been started or restarted, so
// that a test never runs an installer or restarts the computer.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace qs {

class InstallSystem {
 public:
  virtual ~InstallSystem() = default;
  // The root under which the marker key lives: HKEY_LOCAL_MACHINE.
  virtual HKEY MarkerRoot() = 0;
  // Starts `batch_file` hidden with `folder` as its working folder and returns at once, without
  // waiting for it. False when it could not be started.
  virtual bool StartHidden(const std::wstring& batch_file, const std::wstring& folder) = 0;
  // dwPlatformId of GetVersionExW, read as the signed 32-bit value the restart rule compares.
  virtual int32_t PlatformId() = 0;
  // ExitWindowsEx(flags, 0); the result is not used.
  virtual void RequestRestart(UINT flags) = 0;
};

InstallSystem& CurrentInstallSystem();
// Installs `fake` (nullptr puts the real machine back). For tests.
void SetInstallSystemForTesting(InstallSystem* fake);

// The real batch-file start, reachable on its own so that tests can run a harmless batch file
// through exactly the call the program makes. `batch_file` lies in `folder`; cmd is run from the
// system folder, in `folder`, and is given only the file's name, which must be plain (letters,
// digits, ".", "-", "_"). False for a network folder, which cmd cannot work in.
bool StartBatchHidden(const std::wstring& batch_file, const std::wstring& folder);

}  // namespace qs
