#include "common/program_path.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(ProgramFolder, DropsTheFileNameAndItsSeparator) {
  EXPECT_EQ(ProgramFolderOf(L"C:\\Program Files\\QuietSpin\\QuietSpin.exe"), L"C:\\Program Files\\QuietSpin");
  EXPECT_EQ(ProgramFolderOf(L"\\\\server\\share\\QuietSpin.exe"), L"\\\\server\\share");
}

TEST(ProgramFolder, DriveRootKeepsItsSeparatorSoDataPathsDoubleIt) {
  const std::wstring folder = ProgramFolderOf(L"D:\\QuietSpin.exe");
  EXPECT_EQ(folder, L"D:\\");
  EXPECT_EQ(ProgramPath(folder, L"\\GIF\\Mask.bmp"), L"D:\\\\GIF\\Mask.bmp");
}

TEST(ProgramFolder, NoSeparatorGivesNoFolder) { EXPECT_EQ(ProgramFolderOf(L"QuietSpin.exe"), L""); }

}  // namespace
}  // namespace qs
