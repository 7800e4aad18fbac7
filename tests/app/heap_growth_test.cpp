// The program runs for weeks: a thousand hourly scans, or a thousand openings of the options
// dialog, must leave the heap as they found it. The leak sanitizer reports only what is lost at
// exit; memory that stays reachable but piles up (a list that is appended to instead of
// replaced) shows only as growth of the live heap between two moments of the same state.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/long_run_fixture.h"
#include "support/allocation_counter.h"

namespace erm::app::testing {
namespace {

using erm::testing::LiveBytes;

class HeapGrowthTest : public LongRunTest {
 protected:
  // One opening of the options dialog from the main window's menu and its closing, with
  // "Uebernehmen" every other time and "Abbrechen" otherwise.
  void OptionsCycle(int i) {
    Act(10, [this] {
      Main().Optionen1->Click();
      options_shown_ += Options().Visible() ? 1 : 0;
    });
    Act(20, [this, i] {
      if (i % 2 == 0) {
        Options().BitBtn1->Click();
      } else {
        Options().BitBtn2->Click();
      }
    });
    RunFor(30);
    ForgetRecordings();
  }

  // Live heap bytes after `warm_up` cycles and after `cycles` more, each one `cycle(i)`.
  std::pair<uint64_t, uint64_t> Measure(int warm_up, int cycles,
                                        const std::function<void(int)>& cycle) {
    for (int i = 0; i < warm_up; ++i)
      cycle(i);
    const uint64_t before = LiveBytes();
    for (int i = 0; i < cycles; ++i)
      cycle(warm_up + i);
    return {before, LiveBytes()};
  }

  int options_shown_ = 0;
  std::vector<std::unique_ptr<std::string>> retained_;
};

// Every scan replaces the due list, the tree, the notice text and the balloon with lists of the
// same sizes (each day has the same appointments with texts of the same length), and the two
// moments compared are the same point of a scan: after "Termine anzeigen" and back in the tray.
// So the heap is to hold the same bytes.
TEST_F(HeapGrowthTest, AThousandScansLeaveTheLiveHeapAsItWas) {
  MakePlanner();
  StartAndScan(0);
  const auto [before, after] = Measure(10, 1000, [this](int) { Scan(1); });

  ASSERT_EQ(notices_closed_, 1010);
  EXPECT_EQ(message_boxes_, 0u);
  EXPECT_EQ(after, before);
}

// Each "Uebernehmen" rewrites both settings files with the same bytes and each showing rebuilds
// the account list with the same accounts, so the heap is to be the same after an even number
// of cycles.
TEST_F(HeapGrowthTest, AThousandOptionsDialogCyclesLeaveTheLiveHeapAsItWas) {
  MakePlanner();
  StartAndScan(1);
  const std::string settings = SettingsBytes();
  const auto [before, after] = Measure(10, 1000, [this](int i) { OptionsCycle(i); });

  ASSERT_EQ(options_shown_, 1010);
  EXPECT_FALSE(Options().Visible());
  EXPECT_EQ(SettingsBytes(), settings);
  EXPECT_EQ(sim_.ReadFileBytes(sim_.ProgramFolder() + settings::kAccountSelectionFileName),
            "Familie\r\nPraxis\r\nnotiz.txt\r\nLeer\r\n");
  EXPECT_EQ(message_boxes_, 0u);
  EXPECT_EQ(after, before);
}

// The same measurement, with one string of 40 bytes kept back per cycle as a leaking program
// would keep it: the growth shows.
TEST_F(HeapGrowthTest, ARetainedAllocationPerCycleShowsAsGrowth) {
  MakePlanner();
  StartAndScan(1);
  const auto [before, after] = Measure(10, 100, [this](int i) {
    OptionsCycle(i);
    retained_.push_back(std::make_unique<std::string>(40, 'x'));
  });

  // The string's object and its characters, for each of the 100 cycles, and the vector that
  // holds them.
  EXPECT_GE(after - before, 100u * (sizeof(std::string) + 40));
  retained_.clear();
  retained_.shrink_to_fit();
  EXPECT_LE(LiveBytes(), before);
}

}  // namespace
}  // namespace erm::app::testing
