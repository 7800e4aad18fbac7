#include "ui/icons.h"

#include "ui/application.h"
#include "ui/form.h"

namespace erm::ui {

void Icon::SetHandle(platform::IconHandle handle) {
  handle_ = handle;
  if (OnChange) OnChange(this);
}

ImageList::ImageList(Component* owner, std::string name)
    : Component(owner, std::move(name)), app_(ApplicationOf(owner)) {}

void ImageList::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
  Clear();
}

bool ImageList::AddIconResource(int resource_id) {
  platform::IconHandle icon = app_.Desktop().LoadIconResource(resource_id, width_);
  if (icon == 0) return false;
  images_.push_back(icon);
  resource_ids_.push_back(resource_id);
  return true;
}

void ImageList::Add(platform::IconHandle icon) {
  images_.push_back(icon);
  resource_ids_.push_back(0);
}

void ImageList::Clear() {
  images_.clear();
  resource_ids_.clear();
}

bool ImageList::ReloadAtSize(int width, int height) {
  std::vector<platform::IconHandle> images;
  for (int resource_id : resource_ids_) {
    const platform::IconHandle icon =
        resource_id == 0 ? 0 : app_.Desktop().LoadIconResource(resource_id, width);
    if (icon == 0) return false;
    images.push_back(icon);
  }
  width_ = width;
  height_ = height;
  images_ = std::move(images);
  return true;
}

bool ImageList::GetIcon(int index, Icon& icon) const {
  if (index < 0 || index >= Count()) return false;
  icon.SetHandle(images_[static_cast<size_t>(index)]);
  return true;
}

}  // namespace erm::ui
