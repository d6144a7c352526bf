// A fake movie player, logo, labels and clock for driving the showcase rules natively. Every
// call that changes something is written to one shared journal, so tests can check order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "showcase/playlist.h"

namespace qs::showcase::testing {

using Journal = std::vector<std::string>;

inline std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// Plays like the real player: once Play has been called, an assigned movie starts by itself;
// the test ends a movie with End().
class FakePlayer final : public MoviePlayer {
 public:
  explicit FakePlayer(Journal& journal) : journal_(journal) {}
  void SetMovie(const std::wstring& path) override {
    movie = path;
    playing = started;
    journal_.push_back("movie=" + Narrow(path));
  }
  void SetBackgroundColor(int32_t color) override {
    background = color;
    journal_.push_back("background=" + std::to_string(color));
  }
  void SetLoop(bool value) override {
    loop = value;
    journal_.push_back(value ? "loop=1" : "loop=0");
  }
  void Play() override {
    started = playing = true;
    journal_.push_back("play");
  }
  void StopPlay() override {
    playing = false;
    journal_.push_back("stopplay");
  }
  void Rewind() override { journal_.push_back("rewind"); }
  bool IsPlaying() const override { return playing; }
  bool Visible() const override { return visible; }
  void SetVisible(bool value) override {
    visible = value;
    journal_.push_back(value ? "movie.show" : "movie.hide");
  }
  void End() { playing = false; }

  std::wstring movie;
  int32_t background = 12345;
  bool loop = true;
  bool started = false;
  bool playing = false;
  bool visible = true;

 private:
  Journal& journal_;
};

class FakeLogo final : public AnimatedLogo {
 public:
  explicit FakeLogo(Journal& journal) : journal_(journal) {}
  void SetPicturePath(const std::wstring&) override {}
  void SetBackValue(uint32_t value) override { journal_.push_back("logo.back=" + std::to_string(value)); }
  bool Visible() const override { return visible; }
  void SetVisible(bool value) override {
    visible = value;
    journal_.push_back(value ? "logo.show" : "logo.hide");
  }
  bool visible = true;

 private:
  Journal& journal_;
};

class FakeShowcaseView final : public ShowcaseView {
 public:
  FakeShowcaseView() : player(journal), logo(journal) {}

  MoviePlayer& Movie() override { return player; }
  AnimatedLogo& Logo() override { return logo; }
  bool LogoFrameVisible() const override { return frame_visible; }
  void SetLogoFrameVisible(bool value) override {
    frame_visible = value;
    journal.push_back(value ? "frame.show" : "frame.hide");
  }
  bool DescriptionVisible() const override { return description_visible; }
  void SetDescriptionVisible(bool value) override {
    description_visible = value;
    journal.push_back(value ? "description.show" : "description.hide");
  }
  std::wstring DescriptionCaption() const override { return description; }
  void SetDescriptionCaption(const std::wstring& caption) override {
    description = caption;
    ++description_assignments;
    journal.push_back("description=" + Narrow(caption));
  }
  void SetTrackCaption(const std::wstring& caption) override { track = caption; }
  uint32_t ClockInterval() const override { return interval; }
  void SetClockInterval(uint32_t ms) override {
    interval = ms;
    journal.push_back("clock.interval=" + std::to_string(ms));
  }
  void SetClockEnabled(bool value) override {
    enabled = value;
    journal.push_back(value ? "clock.enable" : "clock.disable");
  }
  std::wstring LoadText(StringId id) override { return L"text " + std::to_wstring(id); }
  std::wstring FromProgramFolder(std::wstring_view literal) override {
    return L"C:\\QS" + std::wstring(literal);
  }

  bool Ticking() const { return enabled && interval > 0; }

  Journal journal;
  FakePlayer player;
  FakeLogo logo;
  bool frame_visible = false;
  bool description_visible = true;
  std::wstring description;
  int description_assignments = 0;
  std::wstring track = L"Track 01  Total: ";
  uint32_t interval = 0;
  bool enabled = true;
};

}  // namespace qs::showcase::testing
