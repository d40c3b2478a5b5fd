// The on-screen mirror of a form of the headless model (or of a frame shown on
// its own): one Qt widget per control, kept in step with the model, and a
// person's input turned into the user-level calls of UserActions.h.
//
// The model is the only state. A change of the model reaches the view through
// the form's observers and is written into the widget with its signals blocked,
// so it never comes back as input; a person's input goes through the same call
// a test makes (TypeInto, Click, Toggle, SelectPage, ...) and afterwards the
// control's widget shows the model's state again, which undoes whatever the
// widget let the person do that the model refused. No exception leaves a slot:
// a refused action is dropped, anything else is shown as the default handler
// shows it.
//
// Controls are laid out in rows and columns, not at their pixel positions: the
// freely placed controls are cut into rows where no control spans the gap
// between them, each row into columns the same way, and so on, except that
// controls designed in columns of several each keep their columns and share
// each column's width; a label right above a control captions it. Controls aligned to an edge or to the client
// area take that edge or the rest. The pixel sizes give the share of spare
// room each control takes and the form's initial size, grown where its controls
// need more room to show their texts whole: a check list is as large as its
// items, a tree as wide as its captions and those it keeps room for (up to
// three times its designed width, taken once when the window opens), a tool
// bar as wide as all its buttons, a label beside other controls as wide as
// designed; a button alone in its row keeps its side.
#pragma once

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/ui/Form.h"

class QLayout;
class QWidget;
class QShortcut;

namespace ui::qt {

class COM_API QtFormView {
 public:
  explicit QtFormView(Control& root);
  ~QtFormView();
  QtFormView(const QtFormView&) = delete;
  QtFormView& operator=(const QtFormView&) = delete;

  // The top-level widget: a window for a form, a plain widget for a frame.
  QWidget* Window() const { return window_; }
  // The widget mirroring a control; null for controls without one (action
  // lists, actions, image lists).
  QWidget* WidgetOf(const Control& control) const;
  // The widget of the control named NAME (the first one depth first).
  QWidget* WidgetOf(std::string_view name) const;

  // Runs a person's input on CONTROL: the user-level call, with every
  // exception kept inside, then the widget shows the model's state again.
  void Route(Control& control, const std::function<void()>& call);

 private:
  // A control placed freely, with the label that captions it; its designed
  // extent from left/top to right/bottom.
  struct Unit {
    int left, top, right, bottom;
    Control* control;
    Control* label;
    bool sideways, down;  // takes spare width / height
  };
  enum class Place { Left, Centre, Right };
  Place PlaceOf(int from, int to) const;
  std::vector<Unit> Units(const std::vector<Control*>& controls);
  QLayout* Cut(std::vector<Unit> units, int depth);
  QLayout* UnitLayout(const Unit& unit);

  void Build(Control& control, QWidget* parent);
  QWidget* Create(Control& control, QWidget* parent);
  void Arrange(Control& container);
  void OnChanged(Control& control, Property what);
  void Sync(Control& control, Property what);
  void SyncAll(Control& control);
  void SyncKind(Control& control, Property what);
  void SyncColor(Control& control, QWidget* widget);
  void SyncToolButton(Control& button);
  void SyncShortcut(Control& action);
  void RebuildTree(Control& tree);

  Control& root_;
  QWidget* window_ = nullptr;
  int subscription_ = 0;
  std::unordered_map<const Control*, QWidget*> widgets_;
  std::unordered_map<const Control*, QShortcut*> shortcuts_;
  // The designed width of the container being arranged.
  int arrangeWidth_ = 0;
  // Set while the view writes the model's state into widgets.
  int pushing_ = 0;
};

}  // namespace ui::qt
