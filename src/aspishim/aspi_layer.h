// The installed ASPI layer (WNASPI32.DLL), bound once on first use and kept for the process.
#pragma once
#include <windows.h>

namespace qs::aspishim {

// The layer's own entry points; ASPI for Win32 declares them cdecl.
using GetSupportInfoFn = DWORD(__cdecl*)();
using SendCommandFn = DWORD(__cdecl*)(void* record);

struct AspiLayer {
  GetSupportInfoFn get_support_info = nullptr;
  SendCommandFn send_command = nullptr;
};

// The bound layer, or nullptr when no usable WNASPI32.DLL exists in the program folder or the
// system folder. Safe to call from any thread; the first call does the binding.
const AspiLayer* BoundLayer() noexcept;

}  // namespace qs::aspishim
