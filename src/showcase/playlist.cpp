#include "showcase/playlist.h"

namespace qs::showcase {
namespace {

// The background colour is the player's: black for movies 2, 3 and 9, the one the file names for
// the others. All nine movies name the same one and cover their whole picture from the first
// frame on, so the colour never shows.
// Movies 1, 5, 6 and 9 vary in length and are followed to their end; the others are left after a
// fixed number of ticks. The player never loops a movie (ShowPlay turns looping off and no file
// asks for it), so each fixed-duration movie is made to run at least that long.
constexpr PlaylistEntry kPlaylist[kMovieCount] = {
    {L"\\GIF\\showcase1.gif", -1, 0},  {L"\\GIF\\showcase2.gif", 0, 10},  {L"\\GIF\\showcase3.gif", 0, 13},
    {L"\\GIF\\showcase4.gif", -1, 24}, {L"\\GIF\\showcase5.gif", -1, 0},  {L"\\GIF\\showcase6.gif", -1, 0},
    {L"\\GIF\\showcase7.gif", -1, 33}, {L"\\GIF\\showcase8.gif", -1, 16}, {L"\\GIF\\showcase9.gif", 0, 0},
};

}  // namespace

const PlaylistEntry* PlaylistEntryFor(int flash_index) {
  if (flash_index < 1 || flash_index > kMovieCount) return nullptr;
  return &kPlaylist[flash_index - 1];
}

std::wstring TrackCaption(int16_t flash_index) {
  return L"Track 0" + std::to_wstring(flash_index) + L" Total: 0" + std::to_wstring(kMovieCount);
}

std::wstring_view TrimBlanks(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const size_t last = text.find_last_not_of(L' ');
  return text.substr(first, last - first + 1);
}

void Showcase::SelectFlash() {
  const PlaylistEntry* entry = PlaylistEntryFor(state_.flash_index);
  if (!entry) return;
  view_.Movie().SetBackgroundColor(entry->background_color);
  view_.Movie().SetMovie(view_.FromProgramFolder(entry->literal));
}

void Showcase::ShowPlay() {
  if (view_.ClockInterval() == 0) {
    view_.SetClockEnabled(true);
    view_.SetClockInterval(kPlayInterval);
  }
  MoviePlayer& movie = view_.Movie();
  if (!movie.Visible()) movie.SetVisible(true);
  if (view_.LogoFrameVisible()) view_.SetLogoFrameVisible(false);
  if (!view_.DescriptionVisible()) view_.SetDescriptionVisible(true);
  movie.SetLoop(false);
  // Assigning the movie again restarts it from its beginning, also after a pause.
  SelectFlash();
  ShowFlashDescription();
  movie.Play();
}

void Showcase::ShowPause() {
  view_.SetClockEnabled(false);
  view_.SetClockInterval(0);
  ShowFlashDescription();
  view_.Movie().StopPlay();
}

void Showcase::ShowStop() {
  view_.SetClockInterval(0);
  view_.SetClockEnabled(false);
  MoviePlayer& movie = view_.Movie();
  movie.StopPlay();
  movie.Rewind();
  movie.SetVisible(false);
  // The logo is hidden and shown again around its colour so that it comes back animating.
  AnimatedLogo& logo = view_.Logo();
  logo.SetVisible(false);
  view_.SetLogoFrameVisible(true);
  logo.SetBackValue(0x00FFFFFF);
  logo.SetVisible(true);
  if (view_.DescriptionVisible()) view_.SetDescriptionVisible(false);
  ShowFlashDescription();
}

void Showcase::Step(int16_t next) {
  state_.flash_ticks = 0;
  if (view_.ClockInterval() == 0) {
    view_.SetClockEnabled(true);
    view_.SetClockInterval(kStepInterval);
  }
  MoviePlayer& movie = view_.Movie();
  if (!movie.Visible()) {
    movie.SetVisible(true);
    view_.SetLogoFrameVisible(false);
  }
  state_.flash_index = next;
  ShowFlashDescription();
  // No Play: once playback has been started, the player starts a newly assigned movie itself.
  SelectFlash();
}

void Showcase::ShowFirst() { Step(1); }
void Showcase::ShowLast() { Step(kMovieCount); }
void Showcase::ShowNext() {
  Step(state_.flash_index == kMovieCount ? int16_t{1} : static_cast<int16_t>(state_.flash_index + 1));
}
void Showcase::ShowPrevious() {
  Step(state_.flash_index == 1 ? kMovieCount : static_cast<int16_t>(state_.flash_index - 1));
}

void Showcase::ShowFlashDescription() {
  if (!view_.Movie().Visible()) return;
  const auto language = static_cast<Language>(state_.language);
  const std::wstring text = view_.LoadText(DescriptionId(language, state_.flash_index));
  // Only a changed text is assigned: the refresh runs on every tick and must not redraw.
  if (text != TrimBlanks(view_.DescriptionCaption())) view_.SetDescriptionCaption(text);
  if (!view_.DescriptionVisible()) view_.SetDescriptionVisible(true);
  view_.SetTrackCaption(TrackCaption(state_.flash_index));
}

void Showcase::Advance(int16_t next) {
  state_.flash_ticks = 0;
  state_.flash_index = next;
  SelectFlash();
}

void Showcase::Tick() {
  const PlaylistEntry* entry = PlaylistEntryFor(state_.flash_index);
  if (entry && entry->tick_limit > 0) {
    // Fixed-duration movies never end the list, so the next number is at most 9.
    if (state_.flash_ticks >= entry->tick_limit) {
      Advance(static_cast<int16_t>(state_.flash_index + 1));
    } else {
      ++state_.flash_ticks;
    }
  } else if (!view_.Movie().IsPlaying()) {
    Advance(state_.flash_index == kMovieCount ? int16_t{1} : static_cast<int16_t>(state_.flash_index + 1));
  }
  ShowFlashDescription();
}

}  // namespace qs::showcase
