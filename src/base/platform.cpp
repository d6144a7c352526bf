#include "base/platform.h"

#include <shellapi.h>

#include <cstdlib>

#include "base/string_table.h"
#include "base/tray_icon.h"

namespace qs {
namespace {

class RealPlatform final : public Platform {
 public:
  int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) override {
    return ::MessageBoxW(owner, text.c_str(), title.c_str(), style);
  }
  void OpenUrl(HWND owner, const std::string& url) override {
    ::ShellExecuteA(owner, nullptr, url.c_str(), nullptr, "c:\\", SW_SHOWNORMAL);
  }
  void Terminate(int exit_code) override { ::ExitProcess(static_cast<UINT>(exit_code)); }
};

RealPlatform g_real;
Platform* g_current = &g_real;

}  // namespace

Platform& CurrentPlatform() { return *g_current; }

void SetPlatformForTesting(Platform* fake) { g_current = fake ? fake : &g_real; }

void FatalError(const std::wstring& message) {
  // The program ends without its unload: no tray icon may be left behind.
  RemoveTrayIcon();
  CurrentPlatform().ShowMessage(nullptr, message, LoadMessage(Message::kTitle), MB_OK | MB_ICONERROR);
  CurrentPlatform().Terminate(3);
  // A test platform that returns from Terminate must not let the program run on.
  std::abort();
}

}  // namespace qs
