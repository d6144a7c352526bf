// Which frame of an animation is on screen at a given moment. Window-free: the controls feed it
// times from a monotonic millisecond clock and ask when to wake up next.
//
// The schedule is kept against the moment each frame fell due, not the moment a timer happened
// to fire, so late timer messages do not stretch the animation.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qs {

class FrameClock {
 public:
  // A new animation, halted on frame 0. A delay of 0 is counted as 1 ms so that a looping
  // animation always takes time to go round.
  void Load(std::vector<uint32_t> delays_ms);
  void Clear() { Load({}); }
  // New delays for the same frames (the count must match, else nothing changes); the frame on
  // screen and the time it has been shown stay.
  void SetDelays(std::vector<uint32_t> delays_ms);
  void SetLoop(bool loop) { loop_ = loop; }
  bool loop() const { return loop_; }

  // Runs from the current frame, with the time it had already been shown; a non-looping run
  // that has ended starts again from frame 0. Does nothing without frames.
  void Play(uint64_t now);
  // Halts on the frame due at now and remembers how long that frame has been shown.
  void Stop(uint64_t now);
  // Back to frame 0; a running clock keeps running from there.
  void Rewind(uint64_t now);
  // Moves to the frame due at now. True if the frame on screen changed.
  bool Advance(uint64_t now);

  size_t frame() const { return frame_; }
  size_t frame_count() const { return delays_.size(); }
  bool playing() const { return playing_; }
  // True once a non-looping run has shown its last frame for that frame's delay.
  bool ended() const { return ended_; }
  // Milliseconds from now until the next change (a new frame or the end of the run), or
  // nothing when no change will come (halted, or a looping single frame).
  std::optional<uint64_t> NextChangeIn(uint64_t now) const;

 private:
  uint64_t Delay(size_t frame) const { return delays_[frame]; }
  void AdoptDelays(std::vector<uint32_t> delays_ms);

  std::vector<uint32_t> delays_;
  uint64_t cycle_ms_ = 0;
  size_t frame_ = 0;
  bool loop_ = false;
  bool playing_ = false;
  bool ended_ = false;
  uint64_t frame_due_ = 0;  // while playing: when the current frame fell due
  uint64_t shown_ = 0;      // while halted: how long the current frame had been shown
};

}  // namespace qs
