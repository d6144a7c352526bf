// frmMain: QuietSpin's one window, a borderless skinned panel of 527 x 500 pixels with the
// showcase player, the transport strip, the speed meter and the hot spots. The class holds the
// controls and the event handlers; each subsystem implements its handlers in its own file:
//   window/frm_main.cpp                 creation, layout, painting, message dispatch
//   window/frm_main_skin.cpp            the outline and the skin pictures
//   window/frm_main_hotspots.cpp        title strip, exit button, logos, mode indicator
//   window/frm_main_load.cpp            start-up and shutdown
//   window/frm_main_tray.cpp            tray icon and menu
//   window/frm_main_speed_selector.cpp  pointer tracking, the meter, click and re-apply timer
//   window/frm_main_showcase.cpp        playlist and playback routines, the showcase clock
//   window/frm_main_transport.cpp       press and release on the transport strip
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "common/base_window.h"
#include "common/unique_handle.h"
#include "showcase/hosted_controls.h"
#include "speed/module_aspi.h"
#include "speed/speed_rules.h"
#include "window/form_timer.h"
#include "window/frame.h"
#include "window/label.h"
#include "window/picture_box.h"
#include "window/tooltip.h"

namespace qs {

// Window-free twins of the controls' places, shared with tests.
namespace layout {
inline constexpr int kWidth = 527, kHeight = 500;
inline constexpr POINT kStoredPosition{294, 114};
inline constexpr COLORREF kBackColor = RGB(128, 128, 128);
inline constexpr COLORREF kLabelBlue = 0x00EAAF47;  // RGB 71, 175, 234
}  // namespace layout

class FrmMain final : public BaseWindow<FrmMain>, private PictureBoxEvents, private AnimatedLogoEvents {
 public:
  static constexpr UINT_PTR kTimer1Id = 1;
  static constexpr UINT_PTR kTimer2Id = 2;
  static constexpr int16_t kTopLevel = speed::kTopLevel;
  // The main window's class: a second start finds the running instance's window by it.
  static constexpr wchar_t kClassName[] = L"QuietSpinMain";

  // How a start leaves the program: with its window shown at the top level, or (the logon task's
  // /tray) in the tray, hidden with the showcase paused, at the level a click last applied.
  enum class StartMode { kWindow, kTray };

  // The ASPI port is the real one in the program and a simulated one in tests.
  explicit FrmMain(aspi::AspiPort& aspi_port);
  FrmMain(const FrmMain&) = delete;
  FrmMain& operator=(const FrmMain&) = delete;
  ~FrmMain() override;

  // Creates the window with its controls (not yet shown) and runs Form_Load. Returns false when
  // start-up ended without a window (the install branch), true when the program runs: its window
  // shown, or for StartMode::kTray hidden with only the tray icon present.
  bool Load(StartMode mode = StartMode::kWindow);
  // Runs Form_Unload once and destroys the window: the exit button, the tray menu's Exit and
  // WM_CLOSE all come here. Nothing happens before both start-up checks have passed.
  void Unload();
  bool Unloaded() const { return unloaded_; }

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  // ---- start-up and shutdown (window/frm_main_load.cpp) ----
  bool Form_Load();
  void Form_Unload(int16_t& cancel);
  void ChooseLanguage();

  // ---- tray (window/frm_main_tray.cpp) ----
  void AddToSystemTray();
  void mnuShow_Click();
  void mnuExit_Click();
  void ShowTrayMenu();
  // A second start asked to see this instance: shown as the tray menu's Show does, in front.
  void ShowInstance_Request();

  // ---- skin (window/frm_main_skin.cpp) ----
  void ShapeWindow();
  void LoadSkinPictures();
  void DrawBitmap(HDC hdc, HBITMAP bitmap, int16_t x, int16_t y);
  // The window's persistent backing image: drawing here survives being covered.
  HDC hDC() const { return backing_dc_.get(); }

  // ---- speed selector (window/frm_main_speed_selector.cpp) ----
  void Form_MouseMove(int16_t button, int16_t shift, float x, float y);
  void UpdateSpeedMeter(float from, float to);
  bool InSpeedClickArea(POINT point) const;
  void Form_Click();
  void Timer2_Timer();

  // ---- showcase (window/frm_main_showcase.cpp) ----
  void SelectFlash();
  void ShowPlay();
  void ShowPause();
  void ShowStop();
  void ShowFirst();
  void ShowPrevious();
  void ShowNext();
  void ShowLast();
  void ShowFlashDescription();
  void Timer1_Timer();

  // ---- transport strip (window/frm_main_transport.cpp) ----
  void picButton_MouseDown(int button, int shift, int x, int y);
  void picButton_MouseUp(int button, int shift, int x, int y);

  // ---- hot spots (window/frm_main_hotspots.cpp) ----
  void PicCaption_MouseMove(int button, int shift, int x, int y);
  void PicCaption_MouseDown(int button, int shift, int x, int y);
  void picExit_MouseMove(int button, int shift, int x, int y);
  void picExit_Click();
  void picOngoing_MouseMove(int button, int shift, int x, int y);
  void imgVantorLogo_MouseMove(int button, int shift, int x, int y);
  void imgVantorLogo_MouseUp(int button, int shift, int x, int y);
  void AniGifMurmex_Click() override;
  void AniGifMurmex_MouseOver() override;

  // ---- the window's own properties ----
  // Mouse pointer: 0 default arrow, 99 the custom MouseIcon.
  void SetMousePointer(int pointer);
  int MousePointer() const { return mouse_pointer_; }
  void SetMouseIcon(UniqueCursor cursor);
  HICON Icon() const { return icon_.get(); }
  bool Visible() const;
  void SetVisible(bool visible);
  // 0 normal, 1 minimised.
  int WindowState() const;
  void SetWindowState(int state);
  // Shows or hides a windowed control or label by its window.
  static void SetControlVisible(HWND control, bool visible);

  // ---- controls, in creation order ----
  PictureBox picOngoing;
  PictureBox PicCaption;
  PictureBox picButton;
  PictureBox picExit;
  Frame FraLogo;
  std::unique_ptr<AnimatedLogo> AniGifMurmex;
  HWND AniGifMurmexWindow = nullptr;
  Label Label3;
  Label Label2;
  PictureBox imgVantorLogo;
  FormTimer Timer2{kTimer2Id, 2000, true};
  FormTimer Timer1{kTimer1Id, 0, true};
  std::unique_ptr<MoviePlayer> FlashDemo;
  HWND FlashDemoWindow = nullptr;
  Label lblTrack;
  Label lblTip;
  std::array<speed::Bar, speed::kBarCount> LineSpeed{};
  Label lblFlashDescription;
  Label lblAddress;
  UniqueMenu mnuView;  // the menu bar resource; the popup is its first submenu
  Tooltip tips;

  int16_t PlayState = 0;  // 1 play, 2 pause, 3 stop: the mode lit on the transport strip
  ModuleAspi aspi;

  // ---- showcase state (showcase/*) ----

  // ---- tray state (window/frm_main_tray.cpp, window/module_callback.cpp) ----
  // The tray icon's callback, with the mouse message that happened over the icon: a left button
  // release hides or shows the window, a right button release opens mnuView.
  void TrayIcon_Notify(UINT mouse_message);
  void TrayIcon_Toggle();

  // ---- hot spot state (window/frm_main_hotspots.cpp) ----

 private:
  // PictureBoxEvents: routes each box's events to its named handlers.
  void OnBoxMouseMove(PictureBox& box, int button, int shift, int x, int y) override;
  void OnBoxMouseDown(PictureBox& box, int button, int shift, int x, int y) override;
  void OnBoxMouseUp(PictureBox& box, int button, int shift, int x, int y) override;
  void OnBoxClick(PictureBox& box) override;

  void OnCreate();
  void CreateControls();
  void CreateHostedControls();
  void OnPaint();
  void DrawMeter(HDC dc) const;
  bool OnSetCursor(LPARAM lp);
  void OnLeftButtonUp(POINT at);
  void OnCommand(WPARAM wp);

  UniqueIcon icon_;
  UniqueCursor hand_cursor_;
  UniqueCursor mouse_icon_;
  int mouse_pointer_ = 0;
  UniqueDc backing_dc_;
  UniqueBitmap backing_bitmap_;
  HGDIOBJ backing_old_ = nullptr;
  bool left_down_on_form_ = false;
  bool checks_passed_ = false;  // both start-up checks passed: the drives may be spoken to
  StartMode start_mode_ = StartMode::kWindow;
  bool running_ = false;  // start-up is complete: the window may be shown on request
  bool unloaded_ = false;
};

// The one main window of the process (null before it exists and after it is destroyed).
inline FrmMain* frmMain = nullptr;

}  // namespace qs
