#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "speed/speed_command.h"

namespace qs::aspi {
namespace {

// A simulated ASPI layer: adapters, devices by (adapter, target), execute requests that complete
// after a number of event pumps, or never.
class FakeLayer final : public AspiPort {
 public:
  bool present = true;
  uint32_t support = 0x0102;
  std::set<int> failing_adapters;
  std::map<std::pair<int, int>, uint8_t> devices;  // (ha, target) -> peripheral type
  int pumps_to_complete = 0;                       // 0: complete inside Send
  std::set<std::pair<int, int>> never;
  std::function<void(int pump)> on_pump;  // events dispatched while a drive works

  struct Sent {
    uint8_t cmd;
    int ha, target;
    Record copy;
  };
  std::vector<Sent> sent;
  std::vector<std::string> executes;  // "ha:target=speed"
  std::vector<Record*> abandoned;
  uint64_t now = 0;
  int pumps = 0;

  bool Present() override { return present; }
  uint32_t SupportInfo() override { return support; }
  void Send(Record& r) override {
    auto& b = r.bytes;
    sent.push_back({b[0], b[2], b[8], r});
    switch (b[0]) {
      case kHaInquiry:
        b[1] = failing_adapters.count(b[2]) ? 0x81 : kCompleted;
        break;
      case kGetDeviceType: {
        auto it = devices.find({b[2], b[8]});
        b[1] = it == devices.end() ? 0x82 : kCompleted;
        if (it != devices.end()) b[10] = it->second;
        break;
      }
      case kExecScsiCommand:
        executes.push_back(std::to_string(b[2]) + ":" + std::to_string(b[8]) + "=" + std::to_string(b[50]));
        if (never.count({b[2], b[8]})) break;
        if (pumps_to_complete == 0)
          b[1] = kCompleted;
        else
          pending.push_back({&r, pumps_to_complete});
        break;
    }
  }
  void PumpEvents() override {
    ++pumps;
    now += 1;
    for (auto& p : pending) {
      if (p.second > 0 && --p.second == 0) p.first->bytes[1] = kCompleted;
    }
    if (on_pump) on_pump(pumps);
  }
  uint64_t NowMs() override { return now; }
  void Abandon(Record* r) override { abandoned.push_back(r); }

  ~FakeLayer() override {
    for (auto* r : abandoned) delete r;
  }

  std::vector<std::pair<Record*, int>> pending;
};

TEST(SpeedScan, ReachesExactlyTheCdRomDevicesInAdapterThenTargetOrder) {
  FakeLayer layer;
  layer.devices = {{{0, 0}, 0}, {{0, 1}, 5}, {{1, 0}, 5}, {{1, 3}, 1}};
  SpeedCommand command(layer);
  command.SetCDROMSpeed(52);
  EXPECT_EQ(layer.executes, (std::vector<std::string>{"0:1=52", "1:0=52"}));

  // One inquiry per adapter, then targets 0..7 in order, the execute in between.
  std::vector<std::pair<int, int>> probes;
  for (const auto& s : layer.sent) {
    if (s.cmd == kGetDeviceType) probes.push_back({s.ha, s.target});
  }
  ASSERT_EQ(probes.size(), 16u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(probes[i], std::make_pair(i / 8, i % 8));
  EXPECT_EQ(layer.sent[0].cmd, kHaInquiry);
  EXPECT_EQ(layer.sent[0].ha, 0);
  EXPECT_EQ(layer.sent[3].cmd, kExecScsiCommand)
      << "the CD-ROM on target 1 is served before target 2 is examined";
}

TEST(SpeedScan, FailedInquirySkipsTheAdapterAndOnlyReportedAdaptersAreAsked) {
  FakeLayer layer;
  layer.support = 0x0103;
  layer.failing_adapters = {1};
  layer.devices = {{{0, 2}, 5}, {{1, 0}, 5}, {{2, 7}, 5}, {{3, 0}, 5}};
  SpeedCommand command(layer);
  command.SetCDROMSpeed(4);
  EXPECT_EQ(layer.executes, (std::vector<std::string>{"0:2=4", "2:7=4"}));
  int inquiries = 0;
  for (const auto& s : layer.sent) {
    if (s.cmd == kHaInquiry) ++inquiries;
    EXPECT_NE(s.ha, 3);
    if (s.cmd == kGetDeviceType) {
      EXPECT_NE(s.ha, 1);
    }
  }
  EXPECT_EQ(inquiries, 3);
}

TEST(SpeedScan, NothingIsSentWithoutTheLayerOrWithAFailedSupportStatus) {
  for (auto setup : {+[](FakeLayer& l) { l.present = false; }, +[](FakeLayer& l) { l.support = 0xE800; },
                     +[](FakeLayer& l) { l.support = 0x0200; }}) {
    FakeLayer layer;
    layer.devices = {{{0, 0}, 5}};
    setup(layer);
    SpeedCommand command(layer);
    command.SetCDROMSpeed(52);
    EXPECT_TRUE(layer.sent.empty());
  }
}

TEST(SpeedScan, SixteenAdaptersAreAllScanned) {
  FakeLayer layer;
  layer.support = 0x0110;
  layer.devices = {{{15, 7}, 5}};
  SpeedCommand command(layer);
  command.SetCDROMSpeed(28);
  EXPECT_EQ(layer.executes, (std::vector<std::string>{"15:7=28"}));
}

TEST(CompletionWait, PumpsEventsUntilTheLayerCompletesAndNotWhenAlreadyDone) {
  FakeLayer layer;
  layer.devices = {{{0, 0}, 5}};
  SpeedCommand command(layer);
  command.SetCDROMSpeed(52);
  EXPECT_EQ(layer.pumps, 0) << "a request already complete on return needs no waiting pass";

  layer.pumps_to_complete = 5;
  command.SetCDROMSpeed(52);
  EXPECT_EQ(layer.pumps, 5);
  EXPECT_FALSE(command.Busy());
}

TEST(Reentrancy, TicksAndClicksDuringAWaitStartNoNewApplication) {
  FakeLayer layer;
  layer.devices = {{{0, 0}, 5}, {{0, 1}, 5}};
  layer.pumps_to_complete = 3;
  SpeedCommand command(layer);
  std::vector<bool> nested;
  layer.on_pump = [&](int) { nested.push_back(command.SetCDROMSpeed(6)); };
  EXPECT_TRUE(command.SetCDROMSpeed(40));
  EXPECT_EQ(nested, std::vector<bool>(6, false));
  EXPECT_EQ(layer.executes, (std::vector<std::string>{"0:0=40", "0:1=40"}));
  layer.on_pump = nullptr;
  EXPECT_TRUE(command.SetCDROMSpeed(6)) << "once the wait is over the next tick applies";
}

TEST(Reentrancy, ExitInsideAWaitRunsAndTheInterruptedApplicationStops) {
  FakeLayer layer;
  layer.devices = {{{0, 0}, 5}, {{0, 1}, 5}, {{0, 2}, 5}};
  layer.pumps_to_complete = 2;
  SpeedCommand command(layer);
  layer.on_pump = [&](int pump) {
    if (pump == 1) command.SetCDROMSpeedAtExit(52);
  };
  command.SetCDROMSpeed(4);
  // The tick's request to 0:0 was pending when the exit came; the exit served all three drives,
  // and the interrupted application did not go on to slow 0:1 and 0:2 again.
  EXPECT_EQ(layer.executes, (std::vector<std::string>{"0:0=4", "0:0=52", "0:1=52", "0:2=52"}));
  EXPECT_FALSE(command.SetCDROMSpeed(4)) << "nothing starts after the exit";
}

TEST(Reentrancy, AtExitADriveThatNeverAnswersIsGivenUpAfterFiveSecondsAndItsRecordKept) {
  FakeLayer layer;
  layer.devices = {{{0, 0}, 5}, {{0, 1}, 5}};
  layer.never = {{0, 0}};
  SpeedCommand command(layer);
  command.SetCDROMSpeedAtExit(52);
  EXPECT_GE(layer.now, SpeedCommand::kExitWaitMs);
  EXPECT_LE(layer.now, SpeedCommand::kExitWaitMs + 1);
  ASSERT_EQ(layer.abandoned.size(), 1u);
  EXPECT_EQ(layer.abandoned[0]->bytes[2], 0);
  EXPECT_EQ(layer.abandoned[0]->bytes[8], 0) << "the silent drive's record outlives the wait";
  EXPECT_EQ(layer.executes, (std::vector<std::string>{"0:0=52", "0:1=52"}));
}

TEST(Reentrancy, ASilentDriveDuringATickIsGivenUpOnceTheProgramExits) {
  FakeLayer layer;
  layer.devices = {{{0, 0}, 5}};
  layer.never = {{0, 0}};
  SpeedCommand command(layer);
  layer.on_pump = [&](int pump) {
    if (pump == 100) command.SetCDROMSpeedAtExit(52);
  };
  command.SetCDROMSpeed(10);
  // The exit's own request is given up at the deadline, then the interrupted wait as well.
  EXPECT_EQ(layer.abandoned.size(), 2u);
  EXPECT_LE(layer.now, 100 + SpeedCommand::kExitWaitMs + 2);
  EXPECT_FALSE(command.Busy());
}

TEST(SpeedByte, TwiceTheLevelPlusFour) {
  EXPECT_EQ(SpeedByteForLevel(0), 4);
  EXPECT_EQ(SpeedByteForLevel(1), 6);
  EXPECT_EQ(SpeedByteForLevel(24), 52);
}

}  // namespace
}  // namespace qs::aspi
