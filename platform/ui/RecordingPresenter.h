// A presenter for tests: it records every message box and form it is asked to
// show, in order, and answers at once with a result the test chose (by default
// what the headless presenter would answer). It never blocks, and it may be
// asked from any thread.
//
// A form of the control model is recorded by its description and then played:
// the next script queued with PlayForm acts on it as a person would (through
// UserActions.h) and presses OK or Cancel. An exception escaping the script is
// recorded as a message box, as one from an event handler is. When the script
// leaves the form open, or there is no script, the form is closed with the
// chosen answer (AnswerForms) or its Escape answer, and ended with mrCancel if
// it refuses.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/ui/Presenter.h"

namespace ui {

class COM_API RecordingPresenter final : public Presenter {
 public:
  int ShowMessage(const MessageBoxRequest& request) override;
  int ShowModal(const FormRequest& request) override;
  void RunModal(Form& form) override;

  using FormScript = std::function<void(Form& form)>;
  // Queues a script for the next modal form not yet played (first in, first
  // out; a form shown from inside a script takes the next one).
  void PlayForm(FormScript script);
  // Scripts not yet used.
  size_t PendingScripts() const;

  // The answer to every later message box / form; nullopt goes back to the
  // default answer.
  void AnswerMessages(std::optional<int> result);
  void AnswerForms(std::optional<int> result);

  std::vector<MessageBoxRequest> Messages() const;
  std::vector<FormRequest> Forms() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<MessageBoxRequest> messages_;
  std::vector<FormRequest> forms_;
  std::optional<int> messageAnswer_;
  std::optional<int> formAnswer_;
  std::deque<FormScript> scripts_;
};

}  // namespace ui
