#include "aspi/aspi_service.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <utility>
#include <vector>

#include "aspi/aspi_srb.h"
#include "aspi/device_table.h"
#include "common/unique_handle.h"

namespace qs::aspi {
namespace {

using PostRoutine = void(__cdecl*)(void*);

// The inverse of SrwLockScope: lets the lock go for the lifetime of the object.
class SrwUnlockScope {
 public:
  explicit SrwUnlockScope(SRWLOCK& lock) noexcept : lock_(lock) { ::ReleaseSRWLockExclusive(&lock_); }
  SrwUnlockScope(const SrwUnlockScope&) = delete;
  SrwUnlockScope& operator=(const SrwUnlockScope&) = delete;
  ~SrwUnlockScope() { ::AcquireSRWLockExclusive(&lock_); }

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

// The caller's event as an object of our own. A client that sees the final status may close its
// event at once and create the next, which often gets the same handle value; signalling our
// duplicate reaches the old event object, never the new one.
UniqueHandle DuplicateEvent(uint32_t value) {
  HANDLE copy = nullptr;
  const HANDLE process = ::GetCurrentProcess();
  if (!::DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)), process, &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS)) {
    return UniqueHandle();
  }
  return UniqueHandle(copy);
}

// An accepted request. Its notification is read when it is accepted: once the status is out, the
// record is the caller's again.
struct Entry {
  uint8_t* record = nullptr;
  uint32_t timeout_seconds = 0;
  std::shared_ptr<DeviceTable> table;  // the table the request was accepted against
  PostRoutine post = nullptr;
  UniqueHandle event;
};

Entry MakeEntry(uint8_t* record, uint32_t timeout_seconds, std::shared_ptr<DeviceTable> table) {
  SrbView srb(record);
  Entry entry{record, timeout_seconds, std::move(table), nullptr, UniqueHandle()};
  const uint32_t post = srb.dword(kExecPostProc);
  if (post != 0 && (srb.flags() & SRB_POSTING)) {
    entry.post = reinterpret_cast<PostRoutine>(static_cast<uintptr_t>(post));
  } else if (post != 0 && (srb.flags() & SRB_EVENT_NOTIFY)) {
    entry.event = DuplicateEvent(post);
  }
  return entry;
}

// The status goes out first, so that a client woken by its event or called back always reads the
// final status; the event signalled is our duplicate (see DuplicateEvent), so signalling after the
// status is out cannot wake a later request of the client.
void Notify(const Entry& entry, uint8_t status) {
  Publish(entry.record, status);
  if (entry.post) {
    entry.post(entry.record);
  } else if (entry.event) {
    ::SetEvent(entry.event.get());
  }
}

// Closes what the table holds open for the device at `address`, or for every device; the next
// command opens it again and checks that the same drive answers.
void CloseChannels(DeviceTable& table, const DeviceAddress* address = nullptr) {
  for (const Device& d : table.devices()) {
    if (!address || d.address == *address) table.Find(d.adapter, d.address.target, d.address.lun)->channel.reset();
  }
}

// One device's queue and worker.
struct Line {
  DeviceAddress address;
  std::deque<Entry> queue;
  // The request whose command is under way: set only while the worker is inside the command, so
  // that a cancel never reaches I/O of a client's post routine on the worker's thread.
  const uint8_t* running = nullptr;
  UniqueHandle thread;
  CONDITION_VARIABLE work = CONDITION_VARIABLE_INIT;
};

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
    reinterpret_cast<PostRoutine>(static_cast<uintptr_t>(post))(record);
  } else if (post != 0 && (flags & SRB_EVENT_NOTIFY)) {
    // The caller is still in the call, so the handle is still the one it gave.
    ::SetEvent(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(post)));
  }
}

uint8_t AnswerAtOnce(uint8_t* record, uint8_t status) {
  SrbView srb(record);
  if (srb.cmd() == SC_EXEC_SCSI_CMD || srb.cmd() == SC_RESET_DEV) {
    // Both records name the post routine or event at the same offset.
    Answer(record, status, srb.flags(), srb.dword(kExecPostProc));
  } else {
    Publish(record, status);
  }
  return status;
}

struct AspiService::Core : std::enable_shared_from_this<Core> {
  explicit Core(std::unique_ptr<DeviceIo> device_io) : io(std::move(device_io)) {}

  uint32_t SupportInfo();
  uint32_t Send(uint8_t* record);
  void Stop();

 private:
  // What a worker thread is given: the state it shares, its line, and the module reference that
  // keeps its code mapped until it ends.
  struct WorkerStart {
    std::shared_ptr<Core> core;
    Line* line = nullptr;
    UniqueModule module;
  };

  void EnsureDiscovered(bool again_when_empty);
  void Rescan();
  uint8_t Dispatch(uint8_t* record, std::vector<Entry>& aborted, bool& rescan);
  uint8_t Enqueue(uint8_t* record, const DeviceAddress& address, uint32_t timeout_seconds);
  uint8_t Abort(const uint8_t* target, std::vector<Entry>& aborted);
  void Clear(const DeviceAddress& address, std::vector<Entry>& aborted);
  Line* LineFor(const DeviceAddress& address);
  static DWORD WINAPI WorkerMain(void* start);
  void RunWorker(Line& line);

  std::unique_ptr<DeviceIo> io;
  SRWLOCK lock = SRWLOCK_INIT;
  std::shared_ptr<DeviceTable> table;  // null until the first request
  ULONGLONG discovered_at = 0;
  Timeouts timeouts;
  std::map<DeviceAddress, std::unique_ptr<Line>> lines;  // a line leaves when its worker ends
  bool stopping = false;
};

// Discovery opens devices, which must not happen while the loader lock is held; the first request
// is the earliest safe moment. While no drive was found, asking for the support word looks again,
// at most once a second, so that a drive attached later is seen and a caller polling costs little.
void AspiService::Core::EnsureDiscovered(bool again_when_empty) {
  {
    SrwLockScope hold(lock);
    if (table && (!again_when_empty || table->adapter_count() != 0 ||
                  ::GetTickCount64() - discovered_at < kRediscoverMilliseconds)) {
      return;
    }
  }
  Rescan();
}

void AspiService::Core::Rescan() {
  auto fresh = std::make_shared<DeviceTable>(DeviceTable::Discover(*io));
  // A device is open only while it has work.
  CloseChannels(*fresh);
  SrwLockScope hold(lock);
  // Requests under way keep the table they were accepted against until they end.
  table = std::move(fresh);
  discovered_at = ::GetTickCount64();
}

uint32_t AspiService::Core::SupportInfo() {
  EnsureDiscovered(true);
  SrwLockScope hold(lock);
  if (stopping) return uint32_t{SS_ASPI_IS_SHUTDOWN} << 8;
  return SupportWord(*table);
}

uint32_t AspiService::Core::Send(uint8_t* record) {
  if (!record) return SS_INVALID_SRB;
  EnsureDiscovered(false);
  std::vector<Entry> aborted;
  bool rescan = false;
  uint8_t status = SS_ASPI_IS_SHUTDOWN;
  {
    SrwLockScope hold(lock);
    if (!stopping) status = AcceptRequest(*table, timeouts, record);
    if (status == SS_PENDING) status = Dispatch(record, aborted, rescan);
  }
  // Requests taken out of a queue are answered before the abort or reset that took them returns.
  for (const Entry& entry : aborted) Notify(entry, SS_ABORTED);
  // Once queued the record may be the worker's: it is not touched again here.
  if (status == SS_PENDING) return status;
  if (rescan) {
    Rescan();
    status = SS_COMP;
  }
  return AnswerAtOnce(record, status);
}

// Called with the lock held, for an accepted request that the library goes on with.
uint8_t AspiService::Core::Dispatch(uint8_t* record, std::vector<Entry>& aborted, bool& rescan) {
  SrbView srb(record);
  switch (srb.cmd()) {
    case SC_EXEC_SCSI_CMD:
    case SC_RESET_DEV: {
      // Both records name the device at the same offsets.
      const uint8_t ha = srb.ha_id(), target = srb.byte(kExecTarget), lun = srb.byte(kExecLun);
      const DeviceAddress address = table->Find(ha, target, lun)->address;
      // A reset is how a hung device is cleared: it does not wait behind what it clears.
      if (srb.cmd() == SC_RESET_DEV) Clear(address, aborted);
      return Enqueue(record, address, timeouts.Seconds(ha, target, lun));
    }
    case SC_ABORT_SRB:
      return Abort(reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(srb.dword(kAbortToAbort))), aborted);
    case SC_RESCAN_SCSI_BUS:
      rescan = true;
      return SS_COMP;
    default:
      return SS_INVALID_CMD;
  }
}

// Called with the lock held; the record says SS_PENDING.
uint8_t AspiService::Core::Enqueue(uint8_t* record, const DeviceAddress& address, uint32_t timeout_seconds) {
  Line* line = LineFor(address);
  if (!line || line->queue.size() == kQueueDepth) return SS_ASPI_IS_BUSY;
  line->queue.push_back(MakeEntry(record, timeout_seconds, table));
  ::WakeConditionVariable(&line->work);
  return SS_PENDING;
}

// Called with the lock held. A waiting request is taken out, never reaches its device and is
// answered SS_ABORTED before the abort returns. A command under way is cancelled where the system
// allows it; the abort does not wait for it: the request ends soon after, SS_ABORTED when the
// cancel reached it, with its own status when it had finished first, and is notified as usual.
uint8_t AspiService::Core::Abort(const uint8_t* target, std::vector<Entry>& aborted) {
  for (auto& [address, line] : lines) {
    const auto found =
        std::find_if(line->queue.begin(), line->queue.end(), [&](const Entry& e) { return e.record == target; });
    if (found != line->queue.end()) {
      aborted.push_back(std::move(*found));
      line->queue.erase(found);
      return SS_COMP;
    }
    if (line->running == target) {
      ::CancelSynchronousIo(line->thread.get());
      return SS_COMP;
    }
  }
  // Finished already, or never sent.
  return SS_ABORT_FAIL;
}

// Called with the lock held: before a device reset, every request waiting for the device is taken
// out and the command under way cancelled.
void AspiService::Core::Clear(const DeviceAddress& address, std::vector<Entry>& aborted) {
  const auto found = lines.find(address);
  if (found == lines.end()) return;
  Line& line = *found->second;
  for (Entry& entry : line.queue) aborted.push_back(std::move(entry));
  line.queue.clear();
  if (line.running) ::CancelSynchronousIo(line.thread.get());
}

// Called with the lock held.
Line* AspiService::Core::LineFor(const DeviceAddress& address) {
  const auto found = lines.find(address);
  if (found != lines.end()) return found->second.get();
  HMODULE self = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WorkerMain), &self)) {
    return nullptr;
  }
  auto start = std::make_unique<WorkerStart>(WorkerStart{shared_from_this(), nullptr, UniqueModule(self)});
  auto line = std::make_unique<Line>();
  line->address = address;
  start->line = line.get();
  // The new thread waits for the lock held here until its line is listed.
  line->thread.reset(::CreateThread(nullptr, 0, &WorkerMain, start.get(), 0, nullptr));
  if (!line->thread) return nullptr;
  start.release();  // the thread's now
  return lines.emplace(address, std::move(line)).first->second.get();
}

DWORD WINAPI AspiService::Core::WorkerMain(void* context) {
  HMODULE module = nullptr;
  {
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(context));
    start->core->RunWorker(*start->line);
    module = start->module.release();
  }  // the shared state may end here, with the last worker of a stopped service
  ::FreeLibraryAndExitThread(module, 0);
}

void AspiService::Core::RunWorker(Line& line) {
  std::shared_ptr<DeviceTable> last_table;  // the table of the last command, whose device is closed when idle
  SrwLockScope hold(lock);
  for (;;) {
    const ULONGLONG idle_since = ::GetTickCount64();
    while (line.queue.empty() && !stopping) {
      const ULONGLONG idle = ::GetTickCount64() - idle_since;
      if (idle >= kIdleMilliseconds) break;
      ::SleepConditionVariableSRW(&line.work, &lock, static_cast<DWORD>(kIdleMilliseconds - idle), 0);
    }
    if (stopping || line.queue.empty()) break;
    Entry entry = std::move(line.queue.front());
    line.queue.pop_front();
    line.running = entry.record;
    uint8_t status = SS_ERR;
    {
      SrwUnlockScope outside(lock);
      status = SrbView(entry.record).cmd() == SC_RESET_DEV
                   ? ResetRequest(*entry.table, *io, entry.record)
                   : ExecuteRequest(*entry.table, *io, entry.record, &CallerBuffer, entry.timeout_seconds);
    }
    line.running = nullptr;
    last_table = entry.table;
    // A stopped service answers nothing more: the caller may have freed the record with the library.
    if (stopping) break;
    SrwUnlockScope outside(lock);
    Notify(entry, status);
    entry = Entry();
  }
  // Only this thread uses its device's channel, and a new worker for the device starts only once
  // this line is gone.
  const DeviceAddress address = line.address;
  if (last_table) CloseChannels(*last_table, &address);
  lines.erase(address);
}

void AspiService::Core::Stop() {
  std::vector<Entry> dropped;  // its event duplicates are closed once the lock is let go
  SrwLockScope hold(lock);
  if (stopping) return;
  stopping = true;
  for (auto& [address, line] : lines) {
    for (Entry& entry : line->queue) dropped.push_back(std::move(entry));
    line->queue.clear();
    if (line->running) ::CancelSynchronousIo(line->thread.get());
    ::WakeConditionVariable(&line->work);
  }
}

AspiService::AspiService(std::unique_ptr<DeviceIo> io) : core_(std::make_shared<Core>(std::move(io))) {}

uint32_t AspiService::SupportInfo() { return core_->SupportInfo(); }

uint32_t AspiService::Send(void* record) { return core_->Send(static_cast<uint8_t*>(record)); }

void AspiService::Stop() { core_->Stop(); }

}  // namespace qs::aspi
