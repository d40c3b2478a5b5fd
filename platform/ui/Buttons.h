// Buttons of the headless model: push buttons that may close their form with a
// modal result, check boxes and radio buttons.
//
// When the events fire:
// - Button.OnClick: only when a person clicks it (Click in UserActions.h, or
//   Enter/Escape answered by the default/cancel button). The button's
//   ModalResult, when not 0, is given to its form before OnClick runs, as the
//   toolkit does; the form then closes after the action unless its
//   OnCloseQuery refuses or the handler sets the result back to 0.
// - CheckBox.OnClick: on every change of Checked, by a person or by code.
// - RadioButton.OnClick: whenever the button becomes checked, by a person or
//   by code; becoming unchecked (because a sibling was checked) fires nothing.
//   Checking an already checked radio button changes nothing and fires nothing.
//   Radio buttons with the same parent form one group.
#pragma once

#include "platform/ui/Control.h"

namespace ui {

class COM_API Button : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::Button; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // The result given to the form when clicked; 0 = none.
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  // Answers the Enter key / the Escape key of its form.
  bool Default() const { return default_; }
  void SetDefault(bool value) { default_ = value; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }

  NotifyEvent OnClick;

  // What a click does, without the checks of a person's action (UserActions.h
  // makes those): the modal result to the form, then OnClick.
  void PerformClick();

 private:
  std::string caption_;
  int modalResult_ = 0;
  bool default_ = false;
  bool cancel_ = false;
};

class COM_API CheckBox : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::CheckBox; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool Checked() const { return checked_; }
  // Fires OnClick when the state changes.
  void SetChecked(bool checked);

  NotifyEvent OnClick;

 private:
  std::string caption_;
  bool checked_ = false;
};

class COM_API RadioButton : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::RadioButton; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool Checked() const { return checked_; }
  // Checking unchecks the other radio buttons of the same parent (silently)
  // and then fires OnClick; unchecking fires nothing. No change, no event.
  void SetChecked(bool checked);

  NotifyEvent OnClick;

 private:
  std::string caption_;
  bool checked_ = false;
};

}  // namespace ui
