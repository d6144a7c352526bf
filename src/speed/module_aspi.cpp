#include "speed/module_aspi.h"

#include <string>

#include "base/platform.h"
#include "base/string_table.h"
#include "common/trusted_library.h"
#include "common/unique_handle.h"

namespace qs {

bool ASPIPresent() {
  UniqueModule layer = LoadFromTrustedFolders(L"WNASPI32.DLL");
  if (!layer) return false;
  return ::GetProcAddress(layer.get(), "GetASPI32SupportInfo") != nullptr &&
         ::GetProcAddress(layer.get(), "SendASPI32Command") != nullptr;
}

void Win32AspiPort::Bind() {
  if (shim_) return;
  UniqueModule shim = LoadFromTrustedFolders(L"ASPIshim.dll");
  if (!shim) FatalError(LoadMessage(Message::kLibraryMissing, L"ASPIshim.dll"));
  support_ = reinterpret_cast<SupportFn>(
      reinterpret_cast<void*>(::GetProcAddress(shim.get(), "GetASPI32SupportInfoEx")));
  send_ =
      reinterpret_cast<SendFn>(reinterpret_cast<void*>(::GetProcAddress(shim.get(), "SendASPI32CommandEx")));
  if (!support_)
    FatalError(LoadMessage(Message::kEntryPointMissing, L"ASPIshim.dll", L"GetASPI32SupportInfoEx"));
  if (!send_) FatalError(LoadMessage(Message::kEntryPointMissing, L"ASPIshim.dll", L"SendASPI32CommandEx"));
  shim_ = shim.release();
}

uint32_t Win32AspiPort::SupportInfo() {
  Bind();
  return support_();
}

void Win32AspiPort::Send(aspi::Record& record) {
  Bind();
  send_(record.data());
}

void Win32AspiPort::PumpEvents() {
  MSG msg;
  while (!quit_seen_ && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_seen_ = true;
      quit_code_ = msg.wParam;
      break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  // Once the quit has been seen no message is taken any more, so input may stay queued, and a
  // wait that ends on queued input would end at once on every pass: then just sleep 1 ms.
  if (quit_seen_) {
    ::Sleep(1);
    return;
  }
  // Sleep until the next event or 1 ms, whichever comes first: no spinning on the status byte.
  ::MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Win32AspiPort::Settled() {
  if (!quit_seen_) return;
  quit_seen_ = false;
  ::PostQuitMessage(static_cast<int>(quit_code_));
}

void ModuleAspi::SetCDROMSpeed(uint8_t speed) {
  command_.SetCDROMSpeed(speed);
  if (!command_.Busy()) port_.Settled();
}

void ModuleAspi::SetCDROMSpeedAtExit(uint8_t speed) {
  command_.SetCDROMSpeedAtExit(speed);
  if (!command_.Busy()) port_.Settled();
}

}  // namespace qs
