#include "window/single_instance.h"

#include <sddl.h>

#include <string>

#include "window/frm_main.h"

namespace qs {
namespace {

// "Global\QuietSpin.<SID>" of the process's user; without the SID, one name for every user.
std::wstring MutexName() {
  std::wstring name = L"Global\\QuietSpin.Running";
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return name;
  UniqueHandle token(opened);
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!::GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &size)) return name;
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) return name;
  UniqueLocal<wchar_t*> sid(text);
  return name + L"." + sid.get();
}

}  // namespace

SingleInstance::SingleInstance() {
  mutex_.reset(::CreateMutexW(nullptr, FALSE, MutexName().c_str()));
  const DWORD error = ::GetLastError();
  // Access denied: the name is taken by an instance whose mutex this process may not open.
  first_ = !(error == ERROR_ALREADY_EXISTS || (!mutex_ && error == ERROR_ACCESS_DENIED));
}

UINT ShowInstanceMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"QuietSpin.ShowRunningInstance");
  return message;
}

void ShowRunningInstance() {
  const HWND window = ::FindWindowW(FrmMain::kClassName, nullptr);
  if (!window) return;
  // This process was just started by the user and may bring a window to the front; it hands that
  // right to the running instance, which brings its window forward itself.
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  ::AllowSetForegroundWindow(process);
  ::PostMessageW(window, ShowInstanceMessage(), 0, 0);
}

}  // namespace qs
