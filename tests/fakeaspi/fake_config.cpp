#include "fake_config.h"

#include <algorithm>

#include "common/aspi_records.h"

namespace qs::fakeaspi {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

int DigitValue(wchar_t c, int base) {
  int v = -1;
  if (c >= L'0' && c <= L'9')
    v = c - L'0';
  else if (c >= L'a' && c <= L'f')
    v = c - L'a' + 10;
  else if (c >= L'A' && c <= L'F')
    v = c - L'A' + 10;
  return v < base ? v : -1;
}

// Decimal or 0x hexadecimal, no sign, no blanks, at most `max`.
std::optional<uint32_t> ParseNumber(std::wstring_view text, uint32_t max) {
  int base = 10;
  if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (wchar_t c : text) {
    const int digit = DigitValue(c, base);
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > max) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

std::vector<std::wstring_view> Split(std::wstring_view text, wchar_t separator) {
  std::vector<std::wstring_view> parts;
  for (;;) {
    const size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::wstring_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// "a:b" or "a:b:c": every part a number up to its own limit.
std::optional<std::vector<uint8_t>> ParseTuple(std::wstring_view text,
                                               std::initializer_list<uint32_t> limits) {
  const auto parts = Split(text, L':');
  if (parts.size() != limits.size()) return std::nullopt;
  std::vector<uint8_t> values;
  auto limit = limits.begin();
  for (std::wstring_view part : parts) {
    const auto value = ParseNumber(part, *limit++);
    if (!value) return std::nullopt;
    values.push_back(static_cast<uint8_t>(*value));
  }
  return values;
}

// Adapters are numbered below 255 so that their count still fits the support word's low byte.
constexpr uint32_t kMaxAdapter = 254;
constexpr uint32_t kMaxByte = 255;

bool ApplyDevices(std::wstring_view value, FakeConfig& config) {
  std::map<DeviceId, uint8_t> devices;
  for (std::wstring_view item : Split(value, L',')) {
    const auto t = ParseTuple(item, {kMaxAdapter, kMaxByte, kMaxByte});
    if (!t) return false;
    devices[{(*t)[0], (*t)[1]}] = (*t)[2];
  }
  config.devices = std::move(devices);
  return true;
}

bool ApplyNever(std::wstring_view value, FakeConfig& config) {
  std::set<DeviceId> never;
  for (std::wstring_view item : Split(value, L',')) {
    const auto t = ParseTuple(item, {kMaxAdapter, kMaxByte});
    if (!t) return false;
    never.insert({(*t)[0], (*t)[1]});
  }
  config.never = std::move(never);
  return true;
}

bool ApplyFailInquiry(std::wstring_view value, FakeConfig& config) {
  std::set<uint8_t> adapters;
  for (std::wstring_view item : Split(value, L',')) {
    const auto adapter = ParseNumber(item, kMaxAdapter);
    if (!adapter) return false;
    adapters.insert(static_cast<uint8_t>(*adapter));
  }
  config.fail_inquiry = std::move(adapters);
  return true;
}

bool Apply(std::wstring_view key, std::wstring_view value, FakeConfig& config) {
  if (key == L"log") {
    config.log_path = value;
    return true;
  }
  if (value.empty()) return false;
  if (key == L"support") {
    const auto n = ParseNumber(value, 0xFFFFFFFFu);
    if (n) config.support = *n;
    return n.has_value();
  }
  if (key == L"adapters") {
    const auto n = ParseNumber(value, kMaxAdapter + 1);
    if (n) config.adapters = static_cast<uint8_t>(*n);
    return n.has_value();
  }
  if (key == L"delay") {
    const auto n = ParseNumber(value, kMaxDelayMs);
    if (n) config.delay_ms = *n;
    return n.has_value();
  }
  if (key == L"devices") return ApplyDevices(value, config);
  if (key == L"never") return ApplyNever(value, config);
  if (key == L"failinquiry") return ApplyFailInquiry(value, config);
  return false;
}

}  // namespace

uint8_t FakeConfig::AdapterCount() const {
  if (adapters) return *adapters;
  int highest = -1;
  for (const auto& [device, type] : devices) highest = std::max<int>(highest, device.first);
  for (uint8_t adapter : fail_inquiry) highest = std::max<int>(highest, adapter);
  return static_cast<uint8_t>(highest + 1);
}

uint32_t FakeConfig::SupportWord() const {
  if (support) return *support;
  const uint8_t count = AdapterCount();
  return count == 0 ? aspi::MakeSupportWord(aspi::SS_NO_ADAPTERS, 0)
                    : aspi::MakeSupportWord(aspi::SS_COMP, count);
}

FakeConfig ParseFakeConfig(std::wstring_view text) {
  FakeConfig config;
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    // One item: up to the next blank, except inside a quoted value.
    const size_t start = i;
    const size_t equals = text.find(L'=', start);
    size_t end = start;
    while (end < text.size() && !IsBlank(text[end]) && end != equals) ++end;
    std::wstring_view value;
    bool well_formed = end == equals && equals != start;
    if (well_formed && equals + 1 < text.size() && text[equals + 1] == L'"') {
      const size_t close = text.find(L'"', equals + 2);
      well_formed =
          close != std::wstring_view::npos && (close + 1 == text.size() || IsBlank(text[close + 1]));
      end = close == std::wstring_view::npos ? text.size() : close + 1;
      if (well_formed) value = text.substr(equals + 2, close - equals - 2);
    } else if (well_formed) {
      end = equals + 1;
      while (end < text.size() && !IsBlank(text[end])) ++end;
      value = text.substr(equals + 1, end - equals - 1);
    }
    while (end < text.size() && !IsBlank(text[end])) ++end;  // a malformed item ends at a blank
    const std::wstring_view item = text.substr(start, end - start);
    if (!well_formed || !Apply(text.substr(start, equals - start), value, config)) {
      config.rejected.emplace_back(item);
    }
    i = end;
  }
  return config;
}

}  // namespace qs::fakeaspi
