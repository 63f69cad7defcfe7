// A dry run's plan is what the real run then does: on a tree with numbers
// taken twice, a different file and the source's own copy already at
// targets, and a file where a per-tag folder goes, the plan's entries equal the real run's one by
// one, the dry run writes nothing (no file, no folder), and the real run
// writes exactly the plan.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fsys/path_separator.h"
#include "tests/cli/json_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;
using testing::JsonObject;
using testing::parse_json_lines;
using testing::run_cli;

// Every folder below `folder`, relative to it.
std::set<std::string> folders_below(const std::string& folder) {
  std::set<std::string> folders;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_directory()) {
      folders.insert(entry.path().lexically_relative(folder).generic_string());
    }
  }
  return folders;
}

class PlanAndRun : public ::testing::Test {
 protected:
  // Breadth first: src's own files, then deep, ok, trip, zoo, deep/trip.
  // deep/trip restarts trip's numbers, which trip has taken; dst/trip holds
  // another trip(2); dst/ok/ok(1).jpg is o.jpg's copy; dst/zoo is a file.
  tt::TempTree tree{{"src/own.jpg", "src/trip/a.jpg", "src/trip/b.jpg", "src/trip/skip.png",
                     "src/zoo/z.jpg", "src/deep/trip/c.jpg", "src/deep/trip/d.jpg", "src/ok/o.jpg",
                     "dst/trip/trip(2).jpg", "dst/zoo"}};

  void SetUp() override {
    namespace fs = std::filesystem;
    tree.write("dst/ok/ok(1).jpg", tree.read("src/ok/o.jpg"));
    // Whole seconds: some C++ libraries set times at that precision only.
    const auto when = std::chrono::floor<std::chrono::seconds>(
        fs::last_write_time(fs::path(tree.path("src/ok/o.jpg"))));
    fs::last_write_time(fs::path(tree.path("src/ok/o.jpg")), when);
    fs::last_write_time(fs::path(tree.path("dst/ok/ok(1).jpg")), when);
  }

  std::vector<std::string> arguments(std::vector<std::string> more) const {
    std::vector<std::string> all = {tree.path("src"), tree.path("dst")};
    all.insert(all.end(), more.begin(), more.end());
    return all;
  }
};

TEST_F(PlanAndRun, PlanEqualsTheRealRun) {
  const tt::TreeFiles before = tt::files_below(tree.path("dst"));
  const std::set<std::string> folders_before = folders_below(tree.path("dst"));
  const testing::CliResult plan = run_cli(arguments({"--dry-run", "--json"}));
  const testing::CliResult text_plan = run_cli(arguments({"--dry-run"}));
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), before), "")
      << "a dry run wrote";
  EXPECT_EQ(folders_below(tree.path("dst")), folders_before) << "a dry run made folders";

  const testing::CliResult real = run_cli(arguments({"--json"}));
  EXPECT_EQ(plan.status, real.status);
  EXPECT_EQ(real.status, exit_entries_failed) << real.out;
  const std::vector<JsonObject> planned = parse_json_lines(plan.out);
  const std::vector<JsonObject> done = parse_json_lines(real.out);
  ASSERT_EQ(planned.size(), done.size());
  ASSERT_EQ(planned.size(), 8u) << plan.out;  // 7 entries, the summary

  std::size_t renumbered = 0, failed = 0, replaced = 0, unchanged = 0;
  tt::TreeFiles expected = before;
  for (std::size_t k = 0; k + 1 < planned.size(); ++k) {
    const JsonObject& p = planned[k];
    const JsonObject& d = done[k];
    SCOPED_TRACE(p.at("source").text);
    for (const char* key : {"index", "source", "target", "outcome", "renumbered"}) {
      EXPECT_EQ(p.at(key).text, d.at(key).text) << key;
      EXPECT_EQ(p.at(key).flag, d.at(key).flag) << key;
    }
    // The phrase; the system's own words in brackets may differ by how the
    // error was made.
    const auto phrase = [](const JsonObject& o) {
      return o.at("reason").text.substr(0, o.at("reason").text.find("（"));
    };
    EXPECT_EQ(phrase(p), phrase(d));
    renumbered += p.at("renumbered").flag;
    replaced += p.at("outcome").text == "replaced";
    unchanged += p.at("outcome").text == "unchanged";
    if (p.at("outcome").text == "failed") {
      ++failed;
      continue;
    }
    // Each planned target holds its source's bytes after the real run.
    const std::string source = testing::path_bytes(p, "source");
    const std::string target = testing::path_bytes(p, "target");
    std::string relative = target.substr(tree.path("dst").size() + 1);
    for (char& c : relative) {
      if (c == fsys::separator) c = '/';
    }
    expected[relative] = tt::read_file(source);
  }
  EXPECT_EQ(renumbered, 2u);  // deep/trip's c and d
  EXPECT_EQ(replaced, 1u);    // dst/trip/trip(2).jpg
  EXPECT_EQ(unchanged, 1u);   // dst/ok/ok(1).jpg
  EXPECT_EQ(failed, 1u);      // z: zoo is a file
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), expected), "");

  const JsonObject& summary = planned.back();
  EXPECT_EQ(summary.at("type").text, "summary");
  EXPECT_TRUE(summary.at("dry_run").flag);
  EXPECT_EQ(summary.at("entries").text, "7");
  EXPECT_EQ(summary.at("failed").text, "1");
  EXPECT_FALSE(done.back().at("dry_run").flag);
  EXPECT_TRUE(done.back().at("message").text.starts_with("已完成7条。"))
      << done.back().at("message").text;

  // The text plan marks the same entries, a failure with its reason.
  const std::string sep(1, fsys::separator);
  const auto line = [&](const std::string& source, const std::string& target) {
    return tree.path(source) + " → " + tree.path(target);
  };
  for (const std::string& mark :
       {line("src/deep/trip/c.jpg", "dst/trip/trip(3).jpg") + " 【原名已被占用，改用下一个序号】\n",
        line("src/trip/b.jpg", "dst/trip/trip(2).jpg") + " 【替换：原有文件移入回收站】\n",
        line("src/ok/o.jpg", "dst/ok/ok(1).jpg") + " 【与原有文件相同，不重新拷贝】\n",
        line("src/zoo/z.jpg", "dst/zoo") + sep +
            " 【将失败：无法创建文件夹，已有同名的文件或文件夹（",
        // The counts that are not zero.
        std::string("预演共7条：新拷贝4条，替换1条（原有文件移入回收站），与原有文件相同1条，"
                    "将失败1条。其中2条原名已被占用，改用下一个序号。未写入任何文件。\n")}) {
    EXPECT_NE(text_plan.out.find(mark), std::string::npos) << mark << "\n" << text_plan.out;
  }
}

// src/trip/a.jpg, b.jpg and c.jpg of one size and one time, as a burst's
// photos on a card share both.
void write_burst(tt::TempTree& tree) {
  for (const std::string name : {"a", "b", "c"}) tree.write("src/trip/" + name + ".jpg", name);
  const auto shot =
      std::filesystem::last_write_time(std::filesystem::u8path(tree.path("src/trip/a.jpg")));
  for (const char* name : {"src/trip/b.jpg", "src/trip/c.jpg"}) {
    std::filesystem::last_write_time(std::filesystem::u8path(tree.path(name)), shot);
  }
}

// A re-run after a photo was deleted from the source: the later photos of
// its folder take its numbers.  The dry run marks each target that holds
// the earlier copy of another photo, and the real run replaces it and
// counts those apart from the user's own replaced files; the numbers
// themselves stay.  The photos share size and time, as a burst's raw files
// on a card do: only the journal tells one's copy from another's.
TEST(CommandLineRenumbering, ARerunAfterADeletionSaysWhoseCopiesItReplaces) {
  tt::TempTree tree{"dst/"};
  write_burst(tree);
  const auto file = [&](const char* name) { return std::filesystem::u8path(tree.path(name)); };
  ASSERT_EQ(run_cli({tree.path("src"), tree.path("dst")}).status, exit_all_copied);
  std::filesystem::remove(file("src/trip/a.jpg"));
  tree.write("dst/new/new(1).jpg", "the user's own");
  tree.write("src/new/n.jpg", "nnnn");

  const testing::CliResult plan = run_cli({tree.path("src"), tree.path("dst"), "--dry-run"});
  const auto line = [&](const char* source, const char* target, const std::string& marks) {
    return tree.path(source) + " → " + tree.path(target) + marks + "\n";
  };
  const std::string replaced = " 【替换：原有文件移入回收站】";
  EXPECT_EQ(plan.out,
            "共计读取3条\n" + line("src/new/n.jpg", "dst/new/new(1).jpg", replaced) +
                line("src/trip/b.jpg", "dst/trip/trip(1).jpg",
                     " 【编号变动：原来是" + tree.path("src/trip/a.jpg") + "的拷贝】" + replaced) +
                line("src/trip/c.jpg", "dst/trip/trip(2).jpg",
                     " 【编号变动：原来是" + tree.path("src/trip/b.jpg") + "的拷贝】" + replaced) +
                "预演共3条：替换1条（原有文件移入回收站），编号变动2条（之前拷贝的文件"
                "移入回收站）。未写入任何文件。\n");

  const testing::CliResult real = run_cli({tree.path("src"), tree.path("dst")});
  EXPECT_EQ(real.status, exit_all_copied) << real.err;
  EXPECT_EQ(real.out,
            "共计读取3条\n已完成3条。\n其中1条替换了原有文件，原有文件已移入回收站。\n"
            "其中2条因编号变动替换了之前拷贝的文件（已移入回收站）\n");
  EXPECT_EQ(tree.read("dst/trip/trip(1).jpg"), "b");
  EXPECT_EQ(tree.read("dst/trip/trip(2).jpg"), "c");
  EXPECT_EQ(tree.read("dst/new/new(1).jpg"), "nnnn");
}

// In flat mode the copies lie in the destination itself, which the re-run
// finds holding them: the journal still tells one photo's copy from another's.
TEST(CommandLineRenumbering, AFlatRerunAfterADeletionReplacesTheRenumberedCopies) {
  tt::TempTree tree{"dst/"};
  write_burst(tree);
  const auto file = [&](const char* name) { return std::filesystem::u8path(tree.path(name)); };
  ASSERT_EQ(run_cli({tree.path("src"), tree.path("dst"), "--flat"}).status, exit_all_copied);
  std::filesystem::remove(file("src/trip/a.jpg"));

  const testing::CliResult real = run_cli({tree.path("src"), tree.path("dst"), "--flat"});
  EXPECT_EQ(real.status, exit_all_copied) << real.err;
  EXPECT_EQ(real.out,
            "共计读取2条\n已完成2条。\n其中2条因编号变动替换了之前拷贝的文件（已移入回收站）\n");
  EXPECT_EQ(tree.read("dst/trip(1).jpg"), "b");
  EXPECT_EQ(tree.read("dst/trip(2).jpg"), "c");
}

// The journal keeps sources absolute, and a re-run may name them as typed,
// relative to the working folder: over several source folders whose photos
// share size and time, a re-run by the relative name that finds every copy
// in place takes none for another photo's, and after a deletion in two
// folders it says exactly which copies were renumbered.
TEST(CommandLineRenumbering, ARelativeSourceIsTheSameSourceAsItsAbsoluteName) {
  tt::TempTree tree{"dst/"};
  const auto file = [&](const std::string& name) {
    return std::filesystem::u8path(tree.path(name));
  };
  for (const std::string folder : {"trip", "home", "trip/day 2"}) {
    for (const std::string name : {"a", "b", "c"}) {
      tree.write("src/" + folder + "/" + name + ".jpg", folder + name);
    }
  }
  const auto shot = std::filesystem::last_write_time(file("src/trip/a.jpg"));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(file("src"))) {
    if (entry.is_regular_file()) std::filesystem::last_write_time(entry.path(), shot);
  }
  ASSERT_EQ(run_cli({tree.path("src"), tree.path("dst")}).status, exit_all_copied);
  const tt::TreeFiles first = tt::files_below(tree.path("dst"));
  ASSERT_EQ(first.size(), 9u);

  struct InFolder {
    explicit InFolder(const std::filesystem::path& folder)
        : before(std::filesystem::current_path()) {
      std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(before); }
    std::filesystem::path before;
  } in_tree(file("."));
  const std::string relative = "src";

  const testing::CliResult again = run_cli({relative, tree.path("dst")});
  EXPECT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_EQ(again.out, "共计读取9条\n已完成9条。\n其中9条与原有文件相同，不重新拷贝。\n");
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), first), "");

  std::filesystem::remove(file("src/home/a.jpg"));
  std::filesystem::remove(file("src/trip/day 2/b.jpg"));
  const testing::CliResult plan = run_cli({relative, tree.path("dst"), "--dry-run"});
  EXPECT_NE(plan.out.find("【编号变动：原来是" + tree.path("src/home/a.jpg") + "的拷贝】"),
            std::string::npos)
      << plan.out;
  EXPECT_NE(plan.out.find("【编号变动：原来是" + tree.path("src/trip/day 2/b.jpg") + "的拷贝】"),
            std::string::npos)
      << plan.out;
  const testing::CliResult real = run_cli({relative, tree.path("dst")});
  EXPECT_EQ(real.status, exit_all_copied) << real.err;
  EXPECT_EQ(real.out,
            "共计读取7条\n已完成7条。\n其中3条因编号变动替换了之前拷贝的文件（已移入回收站）\n"
            "其中4条与原有文件相同，不重新拷贝。\n");
  EXPECT_EQ(tree.read("dst/home/home(1).jpg"), "homeb");
  EXPECT_EQ(tree.read("dst/home/home(2).jpg"), "homec");
  EXPECT_EQ(tree.read("dst/day 2/day 2(2).jpg"), "trip/day 2c");
  EXPECT_EQ(tree.read("dst/trip/trip(1).jpg"), "tripa");
}

// A DEST that does not exist yet, one and two levels deep: the dry run says
// it would make it and makes nothing; the run makes it with the folder above
// it, says so on standard error, and copies into it; the next run finds it
// and says nothing of it.
TEST(CommandLineMissingDest, IsMadeWithTheFoldersAboveItAndSaidOnStandardError) {
  tt::TempTree tree{"src/trip/a.jpg", "src/trip/b.jpg", "out/"};
  for (const char* relative : {"out/new", "out/two/levels"}) {
    SCOPED_TRACE(relative);
    const std::string dest = tree.path(relative);
    const std::set<std::string> folders_before = folders_below(tree.path("out"));
    const testing::CliResult plan = run_cli({tree.path("src"), dest, "--dry-run"});
    EXPECT_EQ(plan.status, exit_all_copied) << plan.err;
    EXPECT_TRUE(plan.err.starts_with("DEST “" + dest + "” 不存在，拷贝时将新建：")) << plan.err;
    EXPECT_TRUE(plan.err.ends_with(dest + "\n")) << plan.err;
    EXPECT_NE(plan.out.find(" → " + tree.path(std::string(relative) + "/trip/trip(2).jpg") + "\n"),
              std::string::npos)
        << plan.out;
    EXPECT_EQ(folders_below(tree.path("out")), folders_before) << "a dry run made folders";

    const testing::CliResult real = run_cli({tree.path("src"), dest});
    EXPECT_EQ(real.status, exit_all_copied) << real.err;
    EXPECT_TRUE(real.err.starts_with("DEST “" + dest + "” 不存在，已新建：")) << real.err;
    EXPECT_TRUE(real.err.ends_with(dest + "\n")) << real.err;
    EXPECT_EQ(tree.read(std::string(relative) + "/trip/trip(1).jpg"), tree.read("src/trip/a.jpg"));
    EXPECT_EQ(tree.read(std::string(relative) + "/trip/trip(2).jpg"), tree.read("src/trip/b.jpg"));

    const testing::CliResult again = run_cli({tree.path("src"), dest});
    EXPECT_EQ(again.status, exit_all_copied);
    EXPECT_EQ(again.err, "");
  }

  // Typed relative to the current folder, whose first folder is missing too.
  const std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::u8path(tree.path("out")));
  const std::string relative = std::string("备份") + fsys::separator + "2026";
  const testing::CliResult plan = run_cli({tree.path("src"), relative, "--dry-run"});
  const testing::CliResult real = run_cli({tree.path("src"), relative});
  std::filesystem::current_path(was);
  EXPECT_EQ(plan.status, exit_all_copied) << plan.err;
  EXPECT_EQ(real.status, exit_all_copied) << real.err;
  EXPECT_EQ(real.err,
            "DEST “" + relative + "” 不存在，已新建：" + tree.path("out/备份/2026") + "\n");
  EXPECT_EQ(tree.read("out/备份/2026/trip/trip(2).jpg"), tree.read("src/trip/b.jpg"));
}

// The folders the dot rule leaves out are named on standard error and
// counted on the count line and in the summary; --dot-folders walks them.
TEST(CommandLineDotFolders, AreNamedOnStandardErrorAndWalkedWhenAsked) {
  tt::TempTree tree{"src/a.jpg", "src/x.old/b.jpg", "src/x.old/y.z/c.jpg", "dst/"};
  const testing::CliResult plain = run_cli({tree.path("src"), tree.path("dst"), "--dry-run"});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out.substr(0, plain.out.find('\n')), "共计读取1条，1个文件夹略过");
  EXPECT_NE(plain.err.find("1个文件夹因名称含“.”而略过：\n" + tree.path("src/x.old/") +
                           "\n（加 --dot-folders 也读取这些文件夹）\n"),
            std::string::npos)
      << plain.err;
  const std::vector<JsonObject> plan =
      parse_json_lines(run_cli({tree.path("src"), tree.path("dst"), "--dry-run", "--json"}).out);
  ASSERT_FALSE(plan.empty());
  EXPECT_EQ(plan.back().at("folders_left_out").text, "1");

  const testing::CliResult walked = run_cli({tree.path("src"), tree.path("dst"), "--dot-folders"});
  EXPECT_EQ(walked.status, 0) << walked.err;
  EXPECT_EQ(walked.out.substr(0, walked.out.find('\n')), "共计读取3条");
  EXPECT_EQ(walked.err.find("略过"), std::string::npos) << walked.err;
  EXPECT_EQ(tree.read("dst/x.old/x.old(1).jpg"), tree.read("src/x.old/b.jpg"));
  EXPECT_EQ(tree.read("dst/y.z/y.z(1).jpg"), tree.read("src/x.old/y.z/c.jpg"));
}

}  // namespace
}  // namespace tolvane::cli
