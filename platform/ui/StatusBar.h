// The status bar of the headless model: either one simple text across the bar
// or a row of panels, each with its text. Code writes it; a person never does.
#pragma once

#include "platform/ui/Control.h"

namespace ui {

class COM_API StatusBar : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::StatusBar; }

  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool simple);
  const std::string& SimpleText() const { return simpleText_; }
  void SetSimpleText(std::string text);

  int PanelCount() const { return static_cast<int>(panels_.size()); }
  void SetPanelCount(int count);
  // std::out_of_range outside 0..PanelCount()-1.
  const std::string& PanelText(int index) const;
  void SetPanelText(int index, std::string text);

 private:
  bool simplePanel_ = false;
  std::string simpleText_;
  std::vector<std::string> panels_;
};

}  // namespace ui
