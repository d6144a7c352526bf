#include "aspi/device_table.h"

#include <algorithm>

namespace qs::aspi {
namespace {

constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kInquiryLength = 36;
// Peripheral qualifier 3: the target has no device behind this LUN.
constexpr uint8_t kQualifierNotConnected = 3;

struct TypeAnswer {
  bool present = true;
  uint8_t type = kCdRomDeviceType;
};

// A class device that refuses INQUIRY is still a CD/DVD device: it was found as one.
TypeAnswer AskDeviceType(DeviceChannel& channel) {
  std::array<uint8_t, kInquiryLength> data{};
  PassThroughRequest request;
  request.cdb[0] = kInquiry;
  request.cdb[4] = kInquiryLength;
  request.cdb_length = 6;
  request.direction = DataDirection::kIn;
  request.data = data;
  request.timeout_seconds = kCommandTimeoutSeconds;
  const PassThroughResult result = channel.PassThrough(request);
  if (result.outcome != IoOutcome::kOk || result.scsi_status != 0 || result.transferred == 0) return {};
  if ((data[0] >> 5) == kQualifierNotConnected) return {false, 0};
  return {true, static_cast<uint8_t>(data[0] & 0x1F)};
}

}  // namespace

DeviceTable DeviceTable::Discover(DeviceIo& io) {
  DeviceTable table;
  for (const std::string& path : io.CandidatePaths()) {
    OpenResult opened = io.Open(path);
    if (!opened.channel) continue;
    const std::optional<DeviceAddress> address = opened.channel->Address();
    if (!address) continue;
    const bool seen = std::any_of(table.devices_.begin(), table.devices_.end(),
                                  [&](const Device& d) { return d.address == *address; });
    if (seen) continue;
    const TypeAnswer answer = AskDeviceType(*opened.channel);
    if (!answer.present) continue;
    table.devices_.push_back(Device{path, *address, 0, answer.type});
  }
  std::stable_sort(table.devices_.begin(), table.devices_.end(),
                   [](const Device& a, const Device& b) { return a.address < b.address; });
  for (size_t i = 0; i < table.devices_.size(); ++i) {
    Device& device = table.devices_[i];
    const DeviceAddress& a = device.address;
    if (table.adapters_.empty() || table.adapters_.back().port != a.port ||
        table.adapters_.back().path != a.path) {
      // The support word has one byte for the count: devices on further ports stay unreachable.
      if (table.adapters_.size() == 255) {
        table.devices_.resize(i);
        break;
      }
      table.adapters_.push_back(Adapter{a.port, a.path, 8});
    }
    Adapter& adapter = table.adapters_.back();
    device.adapter = static_cast<uint8_t>(table.adapters_.size() - 1);
    if (a.target >= adapter.max_targets) adapter.max_targets = a.target == 255 ? 255 : a.target + 1;
  }
  return table;
}

const Device* DeviceTable::Find(uint8_t adapter, uint8_t target, uint8_t lun) const noexcept {
  for (const Device& d : devices_) {
    if (d.adapter == adapter && d.address.target == target && d.address.lun == lun) return &d;
  }
  return nullptr;
}

}  // namespace qs::aspi
