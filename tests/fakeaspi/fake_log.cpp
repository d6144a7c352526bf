#include "fake_log.h"

namespace qs::fakeaspi {
namespace {

// Milliseconds the process has run so far. The program loads and unloads the layer at every
// presence check; stamps counted from process start stay comparable across those loads.
uint64_t MsSinceProcessStart() {
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  ::GetSystemTimeAsFileTime(&now);
  const auto ticks = [](FILETIME t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
  return ticks(now) > ticks(created) ? (ticks(now) - ticks(created)) / 10000 : 0;
}

}  // namespace

FakeLog::FakeLog(const std::wstring& path) {
  // GetTickCount64 gives the stamps (monotonic); the base aligns them with the process start.
  base_tick_ = ::GetTickCount64() - MsSinceProcessStart();
  if (path.empty()) return;
  HANDLE file =
      ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) file_.reset(file);
}

void FakeLog::Line(std::string_view text) {
  if (!file_) return;
  ::AcquireSRWLockExclusive(&lock_);
  std::string line = std::to_string(::GetTickCount64() - base_tick_);
  line += ' ';
  line += text;
  line += '\n';
  DWORD written = 0;
  ::WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::FlushFileBuffers(file_.get());
  ::ReleaseSRWLockExclusive(&lock_);
}

std::string HexBytes(const uint8_t* bytes, size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 15];
  }
  return hex;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
  }
  return out;
}

}  // namespace qs::fakeaspi
