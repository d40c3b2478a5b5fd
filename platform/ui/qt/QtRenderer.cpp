#include "platform/ui/qt/QtRenderer.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/ui/Form.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/qt/QtFormView.h"
#include "platform/ui/qt/QtText.h"

namespace ui::qt {

struct QtRenderer::Shared {
  std::atomic<int> loops{0};
};

namespace {

bool OnGuiThread() { return qApp && QThread::currentThread() == qApp->thread(); }

// Whether a unix socket at PATH accepts a connection (abstract when it starts
// with '@').
bool SocketAnswers(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr.sun_path)) {
    ::close(fd);
    return false;
  }
  std::memcpy(addr.sun_path, path.data(), path.size());
  socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
  if (path[0] == '@') addr.sun_path[0] = '\0';
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
  ::close(fd);
  return ok;
}

// An X display ":N" (or "unix:N") answers on its local socket; a display on
// another host is left to the toolkit.
bool XDisplayAnswers(const std::string& display) {
  std::string rest = display;
  if (rest.rfind("unix:", 0) == 0) rest = rest.substr(4);
  if (rest.empty() || rest[0] != ':') return true;
  const std::string number = rest.substr(1, rest.find('.') - 1);
  if (number.empty()) return false;
  return SocketAnswers("/tmp/.X11-unix/X" + number) || SocketAnswers("@/tmp/.X11-unix/X" + number);
}

bool WaylandAnswers(const std::string& display) {
  if (!display.empty() && display[0] == '/') return SocketAnswers(display);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && SocketAnswers(std::string(runtime) + "/" + display);
}

QMessageBox::Icon IconOf(UINT style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// The buttons of each message box type, left to right, with their answers.
struct BoxButton {
  QMessageBox::StandardButton button;
  int answer;
};
struct BoxButtons {
  BoxButton buttons[3];
  int count;
  int escape;  // index of the button Escape answers, -1 for none
};
constexpr BoxButtons kBoxButtons[] = {
    {{{QMessageBox::Ok, IDOK}}, 1, 0},                                                            // MB_OK
    {{{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}, 2, 1},                           // MB_OKCANCEL
    {{{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}}, 3, -1},
    {{{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}}, 3, 2},  // MB_YESNOCANCEL
    {{{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}, 2, -1},                                // MB_YESNO
    {{{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}, 2, 1},                     // MB_RETRYCANCEL
};

int ShowBox(const MessageBoxRequest& request) {
  const UINT type = request.style & MB_TYPEMASK;
  if (type >= std::size(kBoxButtons)) return 0;
  const BoxButtons& set = kBoxButtons[type];
  QMessageBox box(IconOf(request.style), FromAnsi(request.caption), FromAnsi(request.text));
  QAbstractButton* made[3] = {};
  for (int i = 0; i < set.count; ++i) made[i] = box.addButton(set.buttons[i].button);
  const int def = static_cast<int>((request.style & MB_DEFMASK) >> 8);
  box.setDefaultButton(static_cast<QPushButton*>(made[def < set.count ? def : 0]));
  if (set.escape >= 0) box.setEscapeButton(made[set.escape]);
  box.exec();
  for (int i = 0; i < set.count; ++i)
    if (box.clickedButton() == made[i]) return set.buttons[i].answer;
  // Closed without a button (only where Escape has one): its answer.
  return set.escape >= 0 ? set.buttons[set.escape].answer : DefaultButtonResult(request.style);
}

// A message box handed from another thread to the windows' thread. The caller
// waits while the windows' thread runs a modal loop; when the box has not
// started by the time no loop runs, the caller withdraws it.
struct Handoff {
  std::mutex m;
  std::condition_variable cv;
  bool started = false;
  bool withdrawn = false;
  bool done = false;
  int answer = 0;
};

}  // namespace

QtRenderer::QtRenderer() : shared_(std::make_shared<Shared>()) {}
QtRenderer::~QtRenderer() = default;

int QtRenderer::LoopDepth() const { return shared_->loops.load(); }

int QtRenderer::ShowMessage(const MessageBoxRequest& request) {
  if (OnGuiThread()) {
    // The box's own loop also shows boxes handed over from other threads.
    shared_->loops.fetch_add(1);
    const int answer = ShowBox(request);
    shared_->loops.fetch_sub(1);
    return answer;
  }
  if (!qApp || shared_->loops.load() == 0) return HeadlessPresenter().ShowMessage(request);
  auto handoff = std::make_shared<Handoff>();
  QTimer::singleShot(0, qApp, [handoff, request] {
    {
      std::lock_guard lock(handoff->m);
      if (handoff->withdrawn) return;
      handoff->started = true;
    }
    const int answer = ShowBox(request);
    std::lock_guard lock(handoff->m);
    handoff->answer = answer;
    handoff->done = true;
    handoff->cv.notify_all();
  });
  std::unique_lock lock(handoff->m);
  while (!handoff->done) {
    if (!handoff->started && shared_->loops.load() == 0) {
      handoff->withdrawn = true;
      lock.unlock();
      return HeadlessPresenter().ShowMessage(request);
    }
    handoff->cv.wait_for(lock, std::chrono::milliseconds(50));
  }
  return handoff->answer;
}

// Forms of the control model are shown by RunModal; a form known only by its
// description (the default RunModal's question, asked off the GUI thread) gets
// the headless answer.
int QtRenderer::ShowModal(const FormRequest& request) { return HeadlessPresenter().ShowModal(request); }

void QtRenderer::RunModal(Form& form) {
  if (!OnGuiThread()) {
    Presenter::RunModal(form);
    return;
  }
  QtFormView view(form);
  QWidget* window = view.Window();
  window->setWindowModality(Qt::ApplicationModal);
  if (form.Position() == FormPosition::ScreenCenter)
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      window->move(area.center() - window->rect().center());
    }
  QEventLoop loop;
  const int id = form.Subscribe([&form, &loop](Control& c, Property what) {
    if (&c == &form && what == Property::Modal && form.ModalDone()) loop.quit();
  });
  struct Leave {
    Form& form;
    int id;
    std::atomic<int>& loops;
    ~Leave() {
      form.Unsubscribe(id);
      loops.fetch_sub(1);
    }
  } leave{form, id, shared_->loops};
  shared_->loops.fetch_add(1);
  window->show();
  window->activateWindow();
  // The keyboard focus starts in the form's active control, else in its first
  // tab stop a person can reach, and shows there from the start, as in a
  // dialog opened from the keyboard.
  Control* active = form.ActiveControl();
  if (!active)
    for (Control* stop : TabOrder(form))
      if (stop->Showing() && stop->EnabledInTree()) {
        active = stop;
        break;
      }
  window->setAttribute(Qt::WA_KeyboardFocusChange);
  if (active)
    if (QWidget* focus = view.WidgetOf(*active)) focus->setFocus(Qt::ActiveWindowFocusReason);
  // The loop also ends when the application quits; the form then ends with
  // mrCancel in Form::ShowModal.
  if (!form.ModalDone()) loop.exec();
  window->hide();
}

bool DisplayAvailable() {
  if (const char* platform = std::getenv("QT_QPA_PLATFORM"); platform && *platform) return true;
  if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland && WaylandAnswers(wayland))
    return true;
  if (const char* x = std::getenv("DISPLAY"); x && *x && XDisplayAnswers(x)) return true;
  return false;
}

std::shared_ptr<Presenter> MakeQtRenderer() {
  if (!DisplayAvailable()) return nullptr;
  if (!QCoreApplication::instance()) {
    static int argc = 1;
    static char name[] = "zelvani";
    static char* argv[] = {name, nullptr};
    // Lives as long as the process: the host never made one, and windows may
    // be shown until it ends.
    new QApplication(argc, argv);
  }
  // A host's own non-widget application, or one on another thread, cannot
  // show these windows here.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !OnGuiThread()) return nullptr;
  return std::make_shared<QtRenderer>();
}

namespace {

// Registered while the module loads.
[[maybe_unused]] const bool kRegistered = [] {
  SetRendererFactory([] { return MakeQtRenderer(); });
  return true;
}();

}  // namespace

}  // namespace ui::qt
