#include "app/presentation.h"

#include <vector>

#include "app/date_key.h"

namespace erm::app {
namespace {

constexpr int kBalloonTimeoutSeconds = 60;
// An entry node text begins with the blank before the account's bracket; a day node's never.
constexpr std::string_view kEntryNodeStart = " [";

std::string EntryNodeText(const std::string& entry) {
  return entry.size() > 14 ? entry.substr(14) : std::string();
}

bool IsDatedOn(const std::string& entry, const std::string& day_digits) {
  return entry.compare(0, 8, day_digits) == 0 && entry.size() >= 8;
}

int CountDatedOn(const DueList& due_list, const std::string& day_digits) {
  int n = 0;
  for (const std::string& entry : due_list.Entries())
    n += IsDatedOn(entry, day_digits) ? 1 : 0;
  return n;
}

struct Node {
  TreeNodeId id;
  std::string text;
};

// The nodes of one day, in the order the tree holds them.
struct Day {
  Node day;
  std::vector<Node> entries;
};

// Adds a day's node, "<caption> (<count>)", and beneath it a node for every entry dated on the
// day, in the due list's order.
Day AddDayGroup(ScanHost& host, const DueList& due_list, const std::string& day_digits,
                const std::string& caption, int count) {
  const std::string text = caption + " (" + std::to_string(count) + ")";
  Day day{{host.AddDayNode(text), text}, {}};
  for (const std::string& entry : due_list.Entries()) {
    if (!IsDatedOn(entry, day_digits)) continue;
    const std::string entry_text = EntryNodeText(entry);
    day.entries.push_back({host.AddEntryNode(day.day.id, entry_text), entry_text});
  }
  return day;
}

void AppendNoticeTexts(std::string& notice_text, const Day& day) {
  for (const Node& entry : day.entries)
    AppendNoticeText(notice_text, entry.text);
}

bool IsEntryNodeText(const std::string& text) {
  return text.compare(0, kEntryNodeStart.size(), kEntryNodeStart) == 0;
}

}  // namespace

std::string GetDayName(const platform::LocalTime& day) {
  static const char* const kNames[] = {"So.", "Mo.", "Di.", "Mi.", "Do.", "Fr.", "Sa."};
  return kNames[platform::DayOfWeek(day)];
}

bool AppendNoticeText(std::string& notice_text, const std::string& entry_text) {
  if (entry_text.size() + notice_text.size() >= kNoticeTextLimit) return false;
  notice_text += entry_text;
  notice_text += "\r\n";
  return true;
}

NoticeKind PresentDueList(platform::System& system, ProgramState& state, const DueList& due_list,
                          double date_key_number, ScanHost& host) {
  host.ClearTree();
  std::vector<Day> tree;

  const std::string today_digits = FormatPlainDecimal(date_key_number).substr(0, 8);
  const int today = CountDatedOn(due_list, today_digits);
  state.today_entries.clear();
  for (const std::string& entry : due_list.Entries()) {
    if (IsDatedOn(entry, today_digits)) state.today_entries.push_back(entry);
  }
  if (today > 0) {
    const platform::LocalTime now = system.Now();
    tree.push_back(AddDayGroup(host, due_list, today_digits,
                               "Heute, " + GetDayName(now) + ", " + platform::FormatDateText(now),
                               today));
    state.today_count = today;
    AppendNoticeTexts(state.notice_text, tree.back());
  }

  for (int k = 1; k <= kFollowingDays; ++k) {
    const platform::LocalTime date = platform::AddDays(system.Now(), k);
    const std::string digits = DayDigits(date);
    const int count = CountDatedOn(due_list, digits);
    if (count == 0) continue;
    tree.push_back(AddDayGroup(host, due_list, digits,
                               GetDayName(date) + ", " + platform::FormatDateText(date), count));
  }

  if (state.seen && !state.SeenCoversToday()) state.seen = false;
  NoticeKind notice = NoticeKind::kNone;
  if (state.today_count > 0 && !state.seen) {
    notice = NoticeKind::kToday;
    const std::string count = std::to_string(state.today_count);
    host.SetCycleIcons(true);
    host.ShowBalloon("Heute " + count + " Termin(e)", state.notice_text, BalloonIconKind::biInfo,
                     kBalloonTimeoutSeconds);
    host.SetNoticeLabels("Sie haben heute " + count + " Termin(e):", state.notice_text);
    host.ShowNoticeModal();
    // Whichever button closed the dialog, the next hourly scan is to remind again.
    state.seen = false;
  } else if (!tree.empty() && !state.seen) {
    notice = NoticeKind::kNextDay;
    AppendNoticeTexts(state.notice_text, tree.front());
    host.SetCycleIcons(true);
    host.ShowBalloon(tree.front().day.text, state.notice_text, BalloonIconKind::biInfo,
                     kBalloonTimeoutSeconds);
  }

  // Bold marking comes last, after a notice dialog has been closed, as the tree shows it.
  for (const Day& day : tree) {
    if (!IsEntryNodeText(day.day.text)) host.SetNodeBold(day.day.id, true);
    for (const Node& entry : day.entries) {
      if (!IsEntryNodeText(entry.text)) host.SetNodeBold(entry.id, true);
    }
  }
  return notice;
}

void ShowAppointmentsFromNotice(ProgramState& state, ScanHost& host) {
  state.MarkSeen();
  host.SetCycleIcons(false);
  host.SetIconIndex(0);
  host.ShowMainWindow();
}

}  // namespace erm::app
