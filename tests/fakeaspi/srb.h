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

// Request codes and status codes: the shared ones under the short names these tests use.
inline constexpr uint8_t kHaInquiry = aspi::SC_HA_INQUIRY;
inline constexpr uint8_t kGetDevType = aspi::SC_GET_DEV_TYPE;
inline constexpr uint8_t kExecScsiCmd = aspi::SC_EXEC_SCSI_CMD;
inline constexpr uint8_t kPending = aspi::SS_PENDING;
inline constexpr uint8_t kComp = aspi::SS_COMP;
inline constexpr uint8_t kErr = aspi::SS_ERR;
inline constexpr uint8_t kInvalidCmd = aspi::SS_INVALID_CMD;
inline constexpr uint8_t kInvalidHa = aspi::SS_INVALID_HA;
inline constexpr uint8_t kNoDevice = aspi::SS_NO_DEVICE;
inline constexpr uint8_t kInvalidSrb = aspi::SS_INVALID_SRB;
inline constexpr uint8_t kNoAdapters = aspi::SS_NO_ADAPTERS;

}  // namespace qs::srb
