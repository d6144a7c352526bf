// The skin's pictures and cursors, loaded from their files each time they are shown. Decoding is
// common/wic_picture.h's; what this adds is the skin's rule that a missing file is fatal.
#pragma once
#include <windows.h>

#include <string>

#include "common/unique_handle.h"
#include "common/wic_picture.h"

namespace qs {

// Decodes the file; an empty bitmap when it cannot be read or decoded.
inline UniqueBitmap TryLoadPicture(const std::wstring& path) { return DecodePictureFile(path); }
// A picture that cannot be loaded is fatal, naming the file.
UniqueBitmap LoadPicture(const std::wstring& path);
// A cursor file; fatal when it cannot be loaded.
UniqueCursor LoadCursorFile(const std::wstring& path);

}  // namespace qs
