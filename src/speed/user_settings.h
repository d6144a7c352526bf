// What QuietSpin keeps per user: the speed level last applied by a click on the meter, which a
// start in the tray comes back to. It is the REG_DWORD "SpeedLevel" under
// HKEY_CURRENT_USER\Software\QuietSpin. Production code uses HKEY_CURRENT_USER; in-process tests
// point the root at a scratch key, so that they read what a click stored and never touch the
// user's own choice.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>

namespace qs {

// The stored level, or nothing when there is none to use: no value, or one that is not a
// REG_DWORD from 0 to 24 (edited by hand, or of another type).
std::optional<int16_t> StoredSpeedLevel();
// Stores `level` (0..24) as the level a start in the tray comes back to. A failure is not
// reported: the next start in the tray then begins at the top level.
void StoreSpeedLevel(int16_t level);

// Puts the settings under `root` instead of HKEY_CURRENT_USER (nullptr puts it back). For tests.
void SetSettingsRootForTesting(HKEY root);

}  // namespace qs
