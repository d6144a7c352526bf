// ASPI for Win32 as the interface publishes it: request records (packed little-endian blocks with
// 32-bit addresses), their request codes, flags and status codes, and the support word. The one
// statement of that vocabulary for QuietSpin, our layer, the shim, ASPICHK and the simulated layer,
// which all take their codes and field offsets from here; the assertions below hold the layout to
// the published offsets, so that sharing cannot hide a wrong one.
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

// Request flags (SRB_Flags). Both direction bits clear: the command decides which way data goes.
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
inline constexpr uint8_t SS_ASPI_IS_BUSY = 0xE5;
inline constexpr uint8_t SS_BUFFER_TO_BIG = 0xE6;
inline constexpr uint8_t SS_NO_ADAPTERS = 0xE8;
inline constexpr uint8_t SS_INSUFFICIENT_RESOURCES = 0xE9;
inline constexpr uint8_t SS_ASPI_IS_SHUTDOWN = 0xEA;

// Host adapter status (SRB_HaStat).
inline constexpr uint8_t HASTAT_OK = 0x00;
inline constexpr uint8_t HASTAT_COMMAND_TIMEOUT = 0x0B;
inline constexpr uint8_t HASTAT_SEL_TO = 0x11;
inline constexpr uint8_t HASTAT_DO_DU = 0x12;  // data overrun or underrun

// SRB_DeviceType (peripheral device type) of a CD/DVD drive.
inline constexpr uint8_t kDeviceTypeCdRom = 5;

// GetASPI32SupportInfo: bits 8-15 the status, bits 0-7 the host adapter count, which counts only
// when the status is SS_COMP.
constexpr uint32_t MakeSupportWord(uint8_t status, uint8_t adapters) {
  return uint32_t{status} << 8 | adapters;
}
constexpr uint8_t SupportStatus(uint32_t support_word) { return static_cast<uint8_t>(support_word >> 8); }
constexpr uint8_t SupportAdapterCount(uint32_t support_word) {
  return SupportStatus(support_word) == SS_COMP ? static_cast<uint8_t>(support_word) : 0;
}

namespace records {

#pragma pack(push, 1)
struct SRB_Header {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
};

struct SRB_HAInquiry {
  SRB_Header header;
  uint8_t HA_Count;
  uint8_t HA_SCSI_ID;
  char HA_ManagerId[16];
  char HA_Identifier[16];
  uint8_t HA_Unique[16];
  uint16_t HA_Rsvd1;
};

struct SRB_GDEVBlock {
  SRB_Header header;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_DeviceType;
  uint8_t SRB_Rsvd1;
};

// Addresses are 32-bit values: the interface is that of 32-bit programs.
struct SRB_ExecSCSICmd {
  SRB_Header header;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint16_t SRB_Rsvd1;
  uint32_t SRB_BufLen;
  uint32_t SRB_BufPointer;
  uint8_t SRB_SenseLen;
  uint8_t SRB_CDBLen;
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  uint32_t SRB_PostProc;
  uint32_t SRB_Rsvd2;
  uint8_t SRB_Rsvd3[16];
  uint8_t CDBByte[16];
  uint8_t SenseArea[16];  // SENSE_LEN (14) + 2; a caller may give more with SRB_SenseLen
};

struct SRB_Abort {
  SRB_Header header;
  uint32_t SRB_ToAbort;
};

struct SRB_BusDeviceReset {
  SRB_Header header;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_Rsvd1[12];
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  uint32_t SRB_PostProc;
  uint32_t SRB_Rsvd2;
  uint8_t SRB_Rsvd3[16];
};

struct SRB_GetDiskInfo {
  SRB_Header header;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_DriveFlags;
  uint8_t SRB_Int13HDriveInfo;
  uint8_t SRB_Heads;
  uint8_t SRB_Sectors;
  uint8_t SRB_Rsvd1[10];
};

struct SRB_GetSetTimeouts {
  SRB_Header header;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint32_t SRB_Timeout;  // half seconds
};

struct ASPI32BUFF {
  uint32_t AB_BufPointer;
  uint32_t AB_BufLen;
  uint32_t AB_ZeroFill;
  uint32_t AB_Reserved;
};
#pragma pack(pop)

// The published layout.
static_assert(sizeof(SRB_Header) == 8 && offsetof(SRB_Header, SRB_Hdr_Rsvd) == 4);
static_assert(offsetof(SRB_HAInquiry, HA_Count) == 0x08 && offsetof(SRB_HAInquiry, HA_SCSI_ID) == 0x09 &&
              offsetof(SRB_HAInquiry, HA_ManagerId) == 0x0A && offsetof(SRB_HAInquiry, HA_Identifier) == 0x1A &&
              offsetof(SRB_HAInquiry, HA_Unique) == 0x2A && sizeof(SRB_HAInquiry) == 0x3C);
static_assert(offsetof(SRB_GDEVBlock, SRB_Target) == 0x08 && offsetof(SRB_GDEVBlock, SRB_Lun) == 0x09 &&
              offsetof(SRB_GDEVBlock, SRB_DeviceType) == 0x0A && sizeof(SRB_GDEVBlock) == 0x0C);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Target) == 0x08 && offsetof(SRB_ExecSCSICmd, SRB_Lun) == 0x09 &&
              offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 0x0C && offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 0x10 &&
              offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 0x14 && offsetof(SRB_ExecSCSICmd, SRB_CDBLen) == 0x15 &&
              offsetof(SRB_ExecSCSICmd, SRB_HaStat) == 0x16 && offsetof(SRB_ExecSCSICmd, SRB_TargStat) == 0x17 &&
              offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 0x18 && offsetof(SRB_ExecSCSICmd, CDBByte) == 0x30 &&
              offsetof(SRB_ExecSCSICmd, SenseArea) == 0x40 && sizeof(SRB_ExecSCSICmd) == 0x50);
static_assert(offsetof(SRB_Abort, SRB_ToAbort) == 0x08 && sizeof(SRB_Abort) == 0x0C);
static_assert(offsetof(SRB_BusDeviceReset, SRB_HaStat) == 0x16 && offsetof(SRB_BusDeviceReset, SRB_TargStat) == 0x17 &&
              offsetof(SRB_BusDeviceReset, SRB_PostProc) == 0x18);
static_assert(offsetof(SRB_GetDiskInfo, SRB_DriveFlags) == 0x0A && offsetof(SRB_GetDiskInfo, SRB_Int13HDriveInfo) == 0x0B &&
              offsetof(SRB_GetDiskInfo, SRB_Heads) == 0x0C && offsetof(SRB_GetDiskInfo, SRB_Sectors) == 0x0D &&
              sizeof(SRB_GetDiskInfo) == 0x18);
static_assert(offsetof(SRB_GetSetTimeouts, SRB_Timeout) == 0x0A && sizeof(SRB_GetSetTimeouts) == 0x0E);
static_assert(offsetof(ASPI32BUFF, AB_BufLen) == 4 && offsetof(ASPI32BUFF, AB_ZeroFill) == 8 && sizeof(ASPI32BUFF) == 16);

}  // namespace records

// The size callers allocate for every record (the execute record with a 16-byte sense area).
inline constexpr size_t kRecordSize = sizeof(records::SRB_ExecSCSICmd);

}  // namespace qs::aspi
