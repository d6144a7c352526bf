#include "aspi/aspi_service.h"

#include <atomic>
#include <utility>

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

constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// True when every byte of the range is committed memory this process may read, and write too when
// `write` is set.
bool Accessible(const uint8_t* at, uint32_t length, bool write) {
  auto p = reinterpret_cast<uintptr_t>(at);
  const uintptr_t end = p + length;
  if (end < p) return false;
  while (p < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (::VirtualQuery(reinterpret_cast<void*>(p), &info, sizeof info) == 0) return false;
    if (info.State != MEM_COMMIT || (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) || info.Protect == 0) return false;
    if (write && !(info.Protect & kWritable)) return false;
    p = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
  }
  return true;
}

void Publish(uint8_t* record, uint8_t status) {
  std::atomic_ref<uint8_t>(record[kSrbStatus]).store(status, std::memory_order_release);
}

}  // namespace

// Records carry 32-bit addresses: this library is built for 32-bit callers only.
std::span<uint8_t> CallerBuffer(uint32_t pointer, uint32_t length, DataDirection direction) {
  auto* at = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(pointer));
  if (!Accessible(at, length, direction == DataDirection::kIn)) return {};
  return {at, length};
}

void Answer(uint8_t* record, uint8_t status, uint8_t flags, uint32_t post) {
  Publish(record, status);
  if (post != 0 && (flags & SRB_POSTING)) {
    reinterpret_cast<void(__cdecl*)(void*)>(static_cast<uintptr_t>(post))(record);
  } else if (post != 0 && (flags & SRB_EVENT_NOTIFY)) {
    ::SetEvent(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(post)));
  }
}

AspiService::AspiService(std::unique_ptr<DeviceIo> io)
    : io_(std::move(io)), never_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

// Discovery opens devices, which must not happen while the loader lock is held; the first request
// is the earliest safe moment.
void AspiService::EnsureDiscovered() {
  {
    SrwLockScope hold(lock_);
    if (table_) return;
  }
  auto table = std::make_shared<DeviceTable>(DeviceTable::Discover(*io_));
  SrwLockScope hold(lock_);
  if (!table_) table_ = std::move(table);
}

uint32_t AspiService::SupportInfo() {
  EnsureDiscovered();
  SrwLockScope hold(lock_);
  return SupportWord(*table_);
}

void AspiService::Rescan() {
  auto table = std::make_shared<DeviceTable>(DeviceTable::Discover(*io_));
  SrwLockScope hold(lock_);
  // Requests under way keep the table they were accepted against until they end.
  table_ = std::move(table);
}

uint32_t AspiService::Send(void* record) {
  if (!record) return SS_INVALID_SRB;
  EnsureDiscovered();
  auto* bytes = static_cast<uint8_t*>(record);
  SrbView srb(bytes);
  ::AcquireSRWLockExclusive(&lock_);
  const std::shared_ptr<DeviceTable> table = table_;
  uint8_t status = SS_ASPI_IS_SHUTDOWN;
  if (stopping_) {
    srb.set_byte(kSrbStatus, status);
  } else {
    status = AcceptRequest(*table, timeouts_, bytes);
  }
  if (status == SS_PENDING) {
    switch (srb.cmd()) {
      case SC_EXEC_SCSI_CMD:
      case SC_RESET_DEV: {
        // Both records name the device at the same offsets.
        const uint8_t ha = srb.ha_id(), target = srb.byte(kExecTarget), lun = srb.byte(kExecLun);
        const Device* device = table->Find(ha, target, lun);
        status = Enqueue(bytes, device->address, timeouts_.Seconds(ha, target, lun));
        // From here on the record may be the worker's: it is not touched again.
        break;
      }
      case SC_ABORT_SRB:
        status = Abort(reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(srb.dword(kAbortToAbort))));
        srb.set_byte(kSrbStatus, status);
        break;
      case SC_RESCAN_SCSI_BUS:
        ::ReleaseSRWLockExclusive(&lock_);
        Rescan();
        ::AcquireSRWLockExclusive(&lock_);
        status = SS_COMP;
        srb.set_byte(kSrbStatus, status);
        break;
      default:
        break;
    }
  }
  ::ReleaseSRWLockExclusive(&lock_);
  return status;
}

// Called with the lock held.
AspiService::Line* AspiService::LineFor(const DeviceAddress& address) {
  auto found = lines_.find(address);
  if (found != lines_.end()) return found->second.get();
  auto line = std::make_unique<Line>();
  line->service = this;
  line->parked = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!line->parked) return nullptr;
  line->thread = ::CreateThread(nullptr, 0, &WorkerMain, line.get(), 0, nullptr);
  if (!line->thread) {
    ::CloseHandle(line->parked);
    return nullptr;
  }
  return lines_.emplace(address, std::move(line)).first->second.get();
}

// Called with the lock held; the record says SS_PENDING.
uint8_t AspiService::Enqueue(uint8_t* record, const DeviceAddress& address, uint32_t timeout_seconds) {
  Line* line = LineFor(address);
  if (!line || line->count == kQueueDepth) {
    Publish(record, SS_INSUFFICIENT_RESOURCES);
    return SS_INSUFFICIENT_RESOURCES;
  }
  line->queue[(line->head + line->count) % kQueueDepth] = Entry{record, timeout_seconds, table_};
  ++line->count;
  ::WakeConditionVariable(&line->work);
  return SS_PENDING;
}

// Called with the lock held. A waiting request is taken out and never reaches its device; one under
// way is cancelled where the system allows it, and waited for in any case, so that its record and
// event are done with when the abort returns.
uint8_t AspiService::Abort(const uint8_t* target) {
  for (auto& [address, line] : lines_) {
    for (size_t i = 0; i < line->count; ++i) {
      if (line->queue[(line->head + i) % kQueueDepth].record != target) continue;
      uint8_t* record = line->queue[(line->head + i) % kQueueDepth].record;
      for (size_t j = i; j + 1 < line->count; ++j) {
        line->queue[(line->head + j) % kQueueDepth] = std::move(line->queue[(line->head + j + 1) % kQueueDepth]);
      }
      --line->count;
      line->queue[(line->head + line->count) % kQueueDepth] = Entry{};
      Publish(record, SS_ABORTED);
      return SS_COMP;
    }
    if (line->running != target) continue;
    // A post routine that aborts its own request: it has ended already.
    if (::GetThreadId(line->thread) == ::GetCurrentThreadId()) return SS_ABORT_FAIL;
    ::CancelSynchronousIo(line->thread);
    while (line->running == target) ::SleepConditionVariableSRW(&line->finished, &lock_, INFINITE, 0);
    const uint8_t status = std::atomic_ref<const uint8_t>(target[kSrbStatus]).load(std::memory_order_acquire);
    return status == SS_ABORTED ? SS_COMP : SS_ABORT_FAIL;
  }
  // Finished already, or never sent.
  return SS_ABORT_FAIL;
}

DWORD WINAPI AspiService::WorkerMain(void* context) {
  auto* line = static_cast<Line*>(context);
  line->service->RunWorker(*line);
  // The thread never comes back into this library: whoever stops the service ends it here, which
  // lets the library be unloaded while its workers exist.
  ::SignalObjectAndWait(line->parked, line->service->never_, INFINITE, FALSE);
  return 0;
}

void AspiService::RunWorker(Line& line) {
  ::AcquireSRWLockExclusive(&lock_);
  line.started = true;
  for (;;) {
    while (line.count == 0 && !stopping_) ::SleepConditionVariableSRW(&line.work, &lock_, INFINITE, 0);
    if (stopping_) break;
    Entry entry = std::move(line.queue[line.head]);
    line.queue[line.head] = Entry{};
    line.head = (line.head + 1) % kQueueDepth;
    --line.count;
    line.running = entry.record;
    ::ReleaseSRWLockExclusive(&lock_);

    SrbView srb(entry.record);
    // Read before the status is published: once it is, the caller may reuse or free the record.
    const uint8_t flags = srb.flags();
    const uint32_t post = srb.dword(kExecPostProc);
    const uint8_t status = srb.cmd() == SC_RESET_DEV
                               ? ResetRequest(*entry.table, *io_, entry.record)
                               : ExecuteRequest(*entry.table, *io_, entry.record, &CallerBuffer, entry.timeout_seconds);
    entry.table.reset();

    ::AcquireSRWLockExclusive(&lock_);
    const bool answer = !stopping_;
    ::ReleaseSRWLockExclusive(&lock_);
    if (answer) Answer(entry.record, status, flags, post);
    ::AcquireSRWLockExclusive(&lock_);
    line.running = nullptr;
    ::WakeAllConditionVariable(&line.finished);
  }
  ::ReleaseSRWLockExclusive(&lock_);
}

void AspiService::Stop(bool loader_lock_held) {
  {
    SrwLockScope hold(lock_);
    if (stopping_) return;
    stopping_ = true;
    for (auto& [address, line] : lines_) {
      for (Entry& entry : line->queue) entry = Entry{};
      line->count = 0;
      ::WakeConditionVariable(&line->work);
      if (line->running) ::CancelSynchronousIo(line->thread);
    }
  }
  for (auto& [address, line] : lines_) {
    bool started = false;
    {
      SrwLockScope hold(lock_);
      started = line->started;
    }
    // A thread that has not started waits for the loader lock, before any of this library's code.
    if (started || !loader_lock_held) ::WaitForSingleObject(line->parked, INFINITE);
    ::TerminateThread(line->thread, 0);
    ::CloseHandle(line->thread);
    ::CloseHandle(line->parked);
  }
  lines_.clear();
  if (never_) ::CloseHandle(never_);
  never_ = nullptr;
}

}  // namespace qs::aspi
