// ModuleCallBack: the subclass window procedure of frmMain. It serves the tray icon, lets the
// upper part of the borderless window act as a caption bar, and keeps the window at its size.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "base/tray_icon.h"

namespace qs {

// The block of the window's own surface that drags the window, in client pixels, both bounds
// inclusive: 0..460 x 0..290.
inline constexpr int kDragAreaRight = 460;
inline constexpr int kDragAreaBottom = 290;
constexpr bool InDragArea(POINT client) {
  return client.x >= 0 && client.x <= kDragAreaRight && client.y >= 0 && client.y <= kDragAreaBottom;
}

inline WNDPROC OldWindowProc = nullptr;  // frmMain's procedure before subclassing

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

}  // namespace qs
