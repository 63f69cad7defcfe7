// Which journals a new run leaves in the journal folder: every
// destination's last run whatever its age, the earlier runs a re-run needs
// until the journals outgrow their size, and the rest only while young.
// Judged by the files left in the folder.
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
        text += line_of(LineKind::folder, {destination + "f" + std::to_string(k) + fsys::separator});
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
    const std::unique_ptr<RunJournal> run = journals.start_run(tree_.path("new") + fsys::separator, error);
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

TEST_F(JournalLimitsTest, LastRunsStayWhateverTheirAgeTheRestGoWhenOld) {
  const std::vector<std::string> names = make({
      {"d1", 400},                         // 0: d1's last run, long ago
      {"d2", 100},                         // 1: an earlier run into d2, needed by a re-run
      {"d2", 5},                           // 2: d2's last run
      {"d3", 31, false},                   // 3: wrote nothing, a month old
      {"d3", 29, false},                   // 4: wrote nothing, younger than a month
      {"d4", 31, true, true},              // 5: undone, and followed by another run
      {"d4", 1},                           // 6: d4's last run
      {"d5", 300, true, true},             // 7: undone, but d5's last run
      {"d6", 29.9, true, true},            // 8: undone, followed, not a month old yet
      {"d6", 29.8},                        // 9: d6's last run
  });
  made_ = {names.begin(), names.end()};
  EXPECT_EQ(left_after_a_run({}), (std::set<std::string>{names[0], names[1], names[2], names[4],
                                                         names[6], names[7], names[8], names[9]}));
}

TEST_F(JournalLimitsTest, RunsKeptForReRunsGoOldestFirstOnceTheJournalsOutgrowTheirSize) {
  const std::vector<Made> journals = {
      {"d1", 50, true, false, 40},    // 0: the oldest earlier run into d1
      {"d1", 40, true, false, 40},    // 1: the next
      {"d1", 30.5, true, false, 40},  // 2: d1's last run
      {"d2", 60, true, false, 40},    // 3: d2's last run, the oldest of all
  };
  struct Case {
    std::int64_t over;          // the journals' size less the limit
    std::set<std::size_t> left;
  };
  // Within the size all stay; one byte over, the oldest run kept for
  // re-runs goes, and no other; far over it, only the last runs stay.
  for (const Case& limit : {Case{0, {0, 1, 2, 3}}, Case{1, {1, 2, 3}}, Case{1 << 20, {2, 3}}}) {
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
