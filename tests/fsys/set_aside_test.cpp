// Where a replaced file is kept on a volume without a trash: below the
// set-aside folder of the destination root, under its own path there, a
// time and then a number put before its extension when that name is taken.
#include "fsys/set_aside.h"

#include <gtest/gtest.h>

#include <string>
#include <system_error>

#include "fsys/path_separator.h"
#include "tests/support/native_path.h"

namespace tolvane::fsys {
namespace {

using testing::native;

struct Row {
  const char* what;
  std::string root, target, stamp;
  unsigned attempt;
  std::string kept;
};

TEST(SetAsidePath, KeepsThePathBelowTheRootAndTheExtensionLast) {
  const std::string name = "被替换的文件";  // the window's name for the folder
  const std::string stamp = "20260105-093000";
  const Row rows[] = {
      {"per-tag folder", "/out/", "/out/trip/trip(1).jpg", "", 1,
       "/out/被替换的文件/trip/trip(1).jpg"},
      {"flat", "/out/", "/out/trip(1).jpg", "", 1, "/out/被替换的文件/trip(1).jpg"},
      {"Chinese names", "/媒体/归集/", "/媒体/归集/旅行/旅行(2).jpg", "", 1,
       "/媒体/归集/被替换的文件/旅行/旅行(2).jpg"},
      {"taken: the time", "/out/", "/out/trip/trip(1).jpg", stamp, 1,
       "/out/被替换的文件/trip/trip(1) 20260105-093000.jpg"},
      {"taken again: a number", "/out/", "/out/trip/trip(1).jpg", stamp, 3,
       "/out/被替换的文件/trip/trip(1) 20260105-093000-3.jpg"},
      {"no extension", "/out/", "/out/t/README", stamp, 1,
       "/out/被替换的文件/t/README 20260105-093000"},
      {"a dot in the folder only", "/out/", "/out/a.b/name", stamp, 1,
       "/out/被替换的文件/a.b/name 20260105-093000"},
      {"a leading dot", "/out/", "/out/t/.jpg", stamp, 1,
       "/out/被替换的文件/t/.jpg 20260105-093000"},
      {"only the last dot", "/out/", "/out/t/a.tar.gz", stamp, 1,
       "/out/被替换的文件/t/a.tar 20260105-093000.gz"},
      {"not below the root", "/out/", "/elsewhere/x.jpg", "", 1, "/out/被替换的文件/x.jpg"},
      {"a share", "//server/share/photos/", "//server/share/photos/trip/trip(1).jpg", "", 1,
       "//server/share/photos/被替换的文件/trip/trip(1).jpg"},
      {"a share's root", "//server/share/", "//server/share/share(1).jpg", stamp, 2,
       "//server/share/被替换的文件/share(1) 20260105-093000-2.jpg"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(set_aside_path(native(row.root), name, native(row.target), row.stamp, row.attempt),
              native(row.kept))
        << row.what;
  }
  EXPECT_EQ(set_aside_folder(native("//server/share/"), name),
            native("//server/share/被替换的文件/"));
}

TEST(SetAsideError, SaysTheFileStayedAndComparesAsTheSystemsError) {
  const std::error_code denied = std::make_error_code(std::errc::permission_denied);
  const std::error_code system_denied(denied.value(), std::system_category());
  const std::error_code error = set_aside_error(system_denied);
  EXPECT_EQ(error.category(), set_aside_category());
  EXPECT_EQ(error.message(), system_denied.message());
  EXPECT_EQ(error.default_error_condition(), system_denied.default_error_condition());
}

}  // namespace
}  // namespace tolvane::fsys
