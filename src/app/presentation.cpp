#include "app/presentation.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "app/date_key.h"
#include "platform/text_case.h"

namespace erm::app {
namespace {

constexpr int kBalloonTimeoutSeconds = 60;
// An entry node text begins with the blank before the account's bracket; a day node's never.
constexpr std::string_view kEntryNodeStart = " [";

std::string_view EntryNodeText(std::string_view entry) {
  return entry.size() > 14 ? entry.substr(14) : std::string_view();
}

using EntryIterator = std::vector<std::string>::const_iterator;

// The entries dated on a day, in the due list's order. The list is sorted, and a text's first
// eight bytes sort as the text does: an entry that begins with the day's digits lies among the
// others that do, found by halving instead of a pass over the list for every day shown. Digits
// fold to no other byte, so only entries dated on the day lie in that range.
struct DatedOn {
  EntryIterator first;
  EntryIterator last;
  int Count() const { return static_cast<int>(last - first); }
};

DatedOn EntriesDatedOn(const DueList& due_list, const std::string& day_digits) {
  const auto earlier_day = [](std::string_view a, std::string_view b) {
    return platform::CompareTextIgnoringCase(a.substr(0, 8), b.substr(0, 8)) < 0;
  };
  const std::vector<std::string>& entries = due_list.Entries();
  const auto range = std::equal_range(entries.begin(), entries.end(), day_digits, earlier_day);
  return {range.first, range.second};
}

struct Node {
  TreeNodeId id;
  std::string_view text;  // in the due list
};

// The nodes of one day, in the order the tree holds them, and its entries in the due list.
struct Day {
  TreeNodeId id;
  std::string text;
  std::vector<Node> entries;
  DatedOn dated;
};

// Adds a day's node, "<caption> (<count>)", and beneath it a node for every entry dated on the
// day, in the due list's order.
Day AddDayGroup(ScanHost& host, const DatedOn& dated, const std::string& caption) {
  std::string text = caption + " (" + std::to_string(dated.Count()) + ")";
  Day day{host.AddDayNode(text), std::move(text), {}, dated};
  day.entries.reserve(static_cast<size_t>(dated.Count()));
  for (EntryIterator entry = dated.first; entry != dated.last; ++entry) {
    const std::string_view entry_text = EntryNodeText(*entry);
    day.entries.push_back({host.AddEntryNode(day.id, std::string(entry_text)), entry_text});
  }
  return day;
}

void AppendNoticeTexts(std::string& notice_text, const Day& day) {
  for (const Node& entry : day.entries)
    AppendNoticeText(notice_text, entry.text);
}

bool IsEntryNodeText(std::string_view text) {
  return text.compare(0, kEntryNodeStart.size(), kEntryNodeStart) == 0;
}

// Whether the notice tells the user something the last one did not: another day, an
// appointment it did not list, or the hour since it has passed.
bool BringsNews(platform::System& system, const ProgramState& state, const Notice& notice) {
  if (!state.last_notice || state.last_notice->day != notice.day) return true;
  if (!CoversAll(state.last_notice->entries, notice.entries)) return true;
  return system.TickCount() - state.last_notice_tick >= kNoticeRepeatMs;
}

}  // namespace

std::string GetDayName(const platform::LocalTime& day) {
  static const char* const kNames[] = {"So.", "Mo.", "Di.", "Mi.", "Do.", "Fr.", "Sa."};
  return kNames[platform::DayOfWeek(day)];
}

bool AppendNoticeText(std::string& notice_text, std::string_view entry_text) {
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
  const DatedOn today = EntriesDatedOn(due_list, today_digits);
  state.today_entries.assign(today.first, today.last);
  if (today.Count() > 0) {
    const platform::LocalTime now = system.Now();
    tree.push_back(AddDayGroup(host, today,
                               "Heute, " + GetDayName(now) + ", " + platform::FormatDateText(now)));
    state.today_count = today.Count();
    AppendNoticeTexts(state.notice_text, tree.back());
  }

  for (int k = 1; k <= kFollowingDays; ++k) {
    const platform::LocalTime date = platform::AddDays(system.Now(), k);
    const DatedOn dated = EntriesDatedOn(due_list, DayDigits(date));
    if (dated.Count() == 0) continue;
    tree.push_back(
        AddDayGroup(host, dated, GetDayName(date) + ", " + platform::FormatDateText(date)));
  }

  state.scan_day = today_digits;
  if (state.seen && !state.SeenCoversToday()) state.seen = false;
  // A notice decided on while another waited for the user replaces it.
  const bool was_waiting = state.pending_notice.has_value();
  state.pending_notice.reset();
  Notice notice;
  notice.day = today_digits;
  if (state.today_count > 0 && !state.seen) {
    const std::string count = std::to_string(state.today_count);
    notice.kind = NoticeKind::kToday;
    notice.balloon_title = "Heute " + count + " Termin(e)";
    notice.headline = "Sie haben heute " + count + " Termin(e):";
    notice.entries = state.today_entries;
  } else if (!tree.empty() && !state.seen) {
    AppendNoticeTexts(state.notice_text, tree.front());
    notice.kind = NoticeKind::kNextDay;
    notice.balloon_title = tree.front().text;
    notice.entries.assign(tree.front().dated.first, tree.front().dated.last);
  }
  notice.text = state.notice_text;
  if (notice.kind != NoticeKind::kNone && !BringsNews(system, state, notice))
    notice.kind = NoticeKind::kNone;
  if (notice.kind != NoticeKind::kNone) {
    const uint64_t now = system.TickCount();
    const uint64_t waiting_since = was_waiting ? state.pending_since_tick : now;
    if (NoticeWaits(host.UserQuiet(), waiting_since, now)) {
      state.pending_notice = notice;
      state.pending_since_tick = waiting_since;
      // The swinging bell tells of it without disturbing.
      host.SetCycleIcons(true);
    } else {
      RaiseNotice(system, state, notice, host);
    }
  }

  // Bold marking comes last, after a notice dialog has been closed, as the tree shows it.
  for (const Day& day : tree) {
    if (!IsEntryNodeText(day.text)) host.SetNodeBold(day.id, true);
    for (const Node& entry : day.entries) {
      if (!IsEntryNodeText(entry.text)) host.SetNodeBold(entry.id, true);
    }
  }
  return notice.kind;
}

bool NoticeWaits(platform::QuietReason quiet, uint64_t waiting_since, uint64_t now) {
  switch (quiet) {
    case platform::QuietReason::kPresentation:
      return true;
    case platform::QuietReason::kFullScreen:
      return now - waiting_since < kFullScreenHoldMs;
    case platform::QuietReason::kNone:
      break;
  }
  return false;
}

std::string WaitingNoticeHint(const Notice& notice) {
  return "Hinweis wartet: " + notice.balloon_title;
}

std::optional<Notice> TakeWaitingNotice(platform::System& system, ProgramState& state,
                                        platform::QuietReason quiet) {
  if (!state.pending_notice) return std::nullopt;
  const bool over = state.seen || state.pending_notice->day != DayDigits(system.Now());
  if (!over && NoticeWaits(quiet, state.pending_since_tick, system.TickCount()))
    return std::nullopt;
  std::optional<Notice> notice = std::move(state.pending_notice);
  state.pending_notice.reset();
  if (over) return std::nullopt;
  return notice;
}

void RaiseNotice(platform::System& system, ProgramState& state, const Notice& notice,
                 ScanHost& host) {
  state.last_notice = notice;
  state.last_notice_tick = system.TickCount();
  host.SetCycleIcons(true);
  host.ShowBalloon(notice.balloon_title, notice.text, BalloonIconKind::biInfo,
                   kBalloonTimeoutSeconds);
  if (notice.kind != NoticeKind::kToday) return;
  host.SetNoticeLabels(notice.headline, notice.text);
  host.ShowNoticeModal();
  // The hour before the same notice may come again counts from the dialog's close, as the scan
  // timer's hour does: a scan that fell due while it stood open comes as it closes, and must
  // not bring it straight back.
  state.last_notice_tick = system.TickCount();
  // Whichever button closed the dialog, the next hourly scan is to remind again.
  state.seen = false;
}

void ShowAppointmentsFromNotice(ProgramState& state, ScanHost& host) {
  state.MarkSeen();
  host.SetCycleIcons(false);
  host.SetIconIndex(0);
  host.ShowMainWindow();
}

}  // namespace erm::app
