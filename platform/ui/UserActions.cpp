#include "platform/ui/UserActions.h"

#include <algorithm>

namespace ui {

namespace {

[[noreturn]] void Refuse(const char* what, const Control& control, const std::string& why) {
  throw ActionRefused(std::string(what) + ": " + (control.Name().empty() ? "the control" : control.Name()) + " " + why);
}

// A person can reach the control: it shows, it and its parents are enabled,
// and it is on the innermost modal form (when one is modal) that has not closed.
void CheckReachable(Control& control, const char* what) {
  CheckFormsThread(what);
  if (!control.Showing()) Refuse(what, control, "is not showing");
  if (!control.EnabledInTree()) Refuse(what, control, "is disabled");
  Form* form = control.OwnerForm();
  if (Form* top = TopModalForm(); top && form != top)
    Refuse(what, control, "is not on the modal form " + top->Name());
  if (form && form->InModalLoop() && form->ModalDone()) Refuse(what, control, "is on a form that has closed");
}

void CheckIndex(const char* what, const Control& control, int index, int count) {
  if (index < 0 || index >= count) Refuse(what, control, "has no item " + std::to_string(index));
}

// Runs the action as the form's modal loop runs a person's action.
void Run(Control& control, const std::function<void()>& action) {
  if (Form* form = control.OwnerForm())
    form->Perform(action);
  else
    action();
}

// `result` is the text the edit would hold. A person cannot type a line break
// into a single-line edit, but one that code put there (a separator holding CR)
// survives the person's editing of the rest, as it does when a renderer hands
// back the whole text.
void CheckTypable(CustomEdit& edit, std::string_view result, const char* what) {
  CheckReachable(edit, what);
  if (edit.ReadOnly()) Refuse(what, edit, "is read-only");
  if (edit.MultiLine()) return;
  const std::string before = edit.Text();
  for (char c : {'\r', '\n'})
    if (std::count(result.begin(), result.end(), c) > std::count(before.begin(), before.end(), c))
      Refuse(what, edit, "takes a single line");
}

template <class T>
T* FindButton(const Control& c, bool (Button::*flag)() const) {
  for (const auto& child : c.Children()) {
    if (auto* b = dynamic_cast<Button*>(child.get()); b && (b->*flag)() && b->Showing() && b->EnabledInTree())
      return b;
    if (T* found = FindButton<T>(*child, flag)) return found;
  }
  return nullptr;
}

}  // namespace

void TypeInto(CustomEdit& edit, std::string_view text) {
  CheckTypable(edit, text, "TypeInto");
  Run(edit, [&] { edit.SetText(text); });
}

void TypeAtEnd(CustomEdit& edit, std::string_view text) {
  const std::string result = edit.Text() + std::string(text);
  CheckTypable(edit, result, "TypeAtEnd");
  Run(edit, [&] { edit.SetText(result); });
}

void TypeShown(Edit& edit, std::string_view shown) {
  CheckReachable(edit, "TypeShown");
  if (edit.ReadOnly()) Refuse("TypeShown", edit, "is read-only");
  if (shown.find_first_of("\r\n") != std::string_view::npos) Refuse("TypeShown", edit, "takes a single line");
  const std::string text = ReadShownText(shown, edit.Text(), edit.ReadsNotation());
  Run(edit, [&] { edit.SetText(text); });
}

void Click(Button& button) {
  CheckReachable(button, "Click");
  Run(button, [&] { button.PerformClick(); });
}

void Click(ToolButton& button) {
  CheckReachable(button, "Click");
  if (Action* action = button.BoundAction(); action && (!action->Enabled() || !action->Visible()))
    Refuse("Click", button, "runs the disabled action " + action->Name());
  Run(button, [&] { button.PerformClick(); });
}

void Click(CheckBox& box) {
  CheckReachable(box, "Click");
  Run(box, [&] { box.SetChecked(!box.Checked()); });
}

void Check(RadioButton& button) {
  CheckReachable(button, "Check");
  Run(button, [&] { button.SetChecked(true); });
}

void Toggle(CheckListBox& list, int index) {
  CheckReachable(list, "Toggle");
  CheckIndex("Toggle", list, index, list.ItemCount());
  Run(list, [&] {
    list.SetItemIndex(index);
    list.SetChecked(index, !list.Checked(index));
    if (list.OnClickCheck) list.OnClickCheck(list);
  });
}

void SelectItem(CheckListBox& list, int index) {
  CheckReachable(list, "SelectItem");
  CheckIndex("SelectItem", list, index, list.ItemCount());
  Run(list, [&] {
    list.SetItemIndex(index);
    if (list.OnClick) list.OnClick(list);
  });
}

void ChooseItem(ComboBox& combo, int index) {
  CheckReachable(combo, "ChooseItem");
  CheckIndex("ChooseItem", combo, index, combo.ItemCount());
  if (combo.ItemIndex() == index) return;
  Run(combo, [&] {
    combo.SetItemIndex(index);
    if (combo.OnChange) combo.OnChange(combo);
    if (combo.OnSelect) combo.OnSelect(combo);
  });
}

void ChooseItem(ComboBox& combo, std::string_view text) {
  for (int i = 0; i < combo.ItemCount(); ++i)
    if (combo.Items()[static_cast<size_t>(i)] == text) return ChooseItem(combo, i);
  CheckReachable(combo, "ChooseItem");
  Refuse("ChooseItem", combo, "has no item \"" + std::string(text) + "\"");
}

void Select(TreeNode& node) {
  TreeView& tree = node.Owner();
  CheckReachable(tree, "Select");
  Run(tree, [&] { tree.SetSelected(&node); });
}

bool SelectPage(PageControl& pages, int index) {
  CheckReachable(pages, "SelectPage");
  CheckIndex("SelectPage", pages, index, pages.PageCount());
  return SelectPage(pages.Page(index));
}

bool SelectPage(TabSheet& page) {
  PageControl& pages = page.Pages();
  CheckReachable(pages, "SelectPage");
  if (!page.TabVisible() || !page.Visible()) Refuse("SelectPage", page, "has no tab to click");
  if (!page.Enabled()) Refuse("SelectPage", page, "is disabled");
  bool changed = false;
  Run(pages, [&] { changed = pages.ChangePage(page); });
  return changed;
}

void Execute(Action& action) {
  CheckFormsThread("Execute");
  if (!action.Enabled() || !action.Visible()) Refuse("Execute", action, "is disabled");
  Form* form = action.OwnerForm();
  if (Form* top = TopModalForm(); top && form != top)
    Refuse("Execute", action, "is not on the modal form " + top->Name());
  Run(action, [&] { action.Execute(); });
}

void PressTab(Form& form, bool back) {
  CheckReachable(form, "PressTab");
  const std::vector<Control*> stops = TabOrder(form);
  const auto n = static_cast<std::ptrdiff_t>(stops.size());
  const auto at = std::find(stops.begin(), stops.end(), form.ActiveControl()) - stops.begin();
  // From no control the walk starts before the first (or after the last).
  const std::ptrdiff_t start = at < n ? at : (back ? 0 : n - 1);
  for (std::ptrdiff_t step = 1; step <= n; ++step) {
    Control* next = stops[static_cast<size_t>(((start + (back ? -step : step)) % n + n) % n)];
    if (next->Showing() && next->EnabledInTree()) {
      form.Perform([&] { form.SetActiveControl(next); });
      return;
    }
  }
}

void PressEnter(Form& form) {
  CheckReachable(form, "PressEnter");
  if (Button* b = FindButton<Button>(form, &Button::Default)) Click(*b);
}

void PressEscape(Form& form) {
  CheckReachable(form, "PressEscape");
  if (Button* b = FindButton<Button>(form, &Button::Cancel)) Click(*b);
}

void CloseBox(Form& form) {
  CheckReachable(form, "CloseBox");
  form.Perform([&] { form.SetModalResult(mrCancel); });
}

}  // namespace ui
