// The test layer's log: one line per event, "<ms> <text>\n", appended and flushed line by line,
// opened with read/write sharing so that a test can read it while the program runs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "common/unique_handle.h"

namespace qs::fakeaspi {

class FakeLog {
 public:
  // An empty path gives a log that writes nothing.
  explicit FakeLog(const std::wstring& path);
  FakeLog(const FakeLog&) = delete;
  FakeLog& operator=(const FakeLog&) = delete;

  void Line(std::string_view text);

 private:
  UniqueHandle file_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  uint64_t base_tick_ = 0;
};

// 160 lowercase hex digits for an 80-byte record.
std::string HexBytes(const uint8_t* bytes, size_t count);
std::string Utf8(std::wstring_view text);

}  // namespace qs::fakeaspi
