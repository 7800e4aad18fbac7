#include "app/left_out.h"

#include <gtest/gtest.h>

#include "app/program_fixture.h"

namespace erm::app {
namespace {

using app::testing::kToday;

class LeftOutTest : public app::testing::ProgramTest {
 protected:
  void Scan() {
    // The notice dialog of today's appointments is closed as soon as it opens.
    Act(kFirstScanDelayMs + 3000, [&] {
      if (Notice().Visible()) Notice().BitBtn1->Click();
    });
    RunFor(kFirstScanDelayMs + 5000);
  }
  std::vector<std::string> TopLevelTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < Main().TreeView1->TopLevelCount(); ++i)
      texts.push_back(Main().TreeView1->TopLevel(i)->Text());
    return texts;
  }
};

TEST_F(LeftOutTest, NothingLeftOutLeavesLabelAndTreeAsTheyWere) {
  UsePlanner();
  AddAccountDueToday("Familie", {"090000"});
  ChooseAccounts("Familie\r\n");
  Start();
  Scan();
  EXPECT_EQ(Main().Label1->Caption(), "");
  EXPECT_EQ(TopLevelTexts(), (std::vector<std::string>{"Heute, Mo., 07.12.2026 (1)"}));
}

TEST_F(LeftOutTest, WhatCouldNotBeReadIsCountedOnTheLabelAndListedInTheTree) {
  UsePlanner();
  AddAccountDueToday("Familie", {"090000", "100000"});
  sim_.Remove(sim_.AccountFolder("Familie") + "termine\\" + kToday + "100000.trm");
  sim_.AddAccount("Praxis");
  sim_.PutFile(sim_.AccountFolder("Praxis") + "erinnerung.dbf", "keine Tabelle");
  ChooseAccounts("Familie\r\nPraxis\r\n");
  Start();
  Scan();
  EXPECT_EQ(Main().Label1->Caption(), " Nicht gelesen: 2 (siehe Liste)");
  ASSERT_EQ(TopLevelTexts(),
            (std::vector<std::string>{"Heute, Mo., 07.12.2026 (1)", "Nicht gelesen (2)"}));
  const ui::TreeNode* left_out = Main().TreeView1->TopLevel(1);
  EXPECT_TRUE(left_out->Bold());
  ASSERT_EQ(left_out->Count(), 2);
  // Account, appointment (its file names it) and reason.
  EXPECT_EQ(left_out->Item(0)->Text().rfind(" [Familie] ", 0), 0u);
  EXPECT_NE(left_out->Item(0)->Text().find(std::string(kToday) + "100000.trm: "),
            std::string::npos);
  EXPECT_EQ(left_out->Item(1)->Text().rfind(" [Praxis] ", 0), 0u);
  EXPECT_FALSE(left_out->Item(1)->Bold());
  // The notice tells of what was read; it neither counts nor lists what was left out.
  EXPECT_EQ(Notice().Label1->Caption(), "Sie haben heute 1 Termin(e):");

  // Once everything reads again, the next scan shows what the windows always showed.
  sim_.Remove(sim_.AccountFolder("Praxis") + "erinnerung.dbf");
  ChooseAccounts("Familie\r\n");
  sim_.PutFile(sim_.AccountFolder("Familie") + "termine\\" + kToday + "100000.trm",
               "Kopf\r\n" + EncodeDecodeText("wieder da") + "\r\n");
  Act(kRetryScanIntervalMs + 1000, [&] {
    if (Notice().Visible()) Notice().BitBtn1->Click();
  });
  RunFor(kRetryScanIntervalMs + 3000);
  EXPECT_EQ(Main().Label1->Caption(), "");
  EXPECT_EQ(TopLevelTexts(), (std::vector<std::string>{"Heute, Mo., 07.12.2026 (2)"}));
}

// A drive letter Windows remembers but has not reconnected is read through its network path,
// and the label says so.
TEST_F(LeftOutTest, AMappedDriveNotYetConnectedIsReadThroughItsNetworkPath) {
  WriteSettings("Z:\\Brevantoliske\\\r\n");
  sim_.mapped_drives["Z:"] = "C:\\Programme";
  AddAccountDueToday("Familie", {"090000"});
  ChooseAccounts("Familie\r\n");
  Start();
  Scan();
  EXPECT_EQ(Main().Label1->Caption(),
            " Gelesen \xFC"
            "ber " +
                std::string(app::testing::kPlanner) + "konten");
  EXPECT_EQ(TopLevelTexts(), (std::vector<std::string>{"Heute, Mo., 07.12.2026 (1)"}));
  EXPECT_EQ(BalloonsTitled(kUnreachableBalloonTitle), 0);
}

}  // namespace
}  // namespace erm::app
