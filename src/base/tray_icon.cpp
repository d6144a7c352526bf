#include "base/tray_icon.h"

namespace qs {

void RemoveTrayIcon() {
  if (TrayIconData.cbSize == 0) return;
  ::Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
  // The record is spent: a late "TaskbarCreated" must not bring the icon back.
  TrayIconData = NOTIFYICONDATAW{};
}

}  // namespace qs
