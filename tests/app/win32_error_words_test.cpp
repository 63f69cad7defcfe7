// The Win32 backend reports Win32 codes; the window words them as it does
// the POSIX ones.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <system_error>

#include "app/user_texts.h"

namespace tolvane::app {
namespace {

TEST(Win32Errors, AreWordedInTheWindowsLanguage) {
  const auto words = [](DWORD code) {
    return error_in_words(std::error_code(static_cast<int>(code), std::system_category()));
  };
  EXPECT_TRUE(words(ERROR_ACCESS_DENIED).starts_with("没有权限（")) << words(ERROR_ACCESS_DENIED);
  EXPECT_TRUE(words(ERROR_PATH_NOT_FOUND).starts_with("找不到文件或文件夹（"))
      << words(ERROR_PATH_NOT_FOUND);
}

}  // namespace
}  // namespace tolvane::app
