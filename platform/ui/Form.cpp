#include "platform/ui/Form.h"

#include <atomic>
#include <mutex>

#include "platform/ui/dialogs.h"
#include "platform/win/application.h"
#include "platform/win/input.h"
#include "platform/win/threads.h"

namespace ui {

namespace {

std::atomic<DWORD> formsThread{0};

// The forms in their modal loop, innermost last; only the forms' thread
// touches it.
std::vector<Form*>& ModalStack() {
  static std::vector<Form*> stack;
  return stack;
}

}  // namespace

DWORD FormsThreadId() { return formsThread.load(); }

void CheckFormsThread(const char* what) {
  const DWORD owner = formsThread.load();
  const DWORD caller = GetCurrentThreadId();
  if (owner != 0 && owner != caller)
    throw WrongThread(std::string(what) + ": forms are shown on the thread that created the first form (thread " +
                      std::to_string(owner) + "), not on thread " + std::to_string(caller));
}

Form* TopModalForm() {
  if (formsThread.load() != GetCurrentThreadId()) return nullptr;
  auto& stack = ModalStack();
  return stack.empty() ? nullptr : stack.back();
}

void HandleException() {
  std::string text;
  try {
    throw;
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "Unknown exception";
  }
  std::string caption = win::App().Title();
  if (caption.empty()) caption = "Error";
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

Form::Form() {
  DWORD expected = 0;
  formsThread.compare_exchange_strong(expected, GetCurrentThreadId());
}

Form::~Form() {
  // A form destroyed inside its own loop (an exception unwinding through a
  // presenter) must not stay on the stack.
  if (inModalLoop_) std::erase(ModalStack(), this);
}

void Form::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

void Form::SetBorder(BorderStyle border) {
  if (border_ == border) return;
  border_ = border;
  Changed(Property::Appearance);
}

void Form::SetClientSize(int width, int height) {
  if (clientWidth_ == width && clientHeight_ == height) return;
  clientWidth_ = width;
  clientHeight_ = height;
  Changed(Property::Bounds);
}

void Form::SetActiveControl(Control* control) {
  if (activeControl_ == control) return;
  activeControl_ = control;
  Changed(Property::Focus);
}

void Form::SetModalResult(int result) {
  if (modalResult_ == result) return;
  modalResult_ = result;
  Changed(Property::ModalResult);
}

int Form::ShowModal() {
  CheckFormsThread("ShowModal");
  if (inModalLoop_) throw std::logic_error("ShowModal: the form " + Name() + " is already modal");
  // The first form may have been made on this thread before any other form
  // existed; a form made elsewhere still shows here only.
  DWORD expected = 0;
  formsThread.compare_exchange_strong(expected, GetCurrentThreadId());
  std::shared_ptr<Presenter> presenter = ModalPresenter();
  SetModalResult(mrNone);
  modalDone_ = false;
  inModalLoop_ = true;
  ModalStack().push_back(this);
  Changed(Property::Modal);
  struct Leave {
    Form& form;
    ~Leave() {
      std::erase(ModalStack(), &form);
      form.inModalLoop_ = false;
      form.Changed(Property::Modal);
    }
  } leave{*this};
  Perform([this] {
    if (OnShow) OnShow(*this);
  });
  if (!modalDone_) presenter->RunModal(*this);
  if (!modalDone_) ForceEnd(mrCancel);
  return modalResult_;
}

void Form::Perform(const std::function<void()>& action) {
  if (!inModalLoop_) {
    action();
    return;
  }
  try {
    action();
  } catch (...) {
    HandleException();
  }
  CloseIfDone();
}

void Form::CloseIfDone() {
  if (modalDone_ || modalResult_ == mrNone) return;
  bool canClose = true;
  try {
    if (OnCloseQuery) OnCloseQuery(*this, canClose);
  } catch (...) {
    SetModalResult(mrNone);
    HandleException();
    return;
  }
  if (!canClose) {
    SetModalResult(mrNone);
    return;
  }
  modalDone_ = true;
  Changed(Property::Modal);
}

bool Form::EndModal(int result) {
  if (!inModalLoop_ || modalDone_) return modalDone_;
  Perform([&] { SetModalResult(result); });
  return modalDone_;
}

void Form::ForceEnd(int result) {
  SetModalResult(result == mrNone ? mrCancel : result);
  if (!modalDone_) {
    modalDone_ = true;
    Changed(Property::Modal);
  }
}

namespace {

void CollectButtons(const Control& c, std::vector<const Button*>& out) {
  for (const auto& child : c.Children()) {
    if (auto* b = dynamic_cast<const Button*>(child.get())) out.push_back(b);
    CollectButtons(*child, out);
  }
}

void CollectTexts(const Control& c, std::vector<std::pair<std::string, std::string>>& out) {
  for (const auto& child : c.Children()) {
    if (auto* l = dynamic_cast<const Label*>(child.get()))
      out.emplace_back(l->Name(), l->Caption());
    else if (auto* b = dynamic_cast<const Button*>(child.get()))
      out.emplace_back(b->Name(), b->Caption());
    CollectTexts(*child, out);
  }
}

}  // namespace

int Form::EscapeResult() const {
  std::vector<const Button*> buttons;
  CollectButtons(*this, buttons);
  for (const Button* b : buttons)
    if (b->Cancel() && b->ModalResult() != mrNone) return b->ModalResult();
  return mrCancel;
}

FormRequest Form::Describe() const {
  FormRequest request;
  request.name = Name();
  request.caption = caption_;
  CollectTexts(*this, request.texts);
  request.defaultResult = EscapeResult();
  return request;
}

bool IsTabStop(const Control& control) {
  switch (control.Kind()) {
    case ControlKind::Edit:
    case ControlKind::Memo:
    case ControlKind::RichEdit:
    case ControlKind::ComboBox:
    case ControlKind::CheckListBox:
    case ControlKind::TreeView:
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::PageControl:
      return true;
    default:
      return false;
  }
}

namespace {

void CollectTabStops(const Control& c, std::vector<Control*>& out) {
  for (const auto& child : c.Children()) {
    if (IsTabStop(*child)) out.push_back(child.get());
    CollectTabStops(*child, out);
  }
}

}  // namespace

std::vector<Control*> TabOrder(const Control& root) {
  std::vector<Control*> stops;
  CollectTabStops(root, stops);
  return stops;
}

WaitCursor::WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}

WaitCursor::~WaitCursor() { SetCursor(static_cast<HCURSOR>(previous_)); }

}  // namespace ui
