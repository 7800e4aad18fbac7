// The component: an object with a name that belongs to an owner. An owner destroys the
// components it owns (the last created first), calls Loaded on them once its stored properties
// are applied, and tells them when one of its components goes away, so that references to it
// can be dropped.
#pragma once

#include <string>
#include <vector>

namespace erm::ui {

enum class Operation { kInsert, kRemove };

class Component {
 public:
  // A component with an owner is created with new and belongs to the owner from then on.
  explicit Component(Component* owner, std::string name = {});
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Component* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::vector<Component*>& Components() const { return components_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // The owned component of that name, or nullptr.
  Component* FindComponent(const std::string& name) const;
  // True from the start of the destructor on, so that a component being torn down is left alone.
  bool Destroying() const { return destroying_; }

  // Called once the owner has applied the stored properties of all its components.
  virtual void Loaded() {}
  // Called on every component of an owner when a component joins or leaves that owner (the one
  // concerned included, while it is still whole).
  virtual void Notification(Component* component, Operation operation);

  // Runs Loaded on every owned component, in creation order.
  void LoadComponents();

 protected:
  // Destroys the owned components, the last created first. A derived class whose components
  // depend on its own members calls this from its destructor.
  void DestroyComponents();

 private:
  void InsertComponent(Component* component);
  void RemoveComponent(Component* component);

  Component* owner_ = nullptr;
  std::string name_;
  std::vector<Component*> components_;
  bool destroying_ = false;
};

}  // namespace erm::ui
