#include "ui/list_box.h"

#include <gtest/gtest.h>

#include "ui/ui_fixture.h"

namespace erm::ui {
namespace {

struct SortCase {
  const char* name;
  std::vector<std::string> added;
  std::vector<std::string> order;
};

class SortedListTest : public UiTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(SortedListTest, KeepsAscendingOrderWithoutRegardToCase) {
  auto& form = app_.CreateForm<TestForm>();
  auto* list = new ListBox(&form, "ListBox1");
  list->SetSorted(true);
  for (const std::string& line : GetParam().added)
    list->Add(line);
  EXPECT_EQ(list->Items(), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SortedListTest,
    ::testing::Values(SortCase{"ByTimestamp",
                               {"20261207140000 [B\xFCro] Sitzung", "20261207090000 [Familie] Arzt",
                                "20261208000000 [Familie] Zahnarzt"},
                               {"20261207090000 [Familie] Arzt", "20261207140000 [B\xFCro] Sitzung",
                                "20261208000000 [Familie] Zahnarzt"}},
                      // Equal lines and lines equal but for case both stay in the order they came.
                      SortCase{"EqualAfterExisting",
                               {"20261207 [a] x", "20261207 [A] X", "20261207 [a] x"},
                               {"20261207 [a] x", "20261207 [A] X", "20261207 [a] x"}},
                      SortCase{"CaseIgnored",
                               {"beta", "Alpha", "alpha2", "BETA1"},
                               {"Alpha", "alpha2", "beta", "BETA1"}},
                      SortCase{"AccentedLettersFoldToo",
                               {"\xE4rger", "\xC4rgers", "\xC4rg"},
                               {"\xC4rg", "\xE4rger", "\xC4rgers"}},
                      SortCase{"PrefixFirst", {"abc", "ab", ""}, {"", "ab", "abc"}},
                      // The due list's order: "[" and "_" before the letters of either case.
                      SortCase{"BracketAndUnderscoreBeforeLetters",
                               {"Konto_b", "Kontoa", "KontoZ", "Konto["},
                               {"Konto[", "Konto_b", "Kontoa", "KontoZ"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UiTest, SortingLaterSortsWhatIsThereAndKeepsSelection) {
  auto& form = app_.CreateForm<TestForm>();
  auto* list = new ListBox(&form, "ListBox1");
  list->SetMultiSelect(true);
  list->Add("b");
  list->Add("a");
  list->SetSelected(0, true);
  list->SetSorted(true);
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(list->Selected(1));
  EXPECT_FALSE(list->Selected(0));
}

TEST_F(UiTest, UnsortedListKeepsTheOrderOfAdding) {
  auto& form = app_.CreateForm<TestForm>();
  auto* list = new ListBox(&form, "ListBox1");
  list->Add(".");
  list->Add("..");
  list->Add("Zeta");
  list->Add("Alpha");
  list->Delete(0);
  list->Delete(0);
  list->Delete(5);  // outside: nothing
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"Zeta", "Alpha"}));
  list->Clear();
  list->Delete(0);
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(UiTest, MultiSelectionKeepsEachLinesStateAndSingleSelectionOnlyOne) {
  auto& form = app_.CreateForm<TestForm>();
  auto* accounts = new ListBox(&form, "ListBox1");
  accounts->SetMultiSelect(true);
  for (const char* name : {"Familie", "B\xFCro", "Verein"})
    accounts->Add(name);
  accounts->SetSelected(0, true);
  accounts->SetSelected(2, true);
  accounts->SetSelected(7, true);
  EXPECT_EQ(accounts->SelCount(), 2);
  EXPECT_FALSE(accounts->Selected(1));
  EXPECT_FALSE(accounts->Selected(-1));
  accounts->Delete(0);
  EXPECT_TRUE(accounts->Selected(1));
  EXPECT_EQ(accounts->ItemIndex(), 1);

  auto* single = new ListBox(&form, "ListBox2");
  single->Add("a");
  single->Add("b");
  single->SetSelected(0, true);
  single->SetSelected(1, true);
  EXPECT_EQ(single->SelCount(), 1);
  EXPECT_TRUE(single->Selected(1));
}

}  // namespace
}  // namespace erm::ui
