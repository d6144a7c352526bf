// In-process test support for the main window: a simulated ASPI port, a platform that records
// instead of acting, and a loaded frmMain in the test program's own folder (the build copies the
// skin folder and SkinForm.dll beside the test program).
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/platform.h"
#include "common/unique_handle.h"
#include "speed/speed_command.h"
#include "window/frm_main.h"

namespace qs::testing {

// An ASPI layer with CD-ROM drives whose execute requests complete at once.
class FakeAspiPort final : public aspi::AspiPort {
 public:
  bool present = true;
  uint32_t support = 0x0101;
  std::vector<std::pair<int, int>> cdroms{{0, 1}};
  std::vector<uint8_t> speeds;  // the speed byte of every SET CD SPEED, in order
  std::function<void()> on_pump;
  int pending_pumps = 0;  // execute requests complete after this many event passes

  bool Present() override { return present; }
  uint32_t SupportInfo() override { return support; }
  void Send(aspi::Record& record) override;
  void PumpEvents() override;
  uint64_t NowMs() override { return ::GetTickCount64(); }
  void Abandon(aspi::Record*) override {}

 private:
  std::vector<std::pair<aspi::Record*, int>> pending_;
};

// Records what the program would show or open; Terminate throws Terminated.
class RecordingPlatform final : public Platform {
 public:
  struct Terminated {
    int exit_code;
  };
  struct Message {
    std::wstring text, title;
    UINT style;
  };
  std::vector<Message> messages;
  std::vector<std::string> urls;
  int answer = IDOK;

  int ShowMessage(HWND, const std::wstring& text, const std::wstring& title, UINT style) override {
    messages.push_back({text, title, style});
    return answer;
  }
  void OpenUrl(HWND, const std::string& url) override { urls.push_back(url); }
  void Terminate(int exit_code) override { throw Terminated{exit_code}; }
};

// Creates the marker key so that start-up is not a first run.
void MarkFirstRunDone();

// A loaded frmMain for each test; unloaded and destroyed afterwards.
class FormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Delivers a pointer move in client coordinates to the window's own surface.
  void MoveTo(int x, int y);
  // Runs the messages already pending.
  void Pump();
  // Runs messages until `done` holds, for at most `limit_ms`; false when it never did.
  bool PumpUntil(const std::function<bool()>& done, DWORD limit_ms = 10000);
  // Unloads the form and loads a new one, started as `mode` says.
  void Restart(FrmMain::StartMode mode);
  // Writes the stored level's registry value as a hand could: any type, any bytes.
  void WriteStoredLevel(DWORD type, const void* data, DWORD size);
  // The stored level's REG_DWORD as it stands in the registry; nothing when there is none.
  std::optional<DWORD> StoredLevelValue() const;

  // Each test keeps the per-user settings under a scratch key of its own.
  UniqueHkey settings;
  FakeAspiPort port;
  RecordingPlatform platform;
  std::unique_ptr<FrmMain> form;
};

}  // namespace qs::testing
