#include "ui/menus.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/form.h"

namespace erm::ui {

namespace {

// Command numbers start above the dialog results (IDOK, IDCANCEL, ...) that share WM_COMMAND.
uint32_t NextCommand() {
  static uint32_t next = 0x0100;
  return next++;
}

}  // namespace

MenuItem::MenuItem(Component* owner, std::string name)
    : Component(owner, std::move(name)), command_(NextCommand()) {}

MenuItem::~MenuItem() {
  for (MenuItem* item : items_)
    item->parent_ = nullptr;
  items_.clear();
  if (parent_ != nullptr) parent_->Remove(this);
}

void MenuItem::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  ItemChanged();
}

void MenuItem::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  ItemChanged();
}

void MenuItem::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  ItemChanged();
}

void MenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  ItemChanged();
}

void MenuItem::SetDefault(bool value) {
  if (value == default_) return;
  default_ = value;
  ItemChanged();
}

void MenuItem::Add(MenuItem* item) {
  if (item == nullptr || item == this) return;
  if (item->parent_ != nullptr) item->parent_->Remove(item);
  item->parent_ = this;
  items_.push_back(item);
  ItemChanged();
}

void MenuItem::Remove(MenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  ItemChanged();
}

MenuItem* MenuItem::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

MenuItem* MenuItem::FindCommand(uint32_t command) {
  if (command == command_ && menu_ == nullptr) return this;
  for (MenuItem* item : items_) {
    if (MenuItem* found = item->FindCommand(command)) return found;
  }
  return nullptr;
}

void MenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

void MenuItem::ItemChanged() {
  MenuItem* root = this;
  while (root->parent_ != nullptr)
    root = root->parent_;
  if (root->menu_ != nullptr && !root->menu_->Destroying()) root->menu_->MenuChanged();
}

Menu::Menu(Component* owner, std::string name)
    : Component(owner, std::move(name)), app_(ApplicationOf(owner)), items_(nullptr, {}) {
  items_.menu_ = this;
}

MainMenu::MainMenu(Component* owner, std::string name) : Menu(owner, std::move(name)) {}

void MainMenu::MenuChanged() {
  for (Form* form : GetApplication().Forms()) {
    if (form->Menu() == this) form->Peer().MenuChanged();
  }
}

PopupMenu::PopupMenu(Component* owner, std::string name) : Menu(owner, std::move(name)) {}

void PopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  std::vector<MenuItem*> shown;
  std::vector<platform::PopupMenuEntry> entries;
  for (int i = 0; i < Items().Count(); ++i) {
    MenuItem* item = Items().Item(i);
    if (!item->Visible()) continue;
    shown.push_back(item);
    entries.push_back({item->Caption(), item->Default(), item->Enabled(), item->Checked()});
  }
  if (entries.empty()) return;
  Application& app = GetApplication();
  int chosen = app.Desktop().TrackPopupMenu(app.Handle(), entries, x, y);
  if (chosen >= 0 && chosen < static_cast<int>(shown.size())) {
    shown[static_cast<size_t>(chosen)]->Click();
  }
}

void PopupMenu::Notification(Component* component, Operation operation) {
  if (operation == Operation::kRemove && component == popup_component_) {
    popup_component_ = nullptr;
  }
  Menu::Notification(component, operation);
}

}  // namespace erm::ui
