#include "speed/srb.h"

namespace qs::aspi {
namespace {

void PutHeader(Record& record, Command command, uint8_t ha, uint8_t flags) {
  auto& b = record.bytes;
  b[offset::kCmd] = command;
  b[offset::kHaId] = ha;
  b[offset::kFlags] = flags;
  for (std::size_t i = 0; i < 4; ++i) b[offset::kHdrRsvd + i] = 0;
}

}  // namespace

void PrepareInquiry(Record& record, uint8_t ha) { PutHeader(record, kHaInquiry, ha, 0); }

void PrepareDeviceType(Record& record, uint8_t ha, uint8_t target) {
  PutHeader(record, kGetDeviceType, ha, 0);
  record.bytes[offset::kTarget] = target;
  record.bytes[offset::kLun] = 0;
}

void PrepareSetCdSpeed(Record& record, uint8_t ha, uint8_t target, uint8_t speed) {
  record.bytes.fill(0);
  PutHeader(record, kExecScsiCommand, ha, kFlagDirectionIn);
  auto& b = record.bytes;
  b[offset::kTarget] = target;
  b[offset::kLun] = 0;
  b[offset::kSenseLen] = kSenseLength;
  b[offset::kCdbLen] = kSetCdSpeedCdbLength;
  // Read speed and write speed, each a big-endian 16-bit value whose two bytes are both `speed`.
  b[offset::kCdb + 0] = kSetCdSpeedOpcode;
  for (std::size_t i = 2; i <= 5; ++i) b[offset::kCdb + i] = speed;
}

int HostAdapterCount(uint32_t support_word) { return SupportAdapterCount(support_word); }

}  // namespace qs::aspi
