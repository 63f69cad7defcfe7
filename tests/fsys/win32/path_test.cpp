// The Win32 path boundary: UTF-8 <-> UTF-16, the \\?\ long form, and the
// case-folded key that Windows compares paths by.
#include "fsys/win32/path.h"

#include <gtest/gtest.h>

#include <string>

#include "fsys/path_key.h"

namespace tolvane::fsys::win32 {
namespace {

TEST(Win32Path, ChineseNamesRoundTripThroughUtf16) {
  const std::string utf8 = "旅行\\照片.jpg";
  const std::wstring utf16 = L"\x65C5\x884C\\\x7167\x7247.jpg";
  EXPECT_EQ(to_utf16(utf8), utf16);
  EXPECT_EQ(to_utf8(utf16), utf8);
  // Outside the basic plane: one character, a surrogate pair, four bytes.
  EXPECT_EQ(to_utf8(L"\xD83D\xDCF7"), "\xF0\x9F\x93\xB7");
  EXPECT_EQ(to_utf8(L""), "");
}

TEST(Win32Path, LoneSurrogateHasNoUtf8Spelling) {
  EXPECT_EQ(to_utf8(std::wstring(L"a") + L'\xD800' + L".jpg"), std::nullopt);
}

TEST(Win32Path, LongFormOfDriveUncAndRelativePaths) {
  EXPECT_EQ(long_path("C:\\photos\\trip\\"), L"\\\\?\\C:\\photos\\trip\\");
  EXPECT_EQ(long_path("C:\\"), L"\\\\?\\C:\\");
  // The \\?\ form takes names literally, so "/", "." and ".." are resolved
  // before the prefix goes on.
  EXPECT_EQ(long_path("C:/photos/./old/../trip/a.jpg"), L"\\\\?\\C:\\photos\\trip\\a.jpg");
  EXPECT_EQ(long_path("\\\\server\\share\\photos\\"), L"\\\\?\\UNC\\server\\share\\photos\\");
  EXPECT_EQ(long_path("\\\\?\\C:\\already\\long"), L"\\\\?\\C:\\already\\long");
  EXPECT_EQ(long_path("C:\\旅行"), L"\\\\?\\C:\\\x65C5\x884C");

  const std::wstring relative = long_path("photos\\a.jpg");
  EXPECT_TRUE(relative.starts_with(L"\\\\?\\")) << relative.size();
  EXPECT_TRUE(relative.ends_with(L"\\photos\\a.jpg"));
  EXPECT_EQ(relative[5], L':');  // \\?\X:\...
}

}  // namespace
}  // namespace tolvane::fsys::win32

namespace tolvane::fsys {
namespace {

TEST(Win32PathKey, PathsThatDifferOnlyInLetterCaseAreOneFile) {
  EXPECT_TRUE(paths_equal("C:\\out\\Trip\\trip(1).jpg", "C:\\out\\trip\\trip(1).jpg"));
  EXPECT_TRUE(paths_equal("C:\\out\\Trip\\trip(1).jpg", "c:\\OUT\\trip\\Trip(1).JPG"));
  EXPECT_EQ(path_key("C:\\out\\trip\\trip(1).jpg"), "C:\\OUT\\TRIP\\TRIP(1).JPG");
  // Letters beyond ASCII fold as well, as on NTFS: Ä and ä, Ж and ж.
  EXPECT_TRUE(paths_equal("\xC3\x84\xD0\x96", "\xC3\xA4\xD0\xB6"));
  // Chinese has no case; different names stay different.
  EXPECT_EQ(path_key("旅行\\照片.jpg"), "旅行\\照片.JPG");
  EXPECT_FALSE(paths_equal("旅行\\trip(1).jpg", "旅游\\trip(1).jpg"));
  EXPECT_FALSE(paths_equal("trip(1).jpg", "trip(2).jpg"));
  // Bytes that are not UTF-8 keep apart instead of all becoming U+FFFD.
  EXPECT_FALSE(paths_equal("a\xFF", "a\xFE"));
  EXPECT_EQ(path_key("a\xFF"), "A\xFF");
  EXPECT_EQ(path_key(""), "");
}

}  // namespace
}  // namespace tolvane::fsys
