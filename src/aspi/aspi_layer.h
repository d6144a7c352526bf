// ASPI for Win32 answered from a device table: the support word, the requests answered at once, and
// the requests a device's worker runs (an execute request as one pass-through command, a device
// reset). Queues, aborts, rescans and completion (event, post routine) are the library's business;
// this part decides what goes into the caller's record.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <span>

#include "aspi/device_io.h"
#include "aspi/device_table.h"

namespace qs::aspi {

// Turns SRB_BufPointer and SRB_BufLen into memory the layer may use for a transfer in `direction`:
// memory it may read for kOut, memory it may write for kIn. The library maps the 32-bit value to its
// own address space and gives an empty span for memory the caller does not own or may not use that
// way; tests map it to buffers they own.
using BufferResolver =
    std::function<std::span<uint8_t>(uint32_t pointer, uint32_t length, DataDirection direction)>;

// The longest timeout a caller may set: what the system's pass-through takes.
inline constexpr uint32_t kMaxTimeoutSeconds = 30 * 60 * 60;

// Timeouts set with SC_GETSET_TIMEOUTS, per adapter, target and LUN; kCommandTimeoutSeconds where
// none was set. A set with 0xFF for adapter, target or LUN sets every device that matches the rest.
class Timeouts {
 public:
  uint32_t Seconds(uint8_t adapter, uint8_t target, uint8_t lun) const;
  // 0 goes back to the default.
  void Set(uint8_t adapter, uint8_t target, uint8_t lun, uint32_t seconds);

 private:
  std::map<uint32_t, uint32_t> seconds_;
};

// SS_NO_ADAPTERS in the status byte when there is nothing to offer, else SS_COMP and the count.
uint32_t SupportWord(const DeviceTable& table);

// First look at a record; writes SRB_Status and returns it. Host adapter inquiries, device types,
// disk information and timeouts are answered in place; what cannot run is refused. SS_PENDING means
// the library goes on: an execute or reset request goes to ExecuteRequest or ResetRequest on the
// device's worker, an abort or rescan request is the library's own.
uint8_t AcceptRequest(const DeviceTable& table, Timeouts& timeouts, uint8_t* record);

// Runs an accepted execute request: one pass-through command to the device, then SRB_HaStat,
// SRB_TargStat, the sense area and, when asked for, the residual count are filled in (a command that
// did not run to an answer leaves a cleared sense area and the whole length as the residual). Returns the
// final status, which the caller publishes last. Only the device's own worker may call this.
uint8_t ExecuteRequest(DeviceTable& table, DeviceIo& io, uint8_t* record, const BufferResolver& resolve,
                       uint32_t timeout_seconds = kCommandTimeoutSeconds);

// Runs an accepted SC_RESET_DEV request; returns the final status as ExecuteRequest does.
uint8_t ResetRequest(DeviceTable& table, DeviceIo& io, uint8_t* record);

}  // namespace qs::aspi
