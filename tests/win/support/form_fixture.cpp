#include "support/form_fixture.h"

#include <algorithm>

#include <objbase.h>
#include <commctrl.h>

#include "common/unique_handle.h"
#include "speed/user_settings.h"

namespace qs::testing {

void FakeAspiPort::Send(aspi::Record& record) {
  auto& b = record.bytes;
  const auto is_cdrom = [&] {
    for (auto [ha, target] : cdroms) {
      if (ha == b[2] && target == b[8]) return true;
    }
    return false;
  };
  switch (b[0]) {
    case aspi::kHaInquiry:
      b[1] = aspi::kCompleted;
      break;
    case aspi::kGetDeviceType:
      b[1] = is_cdrom() ? aspi::kCompleted : 0x82;
      b[10] = aspi::kDeviceTypeCdRom;
      break;
    case aspi::kExecScsiCommand:
      speeds.push_back(b[aspi::offset::kCdb + 2]);
      if (pending_pumps > 0) {
        pending_.push_back({&record, pending_pumps});
      } else {
        b[1] = aspi::kCompleted;
      }
      break;
  }
}

void FakeAspiPort::PumpEvents() {
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (--it->second == 0) {
      it->first->bytes[aspi::offset::kStatus] = aspi::kCompleted;
      it = pending_.erase(it);
    } else {
      ++it;
    }
  }
  if (on_pump) on_pump();
}

void MarkFirstRunDone() {
  UniqueHkey key;
  HKEY raw = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\QuietSpin\\Setting", 0,
                        nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr) == ERROR_SUCCESS) {
    key.reset(raw);
  }
}

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\QuietSpin";
constexpr wchar_t kSpeedLevelValue[] = L"SpeedLevel";

std::wstring ScratchSettings() {
  return L"Software\\QuietSpinTests\\settings_" + std::to_wstring(::GetCurrentProcessId());
}

}  // namespace

void FormTest::SetUp() {
  static const bool initialised = [] {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    return true;
  }();
  (void)initialised;
  MarkFirstRunDone();
  ::RegDeleteTreeW(HKEY_CURRENT_USER, ScratchSettings().c_str());
  HKEY scratch = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, ScratchSettings().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &scratch, nullptr),
            ERROR_SUCCESS);
  settings.reset(scratch);
  SetSettingsRootForTesting(settings.get());
  SetPlatformForTesting(&platform);
  form = std::make_unique<FrmMain>(port);
  ASSERT_TRUE(form->Load());
  Pump();
}

void FormTest::TearDown() {
  if (form && !form->Unloaded()) form->Unload();
  form.reset();
  // The unload posts WM_QUIT for the message loop the program would run; drop it here.
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  SetPlatformForTesting(nullptr);
  SetSettingsRootForTesting(nullptr);
  settings.reset();
  ::RegDeleteTreeW(HKEY_CURRENT_USER, ScratchSettings().c_str());
}

void FormTest::Restart(FrmMain::StartMode mode) {
  if (!form->Unloaded()) form->Unload();
  form.reset();
  Pump();
  port.speeds.clear();
  // The real pointer rests off the window: a shown window is sent a move to where it is.
  ::SetCursorPos(0, 0);
  form = std::make_unique<FrmMain>(port);
  ASSERT_TRUE(form->Load(mode));
  Pump();
}

void FormTest::WriteStoredLevel(DWORD type, const void* data, DWORD size) {
  ASSERT_EQ(::RegSetKeyValueW(settings.get(), kSettingsKey, kSpeedLevelValue, type, data, size),
            ERROR_SUCCESS);
}

std::optional<DWORD> FormTest::StoredLevelValue() const {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegGetValueW(settings.get(), kSettingsKey, kSpeedLevelValue, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

void FormTest::MoveTo(int x, int y) { ::SendMessageW(form->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

void FormTest::Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool FormTest::PumpUntil(const std::function<bool()>& done, DWORD limit_ms) {
  const ULONGLONG until = ::GetTickCount64() + limit_ms;
  for (;;) {
    Pump();
    if (done()) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= until) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(until - now, 50)),
                                QS_ALLINPUT);
  }
}

}  // namespace qs::testing
