#include "window/tooltip.h"

#include <commctrl.h>

namespace qs {
namespace {

TTTOOLINFOW ToolFor(HWND owner, HWND tool, wchar_t* text) {
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = owner;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = text;
  return info;
}

}  // namespace

bool Tooltip::Create(HWND owner) {
  owner_ = owner;
  tip_.reset(::CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr));
  return static_cast<bool>(tip_);
}

void Tooltip::AddTool(HWND tool) {
  wchar_t empty[] = L"";
  TTTOOLINFOW info = ToolFor(owner_, tool, empty);
  ::SendMessageW(tip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltip::SetText(HWND tool, const std::wstring& text) {
  std::wstring copy = text;
  TTTOOLINFOW info = ToolFor(owner_, tool, copy.data());
  ::SendMessageW(tip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

std::wstring Tooltip::Text(HWND tool) const {
  wchar_t buffer[512] = L"";
  TTTOOLINFOW info = ToolFor(owner_, tool, buffer);
  ::SendMessageW(tip_.get(), TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&info));
  return buffer;
}

}  // namespace qs
