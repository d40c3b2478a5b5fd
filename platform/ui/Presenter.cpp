#include "platform/ui/Presenter.h"

#include <cstdio>
#include <mutex>

#include "platform/com/ansi.h"
#include "platform/ui/Form.h"

namespace ui {

namespace {

std::mutex& PresenterMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<Presenter>& Installed() {
  static std::shared_ptr<Presenter> p;
  return p;
}

const std::shared_ptr<Presenter>& Headless() {
  static const std::shared_ptr<Presenter> p = std::make_shared<HeadlessPresenter>();
  return p;
}

// The answers of the buttons of each message box type, left to right.
struct Buttons {
  int answers[3];
  int count;
};
constexpr Buttons kButtons[] = {
    {{IDOK}, 1},                        // MB_OK
    {{IDOK, IDCANCEL}, 2},              // MB_OKCANCEL
    {{IDABORT, IDRETRY, IDIGNORE}, 3},  // MB_ABORTRETRYIGNORE
    {{IDYES, IDNO, IDCANCEL}, 3},       // MB_YESNOCANCEL
    {{IDYES, IDNO}, 2},                 // MB_YESNO
    {{IDRETRY, IDCANCEL}, 2},           // MB_RETRYCANCEL
};

}  // namespace

std::string FormRequest::Text(const std::string& component) const {
  for (const auto& [name, text] : texts)
    if (name == component) return text;
  return {};
}

Presenter::~Presenter() = default;

int DefaultButtonResult(UINT style) {
  const UINT type = style & MB_TYPEMASK;
  if (type >= std::size(kButtons)) return 0;
  const Buttons& b = kButtons[type];
  const int index = static_cast<int>((style & MB_DEFMASK) >> 8);
  return b.answers[index < b.count ? index : 0];
}

void Presenter::RunModal(Form& form) {
  if (!form.EndModal(ShowModal(form.Describe()))) form.ForceEnd(mrCancel);
}

int HeadlessPresenter::ShowMessage(const MessageBoxRequest& request) {
  const std::string line = AnsiToUtf8(request.caption) + ": " + AnsiToUtf8(request.text) + "\n";
  std::fputs(line.c_str(), stderr);
  return DefaultButtonResult(request.style);
}

int HeadlessPresenter::ShowModal(const FormRequest& request) { return request.defaultResult; }

std::shared_ptr<Presenter> CurrentPresenter() {
  std::lock_guard lock(PresenterMutex());
  return Installed() ? Installed() : Headless();
}

std::shared_ptr<Presenter> SetPresenter(std::shared_ptr<Presenter> presenter) {
  std::lock_guard lock(PresenterMutex());
  std::shared_ptr<Presenter> previous = std::move(Installed());
  Installed() = std::move(presenter);
  return previous;
}

}  // namespace ui

extern "C" int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  if (ui::DefaultButtonResult(type) == 0) return 0;
  ui::MessageBoxRequest request{text ? text : "", caption ? caption : "", type};
  return ui::ModalPresenter()->ShowMessage(request);
}
