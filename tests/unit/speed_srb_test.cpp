#include <gtest/gtest.h>

#include <array>

#include "speed/srb.h"

namespace qs::aspi {
namespace {

std::array<uint8_t, kRecordSize> Zero() { return {}; }

TEST(Records, InquiryWritesOnlyCommandAdapterFlagsAndReservedHeader) {
  Record r;
  r.bytes.fill(0xAA);  // a reused record: whatever the layer wrote last time stays
  PrepareInquiry(r, 3);
  EXPECT_EQ(r.bytes[0], 0);
  EXPECT_EQ(r.bytes[2], 3);
  EXPECT_EQ(r.bytes[3], 0);
  for (int i = 4; i < 8; ++i) EXPECT_EQ(r.bytes[i], 0) << i;
  EXPECT_EQ(r.bytes[1], 0xAA) << "status is the layer's";
  for (std::size_t i = 8; i < kRecordSize; ++i) EXPECT_EQ(r.bytes[i], 0xAA) << i;
}

TEST(Records, DeviceTypeWritesTargetAndLunZero) {
  Record r;
  r.bytes.fill(0x55);
  PrepareDeviceType(r, 1, 7);
  auto expected = Zero();
  expected.fill(0x55);
  expected[0] = 1;
  expected[2] = 1;
  expected[3] = 0;
  expected[4] = expected[5] = expected[6] = expected[7] = 0;
  expected[8] = 7;
  expected[9] = 0;
  EXPECT_EQ(r.bytes, expected);
}

TEST(Records, SetCdSpeedIsTheWholeEightyByteRecord) {
  Record r;
  r.bytes.fill(0xEE);  // must be zeroed afresh
  PrepareSetCdSpeed(r, 1, 0, 52);
  auto expected = Zero();
  expected[0] = 2;    // SC_EXEC_SCSI_CMD
  expected[2] = 1;    // adapter
  expected[3] = 8;    // SRB_DIR_IN, no posting, no event
  expected[8] = 0;    // target
  expected[20] = 14;  // sense length
  expected[21] = 12;  // SET CD SPEED is a 12-byte command
  expected[48] = 0xBB;
  expected[50] = expected[51] = expected[52] = expected[53] = 52;
  EXPECT_EQ(r.bytes, expected);
}

TEST(SupportWord, StatusIsBitsEightToFifteenAndCountTheWholeLowByte) {
  EXPECT_EQ(HostAdapterCount(0x0102), 2);
  EXPECT_EQ(HostAdapterCount(0x0110), 16);
  EXPECT_EQ(HostAdapterCount(0x017F), 127);
  EXPECT_EQ(HostAdapterCount(0x0180), 128);
  EXPECT_EQ(HostAdapterCount(0xE800), 0);
  EXPECT_EQ(HostAdapterCount(0x0000), 0);
  EXPECT_EQ(HostAdapterCount(0x0201), 0);
  EXPECT_EQ(HostAdapterCount(0x0100), 0);
}

}  // namespace
}  // namespace qs::aspi
