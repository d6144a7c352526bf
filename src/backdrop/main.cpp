// Backdrop: the setup splash. Shows the `Setup` window with its picture for 1500 ms, then ends.
// It takes no command line and reads no file; the picture and icon live in its resources.
#include <windows.h>
#include <objbase.h>

#include "backdrop/backdrop_picture.h"
#include "backdrop/resource.h"
#include "backdrop/setup_window.h"

namespace {

constexpr DWORD kShowMilliseconds = 1500;

// COM stays initialised for as long as WIC objects may exist.
class ComScope {
 public:
  ComScope() noexcept : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (ok_) ::CoUninitialize();
  }

 private:
  bool ok_;
};

// One pass over what is already queued, so that the window is painted before the wait.
void ProcessPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  ComScope com;
  qs::backdrop::SetupWindow setup(qs::backdrop::LoadPictureResource(instance, IDR_BACKDROP_JPEG));
  if (setup.Create(instance)) {
    setup.Show();
    ProcessPendingMessages();
    // Deliberately blocking: during the wait the window neither repaints nor reacts to input.
    ::Sleep(kShowMilliseconds);
  }
  // Returning ends the process; the window is destroyed with `setup` and no further queued
  // input is ever handled.
  return 0;
}
