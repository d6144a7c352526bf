// ASPIshim.dll forwarding to an ASPI layer in the program folder (the test layer, configured with
// two adapters, execute requests completing 300 ms later from another thread).
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "aspishim_test_util.h"

namespace qs::aspishim_test {
namespace {

constexpr uint32_t kDelayMs = 300;

class AspiShimTest : public ::testing::Test {
 protected:
  // The layer reads its configuration once, when the shim first loads it.
  static void SetUpTestSuite() {
    log_path_ = FreshLogPath(L"qs_aspishim_");
    const std::wstring config = L"devices=0:0:0,0:1:5,1:0:5,1:1:5 failinquiry=1 never=1:1 delay=" +
                                std::to_wstring(kDelayMs) + L" log=" + log_path_;
    ::SetEnvironmentVariableW(L"QS_FAKEASPI", config.c_str());
    shim_ = new Shim;
  }
  static void TearDownTestSuite() { ::DeleteFileW(log_path_.c_str()); }

  void SetUp() override {
    ASSERT_TRUE(shim_->module) << "ASPIshim.dll missing beside the test";
    ASSERT_NE(shim_->get_support, nullptr);
    ASSERT_NE(shim_->send, nullptr);
  }

  static std::vector<LogLine> Log() { return ReadLog(log_path_); }
  static std::string SendLine(const Record& r) {
    return "SEND " + std::to_string(r[srb::kCmd]) + ' ' + std::to_string(r[srb::kHaId]) + ':' +
           std::to_string(r[srb::kTarget]) + ' ' + Hex(r);
  }

  static inline std::wstring log_path_;
  static inline Shim* shim_ = nullptr;  // kept for the process: the layer may still write records
};

// Runs first: the shim binds on its first call, which here comes from many threads at once.
TEST_F(AspiShimTest, FirstCallsFromManyThreadsAllReachTheLayer) {
  constexpr int kThreads = 8;
  std::atomic<bool> go{false};
  std::array<DWORD, kThreads> words{};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      while (!go) std::this_thread::yield();
      words[i] = shim_->get_support();
    });
  }
  go = true;
  for (auto& t : threads) t.join();
  for (DWORD w : words) EXPECT_EQ(w, 0x0102u);
  const auto log = Log();
  EXPECT_EQ(LinesStartingWith(log, "LOAD ").size(), 1u);
  EXPECT_EQ(LinesStartingWith(log, "SUPPORT 0x00000102").size(), size_t{kThreads});
  EXPECT_TRUE(LinesStartingWith(log, "BADCONFIG").empty());
}

TEST_F(AspiShimTest, SupportWordComesFromTheLayer) {
  EXPECT_EQ(shim_->get_support(), 0x0102u);
  EXPECT_EQ(Log().back().text, "SUPPORT 0x00000102");
}

TEST_F(AspiShimTest, InquiryReachesTheLayerAndIsAnsweredInTheRecord) {
  Record r = Inquiry(0);
  const std::string sent = SendLine(r);
  EXPECT_EQ(shim_->send(r.data()), srb::kComp);
  EXPECT_EQ(r[srb::kStatus], srb::kComp);
  EXPECT_EQ(r[srb::kHaCount], 2);
  EXPECT_EQ(r[srb::kHaScsiId], 7);
  EXPECT_EQ(std::string(r.begin() + srb::kHaManagerId, r.begin() + srb::kHaManagerId + 16),
            std::string("ASPI for WIN32\0\0", 16));
  EXPECT_EQ(std::string(r.begin() + srb::kHaIdentifier, r.begin() + srb::kHaIdentifier + 16),
            std::string("SPTI port 0\0\0\0\0\0", 16));
  EXPECT_EQ(Log().back().text, sent);

  Record failing = Inquiry(1);
  EXPECT_EQ(shim_->send(failing.data()), srb::kErr);
  EXPECT_EQ(failing[srb::kStatus], srb::kErr);
  EXPECT_EQ(failing[srb::kHaCount], 0);

  Record beyond = Inquiry(2);
  shim_->send(beyond.data());
  EXPECT_EQ(beyond[srb::kStatus], srb::kInvalidHa);
}

TEST_F(AspiShimTest, DeviceTypeRequestsAreAnsweredPerDevice) {
  struct Case {
    uint8_t adapter, target, status, type;
  };
  for (const Case& c : {Case{0, 0, srb::kComp, 0}, Case{0, 1, srb::kComp, 5}, Case{1, 0, srb::kComp, 5},
                        Case{0, 2, srb::kNoDevice, 0}, Case{0, 7, srb::kNoDevice, 0},
                        Case{2, 0, srb::kInvalidHa, 0}, Case{255, 0, srb::kInvalidHa, 0}}) {
    Record r = GetDevType(c.adapter, c.target);
    const std::string sent = SendLine(r);
    shim_->send(r.data());
    EXPECT_EQ(r[srb::kStatus], c.status) << int{c.adapter} << ':' << int{c.target};
    EXPECT_EQ(r[srb::kDeviceType], c.type) << int{c.adapter} << ':' << int{c.target};
    EXPECT_EQ(Log().back().text, sent);
  }
  Record lun1 = GetDevType(0, 1);
  lun1[srb::kLun] = 1;
  shim_->send(lun1.data());
  EXPECT_EQ(lun1[srb::kStatus], srb::kNoDevice);
}

TEST_F(AspiShimTest, ExecuteRequestCompletesLaterFromAnotherThread) {
  Record r = SetCdSpeed(0, 1, 52);
  const std::string sent = SendLine(r);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(shim_->send(r.data()), srb::kPending);
  EXPECT_EQ(StatusOf(r), srb::kPending);
  ASSERT_TRUE(WaitForStatus(r, std::chrono::seconds(5)));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(StatusOf(r), srb::kComp);
  EXPECT_GE(waited, std::chrono::milliseconds(kDelayMs - 20));

  const auto log = Log();
  const auto sends = LinesStartingWith(log, sent);
  const auto dones = LinesStartingWith(log, "DONE 0:1 ");
  ASSERT_EQ(sends.size(), 1u);
  ASSERT_EQ(dones.size(), 1u);
  EXPECT_EQ(dones[0].text, "DONE 0:1 status=1");
  EXPECT_GE(dones[0].ms - sends[0].ms, kDelayMs - 20);
  EXPECT_TRUE(LinesStartingWith(log, "CHANGED").empty());
}

TEST_F(AspiShimTest, TwoPendingRequestsCompleteIndependently) {
  Record first = SetCdSpeed(0, 1, 4);
  Record second = SetCdSpeed(1, 0, 6);
  shim_->send(first.data());
  shim_->send(second.data());
  EXPECT_EQ(StatusOf(first), srb::kPending);
  EXPECT_EQ(StatusOf(second), srb::kPending);
  ASSERT_TRUE(WaitForStatus(first, std::chrono::seconds(5)));
  ASSERT_TRUE(WaitForStatus(second, std::chrono::seconds(5)));
  EXPECT_EQ(LinesStartingWith(Log(), "DONE 1:0 status=1").size(), 1u);
  EXPECT_TRUE(LinesStartingWith(Log(), "CHANGED").empty());
}

TEST_F(AspiShimTest, RecordChangedBeforeCompletionIsReported) {
  auto r = std::make_unique<Record>(SetCdSpeed(0, 1, 28));
  shim_->send(r->data());
  (*r)[srb::kCdb + 2] = 50;  // the program rewrote the record while the layer still owned it
  const std::string changed = "CHANGED 0:1 " + Hex(*r);
  ASSERT_TRUE(WaitForStatus(*r, std::chrono::seconds(5)));
  const auto log = Log();
  const auto reports = LinesStartingWith(log, "CHANGED");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].text, changed);
  EXPECT_EQ(log.back().text, "DONE 0:1 status=1");
}

TEST_F(AspiShimTest, RequestToANeverAnsweringDeviceStaysPending) {
  static Record r = SetCdSpeed(1, 1, 52);  // the layer keeps the address for good
  shim_->send(r.data());
  // A request to an answering drive, sent after it, completes after the same delay: by then the
  // silent one has had its time.
  Record later = SetCdSpeed(0, 1, 52);
  shim_->send(later.data());
  ASSERT_TRUE(WaitForStatus(later, std::chrono::seconds(10)));
  EXPECT_EQ(StatusOf(r), srb::kPending);
  const auto log = Log();
  EXPECT_EQ(LinesStartingWith(log, SendLine(SetCdSpeed(1, 1, 52))).size(), 1u);
  EXPECT_TRUE(LinesStartingWith(log, "DONE 1:1").empty());
}

TEST_F(AspiShimTest, RequestToAMissingDeviceEndsAtOnce) {
  Record r = SetCdSpeed(0, 3, 52);
  EXPECT_EQ(shim_->send(r.data()), srb::kNoDevice);
  EXPECT_EQ(StatusOf(r), srb::kNoDevice);
  Record beyond = SetCdSpeed(7, 0, 52);
  shim_->send(beyond.data());
  EXPECT_EQ(StatusOf(beyond), srb::kInvalidHa);
  const auto log = Log();
  EXPECT_EQ(LinesStartingWith(log, "DONE 0:3 status=130").size(), 1u);
  EXPECT_EQ(LinesStartingWith(log, "DONE 7:0 status=129").size(), 1u);
}

TEST_F(AspiShimTest, UnknownRequestCodeAndNullRecordAreRefused) {
  Record r{};
  r[srb::kCmd] = 9;
  EXPECT_EQ(shim_->send(r.data()), srb::kInvalidCmd);
  EXPECT_EQ(r[srb::kStatus], srb::kInvalidCmd);
  const size_t lines = Log().size();
  EXPECT_EQ(shim_->send(nullptr), srb::kInvalidSrb);
  EXPECT_EQ(Log().size(), lines);
}

}  // namespace
}  // namespace qs::aspishim_test
