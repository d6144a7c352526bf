// The test layer's configuration: what tests write into QS_FAKEASPI must mean exactly one thing,
// and a typo must be reported instead of silently changing the simulated machine.
#include "fake_config.h"

#include <gtest/gtest.h>

namespace qs::fakeaspi {
namespace {

using Rejected = std::vector<std::wstring>;

TEST(FakeConfigTest, FullConfigurationIsUnderstood) {
  const FakeConfig c = ParseFakeConfig(
      L"support=0x0102 devices=0:0:0,0:1:5,1:0:5 failinquiry=1,3 delay=3000 never=0:1 "
      L"log=Z:\\tmp\\x\\aspi.log");
  EXPECT_EQ(c.support, 0x0102u);
  EXPECT_EQ(c.devices, (std::map<DeviceId, uint8_t>{{{0, 0}, 0}, {{0, 1}, 5}, {{1, 0}, 5}}));
  EXPECT_EQ(c.fail_inquiry, (std::set<uint8_t>{1, 3}));
  EXPECT_EQ(c.delay_ms, 3000u);
  EXPECT_EQ(c.never, (std::set<DeviceId>{{0, 1}}));
  EXPECT_EQ(c.log_path, L"Z:\\tmp\\x\\aspi.log");
  EXPECT_TRUE(c.rejected.empty());
  EXPECT_EQ(c.SupportWord(), 0x0102u);  // given words win over the derived one
}

TEST(FakeConfigTest, DefaultsDescribeAMachineWithoutAdapters) {
  for (const wchar_t* text : {L"", L"   \t  ", L"log=C:\\a.log"}) {
    const FakeConfig c = ParseFakeConfig(text);
    EXPECT_EQ(c.AdapterCount(), 0);
    EXPECT_EQ(c.SupportWord(), 0x0000E800u) << text;
    EXPECT_EQ(c.delay_ms, 0u);
    EXPECT_TRUE(c.rejected.empty());
  }
}

TEST(FakeConfigTest, AdapterCountFollowsTheHighestAdapterNamed) {
  EXPECT_EQ(ParseFakeConfig(L"devices=0:1:5,1:0:5").SupportWord(), 0x0102u);
  EXPECT_EQ(ParseFakeConfig(L"devices=2:0:5").AdapterCount(), 3);
  EXPECT_EQ(ParseFakeConfig(L"devices=0:0:5 failinquiry=3").SupportWord(), 0x0104u);
  EXPECT_EQ(ParseFakeConfig(L"devices=0:0:5 adapters=16").SupportWord(), 0x0110u);
  EXPECT_EQ(ParseFakeConfig(L"devices=254:0:5").SupportWord(), 0x01FFu);
  EXPECT_EQ(ParseFakeConfig(L"adapters=0x0").SupportWord(), 0x0000E800u);
}

TEST(FakeConfigTest, NumbersAreDecimalOrHexadecimal) {
  EXPECT_EQ(ParseFakeConfig(L"support=258").support, 258u);
  EXPECT_EQ(ParseFakeConfig(L"support=0X17f").support, 0x17Fu);
  EXPECT_EQ(ParseFakeConfig(L"support=0xFFFFFFFF").support, 0xFFFFFFFFu);
  EXPECT_EQ(ParseFakeConfig(L"delay=600000").delay_ms, kMaxDelayMs);
  EXPECT_EQ(ParseFakeConfig(L"devices=0x1:0x7:0xff").devices.at({1, 7}), 0xFF);
}

TEST(FakeConfigTest, LaterItemsReplaceEarlierOnes) {
  const FakeConfig c = ParseFakeConfig(L"delay=5 devices=0:0:5 delay=7 devices=1:1:0");
  EXPECT_EQ(c.delay_ms, 7u);
  EXPECT_EQ(c.devices, (std::map<DeviceId, uint8_t>{{{1, 1}, 0}}));
}

TEST(FakeConfigTest, QuotedLogPathMayHoldSpaces) {
  const FakeConfig c = ParseFakeConfig(L"log=\"C:\\Program Files\\a b.log\"\tdelay=9");
  EXPECT_EQ(c.log_path, L"C:\\Program Files\\a b.log");
  EXPECT_EQ(c.delay_ms, 9u);
  EXPECT_TRUE(c.rejected.empty());
}

TEST(FakeConfigTest, HostileItemsAreRejectedWholeAndReported) {
  struct Case {
    const wchar_t* text;
    Rejected rejected;
  };
  const Case cases[] = {
      {L"bogus=1", {L"bogus=1"}},
      {L"support", {L"support"}},
      {L"=5", {L"=5"}},
      {L"support=", {L"support="}},
      {L"support=0x", {L"support=0x"}},
      {L"support=-1", {L"support=-1"}},
      {L"support=+1", {L"support=+1"}},
      {L"support=0x100000000", {L"support=0x100000000"}},
      {L"support=99999999999999999999999", {L"support=99999999999999999999999"}},
      {L"support=12abc", {L"support=12abc"}},
      {L"delay=600001", {L"delay=600001"}},
      {L"delay=1.5", {L"delay=1.5"}},
      {L"devices=0:1", {L"devices=0:1"}},
      {L"devices=0:1:5:0", {L"devices=0:1:5:0"}},
      {L"devices=255:0:5", {L"devices=255:0:5"}},
      {L"devices=0:256:5", {L"devices=0:256:5"}},
      {L"devices=0:1:5,", {L"devices=0:1:5,"}},
      {L"devices=,0:1:5", {L"devices=,0:1:5"}},
      {L"devices=0::5", {L"devices=0::5"}},
      {L"never=0:1:5", {L"never=0:1:5"}},
      {L"failinquiry=1,,2", {L"failinquiry=1,,2"}},
      {L"failinquiry=x", {L"failinquiry=x"}},
      {L"adapters=256", {L"adapters=256"}},
      {L"log=\"C:\\unclosed delay=5", {L"log=\"C:\\unclosed delay=5"}},
      {L"log=\"C:\\a\"b delay=5", {L"log=\"C:\\a\"b"}},
      {L"SUPPORT=1", {L"SUPPORT=1"}},
      {L"delay=\x0661", {L"delay=\x0661"}},  // a non-ASCII digit is no digit
  };
  for (const Case& c : cases) {
    const FakeConfig config = ParseFakeConfig(c.text);
    EXPECT_EQ(config.rejected, c.rejected) << c.text;
    EXPECT_FALSE(config.support.has_value()) << c.text;
    EXPECT_TRUE(config.devices.empty()) << c.text;
    EXPECT_TRUE(config.fail_inquiry.empty()) << c.text;
    EXPECT_TRUE(config.never.empty()) << c.text;
    EXPECT_FALSE(config.adapters.has_value()) << c.text;
  }
}

TEST(FakeConfigTest, ARejectedItemLeavesTheOthersInForce) {
  const FakeConfig c = ParseFakeConfig(L"devices=0:1:5 delay=abc never=0:1 delay=20 x");
  EXPECT_EQ(c.rejected, (Rejected{L"delay=abc", L"x"}));
  EXPECT_EQ(c.delay_ms, 20u);
  EXPECT_EQ(c.never, (std::set<DeviceId>{{0, 1}}));
  EXPECT_EQ(c.devices.size(), 1u);
}

}  // namespace
}  // namespace qs::fakeaspi
