#include "backdrop/backdrop_picture.h"

#include "common/wic_picture.h"

namespace qs::backdrop {

Picture LoadPictureResource(HINSTANCE instance, int id) {
  Picture picture;
  picture.bitmap = DecodePictureResource(instance, id);
  picture.size = BitmapSize(picture.bitmap.get());
  return picture;
}

}  // namespace qs::backdrop
