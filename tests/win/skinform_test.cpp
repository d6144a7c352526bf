// TransparentForm from the shipped SkinForm.dll, called the way the program calls it: an ANSI
// path to a mask file in, a region for SetWindowRgn out.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "tests/unit/skinform_bmp_writer.h"

namespace {

using qs::skin::testing::BmpFile;
using qs::skin::testing::Encode;
using qs::skin::testing::kMagenta;
using TransparentFormFn = HRGN(WINAPI*)(const char*);

// A file in the temporary folder, removed again at the end of the test.
class TempFile {
 public:
  explicit TempFile(const std::vector<uint8_t>& bytes) {
    char folder[MAX_PATH] = {};
    char name[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    ::GetTempFileNameA(folder, "msk", 0, name);
    path_ = name;
    qs::UniqueFile file(
        ::CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() { ::DeleteFileA(path_.c_str()); }
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

class TransparentForm : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dll(exe);
    dll.resize(dll.find_last_of(L'\\') + 1);
    dll += L"SkinForm.dll";
    library_.reset(::LoadLibraryW(dll.c_str()));
    ASSERT_TRUE(library_) << "SkinForm.dll not beside the test program";
    transparent_form_ = reinterpret_cast<TransparentFormFn>(
        reinterpret_cast<void*>(::GetProcAddress(library_.get(), "TransparentForm")));
    ASSERT_NE(transparent_form_, nullptr) << "no undecorated TransparentForm export";
  }

  qs::UniqueRegion Call(const char* path) const { return qs::UniqueRegion(transparent_form_(path)); }

  qs::UniqueModule library_;
  TransparentFormFn transparent_form_ = nullptr;
};

// Every pixel of the picture, key or not, must be outside or inside the region accordingly.
void ExpectRegionMatchesPixels(HRGN region, const BmpFile& bmp) {
  const int rows = bmp.height < 0 ? -bmp.height : bmp.height;
  int wrong = 0;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < bmp.width; ++x) {
      const uint32_t v = bmp.pixels[static_cast<size_t>(y) * bmp.width + x];
      const bool key = bmp.bits <= 8 ? bmp.palette[v] == kMagenta : v == kMagenta;
      if (::PtInRegion(region, x, y) == key && ++wrong <= 5) ADD_FAILURE() << "pixel " << x << "," << y;
    }
  }
  EXPECT_EQ(wrong, 0);
  // Nothing outside the picture.
  EXPECT_FALSE(::PtInRegion(region, -1, 0));
  EXPECT_FALSE(::PtInRegion(region, 0, -1));
  EXPECT_FALSE(::PtInRegion(region, bmp.width, 0));
  EXPECT_FALSE(::PtInRegion(region, 0, rows));
}

// 20 x 10 with a key hole in the middle and a key pixel at the top-left corner.
BmpFile SmallMask(int32_t stored_height) {
  BmpFile bmp;
  bmp.width = 20;
  bmp.height = stored_height;
  bmp.pixels.assign(200, 0x202020);
  for (int y = 3; y < 7; ++y)
    for (int x = 5; x < 15; ++x) bmp.pixels[static_cast<size_t>(y) * 20 + x] = kMagenta;
  bmp.pixels[0] = kMagenta;
  return bmp;
}

TEST_F(TransparentForm, SmallMaskGivesTheExpectedShapeInWindowCoordinates) {
  for (int32_t stored_height : {10, -10}) {
    const BmpFile bmp = SmallMask(stored_height);
    TempFile file(Encode(bmp));
    qs::UniqueRegion region = Call(file.path());
    ASSERT_TRUE(region) << stored_height;
    RECT box{};
    EXPECT_EQ(::GetRgnBox(region.get(), &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(box.bottom, 10);
    EXPECT_FALSE(::PtInRegion(region.get(), 0, 0));
    EXPECT_TRUE(::PtInRegion(region.get(), 1, 0));
    EXPECT_TRUE(::PtInRegion(region.get(), 0, 1));
    EXPECT_FALSE(::PtInRegion(region.get(), 10, 5));
    EXPECT_TRUE(::PtInRegion(region.get(), 4, 5));
    EXPECT_TRUE(::PtInRegion(region.get(), 19, 9));

    // The same shape made from rectangles by GDI itself.
    qs::UniqueRegion expected(::CreateRectRgn(0, 0, 20, 10));
    qs::UniqueRegion hole(::CreateRectRgn(5, 3, 15, 7));
    qs::UniqueRegion corner(::CreateRectRgn(0, 0, 1, 1));
    ::CombineRgn(expected.get(), expected.get(), hole.get(), RGN_DIFF);
    ::CombineRgn(expected.get(), expected.get(), corner.get(), RGN_DIFF);
    EXPECT_TRUE(::EqualRgn(region.get(), expected.get())) << stored_height;
  }
}

// The shipped mask's size: an ellipse with two key windows, in 24 bpp and in 8 bpp.
TEST_F(TransparentForm, FullSizeMaskMatchesEveryPixel) {
  for (uint16_t bits : {24, 8}) {
    BmpFile bmp;
    bmp.width = 527;
    bmp.height = 500;
    bmp.bits = bits;
    const uint32_t key = bits == 8 ? 7 : kMagenta;
    const uint32_t body = bits == 8 ? 200 : 0x4080C0;
    if (bits == 8) {
      bmp.palette.assign(256, 0x4080C0);
      bmp.palette[7] = kMagenta;
    }
    for (int y = 0; y < 500; ++y) {
      for (int x = 0; x < 527; ++x) {
        const double dx = (x - 263.0) / 263.5, dy = (y - 249.5) / 250.0;
        const bool window =
            (x >= 100 && x < 140 && y >= 200 && y < 260) || (x >= 300 && x < 420 && y >= 380 && y < 390);
        bmp.pixels.push_back(dx * dx + dy * dy <= 1.0 && !window ? body : key);
      }
    }
    TempFile file(Encode(bmp));
    qs::UniqueRegion region = Call(file.path());
    ASSERT_TRUE(region) << bits;
    ExpectRegionMatchesPixels(region.get(), bmp);
    // Rows merged into bands keep the region data far below one rectangle per pixel run.
    const DWORD size = ::GetRegionData(region.get(), 0, nullptr);
    std::vector<RECT> data(size / sizeof(RECT) + 2);
    ASSERT_EQ(::GetRegionData(region.get(), size, reinterpret_cast<RGNDATA*>(data.data())), size);
    EXPECT_LE(reinterpret_cast<RGNDATA*>(data.data())->rdh.nCount, 600u) << bits;
  }
}

TEST_F(TransparentForm, AllKeyMaskGivesAnEmptyRegion) {
  BmpFile bmp = SmallMask(10);
  bmp.pixels.assign(200, kMagenta);
  TempFile file(Encode(bmp));
  qs::UniqueRegion region = Call(file.path());
  ASSERT_TRUE(region);
  RECT box{};
  EXPECT_EQ(::GetRgnBox(region.get(), &box), NULLREGION);
}

TEST_F(TransparentForm, MissingUnreadableOrBrokenFilesGiveNoRegion) {
  EXPECT_FALSE(Call("C:\\no such folder\\GIF\\Mask.bmp"));
  EXPECT_FALSE(Call(""));
  EXPECT_FALSE(Call(nullptr));
  char folder[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, folder);
  EXPECT_FALSE(Call(folder));  // a folder, not a file
  auto bytes = Encode(SmallMask(10));
  bytes.resize(bytes.size() - 1);
  TempFile truncated(bytes);
  EXPECT_FALSE(Call(truncated.path()));
  TempFile empty(std::vector<uint8_t>{});
  EXPECT_FALSE(Call(empty.path()));
}

// The result must be a region SetWindowRgn takes: the window then reports the same shape.
TEST_F(TransparentForm, RegionShapesAWindow) {
  TempFile file(Encode(SmallMask(10)));
  qs::UniqueRegion region = Call(file.path());
  ASSERT_TRUE(region);
  qs::UniqueRegion copy(::CreateRectRgn(0, 0, 0, 0));
  ::CombineRgn(copy.get(), region.get(), nullptr, RGN_COPY);
  qs::UniqueWindow window(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 20, 10, nullptr, nullptr,
                                            ::GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(window);
  ASSERT_NE(::SetWindowRgn(window.get(), region.release(), TRUE), 0);  // the system owns it now
  qs::UniqueRegion applied(::CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(::GetWindowRgn(window.get(), applied.get()), COMPLEXREGION);
  EXPECT_TRUE(::EqualRgn(applied.get(), copy.get()));
}

}  // namespace
