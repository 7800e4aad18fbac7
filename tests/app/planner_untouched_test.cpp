// The planner's data after weeks of reminding: a thousand hourly scans read every chosen
// account's table and appointment files, and afterwards every file and folder under the planner
// directory is as it was, to the byte, the attribute and the modification stamp. The program
// never opened anything there for writing, and never created, wrote, renamed or removed a file.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/long_run_fixture.h"
#include "platform/text_case.h"

namespace erm::app::testing {
namespace {

struct NodeState {
  uint32_t attributes = 0;
  bool directory = false;
  std::string bytes;
  uint64_t modified = 0;

  friend bool operator==(const NodeState&, const NodeState&) = default;
};

bool StartsWithIgnoringCase(const std::string& text, const std::string& start) {
  return platform::EqualsIgnoringAsciiCase(std::string_view(text).substr(0, start.size()), start);
}

class PlannerUntouchedTest : public LongRunTest {
 protected:
  // Every node under `folder`, walked through the file system itself rather than the planner's
  // konten listing, so that hidden entries and anything new show too.
  void Walk(const std::string& folder, std::map<std::string, NodeState>& out) {
    const auto listing = sim_.platform::SimSystem::Enumerate(folder + "*");
    platform::DirEntry entry;
    std::vector<std::string> folders;
    while (listing->Next(&entry)) {
      if (entry.name == "." || entry.name == "..") continue;
      const std::string path = folder + entry.name;
      NodeState state;
      state.attributes = entry.attributes;
      try {
        state.bytes = sim_.ReadFileBytes(path);
        state.modified = sim_.ModificationTime(path);
      } catch (const Error&) {
        state.directory = true;
        folders.push_back(path + "\\");
      }
      out[path] = state;
    }
    for (const std::string& sub : folders)
      Walk(sub, out);
  }
  std::map<std::string, NodeState> Snapshot() {
    std::map<std::string, NodeState> nodes;
    Walk(sim_.Planner(), nodes);
    return nodes;
  }

  struct Access {
    std::string path;
    platform::FileAccess access;
    platform::FileOpen mode;
  };
  std::vector<Access> harmful_opens_;
  std::vector<std::string> changes_;
  int planner_opens_ = 0;
};

TEST_F(PlannerUntouchedTest, AThousandScansLeaveEveryByteAndStampAsTheyWere) {
  MakePlanner();
  const std::map<std::string, NodeState> before = Snapshot();
  // The generated planner is what the test claims it is.
  ASSERT_GT(before.size(), 3u * (kDays + 3));
  ASSERT_TRUE(before.at(sim_.Planner() + "konten\\.versteckt").attributes & platform::kAttrHidden);
  ASSERT_FALSE(before.at(sim_.Planner() + "konten\\notiz.txt").directory);
  ASSERT_TRUE(before.at(sim_.AccountFolder("Praxis") + "erinnerung.dbf").attributes &
              platform::kAttrReadOnly);

  sim_.on_open = [this](const std::string& path, platform::FileAccess access,
                        platform::FileOpen mode) -> std::optional<std::string> {
    if (StartsWithIgnoringCase(path, sim_.Planner())) {
      ++planner_opens_;
      if (access != platform::FileAccess::kRead || mode != platform::FileOpen::kExisting) {
        harmful_opens_.push_back({path, access, mode});
      }
    }
    return std::nullopt;
  };
  // Whatever changes files, also where a change and its undoing would leave the same bytes.
  sim_.on_operation =
      [this](const platform::SimSystem::Operation& op) -> std::optional<std::string> {
    using Kind = platform::SimSystem::OperationKind;
    const bool changes = op.kind == Kind::kCreate || op.kind == Kind::kWrite ||
                         op.kind == Kind::kRename || op.kind == Kind::kRemove;
    if (changes && (StartsWithIgnoringCase(op.path, sim_.Planner()) ||
                    StartsWithIgnoringCase(op.target, sim_.Planner()))) {
      changes_.push_back(std::string(platform::SimSystem::OperationName(op.kind)) + " " + op.path);
    }
    return std::nullopt;
  };

  StartAndScan(1000);

  EXPECT_EQ(notices_closed_, 1000) << "every scan is to have raised its notice dialog";
  EXPECT_EQ(message_boxes_, 0u);
  // The read-only account is read like the others.
  EXPECT_NE(last_notice_.find("[Praxis] Praxis Termin 2"), std::string::npos) << last_notice_;
  EXPECT_NE(last_notice_.find("[Familie] Familie Termin 1"), std::string::npos) << last_notice_;
  // Two tables and, for each, the text files of three days a scan.
  EXPECT_GE(planner_opens_, 1000 * 2 * 4);
  for (const Access& a : harmful_opens_) {
    ADD_FAILURE() << "opened for writing or creating: " << a.path;
  }
  for (const std::string& change : changes_)
    ADD_FAILURE() << change;

  const std::map<std::string, NodeState> after = Snapshot();
  for (const auto& [path, state] : before) {
    const auto it = after.find(path);
    if (it == after.end()) {
      ADD_FAILURE() << "removed: " << path;
    } else if (!(it->second == state)) {
      ADD_FAILURE() << "changed: " << path;
    }
  }
  for (const auto& [path, state] : after) {
    if (before.count(path) == 0) ADD_FAILURE() << "created: " << path;
  }
}

}  // namespace
}  // namespace erm::app::testing
