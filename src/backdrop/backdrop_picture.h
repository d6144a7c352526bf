// The backdrop picture stored in the executable, decoded into a bitmap that GDI can draw.
#pragma once
#include <windows.h>

#include "common/unique_handle.h"

namespace qs::backdrop {

struct Picture {
  UniqueBitmap bitmap;  // 32 bpp top-down DIB section, empty when decoding failed
  SIZE size{};          // in pixels
};

// Decodes the RCDATA resource `id` of `instance` with WIC. COM must be initialised on this
// thread. Returns an empty picture on any failure: the window then simply stays white.
Picture LoadPictureResource(HINSTANCE instance, int id);

}  // namespace qs::backdrop
