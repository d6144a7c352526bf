// ASPI for Win32 as callers see it: devices found on first use and again at every rescan, requests
// answered at once in the caller's thread, and each device's execute and reset requests run in order
// by that device's own worker thread, so that a slow drive holds up no other. A worker publishes the
// status last and then calls the post routine or signals the event the record names.
//
// Caller memory: once an abort has returned, or the service has stopped (the library unloaded), no
// record and no event of a caller is touched again.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>

#include "aspi/aspi_layer.h"
#include "aspi/device_io.h"
#include "aspi/device_table.h"

namespace qs::aspi {

// Requests one device may have waiting; beyond that SS_INSUFFICIENT_RESOURCES.
inline constexpr size_t kQueueDepth = 64;

// SRB_BufPointer and SRB_BufLen as memory of this process. A buffer longer than the memory behind
// it, or one a data-in command could not write, gives nothing, so that the request ends in an error
// status.
std::span<uint8_t> CallerBuffer(uint32_t pointer, uint32_t length, DataDirection direction);

// The end of a request: publishes its final status, then calls the post routine or signals the
// event the record names. `flags` and `post` were read before: once the status is out, the record
// is the caller's again.
void Answer(uint8_t* record, uint8_t status, uint8_t flags, uint32_t post);

class AspiService {
 public:
  explicit AspiService(std::unique_ptr<DeviceIo> io);
  AspiService(const AspiService&) = delete;
  AspiService& operator=(const AspiService&) = delete;
  ~AspiService() { Stop(false); }

  uint32_t SupportInfo();
  uint32_t Send(void* record);
  // Ends every worker; requests still waiting are dropped unanswered and a command under way is
  // cancelled where the system allows, else waited for, and its result dropped. With the loader
  // lock held (the library being unloaded), a worker that has not started yet cannot start: it is
  // ended without waiting for it.
  void Stop(bool loader_lock_held);

 private:
  struct Entry {
    uint8_t* record = nullptr;
    uint32_t timeout_seconds = 0;
    std::shared_ptr<DeviceTable> table;  // the table the request was accepted against
  };
  // One device's queue and worker.
  struct Line {
    AspiService* service = nullptr;
    std::array<Entry, kQueueDepth> queue;
    size_t head = 0;
    size_t count = 0;
    uint8_t* running = nullptr;
    bool started = false;
    HANDLE thread = nullptr;
    HANDLE parked = nullptr;  // set by the worker once it will run no more of this library's code
    CONDITION_VARIABLE work = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE finished = CONDITION_VARIABLE_INIT;  // `running` has been cleared
  };

  void EnsureDiscovered();
  uint8_t Enqueue(uint8_t* record, const DeviceAddress& address, uint32_t timeout_seconds);
  uint8_t Abort(const uint8_t* target);
  void Rescan();
  Line* LineFor(const DeviceAddress& address);
  static DWORD WINAPI WorkerMain(void* line);
  void RunWorker(Line& line);

  std::unique_ptr<DeviceIo> io_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::shared_ptr<DeviceTable> table_;  // null until the first request
  Timeouts timeouts_;
  std::map<DeviceAddress, std::unique_ptr<Line>> lines_;
  bool stopping_ = false;
  HANDLE never_ = nullptr;  // an event never set: parked workers wait on it
};

}  // namespace qs::aspi
