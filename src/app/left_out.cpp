#include "app/left_out.h"

namespace erm::app {

std::string LeftOutCaption(size_t count) {
  return " Nicht gelesen: " + std::to_string(count) + " (siehe Liste)";
}

void PresentLeftOut(const std::vector<ScanProblem>& problems, ScanHost& host) {
  if (problems.empty()) return;
  host.SetStatusCaption(LeftOutCaption(problems.size()));
  const TreeNodeId node =
      host.AddDayNode("Nicht gelesen (" + std::to_string(problems.size()) + ")");
  for (const ScanProblem& problem : problems)
    host.AddEntryNode(node, " [" + problem.account + "] " + problem.message);
  host.SetNodeBold(node, true);
}

}  // namespace erm::app
