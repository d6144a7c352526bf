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
// Time given to a command when its caller has set none (SC_GETSET_TIMEOUTS): the interface's
// published default of 30 hours, which is also the longest the system's pass-through takes.
inline constexpr uint32_t kCommandTimeoutSeconds = 30 * 60 * 60;

struct Device {
  std::string path;       // name it was first found under; opened again only after it was lost
  // As the port driver reported it; for a drive whose port tells none, one of the layer's own that
  // no port driver gives (kOwnAddressPort), with target and LUN 0.
  DeviceAddress address;
  bool port_address = true;  // false: the port told no address
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
  // Not 0: an adapter of the layer's own for the drive with this letter, whose port tells no address.
  char own_drive = 0;
  uint8_t max_targets = 8;  // 8 or 16: what callers understand
  TransferLimits limits;    // the strictest of its devices'
};

// The port number of the layer's own addresses: no port driver numbers a port that high, and the
// path is the drive letter.
inline constexpr uint8_t kOwnAddressPort = 0xFF;

class DeviceTable {
 public:
  DeviceTable() = default;
  // Opens every candidate, keeps each device once and numbers the adapters. Where the system lists
  // its SCSI ports, every bus of every port is one host adapter, in order, so that a port with one
  // bus is the adapter numbered as the port (a port missing between two listed ones counts as one
  // empty bus); elsewhere each distinct port and bus that holds a device is one, ascending. Target
  // and LUN stay as the port driver gives them. Drives whose port tells no address follow, each on
  // an adapter of its own at target 0, LUN 0, in drive letter order. No drive: no adapters.
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
