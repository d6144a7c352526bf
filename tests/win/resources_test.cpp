// The string table, menu, pictures and manifest linked into QuietSpin, read in-process through
// the shipped LoadText and the system's resource functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/language.h"
#include "base/string_table.h"
#include "common/unique_handle.h"
#include "resources/resource.h"

namespace qs {
namespace {

constexpr std::wstring_view kDash = L" \u2013 ";  // blank, en dash, blank
constexpr Language kAllLanguages[] = {Language::kEnglish, Language::kTraditionalChinese,
                                      Language::kSimplifiedChinese};

std::wstring Description(Language language, int movie) { return LoadText(DescriptionId(language, movie)); }

// ---------------------------------------------------------------------------------------------
// Which strings exist

TEST(StringTable, EveryIdentifierTheProgramUsesHasAText) {
  for (StringId id : UsedStringIds()) EXPECT_FALSE(LoadText(id).empty()) << id;
}

TEST(StringTable, HoldsNoOtherStrings) {
  const auto used = UsedStringIds();
  const std::set<StringId> expected(used.begin(), used.end());
  std::set<StringId> present;
  for (StringId id = 0; id < 5000; ++id) {
    if (!LoadText(id).empty()) present.insert(id);
  }
  EXPECT_EQ(present, expected);
}

TEST(StringTable, SimplifiedChineseHasOnlyDescriptions) {
  for (StringId id = 3100; id <= 3210; ++id) EXPECT_TRUE(LoadText(id).empty()) << id;
  EXPECT_TRUE(LoadText(3000).empty());
  EXPECT_TRUE(LoadText(3010).empty());
}

TEST(LoadText, MissingIdentifiersGiveAnEmptyText) {
  for (StringId id : {0u, 1u, 999u, 1010u, 1109u, 1203u, 2211u, 3100u, 3210u, 65535u, 65536u, 0xFFFFFFFFu}) {
    EXPECT_EQ(LoadText(id), L"") << id;
  }
}

TEST(LoadText, ReturnsTheWholeTextWithoutItsNeighbours) {
  // The table stores strings back to back without terminators: a text must end at its length.
  EXPECT_EQ(LoadText(1102), L"Play");
  EXPECT_EQ(LoadText(1103), L"Pause");
  EXPECT_EQ(LoadText(1210).size(), std::wstring_view(L"Please move mouse to set CD-ROM speed.").size());
}

// ---------------------------------------------------------------------------------------------
// Fixed texts: the encoding, spelled as code points

TEST(StringTable, TraditionalChineseCodePointsExactly) {
  // Spelled as code points, so a wrong source or resource code page cannot cancel itself out.
  EXPECT_EQ(LoadText(2100), L"\u7B2C\u4E00\u7B46");
  EXPECT_EQ(LoadText(2107), L"\u7D50\u675F\u7A0B\u5F0F");
  EXPECT_EQ(LoadText(2108), L"\u986F\u793A\u4E3B\u756B\u9762");
  EXPECT_EQ(LoadText(2202), L"\u9023\u7DDA\u5230Vantor\u9996\u9801");
  EXPECT_EQ(LoadText(2210),
            L"\u8ACB\u60A8\u79FB\u52D5\u6ED1\u9F20\u4EE5\u8A2D\u5B9A"
            L"CD-ROM\u8F49\u901F");
}

TEST(StringTable, TheSameTextsThroughTheLanguageRule) {
  EXPECT_EQ(LoadText(TextId(Language::kTraditionalChinese, Text::kShow)), L"\u986F\u793A\u4E3B\u756B\u9762");
  EXPECT_EQ(LoadText(TextId(Language::kSimplifiedChinese, Text::kShow)), L"Show");
  EXPECT_EQ(LoadText(TextId(Language::kSimplifiedChinese, Text::kSpeedTip)),
            L"Please move mouse to set CD-ROM speed.");
  EXPECT_EQ(LoadText(ButtonTipId(Language::kSimplifiedChinese, 7)), L"Last");
  EXPECT_EQ(LoadText(ButtonTipId(Language::kTraditionalChinese, 1)), L"\u7B2C\u4E00\u7B46");
}

// ---------------------------------------------------------------------------------------------
// Descriptions

TEST(Descriptions, MoviesTwoAndThreeShareOneTextInEveryLanguage) {
  for (Language language : kAllLanguages) {
    EXPECT_EQ(Description(language, 2), Description(language, 3)) << static_cast<int>(language);
  }
}

TEST(Descriptions, AllOtherMoviesHaveTheirOwnText) {
  std::set<std::wstring> all;
  for (Language language : kAllLanguages) {
    for (int movie = 1; movie <= kMovieCount; ++movie) {
      if (movie == 3) continue;
      EXPECT_TRUE(all.insert(Description(language, movie)).second) << movie;
    }
  }
  EXPECT_EQ(all.size(), 24u);
}

TEST(Descriptions, EachIsNameDashPromotionOnOneLine) {
  for (Language language : kAllLanguages) {
    for (int movie = 1; movie <= kMovieCount; ++movie) {
      const std::wstring text = Description(language, movie);
      SCOPED_TRACE(testing::Message() << static_cast<int>(language) << " movie " << movie);
      const auto dash = text.find(kDash);
      ASSERT_NE(dash, std::wstring::npos);
      EXPECT_EQ(text.find(L'\u2013', dash + 2), std::wstring::npos);  // one dash only
      EXPECT_EQ(text.find_first_of(L"\r\n\t"), std::wstring::npos);
      const std::wstring name = text.substr(0, dash);
      const std::wstring promotion = text.substr(dash + kDash.size());
      ASSERT_FALSE(name.empty());
      ASSERT_FALSE(promotion.empty());
      EXPECT_NE(name.front(), L' ');
      EXPECT_NE(name.back(), L' ');
      EXPECT_NE(promotion.front(), L' ');
      EXPECT_NE(promotion.back(), L' ');
    }
  }
}

TEST(Descriptions, FirstPresentsMurmexAndLastQuietSpin) {
  for (Language language : kAllLanguages) {
    EXPECT_EQ(Description(language, 1).rfind(L"Murmex", 0), 0u);
    EXPECT_EQ(Description(language, 9).rfind(L"QuietSpin" + std::wstring(kDash), 0), 0u);
  }
}

// Characters whose Traditional and Simplified forms differ, as used in the two blocks.
constexpr std::pair<wchar_t, wchar_t> kTraditionalSimplified[] = {
    {L'靜', L'静'}, {L'讓', L'让'}, {L'機', L'机'}, {L'與', L'与'}, {L'設', L'设'}, {L'處', L'处'},
    {L'聲', L'声'}, {L'網', L'网'}, {L'電', L'电'}, {L'節', L'节'}, {L'鍵', L'键'}, {L'術', L'术'},
    {L'轉', L'转'}, {L'運', L'运'}, {L'樂', L'乐'}, {L'戲', L'戏'}, {L'頻', L'频'}, {L'動', L'动'}};

TEST(Descriptions, EachChineseBlockIsWrittenInItsOwnScript) {
  for (int movie = 1; movie <= kMovieCount; ++movie) {
    const std::wstring traditional = Description(Language::kTraditionalChinese, movie);
    const std::wstring simplified = Description(Language::kSimplifiedChinese, movie);
    for (const auto& [t, s] : kTraditionalSimplified) {
      EXPECT_EQ(traditional.find(s), std::wstring::npos) << "movie " << movie << " U+" << std::hex << int(s);
      EXPECT_EQ(simplified.find(t), std::wstring::npos) << "movie " << movie << " U+" << std::hex << int(t);
    }
    EXPECT_NE(traditional, simplified);
  }
}

// lblFlashDescription is 385 x 49 px in bold Arial 9.75 pt (13 px): every description must wrap
// into at most two lines of it. Chinese glyphs come from the system's linked Chinese font, so the
// Chinese blocks are measured in that font; a missing glyph would make the measurement a lie.
// Some renderers break Chinese text only at blanks, so no line may be wider than the label.
const wchar_t* MeasuringFace(Language language) {
  switch (language) {
    case Language::kTraditionalChinese:
      return L"PMingLiU";
    case Language::kSimplifiedChinese:
      return L"SimSun";
    case Language::kEnglish:
      break;
  }
  return L"Arial";
}

TEST(Descriptions, FitTwoLinesOfTheDescriptionLabel) {
  UniqueDc memory_dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(memory_dc);
  HDC dc = memory_dc.get();
  for (Language language : kAllLanguages) {
    UniqueFont font(::CreateFontW(-13, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                  MeasuringFace(language)));
    ASSERT_TRUE(font);
    SelectScope selected(dc, font.get());
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    for (int movie = 1; movie <= kMovieCount; ++movie) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(language) << " movie " << movie);
      std::wstring text = Description(language, movie);
      std::vector<WORD> glyphs(text.size());
      ::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS);
      EXPECT_EQ(std::count(glyphs.begin(), glyphs.end(), WORD{0xFFFF}), 0) << "font lacks glyphs";
      RECT box{0, 0, 385, 0};
      const int height = ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box,
                                     DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      EXPECT_LE(box.right, 385);
      EXPECT_LE(height, 2 * metrics.tmHeight);
      EXPECT_LE(height, 49);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Menu, pictures and manifest stored with the program

TEST(PictureResources, IconIsTheSmallTwentyFivePixelImage) {
  // Size 0 x 0 without LR_DEFAULTSIZE loads the image at the size it is stored.
  UniqueIcon icon(static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUIETSPIN), IMAGE_ICON, 0, 0, 0)));
  ASSERT_TRUE(icon);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
  UniqueBitmap mask(info.hbmMask);
  UniqueBitmap colour(info.hbmColor);
  BITMAP bitmap{};
  ASSERT_TRUE(::GetObjectW(colour.get(), sizeof bitmap, &bitmap));
  EXPECT_EQ(bitmap.bmWidth, 25);
  EXPECT_EQ(bitmap.bmHeight, 25);
}

TEST(PictureResources, HandCursorPointsWithItsFingertip) {
  UniqueCursor cursor(static_cast<HCURSOR>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_LINK_HAND), IMAGE_CURSOR, 0, 0, 0)));
  ASSERT_TRUE(cursor);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(cursor.get(), &info));
  UniqueBitmap mask(info.hbmMask);
  UniqueBitmap colour(info.hbmColor);
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 12u);
  EXPECT_EQ(info.yHotspot, 1u);
}

std::string_view RawResource(WORD id, LPCWSTR type) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(id), type);
  if (found == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(self, found);
  if (loaded == nullptr) return {};
  return {static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(self, found)};
}

TEST(PictureResources, LogoIsAWholeJpegFile) {
  const std::string_view logo = RawResource(IDR_VANTOR_LOGO, RT_RCDATA);
  ASSERT_GT(logo.size(), 4u);
  EXPECT_EQ(logo.substr(0, 3), std::string_view("\xFF\xD8\xFF", 3));
  EXPECT_EQ(logo.substr(logo.size() - 2), std::string_view("\xFF\xD9", 2));
}

TEST(ManifestResource, AsksForAdministratorCommonControlsSixAndNoDpiAwareness) {
  const std::string manifest(RawResource(IDR_QS_MANIFEST, RT_MANIFEST));
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_NE(manifest.find(">false</dpiAware>"), std::string::npos);
  EXPECT_EQ(manifest.find("asInvoker"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// Language choice: ctest runs this group once per locale and names the expected LanguageId.

TEST(ChooseLanguage, FollowsTheSystemLocale) {
  const char* expected = std::getenv("QS_EXPECT_LANGUAGE");
  if (expected == nullptr) GTEST_SKIP() << "run by ctest with LC_ALL and QS_EXPECT_LANGUAGE set";
  EXPECT_EQ(static_cast<int>(ChooseLanguage()), std::atoi(expected)) << "LCID " << ::GetSystemDefaultLCID();
}

}  // namespace
}  // namespace qs
