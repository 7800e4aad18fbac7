#include "ui/list_box.h"

#include <algorithm>
#include <numeric>

#include "platform/text_case.h"

namespace erm::ui {

namespace {

const std::string kNoLine;

}  // namespace

ListBox::ListBox(Component* owner, std::string name) : Control(owner, std::move(name)) {
  SetTabStop(true);
  SetColor(kColorWindow);
  auto peer = Peers().CreateListBoxPeer(*this);
  list_peer_ = peer.get();
  AttachPeer(std::move(peer));
}

void ListBox::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  if (!sorted_) return;
  std::vector<size_t> order(items_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
    return platform::CompareTextIgnoringCase(items_[a], items_[b]) < 0;
  });
  std::vector<std::string> items;
  std::vector<bool> selected;
  for (size_t i : order) {
    items.push_back(std::move(items_[i]));
    selected.push_back(selected_[i]);
  }
  items_ = std::move(items);
  selected_ = std::move(selected);
  list_peer_->ItemsCleared();
  for (int i = 0; i < Count(); ++i)
    list_peer_->ItemInserted(i);
}

void ListBox::SetMultiSelect(bool multi_select) {
  if (multi_select == multi_select_) return;
  multi_select_ = multi_select;
  Changed(Change::kState);
}

void ListBox::SetExtendedSelect(bool extended_select) {
  if (extended_select == extended_select_) return;
  extended_select_ = extended_select;
  Changed(Change::kState);
}

const std::string& ListBox::Item(int index) const {
  if (index < 0 || index >= Count()) return kNoLine;
  return items_[static_cast<size_t>(index)];
}

int ListBox::SortedPosition(const std::string& line) const {
  auto it = std::upper_bound(items_.begin(), items_.end(), line,
                             [](const std::string& a, const std::string& b) {
                               return platform::CompareTextIgnoringCase(a, b) < 0;
                             });
  return static_cast<int>(it - items_.begin());
}

int ListBox::Add(std::string line) {
  int index = sorted_ ? SortedPosition(line) : Count();
  items_.insert(items_.begin() + index, std::move(line));
  selected_.insert(selected_.begin() + index, false);
  list_peer_->ItemInserted(index);
  return index;
}

void ListBox::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  selected_.erase(selected_.begin() + index);
  list_peer_->ItemDeleted(index);
}

void ListBox::Clear() {
  items_.clear();
  selected_.clear();
  list_peer_->ItemsCleared();
}

bool ListBox::Selected(int index) const {
  if (index < 0 || index >= Count()) return false;
  return selected_[static_cast<size_t>(index)];
}

void ListBox::SetSelected(int index, bool selected) {
  if (index < 0 || index >= Count()) return;
  if (!multi_select_ && selected) {
    for (int i = 0; i < Count(); ++i) {
      if (i != index && selected_[static_cast<size_t>(i)]) {
        selected_[static_cast<size_t>(i)] = false;
        list_peer_->SelectionChanged(i);
      }
    }
  }
  if (selected_[static_cast<size_t>(index)] == selected) return;
  selected_[static_cast<size_t>(index)] = selected;
  list_peer_->SelectionChanged(index);
}

int ListBox::SelCount() const {
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

int ListBox::ItemIndex() const {
  auto it = std::find(selected_.begin(), selected_.end(), true);
  return it == selected_.end() ? -1 : static_cast<int>(it - selected_.begin());
}

void ListBox::PeerSelectionChanged(int index, bool selected) {
  if (index < 0 || index >= Count()) return;
  selected_[static_cast<size_t>(index)] = selected;
}

}  // namespace erm::ui
