#include "aspi/command_direction.h"

#include <algorithm>
#include <iterator>

namespace qs::aspi {
namespace {

// Device to host: the command returns data.
constexpr uint8_t kDataIn[] = {
    0x03,  // REQUEST SENSE
    0x08,  // READ(6)
    0x12,  // INQUIRY
    0x1A,  // MODE SENSE(6)
    0x1C,  // RECEIVE DIAGNOSTIC RESULTS
    0x23,  // READ FORMAT CAPACITIES
    0x25,  // READ CAPACITY
    0x28,  // READ(10)
    0x3C,  // READ BUFFER
    0x42,  // READ SUB-CHANNEL
    0x43,  // READ TOC/PMA/ATIP
    0x44,  // READ HEADER
    0x46,  // GET CONFIGURATION
    0x4A,  // GET EVENT STATUS NOTIFICATION
    0x4D,  // LOG SENSE
    0x51,  // READ DISC INFORMATION
    0x52,  // READ TRACK INFORMATION
    0x5A,  // MODE SENSE(10)
    0x5C,  // READ BUFFER CAPACITY
    0x88,  // READ(16)
    0x9E,  // SERVICE ACTION IN(16), READ CAPACITY(16) among them
    0xA0,  // REPORT LUNS
    0xA4,  // REPORT KEY
    0xA8,  // READ(12)
    0xAC,  // GET PERFORMANCE
    0xAD,  // READ DISC STRUCTURE
    0xB4,  // READ CD MSF (legacy code)
    0xB9,  // READ CD MSF
    0xBD,  // MECHANISM STATUS
    0xBE,  // READ CD
    0xD4,  // READ CD-DA MSF (legacy code)
    0xD8,  // READ CD-DA (vendor code that audio extraction programs send)
    0xD9,  // READ CD-DA MSF (vendor code)
};

// Host to device: the command carries a parameter list or data to write.
constexpr uint8_t kDataOut[] = {
    0x04,  // FORMAT UNIT
    0x0A,  // WRITE(6)
    0x15,  // MODE SELECT(6)
    0x1D,  // SEND DIAGNOSTIC
    0x2A,  // WRITE(10)
    0x2E,  // WRITE AND VERIFY(10)
    0x3B,  // WRITE BUFFER
    0x4C,  // LOG SELECT
    0x54,  // SEND OPC INFORMATION
    0x55,  // MODE SELECT(10)
    0x5D,  // SEND CUE SHEET
    0x5F,  // PERSISTENT RESERVE OUT
    0xA2,  // SEND EVENT
    0xA3,  // SEND KEY
    0xAA,  // WRITE(12)
    0xB6,  // SET STREAMING
    0xBF,  // SEND DISC STRUCTURE
    0x8A,  // WRITE(16)
};

// No data phase at all. VERIFY is in none of the lists: whether it sends data depends on a bit of
// its command block, not on the code.
constexpr uint8_t kNoData[] = {
    0x00,  // TEST UNIT READY
    0x01,  // REZERO UNIT
    0x0B,  // SEEK(6)
    0x1B,  // START STOP UNIT
    0x1E,  // PREVENT ALLOW MEDIUM REMOVAL
    0x2B,  // SEEK(10)
    0x35,  // SYNCHRONIZE CACHE
    0x45,  // PLAY AUDIO(10)
    0x47,  // PLAY AUDIO MSF
    0x4B,  // PAUSE/RESUME
    0x4E,  // STOP PLAY/SCAN
    0x53,  // RESERVE TRACK
    0x5B,  // CLOSE TRACK/SESSION
    0xA1,  // BLANK
    0xA5,  // PLAY AUDIO(12)
    0xA6,  // LOAD/UNLOAD MEDIUM
    0xA7,  // SET READ AHEAD
    0xBA,  // SCAN
    0xBB,  // SET CD SPEED
};

template <size_t N>
bool In(const uint8_t (&codes)[N], uint8_t code) {
  return std::find(std::begin(codes), std::end(codes), code) != std::end(codes);
}

}  // namespace

std::optional<DataDirection> DirectionOfOperation(uint8_t operation_code) {
  if (In(kDataIn, operation_code)) return DataDirection::kIn;
  if (In(kDataOut, operation_code)) return DataDirection::kOut;
  if (In(kNoData, operation_code)) return DataDirection::kNone;
  return std::nullopt;
}

}  // namespace qs::aspi
