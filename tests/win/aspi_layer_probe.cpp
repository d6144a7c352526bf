// Loads WNASPI32.DLL by name, as QuietSpin's presence check does, and prints where it came from,
// the support word and the answer to a host adapter inquiry. Used by the end-to-end test of the
// installed layer. Exit code 0 when the layer loaded with its exports, 1 otherwise.
#include <windows.h>

#include <cstdio>

int main() {
  HMODULE layer = ::LoadLibraryA("WNASPI32.DLL");
  if (!layer) {
    std::printf("load failed %lu\n", ::GetLastError());
    return 1;
  }
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(layer, path, MAX_PATH);
  using SupportFn = DWORD(__cdecl*)();
  using SendFn = DWORD(__cdecl*)(void*);
  auto support = reinterpret_cast<SupportFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(layer, "GetASPI32SupportInfo")));
  auto send =
      reinterpret_cast<SendFn>(reinterpret_cast<void (*)()>(::GetProcAddress(layer, "SendASPI32Command")));
  if (!support || !send) {
    std::printf("exports missing in %s\n", path);
    ::FreeLibrary(layer);
    return 1;
  }
  unsigned char inquiry[80] = {};
  const DWORD inquiry_status = send(inquiry);
  std::printf("path %s\nsupport %08lX\ninquiry %02lX\n", path, support(), inquiry_status);
  ::FreeLibrary(layer);
  return 0;
}
