// Icons and image lists. An Icon refers to an icon image by its handle and tells whoever listens
// when the image changes; an ImageList holds icons loaded from the program's resources.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "ui/component.h"

namespace erm::ui {

class Application;

class Icon {
 public:
  Icon() = default;
  Icon(const Icon&) = delete;
  Icon& operator=(const Icon&) = delete;

  // 0 while the icon holds no image.
  platform::IconHandle Handle() const { return handle_; }
  bool Empty() const { return handle_ == 0; }
  // Shows another image; OnChange follows.
  void SetHandle(platform::IconHandle handle);
  // Takes the other icon's image; OnChange follows.
  void Assign(const Icon& other) { SetHandle(other.handle_); }

  std::function<void(Icon* sender)> OnChange;

 private:
  platform::IconHandle handle_ = 0;
};

class ImageList : public Component {
 public:
  // The owner is a form, or a component owned by one.
  ImageList(Component* owner, std::string name);

  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int width, int height);
  int Count() const { return static_cast<int>(images_.size()); }

  // Appends the program's icon resource at the list's size; false when there is none.
  bool AddIconResource(int resource_id);
  void Add(platform::IconHandle icon);
  void Clear();
  // Loads every image again from its resource at another size, as a list drawn for the
  // screen's DPI needs when the DPI changes. False, the list unchanged, when an image was not
  // loaded from a resource or its resource is missing at the new size.
  bool ReloadAtSize(int width, int height);
  // Copies image `index` into the icon; false (the icon unchanged) outside the list.
  bool GetIcon(int index, Icon& icon) const;

 private:
  Application& app_;
  int width_ = 16;
  int height_ = 16;
  std::vector<platform::IconHandle> images_;
  std::vector<int> resource_ids_;  // per image; 0 for one added by its handle
};

}  // namespace erm::ui
