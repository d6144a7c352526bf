// ASPI for Win32 request records as the interface publishes them: packed little-endian blocks with
// 32-bit addresses. The one statement of their layout for QuietSpin, our layer and the simulated
// layer, which all take their field offsets from here; the assertions below hold it to the
// published offsets, so that sharing cannot hide a wrong one.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qs::aspi {

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
