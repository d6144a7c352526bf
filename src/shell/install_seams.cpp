#include "shell/install_seams.h"

#include "common/unique_handle.h"

namespace qs {
namespace {

class RealInstallSystem final : public InstallSystem {
 public:
  HKEY MarkerRoot() override { return HKEY_LOCAL_MACHINE; }
  bool StartHidden(const std::wstring& batch_file, const std::wstring& folder) override {
    return StartBatchHidden(batch_file, folder);
  }
  int32_t PlatformId() override {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    ::GetVersionExW(&info);  // on failure the zeroed record reads as platform 0
    return static_cast<int32_t>(info.dwPlatformId);
  }
  void RequestRestart(UINT flags) override { ::ExitWindowsEx(flags, 0); }
};

RealInstallSystem g_real;
InstallSystem* g_current = &g_real;

// The command interpreter from the system folder by full path: a cmd.exe that happens to lie in
// the working folder must not be the one that runs the installer.
std::wstring CommandInterpreter() {
  wchar_t system[MAX_PATH]{};
  const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return L"cmd.exe";
  return std::wstring(system, n) + L"\\cmd.exe";
}

}  // namespace

InstallSystem& CurrentInstallSystem() { return *g_current; }

void SetInstallSystemForTesting(InstallSystem* fake) { g_current = fake ? fake : &g_real; }

bool StartBatchHidden(const std::wstring& batch_file, const std::wstring& folder) {
  const std::wstring interpreter = CommandInterpreter();
  // cmd strips the outer pair of quotes after /c, so the inner pair keeps a path with blanks or
  // parentheses ("Program Files (x86)") in one piece.
  std::wstring command = L"\"" + interpreter + L"\" /c \"\"" + batch_file + L"\"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(interpreter.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
    return false;
  }
  // Nobody waits for the installer: both handles go at once and the batch file runs on alone.
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  return true;
}

}  // namespace qs
