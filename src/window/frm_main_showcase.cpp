// The showcase's playlist and playback routines on frmMain: each routine applies the rules of
// showcase/playlist.h to frmMain's controls through the adapter below.
#include "base/module_dim.h"
#include "base/string_table.h"
#include "common/program_folder.h"
#include "showcase/playlist.h"
#include "window/frm_main.h"

namespace qs {
namespace {

// Stand-ins for a hosted control whose window could not be created: the showcase then runs on
// an empty area instead of dereferencing nothing.
class NoMovie final : public MoviePlayer {
 public:
  void SetMovie(const std::wstring&) override {}
  void SetBackgroundColor(int32_t) override {}
  void SetLoop(bool) override {}
  void Play() override {}
  void StopPlay() override {}
  void Rewind() override {}
  bool IsPlaying() const override { return false; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }

 private:
  bool visible_ = true;
};

class NoLogo final : public AnimatedLogo {
 public:
  void SetPicturePath(const std::wstring&) override {}
  void SetBackValue(uint32_t) override {}
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }

 private:
  bool visible_ = true;
};

class ShowcaseForm final : public showcase::ShowcaseView {
 public:
  explicit ShowcaseForm(FrmMain& form) : f_(form) {}

  MoviePlayer& Movie() override {
    static NoMovie none;
    return f_.FlashDemo ? *f_.FlashDemo : none;
  }
  AnimatedLogo& Logo() override {
    static NoLogo none;
    return f_.AniGifMurmex ? *f_.AniGifMurmex : none;
  }
  bool LogoFrameVisible() const override { return f_.FraLogo.Visible(); }
  void SetLogoFrameVisible(bool visible) override { f_.FraLogo.SetVisible(visible); }
  bool DescriptionVisible() const override { return f_.lblFlashDescription.Visible(); }
  void SetDescriptionVisible(bool visible) override { f_.lblFlashDescription.SetVisible(visible); }
  std::wstring DescriptionCaption() const override { return f_.lblFlashDescription.Caption(); }
  void SetDescriptionCaption(const std::wstring& caption) override {
    f_.lblFlashDescription.SetCaption(caption);
  }
  void SetTrackCaption(const std::wstring& caption) override { f_.lblTrack.SetCaption(caption); }
  uint32_t ClockInterval() const override { return f_.Timer1.Interval(); }
  void SetClockInterval(uint32_t ms) override { f_.Timer1.SetInterval(ms); }
  void SetClockEnabled(bool enabled) override { f_.Timer1.SetEnabled(enabled); }
  std::wstring LoadText(StringId id) override { return qs::LoadText(id); }
  std::wstring FromProgramFolder(std::wstring_view literal) override {
    return qs::FromProgramFolder(literal);
  }

 private:
  FrmMain& f_;
};

// The rules keep no state of their own beyond the module-level movie number and tick count, so
// each routine runs them on a fresh adapter.
template <typename Routine>
void RunShowcase(FrmMain& form, Routine routine) {
  ShowcaseForm view(form);
  showcase::Showcase rules(view, {FlashIndex, FlashTicks, LanguageId});
  routine(rules);
}

}  // namespace

void FrmMain::SelectFlash() {
  RunShowcase(*this, [](showcase::Showcase& s) { s.SelectFlash(); });
}
void FrmMain::ShowPlay() {
  RunShowcase(*this, [](showcase::Showcase& s) { s.ShowPlay(); });
}
void FrmMain::ShowPause() {
  RunShowcase(*this, [](showcase::Showcase& s) { s.ShowPause(); });
}
void FrmMain::ShowStop() {
  RunShowcase(*this, [](showcase::Showcase& s) { s.ShowStop(); });
}
void FrmMain::ShowFirst() {
  RunShowcase(*this, [](showcase::Showcase& s) { s.ShowFirst(); });
}
void FrmMain::ShowPrevious() {
  RunShowcase(*this, [](showcase::Showcase& s) { s.ShowPrevious(); });
}
void FrmMain::ShowNext() {
  RunShowcase(*this, [](showcase::Showcase& s) { s.ShowNext(); });
}
void FrmMain::ShowLast() {
  RunShowcase(*this, [](showcase::Showcase& s) { s.ShowLast(); });
}
void FrmMain::ShowFlashDescription() {
  RunShowcase(*this, [](showcase::Showcase& s) { s.ShowFlashDescription(); });
}

void FrmMain::Timer1_Timer() {
  // A tick already queued when the clock was stopped is not a tick of the running clock.
  if (!Timer1.Ticking()) return;
  RunShowcase(*this, [](showcase::Showcase& s) { s.Tick(); });
}

}  // namespace qs
