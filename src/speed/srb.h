// ASPI request records (SCSI request blocks) as QuietSpin builds them: 80-byte, zero-filled,
// little-endian blocks handed to the ASPI layer by address.
#pragma once
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace qs::aspi {

inline constexpr std::size_t kRecordSize = 80;

// The ASPI layer writes SRB_Status from its own thread, so records are aligned blocks whose
// status byte is read atomically.
struct alignas(4) Record {
  std::array<uint8_t, kRecordSize> bytes{};
  uint8_t* data() { return bytes.data(); }
  const uint8_t* data() const { return bytes.data(); }
};

enum Command : uint8_t { kHaInquiry = 0, kGetDeviceType = 1, kExecScsiCommand = 2 };
enum Status : uint8_t { kPending = 0, kCompleted = 1 };
inline constexpr uint8_t kDeviceTypeCdRom = 5;
inline constexpr uint8_t kFlagDirectionIn = 0x08;
inline constexpr uint8_t kSetCdSpeedOpcode = 0xBB;
// SET CD SPEED is a 12-byte command; the bytes after the speeds stay zero.
inline constexpr uint8_t kSetCdSpeedCdbLength = 12;
inline constexpr uint8_t kSenseLength = 14;

namespace offset {
inline constexpr std::size_t kCmd = 0, kStatus = 1, kHaId = 2, kFlags = 3, kHdrRsvd = 4;
inline constexpr std::size_t kTarget = 8, kLun = 9, kDeviceType = 10;
inline constexpr std::size_t kBufLen = 12, kBufPointer = 16, kSenseLen = 20, kCdbLen = 21;
inline constexpr std::size_t kPostProc = 24, kCdb = 48, kSenseArea = 64;
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

// Number of host adapters to scan from the support word: bits 8..15 are the status and must be
// SS_COMP (1); the count is the whole low byte. Any other status gives 0.
int HostAdapterCount(uint32_t support_word);

}  // namespace qs::aspi
