// The program itself on POSIX: a read-only DEST is refused, and a run killed
// with SIGKILL half-way and run again ends with every file copied once,
// under the names the plan gave, and nothing else in DEST.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
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

TEST(CommandLinePosix, JsonCarriesEveryNameExactly) {
  // Quotes, backslashes, control characters and bytes that are not UTF-8:
  // the strict reader must read every line, and source/target (or their
  // _hex fields) must give back the exact bytes.
  tt::TempTree tree({"src/odd/", "dst/"});
  std::set<std::string> sources;
  for (const std::string& name : tt::odd_file_names()) {
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

}  // namespace
}  // namespace tolvane::cli
