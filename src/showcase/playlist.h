// The showcase: nine movies played one after another by a clock, with a description and a track
// read-out under them, and a logo panel in the movie's place while the showcase is stopped.
//
// Window-free. The rules work through ShowcaseView, which frmMain implements over its controls
// (window/frm_main_showcase.cpp) and the tests implement with a fake player and clock.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/language.h"
#include "showcase/hosted_controls.h"

namespace qs::showcase {

inline constexpr int16_t kMovieCount = 9;
inline constexpr uint32_t kPlayInterval = 1000;  // ms: a clock that Play starts
inline constexpr uint32_t kStepInterval = 2000;  // ms: a clock that a stepping button starts

struct PlaylistEntry {
  const wchar_t* literal;    // appended to the program folder
  int32_t background_color;  // -1: the movie's own background; 0: black
  int16_t tick_limit;        // 0: the movie is left once it has stopped playing by itself
};

// The entry of movie `flash_index`; nullptr outside 1..9.
const PlaylistEntry* PlaylistEntryFor(int flash_index);

// "Track 0<n> Total: 09". Both zeros are fixed text: the read-out is right only for 1..9.
std::wstring TrackCaption(int16_t flash_index);

// The text with its leading and trailing blanks (spaces) removed.
std::wstring_view TrimBlanks(std::wstring_view text);

// What the showcase drives: the player, the logo panel with its animated logo, the two labels,
// the clock and the string table.
class ShowcaseView {
 public:
  virtual ~ShowcaseView() = default;
  virtual MoviePlayer& Movie() = 0;
  virtual AnimatedLogo& Logo() = 0;
  virtual bool LogoFrameVisible() const = 0;
  virtual void SetLogoFrameVisible(bool visible) = 0;
  virtual bool DescriptionVisible() const = 0;
  virtual void SetDescriptionVisible(bool visible) = 0;
  virtual std::wstring DescriptionCaption() const = 0;
  virtual void SetDescriptionCaption(const std::wstring& caption) = 0;
  virtual void SetTrackCaption(const std::wstring& caption) = 0;
  // The clock: an interval of 0 means stopped, whatever Enabled says.
  virtual uint32_t ClockInterval() const = 0;
  virtual void SetClockInterval(uint32_t ms) = 0;
  virtual void SetClockEnabled(bool enabled) = 0;
  virtual std::wstring LoadText(StringId id) = 0;
  // The program folder followed by `literal` (which begins with a backslash).
  virtual std::wstring FromProgramFolder(std::wstring_view literal) = 0;
};

// The module-level state the showcase shares with start-up and the tray.
struct ShowcaseState {
  int16_t& flash_index;     // the current movie, 1..9
  int16_t& flash_ticks;     // clock ticks counted on a fixed-duration movie
  const int32_t& language;  // LanguageId: 1028, 2052 or 1033
};

// The playback routines. None of them reads or writes the transport strip's mode.
class Showcase {
 public:
  Showcase(ShowcaseView& view, ShowcaseState state) : view_(view), state_(state) {}

  void SelectFlash();
  void ShowPlay();
  void ShowPause();
  void ShowStop();
  void ShowFirst();
  void ShowPrevious();
  void ShowNext();
  void ShowLast();
  void ShowFlashDescription();
  // One tick of the showcase clock: counts or advances, then refreshes the labels.
  void Tick();

 private:
  // The common part of First, Previous, Next and Last, which land on movie `next`.
  void Step(int16_t next);
  // The automatic move to movie `next` when the clock sees the current one end.
  void Advance(int16_t next);

  ShowcaseView& view_;
  ShowcaseState state_;
};

}  // namespace qs::showcase
