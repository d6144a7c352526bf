// SET CD SPEED to every CD-ROM device the ASPI layer reports, with the re-entrancy rules that
// keep a slow or silent drive from stacking applications or holding the program at exit.
#pragma once
#include <cstdint>
#include <optional>

#include "speed/srb.h"

namespace qs::aspi {

// What the speed command needs from the platform: the ASPI layer behind the shim, a way to let
// the user interface run while a drive works, and a clock.
class AspiPort {
 public:
  virtual ~AspiPort() = default;
  virtual bool Present() = 0;             // the ASPI layer is installed
  virtual uint32_t SupportInfo() = 0;     // GetASPI32SupportInfoEx
  virtual void Send(Record& record) = 0;  // SendASPI32CommandEx; its result is not used
  virtual void PumpEvents() = 0;          // one pass of pending events, then sleep <= 1 ms
  virtual uint64_t NowMs() = 0;
  // A record whose wait was given up: the layer may still write to it, so it must live on.
  virtual void Abandon(Record* record) = 0;
  // Called when no application is running any more.
  virtual void Settled() {}
};

// The speed byte for a level: 2 x level + 4 (levels 0..24 give 4..52).
uint8_t SpeedByteForLevel(int16_t level);

class SpeedCommand {
 public:
  static constexpr uint64_t kExitWaitMs = 5000;

  explicit SpeedCommand(AspiPort& port) : port_(port) {}

  // Applies `speed` to every CD-ROM device. A call that arrives while another application waits
  // for a drive does nothing and returns false: the next timer tick applies the level then chosen.
  bool SetCDROMSpeed(uint8_t speed);
  // The application run at unload: always runs, also inside another's wait, and from now on
  // every wait (this one's and the interrupted one's) is given up kExitWaitMs after this call.
  void SetCDROMSpeedAtExit(uint8_t speed);

  bool Busy() const { return depth_ > 0; }
  bool Exiting() const { return exit_deadline_.has_value(); }

 private:
  void Apply(uint8_t speed, bool at_exit);
  void SendSetCDSpeed(uint8_t adapter, uint8_t target, uint8_t speed);

  AspiPort& port_;
  int depth_ = 0;
  std::optional<uint64_t> exit_deadline_;
};

}  // namespace qs::aspi
