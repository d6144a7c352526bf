// The skin: the window's outline from the mask bitmap and the pictures that dress the panel.
#include <string>

#include "base/platform.h"
#include "base/string_table.h"
#include "common/program_folder.h"
#include "common/unique_handle.h"
#include "showcase/transport.h"
#include "speed/speed_rules.h"
#include "window/frm_main.h"
#include "window/picture.h"

namespace qs {
namespace {

using TransparentFormFn = HRGN(WINAPI*)(const char*);

std::string ToAnsi(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Skin(const wchar_t* file) { return FromProgramFolder(std::wstring(L"\\GIF\\") + file); }

}  // namespace

void FrmMain::ShapeWindow() {
  // SkinForm.dll ships beside the program; it is not searched for anywhere else.
  UniqueModule skinform(
      ::LoadLibraryExW(FromProgramFolder(L"\\SkinForm.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!skinform) FatalError(LoadMessage(Message::kLibraryMissing, L"SkinForm.dll"));
  auto transparent_form = reinterpret_cast<TransparentFormFn>(
      reinterpret_cast<void*>(::GetProcAddress(skinform.get(), "TransparentForm")));
  if (!transparent_form)
    FatalError(LoadMessage(Message::kEntryPointMissing, L"SkinForm.dll", L"TransparentForm"));
  HRGN region = transparent_form(ToAnsi(Skin(L"Mask.bmp")).c_str());
  // From here on the system owns the region; a null one leaves the window rectangular.
  ::SetWindowRgn(hwnd_, region, TRUE);
}

void FrmMain::LoadSkinPictures() {
  {
    UniqueBitmap background = LoadPicture(Skin(L"QuietSpin_normal.jpg"));
    DrawBitmap(hDC(), background.get(), 0, 0);
  }
  ::InvalidateRect(hwnd_, nullptr, FALSE);
  picExit.SetPicture(LoadPicture(Skin(L"exit_normal.jpg")));
  picExit.Move(410, 300);
  PicCaption.SetPicture(LoadPicture(Skin(L"title_normal.jpg")));
  PicCaption.Move(66, 10);
  picOngoing.SetPicture(LoadPicture(Skin(L"play_go.jpg")));
  // Play is lit at start.
  picOngoing.Move(speed::TransportOverlayLeft(3), speed::kTransportOverlayTop);
}

void FrmMain::DrawBitmap(HDC hdc, HBITMAP bitmap, int16_t x, int16_t y) {
  UniqueDc memory(::CreateCompatibleDC(hdc));
  SelectScope select(memory.get(), bitmap);
  BITMAP info{};
  ::GetObjectW(bitmap, sizeof(info), &info);
  ::BitBlt(hdc, x, y, info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight, memory.get(), 0, 0,
           SRCCOPY);
}

}  // namespace qs
