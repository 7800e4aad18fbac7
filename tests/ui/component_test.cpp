#include "ui/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace erm::ui {
namespace {

// Writes what happens to it into a shared journal.
class Recorder : public Component {
 public:
  Recorder(Component* owner, std::string name, std::vector<std::string>& journal)
      : Component(owner, std::move(name)), journal_(journal) {}
  ~Recorder() override { journal_.push_back("destroy " + Name()); }
  void Loaded() override { journal_.push_back("loaded " + Name()); }
  void Notification(Component* component, Operation operation) override {
    if (operation == Operation::kRemove) {
      journal_.push_back(Name() + " hears " + component->Name() + " go");
      if (component == watched) watched = nullptr;
    }
    Component::Notification(component, operation);
  }

  Component* watched = nullptr;

 private:
  std::vector<std::string>& journal_;
};

TEST(ComponentTest, OwnerLoadsInCreationOrderAndDestroysLastFirst) {
  std::vector<std::string> journal;
  {
    Component owner(nullptr, "Form1");
    new Recorder(&owner, "A", journal);
    new Recorder(&owner, "B", journal);
    owner.LoadComponents();
    EXPECT_EQ(journal, (std::vector<std::string>{"loaded A", "loaded B"}));
    journal.clear();
  }
  // B goes first, while whole; then A.
  EXPECT_EQ(journal, (std::vector<std::string>{"A hears B go", "B hears B go", "destroy B",
                                               "A hears A go", "destroy A"}));
}

TEST(ComponentTest, RemovalIsAnnouncedToTheOwnersOtherComponents) {
  std::vector<std::string> journal;
  Component owner(nullptr, "Form1");
  auto* tray = new Recorder(&owner, "TrayIcon1", journal);
  auto* images = new Recorder(&owner, "ImageList1", journal);
  tray->watched = images;
  delete images;
  EXPECT_EQ(tray->watched, nullptr);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.FindComponent("ImageList1"), nullptr);
  EXPECT_EQ(owner.FindComponent("TrayIcon1"), tray);
}

}  // namespace
}  // namespace erm::ui
