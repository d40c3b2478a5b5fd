#include "platform/ui/Buttons.h"

#include "platform/ui/Form.h"

namespace ui {

void Button::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

void Button::PerformClick() {
  // The result first, as the toolkit does: a handler may still set it back.
  if (modalResult_ != mrNone)
    if (Form* form = OwnerForm()) form->SetModalResult(modalResult_);
  if (OnClick) OnClick(*this);
}

void CheckBox::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

void CheckBox::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Changed(Property::Checked);
  if (OnClick) OnClick(*this);
}

void RadioButton::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

void RadioButton::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Changed(Property::Checked);
  if (!checked) return;
  if (Control* parent = Parent())
    for (const auto& sibling : parent->Children())
      if (auto* radio = dynamic_cast<RadioButton*>(sibling.get()); radio && radio != this && radio->checked_) {
        radio->checked_ = false;
        radio->Changed(Property::Checked);
      }
  if (OnClick) OnClick(*this);
}

}  // namespace ui
