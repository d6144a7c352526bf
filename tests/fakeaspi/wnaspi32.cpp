// A test ASPI layer: a WNASPI32.DLL that simulates host adapters and devices, configured from the
// QS_FAKEASPI environment variable (see fake_config.h), and logs every request it receives so that
// tests can check what a program sent, in which order, and whether it kept its records intact
// until they completed.
//
// Log lines, each prefixed with "<ms since process start> ":
//   LOAD pid=<pid> config=<QS_FAKEASPI as given>
//   BADCONFIG <item>                         an item of QS_FAKEASPI that was ignored
//   SUPPORT 0x<8 uppercase hex digits>       GetASPI32SupportInfo and its answer
//   VERSION                                  GetASPI32DLLVersion
//   SEND <cmd> <ha>:<byte 8> <160 lowercase hex digits: the 80 bytes as received>
//   CHANGED <ha>:<target> <160 hex>          at completion the record differs from what was submitted
//                                            (SRB_Status and the sense area excepted)
//   GONE <ha>:<target>                       at completion the record's memory is no longer writable
//   DONE <ha>:<target> status=<decimal>      an execute request ends; logged just before the
//                                            status is written into the record
//   UNLOAD
#include <windows.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "fake_config.h"
#include "fake_log.h"
#include "srb.h"

namespace qs::fakeaspi {
namespace {

using Record = std::array<uint8_t, srb::kSize>;

struct State {
  FakeConfig config;
  FakeLog log;
  explicit State(FakeConfig c) : config(std::move(c)), log(config.log_path) {}
};

std::unique_ptr<State> g_state;
HMODULE g_module = nullptr;

std::wstring ReadEnvironment(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD n = ::GetEnvironmentVariableW(name, value.data(), size);
  value.resize(n < size ? n : 0);
  return value;
}

std::string DeviceText(uint8_t adapter, uint8_t target) {
  return std::to_string(adapter) + ':' + std::to_string(target);
}

Record Snapshot(const volatile uint8_t* record) {
  Record copy;
  for (size_t i = 0; i < copy.size(); ++i) copy[i] = record[i];
  return copy;
}

// Writes the status last, so that a caller polling SRB_Status sees every other result first.
void WriteStatus(volatile uint8_t* record, uint8_t status) {
  ::MemoryBarrier();
  record[srb::kStatus] = status;
}

void CopyText(volatile uint8_t* to, const std::string& text) {
  for (size_t i = 0; i < 16; ++i) to[i] = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
}

uint8_t Inquiry(volatile uint8_t* record, uint8_t adapter) {
  const FakeConfig& config = g_state->config;
  if (adapter >= config.AdapterCount()) return srb::kInvalidHa;
  if (config.fail_inquiry.count(adapter)) return srb::kErr;
  record[srb::kHaCount] = config.AdapterCount();
  record[srb::kHaScsiId] = 7;
  CopyText(record + srb::kHaManagerId, "ASPI for WIN32");
  CopyText(record + srb::kHaIdentifier, "FAKE ADAPTER " + std::to_string(adapter));
  for (size_t i = 0; i < 16; ++i) record[srb::kHaUnique + i] = 0;
  record[srb::kHaUnique + 3] = 8;     // targets per adapter
  record[srb::kHaUnique + 6] = 0x01;  // largest transfer: 0x10000 bytes
  return srb::kComp;
}

uint8_t DeviceType(volatile uint8_t* record, uint8_t adapter, uint8_t target) {
  const FakeConfig& config = g_state->config;
  if (adapter >= config.AdapterCount()) return srb::kInvalidHa;
  const auto found = config.devices.find({adapter, target});
  if (record[srb::kLun] != 0 || found == config.devices.end()) return srb::kNoDevice;
  record[srb::kDeviceType] = found->second;
  return srb::kComp;
}

// True when all 80 bytes lie in committed, writable memory.
bool Writable(const volatile uint8_t* record) {
  auto at = reinterpret_cast<uintptr_t>(record);
  const uintptr_t end = at + srb::kSize;
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
  for (size_t i = 0; i < srb::kSenseArea; ++i) {
    if (i != srb::kStatus && before[i] != now[i]) return false;
  }
  return true;
}

void Complete(volatile uint8_t* record, const Record& submitted) {
  const std::string device = DeviceText(submitted[srb::kHaId], submitted[srb::kTarget]);
  if (!Writable(record)) {
    g_state->log.Line("GONE " + device);
    return;
  }
  const Record now = Snapshot(record);
  if (!SameSubmission(submitted, now)) {
    g_state->log.Line("CHANGED " + device + ' ' + HexBytes(now.data(), now.size()));
  }
  g_state->log.Line("DONE " + device + " status=1");
  record[srb::kHaStat] = 0;
  record[srb::kTargStat] = 0;
  WriteStatus(record, srb::kComp);
}

// Worker threads run this module's code after SendASPI32Command returned; a program that frees
// the library in the meantime must not pull the code from under them.
void PinModule() {
  HMODULE self = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&PinModule), &self);
}

uint8_t Execute(volatile uint8_t* record, const Record& submitted) {
  const FakeConfig& config = g_state->config;
  const uint8_t adapter = submitted[srb::kHaId];
  const uint8_t target = submitted[srb::kTarget];
  const std::string device = DeviceText(adapter, target);
  uint8_t refused = 0;
  if (adapter >= config.AdapterCount())
    refused = srb::kInvalidHa;
  else if (submitted[srb::kLun] != 0 || !config.devices.count({adapter, target}))
    refused = srb::kNoDevice;
  if (refused) {
    g_state->log.Line("DONE " + device + " status=" + std::to_string(refused));
    WriteStatus(record, refused);
    return refused;
  }
  record[srb::kStatus] = srb::kPending;
  if (config.never.count({adapter, target})) return srb::kPending;
  if (config.delay_ms == 0) {
    Complete(record, submitted);
    return record[srb::kStatus];
  }
  PinModule();
  std::thread([record, submitted, delay = config.delay_ms] {
    ::Sleep(delay);
    Complete(record, submitted);
  }).detach();
  return srb::kPending;
}

void Attach(HMODULE module) {
  g_module = module;
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
  if (address == nullptr) return qs::srb::kInvalidSrb;
  auto* record = static_cast<volatile uint8_t*>(address);
  const Record submitted = Snapshot(record);
  const uint8_t cmd = submitted[qs::srb::kCmd];
  const uint8_t adapter = submitted[qs::srb::kHaId];
  g_state->log.Line("SEND " + std::to_string(cmd) + ' ' + DeviceText(adapter, submitted[qs::srb::kTarget]) +
                    ' ' + HexBytes(submitted.data(), submitted.size()));
  uint8_t status = qs::srb::kInvalidCmd;
  switch (cmd) {
    case qs::srb::kHaInquiry:
      status = Inquiry(record, adapter);
      break;
    case qs::srb::kGetDevType:
      status = DeviceType(record, adapter, submitted[qs::srb::kTarget]);
      break;
    case qs::srb::kExecScsiCmd:
      return Execute(record, submitted);
    default:
      break;
  }
  WriteStatus(record, status);
  return status;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    Attach(instance);
  } else if (reason == DLL_PROCESS_DETACH && g_state) {
    g_state->log.Line("UNLOAD");
    g_state.reset();
  }
  return TRUE;
}
