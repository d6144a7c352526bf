// Reads an animated GIF through the Windows Imaging Component. Any other single picture that
// WIC can read comes back as one frame.
#pragma once
#include <optional>
#include <string>

#include "showcase/gif_animation.h"

namespace qs {

// Nothing when the file is missing, unreadable, damaged or too large. COM must already be
// initialised on the calling thread (the program's UI thread does so at start-up; tests do it
// themselves): the imaging factory is created here and released before returning.
std::optional<GifAnimation> LoadGifAnimation(const std::wstring& path);

}  // namespace qs
