// The rules both backends share: which names are temporaries and when one
// is a leftover, and how far a kept modification time may stray.
#include "fsys/temporary_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "fsys/quick_check.h"

namespace tolvane::fsys {
namespace {

using Mark = TemporaryName::Mark;

TEST(TemporaryNames, WhatIsMadeParsesBackAndNothingElseDoes) {
  const std::optional<TemporaryName> posix =
      parse_temporary_name(temporary_file_name(4242, 7, "0a1b2c3d"));
  ASSERT_TRUE(posix);
  EXPECT_EQ(temporary_file_name(4242, 7, "0a1b2c3d"), ".tolvane-4242-7-b0a1b2c3d.tmp");
  EXPECT_EQ(posix->writer, 4242u);
  EXPECT_EQ(posix->mark, Mark::boot);
  EXPECT_EQ(posix->boot, "0a1b2c3d");

  EXPECT_EQ(temporary_file_name(4294967295u, 0), ".tolvane-4294967295-0.tmp");
  const std::optional<TemporaryName> windows = parse_temporary_name(".tolvane-4294967295-0.tmp");
  ASSERT_TRUE(windows);
  EXPECT_EQ(windows->writer, 4294967295u);
  EXPECT_EQ(windows->mark, Mark::none);

  const std::optional<TemporaryName> older = parse_temporary_name(".tolvane-12-3-99887766.tmp");
  ASSERT_TRUE(older);
  EXPECT_EQ(older->mark, Mark::clock);

  for (const char* name : {
           "tolvane-12-3.tmp",             // not hidden
           ".tolvane-12-3.tmp.jpg",        // another suffix
           ".tolvane-0-3.tmp",             // no process has id 0
           ".tolvane-4294967296-3.tmp",    // beyond 32 bits
           ".tolvane-12345678901-3.tmp",   // eleven digits
           ".tolvane-12.tmp",              // no counter
           ".tolvane--3.tmp",              // no writer
           ".tolvane-12-3-b0a1b2c3.tmp",   // seven hex digits
           ".tolvane-12-3-b0A1B2C3D.tmp",  // capitals are never written
           ".tolvane-12-3-.tmp",           // an empty mark
           ".tolvane-12-3-4x.tmp",         // neither a boot nor a clock
           ".tolvane-12-3x.tmp",
       }) {
    EXPECT_FALSE(parse_temporary_name(name)) << name;
  }
}

TEST(TemporaryNames, StaleWhenItsBootIsOverOrItsWriterHasEnded) {
  const auto ended = [](std::uint32_t writer) { return writer != 77; };  // only 77 runs
  const TemporaryName this_boot = *parse_temporary_name(".tolvane-77-1-b0a1b2c3d.tmp");
  const TemporaryName last_boot = *parse_temporary_name(".tolvane-77-1-bffffffff.tmp");
  const TemporaryName dead_writer = *parse_temporary_name(".tolvane-78-1-b0a1b2c3d.tmp");
  const TemporaryName mine = *parse_temporary_name(".tolvane-5-1-b0a1b2c3d.tmp");
  const TemporaryName windows_dead = *parse_temporary_name(".tolvane-78-1.tmp");
  const TemporaryName windows_alive = *parse_temporary_name(".tolvane-77-1.tmp");

  EXPECT_FALSE(is_stale(this_boot, 5, "0a1b2c3d", ended));
  EXPECT_TRUE(is_stale(last_boot, 5, "0a1b2c3d", ended));  // its process id is reused
  EXPECT_TRUE(is_stale(dead_writer, 5, "0a1b2c3d", ended));
  EXPECT_FALSE(is_stale(mine, 5, "0a1b2c3d", ended));
  EXPECT_TRUE(is_stale(windows_dead, 5, {}, ended));
  EXPECT_FALSE(is_stale(windows_alive, 5, {}, ended));
  EXPECT_FALSE(is_stale(*parse_temporary_name(".tolvane-5-9.tmp"), 5, {}, ended));
}

TEST(QuickCheck, KeptTimesMayBeCutToWhatTheVolumeKeeps) {
  struct Row {
    std::int64_t ticks_per_second;
    std::int64_t original, kept;
    bool same;
  };
  constexpr std::int64_t ns = 1'000'000'000;  // POSIX
  constexpr std::int64_t ft = 10'000'000;     // Windows' 100 ns ticks
  const Row rows[] = {
      {ns, 5 * ns + 123'456'789, 5 * ns + 123'456'789, true},
      {ns, 5 * ns + 123'456'789, 5 * ns + 120'000'000, true},   // exFAT, down
      {ns, 5 * ns + 123'456'789, 5 * ns + 130'000'000, true},   // exFAT, up
      {ns, 5 * ns + 123'456'789, 5 * ns, true},                 // seconds
      {ns, 5 * ns + 123'456'789, 6 * ns, true},                 // seconds, up
      {ns, 5 * ns + 123'456'789, 4 * ns, true},                 // FAT: two seconds, down
      {ns, 5 * ns + 123'456'789, 7 * ns, false},                // past every step
      {ns, 5 * ns + 123'456'789, 5 * ns + 123'456'788, false},  // one tick off
      {ns, 5 * ns + 123'456'789, 5 * ns + 110'000'000, false},  // a hundredth too early
      {ns, -ns / 2, -ns, true},                                 // before 1970, down
      {ns, -ns / 2, 0, true},                                   // before 1970, up
      {ns, -ns / 2, ns, false},
      {ft, 5 * ft + 1'234'567, 5 * ft + 1'200'000, true},
      {ft, 5 * ft + 1'234'567, 4 * ft, true},
      {ft, 5 * ft + 1'234'567, 5 * ft + 1'234'566, false},
      {ft, 5 * ft + 1'234'567, 8 * ft, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(same_modification_time(row.kept, row.original, row.ticks_per_second), row.same)
        << row.original << " kept as " << row.kept << " at " << row.ticks_per_second << "/s";
  }
}

}  // namespace
}  // namespace tolvane::fsys
