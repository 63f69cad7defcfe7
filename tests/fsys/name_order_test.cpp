// The order of folder entries: letters without case first, then bytes.
#include "fsys/name_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tolvane::fsys {
namespace {

TEST(NameOrder, LetterCaseIsIgnoredBeforeAnythingElse) {
  EXPECT_TRUE(name_before("IMG_0001", "img_0002"));
  EXPECT_FALSE(name_before("img_0002", "IMG_0001"));
  EXPECT_TRUE(name_before("apple", "Banana"));
  EXPECT_TRUE(name_before("Apple", "banana"));
}

TEST(NameOrder, NamesEqualButForCaseAreOrderedByTheirBytes) {
  EXPECT_TRUE(name_before("IMG.jpg", "img.jpg"));
  EXPECT_FALSE(name_before("img.jpg", "IMG.jpg"));
  EXPECT_FALSE(name_before("same", "same"));
}

TEST(NameOrder, OtherBytesCompareUnsignedAfterFolding) {
  // '_' (0x5F) lies above every upper-case letter, so it sorts after them
  // even where the name holds a lower-case letter.
  EXPECT_TRUE(name_before("ab", "a_b"));
  EXPECT_TRUE(name_before("a.b", "a_b"));
  EXPECT_TRUE(name_before("a1", "aa"));
  // Bytes above 0x7F come after ASCII, not before it as signed chars would.
  EXPECT_TRUE(name_before("z.jpg", "\xC2\xED.jpg"));
  EXPECT_FALSE(name_before("\xC2\xED.jpg", "z.jpg"));
}

TEST(NameOrder, AShorterPrefixComesFirst) {
  EXPECT_TRUE(name_before("IMG", "img_0001"));
  EXPECT_FALSE(name_before("img_0001", "IMG"));
  EXPECT_TRUE(name_before("", "a"));
}

TEST(NameOrder, SortsAWholeFolder) {
  std::vector<std::string> names = {"img_0002.jpg", "b",
                                    "IMG_0010.jpg", "\xE6\x97\xA5.jpg",
                                    "Img_0001.jpg", "IMG_0002.jpg",
                                    "_notes",       "a_b",
                                    "A1",           "ab",
                                    "2019"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return name_before(a, b); });
  const std::vector<std::string> expected = {"2019",
                                             "A1",
                                             "ab",
                                             "a_b",
                                             "b",
                                             "Img_0001.jpg",
                                             "IMG_0002.jpg",
                                             "img_0002.jpg",
                                             "IMG_0010.jpg",
                                             "_notes",
                                             "\xE6\x97\xA5.jpg"};
  EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace tolvane::fsys
