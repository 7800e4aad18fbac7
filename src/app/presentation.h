// The due-list presentation at the end of every scan: the tree of today and the ten following
// days, and, unless the user has already seen the reminders, a notice: the balloon and the
// notice dialog for appointments today, else a balloon about the next day with appointments.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "app/due_list.h"
#include "app/program_state.h"
#include "app/scan_host.h"
#include "platform/desktop.h"
#include "platform/system.h"

namespace erm::app {

// "So." to "Sa." for the weekday of `day`.
std::string GetDayName(const platform::LocalTime& day);

// An entry text is appended (with CR LF) only while its length plus the notice text's is below
// this; the CR LF does not count.
inline constexpr size_t kNoticeTextLimit = 210;
// Appends `entry_text` + CR LF when it fits; returns whether it did.
bool AppendNoticeText(std::string& notice_text, std::string_view entry_text);

// Days after today that the tree shows.
inline constexpr int kFollowingDays = 10;
// A notice about the same appointments of the same day comes again after this long at the
// earliest, as the hourly scan brings it; scans in between (a retry, after waking, unlocking, a
// clock change) raise one only for an appointment the last notice did not tell of.
inline constexpr uint64_t kNoticeRepeatMs = 3600000;

// A notice held back by a full-screen program comes after this long all the same: a user who
// works in a full-screen remote session all day would otherwise never be reminded. Presentation
// mode and quiet time hold it for as long as they last.
inline constexpr uint64_t kFullScreenHoldMs = 30 * 60 * 1000;
// Whether a notice that has waited since `waiting_since` waits on at `now` (tick counts).
bool NoticeWaits(platform::QuietReason quiet, uint64_t waiting_since, uint64_t now);
// The tray icon's tooltip while a notice waits.
std::string WaitingNoticeHint(const Notice& notice);
// The waiting notice once it may come, taken out of the state. It is dropped instead when the
// user has looked in the meantime or the day it was for is over; while it waits on, it stays.
std::optional<Notice> TakeWaitingNotice(platform::System& system, ProgramState& state,
                                        platform::QuietReason quiet);

// Rebuilds the tree from the due list and raises the notice the state calls for. Today's
// entries are those dated as `date_key_number` (the scan's); the day node texts and the
// following days use the clock at this moment. While the user does not want to be disturbed
// the notice waits in the state's pending notice instead, the bell swinging. Returns the notice it
// decided on: kNone also when it would only have repeated the last one.
NoticeKind PresentDueList(platform::System& system, ProgramState& state, const DueList& due_list,
                          double date_key_number, ScanHost& host);

// Raises a notice: the icon starts cycling and the balloon comes; today's also shows the notice
// dialog and, once it has been closed, clears the seen flag.
void RaiseNotice(platform::System& system, ProgramState& state, const Notice& notice,
                 ScanHost& host);

// The notice dialog's "Termine &anzeigen" (BitBtn2Click): the user has seen the reminders, the
// tray icon stops cycling, and the main window comes up. The dialog closes after it.
void ShowAppointmentsFromNotice(ProgramState& state, ScanHost& host);

}  // namespace erm::app
