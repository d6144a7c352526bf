#include "aspi/aspi_layer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "aspi/aspi_srb.h"
#include "aspi/command_direction.h"

namespace qs::aspi {
namespace {

constexpr char kManagerId[] = "ASPI for WIN32";
constexpr uint8_t kInitiatorId = 7;
constexpr uint8_t kResidualSupported = 0x02;
constexpr uint8_t kNoDriveLetter = 0xFF;
constexpr uint8_t kAll = 0xFF;  // SC_GETSET_TIMEOUTS: every adapter, target or LUN

void WriteText(SrbView srb, size_t offset, const char* text) {
  std::memset(srb.at(offset), 0, kHaTextLength);
  std::memcpy(srb.at(offset), text, std::min(std::strlen(text), kHaTextLength));
}

uint8_t Finish(SrbView srb, uint8_t status) {
  srb.set_byte(kSrbStatus, status);
  return status;
}

uint8_t AnswerHaInquiry(const DeviceTable& table, SrbView srb) {
  // Callers ask adapter 0 for the count, whether or not it exists.
  srb.set_byte(kHaCount, static_cast<uint8_t>(table.adapter_count()));
  if (srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  const Adapter& adapter = table.adapter(srb.ha_id());
  srb.set_byte(kHaScsiId, kInitiatorId);
  WriteText(srb, kHaManagerId, kManagerId);
  char identifier[32];
  if (adapter.own_drive) {
    std::snprintf(identifier, sizeof identifier, "SPTI drive %c:", adapter.own_drive);
  } else if (adapter.path == 0) {
    std::snprintf(identifier, sizeof identifier, "SPTI port %u", unsigned{adapter.port});
  } else {
    std::snprintf(identifier, sizeof identifier, "SPTI %u:%u", unsigned{adapter.port},
                  unsigned{adapter.path});
  }
  WriteText(srb, kHaIdentifier, identifier);
  std::memset(srb.at(kHaUnique), 0, kHaUniqueLength);
  // Bytes 0-1 the buffer alignment mask, byte 2 residual count support, byte 3 targets per adapter,
  // bytes 4-7 the largest transfer; the system's own figures, the transfer from page-aligned memory.
  // Any other buffer still works (it goes through an aligned one of the layer's), only slower.
  srb.set_byte(kHaUnique, static_cast<uint8_t>(adapter.limits.alignment_mask));
  srb.set_byte(kHaUnique + 1, static_cast<uint8_t>(adapter.limits.alignment_mask >> 8));
  srb.set_byte(kHaUnique + 2, kResidualSupported);
  srb.set_byte(kHaUnique + 3, adapter.max_targets);
  srb.set_dword(kHaUnique + 4, adapter.limits.max_transfer);
  return Finish(srb, SS_COMP);
}

uint8_t AnswerDeviceType(const DeviceTable& table, SrbView srb) {
  if (srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  const Device* device = table.Find(srb.ha_id(), srb.byte(kGdevTarget), srb.byte(kGdevLun));
  if (!device) return Finish(srb, SS_NO_DEVICE);
  srb.set_byte(kGdevDeviceType, device->device_type);
  return Finish(srb, SS_COMP);
}

// The data phase a request asks for. Both direction bits clear is the ASPI rule "the command
// decides": the operation code tells. The pass-through must be told the direction, so a request with
// data whose code the layer does not know is refused rather than guessed. A request without data
// needs no direction.
std::optional<DataDirection> DirectionOf(SrbView srb) {
  switch (srb.flags() & SRB_DIR_MASK) {
    case SRB_DIR_IN:
      return DataDirection::kIn;
    case SRB_DIR_OUT:
      return DataDirection::kOut;
    case SRB_DIR_MASK:
      return DataDirection::kNone;
    default:
      if (srb.dword(kExecBufLen) == 0) return DataDirection::kNone;
      return DirectionOfOperation(srb.byte(kExecCdb));
  }
}

// SRB_GetDiskInfo: callers find the address of drive "D:" by the letter's index (0 for A:) in
// SRB_Int13HDriveInfo. Optical drives are no INT 13h disks, so there is no geometry to give.
uint8_t AnswerDiskInfo(const DeviceTable& table, SrbView srb) {
  if (srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  const Device* device = table.Find(srb.ha_id(), srb.byte(kDiskTarget), srb.byte(kDiskLun));
  if (!device) return Finish(srb, SS_NO_DEVICE);
  srb.set_byte(kDiskDriveFlags, DISK_NOT_INT13);
  srb.set_byte(kDiskInt13Info, device->letter ? static_cast<uint8_t>(device->letter - 'A') : kNoDriveLetter);
  srb.set_byte(kDiskHeads, 0);
  srb.set_byte(kDiskSectors, 0);
  return Finish(srb, SS_COMP);
}

uint32_t SecondsOf(SrbView srb) {
  const uint32_t half_seconds = srb.dword(kTimeoutsValue);
  return std::min(half_seconds / 2 + half_seconds % 2, kMaxTimeoutSeconds);
}

// 0xFF for adapter, target or LUN: every one. Only a set may name more than one device.
uint8_t AnswerTimeoutsForAll(const DeviceTable& table, Timeouts& timeouts, SrbView srb) {
  const uint8_t ha = srb.ha_id(), target = srb.byte(kTimeoutsTarget), lun = srb.byte(kTimeoutsLun);
  if (ha != kAll && ha >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  if ((srb.flags() & SRB_DIR_MASK) != SRB_DIR_OUT) return Finish(srb, SS_INVALID_SRB);
  bool any = false;
  for (const Device& d : table.devices()) {
    if ((ha == kAll || ha == d.adapter) && (target == kAll || target == d.address.target) &&
        (lun == kAll || lun == d.address.lun)) {
      timeouts.Set(d.adapter, d.address.target, d.address.lun, SecondsOf(srb));
      any = true;
    }
  }
  return Finish(srb, any ? SS_COMP : SS_NO_DEVICE);
}

uint8_t AnswerTimeouts(const DeviceTable& table, Timeouts& timeouts, SrbView srb) {
  const uint8_t target = srb.byte(kTimeoutsTarget);
  const uint8_t lun = srb.byte(kTimeoutsLun);
  if (srb.ha_id() == kAll || target == kAll || lun == kAll) return AnswerTimeoutsForAll(table, timeouts, srb);
  if (srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  if (!table.Find(srb.ha_id(), target, lun)) return Finish(srb, SS_NO_DEVICE);
  switch (srb.flags() & SRB_DIR_MASK) {
    case SRB_DIR_IN:
      srb.set_dword(kTimeoutsValue, timeouts.Seconds(srb.ha_id(), target, lun) * 2);
      return Finish(srb, SS_COMP);
    case SRB_DIR_OUT:
      timeouts.Set(srb.ha_id(), target, lun, SecondsOf(srb));
      return Finish(srb, SS_COMP);
    default:
      return Finish(srb, SS_INVALID_SRB);
  }
}

uint8_t AcceptReset(const DeviceTable& table, SrbView srb) {
  if (srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  if (!table.Find(srb.ha_id(), srb.byte(kResetTarget), srb.byte(kResetLun))) return Finish(srb, SS_NO_DEVICE);
  srb.set_byte(kExecHaStat, HASTAT_OK);
  srb.set_byte(kExecTargStat, 0);
  return Finish(srb, SS_PENDING);
}

// Which record is meant is the library's to find; here only what the request itself says.
uint8_t AcceptAbort(const DeviceTable& table, SrbView srb) {
  if (srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  if (srb.dword(kAbortToAbort) == 0) return Finish(srb, SS_INVALID_SRB);
  return Finish(srb, SS_PENDING);
}

// A rescan is how drives attached later are found, so it is allowed while there are no adapters.
uint8_t AcceptRescan(const DeviceTable& table, SrbView srb) {
  if (table.adapter_count() != 0 && srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  return Finish(srb, SS_PENDING);
}

uint8_t AcceptExecute(const DeviceTable& table, SrbView srb) {
  if (srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  if (!table.Find(srb.ha_id(), srb.byte(kExecTarget), srb.byte(kExecLun))) return Finish(srb, SS_NO_DEVICE);
  const uint8_t cdb_length = srb.byte(kExecCdbLen);
  if (cdb_length == 0 || cdb_length > kMaxCdbLength) return Finish(srb, SS_INVALID_SRB);
  const std::optional<DataDirection> direction = DirectionOf(srb);
  if (!direction) return Finish(srb, SS_INVALID_SRB);
  const bool has_data = *direction != DataDirection::kNone && srb.dword(kExecBufLen) != 0;
  if (has_data && srb.dword(kExecBufPointer) == 0) return Finish(srb, SS_INVALID_SRB);
  if (has_data && srb.dword(kExecBufLen) > table.adapter(srb.ha_id()).limits.max_transfer) {
    return Finish(srb, SS_BUFFER_TO_BIG);
  }
  srb.set_byte(kExecHaStat, HASTAT_OK);
  srb.set_byte(kExecTargStat, 0);
  return Finish(srb, SS_PENDING);
}

void CopySense(SrbView srb, const std::vector<uint8_t>& sense) {
  const size_t room = srb.byte(kExecSenseLen);
  std::memset(srb.at(kExecSenseArea), 0, room);
  if (!sense.empty()) std::memcpy(srb.at(kExecSenseArea), sense.data(), std::min(room, sense.size()));
}

// A command that never came to an answer: no sense of a previous use of the record stays behind for
// the caller to decode, and nothing was transferred.
uint8_t NoAnswer(SrbView srb, uint8_t status, uint32_t length) {
  CopySense(srb, {});
  if (srb.flags() & SRB_ENABLE_RESIDUAL_COUNT) srb.set_dword(kExecBufLen, length);
  return status;
}

// The device's open channel, opened again when it was lost: the device must still sit where it was
// found, so that a command never reaches another drive now answering under the same name. Null
// with the reason when it cannot be had.
DeviceChannel* ChannelOf(Device& device, DeviceIo& io, IoOutcome& why) {
  if (device.channel) return device.channel.get();
  OpenResult opened = io.Open(device.path);
  if (!opened.channel) {
    why = opened.outcome == IoOutcome::kRefused || opened.outcome == IoOutcome::kDenied ? opened.outcome
                                                                                        : IoOutcome::kGone;
    return nullptr;
  }
  // A drive found without an address must still have none: a letter that now names a drive whose
  // port tells its address names another drive.
  const std::optional<DeviceAddress> now = opened.channel->Address();
  if (device.port_address ? !now || !(*now == device.address) : now.has_value()) {
    why = IoOutcome::kGone;
    return nullptr;
  }
  device.channel = std::move(opened.channel);
  return device.channel.get();
}

// One pass-through command on the kept channel. A handle that lost its device is dropped and the
// device opened once more: the command never reached a drive on the lost handle.
PassThroughResult Send(Device& device, DeviceIo& io, const PassThroughRequest& request) {
  PassThroughResult result;
  for (int attempt = 0; attempt < 2; ++attempt) {
    DeviceChannel* channel = ChannelOf(device, io, result.outcome);
    if (!channel) return result;
    result = channel->PassThrough(request);
    if (result.outcome != IoOutcome::kGone) return result;
    device.channel.reset();
  }
  return result;
}

// The status for an outcome other than kOk; SRB_HaStat tells the road's failures apart.
uint8_t FailureStatus(SrbView srb, IoOutcome outcome) {
  switch (outcome) {
    case IoOutcome::kDenied:
      // Not the drive's answer: the system does not let this process send the command.
      return SS_SECURITY_VIOLATION;
    case IoOutcome::kTimeout:
      srb.set_byte(kExecHaStat, HASTAT_COMMAND_TIMEOUT);
      return SS_ERR;
    case IoOutcome::kGone:
      srb.set_byte(kExecHaStat, HASTAT_SEL_TO);
      return SS_ERR;
    case IoOutcome::kCancelled:
      return SS_ABORTED;
    default:
      return SS_ERR;
  }
}

}  // namespace

uint32_t Timeouts::Seconds(uint8_t adapter, uint8_t target, uint8_t lun) const {
  const auto found = seconds_.find(uint32_t{adapter} << 16 | uint32_t{target} << 8 | lun);
  return found == seconds_.end() ? kCommandTimeoutSeconds : found->second;
}

void Timeouts::Set(uint8_t adapter, uint8_t target, uint8_t lun, uint32_t seconds) {
  const uint32_t key = uint32_t{adapter} << 16 | uint32_t{target} << 8 | lun;
  if (seconds == 0) {
    seconds_.erase(key);
  } else {
    seconds_[key] = seconds;
  }
}

uint32_t SupportWord(const DeviceTable& table) {
  if (table.adapter_count() == 0) return uint32_t{SS_NO_ADAPTERS} << 8;
  return uint32_t{SS_COMP} << 8 | static_cast<uint32_t>(table.adapter_count());
}

uint8_t AcceptRequest(const DeviceTable& table, Timeouts& timeouts, uint8_t* record) {
  SrbView srb(record);
  switch (srb.cmd()) {
    case SC_HA_INQUIRY:
      return AnswerHaInquiry(table, srb);
    case SC_GET_DEV_TYPE:
      return AnswerDeviceType(table, srb);
    case SC_EXEC_SCSI_CMD:
      return AcceptExecute(table, srb);
    case SC_ABORT_SRB:
      return AcceptAbort(table, srb);
    case SC_RESET_DEV:
      return AcceptReset(table, srb);
    case SC_GET_DISK_INFO:
      return AnswerDiskInfo(table, srb);
    case SC_RESCAN_SCSI_BUS:
      return AcceptRescan(table, srb);
    case SC_GETSET_TIMEOUTS:
      return AnswerTimeouts(table, timeouts, srb);
    default:
      return Finish(srb, SS_INVALID_CMD);
  }
}

uint8_t ExecuteRequest(DeviceTable& table, DeviceIo& io, uint8_t* record, const BufferResolver& resolve,
                       uint32_t timeout_seconds) {
  SrbView srb(record);
  Device* device = table.Find(srb.ha_id(), srb.byte(kExecTarget), srb.byte(kExecLun));
  if (!device) return SS_NO_DEVICE;

  PassThroughRequest request;
  request.cdb_length = srb.byte(kExecCdbLen);
  std::memcpy(request.cdb.data(), srb.at(kExecCdb), request.cdb_length);
  // Accepted requests always have a direction.
  request.direction = DirectionOf(srb).value_or(DataDirection::kNone);
  const uint32_t length = request.direction == DataDirection::kNone ? 0 : srb.dword(kExecBufLen);
  if (length != 0) {
    request.data = resolve(srb.dword(kExecBufPointer), length, request.direction);
    // Memory the caller does not own, or may not have written, is refused before anything is sent.
    if (request.data.size() != length) return NoAnswer(srb, SS_INVALID_SRB, length);
  }
  request.sense_length = srb.byte(kExecSenseLen);
  request.timeout_seconds = timeout_seconds;

  const PassThroughResult result = Send(*device, io, request);
  if (result.outcome != IoOutcome::kOk) return NoAnswer(srb, FailureStatus(srb, result.outcome), length);
  srb.set_byte(kExecTargStat, result.scsi_status);
  CopySense(srb, result.sense);
  if (srb.flags() & SRB_ENABLE_RESIDUAL_COUNT) {
    srb.set_dword(kExecBufLen, length - std::min(length, result.transferred));
  }
  return result.scsi_status == 0 ? SS_COMP : SS_ERR;
}

uint8_t ResetRequest(DeviceTable& table, DeviceIo& io, uint8_t* record) {
  SrbView srb(record);
  Device* device = table.Find(srb.ha_id(), srb.byte(kResetTarget), srb.byte(kResetLun));
  if (!device) return SS_NO_DEVICE;
  IoOutcome outcome = IoOutcome::kGone;
  DeviceChannel* channel = ChannelOf(*device, io, outcome);
  if (channel) outcome = channel->Reset();
  if (outcome == IoOutcome::kGone) device->channel.reset();
  return outcome == IoOutcome::kOk ? SS_COMP : FailureStatus(srb, outcome);
}

}  // namespace qs::aspi
