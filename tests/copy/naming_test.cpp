// Destination naming and collision bookkeeping, table by table.
#include "copy/naming.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "copy/target_registry.h"
#include "fsys/path_key.h"
#include "tests/copy/fakes.h"

namespace tolvane::copy {
namespace {

using testing::native;

// Names each table row in the test's own name.
template <class Row>
std::string row_name(const ::testing::TestParamInfo<Row>& row) {
  return row.param.name;
}

struct NumberRow {
  const char* name;
  std::vector<std::string> tags;
  std::vector<std::size_t> numbers;
};

class RunningNumberTest : public ::testing::TestWithParam<NumberRow> {};

TEST_P(RunningNumberTest, NumbersEachEntryInListOrder) {
  std::optional<std::string> previous;
  std::size_t number = 0;
  std::vector<std::size_t> numbers;
  for (const std::string& tag : GetParam().tags) {
    number = running_number(previous, number, tag);
    numbers.push_back(number);
    previous = tag;
  }
  EXPECT_EQ(numbers, GetParam().numbers);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, RunningNumberTest,
    ::testing::Values(
        NumberRow{"two_tags", {"2019", "2019", "trip", "trip", "trip"}, {1, 2, 1, 2, 3}},
        NumberRow{"earlier_tag_comes_back", {"trip", "2019", "trip"}, {1, 1, 1}},
        NumberRow{"single_file", {"trip"}, {1}},
        NumberRow{"case_is_part_of_the_tag", {"trip", "Trip", "trip"}, {1, 1, 1}},
        NumberRow{"empty_tag_of_a_root", {"", "", "a"}, {1, 2, 1}},
        NumberRow{"into_two_digits",
                  std::vector<std::string>(11, "t"),
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}),
    row_name<NumberRow>);

struct TargetRow {
  const char* name;
  const char* tag;
  bool flat;
  const char* extension;
  std::size_t number;
  const char* folder;  // expected, written with "/"
  const char* target;  // expected, written with "/"
};

class TargetTest : public ::testing::TestWithParam<TargetRow> {};

TEST_P(TargetTest, GivesFolderAndTarget) {
  const TargetRow& row = GetParam();
  const std::string folder = destination_folder(native("/out/"), row.tag, row.flat);
  const std::string target = naming_mode(row.extension) == NamingMode::keep_name
                                 ? folder + std::string(file_name_of(native("/photos/trip/a.jpg")))
                                 : numbered_target(folder, row.tag, row.number, row.extension);
  EXPECT_EQ(folder, native(row.folder));
  EXPECT_EQ(target, native(row.target));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TargetTest,
    ::testing::Values(
        TargetRow{"per_tag", "trip", false, ".jpg", 3, "/out/trip/", "/out/trip/trip(3).jpg"},
        TargetRow{"flat", "trip", true, ".jpg", 3, "/out/", "/out/trip(3).jpg"},
        TargetRow{"no_leading_zeros", "trip", false, ".jpg", 10, "/out/trip/",
                  "/out/trip/trip(10).jpg"},
        TargetRow{"extension_without_dot", "trip", false, "jpg", 1, "/out/trip/",
                  "/out/trip/trip(1)jpg"},
        TargetRow{"empty_extension", "trip", false, "", 1, "/out/trip/", "/out/trip/trip(1)"},
        TargetRow{"keep_name", "trip", false, ".*", 1, "/out/trip/", "/out/trip/a.jpg"},
        TargetRow{"keep_name_flat", "trip", true, ".*", 1, "/out/", "/out/a.jpg"},
        TargetRow{"blank_before_dot_star", "trip", false, " .*", 1, "/out/trip/",
                  "/out/trip/trip(1) .*"},
        TargetRow{"blank_after_dot_star", "trip", false, ".* ", 1, "/out/trip/",
                  "/out/trip/trip(1).* "},
        TargetRow{"lone_star", "trip", false, "*", 2, "/out/trip/", "/out/trip/trip(2)*"},
        TargetRow{"empty_tag_names_the_root", "", false, ".jpg", 2, "/out/", "/out/(2).jpg"},
        TargetRow{"empty_tag_keep_name", "", false, ".*", 1, "/out/", "/out/a.jpg"}),
    row_name<TargetRow>);

TEST(FileName, IsTheTextAfterTheLastSeparator) {
  EXPECT_EQ(file_name_of(native("/photos/trip/a.b.jpg")), "a.b.jpg");
  EXPECT_EQ(file_name_of("README"), "README");
}

TEST(CopyNumber, GoesBeforeTheExtensionFromTheLastDot) {
  EXPECT_EQ(name_with_copy_number("a.jpg", 2), "a(2).jpg");
  EXPECT_EQ(name_with_copy_number("a.b.jpg", 3), "a.b(3).jpg");
  EXPECT_EQ(name_with_copy_number("README", 2), "README(2)");
  EXPECT_EQ(name_with_copy_number(".profile", 2), "(2).profile");
}

TEST(TargetRegistry, NonNeighbourRunsOfOneTagContinueTheNumbers) {
  TargetRegistry registry;
  const std::string trip = native("/out/trip/");
  std::vector<std::string> names;
  for (std::size_t n : {1, 2, 3}) names.push_back(registry.claim_numbered(trip, "trip", n, ".jpg"));
  names.push_back(registry.claim_numbered(native("/out/2019/"), "2019", 1, ".jpg"));
  for (std::size_t n : {1, 2}) names.push_back(registry.claim_numbered(trip, "trip", n, ".jpg"));
  const std::vector<std::string> expected = {
      native("/out/trip/trip(1).jpg"), native("/out/trip/trip(2).jpg"),
      native("/out/trip/trip(3).jpg"), native("/out/2019/2019(1).jpg"),
      native("/out/trip/trip(4).jpg"), native("/out/trip/trip(5).jpg")};
  EXPECT_EQ(names, expected);
}

TEST(TargetRegistry, ListedSourcesAreNeverHandedOut) {
  TargetRegistry registry;
  const std::string folder = native("/photos/trip/");
  registry.add_source(folder + "trip(1).jpg");
  registry.add_source(folder + "trip(2).jpg");
  registry.add_source(folder + "a(2).jpg");
  EXPECT_EQ(registry.claim_numbered(folder, "trip", 1, ".jpg"), folder + "trip(3).jpg");
  EXPECT_EQ(registry.claim_numbered(folder, "trip", 2, ".jpg"), folder + "trip(4).jpg");
  EXPECT_EQ(registry.claim_numbered(folder, "trip", 3, ".jpg"), folder + "trip(5).jpg");
  // The other extension's names are free.
  EXPECT_EQ(registry.claim_numbered(folder, "trip", 1, ".png"), folder + "trip(1).png");
  EXPECT_EQ(registry.claim_kept(folder, "a.jpg"), folder + "a.jpg");
  EXPECT_EQ(registry.claim_kept(folder, "a.jpg"), folder + "a(3).jpg");
}

TEST(TargetRegistry, KeptNamesTakeTheSmallestFreeCopyNumber) {
  TargetRegistry registry;
  const std::string out = native("/out/");
  EXPECT_EQ(registry.claim_kept(out, "a.jpg"), out + "a.jpg");
  EXPECT_EQ(registry.claim_kept(out, "a.jpg"), out + "a(2).jpg");
  EXPECT_EQ(registry.claim_kept(out, "README"), out + "README");
  EXPECT_EQ(registry.claim_kept(out, "a.jpg"), out + "a(3).jpg");
  EXPECT_EQ(registry.claim_kept(out, "README"), out + "README(2)");
  // A file that is itself called a(4).jpg makes the next copy of a.jpg skip it.
  EXPECT_EQ(registry.claim_kept(out, "a(4).jpg"), out + "a(4).jpg");
  EXPECT_EQ(registry.claim_kept(out, "a.jpg"), out + "a(5).jpg");
  EXPECT_TRUE(registry.taken(out + "a(5).jpg"));
  EXPECT_FALSE(registry.taken(out + "a(6).jpg"));
}

// Windows names one file by every letter case; POSIX by exact bytes.
TEST(TargetRegistry, ComparesPathsAsThePlatformDoes) {
  TargetRegistry registry;
  const std::string folder = native("/photos/");
  registry.add_source(folder + "A.JPG");
  const bool one_file = fsys::paths_equal("A.JPG", "a.jpg");
  EXPECT_EQ(registry.claim_kept(folder, "a.jpg"), folder + (one_file ? "a(2).jpg" : "a.jpg"));
  EXPECT_EQ(registry.claim_numbered(folder, "Trip", 1, ".jpg"), folder + "Trip(1).jpg");
  EXPECT_EQ(registry.claim_numbered(folder, "trip", 1, ".jpg"),
            folder + (one_file ? "trip(2).jpg" : "trip(1).jpg"));
}

// A tag that comes back after every other entry collides every time; each
// collision must cost one look-up, not a count from 1 (that would take
// minutes here and trip the test's time-out).
TEST(TargetRegistry, ManyCollisionsStayLinear) {
  TargetRegistry registry;
  const std::string folder = native("/out/");
  constexpr std::size_t rounds = 100000;
  // Linear, this takes a second or two; counting up from 1 each time would
  // take many minutes, so it stops at the limit instead.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  std::string last;
  for (std::size_t i = 0; i < rounds; ++i) {
    last = registry.claim_numbered(folder, "trip", 1, ".jpg");
    registry.claim_numbered(folder, "x", 1, ".jpg");
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "slower than linear at round " << i;
  }
  EXPECT_EQ(last, folder + "trip(" + std::to_string(rounds) + ").jpg");
}

}  // namespace
}  // namespace tolvane::copy
