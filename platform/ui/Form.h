// The form of the headless model: a top-level control shown modally with a
// modal result. Including this file gives every control of the model.
//
// ShowModal sets the modal result to 0, fires OnShow and hands the form to the
// presenter (Presenter.h), which runs the modal loop: a renderer waits for a
// person, a recording presenter plays a test's script, the headless presenter
// closes the form at once as the Escape key would. A person's actions during
// the loop go through Perform (the user-level calls of UserActions.h do that):
// an exception raised by an event handler is shown as an error message box and
// the loop goes on, as the home platform's default handler does; after each
// action a modal result other than 0 (set by a button or by code) closes the
// form, unless OnCloseQuery says it cannot close (the result goes back to 0 and
// the form stays open; an exception in OnCloseQuery does the same and is shown).
//
// Forms are shown on the thread that created the first form of the process;
// ShowModal and a person's actions on another thread throw WrongThread. While a
// form is modal, a person can act only on it (and on forms it shows in turn).
#pragma once

#include <functional>

#include "platform/ui/Buttons.h"
#include "platform/ui/Control.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Lists.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/Presenter.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/ToolBar.h"
#include "platform/ui/TreeView.h"

namespace ui {

// Modal results: the numbers of the message box answers.
constexpr int mrNone = 0;
constexpr int mrOk = IDOK;
constexpr int mrCancel = IDCANCEL;
constexpr int mrAbort = IDABORT;
constexpr int mrRetry = IDRETRY;
constexpr int mrIgnore = IDIGNORE;
constexpr int mrYes = IDYES;
constexpr int mrNo = IDNO;

enum class FormPosition { Designed, ScreenCenter };

// Sizeable: a person may resize the window, which has minimize and maximize
// buttons. Dialog: the window keeps its size and its title bar has the system
// menu (the close box) only.
enum class BorderStyle { Sizeable, Dialog };

class COM_API Form : public Control {
 public:
  // The first form created in the process fixes the thread forms are shown on.
  Form();
  ~Form() override;
  ControlKind Kind() const override { return ControlKind::Form; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  FormPosition Position() const { return position_; }
  void SetPosition(FormPosition position) { position_ = position; }
  BorderStyle Border() const { return border_; }
  void SetBorder(BorderStyle border);
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);

  // The control that has the keyboard focus; null = none.
  Control* ActiveControl() const { return activeControl_; }
  void SetActiveControl(Control* control);

  int ModalResult() const { return modalResult_; }
  // A result other than 0 closes a modal form after the current action.
  void SetModalResult(int result);

  // Shows the form modally and returns its modal result. Throws WrongThread on
  // a thread other than the forms' thread; a form already modal throws
  // std::logic_error.
  int ShowModal();
  // Between the start and the end of ShowModal.
  bool InModalLoop() const { return inModalLoop_; }
  // The modal loop may end: a result was set and the form agreed to close.
  bool ModalDone() const { return modalDone_; }

  NotifyEvent OnShow;
  std::function<void(Form& sender, bool& canClose)> OnCloseQuery;

  // ---- for presenters and the user-level calls --------------------------------
  // Runs a person's action on this form. Inside the modal loop an exception is
  // shown as a message box (HandleException) and the form closes when the
  // action left a modal result; outside it the action runs plainly and its
  // exceptions pass to the caller.
  void Perform(const std::function<void()>& action);
  // Closes the form with `result` as a person would (the close box gives
  // mrCancel): OnCloseQuery may refuse. Returns ModalDone().
  bool EndModal(int result);
  // Ends the modal loop with `result` without asking the form (the host is
  // closing, or a presenter gives up on a form that refuses to close).
  void ForceEnd(int result);
  // The answer of the Escape key: the modal result of the form's cancel button,
  // mrCancel when it has none. An unattended run answers it.
  int EscapeResult() const;
  // The form as a request of the older presenter interface: name, caption, the
  // captions of its labels and buttons in order, and EscapeResult as the
  // default.
  FormRequest Describe() const;

 private:
  void CloseIfDone();

  std::string caption_;
  FormPosition position_ = FormPosition::Designed;
  BorderStyle border_ = BorderStyle::Sizeable;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  Control* activeControl_ = nullptr;
  int modalResult_ = mrNone;
  bool inModalLoop_ = false;
  bool modalDone_ = false;
};

// Whether a person reaches the control with the Tab key (when it shows and is
// enabled): edits, memos, combo boxes, check lists, trees, buttons, check
// boxes, radio buttons and the tabs of a page control. Tool buttons are
// reached by mouse and by their actions' shortcuts only, as on the home
// platform; labels, bevels and containers are never reached.
COM_API bool IsTabStop(const Control& control);
// The tab stops under ROOT in the order Tab visits them: depth first, each
// parent's children in the order they were made. Those that do not show or
// are disabled are listed too; Tab passes over them.
COM_API std::vector<Control*> TabOrder(const Control& root);

// The thread forms are shown on: the one that created the first form; 0 before.
COM_API DWORD FormsThreadId();
// Throws WrongThread when the calling thread is not the forms' thread (nothing
// before the first form).
COM_API void CheckFormsThread(const char* what);
// The innermost form in its modal loop on the forms' thread; null when none.
COM_API Form* TopModalForm();

// Shows the exception being handled (call it inside a catch block) as the home
// platform's default handler does: an error message box with one OK button,
// the exception's message as its text and the application's title (or
// "Error" when it has none) as its caption.
COM_API void HandleException();

// Shows the hourglass cursor while the object lives, then the cursor before.
class COM_API WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  void* previous_;
};

}  // namespace ui

