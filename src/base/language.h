// The language QuietSpin speaks and the numbers of its localised texts.
//
// Every user-facing text sits in the program's string table in three blocks: 1xxx English,
// 2xxx Traditional Chinese, 3xxx Simplified Chinese. The Simplified Chinese block holds only the
// nine showcase descriptions, so a 2052 user reads every other text from the English block.
// Window-free: the shell loads the texts (base/string_table.h), this file only picks numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace qs {

// The value kept in LanguageId; the enumerators are the locale numbers the choice is made from.
enum class Language : std::int32_t {
  kTraditionalChinese = 1028,
  kSimplifiedChinese = 2052,
  kEnglish = 1033,  // also the fallback for every other locale
};

// A string-table identifier, as handed to LoadStringW.
using StringId = std::uint32_t;

// Texts that are not computed from a running number. Their identifier is the language block
// followed by the row: kExit is 1107 or 2107.
enum class Text : StringId {
  kPlayTip = 102,     // picOngoing while PlayState is 1
  kPauseTip = 103,    // picOngoing while PlayState is 2
  kStopTip = 104,     // picOngoing while PlayState is 3
  kExit = 107,        // picExit tooltip and the mnuExit caption
  kShow = 108,        // mnuShow caption
  kCaptionTip = 200,  // PicCaption, link to the motherboard pages
  kMurmexTip = 201,   // AniGifMurmex, link to the Murmex page
  kLogoTip = 202,     // imgVantorLogo, link to the home page
  kSpeedTip = 210,    // lblTip over the speed meter
};

// Messages of the install branch and of failures the program cannot go on from: English
// whatever the system language, in a block of their own. "%1" and "%2" stand for a path or name.
enum class Message : StringId {
  kTitle = 4001,                // title of every message box, and the tray icon's tip
  kInstallNotice = 4002,        // the ASPI layer will be installed
  kRestartQuestion = 4003,      // the installation is done: restart now?
  kInstallerMissing = 4004,     // INSTASPI.BAT (%1) is not there
  kInstallerNotStarted = 4005,  // INSTASPI.BAT (%1) could not be started
  kPictureMissing = 4006,       // a skin picture (%1) cannot be loaded
  kCursorMissing = 4007,        // a cursor (%1) cannot be loaded
  kLibraryMissing = 4008,       // a library beside the program (%1) cannot be loaded
  kEntryPointMissing = 4009,    // the library %1 lacks the entry point %2
};

inline constexpr int kMovieCount = 9;            // showcase descriptions 1..9
inline constexpr int kTransportButtonCount = 7;  // First, Previous, Play, Pause, Stop, Next, Last

// The whole 32-bit locale is compared: 0x0404 gives Traditional Chinese, 0x0804 Simplified
// Chinese, anything else (other Chinese regions, a non-default sort order) English.
Language LanguageFromLcid(std::uint32_t lcid);

// Description of showcase movie `movie` (1..9): the block prefix "10", "20" or "30" followed by
// the movie number written with at least two digits, so movie 1 of a 1028 user is 2001.
// A negative movie number has no text and gives 0, which names no string.
StringId DescriptionId(Language language, int movie);

// Tooltip of transport button `button` (1..7, strip order): prefix "21" for 1028, "11" for every
// other language, followed by button - 1 with at least two digits. A button below 1 gives 0.
StringId ButtonTipId(Language language, int button);

// Every text other than the descriptions: block 2 for 1028, block 1 for everyone else.
StringId TextId(Language language, Text text);

// The tooltip of picOngoing for a PlayState (1 play, 2 pause, 3 stop); any other state keeps the
// tooltip it has, so there is no identifier for it.
std::optional<StringId> PlayStateTipId(Language language, int play_state);

// Every identifier the program can ask for, in ascending order; the shipped string table must
// hold a non-empty text for each.
std::span<const StringId> UsedStringIds();

}  // namespace qs
