#include "aspi/device_table.h"

#include <algorithm>
#include <utility>

namespace qs::aspi {
namespace {

constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kInquiryLength = 36;
// A drive that does not answer INQUIRY within this is taken as it was found.
constexpr uint32_t kInquiryTimeoutSeconds = 20;
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
  request.timeout_seconds = kInquiryTimeoutSeconds;
  const PassThroughResult result = channel.PassThrough(request);
  if (result.outcome != IoOutcome::kOk || result.scsi_status != 0 || result.transferred == 0) return {};
  if ((data[0] >> 5) == kQualifierNotConnected) return {false, 0};
  return {true, static_cast<uint8_t>(data[0] & 0x1F)};
}

// "\\.\D:" names drive D; other names name no letter.
char LetterOf(const std::string& path) {
  if (path.size() == 6 && path.compare(0, 4, "\\\\.\\") == 0 && path[5] == ':' && path[4] >= 'A' &&
      path[4] <= 'Z') {
    return path[4];
  }
  return 0;
}

}  // namespace

DeviceTable DeviceTable::Discover(DeviceIo& io) {
  DeviceTable table;
  for (const std::string& path : io.CandidatePaths()) {
    OpenResult opened = io.Open(path);
    if (!opened.channel) continue;
    const std::optional<DeviceAddress> address = opened.channel->Address();
    if (!address) continue;
    auto seen = std::find_if(table.devices_.begin(), table.devices_.end(),
                             [&](const Device& d) { return d.address == *address; });
    if (seen != table.devices_.end()) {
      if (!seen->letter) seen->letter = LetterOf(path);
      continue;
    }
    const TypeAnswer answer = AskDeviceType(*opened.channel);
    if (!answer.present) continue;
    Device device{path, *address, 0, answer.type, LetterOf(path), opened.channel->Limits(), nullptr};
    device.channel = std::move(opened.channel);
    table.devices_.push_back(std::move(device));
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
      table.adapters_.push_back(Adapter{a.port, a.path, 8, device.limits});
    }
    Adapter& adapter = table.adapters_.back();
    device.adapter = static_cast<uint8_t>(table.adapters_.size() - 1);
    if (a.target >= adapter.max_targets) adapter.max_targets = a.target == 255 ? 255 : a.target + 1;
    adapter.limits.max_transfer = std::min(adapter.limits.max_transfer, device.limits.max_transfer);
    adapter.limits.alignment_mask |= device.limits.alignment_mask;
  }
  return table;
}

const Device* DeviceTable::Find(uint8_t adapter, uint8_t target, uint8_t lun) const noexcept {
  for (const Device& d : devices_) {
    if (d.adapter == adapter && d.address.target == target && d.address.lun == lun) return &d;
  }
  return nullptr;
}

Device* DeviceTable::Find(uint8_t adapter, uint8_t target, uint8_t lun) noexcept {
  return const_cast<Device*>(std::as_const(*this).Find(adapter, target, lun));
}

}  // namespace qs::aspi
