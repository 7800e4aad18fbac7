#include "ui/form.h"

#include <algorithm>
#include <vector>

#include "platform/error.h"
#include "platform/text_case.h"
#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/menus.h"

namespace erm::ui {

Application& ApplicationOf(Component* owner) {
  for (Component* c = owner; c != nullptr; c = c->Owner()) {
    if (auto* form = dynamic_cast<Form*>(c)) return form->GetApplication();
  }
  throw Error("Die Komponente geh\xF6rt zu keinem Formular");
}

Form::Form(Application& app, std::string name) : Container(app, std::move(name)) {
  SetVisibleState(false);
  auto peer = app.Peers().CreateFormPeer(*this);
  form_peer_ = peer.get();
  AttachPeer(std::move(peer));
  app.FormCreated(this);
}

Form::~Form() {
  DestroyComponents();
  GetApplication().FormDestroyed(this);
}

void Form::AfterConstruction() {
  LoadComponents();
  GetApplication().RunGuarded([this] {
    if (OnCreate) OnCreate(this);
  });
}

void Form::SetVisible(bool visible) {
  if (visible == Visible()) return;
  Application& app = GetApplication();
  SetVisibleState(visible);
  app.UpdateVisible();
  if (visible) {
    app.RunGuarded([this] {
      if (OnShow) OnShow(this);
    });
    if (!Visible()) return;  // OnShow hid it again
    if (!shown_before_) {
      shown_before_ = true;
      if (position_ == FormPosition::kScreenCenter) form_peer_->CenterOnScreen();
    }
  } else {
    app.StopFlashing(this);
    app.RunGuarded([this] {
      if (OnHide) OnHide(this);
    });
    if (Visible()) return;
  }
  Changed(Change::kVisible);
}

void Form::Show() {
  const bool was_visible = Visible();
  SetVisible(true);
  BringToFront();
  if (flash_in_background_ && Visible()) GetApplication().FlashUntilActive(this);
  if (announce_as_alert_ && !was_visible && Visible()) form_peer_->RaiseAlert();
}

void Form::BringToFront() {
  form_peer_->BringToFront();
}

int Form::ShowModal() {
  if (Visible() || !Enabled() || modal_) {
    throw Error("Aus einem sichtbaren Fenster kann kein modales gemacht werden");
  }
  Application& app = GetApplication();
  platform::Desktop& desktop = app.Desktop();
  platform::WindowHandle was_active = desktop.GetForegroundWindow();
  modal_ = true;
  std::vector<platform::WindowHandle> disabled = app.DisableTaskWindows(Handle());
  // Whatever way the loop is left, the other windows must come back.
  struct Restore {
    Form& form;
    Application& app;
    std::vector<platform::WindowHandle>& disabled;
    platform::WindowHandle was_active;
    ~Restore() {
      form.modal_ = false;
      // A destructor must not throw: what hiding raises (a hook's error) ends in the report.
      app.RunGuarded([this] {
        // Enabled before the form hides, so that the system hands the activation back to one
        // of the program's windows rather than to another program.
        app.EnableTaskWindows(disabled);
        form.Hide();
        Form* active = app.FindForm(was_active);
        if (active != nullptr && active->Visible()) app.Desktop().SetForegroundWindow(was_active);
      });
    }
  } restore{*this, app, disabled, was_active};
  Show();
  modal_result_ = kMrNone;
  while (modal_result_ == kMrNone) {
    app.HandleMessage();
    if (app.Terminated()) {
      modal_result_ = kMrCancel;
    } else if (modal_result_ != kMrNone) {
      CloseModal();
    }
  }
  return modal_result_;
}

void Form::CloseModal() {
  GetApplication().RunGuarded([this] {
    CloseAction action = CloseAction::kNone;
    try {
      if (CloseQuery()) {
        action = CloseAction::kHide;
        if (OnClose) OnClose(this, action);
      }
    } catch (const std::exception&) {
      // A close that failed keeps the form open; reset before the report shows, so that a result
      // set while the report is open still counts.
      modal_result_ = kMrNone;
      throw;
    }
    if (action == CloseAction::kNone) modal_result_ = kMrNone;
  });
}

bool Form::CloseQuery() {
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(this, can_close);
  return can_close;
}

void Form::Close() {
  if (modal_) {
    modal_result_ = kMrCancel;
    return;
  }
  if (!CloseQuery()) return;
  CloseAction action = CloseAction::kHide;
  if (OnClose) OnClose(this, action);
  if (action == CloseAction::kNone) return;
  Application& app = GetApplication();
  if (app.MainForm() == this) {
    app.Terminate();
  } else if (action == CloseAction::kMinimize) {
    app.Minimize();
  } else {
    Hide();
  }
}

bool Form::HandleDialogKey(DialogKey key, Control* focused) {
  // A user who tabbed to "Abbrechen" and presses Enter means that button, not the default one.
  if (BitBtn* button = FocusedButton(focused); button != nullptr && key == DialogKey::kEnter) {
    button->Click();
    return true;
  }
  BitBtn* button = key == DialogKey::kEnter ? DefaultButton() : CancelButton();
  if (button == nullptr) return false;
  button->Click();
  return true;
}

namespace {

bool VisibleOnForm(const Control& control, const Form& form);

void CollectTabStops(Container& container, const Form& form, std::vector<Control*>& stops) {
  std::vector<Control*> children = container.Controls();
  std::stable_sort(children.begin(), children.end(), [](Control* a, Control* b) {
    int ta = a->TabOrder() < 0 ? 1 << 30 : a->TabOrder();
    int tb = b->TabOrder() < 0 ? 1 << 30 : b->TabOrder();
    return ta < tb;
  });
  for (Control* child : children) {
    if (!VisibleOnForm(*child, form) || !child->Enabled()) continue;
    if (child->TabStop()) stops.push_back(child);
    if (auto* inner = dynamic_cast<Container*>(child)) CollectTabStops(*inner, form, stops);
  }
}

// The letter a caption marks with "&" ("&&" is a plain "&"), folded to lower case, or 0.
unsigned char MnemonicOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return platform::FoldCp1252Case(static_cast<unsigned char>(caption[i + 1]));
  }
  return 0;
}

}  // namespace

Control* Form::FindNextControl(Control* current, bool forward) {
  std::vector<Control*> stops;
  CollectTabStops(*this, *this, stops);
  if (stops.empty()) return nullptr;
  auto at = std::find(stops.begin(), stops.end(), current);
  if (at == stops.end()) return forward ? stops.front() : stops.back();
  size_t index = static_cast<size_t>(at - stops.begin());
  size_t count = stops.size();
  return stops[forward ? (index + 1) % count : (index + count - 1) % count];
}

bool Form::HandleLetterOnButton(Control* focused, char letter) {
  if (FocusedButton(focused) == nullptr || static_cast<unsigned char>(letter) <= ' ') return false;
  return HandleMnemonic(letter);
}

bool Form::HandleMnemonic(char letter) {
  unsigned char wanted = platform::FoldCp1252Case(static_cast<unsigned char>(letter));
  for (Component* c : Components()) {
    auto* button = dynamic_cast<BitBtn*>(c);
    if (button == nullptr || button->ParentForm() != this || !button->Enabled() ||
        !VisibleOnForm(*button, *this) || MnemonicOf(button->Caption()) != wanted) {
      continue;
    }
    button->Click();
    return true;
  }
  return false;
}

namespace {

// Whether the control would be seen with the form: it and its parents below the form are visible.
bool VisibleOnForm(const Control& control, const Form& form) {
  for (const Control* c = &control; c != nullptr && c != &form; c = c->Parent()) {
    if (!c->Visible()) return false;
  }
  return true;
}

template <class Pick>
BitBtn* FindButton(Form& form, Pick pick) {
  for (Component* c : form.Components()) {
    auto* button = dynamic_cast<BitBtn*>(c);
    if (button != nullptr && pick(*button) && button->ParentForm() == &form &&
        VisibleOnForm(*button, form) && button->Enabled()) {
      return button;
    }
  }
  return nullptr;
}

}  // namespace

BitBtn* Form::FocusedButton(Control* focused) {
  auto* button = dynamic_cast<BitBtn*>(focused);
  if (button == nullptr || button->ParentForm() != this || !button->Enabled() ||
      !VisibleOnForm(*button, *this)) {
    return nullptr;
  }
  return button;
}

BitBtn* Form::DefaultButton() {
  return FindButton(*this, [](const BitBtn& b) { return b.Default(); });
}

BitBtn* Form::CancelButton() {
  return FindButton(*this, [](const BitBtn& b) { return b.Cancel(); });
}

void Form::SetBorderStyle(BorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  Changed(Change::kState);
}

void Form::SetBorderIcons(BorderIcons icons) {
  if (icons == border_icons_) return;
  border_icons_ = icons;
  Changed(Change::kState);
}

void Form::SetFormStyle(FormStyle style) {
  if (style == form_style_) return;
  form_style_ = style;
  Changed(Change::kState);
}

void Form::SetClientSize(int width, int height) {
  if (width == client_width_ && height == client_height_) return;
  client_width_ = width;
  client_height_ = height;
  Changed(Change::kBounds);
  Realign();
}

void Form::SetMenu(MainMenu* menu) {
  if (menu == menu_) return;
  menu_ = menu;
  form_peer_->MenuChanged();
}

void Form::Notification(Component* component, Operation operation) {
  if (operation == Operation::kRemove && component == menu_) {
    menu_ = nullptr;
    if (!Destroying()) form_peer_->MenuChanged();
  }
  Container::Notification(component, operation);
}

}  // namespace erm::ui
