// The devices the layer offers and the host adapter numbers it gives them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "aspi/device_io.h"
#include "common/aspi_records.h"

namespace qs::aspi {

// Peripheral device type assumed for a CD/DVD class device that does not answer INQUIRY.
inline constexpr uint8_t kCdRomDeviceType = kDeviceTypeCdRom;
// Time given to a command when its caller has set none (SC_GETSET_TIMEOUTS): long enough for the
// slowest MMC commands (a full BLANK or FORMAT UNIT of a rewritable disc without the immediate bit).
inline constexpr uint32_t kCommandTimeoutSeconds = 3 * 60 * 60;

struct Device {
  std::string path;       // name it was first found under; opened again only after it was lost
  DeviceAddress address;  // as the port driver reported it
  uint8_t adapter = 0;    // host adapter number given to its port and bus
  uint8_t device_type = kCdRomDeviceType;
  char letter = 0;        // the drive letter it is reachable under, 0 when none
  TransferLimits limits;
  // The open handle, kept between commands. Only the one thread that serves this device uses it.
  std::unique_ptr<DeviceChannel> channel;
};

struct Adapter {
  uint8_t port = 0;
  uint8_t path = 0;
  uint8_t max_targets = 8;
  TransferLimits limits;  // the strictest of its devices'
};

class DeviceTable {
 public:
  DeviceTable() = default;
  // Opens every candidate, keeps each device once and numbers the adapters: each distinct port and
  // bus (ascending) becomes one host adapter; target and LUN stay as the port driver gives them.
  static DeviceTable Discover(DeviceIo& io);

  size_t adapter_count() const noexcept { return adapters_.size(); }
  const Adapter& adapter(size_t index) const { return adapters_[index]; }
  const std::vector<Device>& devices() const noexcept { return devices_; }
  const Device* Find(uint8_t adapter, uint8_t target, uint8_t lun) const noexcept;
  Device* Find(uint8_t adapter, uint8_t target, uint8_t lun) noexcept;

 private:
  std::vector<Adapter> adapters_;
  std::vector<Device> devices_;
};

}  // namespace qs::aspi
