// What a scan had to leave out, shown in the main window where the user looks anyway: the
// status label says how many things could not be read, and a last day-like node of the tree
// lists them, each as " [account] reason". After a scan that left nothing out, nothing changes.
#pragma once

#include <string>
#include <vector>

#include "app/reminder_scan.h"
#include "app/scan_host.h"

namespace erm::app {

// " Nicht gelesen: " + count + " (siehe Liste)".
std::string LeftOutCaption(size_t count);

// Runs after the presentation, which has rebuilt the tree and emptied the status label.
void PresentLeftOut(const std::vector<ScanProblem>& problems, ScanHost& host);

}  // namespace erm::app
