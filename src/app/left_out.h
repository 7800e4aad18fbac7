// What a scan had to leave out, shown in the main window where the user looks anyway: the
// status label says how many things could not be read (or, when the planner's konten folder
// could not be read at all, which folder), and a last day-like node of the tree lists them,
// each as " [account] reason", the folder as " reason". After a scan that left nothing out, the
// label says only which network path a drive letter was read through, if it was.
#pragma once

#include <string>
#include <vector>

#include "app/reminder_scan.h"
#include "app/scan_host.h"

namespace erm::app {

// What the label and the tooltip say after a scan that read the planner but had no account to
// read: without it, a program that reminds of nothing looks like one with nothing to remind of.
inline constexpr char kNoAccountsChosen[] = "Keine Konten gew\xE4hlt";

// " Nicht gelesen: " + count + " (siehe Liste)".
std::string LeftOutCaption(size_t count);

// " Gelesen \xFCber " + the konten folder on the network path.
std::string ReadThroughCaption(const std::string& read_through);

// Runs after the presentation, which has rebuilt the tree and emptied the status label.
// `read_through` is the planner directory the scan read, `chosen` the one in the settings;
// `accounts_chosen` is false when the scan had no account to read.
void PresentLeftOut(const std::vector<ScanProblem>& problems, const std::string& read_through,
                    const std::string& chosen, bool accounts_chosen, ScanHost& host);

}  // namespace erm::app
