#include "ui/tree_view.h"

#include <gtest/gtest.h>

#include "ui/ui_fixture.h"

namespace erm::ui {
namespace {

class TreeTest : public UiTest {
 protected:
  TestForm& form_ = app_.CreateForm<TestForm>();
  TreeView* tree_ = new TreeView(&form_, "TreeView1");
};

TEST_F(TreeTest, ItemsCountInTreeOrderWhereverNodesWereAdded) {
  TreeNode* today = tree_->AddChild(nullptr, "Heute, Mo., 07.12.2026 (2)");
  TreeNode* thursday = tree_->AddChild(nullptr, "Do., 10.12.2026 (1)");
  tree_->AddChild(thursday, " [Familie] Kino");
  tree_->AddChild(today, " [Familie] Arzt");
  tree_->AddChild(today, " [B\xFCro] Sitzung");
  std::vector<std::string> texts;
  for (int i = 0; i < tree_->Count(); ++i)
    texts.push_back(tree_->Item(i)->Text());
  EXPECT_EQ(texts, (std::vector<std::string>{"Heute, Mo., 07.12.2026 (2)", " [Familie] Arzt",
                                             " [B\xFCro] Sitzung", "Do., 10.12.2026 (1)",
                                             " [Familie] Kino"}));
  EXPECT_EQ(tree_->TopLevelCount(), 2);
  EXPECT_EQ(today->Count(), 2);
  EXPECT_EQ(today->Item(1)->Level(), 1);
  EXPECT_EQ(tree_->Item(5), nullptr);
  tree_->Clear();
  EXPECT_EQ(tree_->Count(), 0);
  EXPECT_EQ(tree_->TopLevel(0), nullptr);
}

TEST_F(TreeTest, BoldTouchesOnlyTheBoldBitAndMissingNodesArePassedOver) {
  TreeNode* day = tree_->AddChild(nullptr, "Heute");
  day->SetExpanded(true);
  tree_->SetNodeBold(day, true);
  EXPECT_EQ(day->State(), kNodeStateBold | kNodeStateExpanded);
  tree_->SetNodeBold(day, false);
  EXPECT_EQ(day->State(), kNodeStateExpanded);
  tree_->SetNodeBold(nullptr, true);
  // New nodes come collapsed and plain.
  EXPECT_EQ(tree_->AddChild(day, " [A] x")->State(), 0u);
}

TEST_F(TreeTest, NodeOfAnotherTreeIsRefused) {
  auto* other = new TreeView(&form_, "TreeView2");
  TreeNode* foreign = other->AddChild(nullptr, "x");
  EXPECT_THROW(tree_->AddChild(foreign, "y"), Error);
  EXPECT_EQ(tree_->Count(), 0);
}

}  // namespace
}  // namespace erm::ui
