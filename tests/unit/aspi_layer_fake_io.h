// A scripted device seam for the ASPI layer tests: devices reachable under several names, each with
// its address, INQUIRY answer and behaviour, and a record of every command they were sent.
#pragma once
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "aspi/device_io.h"

namespace qs::aspi::testing {

struct FakeDevice {
  std::vector<std::string> names;
  DeviceAddress address;
  bool port_tells_address = true;  // false: as a USB bridge that does not answer for its address
  uint8_t inquiry_byte0 = 0x05;  // peripheral qualifier and type
  bool answers_inquiry = true;
  IoOutcome outcome = IoOutcome::kOk;  // for commands other than INQUIRY
  uint8_t scsi_status = 0;
  std::vector<uint8_t> sense;
  std::vector<uint8_t> data_in;  // what a data-in command reads
  bool present = true;           // false: opening fails as for an unplugged drive
  bool refuses_open = false;
  bool denies_open = false;  // true: the system does not let the process open it at all
  TransferLimits limits;
  IoOutcome reset_outcome = IoOutcome::kOk;
  int resets = 0;
};

struct SentCommand {
  std::string path;
  PassThroughRequest request;     // data span as it was handed over
  std::vector<uint8_t> data_out;  // copy of the data the layer sent
};

class FakeDeviceIo : public DeviceIo {
 public:
  std::vector<std::string> extra_names;  // candidates with no device behind them
  std::vector<PortBuses> ports;          // the system's list of ports; empty: it gives none
  std::vector<FakeDevice> devices;
  std::vector<SentCommand> sent;
  std::vector<std::string> opened;

  FakeDevice& Add(std::vector<std::string> names, DeviceAddress address) {
    FakeDevice& device = devices.emplace_back();
    device.names = std::move(names);
    device.address = address;
    return device;
  }

  std::vector<std::string> CandidatePaths() override {
    std::vector<std::string> out = extra_names;
    for (const FakeDevice& d : devices) out.insert(out.end(), d.names.begin(), d.names.end());
    return out;
  }

  std::vector<PortBuses> Ports() override { return ports; }

  OpenResult Open(const std::string& path) override {
    opened.push_back(path);
    for (FakeDevice& d : devices) {
      if (std::find(d.names.begin(), d.names.end(), path) == d.names.end()) continue;
      if (d.refuses_open) return {nullptr, IoOutcome::kRefused};
      if (d.denies_open) return {nullptr, IoOutcome::kDenied};
      if (!d.present) return {nullptr, IoOutcome::kGone};
      return {std::make_unique<Channel>(*this, d, path), IoOutcome::kOk};
    }
    return {nullptr, IoOutcome::kGone};
  }

 private:
  class Channel : public DeviceChannel {
   public:
    Channel(FakeDeviceIo& io, FakeDevice& device, std::string path)
        : io_(io), device_(device), path_(std::move(path)), address_(device.address) {}
    std::optional<DeviceAddress> Address() override {
      if (!device_.port_tells_address) return std::nullopt;
      return device_.address;
    }
    TransferLimits Limits() override { return device_.limits; }
    IoOutcome Reset() override {
      if (Lost()) return IoOutcome::kGone;
      ++device_.resets;
      return device_.reset_outcome;
    }
    PassThroughResult PassThrough(const PassThroughRequest& request) override {
      // A handle whose drive was unplugged, or replaced by another at its name, reaches nothing.
      if (Lost()) return {IoOutcome::kGone, 0, {}, 0};
      SentCommand sent{path_, request, {}};
      if (request.direction == DataDirection::kOut)
        sent.data_out.assign(request.data.begin(), request.data.end());
      io_.sent.push_back(sent);
      PassThroughResult result;
      if (request.cdb[0] == 0x12) {
        if (!device_.answers_inquiry) return {IoOutcome::kRefused, 0, {}, 0};
        std::fill(request.data.begin(), request.data.end(), 0);
        if (!request.data.empty()) request.data[0] = device_.inquiry_byte0;
        result.transferred = static_cast<uint32_t>(request.data.size());
        return result;
      }
      result.outcome = device_.outcome;
      result.scsi_status = device_.scsi_status;
      result.sense = device_.sense;  // may exceed what was asked for: the layer must cut it
      if (request.direction == DataDirection::kIn) {
        const size_t n = std::min(request.data.size(), device_.data_in.size());
        if (n != 0) std::memcpy(request.data.data(), device_.data_in.data(), n);
        result.transferred = static_cast<uint32_t>(n);
      } else if (request.direction == DataDirection::kOut) {
        result.transferred = static_cast<uint32_t>(request.data.size());
      }
      return result;
    }

   private:
    bool Lost() const { return !device_.present || device_.address != address_; }
    FakeDeviceIo& io_;
    FakeDevice& device_;
    std::string path_;
    DeviceAddress address_;
  };
};

}  // namespace qs::aspi::testing
