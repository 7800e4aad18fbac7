// The whole program on the simulated platform: the four windows created as the program entry
// creates them, on a headless application, over a simulated planner directory, with the clock
// on Monday, 7 December 2026, 10:00.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/appointment_file.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "app/planner_sim.h"
#include "app/program.h"
#include "common/dbf_writer.h"
#include "platform/sim/sim_desktop.h"
#include "settings/settings_files.h"
#include "ui/application.h"
#include "ui/headless_peers.h"

namespace erm::app::testing {

inline constexpr char kPlanner[] = "C:\\Programme\\Brevantoliske\\";
inline constexpr char kToday[] = "20261207";

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    sim_.SetNow(platform::LocalTime{2026, 12, 7, 10, 0, 0, 0});
    sim_.MakeDirectory(sim_.ProgramFolder());
  }
  ~ProgramTest() override {
    // The windows go before the platform they were made on.
    app_.reset();
  }

  // --- the program folder and the planner ---
  void WriteSettings(const std::string& bytes) {
    sim_.PutFile(sim_.ProgramFolder() + settings::kSettingsFileName, bytes);
  }
  std::string SettingsBytes() {
    return sim_.ReadFileBytes(sim_.ProgramFolder() + settings::kSettingsFileName);
  }
  void ChooseAccounts(const std::string& lines) {
    sim_.PutFile(sim_.ProgramFolder() + settings::kAccountSelectionFileName, lines);
  }
  // A planner directory whose settings file names it, reminding active at start-up.
  void UsePlanner() { WriteSettings(std::string(kPlanner) + "\r\n"); }
  // Every later opening of the account selection file is refused, as a file held by another
  // program is.
  void RefuseTheSelectionFile() {
    const std::string selection = sim_.ProgramFolder() + settings::kAccountSelectionFileName;
    sim_.on_open = [selection](const std::string& path, platform::FileAccess,
                               platform::FileOpen) -> std::optional<std::string> {
      if (path == selection) return std::string("Zugriff verweigert");
      return std::nullopt;
    };
  }
  // An account whose appointments at the given times (hhmmss) today have come due, each with
  // one text line.
  void AddAccountDueToday(const std::string& account, const std::vector<std::string>& times) {
    sim_.AddAccount(account);
    tools::DbfWriter table({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}});
    for (const std::string& time : times) {
      const std::string termin = std::string(kToday) + time;
      table.AddRecord({"20261205000000", termin});
      sim_.PutFile(sim_.AccountFolder(account) + "termine\\" + termin + ".trm",
                   "Kopf\r\n" + EncodeDecodeText("Termin " + time) + "\r\n");
    }
    sim_.PutFile(sim_.AccountFolder(account) + "erinnerung.dbf", table.Bytes());
  }

  // --- the program ---
  void Start() {
    app_ = std::make_unique<ui::Application>(sim_, desktop_, peers_);
    windows_ = CreateProgramWindows(*app_, tray_handlers_);
  }
  TForm1& Main() { return *windows_.main_window; }
  app::TForm2& Options() { return *windows_.options_dialog; }
  app::TForm3& Help() { return *windows_.help_window; }
  TForm4& Notice() { return *windows_.notice_dialog; }

  // Runs the program's loop for a stretch of virtual time.
  void RunFor(uint64_t ms) { desktop_.RunFor(ms); }
  // What the user does at a virtual time, inside whatever loop runs then. A message follows, as
  // after a real click, so that a modal loop wakes up and looks at its result.
  void Act(uint64_t delay_ms, std::function<void()> action) {
    desktop_.Schedule(delay_ms, [this, action = std::move(action)] {
      app_->RunGuarded(action);
      desktop_.PostMessage(app_->Handle(), platform::msg::kNull, 0, 0);
    });
  }
  // Scans that ran to the end: each ends with the pause of one second.
  int FinishedScans() const {
    int n = 0;
    for (uint32_t ms : sim_.sleeps)
      n += ms == kFinalPauseMs ? 1 : 0;
    return n;
  }
  uint64_t Now() { return sim_.TickCount(); }
  // The titles of the balloons the tray icon showed, in order.
  std::vector<std::string> BalloonTitles() const {
    std::vector<std::string> titles;
    for (const auto& call : desktop_.notify_calls) {
      if ((call.data.flags & platform::kNifInfo) && call.data.info[0] != '\0')
        titles.push_back(call.data.info_title);
    }
    return titles;
  }
  int BalloonsTitled(const std::string& title) const {
    int n = 0;
    for (const std::string& t : BalloonTitles())
      n += t == title ? 1 : 0;
    return n;
  }
  bool TrayCycling() { return Main().TrayIcon1->CycleIcons(); }

  PlannerSim sim_{kPlanner};
  platform::SimDesktop desktop_{sim_};
  ui::HeadlessPeerFactory peers_;
  tray::TrayHandlers tray_handlers_{desktop_};
  std::unique_ptr<ui::Application> app_;
  ProgramWindows windows_;
};

}  // namespace erm::app::testing
