// Identifiers of the resources stored in QuietSpin.exe (src/resources/quietspin.rc). Read by
// windres and by C++: plain macros only. The string table's identifiers are built from the
// language in base/language.h.
#pragma once

// The application icon: the window icon of frmMain and the tray icon. The lowest icon id, so
// Explorer shows it for the executable too.
#define IDI_QUIETSPIN 100

// Pointing hand over the three web links (PicCaption, imgVantorLogo, AniGifMurmex).
#define IDC_LINK_HAND 110

// The maker's logo shown by imgVantorLogo: the JPEG file as it is, type RCDATA.
#define IDR_VANTOR_LOGO 120

// Menu mnuView ("&View"): its only popup holds mnuShow and mnuExit, opened from the tray.
#define IDR_MNUVIEW 130
#define IDM_MNUSHOW 131
#define IDM_MNUEXIT 132

// Application manifest (type RT_MANIFEST = 24): administrator rights, common controls 6,
// no DPI awareness.
#define IDR_QS_MANIFEST 1
