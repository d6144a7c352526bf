// Stand-ins for the outside world of the install branch: message boxes and the process's end
// (Platform), the registry root, the installer start and the restart (InstallSystem). Every
// call lands in one event list, so that tests can check what happened and in which order.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/install_seams.h"
#include "base/platform.h"
#include "common/unique_handle.h"

namespace qs::test {

// Thrown by the fake Terminate: the program would have ended here.
struct Ended {
  int exit_code;
};

struct Event {
  std::wstring kind;                        // "message", "start", "restart", "end"
  std::wstring text;                        // message text, or the started file
  std::wstring extra;                       // message title, or the working folder
  UINT flags = 0;                           // message style, restart flags
  int code = 0;                             // exit code
  bool shutdown_privilege_enabled = false;  // restart: the privilege's state at that moment
};

// True when SeShutdownPrivilege is enabled in this process's token right now.
inline bool ShutdownPrivilegeEnabled() {
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
  UniqueHandle token(opened);
  PRIVILEGE_SET set{};
  set.PrivilegeCount = 1;
  set.Control = PRIVILEGE_SET_ALL_NECESSARY;
  ::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &set.Privilege[0].Luid);
  BOOL enabled = FALSE;
  ::PrivilegeCheck(token.get(), &set, &enabled);
  return enabled != FALSE;
}

// Turns SeShutdownPrivilege off again, so that each test starts from a token without it.
inline void DisableShutdownPrivilege() {
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened)) return;
  UniqueHandle token(opened);
  TOKEN_PRIVILEGES p{};
  p.PrivilegeCount = 1;
  ::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &p.Privileges[0].Luid);
  p.Privileges[0].Attributes = 0;
  ::AdjustTokenPrivileges(token.get(), FALSE, &p, sizeof(p), nullptr, nullptr);
}

// RegCreateKeyExW / RegOpenKeyExW into an owning wrapper; the status comes back through `status`.
inline UniqueHkey CreateKey(HKEY root, const std::wstring& path, LSTATUS* status = nullptr) {
  HKEY key = nullptr;
  const LSTATUS s =
      ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status) *status = s;
  return UniqueHkey(key);
}
inline UniqueHkey OpenKey(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
  return UniqueHkey(key);
}

class FakeWorld final : public Platform, public InstallSystem {
 public:
  std::vector<Event> events;
  int answer = IDNO;  // what the user presses in the Yes/No box
  bool start_succeeds = true;
  int32_t platform_id = VER_PLATFORM_WIN32_NT;
  HKEY root = nullptr;
  // Runs while a message box would be open (the box's own modal loop pumps messages).
  std::function<void(const std::wstring& text)> while_open;

  FakeWorld() {
    SetPlatformForTesting(this);
    SetInstallSystemForTesting(this);
  }
  ~FakeWorld() override {
    SetPlatformForTesting(nullptr);
    SetInstallSystemForTesting(nullptr);
  }

  int ShowMessage(HWND, const std::wstring& text, const std::wstring& title, UINT style) override {
    Event e{L"message", text, title};
    e.flags = style;
    events.push_back(e);
    if (while_open) while_open(text);
    return (style & MB_TYPEMASK) == MB_YESNO ? answer : IDOK;
  }
  void OpenUrl(HWND, const std::string&) override { events.push_back(Event{L"url", L"", L""}); }
  void Terminate(int exit_code) override {
    Event e{L"end", L"", L""};
    e.code = exit_code;
    events.push_back(e);
    throw Ended{exit_code};
  }

  HKEY MarkerRoot() override { return root; }
  bool StartHidden(const std::wstring& batch_file, const std::wstring& folder) override {
    events.push_back(Event{L"start", batch_file, folder});
    return start_succeeds;
  }
  int32_t PlatformId() override { return platform_id; }
  void RequestRestart(UINT flags) override {
    Event e{L"restart", L"", L""};
    e.flags = flags;
    e.shutdown_privilege_enabled = ShutdownPrivilegeEnabled();
    events.push_back(e);
  }

  std::vector<std::wstring> Kinds() const {
    std::vector<std::wstring> out;
    for (const Event& e : events) out.push_back(e.kind);
    return out;
  }
};

}  // namespace qs::test
