#include "aspi/device_table.h"

#include <algorithm>
#include <map>
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

// The port and bus each adapter stands for, in adapter order.
std::vector<std::pair<uint8_t, uint8_t>> BusesOf(const std::vector<PortBuses>& ports,
                                                 const std::vector<Device>& devices) {
  std::vector<std::pair<uint8_t, uint8_t>> buses;
  if (ports.empty()) {
    // No list from the system: the ports and buses that hold a device, by rank.
    for (const Device& d : devices) buses.emplace_back(d.address.port, d.address.path);
  } else {
    std::map<uint8_t, unsigned> count;  // buses per port, at least one
    for (const PortBuses& p : ports)
      count[p.port] = std::max<unsigned>(count[p.port], std::max<uint8_t>(p.buses, 1));
    // A device on a port or bus the list left out still gets its adapter.
    for (const Device& d : devices)
      count[d.address.port] = std::max<unsigned>(count[d.address.port], d.address.path + 1u);
    for (unsigned port = 0; port <= count.rbegin()->first; ++port) {
      const auto listed = count.find(static_cast<uint8_t>(port));
      const unsigned n = listed == count.end() ? 1 : listed->second;
      for (unsigned bus = 0; bus < n; ++bus)
        buses.emplace_back(static_cast<uint8_t>(port), static_cast<uint8_t>(bus));
    }
  }
  std::sort(buses.begin(), buses.end());
  buses.erase(std::unique(buses.begin(), buses.end()), buses.end());
  return buses;
}

}  // namespace

DeviceTable DeviceTable::Discover(DeviceIo& io) {
  DeviceTable table;
  std::vector<Device> own;  // drives whose port tells no address
  for (const std::string& path : io.CandidatePaths()) {
    OpenResult opened = io.Open(path);
    if (!opened.channel) continue;
    const std::optional<DeviceAddress> address = opened.channel->Address();
    const char letter = LetterOf(path);
    if (!address) {
      // Some USB and FireWire bridges: offered under the drive letter, the one name known to be a
      // single drive (the same drive comes again under it when found as a class device first).
      if (!letter || std::any_of(own.begin(), own.end(), [&](const Device& d) { return d.letter == letter; }))
        continue;
      const TypeAnswer answer = AskDeviceType(*opened.channel);
      if (!answer.present) continue;
      Device device{path,
                    DeviceAddress{kOwnAddressPort, static_cast<uint8_t>(letter), 0, 0},
                    false,
                    0,
                    answer.type,
                    letter,
                    opened.channel->Limits(),
                    nullptr};
      device.channel = std::move(opened.channel);
      own.push_back(std::move(device));
      continue;
    }
    auto seen = std::find_if(table.devices_.begin(), table.devices_.end(),
                             [&](const Device& d) { return d.address == *address; });
    if (seen != table.devices_.end()) {
      if (!seen->letter) seen->letter = letter;
      continue;
    }
    const TypeAnswer answer = AskDeviceType(*opened.channel);
    if (!answer.present) continue;
    Device device{path, *address, true, 0, answer.type, letter, opened.channel->Limits(), nullptr};
    device.channel = std::move(opened.channel);
    table.devices_.push_back(std::move(device));
  }
  std::stable_sort(table.devices_.begin(), table.devices_.end(),
                   [](const Device& a, const Device& b) { return a.address < b.address; });

  // The support word has one byte for the count: devices on further adapters stay unreachable.
  const std::vector<std::pair<uint8_t, uint8_t>> buses = BusesOf(io.Ports(), table.devices_);
  const size_t room = 255;
  for (size_t i = 0; i < buses.size() && i < room; ++i)
    table.adapters_.push_back(Adapter{buses[i].first, buses[i].second, 0, 8, {}});
  std::vector<bool> holds_device(table.adapters_.size(), false);
  std::vector<Device> placed;
  for (Device& device : table.devices_) {
    const auto at = std::lower_bound(buses.begin(), buses.end(),
                                     std::make_pair(device.address.port, device.address.path));
    const size_t index = static_cast<size_t>(at - buses.begin());
    if (index >= table.adapters_.size()) continue;
    device.adapter = static_cast<uint8_t>(index);
    placed.push_back(std::move(device));
  }
  table.devices_ = std::move(placed);
  for (Device& device : own) {
    if (table.adapters_.size() == room) break;
    device.adapter = static_cast<uint8_t>(table.adapters_.size());
    table.adapters_.push_back(
        Adapter{kOwnAddressPort, static_cast<uint8_t>(device.letter), device.letter, 8, {}});
    holds_device.push_back(false);
    table.devices_.push_back(std::move(device));
  }
  for (const Device& device : table.devices_) {
    Adapter& adapter = table.adapters_[device.adapter];
    if (!holds_device[device.adapter]) {
      adapter.limits = device.limits;
      holds_device[device.adapter] = true;
    }
    // Callers take anything but 8 or 16 targets for 8.
    if (device.address.target >= 8) adapter.max_targets = 16;
    adapter.limits.max_transfer = std::min(adapter.limits.max_transfer, device.limits.max_transfer);
    adapter.limits.unaligned_max = std::min(adapter.limits.unaligned_max, device.limits.unaligned_max);
    adapter.limits.alignment_mask |= device.limits.alignment_mask;
  }
  // Ports that hold only disks are nothing to offer: without a drive there are no adapters, and the
  // support word says so.
  if (table.devices_.empty()) table.adapters_.clear();
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
