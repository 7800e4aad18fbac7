#include <gtest/gtest.h>

#include "ui/buttons.h"
#include "ui/list_box.h"
#include "ui/std_controls.h"
#include "ui/tool_bar.h"
#include "ui/tree_view.h"
#include "ui/ui_fixture.h"

namespace erm::ui {
namespace {

class ToggleGroupTest : public UiTest {
 protected:
  ToggleGroupTest() {
    bar_->SetParent(&form_);
    for (SpeedButton* b : {on_, off_}) {
      b->SetParent(bar_);
      b->SetGroupIndex(1);
      b->OnClick = [this](Component* sender) { clicked_.push_back(sender->Name()); };
    }
    off_->SetDown(true);
  }

  TestForm& form_ = app_.CreateForm<TestForm>();
  ToolBar* bar_ = new ToolBar(&form_, "ToolBar1");
  SpeedButton* on_ = new SpeedButton(&form_, "SpeedButton2");
  SpeedButton* off_ = new SpeedButton(&form_, "SpeedButton1");
  std::vector<std::string> clicked_;
};

TEST_F(ToggleGroupTest, ExactlyOneButtonOfTheGroupIsDown) {
  on_->Click();
  EXPECT_TRUE(on_->Down());
  EXPECT_FALSE(off_->Down());
  on_->Click();  // the down one stays down, and still reports the click
  EXPECT_TRUE(on_->Down());
  EXPECT_FALSE(off_->Down());
  off_->Click();
  EXPECT_FALSE(on_->Down());
  EXPECT_TRUE(off_->Down());
  EXPECT_EQ(clicked_, (std::vector<std::string>{"SpeedButton2", "SpeedButton2", "SpeedButton1"}));
}

TEST_F(ToggleGroupTest, DownButtonComesUpOnlyWhenAnotherGoesDown) {
  off_->SetDown(false);
  EXPECT_TRUE(off_->Down());
  off_->SetAllowAllUp(true);
  off_->Click();
  EXPECT_FALSE(off_->Down());
  EXPECT_FALSE(on_->Down());
}

TEST_F(ToggleGroupTest, GroupsAreSeparateByIndexAndParent) {
  auto* alone = new SpeedButton(&form_, "Alone");
  alone->SetParent(bar_);
  alone->SetGroupIndex(2);
  alone->SetDown(true);
  auto* elsewhere = new SpeedButton(&form_, "Elsewhere");
  elsewhere->SetParent(&form_);
  elsewhere->SetGroupIndex(1);
  elsewhere->SetDown(true);
  EXPECT_TRUE(off_->Down());
  EXPECT_TRUE(alone->Down());
  // Outside any group a button is never down.
  auto* plain = new SpeedButton(&form_, "Plain");
  plain->SetDown(true);
  plain->Click();
  EXPECT_FALSE(plain->Down());
}

TEST_F(UiTest, AlignedControlsShareTheFormAndTheToolBarKeepsItsRow) {
  auto& form = app_.CreateForm<TestForm>();
  form.SetClientSize(665, 295);
  auto* bar = new ToolBar(&form, "ToolBar1");
  bar->SetParent(&form);
  bar->SetEdgeBorders(EdgeBorder::kTop | EdgeBorder::kBottom);
  bar->SetHeight(41);
  auto* status = new StatusBar(&form, "StatusBar1");
  status->SetParent(&form);
  auto* panel = new Panel(&form, "Panel1");
  panel->SetParent(&form);
  panel->SetBevelOuter(BevelCut::kNone);
  panel->SetAlign(Align::kClient);
  auto* tree = new TreeView(&form, "TreeView1");
  tree->SetParent(panel);
  tree->SetAlign(Align::kClient);

  auto add = [&](Control* c, int width) {
    c->SetBounds(0, 0, width, 31);
    c->SetParent(bar);
  };
  auto* b2 = new SpeedButton(&form, "SpeedButton2");
  auto* b1 = new SpeedButton(&form, "SpeedButton1");
  auto* progress = new ProgressBar(&form, "ProgressBar1");
  auto* animate = new Animate(&form, "Animate2");
  auto* label = new Label(&form, "Label1");
  add(b2, 142);
  bar->AddSeparator(3);
  add(b1, 142);
  bar->AddSeparator(8);
  add(progress, 184);
  add(animate, 66);
  animate->SetVisible(false);
  bar->AddSeparator(72);
  add(label, 238);

  EXPECT_EQ(bar->BoundsRect(), (Rect{0, 0, 665, 41}));
  EXPECT_EQ(status->BoundsRect(), (Rect{0, 276, 665, 19}));
  EXPECT_EQ(panel->BoundsRect(), (Rect{0, 41, 665, 235}));
  EXPECT_EQ(tree->BoundsRect(), (Rect{0, 0, 665, 235}));
  EXPECT_EQ(b2->Left(), 0);
  EXPECT_EQ(b1->Left(), 145);
  EXPECT_EQ(progress->Left(), 295);
  EXPECT_EQ(animate->Left(), 479);
  EXPECT_EQ(label->Left(), 551);  // the hidden animation takes no place
  EXPECT_EQ(label->Top(), 2);     // below the top edge

  form.SetClientSize(700, 300);
  EXPECT_EQ(tree->BoundsRect(), (Rect{0, 0, 700, 240}));
  status->SetVisible(false);
  EXPECT_EQ(panel->Height(), 259);
}

TEST_F(UiTest, ControlsFollowTheirParentsFontUntilGivenTheirOwn) {
  auto& form = app_.CreateForm<TestForm>();
  auto* box = new GroupBox(&form, "GroupBox2");
  box->SetParent(&form);
  auto* label = new Label(&form, "Label2");
  label->SetParent(box);
  Font bold = box->GetFont();
  bold.bold = true;
  box->SetFont(bold);
  EXPECT_TRUE(label->GetFont().bold);
  label->SetParentFont(false);
  Font normal = label->GetFont();
  normal.bold = false;
  label->SetFont(normal);
  Font big = form.GetFont();
  big.height = 24;
  form.SetFont(big);
  EXPECT_EQ(box->GetFont().height, 11);  // it has its own
  EXPECT_FALSE(label->GetFont().bold);
  EXPECT_EQ(form.GetFont().name, "MS Sans Serif");
}

struct StepCase {
  const char* name;
  int max, step, steps;
  int position;
};

class ProgressStepTest : public UiTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(ProgressStepTest, StepItAdvancesAndStartsOverPastTheMaximum) {
  auto& form = app_.CreateForm<TestForm>();
  auto* bar = new ProgressBar(&form, "ProgressBar1");
  bar->SetMax(GetParam().max);
  bar->SetStep(GetParam().step);
  for (int i = 0; i < GetParam().steps; ++i)
    bar->StepIt();
  EXPECT_EQ(bar->Position(), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(Steps, ProgressStepTest,
                         ::testing::Values(StepCase{"OnePerAccount", 3, 1, 3, 3},
                                           StepCase{"PastTheEnd", 3, 1, 4, 0},
                                           StepCase{"NoAccounts", 0, 1, 0, 0},
                                           StepCase{"DefaultRange", 100, 10, 5, 50}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UiTest, ProgressPositionStaysInTheRange) {
  auto& form = app_.CreateForm<TestForm>();
  auto* bar = new ProgressBar(&form, "ProgressBar1");
  bar->SetPosition(150);
  EXPECT_EQ(bar->Position(), 100);
  bar->SetMax(2);
  EXPECT_EQ(bar->Position(), 2);
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 0);
}

TEST_F(UiTest, RepaintReachesThePeerAtOnce) {
  auto& form = app_.CreateForm<TestForm>();
  auto* label = new Label(&form, "Label1");
  label->Repaint();
  label->Repaint();
  EXPECT_EQ(HeadlessPeerOf(*label)->repaint_count, 2);
}

TEST_F(UiTest, PictureButtonGivesItsModalResultToTheFormItSitsOn) {
  auto& form = app_.CreateForm<TestForm>();
  auto* panel = new Panel(&form, "Panel1");
  panel->SetParent(&form);
  auto* ok = new BitBtn(&form, "BitBtn1");
  ok->SetParent(panel);
  ok->SetKind(BitBtnKind::kOk);
  EXPECT_TRUE(ok->Default());
  int clicks = 0;
  ok->OnClick = [&](Component*) { ++clicks; };
  ok->Click();
  EXPECT_EQ(form.ModalResult(), kMrOk);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form.DefaultButton(), ok);
  panel->SetVisible(false);
  EXPECT_EQ(form.DefaultButton(), nullptr);
}

TEST_F(UiTest, CloseKindButtonClosesItsForm) {
  app_.CreateForm<TestForm>("Form1");
  auto& help = app_.CreateForm<TestForm>("Form3");
  auto* close = new BitBtn(&help, "BitBtn2");
  close->SetParent(&help);
  close->SetKind(BitBtnKind::kClose);
  help.Show();
  close->Click();
  EXPECT_FALSE(help.Visible());
}

}  // namespace
}  // namespace erm::ui

namespace erm::ui {
namespace {

// The options dialog's shape: two group boxes with a control each that takes the focus, then
// the two buttons at the bottom.
class TabOrderTest : public UiTest {
 protected:
  TabOrderTest() {
    for (GroupBox* box : {path_box_, accounts_box_})
      box->SetParent(&form_);
    choose_->SetParent(path_box_);
    choose_->SetCaption(" &Pfad w\xE4hlen...");
    accounts_->SetParent(accounts_box_);
    apply_->SetParent(&form_);
    apply_->SetCaption(
        "&\xDC"
        "bernehmen");
    cancel_->SetParent(&form_);
    cancel_->SetCaption("&Abbrechen");
    for (BitBtn* b : {choose_, apply_, cancel_}) {
      b->OnClick = [this](Component* sender) { clicked_.push_back(sender->Name()); };
    }
  }

  TestForm& form_ = app_.CreateForm<TestForm>("Form2");
  GroupBox* path_box_ = new GroupBox(&form_, "GroupBox2");
  GroupBox* accounts_box_ = new GroupBox(&form_, "GroupBox1");
  BitBtn* choose_ = new BitBtn(&form_, "BitBtn3");
  ListBox* accounts_ = new ListBox(&form_, "ListBox1");
  BitBtn* apply_ = new BitBtn(&form_, "BitBtn1");
  BitBtn* cancel_ = new BitBtn(&form_, "BitBtn2");
  std::vector<std::string> clicked_;
};

TEST_F(TabOrderTest, TabGoesThroughTheContainersInOrderAndRoundAgain) {
  EXPECT_EQ(form_.FindNextControl(nullptr, true), choose_);
  EXPECT_EQ(form_.FindNextControl(choose_, true), accounts_);
  EXPECT_EQ(form_.FindNextControl(accounts_, true), apply_);
  EXPECT_EQ(form_.FindNextControl(cancel_, true), choose_);
  EXPECT_EQ(form_.FindNextControl(choose_, false), cancel_);
  EXPECT_EQ(form_.FindNextControl(nullptr, false), cancel_);
}

TEST_F(TabOrderTest, TabOrderComesFirstAndHiddenOrDisabledControlsAreSkipped) {
  cancel_->SetTabOrder(0);
  apply_->SetTabOrder(1);
  EXPECT_EQ(form_.FindNextControl(nullptr, true), cancel_);
  EXPECT_EQ(form_.FindNextControl(cancel_, true), apply_);
  EXPECT_EQ(form_.FindNextControl(apply_, true), choose_);
  accounts_box_->SetVisible(false);
  apply_->SetEnabled(false);
  EXPECT_EQ(form_.FindNextControl(choose_, true), cancel_);
}

TEST_F(TabOrderTest, AltAndTheMarkedLetterClicksTheButton) {
  EXPECT_TRUE(form_.HandleMnemonic('a'));
  EXPECT_TRUE(form_.HandleMnemonic('\xFC'));  // the lower-case umlaut finds "&\xDC"
  EXPECT_TRUE(form_.HandleMnemonic('P'));
  EXPECT_FALSE(form_.HandleMnemonic('x'));
  cancel_->SetEnabled(false);
  EXPECT_FALSE(form_.HandleMnemonic('A'));
  EXPECT_EQ(clicked_, (std::vector<std::string>{"BitBtn2", "BitBtn1", "BitBtn3"}));
}

TEST_F(TabOrderTest, MarkedLetterOutsideTheAccentedBlockFoldsToo) {
  apply_->SetCaption("&\x8Aicht");  // S with caron; its small letter is 0x9A
  EXPECT_TRUE(form_.HandleMnemonic('\x9A'));
  EXPECT_EQ(clicked_, (std::vector<std::string>{"BitBtn1"}));
}

}  // namespace
}  // namespace erm::ui
