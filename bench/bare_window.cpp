// The yardstick for QuietSpin's footprint (bench/footprint.sh builds it on its own): one
// 527 x 500 popup window that idles in GetMessage, and nothing else.
//
//   bare_window.exe                      the bare window
//   bare_window.exe --load A.dll B.dll   the same after loading those libraries first
//   bare_window.exe --open X.gif ...     first opens each picture in the imaging component's
//                                        decoder and prints what the open costs, then the window
//   bare_window.exe --tray               adds a tray icon before the window shows
//   bare_window.exe --close CLASS        shows no window: asks the window of that class to close,
//                                        as its own exit button would
//
// Libraries are loaded at run time only, so that the bare window imports no more than any
// program of this toolchain does.
#include <objbase.h>
#include <shellapi.h>
#include <wincodec.h>
#include <windows.h>
// After windows.h: psapi.h needs its types.
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

bool tray_icon = false;

void RemoveTrayIcon(HWND hwnd) {
  auto notify = reinterpret_cast<BOOL(WINAPI*)(DWORD, NOTIFYICONDATAW*)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), "Shell_NotifyIconW")));
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd;
  data.uID = 1;
  if (notify) notify(NIM_DELETE, &data);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    if (tray_icon) RemoveTrayIcon(hwnd);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

double ResidentMb() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.WorkingSetSize / 1048576.0;
}

double NowMs() {
  LARGE_INTEGER now{}, frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Opens each file as QuietSpin's player does (read into memory, the GIF decoder asked for by name)
// and prints how long the decoder took to open it and how much resident memory the open decoder
// holds. The decoders stay open, so that no decoder reuses memory another one gave back.
void OpenPictures(int count, wchar_t** paths) {
  HMODULE ole = LoadLibraryW(L"ole32.dll");
  auto co_init = reinterpret_cast<HRESULT(WINAPI*)(void*, DWORD)>(
      reinterpret_cast<void*>(GetProcAddress(ole, "CoInitializeEx")));
  auto co_create = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(ole, "CoCreateInstance")));
  if (!co_init || !co_create) return;
  co_init(nullptr, COINIT_APARTMENTTHREADED);
  IWICImagingFactory* factory = nullptr;
  if (FAILED(co_create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                       reinterpret_cast<void**>(&factory)))) {
    return;
  }
  for (int i = 0; i < count; ++i) {
    HANDLE file = CreateFileW(paths[i], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD size = GetFileSize(file, nullptr), read = 0;
    BYTE* bytes = static_cast<BYTE*>(std::malloc(size));
    ReadFile(file, bytes, size, &read, nullptr);
    CloseHandle(file);
    IWICStream* stream = nullptr;
    factory->CreateStream(&stream);
    stream->InitializeFromMemory(bytes, read);
    const double before_mb = ResidentMb();
    const double start = NowMs();
    IWICBitmapDecoder* decoder = nullptr;
    UINT frames = 0;
    if (SUCCEEDED(co_create(CLSID_WICGifDecoder, nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmapDecoder,
                            reinterpret_cast<void**>(&decoder))) &&
        SUCCEEDED(decoder->Initialize(stream, WICDecodeMetadataCacheOnLoad))) {
      decoder->GetFrameCount(&frames);
    }
    const double took = NowMs() - start;
    std::printf("open %ls %u frames %.1f ms %.1f MB\n", paths[i], frames, took, ResidentMb() - before_mb);
    std::fflush(stdout);
  }
}

// Adds a tray icon the way QuietSpin does before its window shows.
void AddTrayIcon(HWND hwnd) {
  HMODULE shell = LoadLibraryW(L"shell32.dll");
  auto notify = reinterpret_cast<BOOL(WINAPI*)(DWORD, NOTIFYICONDATAW*)>(
      reinterpret_cast<void*>(GetProcAddress(shell, "Shell_NotifyIconW")));
  if (!notify) return;
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd;
  data.uID = 1;
  data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = WM_APP;
  data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  std::wcscpy(data.szTip, L"bare window");
  tray_icon = notify(NIM_ADD, &data) != FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (__argc == 3 && std::wcscmp(__wargv[1], L"--close") == 0) {
    HWND window = FindWindowW(__wargv[2], nullptr);
    return window && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  bool tray = false;
  for (int i = 1; i < __argc; ++i) {
    if (std::wcscmp(__wargv[i], L"--tray") == 0) tray = true;
    if (std::wcscmp(__wargv[i], L"--load") == 0) {
      while (i + 1 < __argc && __wargv[i + 1][0] != L'-') LoadLibraryW(__wargv[++i]);
    } else if (std::wcscmp(__wargv[i], L"--open") == 0) {
      int n = 0;
      while (i + 1 + n < __argc && __wargv[i + 1 + n][0] != L'-') ++n;
      OpenPictures(n, __wargv + i + 1);
      i += n;
    }
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = L"BareWindow";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 294, 114, 527, 500, nullptr, nullptr,
                              instance, nullptr);
  if (tray) AddTrayIcon(hwnd);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
