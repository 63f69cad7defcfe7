// Which journals a new run leaves in the journal folder: what undo or a
// re-run may need for a year, the rest for a month, and the oldest first
// once they outgrow their size.  Judged by the files left in the folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fsys/path_separator.h"
#include "fsys/restorer.h"
#include "journal/journal_lines.h"
#include "journal/journals.h"
#include "tests/support/temp_tree.h"

namespace tolvane::journal {
namespace {

namespace fs = std::filesystem;
namespace tt = tolvane::testing;

// A journal written as a run would have left it.
struct Made {
  std::string destination;  // below the tree
  double days_old;
  bool wrote = true;
  bool undone = false;
  std::size_t folder_lines = 1;  // to give it a size
};

class JournalLimitsTest : public ::testing::Test {
 protected:
  // Writes each journal into the folder; returns their names.
  std::vector<std::string> make(const std::vector<Made>& journals) {
    std::vector<std::string> names;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    int serial = 0;
    for (const Made& made : journals) {
      const auto age = std::chrono::duration<double, std::ratio<86400>>(made.days_old);
      const long long started =
          std::chrono::duration_cast<std::chrono::nanoseconds>(now - age).count();
      char name[64];
      std::snprintf(name, sizeof name, "run-%020lld-%02d.journal", started, serial++ % 100);
      const std::string destination = tree_.path(made.destination) + fsys::separator;
      std::string text = line_of(LineKind::format, {"1"}) +
                         line_of(LineKind::destination, {destination}) +
                         line_of(LineKind::writer, {"4242", ""});
      for (std::size_t k = 0; made.wrote && k < made.folder_lines; ++k) {
        text +=
            line_of(LineKind::folder, {destination + "f" + std::to_string(k) + fsys::separator});
      }
      text += line_of(LineKind::ended);
      if (made.undone) text += line_of(LineKind::undone);
      tree_.write("journals/" + std::string(name), text);
      names.emplace_back(name);
    }
    return names;
  }

  // Starts a run into a folder of its own, which prunes; returns the names
  // of the journals made here that are left.
  std::set<std::string> left_after_a_run(const JournalLimits& limits) {
    Journals journals(tree_.path("journals/"), *restorer_, limits);
    std::error_code error;
    const std::unique_ptr<RunJournal> run =
        journals.start_run(tree_.path("new") + fsys::separator, error);
    EXPECT_TRUE(run) << error.message();
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(tree_.path("journals"))) {
      left.insert(entry.path().filename().string());
    }
    std::set<std::string> ours;
    for (const std::string& name : left) {
      if (made_.contains(name)) ours.insert(name);
    }
    return ours;
  }

  tt::TempTree tree_{"journals/"};
  std::unique_ptr<fsys::Restorer> restorer_ = fsys::make_native_restorer();
  std::set<std::string> made_;
};

TEST_F(JournalLimitsTest, WhatUndoOrAReRunNeedsStaysAYearTheRestAMonth) {
  const std::vector<std::string> names = make({
      {"d1", 364},               // 0: d1's last run, long ago
      {"d1", 366},               // 1: an earlier run into d1, a year old
      {"d2", 366},               // 2: d2's last run, a year old
      {"d3", 100},               // 3: an earlier run into d3, needed by a re-run
      {"d3", 5},                 // 4: d3's last run
      {"d4", 31, false},         // 5: wrote nothing, a month old
      {"d4", 29, false},         // 6: wrote nothing, younger than a month
      {"d5", 31, true, true},    // 7: undone, and followed by another run
      {"d5", 1},                 // 8: d5's last run
      {"d6", 300, true, true},   // 9: undone, but d6's last run
      {"d7", 29.9, true, true},  // 10: undone, followed, not a month old yet
      {"d7", 29.8},              // 11: d7's last run
  });
  made_ = {names.begin(), names.end()};
  EXPECT_EQ(left_after_a_run({}),
            (std::set<std::string>{names[0], names[3], names[4], names[6], names[8], names[9],
                                   names[10], names[11]}));
}

TEST_F(JournalLimitsTest, OnceTheJournalsOutgrowTheirSizeTheOldestGoFirst) {
  const std::vector<Made> journals = {
      {"d1", 50, true, false, 40},  // 0: an earlier run into d1
      {"d1", 40, true, false, 40},  // 1: the next
      {"d1", 20, true, true, 40},   // 2: undone, and followed by d1's last run
      {"d1", 10, true, false, 40},  // 3: d1's last run
      {"d2", 60, true, false, 40},  // 4: d2's last run, the oldest of all
  };
  struct Case {
    std::int64_t over;  // the journals' size less the limit
    std::set<std::size_t> left;
  };
  // Within the size all stay.  Over it, what nothing needs goes first, then
  // the oldest of the rest, one at a time, no more than it takes; the newest
  // stays, however far over.
  for (const Case& limit : {Case{0, {0, 1, 2, 3, 4}}, Case{1, {0, 1, 3, 4}}, Case{1 << 20, {3}}}) {
    fs::remove_all(tree_.path("journals"));
    fs::create_directory(tree_.path("journals"));
    const std::vector<std::string> names = make(journals);
    made_ = {names.begin(), names.end()};
    std::int64_t total = 0;
    for (const std::string& name : names) {
      total += static_cast<std::int64_t>(fs::file_size(tree_.path("journals/" + name)));
    }
    JournalLimits limits;
    limits.kept_bytes = static_cast<std::uint64_t>(std::max<std::int64_t>(total - limit.over, 1));
    std::set<std::string> expected;
    for (const std::size_t k : limit.left) expected.insert(names[k]);
    EXPECT_EQ(left_after_a_run(limits), expected) << limit.over << " bytes over";
  }
}

}  // namespace
}  // namespace tolvane::journal
