// What a person can do to a form, as calls: tests script a person with them and
// a renderer routes a person's input through them, so both see the same rules.
//
// Each call first checks that a person could do it and throws ActionRefused
// when not: the control must be showing (visible, its ancestors visible, on the
// active page) and enabled with its ancestors, and, while some form is modal,
// on the innermost modal form; an edit must not be read-only; an index must
// name an item. On a thread other than the forms' thread it throws WrongThread.
// The action then runs through Form::Perform of the control's form, so inside a
// modal loop an exception from an event handler becomes a message box and a
// modal result closes the form (a control outside any form runs plainly).
#pragma once

#include <string_view>

#include "platform/ui/Form.h"

namespace ui {

// Replaces the whole text as a person selecting all and typing would (one
// change, one OnChange). A single-line edit refuses a text with more CR or LF
// bytes than it holds: a person cannot type a line break there, but one put
// there by code survives an edit of the rest.
COM_API void TypeInto(CustomEdit& edit, std::string_view text);
// Types at the end of the text.
COM_API void TypeAtEnd(CustomEdit& edit, std::string_view text);
// Leaves SHOWN in a single-line edit as a person does on screen, where the
// edit shows its control bytes in the escape notation (ShowControlBytes): what
// the person did not touch keeps its bytes, what the person typed is read in
// the notation when the edit reads it and taken as typed when not
// (ReadShownText). SHOWN itself holds no line break: a person cannot type one
// (refused), though a name typed in an edit that reads the notation gives one.
COM_API void TypeShown(Edit& edit, std::string_view shown);

// A push button: its modal result to the form, then OnClick.
COM_API void Click(Button& button);
// A tool button: its action (which must be enabled) or its OnClick.
COM_API void Click(ToolButton& button);
// A check box: toggles it (OnClick follows the change).
COM_API void Click(CheckBox& box);
// A radio button: checks it (OnClick when it was not checked).
COM_API void Check(RadioButton& button);

// Toggles item `index` of a check list box, then OnClickCheck.
COM_API void Toggle(CheckListBox& list, int index);
// Selects item `index` of a check list box (no check change), then OnClick.
COM_API void SelectItem(CheckListBox& list, int index);

// Chooses item `index` of a combo box: OnChange then OnSelect when it differs
// from the selected one.
COM_API void ChooseItem(ComboBox& combo, int index);
// Chooses the item with exactly that text; refused when there is none.
COM_API void ChooseItem(ComboBox& combo, std::string_view text);

// Selects a node of a tree view (OnChange when the selection changes).
COM_API void Select(TreeNode& node);

// Selects a page by a click on its tab: OnChanging, then the change and
// OnChange unless refused. Refused for a page whose tab is hidden or disabled.
// Returns whether the page changed.
COM_API bool SelectPage(PageControl& pages, int index);
COM_API bool SelectPage(TabSheet& page);

// Runs an action by its shortcut; refused when it is disabled or hidden.
COM_API void Execute(Action& action);

// The Tab key (Shift+Tab when BACK): the keyboard focus (the form's active
// control) moves to the next (previous) control of TabOrder that shows and is
// enabled, round from the last to the first; from no control, to the first.
COM_API void PressTab(Form& form, bool back = false);

// Keys of the whole form: Enter clicks the visible, enabled default button and
// Escape the cancel button (nothing when there is none); the close box closes
// with mrCancel (OnCloseQuery may refuse).
COM_API void PressEnter(Form& form);
COM_API void PressEscape(Form& form);
COM_API void CloseBox(Form& form);

}  // namespace ui
