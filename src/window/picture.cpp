#include "window/picture.h"

#include "shell/platform.h"

namespace qs {

UniqueBitmap LoadPicture(const std::wstring& path) {
  UniqueBitmap bitmap = TryLoadPicture(path);
  if (!bitmap) FatalError(L"QuietSpin cannot load the picture " + path + L".");
  return bitmap;
}

UniqueCursor LoadCursorFile(const std::wstring& path) {
  UniqueCursor cursor(static_cast<HCURSOR>(::LoadImageW(nullptr, path.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE)));
  if (!cursor) FatalError(L"QuietSpin cannot load the cursor " + path + L".");
  return cursor;
}

}  // namespace qs
