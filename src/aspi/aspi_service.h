// ASPI for Win32 as callers see it: devices found on first use and again at every rescan, requests
// answered at once in the caller's thread, and each device's execute and reset requests run in order
// by that device's own worker thread, so that a slow drive holds up no other.
//
// Every execute and reset request is notified, whether it ends on its device, is refused at once,
// finds its queue full or is aborted while it waits; only a request dropped because the service
// stops is not (its caller may have freed the record with the library).
//
// Threads: a worker holds a reference to the module whose code it runs and ends with
// FreeLibraryAndExitThread, so the library stays mapped while one exists. A worker that has had
// nothing to do for kIdleMilliseconds closes its device and ends; the next request opens the device
// again (and checks that the same drive answers) with a new worker. Nothing in the service waits for
// a worker or ends one: Stop only tells them and returns, which is safe under the loader lock.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>

#include "aspi/aspi_layer.h"
#include "aspi/device_io.h"

namespace qs::aspi {

// Requests one device may have waiting; beyond that SS_ASPI_IS_BUSY.
inline constexpr size_t kQueueDepth = 64;
// A device with nothing to do for this long is closed (a handle left open on a USB drive keeps the
// system from removing it safely); a program reading steadily keeps it open.
inline constexpr DWORD kIdleMilliseconds = 1000;
// While no drive is found, GetASPI32SupportInfo looks again at most this often.
inline constexpr ULONGLONG kRediscoverMilliseconds = 1000;

// An exclusive hold of a slim lock for the lifetime of the object.
class SrwLockScope {
 public:
  explicit SrwLockScope(SRWLOCK& lock) noexcept : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
  SrwLockScope(const SrwLockScope&) = delete;
  SrwLockScope& operator=(const SrwLockScope&) = delete;
  ~SrwLockScope() { ::ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK& lock_;
};

// SRB_BufPointer and SRB_BufLen as memory of this process. A buffer longer than the memory behind
// it, or one a data-in command could not write, gives nothing, so that the request ends in an error
// status.
std::span<uint8_t> CallerBuffer(uint32_t pointer, uint32_t length, DataDirection direction);

// The end of a request answered in the caller's thread, before SendASPI32Command returns: publishes
// its final status, then calls the post routine or signals the event the record names. `flags` and
// `post` were read before: once the status is out, the record is the caller's again.
void Answer(uint8_t* record, uint8_t status, uint8_t flags, uint32_t post);

// Answers a request at once in the caller's thread with a final status: execute and reset requests
// through Answer (so that they are notified), any other by its status byte. Returns the status.
uint8_t AnswerAtOnce(uint8_t* record, uint8_t status);

class AspiService {
 public:
  explicit AspiService(std::unique_ptr<DeviceIo> io);
  AspiService(const AspiService&) = delete;
  AspiService& operator=(const AspiService&) = delete;
  ~AspiService() { Stop(); }

  uint32_t SupportInfo();
  uint32_t Send(void* record);
  // From here on every request answers SS_ASPI_IS_SHUTDOWN. Requests still waiting are dropped
  // unanswered; a command under way is cancelled, and its status is never published nor notified.
  // The workers end on their own: this waits for nothing.
  void Stop();

 private:
  struct Core;
  std::shared_ptr<Core> core_;
};

}  // namespace qs::aspi
