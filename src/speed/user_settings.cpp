#include "speed/user_settings.h"

#include "common/unique_handle.h"
#include "speed/speed_rules.h"

namespace qs {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\QuietSpin";
constexpr wchar_t kSpeedLevelValue[] = L"SpeedLevel";

HKEY g_root = nullptr;
HKEY Root() { return g_root ? g_root : HKEY_CURRENT_USER; }

}  // namespace

std::optional<int16_t> StoredSpeedLevel() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(Root(), kSettingsKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
    return std::nullopt;
  UniqueHkey key(opened);
  DWORD type = REG_NONE;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegQueryValueExW(key.get(), kSpeedLevelValue, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (type != REG_DWORD || size != sizeof(value) || value > static_cast<DWORD>(speed::kTopLevel))
    return std::nullopt;
  return static_cast<int16_t>(value);
}

void StoreSpeedLevel(int16_t level) {
  HKEY created = nullptr;
  if (::RegCreateKeyExW(Root(), kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &created, nullptr) != ERROR_SUCCESS) {
    return;
  }
  UniqueHkey key(created);
  const DWORD value = static_cast<DWORD>(level);
  ::RegSetValueExW(key.get(), kSpeedLevelValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
}

void SetSettingsRootForTesting(HKEY root) { g_root = root; }

}  // namespace qs
