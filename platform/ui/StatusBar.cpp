#include "platform/ui/StatusBar.h"

namespace ui {

void StatusBar::SetSimplePanel(bool simple) {
  if (simplePanel_ == simple) return;
  simplePanel_ = simple;
  Changed(Property::Panels);
}

void StatusBar::SetSimpleText(std::string text) {
  if (simpleText_ == text) return;
  simpleText_ = std::move(text);
  Changed(Property::Panels);
}

void StatusBar::SetPanelCount(int count) {
  if (count < 0) count = 0;
  if (PanelCount() == count) return;
  panels_.resize(static_cast<size_t>(count));
  Changed(Property::Panels);
}

const std::string& StatusBar::PanelText(int index) const {
  if (index < 0 || index >= PanelCount()) throw std::out_of_range("no panel " + std::to_string(index) + " in " + Name());
  return panels_[static_cast<size_t>(index)];
}

void StatusBar::SetPanelText(int index, std::string text) {
  if (index < 0 || index >= PanelCount()) throw std::out_of_range("no panel " + std::to_string(index) + " in " + Name());
  if (panels_[static_cast<size_t>(index)] == text) return;
  panels_[static_cast<size_t>(index)] = std::move(text);
  Changed(Property::Panels);
}

}  // namespace ui
