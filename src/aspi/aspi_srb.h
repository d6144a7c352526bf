// ASPI for Win32 request records as callers lay them out: byte offsets, flags and status codes.
// Records are little-endian byte blocks; the layer reads and writes them through SrbView so that the
// same code serves the 32-bit library and the 64-bit native tests.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qs::aspi {

// Request codes (SRB_Cmd).
inline constexpr uint8_t SC_HA_INQUIRY = 0x00;
inline constexpr uint8_t SC_GET_DEV_TYPE = 0x01;
inline constexpr uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr uint8_t SC_ABORT_SRB = 0x03;
inline constexpr uint8_t SC_RESET_DEV = 0x04;
inline constexpr uint8_t SC_GET_DISK_INFO = 0x06;
inline constexpr uint8_t SC_RESCAN_SCSI_BUS = 0x07;
inline constexpr uint8_t SC_GETSET_TIMEOUTS = 0x08;

// Request flags (SRB_Flags).
inline constexpr uint8_t SRB_POSTING = 0x01;
inline constexpr uint8_t SRB_ENABLE_RESIDUAL_COUNT = 0x04;
inline constexpr uint8_t SRB_DIR_IN = 0x08;
inline constexpr uint8_t SRB_DIR_OUT = 0x10;
inline constexpr uint8_t SRB_EVENT_NOTIFY = 0x40;
inline constexpr uint8_t SRB_DIR_MASK = SRB_DIR_IN | SRB_DIR_OUT;

// Request status (SRB_Status and the status byte of the support word).
inline constexpr uint8_t SS_PENDING = 0x00;
inline constexpr uint8_t SS_COMP = 0x01;
inline constexpr uint8_t SS_ABORTED = 0x02;
inline constexpr uint8_t SS_ABORT_FAIL = 0x03;
inline constexpr uint8_t SS_ERR = 0x04;
inline constexpr uint8_t SS_INVALID_CMD = 0x80;
inline constexpr uint8_t SS_INVALID_HA = 0x81;
inline constexpr uint8_t SS_NO_DEVICE = 0x82;
inline constexpr uint8_t SS_INVALID_SRB = 0xE0;
// The system does not let this process send the command, for instance a drive it may open for
// reading only; the drive never saw it. Distinct from SS_ERR, which carries the drive's answer.
inline constexpr uint8_t SS_SECURITY_VIOLATION = 0xE2;
inline constexpr uint8_t SS_BUFFER_TO_BIG = 0xE6;
inline constexpr uint8_t SS_NO_ADAPTERS = 0xE8;
inline constexpr uint8_t SS_INSUFFICIENT_RESOURCES = 0xE9;
inline constexpr uint8_t SS_ASPI_IS_SHUTDOWN = 0xEA;

// Host adapter status (SRB_HaStat).
inline constexpr uint8_t HASTAT_OK = 0x00;
inline constexpr uint8_t HASTAT_COMMAND_TIMEOUT = 0x0B;
inline constexpr uint8_t HASTAT_SEL_TO = 0x11;
inline constexpr uint8_t HASTAT_DO_DU = 0x12;  // data overrun or underrun

// Field offsets shared by every record.
inline constexpr size_t kSrbCmd = 0;
inline constexpr size_t kSrbStatus = 1;
inline constexpr size_t kSrbHaId = 2;
inline constexpr size_t kSrbFlags = 3;
inline constexpr size_t kSrbHdrRsvd = 4;

// SRB_HAInquiry.
inline constexpr size_t kHaCount = 8;
inline constexpr size_t kHaScsiId = 9;
inline constexpr size_t kHaManagerId = 10;
inline constexpr size_t kHaIdentifier = 26;
inline constexpr size_t kHaUnique = 42;
inline constexpr size_t kHaTextLength = 16;
inline constexpr size_t kHaUniqueLength = 16;

// SRB_GDEVBlock.
inline constexpr size_t kGdevTarget = 8;
inline constexpr size_t kGdevLun = 9;
inline constexpr size_t kGdevDeviceType = 10;

// SRB_ExecSCSICmd.
inline constexpr size_t kExecTarget = 8;
inline constexpr size_t kExecLun = 9;
inline constexpr size_t kExecBufLen = 12;
inline constexpr size_t kExecBufPointer = 16;
inline constexpr size_t kExecSenseLen = 20;
inline constexpr size_t kExecCdbLen = 21;
inline constexpr size_t kExecHaStat = 22;
inline constexpr size_t kExecTargStat = 23;
inline constexpr size_t kExecPostProc = 24;
inline constexpr size_t kExecCdb = 48;
inline constexpr size_t kExecSenseArea = 64;
inline constexpr size_t kMaxCdbLength = 16;

// SRB_Abort: the address of the execute record to abort.
inline constexpr size_t kAbortToAbort = 8;

// SRB_BusDeviceReset: target and LUN as in SRB_ExecSCSICmd, and the same status and post fields.
inline constexpr size_t kResetTarget = 8;
inline constexpr size_t kResetLun = 9;

// SRB_GetDiskInfo.
inline constexpr size_t kDiskTarget = 8;
inline constexpr size_t kDiskLun = 9;
inline constexpr size_t kDiskDriveFlags = 10;
inline constexpr size_t kDiskInt13Info = 11;
inline constexpr size_t kDiskHeads = 12;
inline constexpr size_t kDiskSectors = 13;
inline constexpr size_t kDiskInfoSize = 24;
inline constexpr uint8_t DISK_NOT_INT13 = 0x00;

// SRB_GetSetTimeouts: SRB_DIR_IN reads a target's timeout, SRB_DIR_OUT sets it; in half seconds.
inline constexpr size_t kTimeoutsTarget = 8;
inline constexpr size_t kTimeoutsLun = 9;
inline constexpr size_t kTimeoutsValue = 10;

// ASPI32BUFF, the block GetASPI32Buffer and FreeASPI32Buffer work on.
inline constexpr size_t kBuffPointer = 0;
inline constexpr size_t kBuffLength = 4;
inline constexpr size_t kBuffZeroFill = 8;
inline constexpr uint32_t kMaxAspiBuffer = 512 * 1024;

// The size callers allocate for every record (the execute record with a 16-byte sense area).
inline constexpr size_t kRecordSize = 80;

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
