// ASPI for Win32 answered from a device table: the support word, the immediate requests, and the
// execute request turned into one pass-through command. Completion (worker, event, post routine) is
// the library's business; this part only decides what goes into the caller's record.
#pragma once
#include <cstdint>
#include <functional>
#include <span>

#include "aspi/device_io.h"
#include "aspi/device_table.h"

namespace qs::aspi {

// Turns SRB_BufPointer and SRB_BufLen into memory the layer may use. The library maps the 32-bit
// value to its own address space; tests map it to buffers they own.
using BufferResolver = std::function<std::span<uint8_t>(uint32_t pointer, uint32_t length)>;

// SS_NO_ADAPTERS in the status byte when there is nothing to offer, else SS_COMP and the count.
uint32_t SupportWord(const DeviceTable& table);

// First look at a record. Answers host adapter inquiries and device type requests in place and
// rejects what cannot run, writing SRB_Status; an execute request that can run gets SS_PENDING and
// must then be given to ExecuteRequest. Returns the status written.
uint8_t AcceptRequest(const DeviceTable& table, uint8_t* record);

// Runs an accepted execute request: one pass-through command to the device, then SRB_HaStat,
// SRB_TargStat, the sense area and, when asked for, the residual count are filled in. Returns the
// final status, which the caller publishes last.
uint8_t ExecuteRequest(const DeviceTable& table, DeviceIo& io, uint8_t* record,
                       const BufferResolver& resolve);

}  // namespace qs::aspi
