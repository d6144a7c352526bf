#include "base/install_seams.h"

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
// the working folder must not be the one that runs the installer. Empty when the system folder
// cannot be read.
std::wstring CommandInterpreter() {
  wchar_t system[MAX_PATH]{};
  const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::wstring();
  return std::wstring(system, n) + L"\\cmd.exe";
}

// A name cmd reads as it stands: letters, digits, dots, dashes and underscores.
bool IsPlainName(const std::wstring& name) {
  if (name.empty()) return false;
  for (const wchar_t c : name) {
    const bool plain = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
                       c == L'.' || c == L'-' || c == L'_';
    if (!plain) return false;
  }
  return true;
}

}  // namespace

InstallSystem& CurrentInstallSystem() { return *g_current; }

void SetInstallSystemForTesting(InstallSystem* fake) { g_current = fake ? fake : &g_real; }

bool StartBatchHidden(const std::wstring& batch_file, const std::wstring& folder) {
  // cmd expands %NAME% wherever it stands on its command line, between quotes too, so the folder
  // never goes there: cmd starts in the folder and is given the file's plain name, as ".\name"
  // so that it is looked for there and nowhere else. A network folder cannot be cmd's working
  // folder (cmd would fall back to the Windows folder), so such a start is refused.
  const std::wstring interpreter = CommandInterpreter();
  const std::wstring name = batch_file.substr(batch_file.find_last_of(L"\\/") + 1);
  if (interpreter.empty() || folder.empty() || folder.rfind(L"\\\\", 0) == 0 || !IsPlainName(name))
    return false;
  // /d: no AutoRun commands from the registry, which could change the folder first.
  std::wstring command = L"\"" + interpreter + L"\" /d /c .\\" + name;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(interpreter.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, folder.c_str(), &startup, &started)) {
    return false;
  }
  // Nobody waits for the installer: both handles go at once and the batch file runs on alone.
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  return true;
}

}  // namespace qs
