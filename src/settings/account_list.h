// The account list: the accounts found in the planner's konten folder, in the order the file
// system lists them, with a selection that is the set of chosen accounts. The options dialog's
// multi-select list box implements it in the program; MemoryAccountList serves tools and tests.
#pragma once

#include <string>
#include <vector>

namespace erm::settings {

class AccountList {
 public:
  virtual ~AccountList() = default;
  virtual void Clear() = 0;
  virtual void Add(const std::string& name) = 0;
  virtual int Count() const = 0;
  virtual std::string Item(int index) const = 0;
  virtual bool Selected(int index) const = 0;
  virtual void SetSelected(int index, bool selected) = 0;

  int SelectedCount() const;
  // The chosen accounts in list order: what the account selection file saves.
  std::vector<std::string> SelectedItems() const;
};

class MemoryAccountList : public AccountList {
 public:
  void Clear() override { entries_.clear(); }
  void Add(const std::string& name) override { entries_.push_back(Entry{name, false}); }
  int Count() const override { return static_cast<int>(entries_.size()); }
  std::string Item(int index) const override {
    return entries_.at(static_cast<size_t>(index)).name;
  }
  bool Selected(int index) const override {
    return entries_.at(static_cast<size_t>(index)).selected;
  }
  void SetSelected(int index, bool selected) override {
    entries_.at(static_cast<size_t>(index)).selected = selected;
  }

 private:
  struct Entry {
    std::string name;
    bool selected = false;
  };
  std::vector<Entry> entries_;
};

}  // namespace erm::settings
