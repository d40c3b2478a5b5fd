#include "platform/ui/RecordingPresenter.h"

#include "platform/ui/Form.h"

namespace ui {

int RecordingPresenter::ShowMessage(const MessageBoxRequest& request) {
  std::lock_guard lock(mutex_);
  messages_.push_back(request);
  return messageAnswer_ ? *messageAnswer_ : DefaultButtonResult(request.style);
}

int RecordingPresenter::ShowModal(const FormRequest& request) {
  std::lock_guard lock(mutex_);
  forms_.push_back(request);
  return formAnswer_ ? *formAnswer_ : request.defaultResult;
}

void RecordingPresenter::RunModal(Form& form) {
  FormScript script;
  std::optional<int> answer;
  {
    std::lock_guard lock(mutex_);
    forms_.push_back(form.Describe());
    if (!scripts_.empty()) {
      script = std::move(scripts_.front());
      scripts_.pop_front();
    }
    answer = formAnswer_;
  }
  // The script runs as a person's actions do: what escapes it is shown (and so
  // recorded) as a message box, and a modal result it leaves closes the form.
  if (script) form.Perform([&] { script(form); });
  if (form.ModalDone()) return;
  if (!form.EndModal(answer ? *answer : form.EscapeResult())) form.ForceEnd(mrCancel);
}

void RecordingPresenter::PlayForm(FormScript script) {
  std::lock_guard lock(mutex_);
  scripts_.push_back(std::move(script));
}

size_t RecordingPresenter::PendingScripts() const {
  std::lock_guard lock(mutex_);
  return scripts_.size();
}

void RecordingPresenter::AnswerMessages(std::optional<int> result) {
  std::lock_guard lock(mutex_);
  messageAnswer_ = result;
}

void RecordingPresenter::AnswerForms(std::optional<int> result) {
  std::lock_guard lock(mutex_);
  formAnswer_ = result;
}

std::vector<MessageBoxRequest> RecordingPresenter::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<FormRequest> RecordingPresenter::Forms() const {
  std::lock_guard lock(mutex_);
  return forms_;
}

void RecordingPresenter::Clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  forms_.clear();
}

}  // namespace ui
