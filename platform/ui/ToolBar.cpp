#include "platform/ui/ToolBar.h"

namespace ui {

void ImageList::SetImageSize(int width, int height) {
  if (imageWidth_ == width && imageHeight_ == height) return;
  imageWidth_ = width;
  imageHeight_ = height;
  Changed(Property::Images);
}

int ImageList::AddImage(std::vector<std::uint32_t> pixels) {
  images_.push_back(std::move(pixels));
  Changed(Property::Images);
  return Count() - 1;
}

const std::vector<std::uint32_t>& ImageList::Image(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("no image " + std::to_string(index) + " in " + Name());
  return images_[static_cast<size_t>(index)];
}

void Action::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Action);
}

void Action::SetImageIndex(int index) {
  if (imageIndex_ == index) return;
  imageIndex_ = index;
  Changed(Property::Action);
}

void Action::SetShortcut(ShortCut shortcut) {
  if (shortcut_ == shortcut) return;
  shortcut_ = shortcut;
  Changed(Property::Action);
}

bool Action::Execute() {
  if (!OnExecute) return false;
  OnExecute(*this);
  return true;
}

void ActionList::SetImages(ImageList* images) {
  if (images_ == images) return;
  images_ = images;
  Changed(Property::Images);
}

std::vector<Action*> ActionList::Actions() const {
  std::vector<Action*> actions;
  for (const auto& child : Children())
    if (auto* a = dynamic_cast<Action*>(child.get())) actions.push_back(a);
  return actions;
}

void ToolButton::SetAction(Action* action) {
  if (action_ == action) return;
  action_ = action;
  Changed(Property::Action);
}

const std::string& ToolButton::Caption() const { return action_ ? action_->Caption() : caption_; }

void ToolButton::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

int ToolButton::ImageIndex() const { return action_ ? action_->ImageIndex() : imageIndex_; }

void ToolButton::SetImageIndex(int index) {
  if (imageIndex_ == index) return;
  imageIndex_ = index;
  Changed(Property::Images);
}

void ToolButton::SetShowHint(bool value) {
  if (showHint_ == value) return;
  showHint_ = value;
  Changed(Property::Hint);
}

void ToolButton::PerformClick() {
  if (action_)
    action_->Execute();
  else if (OnClick)
    OnClick(*this);
}

void ToolBar::SetImages(ImageList* images) {
  if (images_ == images) return;
  images_ = images;
  Changed(Property::Images);
}

void ToolBar::SetFlat(bool flat) {
  if (flat_ == flat) return;
  flat_ = flat;
  Changed(Property::Appearance);
}

std::vector<ToolButton*> ToolBar::Buttons() const {
  std::vector<ToolButton*> buttons;
  for (const auto& child : Children())
    if (auto* b = dynamic_cast<ToolButton*>(child.get())) buttons.push_back(b);
  return buttons;
}

}  // namespace ui
