// The device seam over the system's SCSI pass-through: CD/DVD class devices and drive letters are
// opened with CreateFileW and commands go down as IOCTL_SCSI_PASS_THROUGH_DIRECT.
#pragma once
#include <windows.h>
// Lean Windows headers leave out the device I/O codes that the pass-through header builds on.
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>
#include <memory>

#include "aspi/device_io.h"

namespace qs::aspi {

// One IOCTL buffer: the request block followed by room for the largest sense the block can ask for.
struct SptdWithSense {
  SCSI_PASS_THROUGH_DIRECT sptd;
  alignas(8) UCHAR sense[255];
};
inline constexpr ULONG kSenseOffset = offsetof(SptdWithSense, sense);

// Fills the pass-through block for one command. data_buffer is the memory the device reads from or
// writes to (already aligned by the caller), null when there is no data phase.
void FillPassThroughDirect(const PassThroughRequest& request, void* data_buffer, SptdWithSense& out);

// Maps a failed DeviceIoControl or CreateFileW to what it means for the command. On a handle opened
// without write access, a command the system will not pass on is one it does not allow.
IoOutcome OutcomeOfError(DWORD error, bool write_access = true);

std::unique_ptr<DeviceIo> MakeSptiDeviceIo();

}  // namespace qs::aspi
