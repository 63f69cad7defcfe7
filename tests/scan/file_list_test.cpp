// The compact file list: what goes in comes out, entry by entry, across
// block boundaries and tag runs.
#include "scan/file_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "tests/scan/allocation_count.h"

namespace tolvane::scan {
namespace {

TEST(FileList, KeepsPathsAndTagsAcrossBlocksAndRuns) {
  FileList list;
  // Enough long paths to fill several 1 MiB blocks.
  const std::string padding(3000, 'p');
  for (int i = 0; i < 2000; ++i) {
    const std::string tag = i < 700 ? "trip" : i < 1400 ? "2019" : "trip";
    list.append(padding + std::to_string(i), tag);
  }
  ASSERT_EQ(list.size(), 2000u);
  for (int i : {0, 349, 350, 699, 700, 1399, 1400, 1999}) {
    EXPECT_EQ(list.path(static_cast<std::size_t>(i)), padding + std::to_string(i)) << i;
  }
  EXPECT_EQ(list.tag(0), "trip");
  EXPECT_EQ(list.tag(699), "trip");
  EXPECT_EQ(list.tag(700), "2019");
  EXPECT_EQ(list.tag(1399), "2019");
  EXPECT_EQ(list.tag(1400), "trip");
  EXPECT_EQ(list.tag(1999), "trip");
  EXPECT_THROW(list.path(2000), std::out_of_range);
  EXPECT_THROW(list.tag(2000), std::out_of_range);
}

TEST(FileList, KeepsEmptyTagsBinaryBytesAndClears) {
  FileList list;
  list.append(std::string("/a\0b\xff.jpg", 9), "");
  list.append("/c.jpg", "");
  list.append("/x/d.jpg", "x");
  EXPECT_EQ(list.path(0), std::string("/a\0b\xff.jpg", 9));
  EXPECT_EQ(list.tag(1), "");
  EXPECT_EQ(list.tag(2), "x");
  list.clear();
  EXPECT_EQ(list.size(), 0u);
  list.append("/e.jpg", "e");
  EXPECT_EQ(list.path(0), "/e.jpg");
  EXPECT_EQ(list.tag(0), "e");
}

TEST(FileList, StaysCompactForManyEntries) {
  const std::string path(80, 'x');
  constexpr std::size_t count = 200000;
  const std::size_t held_before = testing::bytes_held();
  auto list = std::make_unique<FileList>();
  for (std::size_t i = 0; i < count; ++i) list->append(path, i / 100 % 2 ? "a" : "b");
  const double per_entry = static_cast<double>(testing::bytes_held() - held_before) / count;
  // 80 bytes of path, 8 of index (16 with the vector's growth), the tag runs.
  EXPECT_LT(per_entry - 80.0, 40.0);
  EXPECT_GE(per_entry, 80.0);  // the count sees the list at all
}

}  // namespace
}  // namespace tolvane::scan
