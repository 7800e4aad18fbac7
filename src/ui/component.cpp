#include "ui/component.h"

#include <algorithm>

namespace erm::ui {

Component::Component(Component* owner, std::string name) : name_(std::move(name)) {
  if (owner != nullptr) owner->InsertComponent(this);
}

Component::~Component() {
  destroying_ = true;
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

Component* Component::FindComponent(const std::string& name) const {
  for (Component* c : components_) {
    if (c->name_ == name) return c;
  }
  return nullptr;
}

void Component::Notification(Component* component, Operation operation) {
  // A copy: a component may leave the list while the news goes round.
  std::vector<Component*> components = components_;
  for (Component* c : components) {
    if (std::find(components_.begin(), components_.end(), c) != components_.end()) {
      c->Notification(component, operation);
    }
  }
}

void Component::LoadComponents() {
  std::vector<Component*> components = components_;
  for (Component* c : components)
    c->Loaded();
}

void Component::DestroyComponents() {
  while (!components_.empty()) {
    Component* last = components_.back();
    // Told while it is still whole, then taken out, so that its destructor finds no owner.
    last->destroying_ = true;
    RemoveComponent(last);
    delete last;
  }
}

void Component::InsertComponent(Component* component) {
  component->owner_ = this;
  components_.push_back(component);
  Notification(component, Operation::kInsert);
}

void Component::RemoveComponent(Component* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it == components_.end()) return;
  Notification(component, Operation::kRemove);
  it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
  component->owner_ = nullptr;
}

}  // namespace erm::ui
