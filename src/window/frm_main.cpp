#include "window/frm_main.h"

#include <windowsx.h>

#include "common/program_folder.h"
#include "resources/resource.h"
#include "showcase/anigif_control.h"
#include "showcase/movie_player.h"
#include "window/picture.h"
#include "window/single_instance.h"

namespace qs {
namespace {

RECT Rect(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

// Stored places of the meter's bars before start-up re-lays them: x in pixels (twips / 15),
// from y 440 to y 445, black.
constexpr double kStoredBarX[speed::kBarCount] = {210.9, 217.9, 225.9, 233.0, 240, 248, 272, 280,
                                                  288,   296,   304,   312,   320, 328, 336, 344,
                                                  352,   360,   368,   376,   384, 392, 400, 408};

LabelStyle ArialStyle(double points, int weight, COLORREF text, COLORREF back) {
  LabelStyle s;
  s.face = L"Arial";
  s.points = points;
  s.weight = weight;
  s.text = text;
  s.back = back;
  return s;
}

void PutOnTop(HWND control) {
  ::SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

FrmMain::FrmMain(aspi::AspiPort& aspi_port) : aspi(aspi_port) {
  for (int i = 0; i < speed::kBarCount; ++i) {
    const int x = static_cast<int>(kStoredBarX[i] + 0.5);
    LineSpeed[i] = speed::Bar{x, 440, 445, speed::kBarBelowLevel};
  }
}

FrmMain::~FrmMain() {
  if (hwnd_) ::DestroyWindow(hwnd_);
  if (backing_dc_ && backing_old_) ::SelectObject(backing_dc_.get(), backing_old_);
  if (frmMain == this) frmMain = nullptr;
}

bool FrmMain::Load(StartMode mode) {
  frmMain = this;
  start_mode_ = mode;
  const wchar_t* cls = RegisterOnce(kClassName, CS_DBLCLKS, nullptr);
  RECT r = Rect(layout::kStoredPosition.x, layout::kStoredPosition.y, layout::kWidth, layout::kHeight);
  // No control box: without WS_SYSMENU there is no system menu to open from the drag area or
  // with Alt+Space; the tray minimises and restores the window all the same.
  const DWORD style = WS_POPUP | WS_CLIPCHILDREN;
  ::AdjustWindowRectEx(&r, style, FALSE, 0);
  ::CreateWindowExW(0, cls, L"", style, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                    ::GetModuleHandleW(nullptr), this);
  if (!hwnd_) return false;
  if (!Form_Load()) return false;
  running_ = true;
  if (mode == StartMode::kTray) return true;  // Form_Load left it hidden, as a left click on the icon does
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
  return true;
}

void FrmMain::Unload() {
  // Until both start-up checks have passed the install branch may be showing its boxes; it ends
  // the program itself, and a close request meanwhile (WM_CLOSE to the hidden window) does nothing.
  if (unloaded_ || !hwnd_ || !checks_passed_) return;
  unloaded_ = true;
  int16_t cancel = 0;
  Form_Unload(cancel);
  Timer1.Detach();
  Timer2.Detach();
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void FrmMain::OnCreate() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  icon_.reset(
      static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUIETSPIN), IMAGE_ICON, 0, 0, 0)));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
  hand_cursor_.reset(
      static_cast<HCURSOR>(::LoadImageW(instance, MAKEINTRESOURCEW(IDC_LINK_HAND), IMAGE_CURSOR, 0, 0, 0)));

  // The persistent backing image: the skin is drawn on it once and every repaint copies it.
  WindowDc screen(hwnd_);
  backing_dc_.reset(::CreateCompatibleDC(screen.get()));
  backing_bitmap_.reset(::CreateCompatibleBitmap(screen.get(), layout::kWidth, layout::kHeight));
  backing_old_ = ::SelectObject(backing_dc_.get(), backing_bitmap_.get());
  UniqueBrush grey(::CreateSolidBrush(layout::kBackColor));
  RECT all{0, 0, layout::kWidth, layout::kHeight};
  ::FillRect(backing_dc_.get(), &all, grey.get());

  CreateControls();
  Timer2.Attach(hwnd_);
  Timer1.Attach(hwnd_);
}

void FrmMain::CreateControls() {
  const HWND me = hwnd_;
  tips.Create(me);

  PictureBoxArgs box;
  box.parent = me;
  box.events = this;
  box.rect = Rect(288, 280, 41, 33);
  picOngoing.Create(box);
  box.rect = Rect(56, 32, 345, 33);
  box.cursor = hand_cursor_.get();
  PicCaption.Create(box);
  box.cursor = nullptr;
  box.rect = Rect(240, 280, 41, 33);
  box.visible = false;
  picButton.Create(box);
  box.visible = true;
  box.rect = Rect(336, 280, 41, 33);
  picExit.Create(box);

  FraLogo.Create(me, Rect(40, 32, 385, 241), /*visible=*/false);
  CreateHostedControls();

  const COLORREF window_text = kSystemColor | COLOR_WINDOWTEXT;
  const COLORREF window_back = kSystemColor | COLOR_WINDOW;
  // Stored texts of the logo panel: who presents the showcase, and when.
  Label3.Create(FraLogo.hwnd(), Rect(128, 168, 145, 25), L"2003 \x2013 2004",
                ArialStyle(9.75, FW_BOLD, 0x00505050, window_back), true);
  Label2.Create(FraLogo.hwnd(), Rect(72, 144, 257, 25), L"Presented by Vantor Motherboard Team",
                ArialStyle(9.75, FW_BOLD, 0x00505050, window_back), true);
  PictureBoxArgs image;
  image.parent = FraLogo.hwnd();
  image.rect = Rect(32, 72, 149, 55);
  image.stretch = true;
  image.cursor = hand_cursor_.get();
  image.events = this;
  imgVantorLogo.Create(image);
  imgVantorLogo.SetPicture(DecodePictureResource(::GetModuleHandleW(nullptr), IDR_VANTOR_LOGO));

  FlashDemo = MovieControl::Create(me, Rect(40, 32, 385, 239));
  if (auto* movie = static_cast<MovieControl*>(FlashDemo.get())) FlashDemoWindow = movie->hwnd();

  lblTrack.Create(me, Rect(48, 356, 153, 25), L"Track 01  Total: ",
                  ArialStyle(9.75, FW_NORMAL, 0x0000FFFF, layout::kLabelBlue), true);
  LabelStyle tip = ArialStyle(8.25, FW_NORMAL, window_text, 0x00E0FFFF);
  tip.border = true;
  lblTip.Create(me, Rect(216, 470, 217, 16), L"Please move mouse to set CD-ROM speed.", tip, false);
  lblFlashDescription.Create(me, Rect(48, 380, 385, 49), L"",
                             ArialStyle(9.75, FW_BOLD, 0x00000000, layout::kLabelBlue), true);
  LabelStyle address;
  address.face = L"Courier New";
  address.points = 8.25;
  address.text = 0x00FF0000;
  address.back = window_back;
  lblAddress.Create(me, Rect(248, 528, 337, 25), L"http://" QS_ENGLISH_HOST L"/products/mb/", address, true);

  mnuView.reset(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MNUVIEW)));

  // Windowed controls: a later one lies above an earlier one. Labels have no window of their
  // own in the design and sit below every windowed control.
  for (HWND h : {picOngoing.hwnd(), PicCaption.hwnd(), picButton.hwnd(), picExit.hwnd(), FraLogo.hwnd(),
                 FlashDemoWindow}) {
    if (h) PutOnTop(h);
  }
  for (HWND h : {picOngoing.hwnd(), PicCaption.hwnd(), picButton.hwnd(), picExit.hwnd(), imgVantorLogo.hwnd(),
                 AniGifMurmexWindow}) {
    if (h) tips.AddTool(h);
  }
}

void FrmMain::CreateHostedControls() {
  auto logo = AniGifControl::Create(FraLogo.hwnd(), Rect(200, 88, 137, 33), this, hand_cursor_.get());
  if (logo) {
    AniGifMurmexWindow = logo->hwnd();
    // Stored settings: no border, white background.
    logo->SetBackValue(0x00FFFFFF);
    AniGifMurmex = std::move(logo);
  }
}

LRESULT FrmMain::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the backing image covers the whole client area
    case WM_CTLCOLORSTATIC:
      if (LRESULT brush = Label::OnCtlColor(wp, lp)) return brush;
      break;
    case WM_MOUSEMOVE:
      Form_MouseMove(static_cast<int16_t>(ButtonsOf(wp)), static_cast<int16_t>(ShiftOf(wp)),
                     static_cast<float>(GET_X_LPARAM(lp)), static_cast<float>(GET_Y_LPARAM(lp)));
      return 0;
    case WM_LBUTTONDOWN:
      // The window takes the release of a press it took, wherever the pointer goes meanwhile.
      left_down_on_form_ = true;
      ::SetCapture(hwnd_);
      return 0;
    case WM_LBUTTONUP:
      OnLeftButtonUp(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_CAPTURECHANGED:
      left_down_on_form_ = false;  // the press is over without a release here
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(lp)) return TRUE;
      break;
    case WM_TIMER:
      if (wp == kTimer1Id) Timer1_Timer();
      if (wp == kTimer2Id) Timer2_Timer();
      return 0;
    case WM_COMMAND:
      OnCommand(wp);
      return 0;
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
  }
  if (msg == ShowInstanceMessage()) {
    ShowInstance_Request();
    return 0;
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

// A click is a left press and release on the window's own surface; a release that ends a press
// taken elsewhere is not one.
void FrmMain::OnLeftButtonUp(POINT at) {
  const bool pressed_here = std::exchange(left_down_on_form_, false);
  if (::GetCapture() == hwnd_) ::ReleaseCapture();
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (pressed_here && ::PtInRect(&client, at)) Form_Click();
}

void FrmMain::OnCommand(WPARAM wp) {
  switch (LOWORD(wp)) {
    case IDM_MNUSHOW:
      mnuShow_Click();
      break;
    case IDM_MNUEXIT:
      mnuExit_Click();
      break;
  }
}

void FrmMain::OnPaint() {
  PaintScope paint(hwnd_);
  const RECT& a = paint.area();
  ::BitBlt(paint.dc(), a.left, a.top, a.right - a.left, a.bottom - a.top, backing_dc_.get(), a.left, a.top,
           SRCCOPY);
  DrawMeter(paint.dc());
}

// The meter's lightweight controls, drawn over the backing image: the frame Shape1, the rule
// Line1 and the 24 bars LineSpeed.
void FrmMain::DrawMeter(HDC dc) const {
  UniquePen frame_pen(::CreatePen(PS_SOLID, 1, RGB(0x1E, 0x4E, 0x78)));
  {
    SelectScope pen(dc, frame_pen.get());
    SelectScope brush(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, 209, 434, 381, 466);
  }
  UniquePen rule_pen(::CreatePen(PS_SOLID, 5, layout::kLabelBlue));
  {
    SelectScope pen(dc, rule_pen.get());
    ::MoveToEx(dc, 392, 465, nullptr);
    ::LineTo(dc, 208, 465);
  }
  for (const auto& bar : LineSpeed) {
    UniquePen bar_pen(::CreatePen(PS_SOLID, speed::kBarWidth, bar.color));
    SelectScope pen(dc, bar_pen.get());
    ::MoveToEx(dc, bar.x, bar.top, nullptr);
    ::LineTo(dc, bar.x, bar.bottom);
  }
}

bool FrmMain::OnSetCursor(LPARAM lp) {
  if (LOWORD(lp) != HTCLIENT) return false;
  ::SetCursor(mouse_pointer_ == 99 && mouse_icon_ ? mouse_icon_.get() : ::LoadCursorW(nullptr, IDC_ARROW));
  return true;
}

void FrmMain::SetMousePointer(int pointer) {
  mouse_pointer_ = pointer;
  // Takes effect at once when the pointer is over the window's own surface.
  POINT at{};
  ::GetCursorPos(&at);
  if (::WindowFromPoint(at) == hwnd_) {
    ::SetCursor(pointer == 99 && mouse_icon_ ? mouse_icon_.get() : ::LoadCursorW(nullptr, IDC_ARROW));
  }
}

void FrmMain::SetMouseIcon(UniqueCursor cursor) {
  // The cursor in use is replaced before the old one is destroyed.
  if (mouse_pointer_ == 99 && cursor) {
    POINT at{};
    ::GetCursorPos(&at);
    if (::WindowFromPoint(at) == hwnd_) ::SetCursor(cursor.get());
  }
  mouse_icon_ = std::move(cursor);
}

bool FrmMain::Visible() const { return hwnd_ && (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void FrmMain::SetVisible(bool visible) { ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

int FrmMain::WindowState() const { return ::IsIconic(hwnd_) ? 1 : 0; }

void FrmMain::SetWindowState(int state) {
  // A hidden window changes state without being shown.
  const bool visible = Visible();
  if (state == 1) {
    ::ShowWindow(hwnd_, SW_SHOWMINNOACTIVE);
  } else {
    ::ShowWindow(hwnd_, SW_RESTORE);
  }
  if (!visible) ::ShowWindow(hwnd_, SW_HIDE);
}

void FrmMain::SetControlVisible(HWND control, bool visible) {
  ::ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void FrmMain::OnBoxMouseMove(PictureBox& box, int button, int shift, int x, int y) {
  if (&box == &PicCaption)
    PicCaption_MouseMove(button, shift, x, y);
  else if (&box == &picExit)
    picExit_MouseMove(button, shift, x, y);
  else if (&box == &picOngoing)
    picOngoing_MouseMove(button, shift, x, y);
  else if (&box == &imgVantorLogo)
    imgVantorLogo_MouseMove(button, shift, x, y);
}

void FrmMain::OnBoxMouseDown(PictureBox& box, int button, int shift, int x, int y) {
  if (&box == &picButton)
    picButton_MouseDown(button, shift, x, y);
  else if (&box == &PicCaption)
    PicCaption_MouseDown(button, shift, x, y);
}

void FrmMain::OnBoxMouseUp(PictureBox& box, int button, int shift, int x, int y) {
  if (&box == &picButton)
    picButton_MouseUp(button, shift, x, y);
  else if (&box == &imgVantorLogo)
    imgVantorLogo_MouseUp(button, shift, x, y);
}

void FrmMain::OnBoxClick(PictureBox& box) {
  if (&box == &picExit) picExit_Click();
}

}  // namespace qs
