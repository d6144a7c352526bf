// The verdicts INSTASPI.BAT acts on: whose layer the system folder holds, and whether it works.
#include "aspicheck/layer_verdict.h"

#include <gtest/gtest.h>

namespace qs::aspicheck {
namespace {

const Identity kOurs{L"Vantor", L"QuietSpin", 0x0001'0002'0000'0000};

Identity Installed(std::wstring company, std::wstring product, uint64_t version) {
  return Identity{std::move(company), std::move(product), version};
}

TEST(JudgeOrigin, OursOnlyWhenCompanyAndProductBothMatchThenByTheWholeVersion) {
  EXPECT_EQ(JudgeOrigin(Installed(L"Vantor", L"QuietSpin", 0x0001'0001'ffff'ffff), kOurs),
            Origin::kOursOlder);
  EXPECT_EQ(JudgeOrigin(kOurs, kOurs), Origin::kOursSame);
  EXPECT_EQ(JudgeOrigin(Installed(L"Vantor", L"QuietSpin", 0x0001'0002'0000'0001), kOurs),
            Origin::kOursNewer);
  // A name alone does not make a layer ours, nor does a file without a resource.
  EXPECT_EQ(JudgeOrigin(Installed(L"Other", L"QuietSpin", 0), kOurs), Origin::kForeign);
  EXPECT_EQ(JudgeOrigin(Installed(L"Vantor", L"ASPI", 0), kOurs), Origin::kForeign);
  EXPECT_EQ(JudgeOrigin(std::nullopt, kOurs), Origin::kForeign);
  // Names that differ only in case are someone else's.
  EXPECT_EQ(JudgeOrigin(Installed(L"vantor", L"quietspin", 0x0001'0002'0000'0000), kOurs), Origin::kForeign);
}

TEST(JudgeOrigin, WithoutNamesInOurOwnResourceNothingIsOurs) {
  const Identity nameless{L"", L"", 1};
  EXPECT_EQ(JudgeOrigin(nameless, nameless), Origin::kForeign);
}

TEST(JudgeSupport, AdaptersMakeItWorkAnEmptyOrFailedAnswerCountsOnlyWhereADriveCouldBeFound) {
  EXPECT_EQ(JudgeSupport(0x0102, true), State::kWorks);
  EXPECT_EQ(JudgeSupport(0x0101, false), State::kWorks);
  EXPECT_EQ(JudgeSupport(0xE800, true), State::kNoAdapter);  // SS_NO_ADAPTERS
  EXPECT_EQ(JudgeSupport(0xE800, false), State::kNoDrive);
  EXPECT_EQ(JudgeSupport(0x0100, true), State::kNoAdapter);  // completed, but zero adapters
  EXPECT_EQ(JudgeSupport(0xE802, true), State::kNoAdapter);  // a count beside an error status
  EXPECT_EQ(JudgeSupport(0xFFFF0101, true), State::kWorks);  // bits above the status are not read
}

TEST(VersionText, FourPartsMostSignificantFirst) {
  EXPECT_EQ(VersionText(0x0001'0002'0003'FFFF), "1.2.3.65535");
  EXPECT_EQ(VersionText(0), "0.0.0.0");
}

}  // namespace
}  // namespace qs::aspicheck
