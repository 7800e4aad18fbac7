#include "app/presentation.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "app/date_key.h"
#include "app/headless_host.h"
#include "platform/sim/sim_system.h"

namespace erm::app {
namespace {

constexpr double kMonday = 20261207000000.0;  // Monday, 7 December 2026

class PresentationTest : public ::testing::Test {
 protected:
  PresentationTest() : host_(sim_, state_, nullptr) {
    sim_.SetNow(platform::LocalTime{2026, 12, 7, 10, 0, 0, 0});
  }
  NoticeKind Present(std::vector<std::string> entries, double key = kMonday) {
    DueList due;
    for (auto& e : entries)
      due.Add(std::move(e));
    return PresentDueList(sim_, state_, due, key, host_);
  }
  size_t EventIndex(const std::string& event) const {
    return static_cast<size_t>(std::find(host_.events.begin(), host_.events.end(), event) -
                               host_.events.begin());
  }

  platform::SimSystem sim_;
  ProgramState state_;
  HeadlessHost host_;
};

TEST_F(PresentationTest, TwoAppointmentsTodayRaiseBalloonAndDialog) {
  EXPECT_EQ(Present({"20261207090000 [Familie] Arzt", "20261207140000 [B\xFCro] Sitzung"}),
            NoticeKind::kToday);
  const auto tree = host_.Tree();
  ASSERT_EQ(tree.size(), 1u);
  EXPECT_EQ(tree[0].text, "Heute, Mo., 07.12.2026 (2)");
  EXPECT_TRUE(tree[0].bold);
  ASSERT_EQ(tree[0].children.size(), 2u);
  EXPECT_EQ(tree[0].children[0].text, " [Familie] Arzt");
  EXPECT_EQ(tree[0].children[1].text, " [B\xFCro] Sitzung");
  EXPECT_FALSE(tree[0].children[0].bold);
  EXPECT_FALSE(tree[0].children[1].bold);

  EXPECT_EQ(state_.today_count, 2);
  EXPECT_EQ(state_.notice_text, " [Familie] Arzt\r\n [B\xFCro] Sitzung\r\n");
  ASSERT_EQ(host_.balloons.size(), 1u);
  EXPECT_EQ(host_.balloons[0].title, "Heute 2 Termin(e)");
  EXPECT_EQ(host_.balloons[0].text, state_.notice_text);
  EXPECT_EQ(host_.balloons[0].icon, BalloonIconKind::biInfo);
  EXPECT_EQ(host_.balloons[0].timeout_seconds, 60);
  ASSERT_EQ(host_.notices.size(), 1u);
  EXPECT_EQ(host_.notices[0].headline, "Sie haben heute 2 Termin(e):");
  EXPECT_EQ(host_.notices[0].text, state_.notice_text);
  EXPECT_TRUE(host_.cycle_icons);
  EXPECT_FALSE(state_.seen);
  // The tree shows its bold day node only once the dialog has been closed.
  EXPECT_LT(EventIndex("SetCycleIcons on"), EventIndex("ShowBalloon Heute 2 Termin(e)"));
  EXPECT_LT(EventIndex("ShowBalloon Heute 2 Termin(e)"), EventIndex("ShowNoticeModal"));
  EXPECT_LT(EventIndex("ShowNoticeModal"), EventIndex("SetNodeBold 1 on"));
}

TEST_F(PresentationTest, NoticeTextTakesEntriesWhileBelowTheLimit) {
  const std::string a = " [A] " + std::string(95, 'a');  // 100 characters as entry node text
  const std::string b = " [B] " + std::string(95, 'b');
  const std::string c = " [C] " + std::string(95, 'c');
  const std::string d = " [D]";
  ASSERT_EQ(d.size() + 1, 5u);
  Present({"20261207090000" + a, "20261207090001" + b, "20261207090002" + c,
           "20261207090003" + d + "x"});
  EXPECT_EQ(state_.notice_text, a + "\r\n" + b + "\r\n" + d + "x\r\n");
  EXPECT_EQ(state_.notice_text.size(), 211u);
  EXPECT_EQ(state_.today_count, 4);
  EXPECT_EQ(host_.Tree()[0].children.size(), 4u);

  std::string notice(204, 'n');
  EXPECT_TRUE(AppendNoticeText(notice, "12345"));
  EXPECT_EQ(notice.size(), 211u);
  notice.assign(205, 'n');
  EXPECT_FALSE(AppendNoticeText(notice, "12345"));
  EXPECT_EQ(notice.size(), 205u);
}

TEST_F(PresentationTest, NoAppointmentTodayGivesTheNextDaysBalloonOnly) {
  EXPECT_EQ(Present({"20261210083000 [Familie] Elternabend"}), NoticeKind::kNextDay);
  const auto tree = host_.Tree();
  ASSERT_EQ(tree.size(), 1u);
  EXPECT_EQ(tree[0].text, "Do., 10.12.2026 (1)");
  EXPECT_TRUE(tree[0].bold);
  ASSERT_EQ(host_.balloons.size(), 1u);
  EXPECT_EQ(host_.balloons[0].title, "Do., 10.12.2026 (1)");
  EXPECT_EQ(host_.balloons[0].text, " [Familie] Elternabend\r\n");
  EXPECT_TRUE(host_.notices.empty());
  EXPECT_TRUE(host_.cycle_icons);
  EXPECT_EQ(state_.today_count, 0);
}

TEST_F(PresentationTest, NextDayNoticeListsOnlyTheFirstDay) {
  Present({"20261209120000 [A] Mittwoch", "20261208100000 [A] Dienstag eins",
           "20261208110000 [A] Dienstag zwei"});
  const auto tree = host_.Tree();
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].text, "Di., 08.12.2026 (2)");
  EXPECT_EQ(tree[1].text, "Mi., 09.12.2026 (1)");
  ASSERT_EQ(host_.balloons.size(), 1u);
  EXPECT_EQ(host_.balloons[0].title, "Di., 08.12.2026 (2)");
  EXPECT_EQ(host_.balloons[0].text, " [A] Dienstag eins\r\n [A] Dienstag zwei\r\n");
}

TEST_F(PresentationTest, TreeCoversTodayAndTheTenFollowingDaysOnly) {
  Present({"20261206235959 [A] gestern", "20261217080000 [A] in zehn Tagen",
           "20261218080000 [A] in elf Tagen", "20270101080000 [A] Neujahr"});
  const auto tree = host_.Tree();
  ASSERT_EQ(tree.size(), 1u);
  EXPECT_EQ(tree[0].text, "Do., 17.12.2026 (1)");
  EXPECT_EQ(tree[0].children[0].text, " [A] in zehn Tagen");
}

TEST_F(PresentationTest, DayNamesRunThroughTheWeek) {
  const char* const names[] = {"So.", "Mo.", "Di.", "Mi.", "Do.", "Fr.", "Sa."};
  for (int d = 0; d < 7; ++d) {
    EXPECT_EQ(GetDayName(platform::LocalTime{2026, 12, 6 + d, 12, 0, 0, 0}), names[d]);
  }
}

TEST_F(PresentationTest, SeenFlagRebuildsTheTreeButRaisesNoNotice) {
  state_.seen = true;
  state_.seen_entries = {"20261207090000 [A] heute"};
  state_.seen_day = "20261207";
  host_.cycle_icons = false;
  EXPECT_EQ(Present({"20261207090000 [A] heute", "20261208090000 [A] morgen"}), NoticeKind::kNone);
  EXPECT_EQ(host_.Tree().size(), 2u);
  EXPECT_TRUE(host_.balloons.empty());
  EXPECT_TRUE(host_.notices.empty());
  EXPECT_FALSE(host_.cycle_icons);
  EXPECT_TRUE(state_.seen);
  EXPECT_EQ(state_.today_count, 1);
}

// The flag covers the today entries it was set for; one beyond them clears it.
struct SeenCoverCase {
  const char* name;
  std::vector<std::string> seen_entries;
  std::vector<std::string> due;
  double key;
  NoticeKind notice;
};

class SeenCoverTest : public PresentationTest,
                      public ::testing::WithParamInterface<SeenCoverCase> {};

TEST_P(SeenCoverTest, ClearsTheFlagOnlyForAnEntryItDoesNotCover) {
  const SeenCoverCase& c = GetParam();
  // Set on Monday.
  state_.seen = true;
  state_.seen_entries = c.seen_entries;
  state_.seen_day = "20261207";
  EXPECT_EQ(Present(c.due, c.key), c.notice);
  EXPECT_EQ(state_.seen, c.notice == NoticeKind::kNone);
}

INSTANTIATE_TEST_SUITE_P(
    Scans, SeenCoverTest,
    ::testing::Values(SeenCoverCase{"SameEntriesStaySilent",
                                    {"20261207090000 [A] Arzt"},
                                    {"20261207090000 [A] Arzt", "20261208090000 [A] morgen"},
                                    kMonday,
                                    NoticeKind::kNone},
                      SeenCoverCase{"AnEntryGoneStaysSilent",
                                    {"20261207090000 [A] Arzt", "20261207100000 [A] Zahnarzt"},
                                    {"20261207090000 [A] Arzt"},
                                    kMonday,
                                    NoticeKind::kNone},
                      SeenCoverCase{"AnAppointmentAddedNotifies",
                                    {"20261207090000 [A] Arzt"},
                                    {"20261207090000 [A] Arzt", "20261207150000 [B] Sitzung"},
                                    kMonday,
                                    NoticeKind::kToday},
                      SeenCoverCase{"ASecondEqualEntryNotifies",
                                    {"20261207090000 [A] Arzt"},
                                    {"20261207090000 [A] Arzt", "20261207090000 [A] Arzt"},
                                    kMonday,
                                    NoticeKind::kToday},
                      // A balloon about tomorrow clicked on Monday covers no entry of Tuesday.
                      SeenCoverCase{"ANewDayNotifies",
                                    {},
                                    {"20261208090000 [A] morgen"},
                                    20261208000000.0,
                                    NoticeKind::kToday},
                      // Nor does a look at Monday's silence a Tuesday without appointments.
                      SeenCoverCase{"ANewDayWithoutAppointmentsNotifies",
                                    {"20261207090000 [A] Arzt"},
                                    {"20261209090000 [A] Mittwoch"},
                                    20261208000000.0,
                                    NoticeKind::kNextDay}),
    [](const ::testing::TestParamInfo<SeenCoverCase>& info) { return info.param.name; });

TEST_F(PresentationTest, EmptyDueListLeavesTheIconCycling) {
  host_.AddDayNode("alt");
  host_.cycle_icons = true;
  EXPECT_EQ(Present({}), NoticeKind::kNone);
  EXPECT_TRUE(host_.Tree().empty());
  EXPECT_TRUE(host_.balloons.empty());
  EXPECT_TRUE(host_.cycle_icons);
}

TEST_F(PresentationTest, EqualEntriesAllAppearAndCount) {
  Present({"20261207090000 [A] Arzt", "20261207090000 [A] Arzt"});
  const auto tree = host_.Tree();
  EXPECT_EQ(tree[0].text, "Heute, Mo., 07.12.2026 (2)");
  EXPECT_EQ(tree[0].children.size(), 2u);
  EXPECT_EQ(state_.notice_text, " [A] Arzt\r\n [A] Arzt\r\n");
}

TEST_F(PresentationTest, ShowingAppointmentsFromTheDialogLeavesTheSeenFlagClear) {
  host_.on_notice_shown = [&] { ShowAppointmentsFromNotice(state_, host_); };
  Present({"20261207090000 [A] Arzt"});
  EXPECT_EQ(host_.main_window_showings, 1);
  EXPECT_FALSE(host_.cycle_icons);
  EXPECT_EQ(host_.icon_index, 0);
  EXPECT_FALSE(state_.seen);
}

TEST_F(PresentationTest, ClosingTheDialogOtherwiseKeepsTheIconCycling) {
  host_.on_notice_shown = [&] { state_.seen = true; };  // a balloon click while it is open
  Present({"20261207090000 [A] Arzt"});
  EXPECT_TRUE(host_.cycle_icons);
  EXPECT_FALSE(state_.seen);
  EXPECT_EQ(host_.main_window_showings, 0);
}

TEST_F(PresentationTest, TodaysGroupFollowsTheScanWhileDayTextsFollowTheClock) {
  // The scan began before midnight; the presentation runs just after it.
  sim_.SetNow(platform::LocalTime{2026, 12, 8, 0, 0, 1, 0});
  Present({"20261207230000 [A] spaet", "20261209080000 [A] Mittwoch"});
  const auto tree = host_.Tree();
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].text, "Heute, Di., 08.12.2026 (1)");
  EXPECT_EQ(tree[0].children[0].text, " [A] spaet");
  EXPECT_EQ(tree[1].text, "Mi., 09.12.2026 (1)");
}

TEST_F(PresentationTest, OnlyNodesNotStartingWithBlankBracketAreBold) {
  // A TERMINDATU text shorter than 14 digits shifts the entry node text: it then counts as a
  // day node for the bold rule, as the tree has always shown it.
  Present({"20261207090000 [A] normal", "2026120709 [B] kurz"});
  const auto tree = host_.Tree();
  ASSERT_EQ(tree[0].children.size(), 2u);
  EXPECT_EQ(tree[0].children[0].text, " kurz");
  EXPECT_TRUE(tree[0].children[0].bold);
  EXPECT_FALSE(tree[0].children[1].bold);
}

TEST_F(PresentationTest, EachDayHoldsExactlyItsEntriesAmidOddNeighbours) {
  // Neighbours that sort right before, after or among a day's entries (short, lettered, upper
  // and lower case, high bytes) must neither join the day's group nor split it.
  Present({"2026120", "20261207", "2026120A [A] x", "2026120a [A] x", "20261206999999 [A] x",
           "[A] ohne", "_ unten", "20261207 [B] kurz", "20261207090000 [C] drei",
           "20261207090000 [a] eins", "20261207090000 [A] zwei", "20261208\xFF [A] hoch",
           "20261208000000 [Z] Dienstag", "20261208000000 [\xC4] \xC4rger", "2026120800",
           "20261217999999 [A] letzter Tag", "20261218000000 [A] danach", "\xFF"});
  const auto tree = host_.Tree();
  const auto children = [&tree](size_t day) {
    std::vector<std::string> texts;
    for (const auto& child : tree.at(day).children)
      texts.push_back(child.text);
    return texts;
  };
  ASSERT_EQ(tree.size(), 3u);
  EXPECT_EQ(tree[0].text, "Heute, Mo., 07.12.2026 (5)");
  EXPECT_EQ(children(0),
            (std::vector<std::string>{"", "urz", " [a] eins", " [A] zwei", " [C] drei"}));
  EXPECT_EQ(tree[1].text, "Di., 08.12.2026 (4)");
  EXPECT_EQ(children(1),
            (std::vector<std::string>{"", " [Z] Dienstag", " [\xC4] \xC4rger", "hoch"}));
  EXPECT_EQ(children(2), std::vector<std::string>{" [A] letzter Tag"});
  EXPECT_EQ(state_.today_entries.size(), 5u);
}

}  // namespace
}  // namespace erm::app
