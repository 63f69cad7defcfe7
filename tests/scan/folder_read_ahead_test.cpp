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
#include "scan/folder_table.h"

namespace tolvane::scan {
namespace {

using namespace std::chrono_literals;

// A made-up tree held in memory; reads take a varying time, so that reads
// begun in table order finish out of it.  Safe to read from any thread.
class ShuffledReads final : public fsys::FileSystem {
 public:
  ShuffledReads() {
    std::mt19937 random(7);
    const std::string root = std::string("r") + fsys::separator;
    folders_[root];
    std::vector<std::string> frontier{root};
    for (int depth = 0; depth < 4; ++depth) {
      std::vector<std::string> next;
      for (const std::string& folder : frontier) {
        fsys::FolderContents& contents = folders_[folder];
        const int children = 2 + static_cast<int>(random() % 3);
        for (int i = 0; i < children; ++i) {
          const std::string name = "d" + std::to_string(random() % 100);
          // A name listed twice would be no folder of a real disk.
          if (folders_.contains(folder + name + fsys::separator)) continue;
          contents.entries.push_back({name, fsys::EntryKind::folder});
          next.push_back(folder + name + fsys::separator);
          folders_[next.back()];
        }
        contents.entries.push_back({"README", fsys::EntryKind::file});  // takes a slot
        contents.entries.push_back({"f" + std::to_string(random() % 9) + ".jpg",
                                    fsys::EntryKind::file});
        std::sort(contents.entries.begin(), contents.entries.end(),
                  [](const auto& a, const auto& b) { return fsys::name_before(a.name, b.name); });
        if (depth >= 2 && random() % 4 == 0) {
          contents.entries.clear();
          contents.error = std::make_error_code(std::errc::permission_denied);
        }
      }
      frontier = std::move(next);
    }
  }

  fsys::FolderContents read_folder(const std::string& folder) override {
    ++reads_begun;
    if (on_read) on_read(folder);
    std::this_thread::sleep_for(std::chrono::microseconds(std::hash<std::string>{}(folder) % 300));
    const auto found = folders_.find(folder);
    if (found == folders_.end()) return {{}, std::make_error_code(std::errc::not_a_directory)};
    return found->second;
  }
  bool reads_folders_from_any_thread() const override { return true; }
  std::error_code copy_file(const std::string&, const std::string&, fsys::CopyOutcome&) override {
    return {};
  }
  std::error_code move_to_trash(const std::string&) override { return {}; }
  std::error_code flush() override { return {}; }
  std::error_code make_folder(const std::string&) override { return {}; }
  bool folder_exists(const std::string&) override { return true; }

  std::size_t folder_count() const { return folders_.size(); }

  std::atomic<std::size_t> reads_begun{0};
  std::function<void(const std::string&)> on_read;  // set before a walk starts

 private:
  std::map<std::string, fsys::FolderContents> folders_;
};

struct Delivered {
  std::size_t slot;
  std::string folder;
  std::vector<std::string> names;
  std::error_code error;
  bool operator==(const Delivered&) const = default;
};

struct Walk {
  std::vector<Delivered> delivered;
  std::size_t table_size = 0;
  std::size_t unreadable = 0;
  std::vector<UnreadableFolder> first_unreadable;
};

Delivered delivered(std::size_t slot, const std::string& folder,
                    const fsys::FolderContents& contents) {
  Delivered d{slot, folder, {}, contents.error};
  for (const fsys::FolderEntry& entry : contents.entries) d.names.push_back(entry.name);
  return d;
}

Walk walk_in_turn(fsys::FileSystem& file_system) {
  FolderTable table(std::string("r") + fsys::separator);
  Walk walk;
  while (!table.walked()) {
    const std::size_t slot = table.head();
    walk.delivered.push_back(delivered(slot, table.folder(slot), table.read_next(file_system)));
  }
  walk.table_size = table.size();
  walk.unreadable = table.unreadable_folders();
  walk.first_unreadable = table.first_unreadable();
  return walk;
}

TEST(FolderReadAhead, DeliversWhatAWalkInTurnDeliversWhateverTheThreadsAndWindow) {
  ShuffledReads file_system;
  const Walk expected = walk_in_turn(file_system);
  ASSERT_GT(expected.table_size, 40u);
  ASSERT_GT(expected.unreadable, FolderTable::unreadable_kept);

  for (const std::size_t helpers : {0, 1, 3}) {
    for (const std::size_t ahead : {1, 3, 64}) {
      SCOPED_TRACE(testing::Message() << helpers << " helpers, " << ahead << " ahead");
      FolderTable table(std::string("r") + fsys::separator);
      Walk walk;
      {
        FolderReadAhead reading(table, file_system, helpers, ahead);
        const std::size_t begun_before = file_system.reads_begun;
        while (auto read = reading.next([] {})) {
          walk.delivered.push_back(delivered(read->slot, *read->folder, read->contents));
          // No more folders are read than the window allows (the folders
          // without a dot that are files are never read at all).
          EXPECT_LE(file_system.reads_begun - begun_before, walk.delivered.size() + ahead);
        }
      }
      walk.table_size = table.size();
      EXPECT_EQ(walk.delivered, expected.delivered);
      EXPECT_EQ(table.size(), expected.table_size);
      EXPECT_EQ(table.unreadable_folders(), expected.unreadable);
      EXPECT_EQ(table.first_unreadable(), expected.first_unreadable);
    }
  }
}

TEST(FolderReadAhead, StopsPartWayWithoutWaitingForTheRest) {
  ShuffledReads file_system;
  const Walk expected = walk_in_turn(file_system);
  FolderTable table(std::string("r") + fsys::separator);
  std::vector<Delivered> seen;
  {
    FolderReadAhead reading(table, file_system, 2, 4);
    for (int i = 0; i < 5; ++i) {
      const auto read = reading.next([] {});
      ASSERT_TRUE(read);
      seen.push_back(delivered(read->slot, *read->folder, read->contents));
    }
  }  // the helpers finish the reads they are in and are joined
  EXPECT_EQ(seen, std::vector<Delivered>(expected.delivered.begin(), expected.delivered.begin() + 5));
  EXPECT_LT(file_system.reads_begun.load(), expected.table_size * 2);
}

TEST(FolderReadAhead, TheListingKeepsBreathingWhileAHelperReadsSlowly) {
  ShuffledReads file_system;
  std::atomic<int> breaths{0};
  std::atomic<bool> slowed{false};
  // The first folder a helper reads lasts until the listing thread, which
  // needs it, has breathed a few times (or at most five seconds).
  const std::thread::id listing = std::this_thread::get_id();
  file_system.on_read = [&](const std::string&) {
    if (std::this_thread::get_id() == listing || slowed.exchange(true)) return;
    const auto give_up = std::chrono::steady_clock::now() + 5s;
    while (breaths < 3 && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(1ms);
    }
  };
  FolderTable table(std::string("r") + fsys::separator);
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
