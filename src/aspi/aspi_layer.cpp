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
// Largest transfer announced in HA_Unique; the system's own limit decides in the end.
constexpr uint32_t kMaxTransfer = 0x10000;

void WriteText(SrbView srb, size_t offset, const char* text) {
  std::memset(srb.at(offset), 0, kHaTextLength);
  std::memcpy(srb.at(offset), text, std::min(std::strlen(text), kHaTextLength));
}

uint8_t Finish(SrbView srb, uint8_t status) {
  srb.set_byte(kSrbStatus, status);
  return status;
}

uint8_t AnswerHaInquiry(const DeviceTable& table, SrbView srb) {
  if (srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  const Adapter& adapter = table.adapter(srb.ha_id());
  srb.set_byte(kHaCount, static_cast<uint8_t>(table.adapter_count()));
  srb.set_byte(kHaScsiId, kInitiatorId);
  WriteText(srb, kHaManagerId, kManagerId);
  char identifier[32];
  if (adapter.path == 0) {
    std::snprintf(identifier, sizeof identifier, "SPTI port %u", unsigned{adapter.port});
  } else {
    std::snprintf(identifier, sizeof identifier, "SPTI %u:%u", unsigned{adapter.port},
                  unsigned{adapter.path});
  }
  WriteText(srb, kHaIdentifier, identifier);
  std::memset(srb.at(kHaUnique), 0, kHaUniqueLength);
  // Bytes 0-1 alignment mask (none needed: transfers go through an aligned buffer of our own),
  // byte 2 residual count support, byte 3 targets per adapter, bytes 4-7 largest transfer.
  srb.set_byte(kHaUnique + 2, kResidualSupported);
  srb.set_byte(kHaUnique + 3, adapter.max_targets);
  srb.set_dword(kHaUnique + 4, kMaxTransfer);
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
// decides": the operation code tells, and a request with data whose code does not tell is refused.
// A request without data needs no direction.
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

uint8_t AcceptExecute(const DeviceTable& table, SrbView srb) {
  if (srb.ha_id() >= table.adapter_count()) return Finish(srb, SS_INVALID_HA);
  if (!table.Find(srb.ha_id(), srb.byte(kExecTarget), srb.byte(kExecLun))) return Finish(srb, SS_NO_DEVICE);
  const uint8_t cdb_length = srb.byte(kExecCdbLen);
  if (cdb_length == 0 || cdb_length > kMaxCdbLength) return Finish(srb, SS_INVALID_SRB);
  const std::optional<DataDirection> direction = DirectionOf(srb);
  if (!direction) return Finish(srb, SS_INVALID_SRB);
  const bool has_data = *direction != DataDirection::kNone && srb.dword(kExecBufLen) != 0;
  if (has_data && srb.dword(kExecBufPointer) == 0) return Finish(srb, SS_INVALID_SRB);
  srb.set_byte(kExecHaStat, HASTAT_OK);
  srb.set_byte(kExecTargStat, 0);
  return Finish(srb, SS_PENDING);
}

void CopySense(SrbView srb, const std::vector<uint8_t>& sense) {
  const size_t room = srb.byte(kExecSenseLen);
  std::memset(srb.at(kExecSenseArea), 0, room);
  if (!sense.empty()) std::memcpy(srb.at(kExecSenseArea), sense.data(), std::min(room, sense.size()));
}

}  // namespace

uint32_t SupportWord(const DeviceTable& table) {
  if (table.adapter_count() == 0) return uint32_t{SS_NO_ADAPTERS} << 8;
  return uint32_t{SS_COMP} << 8 | static_cast<uint32_t>(table.adapter_count());
}

uint8_t AcceptRequest(const DeviceTable& table, uint8_t* record) {
  SrbView srb(record);
  switch (srb.cmd()) {
    case SC_HA_INQUIRY:
      return AnswerHaInquiry(table, srb);
    case SC_GET_DEV_TYPE:
      return AnswerDeviceType(table, srb);
    case SC_EXEC_SCSI_CMD:
      return AcceptExecute(table, srb);
    default:
      return Finish(srb, SS_INVALID_CMD);
  }
}

uint8_t ExecuteRequest(const DeviceTable& table, DeviceIo& io, uint8_t* record,
                       const BufferResolver& resolve) {
  SrbView srb(record);
  const Device* device = table.Find(srb.ha_id(), srb.byte(kExecTarget), srb.byte(kExecLun));
  if (!device) return SS_NO_DEVICE;

  PassThroughRequest request;
  request.cdb_length = srb.byte(kExecCdbLen);
  std::memcpy(request.cdb.data(), srb.at(kExecCdb), request.cdb_length);
  // Accepted requests always have a direction.
  request.direction = DirectionOf(srb).value_or(DataDirection::kNone);
  const uint32_t length = request.direction == DataDirection::kNone ? 0 : srb.dword(kExecBufLen);
  if (length != 0) request.data = resolve(srb.dword(kExecBufPointer), length);
  request.sense_length = srb.byte(kExecSenseLen);
  request.timeout_seconds = kCommandTimeoutSeconds;

  PassThroughResult result;
  // The device is opened anew for each command and must still sit where it was found: a drive
  // unplugged since, or another one now answering under the same name, must not get the command.
  OpenResult opened = io.Open(device->path);
  if (!opened.channel) {
    const IoOutcome why = opened.outcome;
    result.outcome = why == IoOutcome::kRefused || why == IoOutcome::kDenied ? why : IoOutcome::kGone;
  } else if (opened.channel->Address() != device->address) {
    result.outcome = IoOutcome::kGone;
  } else {
    result = opened.channel->PassThrough(request);
  }

  switch (result.outcome) {
    case IoOutcome::kOk:
      break;
    case IoOutcome::kRefused:
      return SS_ERR;
    case IoOutcome::kDenied:
      // Not the drive's answer: the system does not let this process send the command.
      return SS_SECURITY_VIOLATION;
    case IoOutcome::kTimeout:
      srb.set_byte(kExecHaStat, HASTAT_COMMAND_TIMEOUT);
      return SS_ERR;
    case IoOutcome::kGone:
      srb.set_byte(kExecHaStat, HASTAT_SEL_TO);
      return SS_ERR;
  }
  srb.set_byte(kExecTargStat, result.scsi_status);
  CopySense(srb, result.sense);
  if (srb.flags() & SRB_ENABLE_RESIDUAL_COUNT) {
    srb.set_dword(kExecBufLen, length - std::min(length, result.transferred));
  }
  return result.scsi_status == 0 ? SS_COMP : SS_ERR;
}

}  // namespace qs::aspi
