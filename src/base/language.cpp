#include "base/language.h"

#include <array>
#include <limits>

namespace qs {
namespace {

constexpr std::uint32_t kLcidTraditionalChinese = 0x0404;
constexpr std::uint32_t kLcidSimplifiedChinese = 0x0804;

// The thousands digit of an identifier: which block of the table a language reads.
StringId FixedTextBlock(Language language) { return language == Language::kTraditionalChinese ? 2 : 1; }

StringId DescriptionBlock(Language language) {
  switch (language) {
    case Language::kTraditionalChinese:
      return 2;
    case Language::kSimplifiedChinese:
      return 3;
    case Language::kEnglish:
      break;
  }
  return 1;
}

// The identifiers are written as text: a two-digit prefix, then the number padded to two
// digits ("00" pattern; a longer number keeps all its digits). Joining the decimal strings is
// the same as shifting the prefix left by the number's width. Numbers that cannot be written
// that way, or whose result does not fit an identifier, name no string.
StringId JoinDigits(StringId prefix, int number) {
  if (number < 0) return 0;
  std::uint64_t shift = 100;
  for (auto rest = static_cast<std::uint64_t>(number) / 100; rest != 0; rest /= 10) shift *= 10;
  const std::uint64_t id = prefix * shift + static_cast<std::uint64_t>(number);
  return id > std::numeric_limits<StringId>::max() ? 0 : static_cast<StringId>(id);
}

constexpr std::array<StringId, 62> kUsedStringIds = {
    1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009,  // English descriptions
    1100, 1101, 1102, 1103, 1104, 1105, 1106,              // English transport buttons
    1107, 1108, 1200, 1201, 1202, 1210,                    // English fixed texts
    2001, 2002, 2003, 2004, 2005, 2006, 2007, 2008, 2009,  // Traditional Chinese descriptions
    2100, 2101, 2102, 2103, 2104, 2105, 2106,              // Traditional Chinese transport buttons
    2107, 2108, 2200, 2201, 2202, 2210,                    // Traditional Chinese fixed texts
    3001, 3002, 3003, 3004, 3005, 3006, 3007, 3008, 3009,  // Simplified Chinese descriptions
    4001, 4002, 4003, 4004, 4005, 4006, 4007, 4008, 4009,  // English-only messages
};

}  // namespace

Language LanguageFromLcid(std::uint32_t lcid) {
  if (lcid == kLcidTraditionalChinese) return Language::kTraditionalChinese;
  if (lcid == kLcidSimplifiedChinese) return Language::kSimplifiedChinese;
  return Language::kEnglish;
}

StringId DescriptionId(Language language, int movie) {
  return JoinDigits(DescriptionBlock(language) * 10, movie);
}

StringId ButtonTipId(Language language, int button) {
  if (button < 1) return 0;
  return JoinDigits(FixedTextBlock(language) * 10 + 1, button - 1);
}

StringId TextId(Language language, Text text) {
  return FixedTextBlock(language) * 1000 + static_cast<StringId>(text);
}

std::optional<StringId> PlayStateTipId(Language language, int play_state) {
  switch (play_state) {
    case 1:
      return TextId(language, Text::kPlayTip);
    case 2:
      return TextId(language, Text::kPauseTip);
    case 3:
      return TextId(language, Text::kStopTip);
    default:
      return std::nullopt;
  }
}

std::span<const StringId> UsedStringIds() { return kUsedStringIds; }

}  // namespace qs
