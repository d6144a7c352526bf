// Configuration of the test ASPI layer, parsed from the QS_FAKEASPI environment variable.
// Window-free so that the parser is tested natively against hostile input.
//
// The text is a list of key=value items separated by spaces or tabs; a value may be wrapped in
// double quotes to hold spaces. Numbers are decimal or 0x-prefixed hexadecimal.
//   support=0x0102           support word returned by GetASPI32SupportInfo
//   adapters=2               number of host adapters the support word gives (default: 1 + highest
//                            adapter named by devices or failinquiry; 0 when none is named);
//                            the requests themselves know the adapters that hold devices
//   devices=0:0:0,0:1:5      adapter:target:peripheral-type, logical unit 0 only
//   failinquiry=1,3          adapters whose SC_HA_INQUIRY fails with SS_ERR
//   delay=3000               execute requests complete this many ms later, from another thread
//   never=0:1                devices whose execute requests never complete
//   log=Z:\tmp\aspi.log      log file
// An item that is not understood is ignored as a whole and reported in `rejected`; the same key
// given twice keeps the last value.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qs::fakeaspi {

using DeviceId = std::pair<uint8_t, uint8_t>;  // adapter, target

struct FakeConfig {
  std::optional<uint32_t> support;
  std::optional<uint8_t> adapters;
  std::map<DeviceId, uint8_t> devices;  // peripheral device type per device
  std::set<uint8_t> fail_inquiry;
  uint32_t delay_ms = 0;
  std::set<DeviceId> never;
  std::wstring log_path;
  std::vector<std::wstring> rejected;  // items ignored, as written

  uint8_t AdapterCount() const;
  // The given support word, else SS_COMP with the adapter count, else SS_NO_ADAPTERS.
  uint32_t SupportWord() const;
};

// Longest delay accepted: ten minutes, longer than any test runs.
inline constexpr uint32_t kMaxDelayMs = 600000;

FakeConfig ParseFakeConfig(std::wstring_view text);

}  // namespace qs::fakeaspi
