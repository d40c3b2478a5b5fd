#include "platform/ui/RecordingPresenter.h"

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
