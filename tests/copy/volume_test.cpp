// What a USB stick, a memory card or a network share does to a copy run:
// a replaced file kept in the set-aside folder, which the closing message
// names, and names the volume cannot hold, which fail alone and say which
// character it was.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "app/user_texts.h"
#include "copy/copy_run.h"
#include "fsys/path_separator.h"
#include "fsys/set_aside.h"
#include "tests/copy/fakes.h"

namespace tolvane::copy {
namespace {

using app::failure_reason;
using app::failure_text;
using app::refused_in_name;
using testing::FakeFileSystem;
using testing::FakeRunDisplay;
using testing::Log;
using testing::native;
using testing::serial;

constexpr bool windows_names = fsys::separator == '\\';

// Refuses, as exFAT over FUSE does with EINVAL, every folder or file whose
// own name holds a character FAT, exFAT and NTFS cannot hold.
class VolumeRefusingNames : public FakeFileSystem {
 public:
  using FakeFileSystem::FakeFileSystem;

  std::error_code copy_whole(const std::string& source, const std::string& target,
                             fsys::LookAlike look_alike, fsys::CopyOutcome& outcome) override {
    if (unholdable(target)) return std::make_error_code(std::errc::invalid_argument);
    return FakeFileSystem::copy_whole(source, target, look_alike, outcome);
  }
  std::error_code make_folder(const std::string& folder) override {
    if (unholdable(folder)) return std::make_error_code(std::errc::invalid_argument);
    return FakeFileSystem::make_folder(folder);
  }

 private:
  static bool unholdable(std::string path) {
    if (path.back() == fsys::separator) path.pop_back();
    const std::string name = path.substr(path.rfind(fsys::separator) + 1);
    for (const char c : name) {
      if (static_cast<unsigned char>(c) < 0x20 ||
          std::string_view(":?*<>|\"\\").find(c) != std::string_view::npos) {
        return true;
      }
    }
    return name.back() == '.' || name.back() == ' ';
  }
};

class VolumeTest : public ::testing::Test {
 protected:
  VolumeTest() {
    for (FakeFileSystem* fake : {&disk, static_cast<FakeFileSystem*>(&refusing)}) {
      fake->add_folder("/");
      fake->add_folder("/out/");
      fake->add_folder("/photos/");
    }
  }

  void list(FakeFileSystem& fake, std::string_view path, std::string_view tag) {
    fake.add_file(path, native(path));
    window.add(path, tag);
  }

  Log log;
  FakeFileSystem disk{log};
  VolumeRefusingNames refusing{log};
  FakeRunDisplay window{log};
};

TEST_F(VolumeTest, ReplacedFilesKeptInTheSetAsideFolderAreCountedAndItIsNamed) {
  list(disk, "/photos/trip/a.jpg", "trip");
  list(disk, "/photos/trip/b.jpg", "trip");
  list(disk, "/photos/trip/c.jpg", "trip");
  disk.add_folder("/out/trip/");
  disk.add_file("/out/trip/trip(1).jpg", "older a");
  disk.add_file("/out/trip/trip(2).jpg", native("/photos/trip/b.jpg"));
  disk.add_file("/out/trip/trip(3).jpg", "older c");
  disk.sets_aside = true;

  const CopyReport report = copy_folder(native("/out/"), disk, window, serial);
  // Told once, before the run asked the disk anything.
  ASSERT_EQ(disk.roots_told.size(), 1u);
  EXPECT_EQ(disk.roots_told[0].first, native("/out/"));
  EXPECT_EQ(disk.roots_told[0].second, 0u);
  EXPECT_EQ(report.set_aside, 2u);
  EXPECT_EQ(report.replaced, 0u);
  EXPECT_EQ(report.unchanged, 1u);
  EXPECT_EQ(fsys::set_aside_folder(native("/out/"), app::set_aside_folder_name),
            native("/out/被替换的文件/"));
  ASSERT_EQ(window.reports.size(), 1u);
  EXPECT_EQ(
      window.reports[0].first,
      "已完成3条。\n其中2条替换了原有文件，因该磁盘没有可用的回收站，原有文件已按原来的相对路径"
      "移入“" +
          native("/out/被替换的文件/") + "”。\n其中1条与原有文件相同，不重新拷贝。");
  EXPECT_FALSE(window.reports[0].second);
}

TEST_F(VolumeTest, NamesTheVolumeCannotHoldFailAloneNamingTheCharacter) {
  // Keep-name mode: the files' own names reach the volume.
  window.extension = ".*";
  struct Row {
    std::string path, tag;
    std::string what;  // follows "名称"; empty for an entry that is copied
    bool folder = false;
  };
  std::vector<Row> rows = {
      {"/photos/t/ok.jpg", "t", ""},
      {"/photos/t/what?.jpg", "t", "中有“?”"},
      {"/photos/t/star*.jpg", "t", "中有“*”"},
      {"/photos/t/<angle>.jpg", "t", "中有“<”"},
      {"/photos/t/pipe|.jpg", "t", "中有“|”"},
      {"/photos/t/say\"hi\".jpg", "t", "中有“\"”"},
      {"/photos/t/ends in a dot.", "t", "以“.”结尾"},
      {"/photos/t/ends in a blank ", "t", "以空格结尾"},
      {"/photos/t/tab\there.jpg", "t", "中有控制字符U+0009"},
      {"/photos/a:b/c.jpg", "a:b", "中有“:”", true},
      {"/photos/t/z.jpg", "t", ""},
  };
  if (!windows_names) rows.push_back({"/photos/t/back\\slash.jpg", "t", "中有“\\”"});
  for (const Row& row : rows) list(refusing, row.path, row.tag);

  const CopyReport report = copy_folder(native("/out/"), refusing, window, serial);
  std::vector<std::string> reasons, expected;
  for (const CopyFailure& failure : report.failures) reasons.push_back(failure_text(failure));
  const std::string system_words = std::make_error_code(std::errc::invalid_argument).message();
  for (const Row& row : rows) {
    if (row.what.empty()) continue;
    // Windows refuses these names itself, before the volume is asked.
    expected.push_back(windows_names
                           ? "目标名不可用：名称" + row.what + "，文件系统不允许"
                           : std::string(row.folder ? "无法创建文件夹" : "无法拷贝") +
                                 "，目标磁盘不允许名称" + row.what + "（" + system_words + "）");
  }
  EXPECT_EQ(reasons, expected);
  // The rest of the run went on.
  EXPECT_EQ(refusing.files.at(native("/out/t/ok.jpg")), native("/photos/t/ok.jpg"));
  EXPECT_EQ(refusing.files.at(native("/out/t/z.jpg")), native("/photos/t/z.jpg"));
  EXPECT_EQ(report.entries, rows.size());
  EXPECT_NE(window.reports.at(0).first.find("其中" + std::to_string(expected.size()) + "条失败："),
            std::string::npos);
}

TEST(RefusedNameReason, OnlyARefusalOfANameThatHoldsSuchACharacterNamesIt) {
  const std::error_code einval = std::make_error_code(std::errc::invalid_argument);
  const std::string sep(1, fsys::separator);
  // A refusal for another cause, or of an ordinary name, keeps its words.
  EXPECT_EQ(failure_reason(einval, "out" + sep + "trip(1).jpg"), app::error_in_words(einval));
  const std::error_code full = std::make_error_code(std::errc::no_space_on_device);
  EXPECT_EQ(failure_reason(full, "out" + sep + "a:b.jpg"), app::error_in_words(full));
  // Only the last name counts: the root may hold anything its system allows.
  EXPECT_EQ(failure_reason(einval, "x:y" + sep + "trip(1).jpg"), app::error_in_words(einval));
  const std::error_code eilseq = std::make_error_code(std::errc::illegal_byte_sequence);
  EXPECT_EQ(failure_reason(eilseq, "out" + sep + "a>b.jpg"),
            "目标磁盘不允许名称中有“>”（" + eilseq.message() + "）");
  if (windows_names) {
    const std::error_code invalid_name(123, std::system_category());  // ERROR_INVALID_NAME
    EXPECT_EQ(failure_reason(invalid_name, "E:\\out\\trip.\\"),
              "目标磁盘不允许名称以“.”结尾（" + invalid_name.message() + "）");
  }
  EXPECT_EQ(refused_in_name(".."), std::nullopt);
  EXPECT_EQ(refused_in_name("out" + sep + "..." + sep), "以“.”结尾");
}

// The old file that could not be set aside is said to be kept, and why; on
// Windows a file another program holds open is said to be in use.
TEST(SetAsideReason, SaysTheOldFileStayedAndWhy) {
  const std::string kept = "原有文件无法移入“被替换的文件”文件夹，已原样保留：";
  const int denied = windows_names ? 5 : EACCES;  // ERROR_ACCESS_DENIED
  EXPECT_TRUE(failure_reason(fsys::set_aside_error({denied, std::system_category()}))
                  .starts_with(kept + "没有权限（"));
  if (windows_names) {
    const std::error_code in_use(32, std::system_category());  // ERROR_SHARING_VIOLATION
    EXPECT_EQ(failure_reason(fsys::set_aside_error(in_use)),
              kept + "文件正被占用（" + in_use.message() + "）");
  }
}

}  // namespace
}  // namespace tolvane::copy
