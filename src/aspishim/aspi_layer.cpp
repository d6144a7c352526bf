#include "aspishim/aspi_layer.h"

#include <string>

#include "common/unique_handle.h"

namespace qs::aspishim {
namespace {

constexpr wchar_t kLayerFile[] = L"WNASPI32.DLL";

// GetModuleFileNameW of the running program, grown until the path fits.
std::wstring ProgramFile() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// "<folder of the .exe>\WNASPI32.DLL", or empty when the platform gives no usable path.
std::wstring ProgramFolderCandidate() {
  std::wstring path = ProgramFile();
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  path.resize(slash + 1);
  return path + kLayerFile;
}

std::wstring SystemFolderCandidate() {
  std::wstring path(MAX_PATH, L'\0');
  const UINT n = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  if (path.back() != L'\\') path += L'\\';
  return path + kLayerFile;
}

// Full paths only: a bare name would let LoadLibrary pick up a WNASPI32.DLL planted in the
// current directory.
UniqueModule LoadFirstLayer() {
  for (const std::wstring& path : {ProgramFolderCandidate(), SystemFolderCandidate()}) {
    if (path.empty()) continue;
    UniqueModule module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (module) return module;
  }
  return {};
}

AspiLayer g_layer;
bool g_bound = false;
INIT_ONCE g_bind_once = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK Bind(PINIT_ONCE, PVOID, PVOID*) {
  UniqueModule module = LoadFirstLayer();
  if (!module) return TRUE;
  const auto get_support = reinterpret_cast<GetSupportInfoFn>(
      reinterpret_cast<void*>(::GetProcAddress(module.get(), "GetASPI32SupportInfo")));
  const auto send = reinterpret_cast<SendCommandFn>(
      reinterpret_cast<void*>(::GetProcAddress(module.get(), "SendASPI32Command")));
  if (!get_support || !send) return TRUE;  // the module is freed: a layer without its entry points
  g_layer.get_support_info = get_support;
  g_layer.send_command = send;
  g_bound = true;
  // The layer completes requests from its own threads and writes into the caller's records long
  // after SendASPI32Command has returned; unloading it with a request pending would leave those
  // threads running in freed code. It therefore stays loaded for the life of the process.
  module.release();
  return TRUE;
}

}  // namespace

const AspiLayer* BoundLayer() noexcept {
  ::InitOnceExecuteOnce(&g_bind_once, Bind, nullptr, nullptr);
  return g_bound ? &g_layer : nullptr;
}

}  // namespace qs::aspishim
