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
// Set by DLL_PROCESS_DETACH: from then on every export answers as a layer that has shut down.
std::atomic<bool> g_detached{false};
// Calls inside an export that may be using the service; the detach leaves a service in use alone.
std::atomic<long> g_callers{0};

BOOL CALLBACK CreateService(INIT_ONCE*, void*, void**) {
  if (!g_detached.load()) g_service.store(new qs::aspi::AspiService(qs::aspi::MakeSptiDeviceIo()));
  return TRUE;
}

// The service for the length of one call, null once the library is being unloaded. Created on the
// first call, never in DllMain: finding the devices opens them, which the loader lock forbids.
class ServiceCall {
 public:
  ServiceCall() noexcept {
    g_callers.fetch_add(1);
    if (g_detached.load()) return;
    ::InitOnceExecuteOnce(&g_created, &CreateService, nullptr, nullptr);
    service_ = g_service.load();
  }
  ServiceCall(const ServiceCall&) = delete;
  ServiceCall& operator=(const ServiceCall&) = delete;
  ~ServiceCall() { g_callers.fetch_sub(1); }
  qs::aspi::AspiService* get() const noexcept { return service_; }

 private:
  qs::aspi::AspiService* service_ = nullptr;
};

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

DWORD __cdecl GetASPI32SupportInfo(void) {
  const ServiceCall call;
  return call.get() ? call.get()->SupportInfo() : DWORD{qs::aspi::SS_ASPI_IS_SHUTDOWN} << 8;
}

DWORD __cdecl SendASPI32Command(void* srb) {
  const ServiceCall call;
  if (call.get()) return call.get()->Send(srb);
  if (!srb) return qs::aspi::SS_INVALID_SRB;
  return qs::aspi::AnswerAtOnce(static_cast<uint8_t*>(srb), qs::aspi::SS_ASPI_IS_SHUTDOWN);
}

DWORD __cdecl GetASPI32DLLVersion(void) { return kLayerVersion; }

// ASPI32BUFF: page-aligned memory, which suits every adapter's alignment, of at most 512 KiB; new
// memory is always zero-filled, whatever AB_ZeroFill says.
BOOL __cdecl GetASPI32Buffer(void* block) {
  if (!block || g_detached.load()) return FALSE;
  auto* bytes = static_cast<uint8_t*>(block);
  const uint32_t length = Dword(bytes + qs::aspi::kBuffLength);
  if (length == 0 || length > qs::aspi::kMaxAspiBuffer) return FALSE;
  void* memory = ::VirtualAlloc(nullptr, length, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!memory) return FALSE;
  {
    qs::aspi::SrwLockScope hold(g_buffers_lock);
    if (!g_buffers) g_buffers = new std::set<uintptr_t>;
    g_buffers->insert(reinterpret_cast<uintptr_t>(memory));
  }
  const auto pointer = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(memory));
  std::memcpy(bytes + qs::aspi::kBuffPointer, &pointer, sizeof pointer);
  return TRUE;
}

BOOL __cdecl FreeASPI32Buffer(void* block) {
  if (!block) return FALSE;
  const uintptr_t pointer = Dword(static_cast<uint8_t*>(block) + qs::aspi::kBuffPointer);
  bool ours = false;
  {
    qs::aspi::SrwLockScope hold(g_buffers_lock);
    ours = !g_detached.load() && g_buffers && g_buffers->erase(pointer) == 1;
  }
  return ours && ::VirtualFree(reinterpret_cast<void*>(pointer), 0, MEM_RELEASE);
}

// Maps an ASPI address to a Plug and Play device node on the Windows 95 family only; the NT family
// has no such node, so there is nothing to translate.
BOOL __cdecl TranslateASPI32Address(DWORD*, DWORD*) { return FALSE; }

// Waits for nothing and ends no thread: workers hold their own reference to this module, so
// FreeLibrary unloads it only once every worker has ended, and a detach then only lets the
// service go. At process exit the system has ended the other threads already, perhaps inside the
// service's lock, so the service is left as it is.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    g_detached.store(true);
    qs::aspi::AspiService* service = g_service.exchange(nullptr);
    // A call that raced the detach still holds the service: it is left to the process.
    if (reserved == nullptr && g_callers.load() == 0) {
      delete service;
      // Buffers the caller did not give back stay its own.
      qs::aspi::SrwLockScope hold(g_buffers_lock);
      delete g_buffers;
      g_buffers = nullptr;
    }
  }
  return TRUE;
}

}  // extern "C"
