// Splitting a path at its last separator: the edges every caller relies on,
// a bare name, a name in the root and a folder path's trailing separator.
#include "fsys/path_split.h"

#include <gtest/gtest.h>

#include "tests/support/native_path.h"

namespace tolvane::fsys {
namespace {

using tolvane::testing::native;

TEST(PathSplit, AFolderPartKeepsItsSeparatorAndABareNameHasNone) {
  EXPECT_EQ(folder_part(native("/photos/trip/a.jpg")), native("/photos/trip/"));
  EXPECT_EQ(last_name(native("/photos/trip/a.jpg")), "a.jpg");
  EXPECT_EQ(folder_part(native("/a.jpg")), native("/"));
  EXPECT_EQ(last_name(native("/a.jpg")), "a.jpg");
  // A folder path names no last name of its own.
  EXPECT_EQ(folder_part(native("/photos/")), native("/photos/"));
  EXPECT_EQ(last_name(native("/photos/")), "");
  EXPECT_EQ(folder_part("a.jpg"), "");
  EXPECT_EQ(last_name("a.jpg"), "a.jpg");
  // A bare name lies in the current folder.
  EXPECT_EQ(folder_holding("a.jpg"), native("./"));
  EXPECT_EQ(folder_holding(native("out/a.jpg")), native("out/"));
  EXPECT_EQ(last_name_start(std::wstring_view(L"\\\\?\\C:\\out\\a.jpg")), 11u);
  if (separator == '\\') {
    // Windows takes "/" for a separator too.
    EXPECT_EQ(last_name("C:\\photos/trip/a.jpg"), "a.jpg");
  }
}

}  // namespace
}  // namespace tolvane::fsys
