// ModuleCallBack: the subclass window procedure of frmMain. It serves the tray icon, lets the
// upper part of the borderless window act as a caption bar, and keeps the window at its size.
#pragma once
#include <windows.h>
#include <shellapi.h>

namespace qs {

// The tray icon's callback message. A private message of its own: were it an ordinary window
// message (the mouse move, say), real pointer moves would be taken for tray clicks and every tray
// event would reach the window's own pointer tracking.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;
inline constexpr UINT kTrayIconId = 1;

// The block of the window's own surface that drags the window, in client pixels, both bounds
// inclusive: 0..460 x 0..290.
inline constexpr int kDragAreaRight = 460;
inline constexpr int kDragAreaBottom = 290;
constexpr bool InDragArea(POINT client) {
  return client.x >= 0 && client.x <= kDragAreaRight && client.y >= 0 && client.y <= kDragAreaBottom;
}

inline WNDPROC OldWindowProc = nullptr;  // frmMain's procedure before subclassing
inline NOTIFYICONDATAW TrayIconData{};   // filled by AddToSystemTray, kept for the removal

// Every message to frmMain passes here once start-up has subclassed the window. The previous
// procedure always runs first; its answer is kept unless a rule below changes it.
LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// The message the shell sends to every top-level window when the notification area has been
// created anew (Explorer restarted): the icons it held are gone and must be added again.
UINT TaskbarCreatedMessage();

// Start-up: OldWindowProc := the window's procedure, then WindowProc takes its place.
void SubclassWindow(HWND hwnd);
// Unload: puts OldWindowProc back.
void RestoreWindowProc(HWND hwnd);
// Unload: removes the tray icon that AddToSystemTray added.
void RemoveTrayIcon();

}  // namespace qs
