// The headless control model: the base of every control a form is made of, and
// the small passive controls (panel, frame, label, bevel).
//
// A control lives in a tree: a form (or a frame tested on its own) is the root,
// and every control is owned by its parent, created with Add<T>(name, ...). The
// names are those the forms' code uses ("IDED", "OKBT"), so a test or a renderer
// finds a control with Find/FindAs.
//
// Every change of a control's state notifies the observers of that control and
// of each of its ancestors with the property that changed; a renderer subscribes
// to the form and mirrors the change into its widget. A notification is sent
// only when the value really changed, so a renderer that writes a value back
// into the model (through the user-level calls of UserActions.h) causes no
// further notification and no loop.
//
// Texts are ANSI (Windows-1250) strings, as everywhere inside the system.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/types.h"

namespace ui {

class Control;
class Form;

// A person's action the model refuses because a person could not do it
// (typing into a read-only edit, clicking a disabled or hidden button, choosing
// an item that is not in the list, reaching a form under another modal form).
class COM_API ActionRefused : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// A modal form shown, or a person's action made, on a thread other than the one
// that created the first form of the process.
class COM_API WrongThread : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// What kind of control an object is, for a renderer choosing its widget.
enum class ControlKind {
  Form,
  Frame,
  Panel,
  Label,
  Bevel,
  Button,
  CheckBox,
  RadioButton,
  Edit,
  Memo,
  RichEdit,
  ComboBox,
  CheckListBox,
  TreeView,
  PageControl,
  TabSheet,
  ToolBar,
  ToolButton,
  ActionList,
  Action,
  ImageList,
  StatusBar,
};

// What changed, in a notification.
enum class Property {
  Children,     // a child control was added
  Visible,
  Enabled,
  Bounds,       // Left, Top, Width, Height, Align
  Color,        // Color, ParentColor
  Hint,
  Caption,
  Text,         // the text of an edit, memo or rich edit (also its Lines)
  ReadOnly,
  Checked,      // a check box, radio button or an item of a check list box
  Items,        // the items of a combo box or check list box
  ItemIndex,
  Nodes,        // the nodes of a tree view or a node's text
  Selected,     // a tree view's selected node
  ActivePage,
  Action,       // the action of a tool button, or an action's own properties
  Images,
  Panels,       // a status bar's texts and mode
  ModalResult,
  Modal,        // a form entered or left its modal loop, or may now close
  Focus,        // a form's active control
  Appearance,   // fonts, styles and display flags
};

using Observer = std::function<void(Control& control, Property what)>;
using NotifyEvent = std::function<void(Control& sender)>;

// Where a control sits in its parent; the renderer lays out rows, so this is a
// hint, as are the pixel sizes.
enum class Align { None, Top, Bottom, Left, Right, Client };

// Colours: the system's window colour for editable controls, the face colour of
// dialogs; a control with ParentColor takes its parent's.
using Color = std::uint32_t;
constexpr Color clWindow = 0xFF000005;
constexpr Color clBtnFace = 0xFF00000F;

class COM_API Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  virtual ControlKind Kind() const = 0;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // ---- the tree ---------------------------------------------------------------
  Control* Parent() const { return parent_; }
  const std::vector<std::unique_ptr<Control>>& Children() const { return children_; }
  // Creates a child control owned by this one, named `name`, constructed with
  // `args`.
  template <class T, class... Args>
  T& Add(std::string name, Args&&... args) {
    auto child = std::make_unique<T>(std::forward<Args>(args)...);
    T& ref = *child;
    Adopt(std::move(child), std::move(name));
    return ref;
  }
  // The first descendant with that name, depth first; null when none.
  Control* Find(std::string_view name) const;
  // The descendant with that name as a T; throws std::out_of_range when there is
  // none or it is of another class.
  template <class T>
  T& FindAs(std::string_view name) const {
    T* found = dynamic_cast<T*>(Find(name));
    if (!found) throw std::out_of_range("no control " + std::string(name) + " of the expected kind");
    return *found;
  }
  // The form this control is on (itself for a form), null for a tree without one.
  Form* OwnerForm();
  Control& Root();

  // ---- state ------------------------------------------------------------------
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Visible, and so is every ancestor; on a page control, only the controls of
  // the active page are showing.
  bool Showing() const;
  // Enabled, and so is every ancestor.
  bool EnabledInTree() const;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int left, int top, int width, int height);
  Align Alignment() const { return align_; }
  void SetAlignment(Align align);

  Color ControlColor() const { return color_; }
  void SetColor(Color color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool parentColor);

  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);

  // ---- observers --------------------------------------------------------------
  // Observers of a control hear of its changes and of those of its descendants.
  // The id unsubscribes; an observer may unsubscribe while being notified.
  int Subscribe(Observer observer);
  void Unsubscribe(int id);

 protected:
  Control() = default;
  // Tells the observers of this control and its ancestors that `what` changed.
  void Changed(Property what);
  // Runs `event` with exceptions passing to the caller; a helper for the
  // controls' event firing.
  template <class Event, class... Args>
  static void Fire(const Event& event, Args&&... args) {
    if (event) event(std::forward<Args>(args)...);
  }

 private:
  void Adopt(std::unique_ptr<Control> child, std::string name);

  std::string name_;
  Control* parent_ = nullptr;
  std::vector<std::unique_ptr<Control>> children_;
  bool visible_ = true;
  bool enabled_ = true;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  Align align_ = Align::None;
  Color color_ = clBtnFace;
  bool parentColor_ = false;
  std::string hint_;
  struct Subscription {
    int id;
    Observer observer;
  };
  std::vector<Subscription> observers_;
  int nextObserverId_ = 1;
};

// A plain container.
class COM_API Panel : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::Panel; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

 private:
  std::string caption_;
};

// A reusable group of controls embedded in a form or another frame; the frames
// of the editors derive from it and create their controls in their constructor.
class COM_API Frame : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::Frame; }
};

class COM_API Label : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::Label; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // The caption in the bold face of the form's font.
  bool Bold() const { return bold_; }
  void SetBold(bool bold);

 private:
  std::string caption_;
  bool bold_ = false;
};

// A line or box that only separates other controls.
class COM_API Bevel : public Control {
 public:
  enum class Shape { Box, TopLine, LeftLine };
  ControlKind Kind() const override { return ControlKind::Bevel; }
  Shape BevelShape() const { return shape_; }
  void SetShape(Shape shape);

 private:
  Shape shape_ = Shape::Box;
};

}  // namespace ui
