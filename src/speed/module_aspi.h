// The ASPI layer as QuietSpin reaches it on Windows: the presence check of WNASPI32.DLL, the
// shim ASPIshim.dll bound by name on first use, and the wait that keeps the window responsive
// while a drive works.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "speed/speed_command.h"

namespace qs {

// True when WNASPI32.DLL loads from the program folder or the system folder and exports both
// GetASPI32SupportInfo and SendASPI32Command. The library is unloaded again at once.
bool ASPIPresent();

class Win32AspiPort final : public aspi::AspiPort {
 public:
  Win32AspiPort() = default;
  Win32AspiPort(const Win32AspiPort&) = delete;
  Win32AspiPort& operator=(const Win32AspiPort&) = delete;

  bool Present() override { return ASPIPresent(); }
  uint32_t SupportInfo() override;
  void Send(aspi::Record& record) override;
  void PumpEvents() override;
  uint64_t NowMs() override { return ::GetTickCount64(); }
  void Abandon(aspi::Record* record) override { abandoned_.push_back(record); }
  // A WM_QUIT met while waiting is posted again once no wait is running.
  void Settled() override;

 private:
  using SupportFn = DWORD(WINAPI*)();
  using SendFn = DWORD(WINAPI*)(LPVOID);
  void Bind();

  HMODULE shim_ = nullptr;  // stays loaded for the life of the process
  SupportFn support_ = nullptr;
  SendFn send_ = nullptr;
  bool quit_seen_ = false;
  WPARAM quit_code_ = 0;
  // Records whose wait was given up at exit; the layer may still write to them until the end.
  std::vector<aspi::Record*> abandoned_;
};

// ModuleASPI: the speed command over a port (the real one, or a test's).
class ModuleAspi {
 public:
  explicit ModuleAspi(aspi::AspiPort& port) : port_(port), command_(port) {}

  bool ASPIPresent() { return port_.Present(); }
  // Applies `speed` unless another application is waiting for a drive.
  void SetCDROMSpeed(uint8_t speed);
  // The unload's application: always runs; waits are given up 5 s after it starts.
  void SetCDROMSpeedAtExit(uint8_t speed);
  bool Busy() const { return command_.Busy(); }

 private:
  aspi::AspiPort& port_;
  aspi::SpeedCommand command_;
};

}  // namespace qs
