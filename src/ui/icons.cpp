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
  images_.clear();
}

bool ImageList::AddIconResource(int resource_id) {
  platform::IconHandle icon = app_.Desktop().LoadIconResource(resource_id, width_);
  if (icon == 0) return false;
  images_.push_back(icon);
  return true;
}

void ImageList::Add(platform::IconHandle icon) {
  images_.push_back(icon);
}

void ImageList::Clear() {
  images_.clear();
}

bool ImageList::GetIcon(int index, Icon& icon) const {
  if (index < 0 || index >= Count()) return false;
  icon.SetHandle(images_[static_cast<size_t>(index)]);
  return true;
}

}  // namespace erm::ui
