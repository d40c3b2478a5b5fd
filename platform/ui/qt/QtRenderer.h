// The on-screen presenter: message boxes as QMessageBox, forms of the headless
// model as windows mirrored by QtFormView, forms known only by their
// description as a small dialog of their texts.
//
// The module registers its factory while it loads (the forms layer loads it on
// the first modal call of the process). The factory gives null when there is
// no display to show anything on (no DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM, or a display that does not answer), so the headless model
// answers as in the tests. Otherwise it makes the QApplication when the host
// has none, on the calling thread, which becomes the thread windows are shown
// on.
//
// A form's modal loop runs on that thread until Form::ModalDone(). A message
// box asked for from another thread is shown by that thread while one of its
// modal loops runs; when none runs it is answered as the headless presenter
// answers it, because nobody could see it.
#pragma once

#include <memory>

#include "platform/ui/Presenter.h"

namespace ui::qt {

class COM_API QtRenderer final : public Presenter {
 public:
  QtRenderer();
  ~QtRenderer() override;

  int ShowMessage(const MessageBoxRequest& request) override;
  int ShowModal(const FormRequest& request) override;
  void RunModal(Form& form) override;

  // How many modal loops of this renderer are running now (any thread may ask).
  int LoopDepth() const;

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

// The renderer when a display can show it, else null.
COM_API std::shared_ptr<Presenter> MakeQtRenderer();
// Whether the environment names a display that answers, or a Qt platform.
COM_API bool DisplayAvailable();

}  // namespace ui::qt
