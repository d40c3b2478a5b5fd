#include "platform/ui/Control.h"

#include <algorithm>

#include "platform/ui/Form.h"

namespace ui {

Control::~Control() = default;

void Control::Adopt(std::unique_ptr<Control> child, std::string name) {
  child->name_ = std::move(name);
  child->parent_ = this;
  children_.push_back(std::move(child));
  Changed(Property::Children);
}

Control* Control::Find(std::string_view name) const {
  for (const auto& child : children_) {
    if (child->name_ == name) return child.get();
    if (Control* found = child->Find(name)) return found;
  }
  return nullptr;
}

Form* Control::OwnerForm() {
  for (Control* c = this; c; c = c->parent_)
    if (auto* form = dynamic_cast<Form*>(c)) return form;
  return nullptr;
}

Control& Control::Root() {
  Control* c = this;
  while (c->parent_) c = c->parent_;
  return *c;
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Changed(Property::Visible);
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Changed(Property::Enabled);
}

bool Control::Showing() const {
  for (const Control* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
    if (auto* page = dynamic_cast<const TabSheet*>(c))
      if (page->parent_ && page->Pages().ActivePage() != page) return false;
  }
  return true;
}

bool Control::EnabledInTree() const {
  for (const Control* c = this; c; c = c->parent_)
    if (!c->enabled_) return false;
  return true;
}

void Control::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(Property::Bounds);
}

void Control::SetAlignment(Align align) {
  if (align_ == align) return;
  align_ = align;
  Changed(Property::Bounds);
}

void Control::SetColor(Color color) {
  if (color_ == color && !parentColor_) return;
  color_ = color;
  parentColor_ = false;
  Changed(Property::Color);
}

void Control::SetParentColor(bool parentColor) {
  if (parentColor_ == parentColor) return;
  parentColor_ = parentColor;
  if (parentColor && parent_) color_ = parent_->color_;
  Changed(Property::Color);
}

void Control::SetHint(std::string hint) {
  if (hint_ == hint) return;
  hint_ = std::move(hint);
  Changed(Property::Hint);
}

int Control::Subscribe(Observer observer) {
  const int id = nextObserverId_++;
  observers_.push_back({id, std::move(observer)});
  return id;
}

void Control::Unsubscribe(int id) {
  // The entry is emptied rather than erased, so that a notification running
  // over the list stays valid; empty entries are dropped when none runs.
  for (auto& s : observers_)
    if (s.id == id) s.observer = nullptr;
}

void Control::Changed(Property what) {
  for (Control* c = this; c; c = c->parent_) {
    // Copies, so that an observer may subscribe or unsubscribe while notified.
    std::vector<Observer> current;
    for (const auto& s : c->observers_)
      if (s.observer) current.push_back(s.observer);
    std::erase_if(c->observers_, [](const Subscription& s) { return !s.observer; });
    for (const auto& observer : current) observer(*this, what);
  }
}

void Panel::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

void Label::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

void Label::SetBold(bool bold) {
  if (bold_ == bold) return;
  bold_ = bold;
  Changed(Property::Appearance);
}

void Bevel::SetShape(Shape shape) {
  if (shape_ == shape) return;
  shape_ = shape;
  Changed(Property::Appearance);
}

}  // namespace ui
