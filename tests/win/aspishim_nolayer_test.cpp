// ASPIshim.dll in a program folder without WNASPI32.DLL (and Wine's builtin layer switched off):
// it must answer as a layer with no adapters, and must not pick up a layer from the current
// directory.
#include <gtest/gtest.h>

#include <algorithm>

#include "aspishim_test_util.h"

namespace qs::aspishim_test {
namespace {

// The folder that holds the test layer, as a Windows path.
std::wstring LayerFolder() {
  std::string unix_path = QS_FAKEASPI_UNIX_DIR;
  std::replace(unix_path.begin(), unix_path.end(), '/', '\\');
  return L"Z:" + std::wstring(unix_path.begin(), unix_path.end());
}

class AspiShimNoLayerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    log_path_ = FreshLogPath(L"qs_aspishim_nolayer_");
    const std::wstring config = L"devices=0:1:5 log=" + log_path_;
    ::SetEnvironmentVariableW(L"QS_FAKEASPI", config.c_str());
    // A WNASPI32.DLL in the current directory is no ASPI layer of this program.
    ::SetCurrentDirectoryW(LayerFolder().c_str());
    shim_ = new Shim;
  }
  void SetUp() override { ASSERT_TRUE(shim_->get_support && shim_->send); }

  static inline std::wstring log_path_;
  static inline Shim* shim_ = nullptr;
};

TEST_F(AspiShimNoLayerTest, CurrentDirectoryReallyHoldsALayer) {
  EXPECT_NE(::GetFileAttributesW(L"WNASPI32.DLL"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(AspiShimNoLayerTest, SupportWordSaysNoAdapters) {
  EXPECT_EQ(shim_->get_support(), 0x0000E800u);
  EXPECT_EQ(::GetModuleHandleW(L"WNASPI32.DLL"), nullptr);
  EXPECT_EQ(::GetFileAttributesW(log_path_.c_str()), INVALID_FILE_ATTRIBUTES) << "a layer was loaded";
}

TEST_F(AspiShimNoLayerTest, EveryRequestEndsAtOnceWithInvalidAdapter) {
  for (Record r : {Inquiry(0), GetDevType(0, 1), SetCdSpeed(0, 1, 52)}) {
    Record before = r;
    EXPECT_EQ(shim_->send(r.data()), srb::kInvalidHa);
    EXPECT_EQ(StatusOf(r), srb::kInvalidHa);
    before[srb::kStatus] = srb::kInvalidHa;
    EXPECT_EQ(r, before) << "only the status may change";
  }
  EXPECT_EQ(::GetModuleHandleW(L"WNASPI32.DLL"), nullptr);
}

TEST_F(AspiShimNoLayerTest, NullRecordIsRefusedWithoutCrashing) {
  EXPECT_EQ(shim_->send(nullptr), srb::kInvalidSrb);
}

}  // namespace
}  // namespace qs::aspishim_test
