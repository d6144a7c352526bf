#include "showcase/gif_animation_view.h"

#include <algorithm>
#include <span>

#include "showcase/gif_animation_wic.h"

namespace qs {
namespace {

uint32_t RgbOf(COLORREF color) {
  return (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

}  // namespace

bool GifAnimationView::Load(const std::wstring& path) {
  Clear();
  file_ = GifFile::Open(path);
  if (!file_) return false;
  const GifAnimation& animation = file_->animation();
  playhead_ = std::make_unique<GifPlayhead>(animation, *file_);
  clock_.Load(animation.delays_ms());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(animation.width);
  info.bmiHeader.biHeight = -static_cast<LONG>(animation.height);  // top-down, like the frames
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  picture_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!picture_) {
    Clear();
    return false;
  }
  picture_bits_ = static_cast<uint32_t*>(bits);
  Sync(true);
  return true;
}

void GifAnimationView::Clear() {
  playhead_.reset();
  file_.reset();
  clock_.Clear();
  picture_.reset();
  picture_bits_ = nullptr;
  composed_frame_ = SIZE_MAX;
  Sync(true);
}

void GifAnimationView::SetBackground(COLORREF color) {
  if (color == background_) return;
  background_ = color;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

std::optional<COLORREF> GifAnimationView::own_background() const {
  if (!file_ || !file_->animation().background) return std::nullopt;
  const uint32_t rgb = *file_->animation().background;
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void GifAnimationView::SetLoop(bool loop) {
  clock_.SetLoop(loop);
  Sync(false);
}

void GifAnimationView::Play() {
  const size_t before = clock_.frame();
  clock_.Play(GetTickCount64());
  Sync(clock_.frame() != before);
}

void GifAnimationView::Stop() {
  CompleteFrames();
  const size_t before = clock_.frame();
  clock_.Stop(GetTickCount64());
  Sync(clock_.frame() != before);
}

void GifAnimationView::Rewind() {
  const size_t before = clock_.frame();
  clock_.Rewind(GetTickCount64());
  Sync(clock_.frame() != before);
}

bool GifAnimationView::OnTimer(UINT_PTR id) {
  if (id != timer_id_) return false;
  CompleteFrames();
  Sync(clock_.Advance(GetTickCount64()));
  return true;
}

void GifAnimationView::CompleteFrames() {
  if (!file_ || file_->complete()) return;
  file_->ReadRemainingFrames();
  clock_.SetDelays(file_->animation().delays_ms());
}

void GifAnimationView::Sync(bool frame_changed) {
  // Each frame is composed when it falls due, also while nobody sees it, so that showing the
  // window again never has a backlog of frames to catch up on.
  if (frame_changed && playhead_) playhead_->Seek(clock_.frame());
  if (!hwnd_) return;
  // A hidden window is not repainted, so invalidating it costs nothing.
  if (frame_changed) InvalidateRect(hwnd_, nullptr, FALSE);
  const auto due = clock_.NextChangeIn(GetTickCount64());
  if (!due) {
    KillTimer(hwnd_, timer_id_);
    return;
  }
  // One timer, rescheduled for each frame's own delay.
  const auto wait = static_cast<UINT>(std::clamp<uint64_t>(*due, USER_TIMER_MINIMUM, 0x7FFFFFFF));
  SetTimer(hwnd_, timer_id_, wait, nullptr);
}

bool GifAnimationView::ComposeCurrent() {
  if (empty() || !picture_bits_) return false;
  if (composed_frame_ == clock_.frame() && composed_background_ == background_) return true;
  const auto& frame = playhead_->Seek(clock_.frame());
  GdiFlush();  // GDI may still be reading the section
  ComposeOver(frame, RgbOf(background_), std::span<uint32_t>(picture_bits_, frame.size()));
  composed_frame_ = clock_.frame();
  composed_background_ = background_;
  return true;
}

void GifAnimationView::Paint(HDC dc) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  UniqueBrush background(CreateSolidBrush(background_));
  if (!ComposeCurrent()) {
    FillRect(dc, &client, background.get());
    return;
  }
  UniqueDc source(CreateCompatibleDC(dc));
  SelectScope select(source.get(), picture_.get());
  const int width = static_cast<int>(file_->animation().width);
  const int height = static_cast<int>(file_->animation().height);
  if (fit_ == Fit::kStretch) {
    // HALFTONE averages the pixels a shrink would drop (and needs the brush origin reset after
    // it); an enlargement keeps its edges sharp by repeating pixels, as vector movies would.
    const bool shrinks = client.right < width || client.bottom < height;
    const int old_mode = SetStretchBltMode(dc, shrinks ? HALFTONE : COLORONCOLOR);
    POINT old_origin{};
    SetBrushOrgEx(dc, 0, 0, &old_origin);
    StretchBlt(dc, 0, 0, client.right, client.bottom, source.get(), 0, 0, width, height, SRCCOPY);
    SetBrushOrgEx(dc, old_origin.x, old_origin.y, nullptr);
    SetStretchBltMode(dc, old_mode);
    return;
  }
  const int left = (client.right - width) / 2;
  const int top = (client.bottom - height) / 2;
  // Fill only around the picture, so that no pixel is painted twice.
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, left, top, left + width, top + height);
  FillRect(dc, &client, background.get());
  RestoreDC(dc, saved);
  BitBlt(dc, left, top, width, height, source.get(), 0, 0, SRCCOPY);
}

}  // namespace qs
