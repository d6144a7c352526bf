#include "window/form_timer.h"

namespace qs {

void FormTimer::Attach(HWND owner) {
  owner_ = owner;
  Apply();
}

void FormTimer::Detach() {
  if (owner_) ::KillTimer(owner_, id_);
  owner_ = nullptr;
}

void FormTimer::SetInterval(UINT ms) {
  interval_ = ms;
  Apply();
}

void FormTimer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Apply();
}

void FormTimer::Apply() {
  if (!owner_) return;
  if (enabled_ && interval_ > 0) {
    ::SetTimer(owner_, id_, interval_, nullptr);
  } else {
    ::KillTimer(owner_, id_);
  }
}

}  // namespace qs
