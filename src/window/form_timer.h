// A timer control on a window: it ticks (WM_TIMER with its id) while it is enabled and has an
// interval; an interval of 0 stops it whatever Enabled says. Changing the interval restarts it.
#pragma once
#include <windows.h>

namespace qs {

class FormTimer {
 public:
  FormTimer(UINT_PTR id, UINT interval, bool enabled) : id_(id), interval_(interval), enabled_(enabled) {}
  FormTimer(const FormTimer&) = delete;
  FormTimer& operator=(const FormTimer&) = delete;

  // Binds the timer to its window and starts it if it should tick.
  void Attach(HWND owner);
  void Detach();

  UINT_PTR id() const { return id_; }
  UINT Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  void SetInterval(UINT ms);
  void SetEnabled(bool enabled);
  bool Ticking() const { return enabled_ && interval_ > 0 && owner_; }

 private:
  void Apply();

  UINT_PTR id_;
  UINT interval_;
  bool enabled_;
  HWND owner_ = nullptr;
};

}  // namespace qs
