// The copy run's bookkeeping on Windows: paths that differ only in letter
// case name one file there, so tags Trip and trip never overwrite each
// other's copies, and no listed source is written to in another spelling.
#include <gtest/gtest.h>

#include <string>

#include "copy/target_registry.h"

namespace tolvane::copy {
namespace {

TEST(Win32TargetRegistry, TagsThatDifferOnlyInCaseShareOneNumbering) {
  TargetRegistry registry;
  EXPECT_EQ(registry.claim_numbered("C:\\out\\Trip\\", "Trip", 1, ".jpg"),
            "C:\\out\\Trip\\Trip(1).jpg");
  EXPECT_TRUE(registry.taken("C:\\out\\trip\\trip(1).jpg"));
  // out\trip\ is the folder out\Trip\ on Windows: trip(1).jpg is taken.
  EXPECT_EQ(registry.claim_numbered("C:\\out\\trip\\", "trip", 1, ".jpg"),
            "C:\\out\\trip\\trip(2).jpg");
  EXPECT_EQ(registry.claim_numbered("C:\\out\\TRIP\\", "TRIP", 2, ".jpg"),
            "C:\\out\\TRIP\\TRIP(3).jpg");
  // Beyond ASCII too: Ärger and ärger are one folder.
  EXPECT_EQ(registry.claim_numbered("C:\\out\\\xC3\x84rger\\", "\xC3\x84rger", 1, ".jpg"),
            "C:\\out\\\xC3\x84rger\\\xC3\x84rger(1).jpg");
  EXPECT_EQ(registry.claim_numbered("C:\\out\\\xC3\xA4rger\\", "\xC3\xA4rger", 1, ".jpg"),
            "C:\\out\\\xC3\xA4rger\\\xC3\xA4rger(2).jpg");
  // Chinese names have no case and stay apart.
  EXPECT_EQ(registry.claim_numbered("C:\\out\\旅游\\", "旅游", 1, ".jpg"),
            "C:\\out\\旅游\\旅游(1).jpg");
}

TEST(Win32TargetRegistry, SourcesAreTakenInAnySpelling) {
  TargetRegistry registry;
  registry.add_source("C:\\Photos\\Trip\\A.JPG");
  EXPECT_TRUE(registry.taken("c:\\photos\\trip\\a.jpg"));
  EXPECT_EQ(registry.claim_kept("c:\\photos\\trip\\", "a.jpg"), "c:\\photos\\trip\\a(2).jpg");
  EXPECT_FALSE(registry.taken("c:\\photos\\trip\\b.jpg"));
}

}  // namespace
}  // namespace tolvane::copy
