// ASPI for Win32 as callers see it: devices found on first use, immediate requests answered in the
// caller's thread, execute requests run one after another by a worker thread that publishes the
// status last and then calls the post routine or signals the event the record names.
#pragma once
#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>

#include "aspi/device_io.h"
#include "aspi/device_table.h"

namespace qs::aspi {

class AspiService {
 public:
  // The worker ends after idle_ms without work and starts again with the next request.
  explicit AspiService(std::unique_ptr<DeviceIo> io, DWORD idle_ms = 5000);
  AspiService(const AspiService&) = delete;
  AspiService& operator=(const AspiService&) = delete;
  // Waits for a running worker to end; never call while the loader lock is held and a worker runs.
  ~AspiService();

  uint32_t SupportInfo();
  uint32_t Send(void* record);

 private:
  const DeviceTable& Table();
  void Enqueue(uint8_t* record);
  void RunWorker();
  void Execute(uint8_t* record);
  static DWORD WINAPI WorkerMain(void* self);
  static BOOL CALLBACK DiscoverOnce(INIT_ONCE*, void* self, void**);

  std::unique_ptr<DeviceIo> io_;
  const DWORD idle_ms_;
  INIT_ONCE discovered_ = INIT_ONCE_STATIC_INIT;
  DeviceTable table_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE work_ = CONDITION_VARIABLE_INIT;
  CONDITION_VARIABLE worker_ended_ = CONDITION_VARIABLE_INIT;
  std::deque<uint8_t*> queue_;
  bool worker_running_ = false;
  bool stopping_ = false;
};

}  // namespace qs::aspi
