#include "app/left_out.h"

#include "settings/account_discovery.h"

namespace erm::app {

std::string LeftOutCaption(size_t count) {
  return " Nicht gelesen: " + std::to_string(count) + " (siehe Liste)";
}

std::string ReadThroughCaption(const std::string& read_through) {
  return " Gelesen \xFC"
         "ber " +
         settings::KontenFolder(read_through);
}

void PresentLeftOut(const std::vector<ScanProblem>& problems, const std::string& read_through,
                    const std::string& chosen, bool accounts_chosen, ScanHost& host) {
  if (problems.empty()) {
    if (!accounts_chosen) {
      host.SetStatusCaption(" " + std::string(kNoAccountsChosen));
    } else if (read_through != chosen) {
      host.SetStatusCaption(ReadThroughCaption(read_through));
    }
    return;
  }
  // The planner out of reach is the news; the count would only say "1".
  const bool unreachable = problems.front().account.empty();
  host.SetStatusCaption(unreachable ? " " + problems.front().message
                                    : LeftOutCaption(problems.size()));
  const TreeNodeId node =
      host.AddDayNode("Nicht gelesen (" + std::to_string(problems.size()) + ")");
  for (const ScanProblem& problem : problems) {
    host.AddEntryNode(node, problem.account.empty()
                                ? " " + problem.message
                                : " [" + problem.account + "] " + problem.message);
  }
  host.SetNodeBold(node, true);
}

}  // namespace erm::app
