// The drive wait once the quit has been seen: a WM_QUIT that reaches a drive wait is set aside
// until no wait runs any more, and from then on the wait takes no message, so input that comes
// stays queued; each pass must still sleep about 1 ms. Runs the real wait for 3 s in that state
// and prints the passes it made and the CPU it used:
//   after the quit: <passes> passes in 3 s, <ms> ms CPU (<percent> % of one core; target ...)
// Exit status 0 when that is within the target (argument 1, percent of one core, default 5),
// 1 above it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "speed/module_aspi.h"

namespace {

ULONGLONG CpuTime100ns() {
  FILETIME created, ended, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
  const auto value = [](FILETIME t) {
    return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return value(kernel) + value(user);
}

}  // namespace

int main(int argc, char** argv) {
  const double target = argc > 1 ? std::atof(argv[1]) : 5.0;
  qs::Win32AspiPort port;
  const HWND window =
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::PostQuitMessage(0);
  port.PumpEvents();                      // the wait meets the quit and sets it aside
  ::PostMessageW(window, WM_NULL, 0, 0);  // input that nobody takes from now on
  constexpr ULONGLONG kMs = 3000;
  const ULONGLONG cpu_before = CpuTime100ns();
  const ULONGLONG start = ::GetTickCount64();
  long passes = 0;
  while (::GetTickCount64() - start < kMs) {
    port.PumpEvents();
    ++passes;
  }
  const double cpu_ms = static_cast<double>(CpuTime100ns() - cpu_before) / 10000.0;
  const double percent = cpu_ms * 100.0 / static_cast<double>(kMs);
  std::printf("after the quit: %ld passes in 3 s, %.0f ms CPU (%.1f %% of one core; target: %g %% or less)\n",
              passes, cpu_ms, percent, target);
  ::DestroyWindow(window);
  return percent <= target ? 0 : 1;
}
