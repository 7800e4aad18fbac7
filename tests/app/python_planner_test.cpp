// The scan over a planner whose reminder tables were written by python3-dbf (dBase III and
// Visual FoxPro), see tests/data/make_python_planner.py.
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/headless_host.h"
#include "app/planner_sim.h"
#include "app/reminder_scan.h"
#include "dbf/dbf_table.h"
#include "settings/settings_files.h"
#include "support/test_data.h"

namespace erm::app {
namespace {

constexpr char kPlanner[] = "C:\\Planer\\";

// Copies tests/data/py_planner into the simulated planner directory.
void LoadPlanner(testing::PlannerSim& sim) {
  namespace fs = std::filesystem;
  const fs::path root = erm::testing::TestDataPath("py_planner");
  std::vector<std::string> accounts;
  for (const auto& entry : fs::directory_iterator(root / "konten")) {
    accounts.push_back(entry.path().filename().string());
  }
  std::sort(accounts.begin(), accounts.end());
  for (const std::string& account : accounts)
    sim.AddAccount(account);
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::string relative = fs::relative(entry.path(), root).generic_string();
    for (char& c : relative)
      c = c == '/' ? '\\' : c;
    sim.PutFile(kPlanner + relative,
                erm::testing::ReadTestData("py_planner/" +
                                           fs::relative(entry.path(), root).generic_string()));
  }
}

TEST(PythonPlannerTest, ScanReadsTablesWrittenByAnotherWriter) {
  testing::PlannerSim sim(kPlanner);
  sim.SetNow(platform::LocalTime{2026, 12, 7, 10, 0, 0, 0});
  LoadPlanner(sim);
  sim.PutFile(sim.ProgramFolder() + settings::kAccountSelectionFileName, "Familie\r\nPraxis\r\n");
  ProgramState state;
  state.planner_directory = kPlanner;
  dbf::TDbfTable table("Dbf_erinnerung", sim);
  HeadlessHost host(sim, state, &table);
  ReminderScan scan(sim, state, host);
  scan.Timer1Timer();

  EXPECT_EQ(scan.Due().Entries(), (std::vector<std::string>{
                                      "20261207090000 [Familie] Arzt: Dr. M\xFCller",
                                      "20261207090000 [Familie] Rezept mitbringen",
                                      "20261207140000 [Praxis] Sitzung mit Frau Sch\xE4"
                                      "fer",
                                      "20261207140000 [Praxis] Sitzung mit Frau Sch\xE4"
                                      "fer",
                                      "20261208163000 [Familie] Elternabend, Schule",
                                      "20261210110000 [Praxis] ",
                                      "20261210110000 [Praxis] Belege f\xFCr das Quartal",
                                      "20261210110000 [Praxis] Steuerberater",
                                  }));
  ASSERT_EQ(scan.Problems().size(), 1u);
  EXPECT_EQ(scan.Problems()[0].account, "Praxis");
  EXPECT_NE(scan.Problems()[0].message.find("20261211080000.trm"), std::string::npos);

  const auto tree = host.Tree();
  ASSERT_EQ(tree.size(), 3u);
  EXPECT_EQ(tree[0].text, "Heute, Mo., 07.12.2026 (4)");
  EXPECT_EQ(tree[1].text, "Di., 08.12.2026 (1)");
  EXPECT_EQ(tree[2].text, "Do., 10.12.2026 (3)");
  EXPECT_EQ(state.today_count, 4);
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0].headline, "Sie haben heute 4 Termin(e):");
}

}  // namespace
}  // namespace erm::app
