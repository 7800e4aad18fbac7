// The list box: lines of text with a selection. A sorted list keeps its lines in ascending order
// without regard to case (platform::CompareTextIgnoringCase, the due list's order), a new line
// after the equal ones already there; the object keeps that order itself and the real control
// only mirrors it line by line.
#pragma once

#include <string>
#include <vector>

#include "ui/control.h"

namespace erm::ui {

class ListBox : public Control {
 public:
  ListBox(Component* owner, std::string name);

  bool Sorted() const { return sorted_; }
  // Turning sorting on sorts the lines that are there.
  void SetSorted(bool sorted);
  // Several lines can be selected; with ExtendedSelect through Shift and Ctrl clicks.
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool multi_select);
  bool ExtendedSelect() const { return extended_select_; }
  void SetExtendedSelect(bool extended_select);

  int Count() const { return static_cast<int>(items_.size()); }
  const std::vector<std::string>& Items() const { return items_; }
  // The line at an index; empty outside the list.
  const std::string& Item(int index) const;
  // Adds a line, at its sorted place in a sorted list, else at the end; returns its index.
  int Add(std::string line);
  // Removes a line; an index outside the list is passed over.
  void Delete(int index);
  void Clear();

  // False outside the list.
  bool Selected(int index) const;
  // Selects or deselects a line; in a single-selection list selecting one deselects the other.
  // An index outside the list is passed over.
  void SetSelected(int index, bool selected);
  int SelCount() const;
  // The first selected line, or -1.
  int ItemIndex() const;

  ListBoxPeer& Peer() { return *list_peer_; }
  // For peers: the user changed the selection of a line in the real control.
  void PeerSelectionChanged(int index, bool selected);

 private:
  int SortedPosition(const std::string& line) const;

  ListBoxPeer* list_peer_ = nullptr;
  bool sorted_ = false;
  bool multi_select_ = false;
  bool extended_select_ = true;
  std::vector<std::string> items_;
  std::vector<bool> selected_;
};

}  // namespace erm::ui
