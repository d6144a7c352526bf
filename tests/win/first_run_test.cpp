// The first-run marker, the install branch, the restart and the installer start, driven
// in-process under Wine. The marker lives under a scratch key of HKCU instead of HKLM, message
// boxes answer by themselves, and nothing is ever restarted or really ended.
#include "base/first_run.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "common/program_folder.h"
#include "common/unique_handle.h"
#include "win/first_run_fakes.h"

namespace qs {
namespace {

using test::Ended;
using test::FakeWorld;

constexpr wchar_t kMarkerPath[] = L"SYSTEM\\CurrentControlSet\\Services\\QuietSpin\\Setting";
constexpr wchar_t kInstallText[] =
    L"There is no ASPI layer in your computer system. If you want to control\r\n"
    L"CD-ROM rotation speed, please choose OK to install ASPI layer and reboot \r\n"
    L"system to take effect.";
constexpr wchar_t kRebootText[] = L"ASPI layer is installed completely. Do you want to reboot ?";

std::wstring ScratchPath() {
  return L"Software\\QuietSpinTests\\first_run_" + std::to_wstring(::GetCurrentProcessId());
}

void WriteFile(const std::wstring& path, const std::string& content) {
  std::ofstream(std::filesystem::path(path), std::ios::binary) << content;
}

class FirstRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, ScratchPath().c_str());
    LSTATUS status = 0;
    root_ = test::CreateKey(HKEY_CURRENT_USER, ScratchPath(), &status);
    ASSERT_EQ(status, ERROR_SUCCESS);
    world_.root = root_.get();
    WriteFile(batch_, "@echo off\r\n");
    test::DisableShutdownPrivilege();
  }
  void TearDown() override {
    root_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, ScratchPath().c_str());
    ::DeleteFileW(batch_.c_str());
    ::RemoveDirectoryW(batch_.c_str());
  }

  bool MarkerExists() { return static_cast<bool>(test::OpenKey(root_.get(), kMarkerPath)); }

  // Runs the install branch to its end; returns the exit code it ended with.
  int RunInstallPrompt() {
    try {
      InstallPrompt();
    } catch (const Ended& end) {
      return end.exit_code;
    }
    ADD_FAILURE() << "InstallPrompt returned";
    return -1;
  }

  FakeWorld world_;
  UniqueHkey root_;
  const std::wstring batch_ = ProgramFolder() + L"\\INSTASPI.BAT";
};

// ---- the marker -----------------------------------------------------------------------------

TEST_F(FirstRunTest, FirstCallCreatesTheMarkerWithFirstTimeZeroAndLaterCallsFindIt) {
  EXPECT_TRUE(IsFirstRun());
  ASSERT_TRUE(MarkerExists());
  DWORD type = 0, data = 0xFFFFFFFF, size = sizeof(data);
  UniqueHkey key = test::OpenKey(root_.get(), kMarkerPath);
  ASSERT_TRUE(key);
  ASSERT_EQ(
      ::RegQueryValueExW(key.get(), L"FirstTime", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(data, 0u);

  EXPECT_FALSE(IsFirstRun());
  EXPECT_FALSE(IsFirstRun());
  EXPECT_TRUE(world_.events.empty()) << "the marker check shows nothing and starts nothing";
}

TEST_F(FirstRunTest, DeletingTheKeyMakesTheNextCallAFirstRunAgain) {
  EXPECT_TRUE(IsFirstRun());
  EXPECT_FALSE(IsFirstRun());
  ASSERT_EQ(::RegDeleteTreeW(root_.get(), kMarkerPath), ERROR_SUCCESS);  // the key and all below it
  EXPECT_TRUE(IsFirstRun());
  EXPECT_FALSE(IsFirstRun());
}

TEST_F(FirstRunTest, TheKeyAloneMarksTheFirstRunAsOverWhateverItHolds) {
  // A key left by someone else, without FirstTime or with another kind of value under that name.
  UniqueHkey key = test::CreateKey(root_.get(), kMarkerPath);
  ASSERT_TRUE(key);
  EXPECT_FALSE(IsFirstRun());
  const wchar_t text[] = L"yes";
  ::RegSetValueExW(key.get(), L"FirstTime", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
  EXPECT_FALSE(IsFirstRun());
  DWORD type = 0;
  ::RegQueryValueExW(key.get(), L"FirstTime", nullptr, &type, nullptr, nullptr);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "an existing marker is never rewritten";
}

TEST_F(FirstRunTest, AParentWithoutTheSettingKeyIsStillAFirstRun) {
  ASSERT_TRUE(test::CreateKey(root_.get(), L"SYSTEM\\CurrentControlSet\\Services\\QuietSpin"));
  EXPECT_TRUE(IsFirstRun());
  EXPECT_TRUE(MarkerExists());
}

TEST_F(FirstRunTest, ARegistryThatCannotHoldTheMarkerMakesEveryStartAFirstRun) {
  // A root the program may not use at all: neither opening nor creating works.
  world_.root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x0BADF00C));
  EXPECT_TRUE(IsFirstRun());
  EXPECT_TRUE(IsFirstRun());
  EXPECT_FALSE(MarkerExists());
}

// ---- the install branch ---------------------------------------------------------------------

TEST_F(FirstRunTest, YesShowsTheNoticeStartsTheBatchFileAsksAndRestarts) {
  world_.answer = IDYES;
  EXPECT_EQ(RunInstallPrompt(), 0);
  ASSERT_EQ(world_.Kinds(),
            (std::vector<std::wstring>{L"message", L"start", L"message", L"restart", L"end"}));
  EXPECT_EQ(world_.events[0].text, kInstallText);
  EXPECT_EQ(world_.events[0].extra, L"QuietSpin");
  EXPECT_EQ(world_.events[0].flags, static_cast<UINT>(MB_OK)) << "OK only";
  EXPECT_EQ(world_.events[1].text, ProgramFolder() + L"\\INSTASPI.BAT");
  EXPECT_EQ(world_.events[1].extra, ProgramFolder()) << "the batch file runs in the program folder";
  EXPECT_EQ(world_.events[2].text, kRebootText);
  EXPECT_EQ(world_.events[2].extra, L"QuietSpin");
  EXPECT_EQ(world_.events[2].flags, static_cast<UINT>(MB_YESNO)) << "Yes and No";
  EXPECT_EQ(world_.events[3].flags, static_cast<UINT>(EWX_REBOOT));
}

TEST_F(FirstRunTest, NoEndsTheProgramWithoutRestarting) {
  world_.answer = IDNO;
  EXPECT_EQ(RunInstallPrompt(), 0);
  EXPECT_EQ(world_.Kinds(), (std::vector<std::wstring>{L"message", L"start", L"message", L"end"}));
}

TEST_F(FirstRunTest, AMissingBatchFileEndsWithAnErrorNamingItBeforeTheRestartQuestion) {
  ASSERT_TRUE(::DeleteFileW(batch_.c_str()));
  EXPECT_NE(RunInstallPrompt(), 0);
  ASSERT_EQ(world_.Kinds(), (std::vector<std::wstring>{L"message", L"message", L"end"}));
  EXPECT_EQ(world_.events[0].text, kInstallText);
  EXPECT_NE(world_.events[1].text.find(L"INSTASPI.BAT"), std::wstring::npos) << "the error names the file";
  EXPECT_NE(world_.events[1].text, kRebootText);
}

TEST_F(FirstRunTest, AFolderNamedLikeTheBatchFileCountsAsMissing) {
  ASSERT_TRUE(::DeleteFileW(batch_.c_str()));
  ASSERT_TRUE(::CreateDirectoryW(batch_.c_str(), nullptr));
  EXPECT_NE(RunInstallPrompt(), 0);
  EXPECT_EQ(world_.Kinds(), (std::vector<std::wstring>{L"message", L"message", L"end"}));
}

TEST_F(FirstRunTest, ABatchFileThatCannotBeStartedEndsWithAnErrorNamingIt) {
  world_.start_succeeds = false;
  world_.answer = IDYES;
  EXPECT_NE(RunInstallPrompt(), 0);
  ASSERT_EQ(world_.Kinds(), (std::vector<std::wstring>{L"message", L"start", L"message", L"end"}));
  EXPECT_NE(world_.events[2].text.find(L"INSTASPI.BAT"), std::wstring::npos);
  EXPECT_NE(world_.events[2].text, kRebootText) << "no restart is offered for an installation that never ran";
}

// ---- the restart ----------------------------------------------------------------------------

struct PlatformCase {
  int32_t id;
  bool restarts;
  bool with_privilege;
};

class RebootTest : public FirstRunTest, public ::testing::WithParamInterface<PlatformCase> {};

TEST_P(RebootTest, RestartsByPlatform) {
  world_.platform_id = GetParam().id;
  RebootSystem();
  if (!GetParam().restarts) {
    EXPECT_TRUE(world_.events.empty());
    return;
  }
  ASSERT_EQ(world_.Kinds(), std::vector<std::wstring>{L"restart"});
  EXPECT_EQ(world_.events[0].flags, static_cast<UINT>(EWX_REBOOT));
  EXPECT_EQ(world_.events[0].shutdown_privilege_enabled, GetParam().with_privilege)
      << "only the NT platform enables the shutdown privilege, and before the restart request";
}

INSTANTIATE_TEST_SUITE_P(Platforms, RebootTest,
                         ::testing::Values(PlatformCase{0, true, false}, PlatformCase{1, true, false},
                                           PlatformCase{2, true, true}, PlatformCase{3, false, false},
                                           PlatformCase{-1, false, false},
                                           PlatformCase{0x7FFFFFFF, false, false}));

TEST_F(FirstRunTest, EnableShutdownPrivilegeEnablesItInTheToken) {
  ASSERT_FALSE(test::ShutdownPrivilegeEnabled());
  EXPECT_TRUE(EnableShutdownPrivilege());
  EXPECT_TRUE(test::ShutdownPrivilegeEnabled());
  EXPECT_TRUE(EnableShutdownPrivilege()) << "enabling twice is harmless";
}

// ---- the real batch-file start --------------------------------------------------------------

// A program folder with blanks and parentheses, as under "Program Files (x86)", and with a percent
// sign around a variable's name and an ampersand, which cmd must not read.
class BatchStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH]{};
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"qs first run (x86) %SystemRoot% & 100% " +
              std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
  }
  void TearDown() override {
    for (const wchar_t* f : {L"\\INSTASPI.BAT", L"\\go.txt", L"\\ran.txt"})
      ::DeleteFileW((folder_ + f).c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }
  bool WaitForFile(const std::wstring& path, int ms) {
    for (int waited = 0; waited < ms; waited += 50) {
      if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  std::wstring folder_;
};

TEST_F(BatchStartTest, StartsTheBatchFileInItsFolderWithoutWaitingForIt) {
  // The batch file cannot finish before this test lets it: a start that waited would hang here.
  WriteFile(folder_ + L"\\INSTASPI.BAT",
            "@echo off\r\n:wait\r\nif not exist go.txt goto wait\r\ncd > ran.txt\r\n");
  const auto before = std::chrono::steady_clock::now();
  ASSERT_TRUE(StartBatchHidden(folder_ + L"\\INSTASPI.BAT", folder_));
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));  // a wait would be endless
  EXPECT_EQ(::GetFileAttributesW((folder_ + L"\\ran.txt").c_str()), INVALID_FILE_ATTRIBUTES);

  WriteFile(folder_ + L"\\go.txt", "go");
  ASSERT_TRUE(WaitForFile(folder_ + L"\\ran.txt", 10000)) << "the batch file never ran";
  std::string line;
  for (int waited = 0; line.empty() && waited < 10000; waited += 50) {  // until the line is written
    std::ifstream ran(std::filesystem::path(folder_ + L"\\ran.txt"));
    if (!std::getline(ran, line) || ran.eof()) line.clear();  // a line is whole once it ends
    if (line.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_NE(line.find("qs first run (x86) %SystemRoot% & 100% "), std::string::npos)
      << "working folder: " << line;
}

}  // namespace
}  // namespace qs
