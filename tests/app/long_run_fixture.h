// The program running for weeks over a generated planner: several accounts with appointments on
// every day ahead, reminders not yet due, past appointments, a hidden folder, a plain file and
// a folder without a table in konten, read-only files. Every hourly scan raises the notice
// dialog, which the user closes as people do: mostly "Termine anzeigen" and back to the tray,
// now and then "Hinweis schliessen", leaving the bell to swing for the hour.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/program_fixture.h"
#include "app/reminder_scan.h"
#include "platform/local_time.h"

namespace erm::app::testing {

class LongRunTest : public ProgramTest {
 protected:
  // Accounts listed and chosen: Familie, Praxis, notiz.txt (a plain file) and Leer (no table).
  static constexpr uint32_t kChosenListed = 4;
  static constexpr uint64_t kScanLengthMs = kChosenListed * kAccountPauseMs + kFinalPauseMs;
  // Appointments on this many days from the first day, enough for every scan to find some today.
  static constexpr int kDays = 50;
  // Every this many scans the user closes the notice with "Hinweis schliessen".
  static constexpr int kCloseOnlyEvery = 50;

  static std::string Digits(const platform::LocalTime& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", t.year, t.month, t.day);
    return text;
  }

  // An account table with `per_day` appointments a day at `time`, each reminded two days ahead,
  // its text file holding `lines` lines; beside them a past one whose reminder has come and a
  // future one whose reminder has not. `attributes` go to the table and the text files.
  void AddPlannerAccount(const std::string& account, const std::string& time, int lines,
                         uint32_t attributes) {
    sim_.AddAccount(account);
    const std::string folder = sim_.AccountFolder(account);
    tools::DbfWriter table({{"ERINNERUNG", 'C', 14},
                            {"TERMINDATU", 'N', 14, 0},
                            {"BETREFF", 'C', 40},
                            {"ERLEDIGT", 'L', 1}});
    const platform::LocalTime first{2026, 12, 7, 10, 0, 0, 0};
    auto add = [&](const std::string& reminder, const std::string& termin) {
      table.AddRecord({reminder, termin, "Betreff " + termin, "F"});
      std::string file = "Kopf " + termin + "\r\n";
      for (int i = 0; i < lines; ++i) {
        file += EncodeDecodeText(account + " Termin " + std::to_string(i + 1) + " am " +
                                 termin.substr(0, 8));
        file += "\r\n";
      }
      sim_.PutFile(folder + "termine\\" + termin + ".trm", file, attributes);
    };
    add("20261120000000", "20261121" + time);  // past, reminded long ago
    for (int d = 0; d < kDays; ++d) {
      add(Digits(platform::AddDays(first, d - 2)) + "000000",
          Digits(platform::AddDays(first, d)) + time);
    }
    add("20270601000000", "20270602" + time);  // reminded only in June
    sim_.PutFile(folder + "termine\\notizen.txt", "keine Termindatei\r\n", attributes);
    sim_.PutFile(folder + "erinnerung.dbf", table.Bytes(), attributes);
  }

  void MakePlanner() {
    UsePlanner();
    const uint32_t read_only = platform::kAttrArchive | platform::kAttrReadOnly;
    AddPlannerAccount("Familie", "090000", 1, platform::kAttrArchive);
    AddPlannerAccount("Praxis", "140000", 2, read_only);
    AddPlannerAccount("Archiv", "110000", 1, platform::kAttrArchive);
    sim_.AddAccount(".versteckt", platform::kAttrDirectory | platform::kAttrHidden);
    sim_.PutFile(sim_.AccountFolder(".versteckt") + "erinnerung.dbf", "kein dBase");
    sim_.AddAccount("System", platform::kAttrDirectory | platform::kAttrSystem);
    // A plain file in konten: listed as an account, whose table path leads nowhere.
    sim_.AddAccount("notiz.txt", platform::kAttrArchive);
    sim_.Remove(sim_.AccountFolder("notiz.txt"));
    sim_.PutFile(sim_.Planner() + "konten\\notiz.txt", "Notiz\r\n");
    sim_.AddAccount("Leer");
    sim_.MakeDirectory(sim_.AccountFolder("Leer") + "termine\\");
    sim_.PutFile(sim_.Planner() + "Brevantoliske.exe", std::string("MZ\x90\0", 4), read_only);
    sim_.PutFile(sim_.Planner() + "daten\\feiertage.ini", "[Feiertage]\r\n", read_only);
    sim_.MakeDirectory(sim_.Planner() + "sicherung\\",
                       platform::kAttrDirectory | platform::kAttrHidden);
    sim_.PutFile(sim_.Planner() + "sicherung\\konten.zip", "PK");
    ChooseAccounts("Familie\r\nPraxis\r\nnotiz.txt\r\nLeer\r\n.versteckt\r\nSystem\r\n");
  }

  // Starts the program and runs `count` scans, each to its end after the user closed its notice.
  void StartAndScan(int count) {
    Start();
    next_scan_at_ = Now() + kFirstScanDelayMs;
    Scan(count);
  }
  void Scan(int count) {
    for (int i = 0; i < count; ++i) {
      const uint64_t close_at = next_scan_at_ + kScanLengthMs + 500;
      const bool close_only = ++scans_ % kCloseOnlyEvery == 0;
      Act(close_at - Now(), [this, close_only] {
        if (!Notice().Visible()) return;
        ++notices_closed_;
        last_notice_ = Notice().Label2->Caption();
        if (close_only) {
          Notice().BitBtn1->Click();
          return;
        }
        Notice().BitBtn2->Click();
        // Back to the tray a moment later, once the main window is up.
        Act(1000, [this] { Main().BitBtn1->Click(); });
      });
      RunFor(close_at + 2000 - Now());
      next_scan_at_ = close_at + kScanIntervalMs;
      ForgetRecordings();
    }
  }

  // The platforms' records of every call, which a long run would otherwise pile up.
  void ForgetRecordings() {
    message_boxes_ += desktop_.message_boxes.size();
    Forget(sim_.sleeps);
    Forget(sim_.opened_paths);
    Forget(sim_.opened_modes);
    Forget(desktop_.show_calls);
    Forget(desktop_.foreground_calls);
    Forget(desktop_.focus_calls);
    Forget(desktop_.notify_calls);
    Forget(desktop_.freed_modules);
    Forget(desktop_.icon_loads);
    Forget(desktop_.shell_executes);
    Forget(desktop_.message_boxes);
    Forget(desktop_.open_file_dialogs);
    Forget(desktop_.popup_menus);
  }
  template <typename T>
  static void Forget(std::vector<T>& records) {
    std::vector<T>().swap(records);
  }

  uint64_t next_scan_at_ = 0;
  int scans_ = 0;
  int notices_closed_ = 0;
  std::string last_notice_;
  size_t message_boxes_ = 0;  // shown so far, also those forgotten
};

}  // namespace erm::app::testing
