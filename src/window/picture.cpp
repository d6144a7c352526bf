#include "window/picture.h"

#include "base/platform.h"
#include "base/string_table.h"

namespace qs {

UniqueBitmap LoadPicture(const std::wstring& path) {
  UniqueBitmap bitmap = TryLoadPicture(path);
  if (!bitmap) FatalError(LoadMessage(Message::kPictureMissing, path));
  return bitmap;
}

UniqueCursor LoadCursorFile(const std::wstring& path) {
  UniqueCursor cursor(
      static_cast<HCURSOR>(::LoadImageW(nullptr, path.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE)));
  if (!cursor) FatalError(LoadMessage(Message::kCursorMissing, path));
  return cursor;
}

}  // namespace qs
