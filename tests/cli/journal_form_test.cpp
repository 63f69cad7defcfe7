// The run journal in both of its forms, judged by the disk: a journal the
// previous version wrote (absolute paths, two lines a copy) is still undone
// exactly and still keeps a re-run from gathering its copies; today's journal
// takes at most a third of its bytes and undoes names that would break a
// careless line format.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "fsys/restorer.h"
#include "journal/journal_lines.h"
#include "journal/recorded_run.h"
#include "tests/cli/json_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/support/private_trash.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace fs = std::filesystem;
namespace tt = tolvane::testing;
using journal::line_of;
using journal::LineKind;
using testing::run_cli;

// The newest journal, the last run's.
std::string last_journal() {
  std::string newest;
  for (const auto& entry : fs::directory_iterator(fsys::journal_folder())) {
    const std::string name = entry.path().string();
    if (name.ends_with(".journal") && name > newest) newest = name;
  }
  return newest;
}

// `run` as the previous version wrote it: every path absolute, a "naming"
// line for each copy, and a "named" line once named (none for the copy
// `unnamed`, as if the run was killed before it).
std::string old_form(const journal::RecordedRun& run, const std::string& unnamed = {}) {
  std::string text =
      line_of(LineKind::format, {"1"}) + line_of(LineKind::destination, {run.destination}) +
      line_of(LineKind::writer, {std::to_string(run.writer->process), run.writer->boot});
  for (const std::string& folder : run.folders) text += line_of(LineKind::folder, {folder});
  for (const journal::RecordedCopy& copy : run.copies) {
    const std::vector<std::string> identity = {
        copy.target, copy.source, std::to_string(copy.identity.size),
        std::to_string(copy.identity.modified), copy.identity.file_id};
    text += line_of(LineKind::naming, identity);
    if (!copy.named || copy.target == unnamed) continue;
    std::vector<std::string> named = identity;
    named.emplace_back(journal::kept_word(copy.kept.where));
    named.push_back(copy.kept.file);
    named.push_back(copy.kept.record);
    text += line_of(LineKind::named, named);
  }
  return text + line_of(LineKind::ended);
}

// Puts the last run's journal into the previous version's form; returns
// the sizes of the two forms.
std::pair<std::uintmax_t, std::uintmax_t> downgrade_last_journal(const std::string& unnamed = {}) {
  const std::string path = last_journal();
  const std::string text = tt::read_file(path);
  const journal::RecordedRun run = journal::parse_journal(path, text);
  const std::string old = old_form(run, unnamed);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << old;
  return {text.size(), old.size()};
}

// Photos in folders whose path is as deep as a library's, and at two of
// the names the run takes an older photo of the user's.
class JournalForm : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int f = 0; f < 3; ++f) {
      for (int k = 1; k <= 40; ++k) {
        tree_.write(library + "/2024-0" + std::to_string(f + 1) + "/trip" + std::to_string(f) +
                        "/IMG_" + std::to_string(1000 + k) + ".jpg",
                    tt::random_bytes(300 + k, f * 100 + k));
      }
    }
    tree_.write("dst/trip0/trip0(3).jpg", "the user's own trip0(3)");
    tree_.write("dst/trip2/trip2(40).jpg", "the user's own trip2(40)");
    for (const char* name : {"dst/trip0/trip0(3).jpg", "dst/trip2/trip2(40).jpg"}) {
      fs::last_write_time(tree_.path(name),
                          fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    }
  }

  inline static const std::string library = "home/user/Pictures/Camera Uploads/Phone";
  tt::TempTree tree_;
};

TEST_F(JournalForm, UndoAfterAnUpgradeTakesBackARunOfThePreviousVersionExactly) {
  const std::string dst = tree_.path("dst");
  const tt::TreeFiles before = tt::files_below(dst);
  const tt::TreeFiles trash_before = tt::files_below(tt::home_trash());
  const testing::CliResult run = run_cli({tree_.path("home"), dst});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  ASSERT_NE(run.out.find("其中2条替换了原有文件"), std::string::npos) << run.out;

  // One copy written down only before its naming, as a kill leaves it.
  const auto [today, previous] = downgrade_last_journal(dst + "/trip1/trip1(7).jpg");
  // One line a copy, its folders and its name's frame written once.
  EXPECT_LE(today * 3, previous) << today << " bytes today, " << previous << " before";

  const testing::CliResult undone = run_cli({"--undo", dst, "--json"});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  const testing::JsonObject summary = testing::parse_json_lines(undone.out).back();
  EXPECT_EQ(summary.at("deleted").text, "120");
  EXPECT_EQ(summary.at("put_back").text, "2");
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst), before), "");
  EXPECT_EQ(tt::tree_difference(tt::files_below(tt::home_trash()), trash_before), "");
  EXPECT_EQ(run_cli({"--undo", dst}).status, 2);
}

TEST_F(JournalForm, ReRunAfterAnUpgradeLeavesOutTheCopiesOfThePreviousVersion) {
  const std::string src = tree_.path("home");
  const std::string dst = tree_.path("home/归集");
  ASSERT_EQ(run_cli({src, dst}).status, 0);
  const tt::TreeFiles first = tt::files_below(dst);
  downgrade_last_journal();
  const testing::CliResult rerun = run_cli({src, dst});
  EXPECT_EQ(rerun.status, 0) << rerun.out << rerun.err;
  EXPECT_NE(rerun.out.find("其中120条是之前拷贝到该目录的文件，不再拷贝。"), std::string::npos)
      << rerun.out;
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst), first), "");
}

// Names with the journal's own separators in them (tab, line break,
// backslash), numbers in brackets that are not the run's, and folders that
// leave the sources' first folder: each run's copies are all taken back.
TEST_F(JournalForm, OddNamesInEveryModeAreTakenBackExactly) {
  const char* odd[] = {"tab\there", "line\nbreak", "back\\slash", "trip(12)", "(3)", "a(2)(x)"};
  for (const char* folder : odd) {
    for (const char* name : odd) {
      tree_.write(std::string("odd/") + folder + "/" + name + ".jpg", std::string(name) + folder);
    }
  }
  tree_.write("odd/a(2)(x)/a(2)(x)(2).jpg", "meets the second a(2)(x)");
  // Of the same tag and name as another: with their own names, "(2)" is added.
  tree_.write("odd/deeper/tab\there/back\\slash.jpg", "a second back\\slash");
  const std::string dst = tree_.path("dst");
  const tt::TreeFiles before = tt::files_below(dst);
  const tt::TreeFiles trash_before = tt::files_below(tt::home_trash());
  const std::vector<std::vector<std::string>> modes = {{}, {"--flat"}, {"--ext", ".*"}};
  for (const std::vector<std::string>& mode : modes) {
    SCOPED_TRACE(mode.empty() ? "by folder" : mode[0]);
    std::vector<std::string> arguments = {tree_.path("odd"), dst};
    arguments.insert(arguments.end(), mode.begin(), mode.end());
    const testing::CliResult run = run_cli(arguments);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(tt::files_below(dst).size(), before.size() + 38);
    const testing::CliResult undone = run_cli({"--undo", dst, "--json"});
    EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
    EXPECT_EQ(testing::parse_json_lines(undone.out).back().at("deleted").text, "38");
    EXPECT_EQ(tt::tree_difference(tt::files_below(dst), before), "");
    EXPECT_EQ(tt::tree_difference(tt::files_below(tt::home_trash()), trash_before), "");
  }
}

}  // namespace
}  // namespace tolvane::cli
