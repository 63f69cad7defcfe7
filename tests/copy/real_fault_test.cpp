// Real faults on real folders (POSIX): a full disk, a read-only destination,
// a missing destination root, something else standing where a per-tag folder
// goes, an unreadable source, sources deleted, replaced or growing between
// scan and copy.  Each time the run ends with a report that names the
// failures, and every target is either absent, an older file left whole, or
// the whole copy.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "copy/copy_run.h"
#include "fsys/file_system.h"
#include "tests/copy/fakes.h"
#include "tests/copy/worker_counts.h"
#include "tests/support/posix_setup.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::copy {
namespace {

namespace fs = std::filesystem;
namespace tt = ::tolvane::testing;

class RealFaults : public ::testing::TestWithParam<std::size_t> {
 protected:
  // Lists photos/<tag>/<name> with `size` reproducible bytes.
  void list(const std::string& tag, const std::string& name, std::size_t size) {
    const std::string relative = "photos/" + tag + "/" + name;
    tree.write(relative, tt::random_bytes(size, ++seed));
    window.add(tree.path(relative), tag);
  }

  CopyReport copy_into(const std::string& text2) {
    sources = tt::files_below(tree.path("photos"));
    std::optional<CopyReport> report = run_copy_command(text2, *disk, window, GetParam());
    EXPECT_TRUE(report.has_value());
    return report.value_or(CopyReport{});
  }

  // Every file below out/ is the whole copy of its entry's source or the
  // file that stood there before; failed entries are those not copied.
  void expect_whole_or_old(const CopyReport& report, const tt::TreeFiles& old) {
    const tt::TreeFiles after = tt::files_below(tree.path("out"));
    tt::count_compared(after.size());
    EXPECT_TRUE(tt::hidden_files_below(tree.path("out")).empty());
    std::size_t copies = 0;
    for (const auto& [relative, bytes] : after) {
      bool is_copy = false;
      for (const auto& [source, source_bytes] : sources) is_copy |= source_bytes == bytes;
      const bool is_old = old.contains(relative) && old.at(relative) == bytes;
      EXPECT_TRUE(is_copy || is_old) << relative << ": " << bytes.size() << " bytes, neither whole";
      copies += is_copy && !is_old;
    }
    EXPECT_EQ(copies + report.failures.size(), window.list1.size())
        << "an entry was neither copied nor reported";
    EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("photos")), sources), "");
  }

  void expect_reported(const CopyReport& report, std::errc reason) {
    ASSERT_EQ(window.reports.size(), 1u);
    EXPECT_TRUE(window.reports[0].second);
    const std::string message = std::make_error_code(reason).message();
    EXPECT_NE(window.reports[0].first.find(message), std::string::npos) << window.reports[0].first;
    for (const CopyFailure& failure : report.failures) EXPECT_EQ(failure.error, reason);
  }

  ~RealFaults() override {
    std::cout << "[ figures ] files compared byte for byte: " << tt::compared_so_far() << "\n";
  }

  tt::TempTree tree{"out/"};
  std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  testing::Log log;
  testing::FakeRunDisplay window{log};
  tt::TreeFiles sources;
  std::uint64_t seed = 0;
};

TEST_P(RealFaults, FullDiskFailsTheCopiesThatDoNotFitAndKeepsTheOthersWhole) {
  tt::TmpfsMount small(tree.path("out"), "size=2m");
  if (!small.mounted()) GTEST_SKIP() << "no full disk to test: " << small.reason();
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
    list("trip", name, 700 * 1024);
  }
  tree.write("out/trip/trip(4).jpg", "an older copy");
  const tt::TreeFiles old = tt::files_below(tree.path("out"));
  const CopyReport report = copy_into(tree.path("out"));

  // 3.5 MiB never fit into 2 MiB.  One after another, two copies fit and
  // the third cannot, nor can the rest; copies made side by side share the
  // space as they grow, and which of them fit depends on their timing.
  EXPECT_GE(report.failures.size(), 2u);
  EXPECT_LE(report.failures.size(), GetParam() == 1 ? 3u : 5u);
  expect_reported(report, std::errc::no_space_on_device);
  const std::string trash = "out/.Trash-" + std::to_string(::getuid());
  if (tree.read("out/trip/trip(4).jpg") != "an older copy") {
    // trip(4) was copied while there was room, before the others filled
    // the disk: the older copy went to that disk's trash, whole.
    EXPECT_NE(GetParam(), 1u);
    EXPECT_EQ(tree.read(trash + "/files/trip(4).jpg"), "an older copy");
    EXPECT_EQ(tree.read("out/trip/trip(4).jpg"), tree.read("photos/trip/d.jpg"));
  } else {
    EXPECT_TRUE(tt::files_below(tree.path(trash)).empty());
  }
  fs::remove_all(tree.path(trash));
  expect_whole_or_old(report, old);
  if (GetParam() == 1) {
    EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), tree.read("photos/trip/a.jpg"));
  }
}

TEST_P(RealFaults, ReadOnlyDestinationWritesNothingAndKeepsWhatWasThere) {
  list("trip", "a.jpg", 5000);
  list("trip", "b.jpg", 6000);
  list("2019", "c.jpg", 7000);
  std::unique_ptr<tt::TmpfsMount> mount;
  std::errc expected = std::errc::permission_denied;
  if (tt::is_root()) {
    // Root writes through permission bits; a read-only mount stops it.
    mount = std::make_unique<tt::TmpfsMount>(tree.path("out"), "size=1m");
    if (!mount->mounted()) GTEST_SKIP() << "no read-only destination: " << mount->reason();
    tree.write("out/trip/trip(1).jpg", "an older copy");
    if (!mount->make_read_only()) GTEST_SKIP() << mount->reason();
    expected = std::errc::read_only_file_system;
  } else {
    tree.write("out/trip/trip(1).jpg", "an older copy");
    fs::permissions(tree.path("out/trip"), fs::perms::owner_write, fs::perm_options::remove);
    fs::permissions(tree.path("out"), fs::perms::owner_write, fs::perm_options::remove);
  }
  const tt::TreeFiles old = tt::files_below(tree.path("out"));
  const CopyReport report = copy_into(tree.path("out"));
  EXPECT_EQ(report.failures.size(), 3u);
  expect_reported(report, expected);
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("out")), old), "");
}

TEST_P(RealFaults, MissingDestinationRootFailsEveryEntryAndCreatesNothing) {
  list("trip", "a.jpg", 10);
  list("2019", "b.jpg", 10);
  for (const bool flat : {false, true}) {
    window.flat = flat;
    window.reports.clear();
    const CopyReport report = copy_into(tree.path("missing/out"));
    EXPECT_EQ(report.failures.size(), 2u);
    expect_reported(report, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(fs::exists(tree.path("missing")));
  }
}

TEST_P(RealFaults, ThingsStandingWhereAPerTagFolderGoesAreLeftAlone) {
  list("file", "a.jpg", 10);
  list("dangling", "b.jpg", 10);
  list("fifo", "c.jpg", 10);
  list("socket", "d.jpg", 10);
  list("fine", "e.jpg", 10);
  tree.write("out/file", "a file named like the folder");
  ASSERT_EQ(::symlink(tree.path("nowhere").c_str(), tree.path("out/dangling").c_str()), 0);
  ASSERT_EQ(::mkfifo(tree.path("out/fifo").c_str(), 0600), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = tree.path("out/socket");
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  const CopyReport report = copy_into(tree.path("out"));
  ::close(sock);
  ASSERT_EQ(report.failures.size(), 4u);
  for (const CopyFailure& failure : report.failures) {
    EXPECT_EQ(failure.operation, CopyOperation::make_folder);
    EXPECT_EQ(failure.error, std::errc::file_exists);
  }
  EXPECT_EQ(tree.read("out/file"), "a file named like the folder");
  EXPECT_FALSE(fs::exists(tree.path("nowhere"))) << "the dangling link was followed";
  EXPECT_EQ(tree.read("out/fine/fine(1).jpg"), tree.read("photos/fine/e.jpg"));
}

TEST_P(RealFaults, UnreadableSourceFolderFailsOnlyItsEntries) {
  list("locked", "a.jpg", 100);
  list("locked", "b.jpg", 100);
  list("open", "c.jpg", 100);
  ASSERT_EQ(::chmod(tree.path("photos/locked").c_str(), 0), 0);
  ASSERT_EQ(::chmod(tree.path("out").c_str(), 0777), 0);
  std::string reason;
  // The child writes its copies as nobody and only reports the outcome.
  const std::optional<std::string> outcome = tt::run_unprivileged(
      [&] {
        std::string text;
        const std::optional<CopyReport> report =
            run_copy_command(tree.path("out"), *disk, window, GetParam());
        for (const CopyFailure& failure : report->failures) {
          text += std::to_string(failure.index) + ":" + failure.error.message() + ";";
        }
        return text + window.reports.at(0).first;
      },
      reason);
  ASSERT_EQ(::chmod(tree.path("photos/locked").c_str(), 0755), 0);
  if (!outcome) GTEST_SKIP() << "no unreadable folder to test: " << reason;
  const std::string denied = std::make_error_code(std::errc::permission_denied).message();
  EXPECT_TRUE(outcome->starts_with("0:" + denied + ";1:" + denied + ";已完成3条。")) << *outcome;
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("out")),
                                {{"open/open(1).jpg", tree.read("photos/open/c.jpg")}}),
            "");
  tt::count_compared(1);
}

TEST_P(RealFaults, SourcesChangedBetweenScanAndCopy) {
  list("t", "deleted.jpg", 100);
  list("t", "replaced.jpg", 100);
  list("t", "now_fifo.jpg", 100);
  list("t", "now_folder.jpg", 100);
  list("t", "kept.jpg", 100);
  fs::remove(tree.path("photos/t/deleted.jpg"));
  const std::string newer = tt::random_bytes(5000, 99);
  tree.write("photos/t/.newer", newer);
  fs::rename(tree.path("photos/t/.newer"), tree.path("photos/t/replaced.jpg"));
  fs::remove(tree.path("photos/t/now_fifo.jpg"));
  ASSERT_EQ(::mkfifo(tree.path("photos/t/now_fifo.jpg").c_str(), 0600), 0);
  fs::remove(tree.path("photos/t/now_folder.jpg"));
  fs::create_directory(tree.path("photos/t/now_folder.jpg"));

  // A FIFO with no writer must not hang the run.
  const CopyReport report = copy_into(tree.path("out"));
  ASSERT_EQ(report.failures.size(), 3u);
  EXPECT_EQ(report.failures[0].error, std::errc::no_such_file_or_directory);
  EXPECT_EQ(report.failures[1].index, 2u);
  EXPECT_EQ(report.failures[2].error, std::errc::is_a_directory);
  // The replaced source is copied as it is now, whole.
  EXPECT_EQ(
      tt::tree_difference(tt::files_below(tree.path("out")),
                          {{"t/t(2).jpg", newer}, {"t/t(5).jpg", tree.read("photos/t/kept.jpg")}}),
      "");
  tt::count_compared(2);
}

// What we promise for a source that grows while it is copied: the copy holds
// at least every byte the file had when its copy began, in order, and maybe
// some appended ones: always a prefix of the file as it ends up, never a mix.
TEST_P(RealFaults, SourceGrowingDuringTheCopyGivesAWholePrefix) {
  constexpr std::size_t initial = 4 << 20;
  constexpr std::size_t chunk = 64 << 10;
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string path = tree.path("photos/g/grow.jpg");
    const std::string start = tt::random_bytes(initial, 1000 + round);
    tree.write("photos/g/grow.jpg", start);
    const std::string target = tree.path("out/grow" + std::to_string(round) + ".jpg");
    std::atomic<bool> started{false};
    std::thread appender([&] {
      const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
      const std::string more = tt::random_bytes(chunk, 2000 + round);
      started = true;
      for (int k = 0; k < 256 && fd >= 0; ++k) {
        if (::write(fd, more.data(), more.size()) != static_cast<ssize_t>(more.size())) break;
      }
      ::close(fd);
    });
    while (!started) std::this_thread::yield();
    const std::error_code error = disk->copy_file(path, target);
    appender.join();
    ASSERT_FALSE(error) << error.message();
    const std::string copied = tt::read_file(target);
    const std::string final_source = tt::read_file(path);
    EXPECT_GE(copied.size(), initial);
    EXPECT_TRUE(final_source.starts_with(copied)) << copied.size() << " bytes copied";
    tt::count_compared(1);
  }
}

INSTANTIATE_TEST_SUITE_P(Workers, RealFaults, testing::worker_counts, testing::worker_count_name);

}  // namespace
}  // namespace tolvane::copy
