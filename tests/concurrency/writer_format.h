// What the planner writer puts into its planner, shared by the writer and the test that checks
// the scan against it. Every value is chosen so that a torn read shows as such: see the comments
// at each constant.
#pragma once

#include <cstdio>
#include <string>

namespace erm::concurrency {

inline constexpr int kAccounts = 6;
inline std::string AccountName(int i) {
  char name[8];
  std::snprintf(name, sizeof name, "K%02d", i + 1);
  return name;
}

// Record layout: deletion flag, TERMINDATU C14 at offset 1, ERINNERUNG C14 at offset 15, BETREFF
// C20 at offset 29. TERMINDATU comes first so that a record cut short keeps the date and loses
// the reminder date.
inline constexpr int kTerminOffset = 1;
inline constexpr int kErinnerungOffset = 15;
inline constexpr int kRecordLength = 49;
inline constexpr int kHeaderLength = 32 + 3 * 32 + 1;

// The two reminder dates differ in their first byte only, so no mix of their bytes is a third
// value: one has always come, the other never comes.
inline constexpr char kReminderCome[] = "20000101000000";
inline constexpr char kReminderNever[] = "90000101000000";

// The last two digits of TERMINDATU say what the writer meant a record to be. Only "00" records
// carry a reminder date that has come and are not deleted; the other two are written so that a
// correct scan never reports them. Digit mixes of these ("08", "09", "50") name no file.
inline constexpr char kDueSeconds[] = "00";
inline constexpr char kNeverRemindedSeconds[] = "59";  // ERINNERUNG kReminderNever
inline constexpr char kDeletedSeconds[] = "58";        // flag '*'

// An appointment text line: fixed width, so that every version of a file has the same bytes at
// the same offsets where it has a line, and a mix of versions is a mix of line versions.
// Upper case and digits only: a masked 'c' is CR and 'd' LF, 't' the end-of-text byte.
inline constexpr int kLineWidth = 40;
inline std::string AppointmentLine(const std::string& account, const std::string& termin,
                                   long generation, int index) {
  char line[64];
  std::snprintf(line, sizeof line, "%-3s %s G%08ld N%02d TERMIN", account.c_str(), termin.c_str(),
                generation % 100000000, index);
  std::string text(line);
  text.resize(kLineWidth, '.');
  return text;
}
// Line 1 of every file, never read as an appointment; as wide as the others.
inline std::string FirstLine() {
  return std::string(kLineWidth, '=');
}

inline constexpr int kMaxLines = 3;

}  // namespace erm::concurrency
