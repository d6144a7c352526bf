// The language rule and the string identifiers each language reads.
#include "base/language.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

namespace qs {
namespace {

constexpr Language kAllLanguages[] = {Language::kEnglish, Language::kTraditionalChinese,
                                      Language::kSimplifiedChinese};
constexpr Text kAllTexts[] = {Text::kPlayTip,   Text::kPauseTip, Text::kStopTip,
                              Text::kExit,      Text::kShow,     Text::kCaptionTip,
                              Text::kMurmexTip, Text::kLogoTip,  Text::kSpeedTip};

TEST(LanguageFromLcid, OnlyTheTwoExactChineseLocalesAreChinese) {
  EXPECT_EQ(LanguageFromLcid(1028), Language::kTraditionalChinese);
  EXPECT_EQ(LanguageFromLcid(2052), Language::kSimplifiedChinese);
  EXPECT_EQ(LanguageFromLcid(1033), Language::kEnglish);
}

TEST(LanguageFromLcid, OtherChineseRegionsAndSortOrdersGetEnglish) {
  EXPECT_EQ(LanguageFromLcid(3076), Language::kEnglish);     // 0x0C04 Hong Kong
  EXPECT_EQ(LanguageFromLcid(0x1004), Language::kEnglish);   // Singapore
  EXPECT_EQ(LanguageFromLcid(0x1404), Language::kEnglish);   // Macao
  EXPECT_EQ(LanguageFromLcid(0x10404), Language::kEnglish);  // Taiwan, stroke-count sort
  EXPECT_EQ(LanguageFromLcid(0x20804), Language::kEnglish);  // PRC, stroke-count sort
  EXPECT_EQ(LanguageFromLcid(0x04), Language::kEnglish);     // neutral Chinese
}

TEST(LanguageFromLcid, HostileValuesGetEnglish) {
  for (std::uint32_t lcid : {0u, 1u, 0x0400u, 0x0800u, 0x404u | 0x80000000u, 0x804u << 16, 0xFFFFFFFFu,
                             0x00010804u, 0xFFFF0404u}) {
    EXPECT_EQ(LanguageFromLcid(lcid), Language::kEnglish) << std::hex << lcid;
  }
  EXPECT_EQ(static_cast<std::int32_t>(LanguageFromLcid(0xDEADBEEF)), 1033);
}

TEST(DescriptionId, EachLanguageReadsItsOwnBlock) {
  for (int movie = 1; movie <= kMovieCount; ++movie) {
    EXPECT_EQ(DescriptionId(Language::kEnglish, movie), 1000u + movie);
    EXPECT_EQ(DescriptionId(Language::kTraditionalChinese, movie), 2000u + movie);
    EXPECT_EQ(DescriptionId(Language::kSimplifiedChinese, movie), 3000u + movie);
  }
}

TEST(DescriptionId, NumbersOutsideTheShowcaseAreJoinedAsDigitsNotAdded) {
  EXPECT_EQ(DescriptionId(Language::kEnglish, 0), 1000u);
  EXPECT_EQ(DescriptionId(Language::kEnglish, 10), 1010u);
  EXPECT_EQ(DescriptionId(Language::kEnglish, 99), 1099u);
  EXPECT_EQ(DescriptionId(Language::kTraditionalChinese, 100), 20100u);
  EXPECT_EQ(DescriptionId(Language::kSimplifiedChinese, 12345), 3012345u);
}

TEST(DescriptionId, NumbersThatCannotBeWrittenNameNoString) {
  EXPECT_EQ(DescriptionId(Language::kEnglish, -1), 0u);
  EXPECT_EQ(DescriptionId(Language::kEnglish, INT32_MIN), 0u);
  EXPECT_EQ(DescriptionId(Language::kSimplifiedChinese, INT32_MAX), 0u);  // "302147483647" overflows
  EXPECT_EQ(DescriptionId(Language::kEnglish, 99999999), 1099999999u);    // still fits
  EXPECT_EQ(DescriptionId(Language::kEnglish, 999999999), 0u);
}

TEST(ButtonTipId, TraditionalChineseReadsBlockTwoEveryoneElseBlockOne) {
  for (int button = 1; button <= kTransportButtonCount; ++button) {
    EXPECT_EQ(ButtonTipId(Language::kTraditionalChinese, button), 2100u + button - 1);
    EXPECT_EQ(ButtonTipId(Language::kEnglish, button), 1100u + button - 1);
    EXPECT_EQ(ButtonTipId(Language::kSimplifiedChinese, button), 1100u + button - 1);
  }
}

TEST(ButtonTipId, ButtonsOutsideTheStrip) {
  EXPECT_EQ(ButtonTipId(Language::kEnglish, 0), 0u);
  EXPECT_EQ(ButtonTipId(Language::kEnglish, -5), 0u);
  EXPECT_EQ(ButtonTipId(Language::kEnglish, INT32_MIN), 0u);
  EXPECT_EQ(ButtonTipId(Language::kTraditionalChinese, 101), 21100u);
  EXPECT_EQ(ButtonTipId(Language::kEnglish, INT32_MAX), 0u);
}

TEST(TextId, FixedRowsByLanguage) {
  const struct {
    Text text;
    StringId english;
  } rows[] = {{Text::kPlayTip, 1102},   {Text::kPauseTip, 1103}, {Text::kStopTip, 1104},
              {Text::kExit, 1107},      {Text::kShow, 1108},     {Text::kCaptionTip, 1200},
              {Text::kMurmexTip, 1201}, {Text::kLogoTip, 1202},  {Text::kSpeedTip, 1210}};
  for (const auto& row : rows) {
    EXPECT_EQ(TextId(Language::kEnglish, row.text), row.english);
    EXPECT_EQ(TextId(Language::kSimplifiedChinese, row.text), row.english);
    EXPECT_EQ(TextId(Language::kTraditionalChinese, row.text), row.english + 1000);
  }
}

TEST(TextId, AnUnknownLanguageValueFallsBackToEnglish) {
  const auto odd = static_cast<Language>(3076);
  EXPECT_EQ(TextId(odd, Text::kExit), 1107u);
  EXPECT_EQ(DescriptionId(odd, 4), 1004u);
  EXPECT_EQ(ButtonTipId(odd, 7), 1106u);
}

TEST(PlayStateTipId, OneTipPerTransportState) {
  EXPECT_EQ(PlayStateTipId(Language::kEnglish, 1), 1102u);
  EXPECT_EQ(PlayStateTipId(Language::kEnglish, 2), 1103u);
  EXPECT_EQ(PlayStateTipId(Language::kEnglish, 3), 1104u);
  EXPECT_EQ(PlayStateTipId(Language::kTraditionalChinese, 1), 2102u);
  EXPECT_EQ(PlayStateTipId(Language::kTraditionalChinese, 3), 2104u);
  EXPECT_EQ(PlayStateTipId(Language::kSimplifiedChinese, 2), 1103u);
  for (int state : {0, 4, -1, 32767, INT32_MIN}) {
    EXPECT_FALSE(PlayStateTipId(Language::kEnglish, state).has_value()) << state;
  }
}

TEST(SimplifiedChinese, EveryTextButTheDescriptionsIsEnglish) {
  for (Text text : kAllTexts) EXPECT_EQ(TextId(Language::kSimplifiedChinese, text) / 1000, 1u);
  for (int button = 1; button <= kTransportButtonCount; ++button) {
    EXPECT_EQ(ButtonTipId(Language::kSimplifiedChinese, button) / 1000, 1u);
  }
  for (int state = 1; state <= 3; ++state) {
    EXPECT_EQ(*PlayStateTipId(Language::kSimplifiedChinese, state) / 1000, 1u);
  }
}

// The list the resource test checks against must be exactly what the program can ask for.
TEST(UsedStringIds, MatchesEveryIdentifierTheProgramCanAskFor) {
  std::set<StringId> reachable;
  for (Language language : kAllLanguages) {
    for (int movie = 1; movie <= kMovieCount; ++movie) reachable.insert(DescriptionId(language, movie));
    for (int button = 1; button <= kTransportButtonCount; ++button) {
      reachable.insert(ButtonTipId(language, button));
    }
    for (Text text : kAllTexts) reachable.insert(TextId(language, text));
    for (int state = 1; state <= 3; ++state) reachable.insert(*PlayStateTipId(language, state));
  }
  for (StringId message = static_cast<StringId>(Message::kTitle);
       message <= static_cast<StringId>(Message::kEntryPointMissing); ++message) {
    reachable.insert(message);
  }
  const auto listed = UsedStringIds();
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
  EXPECT_EQ(std::set<StringId>(listed.begin(), listed.end()).size(), listed.size());
  EXPECT_EQ(std::vector<StringId>(listed.begin(), listed.end()),
            std::vector<StringId>(reachable.begin(), reachable.end()));
  EXPECT_EQ(listed.size(), 62u);
  for (StringId id : listed) EXPECT_FALSE(id >= 3100 && id <= 3999) << id;
}

}  // namespace
}  // namespace qs
