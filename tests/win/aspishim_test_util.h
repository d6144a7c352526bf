// Shared by the ASPIshim tests: binds ASPIshim.dll the way the program does (by plain export
// names, from the program folder), builds request records and reads the test layer's log.
#pragma once
#include <windows.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/unique_handle.h"
#include "fakeaspi/srb.h"
#include "speed/srb.h"

namespace qs::aspishim_test {

using Record = std::array<uint8_t, srb::kSize>;
using GetSupportInfoEx = DWORD(__stdcall*)();
using SendCommandEx = DWORD(__stdcall*)(LPVOID);

inline std::wstring ExeFolder() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The shim as the program binds it: loaded by full path, entry points looked up by name.
struct Shim {
  UniqueModule module{::LoadLibraryW((ExeFolder() + L"ASPIshim.dll").c_str())};
  GetSupportInfoEx get_support = module ? reinterpret_cast<GetSupportInfoEx>(reinterpret_cast<void*>(
                                              ::GetProcAddress(module.get(), "GetASPI32SupportInfoEx")))
                                        : nullptr;
  SendCommandEx send = module ? reinterpret_cast<SendCommandEx>(reinterpret_cast<void*>(
                                    ::GetProcAddress(module.get(), "SendASPI32CommandEx")))
                              : nullptr;
};

inline Record Inquiry(uint8_t adapter) {
  Record r{};
  r[srb::kCmd] = srb::kHaInquiry;
  r[srb::kHaId] = adapter;
  return r;
}

inline Record GetDevType(uint8_t adapter, uint8_t target) {
  Record r{};
  r[srb::kCmd] = srb::kGetDevType;
  r[srb::kHaId] = adapter;
  r[srb::kTarget] = target;
  return r;
}

// The SET CD SPEED record exactly as the program builds it.
inline Record SetCdSpeed(uint8_t adapter, uint8_t target, uint8_t speed) {
  aspi::Record r;
  aspi::PrepareSetCdSpeed(r, adapter, target, speed);
  return r.bytes;
}

inline uint8_t StatusOf(const Record& r) {
  return static_cast<const volatile uint8_t*>(r.data())[srb::kStatus];
}

inline std::string Hex(const Record& r) {
  std::string hex;
  char two[3];
  for (uint8_t b : r) {
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  return hex;
}

// Polls the record's status byte afresh each time, as a caller of the shim must.
inline bool WaitForStatus(const Record& r, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (StatusOf(r) == srb::kPending) {
    if (std::chrono::steady_clock::now() > end) return false;
    ::Sleep(1);
  }
  return true;
}

struct LogLine {
  uint64_t ms = 0;
  std::string text;  // the line after its time stamp
};

// The log, read with sharing while the layer still holds it open.
inline std::vector<LogLine> ReadLog(const std::wstring& path) {
  std::vector<LogLine> lines;
  HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  UniqueHandle owner(file);
  std::string all;
  char chunk[4096];
  DWORD n = 0;
  while (::ReadFile(file, chunk, sizeof chunk, &n, nullptr) && n > 0) all.append(chunk, n);
  std::istringstream in(all);
  std::string line;
  while (std::getline(in, line)) {
    const size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    lines.push_back({std::stoull(line.substr(0, space)), line.substr(space + 1)});
  }
  return lines;
}

inline std::vector<LogLine> LinesStartingWith(const std::vector<LogLine>& lines, const std::string& prefix) {
  std::vector<LogLine> found;
  for (const LogLine& l : lines) {
    if (l.text.rfind(prefix, 0) == 0) found.push_back(l);
  }
  return found;
}

// A fresh log path in the temporary folder, unique to this process.
inline std::wstring FreshLogPath(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  const DWORD n = ::GetTempPathW(MAX_PATH, temp);
  std::wstring path(temp, n);
  path += name;
  path += std::to_wstring(::GetCurrentProcessId()) + L".log";
  ::DeleteFileW(path.c_str());
  return path;
}

}  // namespace qs::aspishim_test
