// The due-list presentation at the end of every scan: the tree of today and the ten following
// days, and, unless the user has already seen the reminders, a notice: the balloon and the
// notice dialog for appointments today, else a balloon about the next day with appointments.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/due_list.h"
#include "app/program_state.h"
#include "app/scan_host.h"
#include "platform/system.h"

namespace erm::app {

// "So." to "Sa." for the weekday of `day`.
std::string GetDayName(const platform::LocalTime& day);

// An entry text is appended (with CR LF) only while its length plus the notice text's is below
// this; the CR LF does not count.
inline constexpr size_t kNoticeTextLimit = 210;
// Appends `entry_text` + CR LF when it fits; returns whether it did.
bool AppendNoticeText(std::string& notice_text, std::string_view entry_text);

enum class NoticeKind { kNone, kToday, kNextDay };

// Days after today that the tree shows.
inline constexpr int kFollowingDays = 10;

// Rebuilds the tree from the due list and raises the notice the state calls for. Today's
// entries are those dated as `date_key_number` (the scan's); the day node texts and the
// following days use the clock at this moment. Returns the notice it raised.
NoticeKind PresentDueList(platform::System& system, ProgramState& state, const DueList& due_list,
                          double date_key_number, ScanHost& host);

// The notice dialog's "Termine &anzeigen" (BitBtn2Click): the user has seen the reminders, the
// tray icon stops cycling, and the main window comes up. The dialog closes after it.
void ShowAppointmentsFromNotice(ProgramState& state, ScanHost& host);

}  // namespace erm::app
