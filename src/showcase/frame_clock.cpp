#include "showcase/frame_clock.h"

#include <algorithm>
#include <utility>

namespace qs {

void FrameClock::Load(std::vector<uint32_t> delays_ms) {
  AdoptDelays(std::move(delays_ms));
  frame_ = 0;
  playing_ = false;
  ended_ = false;
  frame_due_ = 0;
  shown_ = 0;
}

void FrameClock::SetDelays(std::vector<uint32_t> delays_ms) {
  if (delays_ms.size() == delays_.size()) AdoptDelays(std::move(delays_ms));
}

void FrameClock::AdoptDelays(std::vector<uint32_t> delays_ms) {
  delays_ = std::move(delays_ms);
  cycle_ms_ = 0;
  for (uint32_t& delay : delays_) {
    delay = std::max<uint32_t>(delay, 1);
    cycle_ms_ += delay;
  }
}

void FrameClock::Play(uint64_t now) {
  if (delays_.empty() || playing_) return;
  if (ended_) {
    frame_ = 0;
    shown_ = 0;
    ended_ = false;
  }
  frame_due_ = now - std::min(shown_, now);
  playing_ = true;
}

void FrameClock::Stop(uint64_t now) {
  if (!playing_) return;
  Advance(now);
  if (!playing_) return;  // the run ended on its own
  shown_ = std::min(now - frame_due_, Delay(frame_));
  playing_ = false;
}

void FrameClock::Rewind(uint64_t now) {
  frame_ = 0;
  ended_ = false;
  shown_ = 0;
  frame_due_ = now;
}

bool FrameClock::Advance(uint64_t now) {
  if (!playing_ || now < frame_due_) return false;
  const size_t before = frame_;
  const size_t last = delays_.size() - 1;
  // Far behind a looping animation (the machine slept, say): whole rounds change nothing on
  // screen, so skip them instead of stepping through every frame.
  if (loop_ && now - frame_due_ > 2 * cycle_ms_) {
    frame_due_ += ((now - frame_due_) / cycle_ms_ - 1) * cycle_ms_;
  }
  while (now - frame_due_ >= Delay(frame_)) {
    if (frame_ == last && !loop_) {
      playing_ = false;
      ended_ = true;
      shown_ = Delay(frame_);
      break;
    }
    frame_due_ += Delay(frame_);
    frame_ = frame_ == last ? 0 : frame_ + 1;
    if (delays_.size() == 1) break;  // a looping single frame never changes
  }
  return frame_ != before;
}

std::optional<uint64_t> FrameClock::NextChangeIn(uint64_t now) const {
  if (!playing_) return std::nullopt;
  if (loop_ && delays_.size() == 1) return std::nullopt;
  const uint64_t due = frame_due_ + Delay(frame_);
  return due > now ? due - now : 0;
}

}  // namespace qs
