#include "platform/ui/Lists.h"

namespace ui {

namespace {

void CheckIndex(int index, int count, const std::string& name) {
  if (index < 0 || index >= count)
    throw std::out_of_range("no item " + std::to_string(index) + " in " + name);
}

}  // namespace

void ComboBox::SetStyle(Style style) {
  if (style_ == style) return;
  style_ = style;
  Changed(Property::Appearance);
}

void ComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  itemIndex_ = -1;
  Changed(Property::Items);
}

void ComboBox::AddItem(std::string item) {
  items_.push_back(std::move(item));
  Changed(Property::Items);
}

void ComboBox::ClearItems() { SetItems({}); }

void ComboBox::SetItemIndex(int index) {
  if (index != -1) CheckIndex(index, ItemCount(), Name());
  if (itemIndex_ == index) return;
  itemIndex_ = index;
  Changed(Property::ItemIndex);
}

std::string ComboBox::Text() const { return itemIndex_ < 0 ? std::string() : items_[static_cast<size_t>(itemIndex_)]; }

void CheckListBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  checked_.assign(items_.size(), false);
  itemIndex_ = -1;
  Changed(Property::Items);
}

void CheckListBox::AddItem(std::string item) {
  items_.push_back(std::move(item));
  checked_.push_back(false);
  Changed(Property::Items);
}

void CheckListBox::ClearItems() { SetItems({}); }

bool CheckListBox::Checked(int index) const {
  CheckIndex(index, ItemCount(), Name());
  return checked_[static_cast<size_t>(index)];
}

void CheckListBox::SetChecked(int index, bool checked) {
  CheckIndex(index, ItemCount(), Name());
  if (checked_[static_cast<size_t>(index)] == checked) return;
  checked_[static_cast<size_t>(index)] = checked;
  Changed(Property::Checked);
}

void CheckListBox::SetItemIndex(int index) {
  if (index != -1) CheckIndex(index, ItemCount(), Name());
  if (itemIndex_ == index) return;
  itemIndex_ = index;
  Changed(Property::ItemIndex);
}

}  // namespace ui
