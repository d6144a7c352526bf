// A real frmMain, loaded in-process from a program folder beside the test (the skin and
// SkinForm.dll are copied there at build time), with a simulated ASPI layer that has no
// adapters and a platform that records the pages opened instead of starting a browser.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/first_run.h"
#include "base/module_dim.h"
#include "base/platform.h"
#include "speed/speed_command.h"
#include "window/frm_main.h"

namespace qs::tray_test {

class RecordingPlatform final : public Platform {
 public:
  int ShowMessage(HWND, const std::wstring& text, const std::wstring&, UINT) override {
    messages.push_back(text);
    return IDOK;
  }
  void OpenUrl(HWND owner, const std::string& url) override {
    urls.push_back(url);
    owners.push_back(owner);
  }
  void Terminate(int exit_code) override {
    // Only a fatal error ends a test program: say why, since no message box is shown.
    std::fprintf(stderr, "QuietSpin ended with %d:", exit_code);
    for (const auto& m : messages) std::fprintf(stderr, " %ls", m.c_str());
    std::fprintf(stderr, "\n");
    ::ExitProcess(static_cast<UINT>(exit_code));
  }
  std::vector<std::wstring> messages;
  std::vector<std::string> urls;
  std::vector<HWND> owners;
};

// A layer that is present and reports no host adapter: nothing is ever sent.
class NoDrivesPort final : public aspi::AspiPort {
 public:
  bool Present() override { return true; }
  uint32_t SupportInfo() override { return 0; }
  void Send(aspi::Record&) override {}
  void PumpEvents() override {}
  uint64_t NowMs() override { return ::GetTickCount64(); }
  void Abandon(aspi::Record*) override {}
};

// Runs messages up to a marker it posts first: posted messages are taken in the order they were
// posted, so everything posted before the call has been handled when it returns. The window's
// destruction posts WM_QUIT, which a test's own loop drops.
inline bool Pump() {
  constexpr UINT kMarker = WM_APP + 0x3A;
  ::PostThreadMessageW(::GetCurrentThreadId(), kMarker, 0, 0);
  const ULONGLONG deadline = ::GetTickCount64() + 10000;
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == kMarker && msg.hwnd == nullptr) return true;
      if (msg.message == WM_QUIT) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  } while (::GetTickCount64() < deadline);
  return false;
}

// Runs messages until `done` holds, for at most 10 s.
template <typename Done>
bool PumpUntil(Done done) {
  const ULONGLONG deadline = ::GetTickCount64() + 10000;
  while (!done()) {
    if (::GetTickCount64() >= deadline) return false;
    Pump();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

class FormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    // The first run's marker: with it in place start-up goes past the install branch.
    IsFirstRun();
  }

  void SetUp() override {
    SetPlatformForTesting(&platform_);
    form_ = std::make_unique<FrmMain>(port_);
    ASSERT_TRUE(form_->Load());
    Pump();
  }

  void TearDown() override {
    if (form_ && !form_->Unloaded()) form_->Unload();
    form_.reset();
    Pump();
    SetPlatformForTesting(nullptr);
  }

  HWND hwnd() const { return form_->hwnd(); }
  LRESULT SendTray(UINT mouse_message) {
    return ::SendMessageW(hwnd(), kTrayMessage, kTrayId, static_cast<LPARAM>(mouse_message));
  }
  // Screen point of a client point of the main window.
  POINT Screen(int x, int y) const {
    POINT p{x, y};
    ::ClientToScreen(form_->hwnd(), &p);
    return p;
  }

  static constexpr UINT kTrayMessage = WM_APP + 1;
  static constexpr WPARAM kTrayId = 1;

  RecordingPlatform platform_;
  NoDrivesPort port_;
  std::unique_ptr<FrmMain> form_;
};

}  // namespace qs::tray_test
