// ASPI request records (SCSI request blocks) as QuietSpin builds them: 80-byte, zero-filled,
// little-endian blocks handed to the ASPI layer by address.
#pragma once
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "common/aspi_records.h"

namespace qs::aspi {

// The ASPI layer writes SRB_Status from its own thread, so records are aligned blocks whose
// status byte is read atomically.
struct alignas(4) Record {
  std::array<uint8_t, kRecordSize> bytes{};
  uint8_t* data() { return bytes.data(); }
  const uint8_t* data() const { return bytes.data(); }
};

enum Command : uint8_t {
  kHaInquiry = SC_HA_INQUIRY,
  kGetDeviceType = SC_GET_DEV_TYPE,
  kExecScsiCommand = SC_EXEC_SCSI_CMD
};
enum Status : uint8_t { kPending = SS_PENDING, kCompleted = SS_COMP };
inline constexpr uint8_t kFlagDirectionIn = SRB_DIR_IN;
inline constexpr uint8_t kSetCdSpeedOpcode = 0xBB;
// SET CD SPEED is a 12-byte command; the bytes after the speeds stay zero.
inline constexpr uint8_t kSetCdSpeedCdbLength = 12;
inline constexpr uint8_t kSenseLength = 14;

namespace offset {
using records::SRB_ExecSCSICmd, records::SRB_GDEVBlock, records::SRB_Header;
inline constexpr std::size_t kCmd = offsetof(SRB_Header, SRB_Cmd), kStatus = offsetof(SRB_Header, SRB_Status),
                             kHaId = offsetof(SRB_Header, SRB_HaId), kFlags = offsetof(SRB_Header, SRB_Flags),
                             kHdrRsvd = offsetof(SRB_Header, SRB_Hdr_Rsvd);
inline constexpr std::size_t kTarget = offsetof(SRB_GDEVBlock, SRB_Target), kLun = offsetof(SRB_GDEVBlock, SRB_Lun),
                             kDeviceType = offsetof(SRB_GDEVBlock, SRB_DeviceType);
inline constexpr std::size_t kBufLen = offsetof(SRB_ExecSCSICmd, SRB_BufLen),
                             kBufPointer = offsetof(SRB_ExecSCSICmd, SRB_BufPointer),
                             kSenseLen = offsetof(SRB_ExecSCSICmd, SRB_SenseLen),
                             kCdbLen = offsetof(SRB_ExecSCSICmd, SRB_CDBLen);
inline constexpr std::size_t kPostProc = offsetof(SRB_ExecSCSICmd, SRB_PostProc),
                             kCdb = offsetof(SRB_ExecSCSICmd, CDBByte), kSenseArea = offsetof(SRB_ExecSCSICmd, SenseArea);
}  // namespace offset

// Rewrites the fields the program writes in a reused inquiry record for adapter `ha`.
void PrepareInquiry(Record& record, uint8_t ha);
// Rewrites the fields the program writes in a reused get-device-type record.
void PrepareDeviceType(Record& record, uint8_t ha, uint8_t target);
// A freshly zeroed execute record carrying SET CD SPEED with `speed` as read and write speed.
void PrepareSetCdSpeed(Record& record, uint8_t ha, uint8_t target, uint8_t speed);

// Status written by the layer; read afresh on every call.
inline uint8_t StatusOf(const Record& record) {
  return std::atomic_ref<const uint8_t>(record.bytes[offset::kStatus]).load(std::memory_order_acquire);
}

// Number of host adapters to scan from the support word (SupportAdapterCount): 0 unless its status
// is SS_COMP.
int HostAdapterCount(uint32_t support_word);

}  // namespace qs::aspi
