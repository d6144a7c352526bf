// What the main window asks of its two hosted controls: the movie player that fills the
// showcase area and the animated logo on the logo panel. Window-free, so that the showcase
// rules can be tested with fakes; the real controls live in showcase/movie_player.* and
// showcase/anigif_control.*.
#pragma once
#include <cstdint>
#include <string>

namespace qs {

class MoviePlayer {
 public:
  virtual ~MoviePlayer() = default;
  // Loads the file in place of the current movie. Once Play has been called, a movie
  // assigned later starts playing by itself. A file that cannot be loaded leaves the area
  // empty and the player not playing.
  virtual void SetMovie(const std::wstring& path) = 0;
  // -1: the movie's own background; 0: black.
  virtual void SetBackgroundColor(int32_t color) = 0;
  virtual void SetLoop(bool loop) = 0;
  virtual void Play() = 0;
  virtual void StopPlay() = 0;  // halts on the current frame
  virtual void Rewind() = 0;    // back to the first frame
  // False once a non-looping movie has shown its last frame for that frame's delay.
  virtual bool IsPlaying() const = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
};

class AnimatedLogo {
 public:
  virtual ~AnimatedLogo() = default;
  // The animation to show, looping, for as long as the control is visible.
  virtual void SetPicturePath(const std::wstring& path) = 0;
  // The value stored as the control's background colour (0x00FFFFFF is white, as BGR).
  virtual void SetBackValue(uint32_t value) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
};

// Events the animated logo raises to its host.
class AnimatedLogoEvents {
 public:
  virtual ~AnimatedLogoEvents() = default;
  virtual void AniGifMurmex_Click() = 0;
  virtual void AniGifMurmex_MouseOver() = 0;
};

}  // namespace qs
