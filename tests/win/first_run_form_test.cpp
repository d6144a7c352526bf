// frmMain's start-up when the install branch runs: the window and its re-apply timer already
// exist while the install branch's message boxes are open, yet no drive may hear anything.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/program_folder.h"
#include "common/unique_handle.h"
#include "speed/module_aspi.h"
#include "win/first_run_fakes.h"
#include "window/frm_main.h"
#include "window/single_instance.h"

namespace qs {
namespace {

using test::Ended;
using test::FakeWorld;

// A layer with one adapter and a CD-ROM at target 0 that completes every request at once, and
// counts what reaches it.
class CountingLayer final : public aspi::AspiPort {
 public:
  bool present = true;
  int presence_checks = 0, support_queries = 0, requests = 0;

  bool Present() override {
    ++presence_checks;
    return present;
  }
  uint32_t SupportInfo() override {
    ++support_queries;
    return 0x0101;  // status SS_COMP, one adapter
  }
  void Send(aspi::Record& record) override {
    ++requests;
    record.bytes[1] = 1;                             // SS_COMP
    if (record.bytes[0] == 1) record.bytes[10] = 5;  // every target is a CD-ROM device
  }
  void PumpEvents() override {}
  uint64_t NowMs() override { return ::GetTickCount64(); }
  void Abandon(aspi::Record*) override {}
};

// Runs messages until `window` has handled a WM_TIMER of timer `id`, for at most 10 s.
bool PumpUntilTimer(HWND window, UINT_PTR id) {
  const ULONGLONG end = ::GetTickCount64() + 10000;
  while (::GetTickCount64() < end) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
      if (msg.message == WM_TIMER && msg.hwnd == window && msg.wParam == id) return true;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return false;
}

class InstallBranchFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, ScratchPath().c_str());
    LSTATUS status = 0;
    root_ = test::CreateKey(HKEY_CURRENT_USER, ScratchPath(), &status);
    ASSERT_EQ(status, ERROR_SUCCESS);
    world_.root = root_.get();
    std::ofstream(std::filesystem::path(batch_)) << "@echo off\r\n";
  }
  void TearDown() override {
    root_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, ScratchPath().c_str());
    ::DeleteFileW(batch_.c_str());
  }
  static std::wstring ScratchPath() {
    return L"Software\\QuietSpinTests\\first_run_form_" + std::to_wstring(::GetCurrentProcessId());
  }
  void MarkFirstRunDone() {
    ASSERT_TRUE(test::CreateKey(root_.get(), L"SYSTEM\\CurrentControlSet\\Services\\QuietSpin\\Setting"));
  }
  // Loads frmMain as the program does; true when the install branch ended the program.
  bool LoadEndsInInstallBranch(FrmMain& form) {
    try {
      form.Load();
    } catch (const Ended&) {
      return true;
    }
    return false;
  }

  FakeWorld world_;
  UniqueHkey root_;
  CountingLayer layer_;
  const std::wstring batch_ = ProgramFolder() + L"\\INSTASPI.BAT";
};

TEST_F(InstallBranchFormTest, FirstRunWithAWorkingLayerSendsNothingWhileTheBoxesAreOpen) {
  HWND window = nullptr;
  world_.answer = IDNO;
  int boxes = 0;
  bool real_tick = false, shown = false;
  world_.while_open = [&](const std::wstring&) {
    // The boxes' modal loops dispatch the window's timer: let the real Timer2 (2000 ms) come
    // round once in the first box, and hand it one more tick directly in each.
    window = ::FindWindowW(FrmMain::kClassName, nullptr);
    if (boxes++ == 0 && window) real_tick = PumpUntilTimer(window, FrmMain::kTimer2Id);
    if (!window) return;
    ::SendMessageW(window, WM_TIMER, FrmMain::kTimer2Id, 0);
    // A second start of QuietSpin asks the window to show itself.
    ::SendMessageW(window, ShowInstanceMessage(), 0, 0);
    shown = shown || ::IsWindowVisible(window);
  };
  {
    FrmMain form(layer_);
    ASSERT_TRUE(LoadEndsInInstallBranch(form));
  }
  ASSERT_NE(window, nullptr) << "the window exists while the boxes are open";
  EXPECT_TRUE(real_tick) << "Timer2 came round while the first box was open";
  EXPECT_FALSE(shown) << "the window is never shown, not even at a second start's request";
  EXPECT_EQ(world_.Kinds(), (std::vector<std::wstring>{L"message", L"start", L"message", L"end"}));
  EXPECT_EQ(layer_.presence_checks, 0) << "the first-run test comes before the presence test";
  EXPECT_EQ(layer_.support_queries, 0);
  EXPECT_EQ(layer_.requests, 0);

  // The same layer does hear a speed application once someone makes one.
  ModuleAspi(layer_).SetCDROMSpeed(4);
  EXPECT_GT(layer_.requests, 0);
}

TEST_F(InstallBranchFormTest, ACloseRequestWhileABoxIsOpenNeitherUnloadsNorCutsTheBranchShort) {
  world_.answer = IDNO;
  bool window_stayed = false, quit_posted = true;
  world_.while_open = [&](const std::wstring&) {
    if (world_.events.size() != 1) return;  // the first box only
    const HWND window = ::FindWindowW(L"QuietSpinMain", nullptr);
    ASSERT_NE(window, nullptr);
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // one left by an earlier window
    ::SendMessageW(window, WM_CLOSE, 0, 0);                       // as a close request from outside would
    window_stayed = ::IsWindow(window) != FALSE;
    quit_posted = ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  };
  {
    FrmMain form(layer_);
    ASSERT_TRUE(LoadEndsInInstallBranch(form));
    EXPECT_FALSE(form.Unloaded());
  }
  EXPECT_TRUE(window_stayed);
  EXPECT_FALSE(quit_posted) << "a quit would cut the next box short";
  EXPECT_EQ(world_.Kinds(), (std::vector<std::wstring>{L"message", L"start", L"message", L"end"}));
  EXPECT_EQ(layer_.requests, 0) << "the unload handler's speed command went out";
}

TEST_F(InstallBranchFormTest, MissingLayerRunsTheInstallBranchAndSendsNothing) {
  MarkFirstRunDone();
  layer_.present = false;
  world_.answer = IDYES;
  world_.platform_id = 3;  // asked, but never restarted
  world_.while_open = [&](const std::wstring&) {
    if (HWND window = ::FindWindowW(L"QuietSpinMain", nullptr))
      ::SendMessageW(window, WM_TIMER, FrmMain::kTimer2Id, 0);
  };
  {
    FrmMain form(layer_);
    ASSERT_TRUE(LoadEndsInInstallBranch(form));
  }
  EXPECT_EQ(world_.Kinds(), (std::vector<std::wstring>{L"message", L"start", L"message", L"end"}));
  EXPECT_GE(layer_.presence_checks, 1);
  EXPECT_EQ(layer_.support_queries, 0);
  EXPECT_EQ(layer_.requests, 0);
}

TEST_F(InstallBranchFormTest, MissingBatchFileEndsStartUpWithAnErrorAndSendsNothing) {
  ::DeleteFileW(batch_.c_str());
  {
    FrmMain form(layer_);
    ASSERT_TRUE(LoadEndsInInstallBranch(form));
  }
  ASSERT_EQ(world_.Kinds(), (std::vector<std::wstring>{L"message", L"message", L"end"}));
  EXPECT_NE(world_.events[1].text.find(L"INSTASPI.BAT"), std::wstring::npos);
  EXPECT_NE(world_.events[2].code, 0);
  EXPECT_EQ(layer_.requests, 0);
}

}  // namespace
}  // namespace qs
