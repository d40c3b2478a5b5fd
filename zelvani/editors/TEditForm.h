// The form shell of the twelve object editors: the editor's frame at the top, a
// line under it and the OK and Cancel buttons centred below; and the edit
// routine they all share.
//
// OK first reads every number of the frame: a bad one is shown and the form
// stays open with every edit in place, so nothing is half-written. The routine
// writes into the object only when the form closed with OK; Cancel, the Escape
// key and the close box leave it exactly as it was.
#pragma once

#include <string>

#include "platform/ui/Form.h"
#include "zelvani/editors/EditorSupport.h"

namespace zelvani::editors {

struct FormLayout {
  const char* caption;
  const char* frameName;
  int width;
  int height;
  bool screenCenter = false;
  bool clientSize = false;  // the size is the client area's
};

template <class FrameT>
class TEditForm : public ui::Form {
 public:
  explicit TEditForm(const FormLayout& layout) {
    SetName(std::string("T") + layout.caption);
    SetCaption(layout.caption);
    if (layout.clientSize) {
      SetClientSize(layout.width, layout.height);
    } else {
      SetBounds(0, 0, layout.width, layout.height);
    }
    if (layout.screenCenter) SetPosition(ui::FormPosition::ScreenCenter);
    const int width = layout.width;
    const int frameHeight = layout.height - 80;
    frame_ = &Add<FrameT>(layout.frameName);
    frame_->SetBounds(0, 0, width, frameHeight);
    frame_->SetAlignment(ui::Align::Top);
    auto& line = Add<ui::Bevel>("Bevel1");
    line.SetShape(ui::Bevel::Shape::TopLine);
    line.SetBounds(0, frameHeight + 4, width, 2);
    OKBT = &Add<ui::Button>("OKBT");
    OKBT->SetCaption("OK");
    OKBT->SetModalResult(ui::mrOk);
    OKBT->SetBounds(width / 2 - 80, frameHeight + 12, 75, 25);
    CancelBT = &Add<ui::Button>("CancelBT");
    CancelBT->SetCaption("Cancel");
    CancelBT->SetModalResult(ui::mrCancel);
    CancelBT->SetCancel(true);
    CancelBT->SetBounds(width / 2 + 5, frameHeight + 12, 75, 25);
    OnCloseQuery = [this](ui::Form&, bool&) {
      if (ModalResult() == ui::mrOk) frame_->Validate();
    };
  }

  FrameT& EmbeddedFrame() const { return *frame_; }

  ui::Button* OKBT;
  ui::Button* CancelBT;

 private:
  FrameT* frame_;
};

// The edit routine: the object into the form's frame, the form shown modally,
// the frame written back into the same object on OK. True exactly when the
// form closed with OK.
template <class FormT, class Itf>
bool RunEditForm(IDispatch* target) {
  ComPtr<Itf> object = QueryAs<Itf>(target);
  if (!object) throw ComError(E_NOINTERFACE, "The object cannot be edited by this editor");
  FormT form;
  auto& frame = form.EmbeddedFrame();
  if constexpr (requires { frame.LoadList(object.Get()); }) {
    frame.LoadList(object.Get());
  } else {
    frame.LoadItem(object.Get());
  }
  if (form.ShowModal() != ui::mrOk) return false;
  if constexpr (requires { frame.SaveList(object.Get()); }) {
    frame.SaveList(object.Get());
  } else {
    frame.SaveItem(object.Get());
  }
  return true;
}

}  // namespace zelvani::editors
