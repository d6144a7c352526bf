// The one rule by which QuietSpin and ASPIshim.dll find a library they load by name (the ASPI
// layer WNASPI32.DLL, the shim ASPIshim.dll): the program folder first, then the system folder,
// by full path only, so that a copy planted in the current folder or on PATH is never taken.
#pragma once
#include <windows.h>

#include "common/unique_handle.h"

namespace qs {

// The first of "<program folder>\file_name" and "<system folder>\file_name" that loads; an empty
// handle when neither does.
UniqueModule LoadFromTrustedFolders(const wchar_t* file_name);

}  // namespace qs
