#include "settings/account_list.h"

namespace erm::settings {

int AccountList::SelectedCount() const {
  int n = 0;
  for (int i = 0; i < Count(); ++i)
    n += Selected(i) ? 1 : 0;
  return n;
}

std::vector<std::string> AccountList::SelectedItems() const {
  std::vector<std::string> items;
  for (int i = 0; i < Count(); ++i) {
    if (Selected(i)) items.push_back(Item(i));
  }
  return items;
}

}  // namespace erm::settings
