#include "aspishim/aspi_layer.h"

#include <string>

#include "common/trusted_library.h"
#include "common/unique_handle.h"

namespace qs::aspishim {
namespace {

constexpr wchar_t kLayerFile[] = L"WNASPI32.DLL";

AspiLayer g_layer;
bool g_bound = false;
INIT_ONCE g_bind_once = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK Bind(PINIT_ONCE, PVOID, PVOID*) {
  UniqueModule module = LoadFromTrustedFolders(kLayerFile);
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
