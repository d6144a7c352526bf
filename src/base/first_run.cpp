#include "base/first_run.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/install_seams.h"
#include "base/platform.h"
#include "base/string_table.h"
#include "common/program_folder.h"
#include "common/unique_handle.h"

namespace qs {
namespace {

// Its existence marks that the first run is over; the value beside it is written, never read.
constexpr wchar_t kMarkerKey[] = L"SYSTEM\\CurrentControlSet\\Services\\QuietSpin\\Setting";
constexpr wchar_t kMarkerValue[] = L"FirstTime";

constexpr wchar_t kBatchFile[] = L"\\INSTASPI.BAT";

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Starts the installer; a batch file that is missing or cannot be started ends the program here,
// so that the user is never asked to restart for an installation that did not happen.
void StartInstaller() {
  const std::wstring path = FromProgramFolder(kBatchFile);
  if (!IsFile(path)) FatalError(LoadMessage(Message::kInstallerMissing, path));
  if (!CurrentInstallSystem().StartHidden(path, ProgramFolder()))
    FatalError(LoadMessage(Message::kInstallerNotStarted, path));
}

}  // namespace

bool IsFirstRun() {
  const HKEY root = CurrentInstallSystem().MarkerRoot();
  HKEY opened = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(root, kMarkerKey, 0, KEY_READ, &opened);
  UniqueHkey marker(opened);
  if (status == ERROR_SUCCESS) return false;
  // Neither status below is looked at: a machine where the key cannot be created counts as a
  // first run at every start, which offers the installation again rather than skipping it.
  HKEY created = nullptr;
  ::RegCreateKeyExW(root, kMarkerKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &created,
                    nullptr);
  marker.reset(created);
  if (marker) {
    const DWORD zero = 0;
    ::RegSetValueExW(marker.get(), kMarkerValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero),
                     sizeof(zero));
  }
  return true;
}

void InstallPrompt() {
  Platform& platform = CurrentPlatform();
  // The install branch speaks English whatever the system language.
  const std::wstring title = LoadMessage(Message::kTitle);
  platform.ShowMessage(nullptr, LoadMessage(Message::kInstallNotice), title, MB_OK);
  StartInstaller();
  // Asked at once: the batch file may still be running.
  if (platform.ShowMessage(nullptr, LoadMessage(Message::kRestartQuestion), title, MB_YESNO) == IDYES) {
    RebootSystem();
  }
  // Nothing has been set up that would need undoing, so the program ends without unloading.
  platform.Terminate(0);
  std::abort();
}

void RebootSystem() {
  InstallSystem& system = CurrentInstallSystem();
  switch (system.PlatformId()) {
    case VER_PLATFORM_WIN32s:
    case VER_PLATFORM_WIN32_WINDOWS:
      system.RequestRestart(EWX_REBOOT);
      break;
    case VER_PLATFORM_WIN32_NT:
      // NT restarts only for a process that has enabled the privilege in its token.
      EnableShutdownPrivilege();
      system.RequestRestart(EWX_REBOOT);
      break;
    default:
      break;  // an unknown platform is asked about the restart but never restarted
  }
}

bool EnableShutdownPrivilege() {
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened))
    return false;
  UniqueHandle token(opened);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return false;
  // AdjustTokenPrivileges succeeds even when the token lacks the privilege; the last error tells.
  if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr))
    return false;
  return ::GetLastError() == ERROR_SUCCESS;
}

}  // namespace qs
