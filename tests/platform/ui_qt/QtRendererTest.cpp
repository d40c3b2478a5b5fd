// The renderer as the presenter: the factory without a display, a form's modal
// loop ending only when the form closes, an exception inside the loop shown as
// a message box, message box buttons and their answers, and a message box asked
// for from another thread.
#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "platform/ui/UserActions.h"
#include "tests/platform/ui_qt/QtTestSupport.h"

namespace ui::qt::test {
namespace {

struct Dialog : Form {
  Edit& edit = Add<Edit>("ValueED");
  Button& ok = Add<Button>("OKBT");
  Button& cancel = Add<Button>("CancelBT");
  Dialog() {
    SetName("Dialog");
    SetCaption("Okno");
    ok.SetCaption("OK");
    ok.SetModalResult(mrOk);
    ok.SetDefault(true);
    cancel.SetCaption("Cancel");
    cancel.SetModalResult(mrCancel);
    cancel.SetCancel(true);
  }
};

QPushButton* ButtonOf(QWidget* window, const char* name) { return window->findChild<QPushButton*>(name); }

// Runs STEP on the modal widget on top once it is showing.
void OnTopWindow(std::function<void(QWidget*)> step) {
  Soon([step = std::move(step)] {
    QWidget* top = QApplication::activeModalWidget();
    ASSERT_TRUE(top) << "nothing modal is showing";
    step(top);
  });
}

class QtRendererTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(renderer_); }
  static void SetUpTestSuite() { renderer_ = OffscreenRenderer(); }
  static inline std::shared_ptr<Presenter> renderer_;
  ScopedPresenter scope_{renderer_};
};

TEST_F(QtRendererTest, WithoutADisplayTheFactoryLeavesTheModelHeadless) {
  struct Case {
    const char* name;
    const char* display;
    const char* wayland;
    const char* platform;
    bool available;
  };
  const Case cases[] = {
      {"nothing set", nullptr, nullptr, nullptr, false},
      {"an X display nobody serves", ":987", nullptr, nullptr, false},
      {"a Wayland display nobody serves", nullptr, "wayland-987", nullptr, false},
      {"an empty platform", nullptr, nullptr, "", false},
      {"a platform named", nullptr, nullptr, "offscreen", true},
  };
  const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  std::optional<std::string> saved[3];
  for (int i = 0; i < 3; ++i)
    if (const char* v = std::getenv(names[i])) saved[i] = v;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const char* values[] = {c.display, c.wayland, c.platform};
    for (int i = 0; i < 3; ++i) values[i] ? setenv(names[i], values[i], 1) : unsetenv(names[i]);
    EXPECT_EQ(DisplayAvailable(), c.available);
    EXPECT_EQ(MakeQtRenderer() != nullptr, c.available);
  }
  for (int i = 0; i < 3; ++i) saved[i] ? setenv(names[i], saved[i]->c_str(), 1) : unsetenv(names[i]);
}

TEST_F(QtRendererTest, TheModalLoopEndsOnlyWhenTheFormCloses) {
  struct Case {
    const char* name;
    std::function<void(QWidget*)> person;
    int result;
    std::string text;
  };
  const Case cases[] = {
      {"typed, then OK",
       [](QWidget* w) {
         QTest::keyClicks(w->findChild<QLineEdit*>("ValueED"), "42");
         QTest::mouseClick(ButtonOf(w, "OKBT"), Qt::LeftButton);
       },
       mrOk, "42"},
      {"Enter answers the default button", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }, mrOk, ""},
      {"Escape answers the cancel button", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, mrCancel, ""},
      {"the close box", [](QWidget* w) { w->close(); }, mrCancel, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Dialog d;
    OnTopWindow([&](QWidget* w) {
      EXPECT_EQ(w->windowTitle(), "Okno");
      c.person(w);
    });
    EXPECT_EQ(d.ShowModal(), c.result);
    EXPECT_EQ(d.edit.Text(), c.text);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the window stays after its loop";
  }
}

TEST_F(QtRendererTest, AFormThatRefusesToCloseStaysOpen) {
  Dialog d;
  int asked = 0;
  d.OnCloseQuery = [&](Form&, bool& canClose) { canClose = ++asked > 1; };
  OnTopWindow([&](QWidget* w) {
    QTest::mouseClick(ButtonOf(w, "OKBT"), Qt::LeftButton);
    EXPECT_FALSE(d.ModalDone()) << "the first OK was refused";
    QTest::mouseClick(ButtonOf(w, "OKBT"), Qt::LeftButton);
  });
  EXPECT_EQ(d.ShowModal(), mrOk);
  EXPECT_EQ(asked, 2);
}

TEST_F(QtRendererTest, AnExceptionInsideTheLoopIsShownAndTheFormGoesOn) {
  Dialog d;
  d.ok.SetModalResult(mrNone);  // a button that only runs its handler
  d.ok.OnClick = [](Control&) { throw std::runtime_error("Z\xB3y numer"); };  // "Zły numer"
  QString shown;
  OnTopWindow([&](QWidget* w) {
    // The box's own loop runs the next step while the click is still inside.
    OnTopWindow([&](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      ASSERT_TRUE(message) << "no message box";
      shown = message->text();
      message->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(ButtonOf(w, "OKBT"), Qt::LeftButton);
    EXPECT_FALSE(d.ModalDone());
    QTest::mouseClick(ButtonOf(w, "CancelBT"), Qt::LeftButton);
  });
  EXPECT_EQ(d.ShowModal(), mrCancel);
  EXPECT_EQ(shown, QString::fromUtf8("Zły numer"));
}

TEST_F(QtRendererTest, MessageBoxButtonsGiveTheirAnswers) {
  struct Case {
    const char* name;
    UINT style;
    std::function<void(QMessageBox*)> press;
    int answer;
  };
  auto click = [](QMessageBox::StandardButton b) { return [b](QMessageBox* m) { m->button(b)->click(); }; };
  auto key = [](Qt::Key k) { return [k](QMessageBox* m) { QTest::keyClick(m, k); }; };
  const Case cases[] = {
      {"OK", MB_OK | MB_ICONERROR, click(QMessageBox::Ok), IDOK},
      {"No of Yes/No", MB_YESNO | MB_ICONQUESTION, click(QMessageBox::No), IDNO},
      {"Retry of Abort/Retry/Ignore", MB_ABORTRETRYIGNORE, click(QMessageBox::Retry), IDRETRY},
      {"Escape on OK/Cancel", MB_OKCANCEL, key(Qt::Key_Escape), IDCANCEL},
      {"Escape on Yes/No/Cancel", MB_YESNOCANCEL, key(Qt::Key_Escape), IDCANCEL},
      {"Enter on the second default button", MB_YESNOCANCEL | MB_DEFBUTTON2, key(Qt::Key_Return), IDNO},
      {"Enter on Retry/Cancel", MB_RETRYCANCEL, key(Qt::Key_Return), IDRETRY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QString text, caption;
    OnTopWindow([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_TRUE(box);
      text = box->text();
      caption = box->windowTitle();
      c.press(box);
    });
    EXPECT_EQ(MessageBoxA(nullptr, "B\xB3\xB9" "d", "Uwaga", c.style), c.answer);
    EXPECT_EQ(text, QString::fromUtf8("Błąd"));
    EXPECT_EQ(caption, "Uwaga");
  }
}

TEST_F(QtRendererTest, AMessageFromAnotherThreadIsShownByTheLoopOrAnsweredHeadless) {
  // No loop runs: nobody could see it, so it gets its default answer at once.
  int answer = 0;
  std::thread([&] { answer = renderer_->ShowMessage({"Nikt", "Uwaga", MB_YESNO | MB_DEFBUTTON2}); }).join();
  EXPECT_EQ(answer, IDNO);

  // While a form is modal, the box shows on the forms' thread.
  Dialog d;
  std::thread worker;
  QString shown;
  QTimer poll;
  OnTopWindow([&](QWidget* w) {
    worker = std::thread([&] { answer = renderer_->ShowMessage({"Z w\xB9tku", "Uwaga", MB_OKCANCEL}); });
    // Waits for the box, then answers it and closes the form.
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&, w] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      poll.stop();
      shown = box->text();
      box->button(QMessageBox::Cancel)->click();
      QTimer::singleShot(0, qApp, [w] { QTest::mouseClick(ButtonOf(w, "OKBT"), Qt::LeftButton); });
    });
    poll.start();
  });
  EXPECT_EQ(d.ShowModal(), mrOk);
  worker.join();
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_EQ(shown, QString::fromUtf8("Z wątku"));
}

}  // namespace
}  // namespace ui::qt::test
