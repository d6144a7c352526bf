// ASPIshim.dll over a layer that completes execute requests before SendASPI32Command returns and
// reports a support word of its own choosing; the shim must pass both through untouched.
#include <gtest/gtest.h>

#include "aspishim_test_util.h"

namespace qs::aspishim_test {
namespace {

class AspiShimSyncTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    log_path_ = FreshLogPath(L"qs_aspishim_sync_");
    // 0x017F: status 1 with a low byte that no adapter count derived by the layer would give.
    const std::wstring config = L"support=0x017F devices=0:1:5 delay=0 bogus=1 log=" + log_path_;
    ::SetEnvironmentVariableW(L"QS_FAKEASPI", config.c_str());
    shim_ = new Shim;
  }
  static void TearDownTestSuite() { ::DeleteFileW(log_path_.c_str()); }
  void SetUp() override { ASSERT_TRUE(shim_->get_support && shim_->send); }

  static inline std::wstring log_path_;
  static inline Shim* shim_ = nullptr;
};

TEST_F(AspiShimSyncTest, SupportWordPassesThroughUnchanged) {
  EXPECT_EQ(shim_->get_support(), 0x017Fu);
  const auto log = ReadLog(log_path_);
  EXPECT_EQ(log.back().text, "SUPPORT 0x0000017F");
  const auto bad = LinesStartingWith(log, "BADCONFIG ");
  ASSERT_EQ(bad.size(), 1u);
  EXPECT_EQ(bad[0].text, "BADCONFIG bogus=1");
}

TEST_F(AspiShimSyncTest, ExecuteRequestMayBeCompleteWhenTheCallReturns) {
  Record r = SetCdSpeed(0, 1, 4);
  const std::string hex = Hex(r);
  shim_->send(r.data());
  EXPECT_EQ(StatusOf(r), srb::kComp);
  const auto log = ReadLog(log_path_);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2].text, "SEND 2 0:1 " + hex);
  EXPECT_EQ(log.back().text, "DONE 0:1 status=1");
}

}  // namespace
}  // namespace qs::aspishim_test
