// The tray icon's record and its removal. Below the window so that the error rule (FatalError,
// base/platform.cpp) can take the icon away before the program ends; frmMain's tray handlers and
// window procedure (window/module_callback.*) fill and serve it.
#pragma once
#include <windows.h>
#include <shellapi.h>

namespace qs {

// The tray icon's callback message. A private message of its own: were it an ordinary window
// message (the mouse move, say), real pointer moves would be taken for tray clicks and every tray
// event would reach the window's own pointer tracking.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;
inline constexpr UINT kTrayIconId = 1;

inline NOTIFYICONDATAW TrayIconData{};  // filled by AddToSystemTray, kept for the removal

// Unload: removes the tray icon that AddToSystemTray added.
void RemoveTrayIcon();

}  // namespace qs
