// The copy run under bad and unusual input (POSIX): extension texts and
// folder tags that would lead outside the destination, destinations that
// are the source or lie inside it, destination texts that name no folder,
// odd names and names too long for the file system.  No file is ever
// written outside the destination, no source is ever written, and every
// entry that cannot be copied is reported with its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "copy/copy_run.h"
#include "fsys/file_system.h"
#include "scan/folder_walk.h"
#include "tests/copy/fakes.h"
#include "tests/scan/recording_scan_window.h"
#include "tests/support/odd_names.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::copy {
namespace {

namespace tt = ::tolvane::testing;

class CopyBadInput : public ::testing::Test {
 protected:
  // Scans `folder` for `extension` into a fresh window, as Command1 does.
  void scan(const std::string& folder, const std::string& extension = ".jpg") {
    window = std::make_unique<testing::FakeRunDisplay>(log);
    tt::RecordingScanWindow scan_window(extension);
    scan::Search_folder(folder, *disk, scan_window);
    for (const auto& [path, tag] : scan_window.entries) window->add(path, tag);
  }

  // Every file of the tree except those below `inside`.
  tt::TreeFiles outside(const std::string& inside) const {
    tt::TreeFiles files = tt::files_below(tree.root());
    std::erase_if(files, [&](const auto& file) { return file.first.starts_with(inside); });
    return files;
  }

  // Command2 with `text2`; checks that nothing but new files below `inside`
  // (relative to the tree, ending in "/") appeared, and no file changed.
  CopyReport press_copy(const std::string& text2, const std::string& inside = "out/") {
    const tt::TreeFiles all_before = tt::files_below(tree.root());
    const tt::TreeFiles before = outside(inside);
    window->reports.clear();
    const std::optional<CopyReport> report = run_copy_command(text2, *disk, *window);
    EXPECT_EQ(tt::tree_difference(outside(inside), before), "") << "written outside " << inside;
    const tt::TreeFiles all_after = tt::files_below(tree.root());
    for (const auto& [relative, bytes] : all_before) {
      const auto now = all_after.find(relative);
      const bool kept = now != all_after.end() && now->second == bytes;
      EXPECT_TRUE(kept || relative.starts_with("out/")) << relative << " was written";
    }
    tt::count_compared(all_before.size());
    ++inputs;
    return report.value_or(CopyReport{});
  }

  void expect_all_failed(const CopyReport& report, std::errc reason) {
    EXPECT_EQ(report.failures.size(), window->list1.size());
    for (const CopyFailure& failure : report.failures) EXPECT_EQ(failure.error, reason);
    ASSERT_EQ(window->reports.size(), 1u);
    EXPECT_TRUE(window->reports[0].second);
    EXPECT_NE(window->reports[0].first.find(std::make_error_code(reason).message()),
              std::string::npos)
        << window->reports[0].first;
  }

  ~CopyBadInput() override {
    std::cout << "[ figures ] inputs tried: " << inputs
              << ", files compared byte for byte: " << tt::compared_so_far() << "\n";
  }

  tt::TempTree tree{"photos/t/a.jpg", "photos/t/b.jpg", "photos/u/c.jpg", "out/"};
  std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  testing::Log log;
  std::unique_ptr<testing::FakeRunDisplay> window;
  int inputs = 0;
};

TEST_F(CopyBadInput, ExtensionTextsThatLeadElsewhereAreRefused) {
  const std::vector<std::string> unusable = {
      "/../../evil.jpg",    "/x.jpg", "a/b", "/..", "/", std::string(".jpg\0/../x", 10),
      std::string(1, '\0'),
  };
  scan(tree.path("photos/"));
  for (const bool flat : {false, true}) {
    for (const std::string& extension : unusable) {
      SCOPED_TRACE((flat ? "flat, " : "") + std::string("extension ") + extension);
      window->flat = flat;
      window->extension = extension;  // changed after the scan
      const CopyReport report = press_copy(tree.path("out"));
      ASSERT_EQ(report.failures.size(), 3u);
      for (const CopyFailure& failure : report.failures) {
        EXPECT_EQ(failure.operation, CopyOperation::check_name);
      }
      // A refused name is the whole reason: no system words after it.
      EXPECT_TRUE(window->reports.at(0).first.ends_with("文件系统不允许的字符"))
          << window->reports.at(0).first;
      EXPECT_TRUE(tt::files_below(tree.path("out")).empty());
    }
  }
  // ".." after the number is an odd name, but one name: it is copied.
  window->flat = false;
  window->extension = "..";
  const CopyReport report = press_copy(tree.path("out"));
  EXPECT_TRUE(report.failures.empty());
  EXPECT_EQ(tt::files_below(tree.path("out")),
            (tt::TreeFiles{{"t/t(1)..", tree.read("photos/t/a.jpg")},
                           {"t/t(2)..", tree.read("photos/t/b.jpg")},
                           {"u/u(1)..", tree.read("photos/u/c.jpg")}}));
}

TEST_F(CopyBadInput, FolderTagDotDotNeverLeavesTheDestination) {
  // The scan tags a folder typed as "photos/t/.." by its real name; a list
  // that holds the tag ".." all the same must not lead out of the destination.
  tree.write("photos/top.jpg", "top");
  window = std::make_unique<testing::FakeRunDisplay>(log);
  window->add(tree.path("photos/top.jpg"), "..");
  window->add(tree.path("photos/t/a.jpg"), "t");
  const std::size_t dot_dot_entries =
      std::count(window->list2.begin(), window->list2.end(), std::string(".."));
  const CopyReport report = press_copy(tree.path("out"));
  EXPECT_EQ(report.failures.size(), dot_dot_entries);
  for (const CopyFailure& failure : report.failures) {
    EXPECT_EQ(failure.operation, CopyOperation::check_name);
  }
  // In flat mode the tag is only part of a name: "..(1).jpg" lies inside.
  window->flat = true;
  const CopyReport flat = press_copy(tree.path("out"));
  EXPECT_TRUE(flat.failures.empty());
}

TEST_F(CopyBadInput, DestinationEqualToTheSourceNeverWritesASource) {
  tree.write("photos/t/t(1).jpg", "a source named like a copy");
  tree.write("photos/t/t(3).jpg", "another");
  scan(tree.path("photos/"));
  const tt::TreeFiles sources = tt::files_below(tree.path("photos"));
  // Text2 the scanned folder itself: per-tag folders are the source folders.
  const CopyReport report = press_copy(tree.path("photos"), "photos/");
  EXPECT_TRUE(report.failures.empty());
  tt::TreeFiles after = tt::files_below(tree.path("photos"));
  for (const auto& [relative, bytes] : sources) EXPECT_EQ(after.at(relative), bytes) << relative;
  EXPECT_EQ(after.size(), 2 * sources.size());
  EXPECT_EQ(after.at("t/t(2).jpg"), sources.at("t/a.jpg"));
  EXPECT_EQ(after.at("t/t(4).jpg"), sources.at("t/b.jpg"));
  tt::count_compared(after.size());
}

TEST_F(CopyBadInput, DestinationInsideTheSourceCopiesWhatTheScanListedOnce) {
  tree.add("photos/copies/");
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    scan(tree.path("photos/"));
    const std::size_t listed = window->list1.size();
    const std::size_t files_before = tt::files_below(tree.path("photos")).size();
    const CopyReport report = press_copy(tree.path("photos/copies"), "photos/copies/");
    EXPECT_EQ(report.entries, listed);
    // The copies of this run are not copied again by it.
    EXPECT_EQ(tt::files_below(tree.path("photos")).size(), files_before + listed);
    EXPECT_TRUE(report.failures.empty());
  }
}

TEST_F(CopyBadInput, DestinationTextsThatNameNoFolderFailEveryEntry) {
  scan(tree.path("photos/"));
  const std::string out = tree.path("out");
  const std::vector<std::pair<std::string, std::errc>> texts = {
      {" " + out, std::errc::no_such_file_or_directory},  // relative, untrimmed
      {out + " ", std::errc::no_such_file_or_directory},
      {out + "\n", std::errc::no_such_file_or_directory},
      {out + "\x01", std::errc::no_such_file_or_directory},
      {tree.path("photos/t/a.jpg"), std::errc::not_a_directory},
      {out + "/" + std::string(4000, 'x'), std::errc::filename_too_long},
      {out + std::string(1, '\0') + "x", std::errc::invalid_argument},
  };
  for (const bool flat : {false, true}) {
    for (const auto& [text, reason] : texts) {
      SCOPED_TRACE((flat ? "flat, " : "") + text);
      window->flat = flat;
      expect_all_failed(press_copy(text), reason);
      EXPECT_TRUE(tt::files_below(out).empty());
    }
  }
  // Texts that start no run: nothing copied, no message.
  for (const std::string& text : std::vector<std::string>{"", "/", out + "/"}) {
    window->reports.clear();
    EXPECT_FALSE(run_copy_command(text, *disk, *window).has_value());
    EXPECT_TRUE(window->reports.empty());
    ++inputs;
  }
}

TEST_F(CopyBadInput, OddNamesKeepTheirNamesAndBytes) {
  const std::vector<std::string> names = tt::odd_file_names();
  for (const std::string& name : names) tree.write("odd/trip/" + name, "bytes of " + name);
  scan(tree.path("odd/"));
  ASSERT_EQ(window->list1.size(), names.size());
  window->extension = ".*";
  EXPECT_TRUE(press_copy(tree.path("out")).failures.empty());
  tt::TreeFiles expected;
  for (const std::string& name : names) expected["trip/" + name] = "bytes of " + name;
  EXPECT_EQ(tt::files_below(tree.path("out")), expected);
  tt::count_compared(expected.size());
}

TEST_F(CopyBadInput, NamesTooLongForTheFileSystemFailAloneAndLoseNothing) {
  const std::string longest = std::string(251, 'n') + ".jpg";  // 255 bytes
  tree.write("long/one/" + longest, "first");
  tree.write("long/two/one/" + longest, "second");  // same tag, same name
  tree.write("long/one/short.jpg", "short");
  tree.write("long/" + std::string(250, 't') + "/x.jpg", "long tag");
  scan(tree.path("long/"));
  ASSERT_EQ(window->list1.size(), 4u);

  // Keep-name: the second copy of the 255-byte name needs "(2)": too long.
  window->extension = ".*";
  const CopyReport kept = press_copy(tree.path("out"));
  ASSERT_EQ(kept.failures.size(), 1u);
  EXPECT_EQ(kept.failures[0].error, std::errc::filename_too_long);
  EXPECT_NE(window->reports.at(0).first.find(kept.failures[0].error.message()), std::string::npos);
  EXPECT_EQ(tree.read("out/one/" + longest), "first");
  EXPECT_EQ(tree.read("out/one/short.jpg"), "short");
  EXPECT_EQ(tree.read("out/" + std::string(250, 't') + "/x.jpg"), "long tag");

  // Numbered: a 250-byte tag plus "(1).jpg" is too long; the rest is copied.
  window->extension = ".jpg";
  const CopyReport numbered = press_copy(tree.path("out"));
  ASSERT_EQ(numbered.failures.size(), 1u);
  EXPECT_EQ(numbered.failures[0].error, std::errc::filename_too_long);
  EXPECT_EQ(tree.read("out/one/one(3).jpg"), "second");
  tt::count_compared(4);
  // Too long for the unnamed file's link, so the named temporary was tried
  // too, and removed when it could not be renamed.
  EXPECT_EQ(tt::hidden_files_below(tree.path("out")), std::vector<std::string>{});
}

}  // namespace
}  // namespace tolvane::copy
