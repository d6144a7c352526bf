// ModuleCallBack: the subclass window procedure of frmMain. It serves the tray icon, lets the
// upper part of the borderless window act as a caption bar, and keeps the window at its size.
#pragma once
#include <windows.h>
#include <shellapi.h>

namespace qs {

inline WNDPROC OldWindowProc = nullptr;      // frmMain's procedure before subclassing
inline NOTIFYICONDATAW TrayIconData{};       // filled by AddToSystemTray, kept for the removal

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Start-up: OldWindowProc := the window's procedure, then WindowProc takes its place.
void SubclassWindow(HWND hwnd);
// Unload: puts OldWindowProc back.
void RestoreWindowProc(HWND hwnd);
// Unload: removes the tray icon that AddToSystemTray added.
void RemoveTrayIcon();

}  // namespace qs
