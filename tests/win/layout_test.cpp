// frmMain as it stands right after creation, before its load handler has moved or filled anything:
// the window, every control's kind, parent, visibility, text, font, colours and stacking, the
// pointers, the stored pictures, the timers and the menu.
#include <objbase.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "support/form_fixture.h"
#include "window/picture.h"

namespace qs::testing {
namespace {

std::wstring ClassOf(HWND h) {
  wchar_t name[128] = L"";
  ::GetClassNameW(h, name, 128);
  return name;
}

std::wstring TextOf(HWND h) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool HasVisibleStyle(HWND h) { return (::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0; }

// Text colour, background colour and brush colour a label is painted with, as its parent
// answers WM_CTLCOLORSTATIC.
struct Colours {
  COLORREF text, back, brush;
};
Colours PaintColoursOf(HWND label) {
  UniqueDc dc(::CreateCompatibleDC(nullptr));
  ::SetTextColor(dc.get(), RGB(1, 2, 3));
  ::SetBkColor(dc.get(), RGB(4, 5, 6));
  const LRESULT brush = ::SendMessageW(::GetParent(label), WM_CTLCOLORSTATIC,
                                       reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(label));
  LOGBRUSH lb{};
  if (brush) ::GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(lb), &lb);
  return {::GetTextColor(dc.get()), ::GetBkColor(dc.get()), brush ? lb.lbColor : CLR_INVALID};
}

// The cursor a control asks for when the pointer rests on it, identified by its hot spot.
POINT CursorHotSpotOver(HWND control) {
  ::SetCursor(nullptr);
  ::SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ICONINFO info{};
  if (!::GetCursor() || !::GetIconInfo(::GetCursor(), &info)) return {-1, -1};
  UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
  return {static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
}

// Children of `parent`, topmost first.
std::vector<HWND> Stacking(HWND parent) {
  std::vector<HWND> order;
  for (HWND h = ::GetWindow(parent, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) order.push_back(h);
  return order;
}
int Rank(const std::vector<HWND>& order, HWND h) {
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i] == h) return static_cast<int>(i);
  }
  return -1;
}

// frmMain caught between creation and start-up: with no ASPI layer the load handler goes into the
// install branch at once, and the test platform ends it there (no installation file beside the
// test program), so the window and its controls are exactly as created.
class AsCreated : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    MarkFirstRunDone();
    SetPlatformForTesting(&platform);
    port.present = false;
    form = std::make_unique<FrmMain>(port);
    try {
      form->Load();
      FAIL() << "start-up went past the install branch";
    } catch (const RecordingPlatform::Terminated&) {
    }
    ASSERT_TRUE(form->hwnd());
  }
  void TearDown() override {
    form.reset();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    SetPlatformForTesting(nullptr);
  }

  FakeAspiPort port;
  RecordingPlatform platform;
  std::unique_ptr<FrmMain> form;
};

TEST_F(AsCreated, WindowIsABorderlessGreyPanelAtItsStoredPlaceWithNoCaptionOrMenuBar) {
  const HWND w = form->hwnd();
  const LONG style = ::GetWindowLongW(w, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(::GetWindowLongW(w, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME),
            0);
  RECT client{};
  ::GetClientRect(w, &client);
  EXPECT_EQ(client.right, 527);
  EXPECT_EQ(client.bottom, 500);
  POINT origin{0, 0};
  ::ClientToScreen(w, &origin);
  EXPECT_EQ(origin.x, 294);
  EXPECT_EQ(origin.y, 114);
  EXPECT_EQ(TextOf(w), L"");
  EXPECT_EQ(::GetMenu(w), nullptr) << "mnuView is opened only as a popup";
  EXPECT_FALSE(::IsWindowVisible(w)) << "shown only once start-up is through";
  // The backing image starts as the background colour, everywhere.
  for (POINT p : {POINT{0, 0}, POINT{526, 0}, POINT{263, 250}, POINT{0, 499}, POINT{526, 499}}) {
    EXPECT_EQ(::GetPixel(form->hDC(), p.x, p.y), RGB(128, 128, 128)) << p.x << "," << p.y;
  }
}

TEST_F(AsCreated, ControlsHaveTheirKindAndParent) {
  const HWND main = form->hwnd();
  const HWND frame = form->FraLogo.hwnd();
  struct Row {
    const char* name;
    HWND control;
    HWND parent;
    const wchar_t* kind;  // window class; nullptr for the hosted controls
  };
  const Row rows[] = {
      {"picOngoing", form->picOngoing.hwnd(), main, L"QuietSpinPictureBox"},
      {"PicCaption", form->PicCaption.hwnd(), main, L"QuietSpinPictureBox"},
      {"picButton", form->picButton.hwnd(), main, L"QuietSpinPictureBox"},
      {"picExit", form->picExit.hwnd(), main, L"QuietSpinPictureBox"},
      {"FraLogo", frame, main, L"QuietSpinFrame"},
      {"AniGifMurmex", form->AniGifMurmexWindow, frame, nullptr},
      {"Label3", form->Label3.hwnd(), frame, L"Static"},
      {"Label2", form->Label2.hwnd(), frame, L"Static"},
      {"imgVantorLogo", form->imgVantorLogo.hwnd(), frame, L"QuietSpinPictureBox"},
      {"FlashDemo", form->FlashDemoWindow, main, nullptr},
      {"lblTrack", form->lblTrack.hwnd(), main, L"Static"},
      {"lblTip", form->lblTip.hwnd(), main, L"Static"},
      {"lblFlashDescription", form->lblFlashDescription.hwnd(), main, L"Static"},
      {"lblAddress", form->lblAddress.hwnd(), main, L"Static"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(::IsWindow(row.control));
    EXPECT_EQ(::GetParent(row.control), row.parent);
    EXPECT_TRUE(::GetWindowLongW(row.control, GWL_STYLE) & WS_CHILD);
    if (row.kind) {
      EXPECT_EQ(ClassOf(row.control), row.kind);
    }
  }
  ASSERT_TRUE(form->AniGifMurmex);
  ASSERT_TRUE(form->FlashDemo);
}

TEST_F(AsCreated, OnlyTheOverlayTheLogoPanelAndTheSpeedTipStartHidden) {
  EXPECT_FALSE(HasVisibleStyle(form->picButton.hwnd()));
  EXPECT_FALSE(HasVisibleStyle(form->FraLogo.hwnd()));
  EXPECT_FALSE(HasVisibleStyle(form->lblTip.hwnd()));
  for (HWND shown :
       {form->picOngoing.hwnd(), form->PicCaption.hwnd(), form->picExit.hwnd(), form->AniGifMurmexWindow,
        form->Label3.hwnd(), form->Label2.hwnd(), form->imgVantorLogo.hwnd(), form->FlashDemoWindow,
        form->lblTrack.hwnd(), form->lblFlashDescription.hwnd(), form->lblAddress.hwnd()}) {
    EXPECT_TRUE(HasVisibleStyle(shown)) << ClassOf(shown);
  }
  EXPECT_TRUE(form->FlashDemo->Visible());
  EXPECT_TRUE(form->AniGifMurmex->Visible()) << "shown with its frame";
}

TEST_F(AsCreated, AddressLiesBelowTheClientAreaOutOfSight) {
  RECT client{}, address{}, overlap{};
  ::GetClientRect(form->hwnd(), &client);
  ::GetWindowRect(form->lblAddress.hwnd(), &address);
  ::MapWindowPoints(nullptr, form->hwnd(), reinterpret_cast<POINT*>(&address), 2);
  EXPECT_FALSE(::IntersectRect(&overlap, &client, &address));
  EXPECT_GE(address.top, client.bottom);
}

TEST_F(AsCreated, LabelsCarryTheirStoredTextsAndFonts) {
  struct Row {
    const char* name;
    HWND label;
    std::wstring caption;
    const wchar_t* face;
    int pixel_height;  // the character height: 9.75 pt is 13 px, 8.25 pt is 11 px at 96 dpi
    int weight;
  };
  const Row rows[] = {
      {"lblTrack", form->lblTrack.hwnd(), L"Track 01  Total: ", L"Arial", 13, 400},
      {"lblTip", form->lblTip.hwnd(), L"Please move mouse to set CD-ROM speed.", L"Arial", 11, 400},
      {"lblFlashDescription", form->lblFlashDescription.hwnd(), L"", L"Arial", 13, 700},
      {"lblAddress", form->lblAddress.hwnd(), TextOf(form->lblAddress.hwnd()), L"Courier New", 11, 400},
      {"Label2", form->Label2.hwnd(), L"Presented by Vantor Motherboard Team", L"Arial", 13, 700},
      {"Label3", form->Label3.hwnd(), TextOf(form->Label3.hwnd()), L"Arial", 13, 700},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(TextOf(row.label), row.caption);
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(row.label, WM_GETFONT, 0, 0));
    ASSERT_TRUE(font);
    LOGFONTW lf{};
    ASSERT_EQ(::GetObjectW(font, sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
    EXPECT_STREQ(lf.lfFaceName, row.face);
    EXPECT_EQ(lf.lfHeight, -row.pixel_height);
    EXPECT_EQ(lf.lfWeight, row.weight);
    EXPECT_EQ(lf.lfCharSet, 0);
    EXPECT_FALSE(lf.lfItalic);
    EXPECT_FALSE(lf.lfUnderline);
  }
  // The address is the maker's motherboard page; the year line names the years of publication.
  const std::wstring address = TextOf(form->lblAddress.hwnd());
  EXPECT_EQ(address.rfind(L"http://", 0), 0u) << "address: " << std::string(address.begin(), address.end());
  EXPECT_EQ(address.substr(address.size() - 13), L"/products/mb/");
  const std::wstring years = TextOf(form->Label3.hwnd());
  EXPECT_NE(years.find_first_of(L"0123456789"), std::wstring::npos);
}

TEST_F(AsCreated, LabelsPaintInTheirStoredColours) {
  const COLORREF window_text = ::GetSysColor(COLOR_WINDOWTEXT);
  const COLORREF window_back = ::GetSysColor(COLOR_WINDOW);
  struct Row {
    const char* name;
    HWND label;
    COLORREF text, back;
  };
  const Row rows[] = {
      {"lblTrack", form->lblTrack.hwnd(), RGB(255, 255, 0), RGB(71, 175, 234)},
      {"lblTip", form->lblTip.hwnd(), window_text, RGB(255, 255, 224)},
      {"lblFlashDescription", form->lblFlashDescription.hwnd(), RGB(0, 0, 0), RGB(71, 175, 234)},
      {"lblAddress", form->lblAddress.hwnd(), RGB(0, 0, 255), window_back},
      {"Label2", form->Label2.hwnd(), RGB(80, 80, 80), window_back},
      {"Label3", form->Label3.hwnd(), RGB(80, 80, 80), window_back},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Colours c = PaintColoursOf(row.label);
    EXPECT_EQ(c.text, row.text);
    EXPECT_EQ(c.back, row.back);
    EXPECT_EQ(c.brush, row.back);
  }
}

TEST_F(AsCreated, LaterWindowedControlsLieAboveEarlierOnesAndLabelsLieBelowThemAll) {
  const auto order = Stacking(form->hwnd());
  const HWND windowed[] = {form->FlashDemoWindow,  form->FraLogo.hwnd(),    form->picExit.hwnd(),
                           form->picButton.hwnd(), form->PicCaption.hwnd(), form->picOngoing.hwnd()};
  for (size_t i = 0; i + 1 < std::size(windowed); ++i) {
    EXPECT_LT(Rank(order, windowed[i]), Rank(order, windowed[i + 1])) << "pair " << i;
    EXPECT_GE(Rank(order, windowed[i]), 0);
  }
  for (HWND label : {form->lblTrack.hwnd(), form->lblTip.hwnd(), form->lblFlashDescription.hwnd(),
                     form->lblAddress.hwnd()}) {
    EXPECT_GT(Rank(order, label), Rank(order, form->picOngoing.hwnd()));
  }
  // On the logo panel the animated logo is the one windowed control: the labels and the image lie
  // below it.
  const auto panel = Stacking(form->FraLogo.hwnd());
  const int logo = Rank(panel, form->AniGifMurmexWindow);
  ASSERT_GE(logo, 0);
  for (HWND light : {form->Label3.hwnd(), form->Label2.hwnd(), form->imgVantorLogo.hwnd()}) {
    EXPECT_GT(Rank(panel, light), logo) << ClassOf(light);
  }
}

TEST_F(AsCreated, HandPointerOverTheThreeLinksAndTheArrowElsewhere) {
  ICONINFO arrow_info{};
  ASSERT_TRUE(::GetIconInfo(::LoadCursorW(nullptr, IDC_ARROW), &arrow_info));
  UniqueBitmap arrow_mask(arrow_info.hbmMask), arrow_colour(arrow_info.hbmColor);
  const POINT arrow{static_cast<LONG>(arrow_info.xHotspot), static_cast<LONG>(arrow_info.yHotspot)};
  ASSERT_FALSE(arrow.x == 12 && arrow.y == 1);
  for (HWND link : {form->PicCaption.hwnd(), form->imgVantorLogo.hwnd(), form->AniGifMurmexWindow}) {
    const POINT hot = CursorHotSpotOver(link);
    EXPECT_EQ(hot.x, 12) << ClassOf(link);
    EXPECT_EQ(hot.y, 1) << ClassOf(link);
  }
  for (HWND plain : {form->lblAddress.hwnd(), form->picExit.hwnd(), form->picOngoing.hwnd(), form->hwnd()}) {
    const POINT hot = CursorHotSpotOver(plain);
    EXPECT_EQ(hot.x, arrow.x) << ClassOf(plain);
    EXPECT_EQ(hot.y, arrow.y) << ClassOf(plain);
  }
}

TEST_F(AsCreated, StoredPicturesTheMakersLogoAndTheApplicationIcon) {
  const SIZE logo = BitmapSize(form->imgVantorLogo.Picture());
  EXPECT_EQ(logo.cx, 221);
  EXPECT_EQ(logo.cy, 95);

  ASSERT_TRUE(form->Icon());
  EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(form->hwnd(), WM_GETICON, ICON_BIG, 0)), form->Icon());
  EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(form->hwnd(), WM_GETICON, ICON_SMALL, 0)), form->Icon());
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(form->Icon(), &info));
  UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
  EXPECT_TRUE(info.fIcon);
  const SIZE icon = BitmapSize(info.hbmColor);
  EXPECT_EQ(icon.cx, 25);
  EXPECT_EQ(icon.cy, 25);
}

TEST_F(AsCreated, TimersAsStored) {
  EXPECT_EQ(form->Timer2.Interval(), 2000u);
  EXPECT_TRUE(form->Timer2.Enabled());
  EXPECT_TRUE(form->Timer2.Ticking());
  EXPECT_EQ(form->Timer1.Interval(), 0u);
  EXPECT_TRUE(form->Timer1.Enabled());
  EXPECT_FALSE(form->Timer1.Ticking()) << "no interval, no tick";
}

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t text[64] = L"";
  ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
  return text;
}

TEST_F(AsCreated, TheViewMenuHoldsShowAndExit) {
  const HMENU bar = form->mnuView.get();
  ASSERT_TRUE(bar);
  ASSERT_EQ(::GetMenuItemCount(bar), 1);
  EXPECT_EQ(MenuText(bar, 0), L"&View");
  const HMENU view = ::GetSubMenu(bar, 0);
  ASSERT_TRUE(view);
  ASSERT_EQ(::GetMenuItemCount(view), 2);
  EXPECT_EQ(MenuText(view, 0), L"Show");
  EXPECT_EQ(::GetMenuItemID(view, 0), static_cast<UINT>(IDM_MNUSHOW));
  EXPECT_EQ(MenuText(view, 1), L"Exit");
  EXPECT_EQ(::GetMenuItemID(view, 1), static_cast<UINT>(IDM_MNUEXIT));
}

}  // namespace
}  // namespace qs::testing
