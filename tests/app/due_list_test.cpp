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
}

// The sorted list boxes keep the same order (tests/ui/list_box_test.cpp): "[" and "_" before
// the letters of either case.
TEST(DueListTest, BracketAndUnderscoreSortBeforeLetters) {
  EXPECT_EQ(Sorted({"20261207 [Konto_b] x", "20261207 [Kontoa] x", "20261207 [KontoZ] x",
                    "20261207 [Konto[] x"}),
            (std::vector<std::string>{"20261207 [Konto[] x", "20261207 [Konto_b] x",
                                      "20261207 [Kontoa] x", "20261207 [KontoZ] x"}));
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
