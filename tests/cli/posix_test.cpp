// The program itself on POSIX: a read-only DEST is refused, a run killed
// with SIGKILL half-way and run again ends with every file copied once,
// under the names the plan gave, and nothing else in DEST; a run stopped by
// Ctrl-C keeps what it named, and a re-run finishes it; a run leaves the
// sources' access times as they were.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/cli/json_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/support/odd_names.h"
#include "tests/support/posix_setup.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;

TEST(CommandLinePosix, ReadOnlyDestinationIsRefused) {
  tt::TempTree tree({"src/trip/a.jpg", "dst/"});
  tt::TmpfsMount mount(tree.path("dst"), "size=1m");
  if (mount.mounted() && !mount.make_read_only()) GTEST_SKIP() << mount.reason();
  if (!mount.mounted() && tt::is_root()) GTEST_SKIP() << mount.reason();
  if (!mount.mounted()) ::chmod(tree.path("dst").c_str(), 0555);
  const testing::CliResult result = testing::run_cli({tree.path("src"), tree.path("dst")});
  EXPECT_EQ(result.status, exit_refused);
  EXPECT_NE(result.err.find("DEST “" + tree.path("dst") + "” 不可写入"), std::string::npos)
      << result.err;
}

// A DEST that does not exist under a folder nothing can be written in: the
// run cannot make it, and its plan says so alike instead of planning copies.
TEST(CommandLinePosix, MissingDestinationUnderAReadOnlyFolderIsRefusedByThePlanToo) {
  tt::TempTree tree({"src/trip/a.jpg", "src/trip/b.jpg", "ro/"});
  tt::TmpfsMount mount(tree.path("ro"), "size=1m");
  if (mount.mounted() && !mount.make_read_only()) GTEST_SKIP() << mount.reason();
  if (!mount.mounted() && tt::is_root()) GTEST_SKIP() << mount.reason();
  if (!mount.mounted()) ::chmod(tree.path("ro").c_str(), 0555);
  const std::string dst = tree.path("ro/归集/2026");
  for (const bool dry_run : {true, false}) {
    std::vector<std::string> arguments = {tree.path("src"), dst, "--json"};
    if (dry_run) arguments.push_back("--dry-run");
    const testing::CliResult result = testing::run_cli(arguments);
    SCOPED_TRACE(dry_run ? "dry run" : "run");
    EXPECT_EQ(result.status, exit_refused);
    EXPECT_NE(result.err.find("无法新建 DEST “" + dst + "”"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(tree.path("ro/归集")));
}

TEST(CommandLinePosix, PlanForeseesNamesTooLong) {
  // The folder's name fits; its numbered copy's name, 257 bytes, does not.
  const std::string tag(250, 'n');
  tt::TempTree tree({"src/" + tag + "/l.jpg", "src/ok/o.jpg", "dst/"});
  for (const std::string mode : {"", "--flat"}) {
    std::vector<std::string> arguments = {tree.path("src"), tree.path("dst"), "--json"};
    if (!mode.empty()) arguments.push_back(mode);
    std::vector<std::string> dry = arguments;
    dry.push_back("--dry-run");
    const std::vector<testing::JsonObject> planned =
        testing::parse_json_lines(testing::run_cli(dry).out);
    const std::vector<testing::JsonObject> done =
        testing::parse_json_lines(testing::run_cli(arguments).out);
    ASSERT_EQ(planned.size(), 3u);
    ASSERT_EQ(done.size(), 3u);
    for (std::size_t k = 0; k < 2; ++k) {
      for (const char* key : {"source", "target", "outcome", "reason"}) {
        EXPECT_EQ(planned[k].at(key).text, done[k].at(key).text) << mode << " " << key;
      }
    }
    EXPECT_EQ(done[0].at("outcome").text, "failed");
    EXPECT_NE(done[0].at("reason").text.find("文件名或路径太长"), std::string::npos);
  }
}

// A run killed while it asked how the destination compares names leaves its
// hidden probe in the destination's own folder, where no copy is written:
// the next run clears it, even one that finds every copy in place.
TEST(CommandLinePosix, AProbeAKilledRunLeftInTheDestinationIsClearedByTheNext) {
  tt::TempTree tree({"src/trip/a.jpg", "dst/"});
  ASSERT_EQ(testing::run_cli({tree.path("src"), tree.path("dst")}).status, 0);
  // Another boot's probe: stale whatever process now has its number.
  tree.write("dst/.tolvane-1-0-b00000000.tmp", "");
  const testing::CliResult again = testing::run_cli({tree.path("src"), tree.path("dst")});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("其中1条与原有文件相同，不重新拷贝。"), std::string::npos) << again.out;
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")),
                                {{"trip/trip(1).jpg", tree.read("src/trip/a.jpg")}}),
            "");
}

// On a volume whose trash cannot be made (a tmpfs with a file where this
// user's .Trash-$uid would go), the dry run foresees the run: the old file
// set aside in DEST rather than sent to a trash, entry by entry the same
// outcomes; the run then keeps the old file where its closing lines say.
TEST(CommandLinePosix, DryRunForeseesTheSetAsideWhereTheVolumeHasNoTrash) {
  tt::TempTree tree({"src/trip/a.jpg", "src/trip/b.jpg", "dst/"});
  tt::TmpfsMount mount(tree.path("dst"), "size=1m");
  if (!mount.mounted()) GTEST_SKIP() << mount.reason();
  tree.write("dst/.Trash-" + std::to_string(::getuid()), "not a folder");
  tree.write("dst/trip/trip(2).jpg", "an older b");
  const std::vector<std::string> arguments = {tree.path("src"), tree.path("dst")};
  const auto with = [&](std::vector<std::string> more) {
    more.insert(more.begin(), arguments.begin(), arguments.end());
    return more;
  };
  const testing::CliResult text_plan = testing::run_cli(with({"--dry-run"}));
  EXPECT_EQ(text_plan.status, exit_all_copied);
  for (const std::string& part :
       {tree.path("dst/trip/trip(2).jpg") +
            " 【替换：因该磁盘没有可用的回收站，原有文件移入“被替换的文件”文件夹】\n",
        std::string("预演共2条：新拷贝1条，替换1条（原有文件移入“被替换的文件”文件夹）。")}) {
    EXPECT_NE(text_plan.out.find(part), std::string::npos) << text_plan.out;
  }
  const std::vector<testing::JsonObject> planned =
      testing::parse_json_lines(testing::run_cli(with({"--dry-run", "--json"})).out);
  EXPECT_EQ(tree.read("dst/trip/trip(2).jpg"), "an older b") << "a dry run wrote";

  const testing::CliResult real = testing::run_cli(with({"--json"}));
  EXPECT_EQ(real.status, exit_all_copied) << real.out;
  const std::vector<testing::JsonObject> done = testing::parse_json_lines(real.out);
  ASSERT_EQ(planned.size(), 3u);
  ASSERT_EQ(done.size(), 3u);
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_EQ(planned[k].at("outcome").text, done[k].at("outcome").text) << k;
  }
  EXPECT_EQ(done[1].at("outcome").text, "set_aside");
  EXPECT_EQ(planned[2].at("set_aside").text, "1");
  EXPECT_EQ(done[2].at("set_aside").text, "1");
  EXPECT_NE(done[2].at("message").text.find("原有文件已按原来的相对路径移入“" +
                                            tree.path("dst/被替换的文件/") + "”。"),
            std::string::npos)
      << done[2].at("message").text;
  EXPECT_EQ(tree.read("dst/被替换的文件/trip/trip(2).jpg"), "an older b");
  EXPECT_EQ(tree.read("dst/trip/trip(2).jpg"), tree.read("src/trip/b.jpg"));
}

// As a user who cannot read everything: a folder that cannot be read makes
// the command exit 1 though every file listed was copied; a source that
// cannot be read, where a different file stands at its target, fails in the
// dry run as in the run, with the same reason, and both exit 1.
TEST(CommandLinePosix, UnreadableFolderOrSourceExitsOneInThePlanAsInTheRun) {
  tt::TempTree tree({"one/ok/a.jpg", "one/shut/c.jpg", "out/", "two/trip/a.jpg", "two/trip/b.jpg",
                     "dst/trip/trip(2).jpg"});
  tree.write("dst/trip/trip(2).jpg", "an older b");
  ::chmod(tree.path("one/shut").c_str(), 0);
  ::chmod(tree.path("two/trip/b.jpg").c_str(), 0);
  for (const char* writable : {"out", "dst", "dst/trip"}) {
    ::chmod(tree.path(writable).c_str(), 0777);
  }
  const auto status_of = [](const testing::CliResult& result) {
    return std::to_string(result.status);
  };
  std::string reason;
  // Root reads whatever it likes: the commands run as nobody in a child then.
  const std::optional<std::string> seen = tt::run_unprivileged(
      [&] {
        const std::vector<std::string> one = {tree.path("one"), tree.path("out")};
        const testing::CliResult real_one = testing::run_cli(one);
        std::string told = "one: dry run " +
                           status_of(testing::run_cli({one[0], one[1], "--dry-run"})) + ", run " +
                           status_of(real_one) + "\n" + real_one.out;
        const std::vector<std::string> two = {tree.path("two"), tree.path("dst"), "--json"};
        const testing::CliResult plan = testing::run_cli({two[0], two[1], two[2], "--dry-run"});
        const testing::CliResult text_plan = testing::run_cli({two[0], two[1], "--dry-run"});
        const testing::CliResult real = testing::run_cli(two);
        told += "two: dry run " + status_of(plan) + ", run " + status_of(real) + "\n";
        const std::vector<testing::JsonObject> planned = testing::parse_json_lines(plan.out);
        const std::vector<testing::JsonObject> done = testing::parse_json_lines(real.out);
        for (std::size_t k = 0; k + 1 < planned.size() && k + 1 < done.size(); ++k) {
          told += planned[k].at("outcome").text + " " + planned[k].at("reason").text + " | " +
                  done[k].at("outcome").text + " " + done[k].at("reason").text + "\n";
        }
        told += text_plan.out.substr(text_plan.out.find('\n') + 1);
        return told;
      },
      reason);
  ::chmod(tree.path("one/shut").c_str(), 0755);
  if (!seen) GTEST_SKIP() << "no unreadable file to test: " << reason;
  const std::string denied = "无法拷贝，没有权限（Permission denied）";
  EXPECT_EQ(*seen,
            "one: dry run 1, run 1\n"
            "共计读取1条，1个文件夹未读\n已完成1条。\n另有1个文件夹无法读取，其中的文件未拷贝。\n"
            "two: dry run 1, run 1\n"
            "copied  | copied \n"
            "failed " +
                denied + " | failed " + denied + "\n" + tree.path("two/trip/a.jpg") + " → " +
                tree.path("dst/trip/trip(1).jpg") + "\n" + tree.path("two/trip/b.jpg") + " → " +
                tree.path("dst/trip/trip(2).jpg") + " 【将失败：" + denied +
                "】\n"
                "预演共2条：新拷贝1条，将失败1条。未写入任何文件。\n");
  EXPECT_EQ(tree.read("dst/trip/trip(2).jpg"), "an older b");
  EXPECT_EQ(tree.read("out/ok/ok(1).jpg"), tree.read("one/ok/a.jpg"));
}

// When `path` was last read, in seconds (-1: not to be had).
std::time_t accessed(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? info.st_atim.tv_sec : -1;
}

TEST(CommandLinePosix, ARunLeavesTheSourcesAccessTimesAsTheyWere) {
  tt::TempTree tree({"src/trip/a.jpg", "src/trip/b.jpg", "src/zoo/z.jpg", "dst/", "read/r.jpg"});
  const std::vector<std::string> sources = {
      "src", "src/trip", "src/trip/a.jpg", "src/trip/b.jpg", "src/zoo", "src/zoo/z.jpg"};
  // Accessed long before they were last written: a volume that keeps access
  // times at all stamps the next read (relatime does so too), as it does
  // read/r.jpg's here.
  const struct timespec long_ago[2] = {{978307200, 0}, {0, UTIME_OMIT}};
  for (const std::string& path : sources) {
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.path(path).c_str(), long_ago, 0), 0) << path;
  }
  ASSERT_EQ(::utimensat(AT_FDCWD, tree.path("read/r.jpg").c_str(), long_ago, 0), 0);
  (void)tree.read("read/r.jpg");
  if (accessed(tree.path("read/r.jpg")) == long_ago[0].tv_sec) {
    GTEST_SKIP() << "this volume keeps no access times";
  }
  const testing::CliResult result = testing::run_cli({tree.path("src"), tree.path("dst")});
  EXPECT_EQ(result.status, exit_all_copied) << result.out;
  for (const std::string& source : sources) {
    EXPECT_EQ(accessed(tree.path(source)), long_ago[0].tv_sec) << source;
  }
  EXPECT_EQ(tree.read("dst/trip/trip(2).jpg"), tree.read("src/trip/b.jpg"));
}

TEST(CommandLinePosix, JsonCarriesEveryNameExactly) {
  // Quotes, backslashes, control characters and bytes that are not UTF-8:
  // the strict reader must read every line, and source/target (or their
  // _hex fields) must give back the exact bytes.
  tt::TempTree tree({"src/odd/", "dst/"});
  std::set<std::string> sources;
  std::vector<std::string> names = tt::odd_file_names();
  // And every control character, each in a name of its own, and DEL: the
  // strict reader refuses any left raw.
  for (char c = 1; c < 0x20; ++c) names.push_back("c" + std::string(1, c) + "x.jpg");
  names.emplace_back("del\x7f.jpg");
  for (const std::string& name : names) {
    tree.write("src/odd/" + name, name);
    sources.insert(tree.path("src/odd/" + name));
  }
  const testing::CliResult result =
      testing::run_cli({tree.path("src"), tree.path("dst"), "--ext", ".*", "--json"});
  EXPECT_EQ(result.status, exit_all_copied) << result.out;
  const std::vector<testing::JsonObject> lines = testing::parse_json_lines(result.out);
  ASSERT_EQ(lines.size(), sources.size() + 1);
  std::set<std::string> seen;
  for (std::size_t k = 0; k + 1 < lines.size(); ++k) {
    const std::string source = testing::path_bytes(lines[k], "source");
    const std::string target = testing::path_bytes(lines[k], "target");
    EXPECT_TRUE(sources.contains(source)) << lines[k].at("source").text;
    seen.insert(source);
    // Keep-name mode: the copy has the source's name and its bytes.
    EXPECT_EQ(target, tree.path("dst/odd/" + source.substr(source.rfind('/') + 1)));
    EXPECT_EQ(tt::read_file(target), tt::read_file(source));
    EXPECT_EQ(lines[k].count("source_hex"), lines[k].count("target_hex"));
  }
  EXPECT_EQ(seen, sources);
  EXPECT_EQ(lines.back().at("copied").text, std::to_string(sources.size()));
}

// The plain output keeps one entry to a line whatever the names hold: a
// newline or a tab in a name is shown by its picture (U+240A, U+2409), in
// the plan's lines and in the closing message's failures alike.
TEST(CommandLinePosix, NamesWithControlCharactersKeepOneEntryToALine) {
  tt::TempTree tree({"src/odd/", "dst/"});
  for (const std::string& name : tt::odd_file_names()) tree.write("src/odd/" + name, name);
  const std::size_t names = tt::odd_file_names().size();
  const std::vector<std::string> arguments = {tree.path("src"), tree.path("dst"), "--ext", ".*"};
  const auto lines_of = [](const std::string& out) {
    return static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n'));
  };
  std::vector<std::string> dry = arguments;
  dry.push_back("--dry-run");
  const testing::CliResult plan = testing::run_cli(dry);
  EXPECT_EQ(lines_of(plan.out), names + 2) << plan.out;  // the count, each entry, the summary
  EXPECT_NE(plan.out.find(tree.path("src/odd/new\u240Aline.jpg") + " → "), std::string::npos)
      << plan.out;
  EXPECT_NE(plan.out.find("tab\u2409here.jpg"), std::string::npos) << plan.out;

  // Copies that cannot be written: each failure on a line of its own.
  tt::TempTree failing({"src/ctl/new\nline.jpg", "src/ctl/tab\there.jpg", "dst/"});
  failing.write("dst/ctl", "not a folder");
  const testing::CliResult real =
      testing::run_cli({failing.path("src"), failing.path("dst"), "--ext", ".*"});
  EXPECT_EQ(real.status, exit_entries_failed);
  // The count, "已完成", the number failed, one line for each.
  EXPECT_EQ(lines_of(real.out), 5u) << real.out;
  EXPECT_NE(real.out.find("\n" + failing.path("src/ctl/new\u240Aline.jpg") + " → "),
            std::string::npos)
      << real.out;
}

TEST(CommandLinePosix, KilledRunThenRerunCopiesEveryFileOnce) {
  constexpr int folders = 4;
  constexpr int per_folder = 15;
  tt::TempTree tree({"dst/"});
  for (int f = 0; f < folders; ++f) {
    for (int k = 0; k < per_folder; ++k) {
      // Two folders share a tag, so the re-run must meet the renumbered names again.
      const std::string name =
          (f < 2 ? "a" + std::to_string(f) + "/trip/" : "t" + std::to_string(f) + "/") +
          std::to_string(k) + ".jpg";
      tree.write("src/" + name, tt::random_bytes(2 << 20, f * 100 + k));
    }
  }
  const std::string src = tree.path("src");
  const std::string dst = tree.path("dst");
  const testing::CliResult plan = testing::run_cli({src, dst, "--dry-run", "--json"});
  tt::TreeFiles expected;
  for (const testing::JsonObject& entry : testing::parse_json_lines(plan.out)) {
    if (entry.at("type").text != "entry") continue;
    ASSERT_EQ(entry.at("outcome").text, "copied");
    expected[entry.at("target").text.substr(dst.size() + 1)] =
        tt::read_file(entry.at("source").text);
  }
  ASSERT_EQ(expected.size(), static_cast<std::size_t>(folders * per_folder));

  const std::string out_file = tree.path("out.txt");
  const auto has_folder = [&] {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dst, error)) {
      if (entry.is_directory(error)) return true;
    }
    return false;
  };
  // Killed while copies are under way: the run has made its first folder,
  // and its copies take their names a batch at a time.  A run that ends
  // before its kill on a fast machine is run again from an empty DEST,
  // killed sooner each time, until a kill lands mid-run.
  bool killed_mid_run = false;
  for (const int wait_ms : {150, 60, 20, 5, 0, 0, 0}) {
    std::filesystem::remove_all(dst);
    std::filesystem::create_directory(dst);
    testing::CliProcess first({src, dst}, out_file);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!has_folder() && first.running() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
    first.kill();
    killed_mid_run = WIFSIGNALED(first.wait());
    if (killed_mid_run) break;
  }
  ASSERT_TRUE(killed_mid_run) << "every run ended before its kill, even one killed at once";
  const std::size_t left = tt::files_below(dst).size();
  std::cout << "[ figures ] killed with " << left << " of " << expected.size()
            << " files in DEST\n";

  const int rerun = testing::CliProcess({src, dst}, out_file).wait();
  ASSERT_TRUE(WIFEXITED(rerun));
  EXPECT_EQ(WEXITSTATUS(rerun), exit_all_copied);
  EXPECT_NE(tt::read_file(out_file).find("已完成60条。"), std::string::npos)
      << tt::read_file(out_file);
  // Every file once, under its planned name, whole; no temporary left over.
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst), expected), "");
  tt::count_compared(expected.size());
}

// Ctrl-C to the real process once its first copies have their names: the
// run stops, says so on standard error and in its JSON summary, keeps every
// copy it named, whole, and ends by the signal; a re-run finishes the gather
// (stop_by_keyboard undoes such a run).  Ctrl-C twice ends it at once, with
// no copy torn.
TEST(CommandLinePosix, CtrlCStopsTheRunSayingSoAndARerunFinishes) {
  constexpr int folders = 20;
  constexpr int per_folder = 1000;
  constexpr int total = folders * per_folder;
  // Each photo is a token of its own, nine bytes, written 512 times.
  const auto photo_of = [](std::string_view token) {
    std::string photo;
    for (int n = 0; n < 512; ++n) photo += token;
    return photo;
  };
  tt::TempTree tree({"dst/", "dst2/"});
  for (int f = 0; f < folders; ++f) {
    for (int k = 0; k < per_folder; ++k) {
      char token[16];
      std::snprintf(token, sizeof token, "%03d-%04d ", f, k);
      tree.write("src/t" + std::to_string(f) + "/" + std::to_string(k) + ".jpg", photo_of(token));
    }
  }
  const std::string src = tree.path("src");
  const auto all_whole = [&](const tt::TreeFiles& files) {
    return std::all_of(files.begin(), files.end(), [&](const auto& file) {
      return file.second.size() == 9 * 512 && file.second == photo_of(file.second.substr(0, 9));
    });
  };
  const std::string out_file = tree.path("out.txt");
  const std::string err_file = tree.path("err.txt");
  // Ctrl-C `presses` times, each taken before the next, once DEST shows a name.
  const auto interrupted_run = [&](const std::string& dst, int presses) {
    testing::CliProcess run({src, dst, "--json"}, out_file, err_file);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(dst + "/t0/t0(1).jpg") && run.running() &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (int press = 0; press < presses; ++press) run.kill_and_wait_taken(SIGINT);
    return run.wait();
  };

  const std::string dst = tree.path("dst");
  const int status = interrupted_run(dst, 1);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  const std::string said = tt::read_file(err_file);
  std::size_t done = 0;
  std::size_t left = 0;
  ASSERT_EQ(std::sscanf(said.c_str(), "已停止：已拷贝%zu条，余下%zu条未拷贝。", &done, &left), 2)
      << said;
  EXPECT_TRUE(done > 0 && left > 0 && done + left == total) << said;
  const testing::JsonObject summary = testing::parse_json_lines(tt::read_file(out_file)).back();
  EXPECT_TRUE(summary.at("stopped").flag);
  EXPECT_EQ(summary.at("left").text, std::to_string(left));
  const tt::TreeFiles copies = tt::files_below(dst);
  EXPECT_EQ(copies.size(), done);
  EXPECT_TRUE(all_whole(copies));
  EXPECT_EQ(tt::hidden_files_below(dst), std::vector<std::string>{});

  const int rerun = testing::CliProcess({src, dst}, out_file).wait();
  EXPECT_TRUE(WIFEXITED(rerun) && WEXITSTATUS(rerun) == exit_all_copied) << rerun;
  EXPECT_EQ(tt::files_below(dst).size(), static_cast<std::size_t>(total));

  const std::string dst2 = tree.path("dst2");
  const int twice = interrupted_run(dst2, 2);
  EXPECT_TRUE(WIFSIGNALED(twice) && WTERMSIG(twice) == SIGINT) << twice;
  EXPECT_EQ(tt::read_file(err_file).find("已停止"), std::string::npos) << "not at once";
  EXPECT_TRUE(all_whole(tt::files_below(dst2)));
}

}  // namespace
}  // namespace tolvane::cli
