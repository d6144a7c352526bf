#include "aspi/aspi_service.h"

#include <atomic>

#include "aspi/aspi_layer.h"
#include "aspi/aspi_srb.h"

namespace qs::aspi {
namespace {

class SrwLockScope {
 public:
  explicit SrwLockScope(SRWLOCK& lock) noexcept : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
  SrwLockScope(const SrwLockScope&) = delete;
  SrwLockScope& operator=(const SrwLockScope&) = delete;
  ~SrwLockScope() { ::ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK& lock_;
};

// The module this code lives in (the library, or a test program that links it in).
HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

// Records carry 32-bit addresses: this library is built for 32-bit callers only.
std::span<uint8_t> CallerBuffer(uint32_t pointer, uint32_t length) {
  return {reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(pointer)), length};
}

}  // namespace

AspiService::AspiService(std::unique_ptr<DeviceIo> io, DWORD idle_ms)
    : io_(std::move(io)), idle_ms_(idle_ms) {}

AspiService::~AspiService() {
  SrwLockScope hold(lock_);
  stopping_ = true;
  ::WakeAllConditionVariable(&work_);
  while (worker_running_) ::SleepConditionVariableSRW(&worker_ended_, &lock_, INFINITE, 0);
}

BOOL CALLBACK AspiService::DiscoverOnce(INIT_ONCE*, void* self, void**) {
  auto* service = static_cast<AspiService*>(self);
  service->table_ = DeviceTable::Discover(*service->io_);
  return TRUE;
}

// Discovery opens devices, which must not happen while the loader lock is held; the first request
// is the earliest safe moment.
const DeviceTable& AspiService::Table() {
  ::InitOnceExecuteOnce(&discovered_, &AspiService::DiscoverOnce, this, nullptr);
  return table_;
}

uint32_t AspiService::SupportInfo() { return SupportWord(Table()); }

uint32_t AspiService::Send(void* record) {
  if (!record) return SS_INVALID_SRB;
  auto* bytes = static_cast<uint8_t*>(record);
  const uint8_t status = AcceptRequest(Table(), bytes);
  if (status == SS_PENDING) Enqueue(bytes);
  return status;
}

void AspiService::Enqueue(uint8_t* record) {
  {
    SrwLockScope hold(lock_);
    queue_.push_back(record);
    if (worker_running_) {
      ::WakeConditionVariable(&work_);
      return;
    }
    // The worker holds its own reference to the module so that a caller's FreeLibrary cannot
    // unmap the code it runs; it gives the reference back as it ends.
    HMODULE reference = nullptr;
    if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WorkerMain),
                             &reference)) {
      HANDLE thread = ::CreateThread(nullptr, 0, &WorkerMain, this, 0, nullptr);
      if (thread) {
        ::CloseHandle(thread);
        worker_running_ = true;
        return;
      }
      ::FreeLibrary(reference);
    }
    queue_.pop_back();
  }
  // No thread to be had: the request still completes, only before Send returns.
  Execute(record);
}

DWORD WINAPI AspiService::WorkerMain(void* self) {
  static_cast<AspiService*>(self)->RunWorker();
  ::FreeLibraryAndExitThread(ThisModule(), 0);
  return 0;
}

void AspiService::RunWorker() {
  ::AcquireSRWLockExclusive(&lock_);
  for (;;) {
    while (queue_.empty() && !stopping_) {
      if (!::SleepConditionVariableSRW(&work_, &lock_, idle_ms_, 0) && queue_.empty()) break;
    }
    if (queue_.empty()) break;
    uint8_t* record = queue_.front();
    queue_.pop_front();
    ::ReleaseSRWLockExclusive(&lock_);
    Execute(record);
    ::AcquireSRWLockExclusive(&lock_);
  }
  worker_running_ = false;
  ::WakeAllConditionVariable(&worker_ended_);
  // From here on the service may be gone: touch nothing of it.
  ::ReleaseSRWLockExclusive(&lock_);
}

void AspiService::Execute(uint8_t* record) {
  SrbView srb(record);
  // Read before the status is published: once it is, the caller may reuse or free the record.
  const uint8_t flags = srb.flags();
  const uint32_t post = srb.dword(kExecPostProc);
  const uint8_t status = ExecuteRequest(Table(), *io_, record, &CallerBuffer);
  std::atomic_ref<uint8_t>(record[kSrbStatus]).store(status, std::memory_order_release);
  if (post == 0) return;
  if (flags & SRB_POSTING) {
    reinterpret_cast<void(__cdecl*)(void*)>(static_cast<uintptr_t>(post))(record);
  } else if (flags & SRB_EVENT_NOTIFY) {
    ::SetEvent(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(post)));
  }
}

}  // namespace qs::aspi
