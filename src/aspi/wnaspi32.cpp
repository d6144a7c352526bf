// WNASPI32.DLL: ASPI for Win32 for systems that ship no ASPI layer, carried over SCSI pass-through.
#include <windows.h>

#include <atomic>

#include "aspi/aspi_service.h"
#include "aspi/spti_device_io.h"

namespace {

std::atomic<qs::aspi::AspiService*> g_service{nullptr};
INIT_ONCE g_created = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK CreateService(INIT_ONCE*, void*, void**) {
  g_service.store(new qs::aspi::AspiService(qs::aspi::MakeSptiDeviceIo()), std::memory_order_release);
  return TRUE;
}

// Created on the first call, never in DllMain: finding the devices opens them, which the loader
// lock forbids.
qs::aspi::AspiService& Service() {
  ::InitOnceExecuteOnce(&g_created, &CreateService, nullptr, nullptr);
  return *g_service.load(std::memory_order_acquire);
}

}  // namespace

// Version of this layer: major in the low byte, minor in the next.
constexpr DWORD kLayerVersion = 0x0001;

extern "C" {

DWORD __cdecl GetASPI32SupportInfo(void) { return Service().SupportInfo(); }

DWORD __cdecl SendASPI32Command(void* srb) { return Service().Send(srb); }

DWORD __cdecl GetASPI32DLLVersion(void) { return kLayerVersion; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Unloaded by FreeLibrary: no worker runs (each holds a reference to this module), so the
    // service can go. At process exit the system reclaims everything; nothing is torn down then.
    delete g_service.exchange(nullptr);
  }
  return TRUE;
}

}  // extern "C"
