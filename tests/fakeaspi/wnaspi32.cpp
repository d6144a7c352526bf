// A test ASPI layer: a WNASPI32.DLL that simulates host adapters and devices, configured from the
// QS_FAKEASPI environment variable (see fake_config.h), and logs every request it receives so that
// tests can check what a program sent, in which order, and whether it kept its records intact
// until they completed.
//
// Requests are answered by our own layer's rules (aspi/aspi_layer.h) over scripted devices in place
// of pass-through, so that this layer cannot drift from the one it stands in for. What it adds are
// the shapes of other layers and their faults: a support word of its own, adapters whose inquiry
// fails, completion after a delay on another thread, devices that never complete.
//
// Log lines, each prefixed with "<ms since process start> ":
//   LOAD pid=<pid> config=<QS_FAKEASPI as given>
//   BADCONFIG <item>                         an item of QS_FAKEASPI that was ignored
//   SUPPORT 0x<8 uppercase hex digits>       GetASPI32SupportInfo and its answer
//   VERSION                                  GetASPI32DLLVersion
//   SEND <cmd> <ha>:<byte 8> <160 lowercase hex digits: the 80 bytes as received>
//   CHANGED <ha>:<target> <160 hex>          at completion the record differs from what it held when
//                                            it was accepted (SRB_Status and the sense area excepted)
//   GONE <ha>:<target>                       at completion the record's memory is no longer writable
//   DONE <ha>:<target> status=<decimal>      an execute request ends; logged just before the
//                                            status is written into the record
//   UNLOAD
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "aspi/aspi_layer.h"
#include "aspi/aspi_service.h"
#include "aspi/aspi_srb.h"
#include "aspi/device_table.h"
#include "fake_config.h"
#include "fake_log.h"

namespace qs::fakeaspi {
namespace {

using namespace qs::aspi;
using Record = std::array<uint8_t, aspi::kRecordSize>;

// A configured device: it answers INQUIRY with its type and every other command with GOOD status and
// all the data asked for.
class ScriptedChannel : public DeviceChannel {
 public:
  ScriptedChannel(DeviceId id, uint8_t type) : id_(id), type_(type) {}
  std::optional<DeviceAddress> Address() override { return DeviceAddress{id_.first, 0, id_.second, 0}; }
  IoOutcome Reset() override { return IoOutcome::kOk; }
  PassThroughResult PassThrough(const PassThroughRequest& request) override {
    constexpr uint8_t kInquiry = 0x12;
    if (request.cdb[0] == kInquiry && !request.data.empty()) {
      std::fill(request.data.begin(), request.data.end(), uint8_t{0});
      request.data[0] = type_;
    }
    return {IoOutcome::kOk, 0, {}, static_cast<uint32_t>(request.data.size())};
  }

 private:
  DeviceId id_;
  uint8_t type_;
};

// The configured devices in place of the system's, each under a name of its own.
class ScriptedIo : public DeviceIo {
 public:
  explicit ScriptedIo(const FakeConfig& config) : config_(config) {}
  std::vector<std::string> CandidatePaths() override {
    std::vector<std::string> paths;
    for (const auto& [id, type] : config_.devices) paths.push_back(DeviceText(id.first, id.second));
    return paths;
  }
  OpenResult Open(const std::string& path) override {
    for (const auto& [id, type] : config_.devices) {
      if (DeviceText(id.first, id.second) == path) return {std::make_unique<ScriptedChannel>(id, type), IoOutcome::kOk};
    }
    return {};
  }
  static std::string DeviceText(uint8_t adapter, uint8_t target) {
    return std::to_string(adapter) + ':' + std::to_string(target);
  }

 private:
  const FakeConfig& config_;
};

struct State {
  FakeConfig config;
  FakeLog log;
  ScriptedIo io{config};
  // Devices are numbered densely by adapter, as our layer does; the configurations name them so.
  DeviceTable table = DeviceTable::Discover(io);
  Timeouts timeouts;
  // One request at a time runs against the table, as on a device's worker.
  SRWLOCK lock = SRWLOCK_INIT;
  std::set<const uint8_t*> never_ending;  // records of devices that never complete, until aborted
  explicit State(FakeConfig c) : config(std::move(c)), log(config.log_path) {}
};

std::unique_ptr<State> g_state;

std::wstring ReadEnvironment(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD n = ::GetEnvironmentVariableW(name, value.data(), size);
  value.resize(n < size ? n : 0);
  return value;
}

Record Snapshot(const volatile uint8_t* record) {
  Record copy;
  for (size_t i = 0; i < copy.size(); ++i) copy[i] = record[i];
  return copy;
}

// The status goes last, so that a caller polling SRB_Status sees every other result first.
void Publish(uint8_t* record, uint8_t status) {
  std::atomic_ref<uint8_t>(record[kSrbStatus]).store(status, std::memory_order_release);
}

// True when all of the record lies in committed, writable memory.
bool Writable(const uint8_t* record) {
  auto at = reinterpret_cast<uintptr_t>(record);
  const uintptr_t end = at + kRecordSize;
  constexpr DWORD kWritable =
      PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (::VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof info) == 0) return false;
    if (info.State != MEM_COMMIT || (info.Protect & PAGE_GUARD) || !(info.Protect & kWritable)) return false;
    at = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
  }
  return true;
}

bool SameSubmission(const Record& before, const Record& now) {
  for (size_t i = 0; i < kExecSenseArea; ++i) {
    if (i != kSrbStatus && before[i] != now[i]) return false;
  }
  return true;
}

// The end of an execute request: the record must still be the caller's and as it was accepted.
void Complete(uint8_t* record, const Record& accepted) {
  const std::string device = ScriptedIo::DeviceText(accepted[kSrbHaId], accepted[kExecTarget]);
  if (!Writable(record)) {
    g_state->log.Line("GONE " + device);
    return;
  }
  Record now = Snapshot(record);
  if (!SameSubmission(accepted, now)) {
    g_state->log.Line("CHANGED " + device + ' ' + HexBytes(now.data(), now.size()));
  }
  // Read before the status goes out, as the layer's worker does.
  const uint8_t flags = now[kSrbFlags];
  const uint32_t post = SrbView(now.data()).dword(kExecPostProc);
  ::AcquireSRWLockExclusive(&g_state->lock);
  const uint8_t status = ExecuteRequest(g_state->table, g_state->io, record, &CallerBuffer,
                                        g_state->timeouts.Seconds(accepted[kSrbHaId], accepted[kExecTarget], 0));
  ::ReleaseSRWLockExclusive(&g_state->lock);
  g_state->log.Line("DONE " + device + " status=" + std::to_string(status));
  Answer(record, status, flags, post);
}

// Threads run this module's code after SendASPI32Command returned; a program that frees the
// library in the meantime must not pull the code from under them.
void PinModule() {
  HMODULE self = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&PinModule), &self);
}

// An accepted execute or reset request: at once, after the configured delay, or never.
uint8_t Run(uint8_t* record) {
  Record accepted = Snapshot(record);
  const DeviceId id{accepted[kSrbHaId], accepted[kExecTarget]};
  if (accepted[kSrbCmd] == SC_RESET_DEV) {
    ::AcquireSRWLockExclusive(&g_state->lock);
    const uint8_t status = ResetRequest(g_state->table, g_state->io, record);
    ::ReleaseSRWLockExclusive(&g_state->lock);
    // A reset record names its post routine where an execute record does.
    Answer(record, status, accepted[kSrbFlags], SrbView(accepted.data()).dword(kExecPostProc));
    return status;
  }
  if (g_state->config.never.count(id)) {
    ::AcquireSRWLockExclusive(&g_state->lock);
    g_state->never_ending.insert(record);
    ::ReleaseSRWLockExclusive(&g_state->lock);
    return SS_PENDING;
  }
  if (g_state->config.delay_ms == 0) {
    Complete(record, accepted);
    return std::atomic_ref<uint8_t>(record[kSrbStatus]).load(std::memory_order_acquire);
  }
  PinModule();
  std::thread([record, accepted, delay = g_state->config.delay_ms] {
    ::Sleep(delay);
    Complete(record, accepted);
  }).detach();
  return SS_PENDING;
}

// Only a request that never completes can still be taken back; the others end on their own.
uint8_t Abort(uint8_t* abort) {
  auto* target = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(SrbView(abort).dword(kAbortToAbort)));
  ::AcquireSRWLockExclusive(&g_state->lock);
  const bool waiting = g_state->never_ending.erase(target) == 1;
  ::ReleaseSRWLockExclusive(&g_state->lock);
  if (waiting) Publish(target, SS_ABORTED);
  const uint8_t status = waiting ? SS_COMP : SS_ABORT_FAIL;
  Publish(abort, status);
  return status;
}

void Attach() {
  const std::wstring text = ReadEnvironment(L"QS_FAKEASPI");
  g_state = std::make_unique<State>(ParseFakeConfig(text));
  g_state->log.Line("LOAD pid=" + std::to_string(::GetCurrentProcessId()) + " config=" + Utf8(text));
  for (const std::wstring& item : g_state->config.rejected) g_state->log.Line("BADCONFIG " + Utf8(item));
}

}  // namespace
}  // namespace qs::fakeaspi

using namespace qs::fakeaspi;

extern "C" DWORD __cdecl GetASPI32SupportInfo() {
  const uint32_t word = g_state->config.SupportWord();
  char text[32];
  std::snprintf(text, sizeof text, "SUPPORT 0x%08X", static_cast<unsigned>(word));
  g_state->log.Line(text);
  return word;
}

extern "C" DWORD __cdecl GetASPI32DLLVersion() {
  g_state->log.Line("VERSION");
  return 4;
}

extern "C" DWORD __cdecl SendASPI32Command(void* address) {
  if (address == nullptr) return SS_INVALID_SRB;
  auto* record = static_cast<uint8_t*>(address);
  const Record submitted = Snapshot(record);
  const uint8_t cmd = submitted[kSrbCmd];
  const uint8_t adapter = submitted[kSrbHaId];
  const std::string device = ScriptedIo::DeviceText(adapter, submitted[kExecTarget]);
  g_state->log.Line("SEND " + std::to_string(cmd) + ' ' + device + ' ' + HexBytes(submitted.data(), submitted.size()));
  if (cmd == SC_HA_INQUIRY && g_state->config.fail_inquiry.count(adapter)) {
    Publish(record, SS_ERR);
    return SS_ERR;
  }
  ::AcquireSRWLockExclusive(&g_state->lock);
  const uint8_t status = AcceptRequest(g_state->table, g_state->timeouts, record);
  ::ReleaseSRWLockExclusive(&g_state->lock);
  if (status != SS_PENDING) {
    if (cmd == SC_EXEC_SCSI_CMD) g_state->log.Line("DONE " + device + " status=" + std::to_string(status));
    return status;
  }
  switch (cmd) {
    case SC_EXEC_SCSI_CMD:
    case SC_RESET_DEV:
      return Run(record);
    case SC_ABORT_SRB:
      return Abort(record);
    default:  // a rescan: the configured devices are all there is
      Publish(record, SS_COMP);
      return SS_COMP;
  }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    Attach();
  } else if (reason == DLL_PROCESS_DETACH && g_state) {
    g_state->log.Line("UNLOAD");
    g_state.reset();
  }
  return TRUE;
}
