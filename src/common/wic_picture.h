// Still pictures (JPEG, BMP, the first frame of a GIF) decoded with WIC into top-down 32-bit DIB
// sections of premultiplied BGRA, ready for BitBlt. Shared by QuietSpin and Backdrop. The
// calling thread must have initialised COM.
#pragma once
#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace qs {

// Each returns an empty bitmap when the picture cannot be read or decoded.
UniqueBitmap DecodePictureFile(const std::wstring& path);
UniqueBitmap DecodePictureBytes(const BYTE* data, DWORD size);
// A picture stored in the executable as RCDATA.
UniqueBitmap DecodePictureResource(HINSTANCE instance, int resource_id);

// Width and height of a bitmap in pixels ({0, 0} for none).
SIZE BitmapSize(HBITMAP bitmap);

}  // namespace qs
