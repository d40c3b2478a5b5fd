// The presenter: whatever shows message boxes and modal forms to a person. The
// system's code never draws anything itself; it asks the process-wide presenter,
// which a host installs (an on-screen renderer) and a test replaces (a recording
// presenter that answers at once). Without either, the headless presenter answers
// every box with its default button and every form with its default result, and
// writes message boxes to the standard error stream so that an unattended run
// still leaves them in its log.
//
// A form of the control model (Form.h) is shown through RunModal, which runs its
// modal loop; a presenter that knows only requests by name gets the form's
// description and its answer closes the form.
//
// Texts are ANSI (Windows-1250) strings, as everywhere inside the system.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/dialogs.h"

namespace ui {

class Form;

struct MessageBoxRequest {
  std::string text;
  std::string caption;
  UINT style = MB_OK;
};

// A modal form shown by name: the form's resource name, its caption, the texts of
// its named components (labels, buttons) in the order the form lists them, and
// the result its default button gives.
struct COM_API FormRequest {
  std::string name;
  std::string caption;
  std::vector<std::pair<std::string, std::string>> texts;
  int defaultResult = IDOK;

  // The text of a component, empty when the form has no such component.
  std::string Text(const std::string& component) const;
};

class COM_API Presenter {
 public:
  virtual ~Presenter();
  // Shows a message box and returns the pressed button.
  virtual int ShowMessage(const MessageBoxRequest& request) = 0;
  // Shows a form modally and returns its modal result.
  virtual int ShowModal(const FormRequest& request) = 0;
  // Runs the modal loop of a form of the control model and returns when
  // form.ModalDone() (Form::ShowModal ends the loop with mrCancel if it returns
  // earlier). A person's actions go through the user-level calls of
  // UserActions.h. By default: the answer of ShowModal(form.Describe()) closes
  // the form as a person would, and when the form refuses to close it is ended
  // with mrCancel.
  virtual void RunModal(Form& form);
};

// The answer of the default button of a message box style: the first, second or
// third button as MB_DEFBUTTONn chooses (the first when there are fewer buttons);
// 0 for a style without a known set of buttons.
COM_API int DefaultButtonResult(UINT style);

class COM_API HeadlessPresenter final : public Presenter {
 public:
  int ShowMessage(const MessageBoxRequest& request) override;
  int ShowModal(const FormRequest& request) override;
};

// The current presenter (the headless one when none is installed).
COM_API std::shared_ptr<Presenter> CurrentPresenter();
// Installs a presenter for the whole process and returns the one it replaces;
// null goes back to the headless presenter. A box already being shown keeps the
// presenter it was given.
COM_API std::shared_ptr<Presenter> SetPresenter(std::shared_ptr<Presenter> presenter);

// The presenter of a modal call (a message box, a form): the installed one;
// when none is installed, the renderer's (Renderer.h) if one can be set up,
// installed once for the process; else the headless one.
COM_API std::shared_ptr<Presenter> ModalPresenter();

// Installs a presenter for the lifetime of the object, then restores the
// previous one.
class ScopedPresenter {
 public:
  explicit ScopedPresenter(std::shared_ptr<Presenter> presenter) : previous_(SetPresenter(std::move(presenter))) {}
  ~ScopedPresenter() { SetPresenter(std::move(previous_)); }
  ScopedPresenter(const ScopedPresenter&) = delete;
  ScopedPresenter& operator=(const ScopedPresenter&) = delete;

 private:
  std::shared_ptr<Presenter> previous_;
};

}  // namespace ui
