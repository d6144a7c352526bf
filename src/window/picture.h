// Picture loading for the skin: JPEG, BMP and GIF (first frame) files and resources decoded with
// WIC into top-down 32-bit DIB sections, and cursors from .cur files.
#pragma once
#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace qs {

// Decodes the file; an empty bitmap when it cannot be read or decoded.
UniqueBitmap TryLoadPicture(const std::wstring& path);
// The skin's rule: a picture that cannot be loaded is fatal, naming the file.
UniqueBitmap LoadPicture(const std::wstring& path);
// A picture stored in the program as RCDATA (the maker's logo, Backdrop's picture).
UniqueBitmap LoadPictureResource(HINSTANCE instance, int resource_id);
// A cursor file; fatal when it cannot be loaded.
UniqueCursor LoadCursorFile(const std::wstring& path);

SIZE BitmapSize(HBITMAP bitmap);

}  // namespace qs
