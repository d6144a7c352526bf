// ASPI for Win32 request records (SCSI request blocks) for the tests that drive the test layer: the
// field offsets of the shared layout under short names, and the codes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/aspi_records.h"

namespace qs::srb {

using aspi::records::SRB_ExecSCSICmd, aspi::records::SRB_HAInquiry, aspi::records::SRB_Header;
inline constexpr size_t kSize = aspi::kRecordSize;

// Common header.
inline constexpr size_t kCmd = offsetof(SRB_Header, SRB_Cmd);
inline constexpr size_t kStatus = offsetof(SRB_Header, SRB_Status);
inline constexpr size_t kHaId = offsetof(SRB_Header, SRB_HaId);
inline constexpr size_t kFlags = offsetof(SRB_Header, SRB_Flags);

// SC_HA_INQUIRY.
inline constexpr size_t kHaCount = offsetof(SRB_HAInquiry, HA_Count);
inline constexpr size_t kHaScsiId = offsetof(SRB_HAInquiry, HA_SCSI_ID);
inline constexpr size_t kHaManagerId = offsetof(SRB_HAInquiry, HA_ManagerId);    // 16 characters
inline constexpr size_t kHaIdentifier = offsetof(SRB_HAInquiry, HA_Identifier);  // 16 characters
inline constexpr size_t kHaUnique = offsetof(SRB_HAInquiry, HA_Unique);          // 16 bytes

// SC_GET_DEV_TYPE and SC_EXEC_SCSI_CMD (the same offsets in both).
inline constexpr size_t kTarget = offsetof(SRB_ExecSCSICmd, SRB_Target);
inline constexpr size_t kLun = offsetof(SRB_ExecSCSICmd, SRB_Lun);
inline constexpr size_t kDeviceType = offsetof(aspi::records::SRB_GDEVBlock, SRB_DeviceType);

// SC_EXEC_SCSI_CMD.
inline constexpr size_t kSenseLen = offsetof(SRB_ExecSCSICmd, SRB_SenseLen);
inline constexpr size_t kCdbLen = offsetof(SRB_ExecSCSICmd, SRB_CDBLen);
inline constexpr size_t kHaStat = offsetof(SRB_ExecSCSICmd, SRB_HaStat);
inline constexpr size_t kTargStat = offsetof(SRB_ExecSCSICmd, SRB_TargStat);
inline constexpr size_t kCdb = offsetof(SRB_ExecSCSICmd, CDBByte);
inline constexpr size_t kSenseArea = offsetof(SRB_ExecSCSICmd, SenseArea);  // 16 bytes, to the end of the record

// Request codes.
inline constexpr uint8_t kHaInquiry = 0;
inline constexpr uint8_t kGetDevType = 1;
inline constexpr uint8_t kExecScsiCmd = 2;

// Status codes.
inline constexpr uint8_t kPending = 0x00;     // SS_PENDING
inline constexpr uint8_t kComp = 0x01;        // SS_COMP
inline constexpr uint8_t kErr = 0x04;         // SS_ERR
inline constexpr uint8_t kInvalidCmd = 0x80;  // SS_INVALID_CMD
inline constexpr uint8_t kInvalidHa = 0x81;   // SS_INVALID_HA
inline constexpr uint8_t kNoDevice = 0x82;    // SS_NO_DEVICE
inline constexpr uint8_t kInvalidSrb = 0xE0;  // SS_INVALID_SRB
inline constexpr uint8_t kNoAdapters = 0xE8;  // SS_NO_ADAPTERS

}  // namespace qs::srb
