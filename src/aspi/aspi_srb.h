// ASPI for Win32 request records as the layer reads them: field offsets from the shared layout,
// whose header also holds the codes, flags and status values. Records are little-endian byte blocks;
// the layer reads and writes them through SrbView so that the same code serves the 32-bit library
// and the 64-bit native tests.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/aspi_records.h"

namespace qs::aspi {

// Field offsets shared by every record.
inline constexpr size_t kSrbCmd = offsetof(records::SRB_Header, SRB_Cmd);
inline constexpr size_t kSrbStatus = offsetof(records::SRB_Header, SRB_Status);
inline constexpr size_t kSrbHaId = offsetof(records::SRB_Header, SRB_HaId);
inline constexpr size_t kSrbFlags = offsetof(records::SRB_Header, SRB_Flags);
inline constexpr size_t kSrbHdrRsvd = offsetof(records::SRB_Header, SRB_Hdr_Rsvd);

// SRB_HAInquiry.
inline constexpr size_t kHaCount = offsetof(records::SRB_HAInquiry, HA_Count);
inline constexpr size_t kHaScsiId = offsetof(records::SRB_HAInquiry, HA_SCSI_ID);
inline constexpr size_t kHaManagerId = offsetof(records::SRB_HAInquiry, HA_ManagerId);
inline constexpr size_t kHaIdentifier = offsetof(records::SRB_HAInquiry, HA_Identifier);
inline constexpr size_t kHaUnique = offsetof(records::SRB_HAInquiry, HA_Unique);
inline constexpr size_t kHaTextLength = sizeof(records::SRB_HAInquiry::HA_ManagerId);
inline constexpr size_t kHaUniqueLength = sizeof(records::SRB_HAInquiry::HA_Unique);

// SRB_GDEVBlock.
inline constexpr size_t kGdevTarget = offsetof(records::SRB_GDEVBlock, SRB_Target);
inline constexpr size_t kGdevLun = offsetof(records::SRB_GDEVBlock, SRB_Lun);
inline constexpr size_t kGdevDeviceType = offsetof(records::SRB_GDEVBlock, SRB_DeviceType);

// SRB_ExecSCSICmd.
inline constexpr size_t kExecTarget = offsetof(records::SRB_ExecSCSICmd, SRB_Target);
inline constexpr size_t kExecLun = offsetof(records::SRB_ExecSCSICmd, SRB_Lun);
inline constexpr size_t kExecBufLen = offsetof(records::SRB_ExecSCSICmd, SRB_BufLen);
inline constexpr size_t kExecBufPointer = offsetof(records::SRB_ExecSCSICmd, SRB_BufPointer);
inline constexpr size_t kExecSenseLen = offsetof(records::SRB_ExecSCSICmd, SRB_SenseLen);
inline constexpr size_t kExecCdbLen = offsetof(records::SRB_ExecSCSICmd, SRB_CDBLen);
inline constexpr size_t kExecHaStat = offsetof(records::SRB_ExecSCSICmd, SRB_HaStat);
inline constexpr size_t kExecTargStat = offsetof(records::SRB_ExecSCSICmd, SRB_TargStat);
inline constexpr size_t kExecPostProc = offsetof(records::SRB_ExecSCSICmd, SRB_PostProc);
inline constexpr size_t kExecCdb = offsetof(records::SRB_ExecSCSICmd, CDBByte);
inline constexpr size_t kExecSenseArea = offsetof(records::SRB_ExecSCSICmd, SenseArea);
inline constexpr size_t kMaxCdbLength = sizeof(records::SRB_ExecSCSICmd::CDBByte);

// SRB_Abort: the address of the execute record to abort.
inline constexpr size_t kAbortToAbort = offsetof(records::SRB_Abort, SRB_ToAbort);

// SRB_BusDeviceReset: target and LUN as in SRB_ExecSCSICmd, and the same status and post fields.
inline constexpr size_t kResetTarget = offsetof(records::SRB_BusDeviceReset, SRB_Target);
inline constexpr size_t kResetLun = offsetof(records::SRB_BusDeviceReset, SRB_Lun);

// SRB_GetDiskInfo.
inline constexpr size_t kDiskTarget = offsetof(records::SRB_GetDiskInfo, SRB_Target);
inline constexpr size_t kDiskLun = offsetof(records::SRB_GetDiskInfo, SRB_Lun);
inline constexpr size_t kDiskDriveFlags = offsetof(records::SRB_GetDiskInfo, SRB_DriveFlags);
inline constexpr size_t kDiskInt13Info = offsetof(records::SRB_GetDiskInfo, SRB_Int13HDriveInfo);
inline constexpr size_t kDiskHeads = offsetof(records::SRB_GetDiskInfo, SRB_Heads);
inline constexpr size_t kDiskSectors = offsetof(records::SRB_GetDiskInfo, SRB_Sectors);
inline constexpr size_t kDiskInfoSize = sizeof(records::SRB_GetDiskInfo);
inline constexpr uint8_t DISK_NOT_INT13 = 0x00;

// SRB_GetSetTimeouts: SRB_DIR_IN reads a target's timeout, SRB_DIR_OUT sets it; in half seconds.
inline constexpr size_t kTimeoutsTarget = offsetof(records::SRB_GetSetTimeouts, SRB_Target);
inline constexpr size_t kTimeoutsLun = offsetof(records::SRB_GetSetTimeouts, SRB_Lun);
inline constexpr size_t kTimeoutsValue = offsetof(records::SRB_GetSetTimeouts, SRB_Timeout);

// ASPI32BUFF, the block GetASPI32Buffer and FreeASPI32Buffer work on.
inline constexpr size_t kBuffPointer = offsetof(records::ASPI32BUFF, AB_BufPointer);
inline constexpr size_t kBuffLength = offsetof(records::ASPI32BUFF, AB_BufLen);
inline constexpr size_t kBuffZeroFill = offsetof(records::ASPI32BUFF, AB_ZeroFill);
inline constexpr uint32_t kMaxAspiBuffer = 512 * 1024;

// Reads and writes fields of a caller's record in place. The record is not owned.
class SrbView {
 public:
  explicit SrbView(uint8_t* record) noexcept : p_(record) {}

  uint8_t byte(size_t offset) const noexcept { return p_[offset]; }
  void set_byte(size_t offset, uint8_t value) noexcept { p_[offset] = value; }
  uint32_t dword(size_t offset) const noexcept {
    return uint32_t{p_[offset]} | uint32_t{p_[offset + 1]} << 8 | uint32_t{p_[offset + 2]} << 16 |
           uint32_t{p_[offset + 3]} << 24;
  }
  void set_dword(size_t offset, uint32_t value) noexcept {
    for (size_t i = 0; i < 4; ++i) p_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  uint8_t* at(size_t offset) const noexcept { return p_ + offset; }

  uint8_t cmd() const noexcept { return p_[kSrbCmd]; }
  uint8_t ha_id() const noexcept { return p_[kSrbHaId]; }
  uint8_t flags() const noexcept { return p_[kSrbFlags]; }

 private:
  uint8_t* p_;
};

}  // namespace qs::aspi
