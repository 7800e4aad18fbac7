#include "app/due_list.h"

#include <gtest/gtest.h>

namespace erm::app {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> in) {
  DueList list;
  for (auto& s : in)
    list.Add(std::move(s));
  return list.Entries();
}

TEST(DueListTest, SortsAscendingWithoutRegardToLetterCase) {
  EXPECT_EQ(Sorted({"b", "A", "c", "B2", "a1"}),
            (std::vector<std::string>{"A", "a1", "b", "B2", "c"}));
  // Windows-1252 capitals with accents fold onto their small letters, the multiplication sign
  // and the sharp s do not.
  EXPECT_EQ(CompareDueEntries("\xC4rger", "\xE4rger"), 0);
  EXPECT_EQ(CompareDueEntries("\x8A", "\x9A"), 0);
  EXPECT_EQ(CompareDueEntries("\x9F", "\xFF"), 0);
  EXPECT_NE(CompareDueEntries("\xD7", "\xF7"), 0);
  EXPECT_LT(CompareDueEntries("Zoo", "\xC4rger"), 0);
  EXPECT_LT(CompareDueEntries("ab", "abc"), 0);
  EXPECT_LT(CompareDueEntries("_", "a"), 0);
}

TEST(DueListTest, TimestampFirstThenAccountThenText) {
  EXPECT_EQ(Sorted({"20261207140000 [B\xFCro] Sitzung", "20261207090000 [Familie] Arzt",
                    "20261207090000 [b\xFCro] Zahnarzt", "20261208080000 [A] x"}),
            (std::vector<std::string>{"20261207090000 [b\xFCro] Zahnarzt",
                                      "20261207090000 [Familie] Arzt",
                                      "20261207140000 [B\xFCro] Sitzung", "20261208080000 [A] x"}));
}

TEST(DueListTest, KeepsEqualEntriesWithNewOnesAfterTheOldOnes) {
  DueList list;
  list.Add("20261207090000 [A] Arzt");
  list.Add("20261207090000 [A] ARZT");
  EXPECT_EQ(list.Add("20261207090000 [A] arzt"), 2u);
  EXPECT_EQ(list.Add("20261207090000 [A] Arzt"), 3u);
  EXPECT_EQ(list.Entries(),
            (std::vector<std::string>{"20261207090000 [A] Arzt", "20261207090000 [A] ARZT",
                                      "20261207090000 [A] arzt", "20261207090000 [A] Arzt"}));
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace erm::app
