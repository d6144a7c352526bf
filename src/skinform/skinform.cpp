// SkinForm.dll: turns a mask bitmap into the window region that gives the main window its outline.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "common/unique_handle.h"
#include "skinform/bmp_region.h"

namespace qs::skin {
namespace {

// A mask at the pixel cap in 32 bpp plus headers fits well below this; anything larger is not a mask.
constexpr int64_t kMaxMaskFileBytes = kMaxMaskPixels * 4 + (1 << 16);

std::optional<std::vector<uint8_t>> ReadWholeFile(const char* path) {
  UniqueFile file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();  // INVALID_HANDLE_VALUE is nothing to close
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxMaskFileBytes) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  size_t filled = 0;
  while (filled < bytes.size()) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(bytes.size() - filled);
    if (!::ReadFile(file.get(), bytes.data() + filled, want, &got, nullptr) || got == 0) return std::nullopt;
    filled += got;
  }
  return bytes;
}

// One ExtCreateRegion call over all rectangles: far cheaper than a CombineRgn per run.
HRGN CreateRegionFromRects(const std::vector<Rect>& rects) {
  if (rects.empty()) return ::CreateRectRgn(0, 0, 0, 0);
  RECT bounds{rects.front().left, rects.front().top, rects.front().right, rects.front().bottom};
  for (const Rect& r : rects) {
    bounds.left = std::min<LONG>(bounds.left, r.left);
    bounds.top = std::min<LONG>(bounds.top, r.top);
    bounds.right = std::max<LONG>(bounds.right, r.right);
    bounds.bottom = std::max<LONG>(bounds.bottom, r.bottom);
  }
  const size_t rect_bytes = rects.size() * sizeof(RECT);
  // RGNDATA is a header followed by the rectangles; a RECT vector keeps the buffer aligned.
  std::vector<RECT> buffer(1 + (sizeof(RGNDATAHEADER) + rect_bytes + sizeof(RECT) - 1) / sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(rects.size());
  data->rdh.nRgnSize = static_cast<DWORD>(rect_bytes);
  data->rdh.rcBound = bounds;
  auto* out = reinterpret_cast<RECT*>(data->Buffer);
  for (size_t i = 0; i < rects.size(); ++i)
    out[i] = RECT{rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
  const auto total = static_cast<DWORD>(sizeof(RGNDATAHEADER) + rect_bytes);
  return ::ExtCreateRegion(nullptr, total, data);
}

}  // namespace
}  // namespace qs::skin

// Returns the region of the pixels of the mask at `path` that are not magenta, in window
// coordinates, or null when the file is missing, unreadable or not a mask we understand. The
// caller hands the region to SetWindowRgn, which takes ownership.
extern "C" HRGN __stdcall TransparentForm(const char* path) {
  if (path == nullptr) return nullptr;
  auto bytes = qs::skin::ReadWholeFile(path);
  if (!bytes) return nullptr;
  auto shape = qs::skin::ScanMaskBitmap(*bytes);
  if (!shape) return nullptr;
  return qs::skin::CreateRegionFromRects(qs::skin::MergeRunsIntoRects(shape->runs));
}
