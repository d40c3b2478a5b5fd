// The control's window: the definitions of what QAVECRForm.h declares.
#include "corvatin/control/QAVECRForm.h"

#include "corvatin/control/QAVECRObj.h"

namespace corvatin {

TQAVECRForm::TQAVECRForm() : TQAVECRForm(nullptr) { engine_ = std::make_unique<TQAVECRObj>(); }

TQAVECRForm::TQAVECRForm(std::unique_ptr<TQAVECRObj> engine) : engine_(std::move(engine)) {
  SetBounds(left_, top_, kSize, kSize);
}

TQAVECRForm::~TQAVECRForm() = default;

void TQAVECRForm::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  if (FormCanResize(width, height)) {
    width_ = width;
    height_ = height;
  }
}

void TQAVECRForm::Click() {
  if (OnClick) OnClick();
}

bool TQAVECRForm::FormCanResize(int& newWidth, int& newHeight) {
  newWidth = kSize;
  newHeight = kSize;
  return true;
}

}  // namespace corvatin
