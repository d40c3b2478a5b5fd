// List controls of the headless model: the combo box (a drop-down list of
// texts with one selected) and the check list box (texts, each with a check).
//
// When the events fire:
// - ComboBox.OnChange, then ComboBox.OnSelect: only when a person chooses an
//   item other than the selected one (ChooseItem in UserActions.h). Setting
//   ItemIndex or the items by code fires nothing.
// - CheckListBox.OnClickCheck: only when a person toggles a check (Toggle in
//   UserActions.h). SetChecked by code fires nothing.
// - CheckListBox.OnClick: when a person selects an item (SelectItem).
#pragma once

#include "platform/ui/Control.h"

namespace ui {

class COM_API ComboBox : public Control {
 public:
  // DropDownList: a person only chooses among the items; DropDown also lets a
  // person type any text.
  enum class Style { DropDown, DropDownList };

  ComboBox() { SetColor(clWindow); }
  ControlKind Kind() const override { return ControlKind::ComboBox; }
  Style ComboStyle() const { return style_; }
  void SetStyle(Style style);

  const std::vector<std::string>& Items() const { return items_; }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  // Replacing or clearing the items leaves no item selected.
  void SetItems(std::vector<std::string> items);
  void AddItem(std::string item);
  void ClearItems();

  // -1 = none. A value outside -1..count-1 throws std::out_of_range.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  // The selected item's text, empty when none.
  std::string Text() const;

  NotifyEvent OnChange;
  NotifyEvent OnSelect;

 private:
  Style style_ = Style::DropDownList;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

class COM_API CheckListBox : public Control {
 public:
  CheckListBox() { SetColor(clWindow); }
  ControlKind Kind() const override { return ControlKind::CheckListBox; }

  const std::vector<std::string>& Items() const { return items_; }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  // Replacing the items unchecks them all and leaves none selected.
  void SetItems(std::vector<std::string> items);
  void AddItem(std::string item);
  void ClearItems();

  // Out-of-range indexes throw std::out_of_range.
  bool Checked(int index) const;
  void SetChecked(int index, bool checked);
  // The focused item, -1 = none.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);

  NotifyEvent OnClickCheck;
  NotifyEvent OnClick;

 private:
  std::vector<std::string> items_;
  std::vector<bool> checked_;
  int itemIndex_ = -1;
};

}  // namespace ui
