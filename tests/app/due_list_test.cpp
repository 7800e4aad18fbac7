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

TEST(DueListTest, RunsMergedAsTheyComeGiveTheOrderOfAddingOneByOne) {
  // Runs of every length pattern the pairing of like lengths meets (growing, shrinking, empty),
  // with entries equal but for case in many runs, which must stay in the order added.
  const std::vector<std::vector<std::vector<std::string>>> cases = {
      {},
      {{"b", "B"}},
      {{"a", "c"}, {}, {"B", "b"}, {"A"}},
      {{"x"}, {"X", "y"}, {"a", "b", "X"}, {"x", "Y", "z", "z"}, {"Z"}, {"y"}},
      {{"a", "A", "a", "b", "c"}, {"A", "b"}, {"a"}, {"C"}, {"B", "b", "c", "c", "C", "d"}},
  };
  for (size_t c = 0; c < cases.size(); ++c) {
    SCOPED_TRACE(c);
    DueList one_by_one;
    SortedRuns runs;
    for (std::vector<std::string> run : cases[c]) {
      for (const std::string& e : run)
        one_by_one.Add(e);
      DueList::SortEntries(run);
      runs.Add(std::move(run));
    }
    EXPECT_EQ(runs.Take(), one_by_one.Entries());
    EXPECT_TRUE(runs.Take().empty());
  }
}

}  // namespace
}  // namespace erm::app
