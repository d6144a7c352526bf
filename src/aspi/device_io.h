// The one road from the ASPI layer to the drives. The library plugs in SCSI pass-through; tests plug
// in devices that answer, refuse, time out or vanish, so that everything above runs without hardware.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qs::aspi {

// Where the port driver places a device: the key under which a device is counted once.
struct DeviceAddress {
  uint8_t port = 0;
  uint8_t path = 0;
  uint8_t target = 0;
  uint8_t lun = 0;
  friend auto operator<=>(const DeviceAddress&, const DeviceAddress&) = default;
};

enum class IoOutcome : uint8_t {
  kOk,       // the device ran the command; its SCSI status tells how it went
  kRefused,  // the system would not pass the request on (unsupported request)
  kDenied,   // the system does not allow this process to send it (no write access to the device)
  kTimeout,  // the device did not finish within the time given
  kGone,     // the device is no longer there
  kCancelled,  // the command was cancelled on the way (an abort)
};

// The layer always knows the direction before a request goes out (see command_direction.h).
enum class DataDirection : uint8_t { kNone, kIn, kOut };

struct PassThroughRequest {
  std::array<uint8_t, 16> cdb{};
  uint8_t cdb_length = 0;
  DataDirection direction = DataDirection::kNone;
  std::span<uint8_t> data;  // in or out, according to direction; empty for no data phase
  uint8_t sense_length = 0;
  uint32_t timeout_seconds = 0;
};

struct PassThroughResult {
  IoOutcome outcome = IoOutcome::kOk;
  uint8_t scsi_status = 0;
  std::vector<uint8_t> sense;  // what the device returned, at most the length asked for
  uint32_t transferred = 0;
};

// What the port driver accepts in one transfer.
struct TransferLimits {
  uint32_t max_transfer = 0x10000;  // bytes, from a page-aligned buffer
  uint32_t alignment_mask = 0;      // a buffer address with any of these bits set is misaligned
  // Bytes from a buffer that starts inside a page: it spans one page more, and each page takes one of
  // the adapter's page descriptors. A longer transfer goes through a page-aligned buffer of the layer.
  uint32_t unaligned_max = 0x10000;
};

// The limits from what the port driver reports: its largest transfer, the pages one transfer may
// span (0 when it does not say) and its alignment mask.
TransferLimits LimitsOfAdapter(uint32_t max_transfer_length, uint32_t max_pages, uint32_t alignment_mask);

// True when a transfer of `length` bytes at `address` cannot go to the port driver as it is and
// needs a page-aligned buffer of the layer's.
bool NeedsAlignedBuffer(uintptr_t address, size_t length, const TransferLimits& limits);

// One SCSI port of the system and the buses it drives.
struct PortBuses {
  uint8_t port = 0;
  uint8_t buses = 1;
};

// One opened device, kept open for every command it is given. Closing happens when the object goes
// away.
class DeviceChannel {
 public:
  virtual ~DeviceChannel() = default;
  virtual std::optional<DeviceAddress> Address() = 0;
  // The system's own limits for this device's adapter; the defaults when it does not tell.
  virtual TransferLimits Limits() { return {}; }
  virtual PassThroughResult PassThrough(const PassThroughRequest& request) = 0;
  // Resets the device; kOk when the system did so.
  virtual IoOutcome Reset() { return IoOutcome::kRefused; }
};

struct OpenResult {
  std::unique_ptr<DeviceChannel> channel;
  IoOutcome outcome = IoOutcome::kGone;  // why channel is empty
};

class DeviceIo {
 public:
  virtual ~DeviceIo() = default;
  // Names under which CD/DVD devices may be reached, class devices first, then drive letters.
  virtual std::vector<std::string> CandidatePaths() = 0;
  virtual OpenResult Open(const std::string& path) = 0;
  // The system's SCSI ports, where it lets them be listed; empty where it does not.
  virtual std::vector<PortBuses> Ports() { return {}; }
};

}  // namespace qs::aspi
