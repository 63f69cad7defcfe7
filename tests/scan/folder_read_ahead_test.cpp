// Folders read on several threads reach the listing exactly as a walk that
// reads one at a time delivers them, however the reads interleave.
#include "scan/folder_read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fsys/name_order.h"
#include "fsys/path_separator.h"
#include "tests/scan/folder_table_in_turn.h"
#include "tests/support/no_disk_file_system.h"

namespace tolvane::scan {
namespace {

using namespace std::chrono_literals;
const std::string root = std::string("r") + fsys::separator;

// A made-up tree four levels deep, some folders unreadable, each with a
// file named without a dot; reads take varying times, so reads begun in
// table order end out of it.
class ShuffledReads final : public ::tolvane::testing::NoDiskFileSystem {
 public:
  ShuffledReads() {
    std::mt19937 random(7);
    std::vector<std::string> level{root};
    for (int depth = 0; depth < 4; ++depth) {
      std::vector<std::string> next;
      for (const std::string& folder : level) {
        auto& entries = folders_[folder].entries;
        entries = {{"README", fsys::EntryKind::file}, {"f.jpg", fsys::EntryKind::file}};
        for (int i = 0; i < 2 + static_cast<int>(random() % 3); ++i) {
          entries.push_back({"d" + std::to_string(i), fsys::EntryKind::folder});
          next.push_back(folder + entries.back().name + fsys::separator);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return fsys::name_before(a.name, b.name); });
        if (depth >= 2 && random() % 4 == 0) {
          folders_[folder] = {{}, std::make_error_code(std::errc::permission_denied)};
        }
      }
      level = std::move(next);
    }
  }
  fsys::FolderContents read_folder(const std::string& folder) override {
    ++reads_begun;
    if (on_read) on_read();
    std::this_thread::sleep_for(std::chrono::microseconds(std::hash<std::string>{}(folder) % 300));
    const auto found = folders_.find(folder);
    return found == folders_.end() ? fsys::FolderContents{} : found->second;
  }
  bool reads_folders_from_any_thread() const override { return true; }

  std::atomic<std::size_t> reads_begun{0};
  std::function<void()> on_read;  // set before a walk starts

 private:
  std::map<std::string, fsys::FolderContents> folders_;
};

// What a walk delivers, one line per folder, and the table it leaves.
struct Walk {
  std::vector<std::string> lines;
  std::size_t unreadable = 0;
  std::vector<UnreadableFolder> first_unreadable;
  bool operator==(const Walk&) const = default;

  void add(std::size_t slot, const std::string& folder, const fsys::FolderContents& contents) {
    std::string line = std::to_string(slot) + " " + folder + " " + contents.error.message() + ":";
    for (const fsys::FolderEntry& entry : contents.entries) line += " " + entry.name;
    lines.push_back(line);
  }
  void end(const FolderTable& table) {
    unreadable = table.unreadable_folders();
    first_unreadable = table.first_unreadable();
    lines.push_back("slots " + std::to_string(table.size()));
  }
};

TEST(FolderReadAhead, DeliversWhatAWalkInTurnDeliversWithinItsWindow) {
  ShuffledReads file_system;
  Walk expected;
  FolderTable in_turn(root);
  while (!in_turn.walked()) {
    const std::size_t slot = in_turn.head();
    expected.add(slot, in_turn.folder(slot), testing::read_in_turn(in_turn, file_system));
  }
  expected.end(in_turn);
  ASSERT_GT(in_turn.size(), 40u);
  ASSERT_GT(expected.unreadable, FolderTable::unreadable_kept);

  for (const std::size_t helpers : {0, 1, 3}) {
    for (const std::size_t ahead : {1, 3, 64}) {
      SCOPED_TRACE(::testing::Message() << helpers << " helpers, " << ahead << " ahead");
      FolderTable table(root);
      Walk walk;
      {
        FolderReadAhead reading(table, file_system, helpers, ahead);
        const std::size_t begun_before = file_system.reads_begun;
        while (auto read = reading.next([] {})) {
          walk.add(read->slot, *read->folder, read->contents);
          EXPECT_LE(file_system.reads_begun - begun_before, walk.lines.size() + ahead);
        }
      }
      walk.end(table);
      EXPECT_EQ(walk, expected);
    }
  }

  // Left part-way, it lets its helpers finish and joins them.
  FolderTable table(root);
  {
    FolderReadAhead reading(table, file_system, 2, 4);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(reading.next([] {}));
  }
}

TEST(FolderReadAhead, TheListingKeepsBreathingWhileAHelperReadsSlowly) {
  ShuffledReads file_system;
  std::atomic<int> breaths{0};
  std::atomic<bool> slowed{false};
  int listing_reads = 0;
  // The first folder a helper reads lasts until the listing thread, which
  // needs it, has breathed a few times; the listing's own second read lasts
  // until the helper has begun that one, however late the helper wakes up
  // (each wait gives up after five seconds).
  const std::thread::id listing = std::this_thread::get_id();
  const auto wait_until = [](const auto& done) {
    const auto give_up = std::chrono::steady_clock::now() + 5s;
    while (!done() && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(1ms);
    }
  };
  file_system.on_read = [&] {
    if (std::this_thread::get_id() == listing) {
      if (++listing_reads == 2) wait_until([&] { return slowed.load(); });
    } else if (!slowed.exchange(true)) {
      wait_until([&] { return breaths >= 3; });
    }
  };
  FolderTable table(root);
  std::size_t folders = 0;
  {
    FolderReadAhead reading(table, file_system, 1, 8);
    while (reading.next([&] { ++breaths; })) ++folders;
  }
  ASSERT_TRUE(slowed.load()) << "the helper read nothing";
  EXPECT_GE(breaths.load(), 3);
  EXPECT_EQ(folders, table.size());
}

}  // namespace
}  // namespace tolvane::scan
