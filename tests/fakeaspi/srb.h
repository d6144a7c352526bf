// ASPI for Win32 request records (SCSI request blocks): 80-byte little-endian blocks. Offsets and
// codes from the published ASPI interface, shared by the test layer and the tests that drive it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qs::srb {

inline constexpr size_t kSize = 80;

// Common header.
inline constexpr size_t kCmd = 0;
inline constexpr size_t kStatus = 1;
inline constexpr size_t kHaId = 2;
inline constexpr size_t kFlags = 3;

// SC_HA_INQUIRY.
inline constexpr size_t kHaCount = 8;
inline constexpr size_t kHaScsiId = 9;
inline constexpr size_t kHaManagerId = 10;   // 16 characters
inline constexpr size_t kHaIdentifier = 26;  // 16 characters
inline constexpr size_t kHaUnique = 42;      // 16 bytes

// SC_GET_DEV_TYPE and SC_EXEC_SCSI_CMD.
inline constexpr size_t kTarget = 8;
inline constexpr size_t kLun = 9;
inline constexpr size_t kDeviceType = 10;

// SC_EXEC_SCSI_CMD.
inline constexpr size_t kSenseLen = 20;
inline constexpr size_t kCdbLen = 21;
inline constexpr size_t kHaStat = 22;
inline constexpr size_t kTargStat = 23;
inline constexpr size_t kCdb = 48;
inline constexpr size_t kSenseArea = 64;  // 16 bytes, to the end of the record

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
