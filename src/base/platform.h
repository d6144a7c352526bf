// The seam between QuietSpin and the outside effects it causes: message boxes, the shell, the
// process's end. Production code uses the real platform; in-process tests install a fake that
// records the calls, so that nothing is shown, started or ended.
#pragma once
#include <windows.h>

#include <string>

namespace qs {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) = 0;
  // Opens a web address with the default handler (ShellExecute, no verb, working folder "c:\").
  virtual void OpenUrl(HWND owner, const std::string& url) = 0;
  // Ends the process now, without unload handling.
  virtual void Terminate(int exit_code) = 0;
};

Platform& CurrentPlatform();
// Installs `fake` (nullptr puts the real platform back). For tests.
void SetPlatformForTesting(Platform* fake);

// The error rule of the Win32 layer: a failure the program cannot go on from (a skin picture or
// a library that cannot be loaded) is shown to the user, naming what failed, and ends the
// program with a non-zero exit code.
[[noreturn]] void FatalError(const std::wstring& message);

}  // namespace qs
