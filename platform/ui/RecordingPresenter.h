// A presenter for tests: it records every message box and form it is asked to
// show, in order, and answers at once with a result the test chose (by default
// what the headless presenter would answer). It never blocks, and it may be
// asked from any thread.
#pragma once

#include <mutex>
#include <optional>
#include <vector>

#include "platform/ui/Presenter.h"

namespace ui {

class COM_API RecordingPresenter final : public Presenter {
 public:
  int ShowMessage(const MessageBoxRequest& request) override;
  int ShowModal(const FormRequest& request) override;

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
};

}  // namespace ui
