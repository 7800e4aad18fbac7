// Menus: the menu bar of a form and the popup menu. A menu item with items of its own opens a
// submenu; one without is a command; the caption "-" makes a separator line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/types.h"

namespace erm::ui {

class Menu;

class MenuItem : public Component {
 public:
  MenuItem(Component* owner, std::string name);
  ~MenuItem() override;

  // The text, with "&" before the letter of the keyboard shortcut; "-" for a separator.
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool IsSeparator() const { return caption_ == "-"; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  // The item a double-click chooses; shown in bold.
  bool Default() const { return default_; }
  void SetDefault(bool value);

  // Appends an item to this item's submenu.
  void Add(MenuItem* item);
  void Remove(MenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  MenuItem* Item(int index) const;
  MenuItem* ParentItem() const { return parent_; }
  // The number the system reports when the item is chosen.
  uint32_t Command() const { return command_; }
  // The item with that number among this one and everything below it, or nullptr.
  MenuItem* FindCommand(uint32_t command);

  // Chooses the item: runs OnClick when the item is enabled.
  void Click();

  NotifyEvent OnClick;

 private:
  friend class Menu;
  void ItemChanged();

  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool default_ = false;
  std::vector<MenuItem*> items_;
  MenuItem* parent_ = nullptr;
  Menu* menu_ = nullptr;  // set on the root item of a menu
  uint32_t command_;
};

class Application;

class Menu : public Component {
 public:
  // The owner is a form, or a component owned by one.
  Menu(Component* owner, std::string name);
  // The invisible root: its items are the menu's top-level items.
  MenuItem& Items() { return items_; }
  const MenuItem& Items() const { return items_; }
  Application& GetApplication() const { return app_; }

 protected:
  friend class MenuItem;
  virtual void MenuChanged() {}

 private:
  Application& app_;
  MenuItem items_;
};

// The menu bar of a form (Form::SetMenu). Items on the bar without items of their own are
// commands on the bar itself.
class MainMenu : public Menu {
 public:
  MainMenu(Component* owner, std::string name);

 protected:
  void MenuChanged() override;
};

class PopupMenu : public Menu {
 public:
  PopupMenu(Component* owner, std::string name);

  // Whether the menu opens by itself where a control asks for it (the tray icon honours this).
  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool auto_popup) { auto_popup_ = auto_popup; }
  // The component that opened the menu last.
  Component* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(Component* component) { popup_component_ = component; }

  // Opens the menu at a screen position and waits until it closes; the chosen item is clicked.
  void Popup(int x, int y);

  void Notification(Component* component, Operation operation) override;

  NotifyEvent OnPopup;

 private:
  bool auto_popup_ = true;
  Component* popup_component_ = nullptr;
};

}  // namespace erm::ui
