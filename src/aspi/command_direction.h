// Which way a command's data moves, told by its operation code. ASPI callers may leave both
// direction bits of SRB_Flags clear and expect the layer to know the command; this is that
// knowledge, for the MMC and SPC commands that CD/DVD drives answer.
#pragma once
#include <cstdint>
#include <optional>

#include "aspi/device_io.h"

namespace qs::aspi {

// kIn, kOut or kNone for a known operation code; nothing for a code whose direction this layer
// does not know (vendor commands, commands that move data either way).
std::optional<DataDirection> DirectionOfOperation(uint8_t operation_code);

}  // namespace qs::aspi
