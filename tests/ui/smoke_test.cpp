#include "ui/buttons.h"
#include "ui/list_box.h"
#include "ui/menus.h"
#include "ui/std_controls.h"
#include "ui/timer.h"
#include "ui/tool_bar.h"
#include "ui/tree_view.h"
#include "ui/ui_fixture.h"

namespace erm::ui {
namespace {

TEST_F(UiTest, Smoke) {
  auto& form = app_.CreateForm<TestForm>();
  auto* bar = new ToolBar(&form, "ToolBar1");
  bar->SetParent(&form);
  auto* label = new Label(&form, "Label1");
  label->SetParent(bar);
  auto* tree = new TreeView(&form, "TreeView1");
  tree->SetParent(&form);
  auto* timer = new Timer(&form, "Timer1");
  (void)timer;
  form.Finish();
  form.Show();
  EXPECT_TRUE(desktop_.IsWindowVisible(app_.Handle()));
}

}  // namespace
}  // namespace erm::ui
