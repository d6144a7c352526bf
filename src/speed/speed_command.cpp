#include "speed/speed_command.h"

#include <memory>

namespace qs::aspi {

uint8_t SpeedByteForLevel(int16_t level) { return static_cast<uint8_t>(2 * level + 4); }

bool SpeedCommand::SetCDROMSpeed(uint8_t speed) {
  if (depth_ > 0 || Exiting()) return false;
  Apply(speed, /*at_exit=*/false);
  return true;
}

void SpeedCommand::SetCDROMSpeedAtExit(uint8_t speed) {
  if (!exit_deadline_) exit_deadline_ = port_.NowMs() + kExitWaitMs;
  Apply(speed, /*at_exit=*/true);
}

void SpeedCommand::Apply(uint8_t speed, bool at_exit) {
  if (!port_.Present()) return;
  const int adapters = HostAdapterCount(port_.SupportInfo());
  if (adapters <= 0) return;

  ++depth_;
  // Zero-filled once per application and reused; only the written fields change per request.
  Record inquiry;
  Record device;
  // An application interrupted by the exit stops where it is: the drives keep the exit's speed.
  const auto superseded = [&] { return !at_exit && Exiting(); };
  for (int a = 0; a < adapters && !superseded(); ++a) {
    const auto ha = static_cast<uint8_t>(a);
    PrepareInquiry(inquiry, ha);
    port_.Send(inquiry);
    if (StatusOf(inquiry) != kCompleted) continue;
    for (uint8_t target = 0; target < 8 && !superseded(); ++target) {
      PrepareDeviceType(device, ha, target);
      port_.Send(device);
      if (StatusOf(device) == kCompleted && device.bytes[offset::kDeviceType] == kDeviceTypeCdRom) {
        SendSetCDSpeed(ha, target, speed);
      }
    }
  }
  --depth_;
}

void SpeedCommand::SendSetCDSpeed(uint8_t adapter, uint8_t target, uint8_t speed) {
  // The layer writes the status from its own thread: the record stays at one address until it
  // completes, and outlives this call if the wait is given up.
  auto record = std::make_unique<Record>();
  PrepareSetCdSpeed(*record, adapter, target, speed);
  port_.Send(*record);
  while (StatusOf(*record) == kPending) {
    if (exit_deadline_ && port_.NowMs() >= *exit_deadline_) {
      port_.Abandon(record.release());
      return;
    }
    port_.PumpEvents();
  }
}

}  // namespace qs::aspi
