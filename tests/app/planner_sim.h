// A simulated file system holding a planner directory, whose konten folder lists the accounts in
// the order the test added them, after "." and "..", with the attributes the test gave.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_system.h"
#include "platform/text_case.h"

namespace erm::app::testing {

class PlannerSim : public platform::SimSystem {
 public:
  explicit PlannerSim(std::string planner) : planner_(std::move(planner)) {}

  const std::string& Planner() const { return planner_; }
  std::string AccountFolder(const std::string& account) const {
    return planner_ + "konten\\" + account + "\\";
  }
  // Lists the account in konten (once) and makes its folder.
  void AddAccount(const std::string& account, uint32_t attributes = platform::kAttrDirectory) {
    for (const platform::DirEntry& e : accounts_) {
      if (e.name == account) return;
    }
    accounts_.push_back({account, attributes});
    MakeDirectory(AccountFolder(account), attributes);
  }

  std::unique_ptr<platform::DirEnumeration> Enumerate(const std::string& pattern) override {
    std::vector<platform::DirEntry> entries;
    // The konten folder is always there, if empty: a listing comes back empty only when a test
    // makes it fail.
    if (SamePath(pattern, planner_ + "konten\\*.*")) {
      entries = {{".", platform::kAttrDirectory}, {"..", platform::kAttrDirectory}};
      entries.insert(entries.end(), accounts_.begin(), accounts_.end());
    }
    // Through the fault hooks like any listing of the simulated file system.
    return MakeListing(pattern, std::move(entries));
  }

 private:
  // Without regard to ASCII case, as Windows compares paths.
  static bool SamePath(const std::string& a, const std::string& b) {
    return platform::EqualsIgnoringAsciiCase(a, b);
  }

  std::string planner_;
  std::vector<platform::DirEntry> accounts_;
};

}  // namespace erm::app::testing
