// WNASPI32.DLL: ASPI for Win32 for systems that ship no ASPI layer, carried over SCSI pass-through.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <set>

#include "aspi/aspi_service.h"
#include "aspi/aspi_srb.h"
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

// Buffers handed out by GetASPI32Buffer, so that FreeASPI32Buffer frees only those.
SRWLOCK g_buffers_lock = SRWLOCK_INIT;
std::set<uintptr_t>* g_buffers = nullptr;

uint32_t Dword(const uint8_t* at) {
  uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace

// Version of this layer: major in the low byte, minor in the next.
constexpr DWORD kLayerVersion = 0x0002;

extern "C" {

DWORD __cdecl GetASPI32SupportInfo(void) { return Service().SupportInfo(); }

DWORD __cdecl SendASPI32Command(void* srb) { return Service().Send(srb); }

DWORD __cdecl GetASPI32DLLVersion(void) { return kLayerVersion; }

// ASPI32BUFF: page-aligned memory, which suits every adapter's alignment, of at most 512 KiB; new
// memory is always zero-filled, whatever AB_ZeroFill says.
BOOL __cdecl GetASPI32Buffer(void* block) {
  if (!block) return FALSE;
  auto* bytes = static_cast<uint8_t*>(block);
  const uint32_t length = Dword(bytes + qs::aspi::kBuffLength);
  if (length == 0 || length > qs::aspi::kMaxAspiBuffer) return FALSE;
  void* memory = ::VirtualAlloc(nullptr, length, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!memory) return FALSE;
  ::AcquireSRWLockExclusive(&g_buffers_lock);
  if (!g_buffers) g_buffers = new std::set<uintptr_t>;
  g_buffers->insert(reinterpret_cast<uintptr_t>(memory));
  ::ReleaseSRWLockExclusive(&g_buffers_lock);
  const auto pointer = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(memory));
  std::memcpy(bytes + qs::aspi::kBuffPointer, &pointer, sizeof pointer);
  return TRUE;
}

BOOL __cdecl FreeASPI32Buffer(void* block) {
  if (!block) return FALSE;
  const uintptr_t pointer = Dword(static_cast<uint8_t*>(block) + qs::aspi::kBuffPointer);
  ::AcquireSRWLockExclusive(&g_buffers_lock);
  const bool ours = g_buffers && g_buffers->erase(pointer) == 1;
  ::ReleaseSRWLockExclusive(&g_buffers_lock);
  return ours && ::VirtualFree(reinterpret_cast<void*>(pointer), 0, MEM_RELEASE);
}

// Maps an ASPI address to a Plug and Play device node on the Windows 95 family only; the NT family
// has no such node, so there is nothing to translate.
BOOL __cdecl TranslateASPI32Address(DWORD*, DWORD*) { return FALSE; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Unloaded by FreeLibrary: the workers end here, and no request is answered afterwards. At
    // process exit the system has ended them already and reclaims everything.
    if (qs::aspi::AspiService* service = g_service.exchange(nullptr)) {
      service->Stop(true);
      delete service;
    }
    // Buffers the caller did not give back stay its own.
    delete g_buffers;
    g_buffers = nullptr;
  }
  return TRUE;
}

}  // extern "C"
