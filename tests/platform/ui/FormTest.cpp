// Forms shown modally: a test's script playing a person, the modal results of
// the buttons and keys, a form that refuses to close, exceptions inside the
// modal loop shown as message boxes, the forms' thread, nested modal forms, the
// headless answer and the renderer set up on the first modal call.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "platform/ui/RecordingPresenter.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/UserActions.h"
#include "platform/win/application.h"
#include "platform/win/threads.h"

namespace {

// The shell of the editors' forms: an edit, OK and Cancel.
struct Dialog : ui::Form {
  ui::Edit& edit = Add<ui::Edit>("ValueED");
  ui::Label& label = Add<ui::Label>("ValueLA");
  ui::Button& ok = Add<ui::Button>("OKBT");
  ui::Button& cancel = Add<ui::Button>("CancelBT");

  Dialog() {
    SetName("Dialog");
    SetCaption("Dialog caption");
    label.SetCaption("Value");
    ok.SetCaption("OK");
    ok.SetModalResult(ui::mrOk);
    ok.SetDefault(true);
    cancel.SetCaption("Cancel");
    cancel.SetModalResult(ui::mrCancel);
    cancel.SetCancel(true);
  }
};

class FormTest : public ::testing::Test {
 protected:
  std::shared_ptr<ui::RecordingPresenter> rec_ = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scope_{rec_};
};

TEST_F(FormTest, TheResultOfHowThePersonClosesTheForm) {
  struct Case {
    const char* name;
    std::function<void(Dialog&)> close;
    int result;
  };
  const Case cases[] = {
      {"OK button", [](Dialog& d) { ui::Click(d.ok); }, ui::mrOk},
      {"Cancel button", [](Dialog& d) { ui::Click(d.cancel); }, ui::mrCancel},
      {"Enter answers the default button", [](Dialog& d) { ui::PressEnter(d); }, ui::mrOk},
      {"Escape answers the cancel button", [](Dialog& d) { ui::PressEscape(d); }, ui::mrCancel},
      {"close box", [](Dialog& d) { ui::CloseBox(d); }, ui::mrCancel},
      {"a handler setting the result", [](Dialog& d) {
         d.edit.OnChange = [&d](ui::Control&) { d.SetModalResult(ui::mrYes); };
         ui::TypeInto(d.edit, "x");
       }, ui::mrYes},
      // Nothing pressed: closed as the Escape key would.
      {"script ends with the form open", [](Dialog&) {}, ui::mrCancel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Dialog d;
    rec_->PlayForm([&](ui::Form& f) {
      EXPECT_EQ(&f, &d);
      EXPECT_TRUE(d.InModalLoop());
      ui::TypeInto(d.edit, "typed");
      c.close(d);
    });
    EXPECT_EQ(d.ShowModal(), c.result);
    EXPECT_FALSE(d.InModalLoop());
    EXPECT_NE(d.edit.Text(), "") << "what was typed stays in the model";
  }
  EXPECT_EQ(rec_->PendingScripts(), 0u);
  EXPECT_TRUE(rec_->Messages().empty());
}

TEST_F(FormTest, TheFormIsRecordedByItsDescription) {
  Dialog d;
  d.ShowModal();
  auto forms = rec_->Forms();
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(forms[0].name, "Dialog");
  EXPECT_EQ(forms[0].caption, "Dialog caption");
  EXPECT_EQ(forms[0].Text("ValueLA"), "Value");
  EXPECT_EQ(forms[0].Text("OKBT"), "OK");
  EXPECT_EQ(forms[0].defaultResult, ui::mrCancel);
}

TEST_F(FormTest, WithoutAScriptTheChosenAnswerOrEscapeClosesIt) {
  Dialog d;
  EXPECT_EQ(d.ShowModal(), ui::mrCancel);
  rec_->AnswerForms(ui::mrOk);
  EXPECT_EQ(d.ShowModal(), ui::mrOk);
  Dialog noCancel;
  noCancel.cancel.SetModalResult(ui::mrNone);
  noCancel.cancel.SetCancel(false);
  rec_->AnswerForms(std::nullopt);
  EXPECT_EQ(noCancel.EscapeResult(), ui::mrCancel);
  EXPECT_EQ(noCancel.ShowModal(), ui::mrCancel);
}

TEST_F(FormTest, AnExceptionInAHandlerIsShownAndTheFormStaysOpen) {
  win::App().SetTitle("");
  Dialog d;
  d.edit.OnChange = [](ui::Control& c) {
    auto& edit = static_cast<ui::Edit&>(c);
    if (edit.Text() == "bad") throw std::runtime_error("'bad' is not a valid integer value");
  };
  rec_->PlayForm([&](ui::Form&) {
    ui::TypeInto(d.edit, "bad");
    EXPECT_FALSE(d.ModalDone()) << "the loop goes on";
    ui::TypeInto(d.edit, "12");
    ui::Click(d.ok);
  });
  EXPECT_EQ(d.ShowModal(), ui::mrOk);
  auto shown = rec_->Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "'bad' is not a valid integer value");
  EXPECT_EQ(shown[0].caption, "Error") << "an application without a title";
  EXPECT_EQ(shown[0].style, MB_OK | MB_ICONERROR);
  EXPECT_EQ(d.edit.Text(), "12");
}

TEST_F(FormTest, TheMessageCarriesTheApplicationsTitle) {
  win::App().SetTitle("Edytor");
  Dialog d;
  d.ok.OnClick = [](ui::Control&) { throw 42; };
  rec_->PlayForm([&](ui::Form&) { ui::Click(d.ok); });
  // The button's result was given before its handler failed, as the toolkit
  // does, so the form still closes.
  EXPECT_EQ(d.ShowModal(), ui::mrOk);
  win::App().SetTitle("");
  auto shown = rec_->Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Edytor");
  EXPECT_EQ(shown[0].text, "Unknown exception");
}

TEST_F(FormTest, AFormThatRefusesToCloseStaysOpen) {
  struct Case {
    const char* name;
    std::function<void(Dialog&)> guard;  // makes the first OK fail
    size_t messages;
  };
  const Case cases[] = {
      {"close query says no",
       [](Dialog& d) {
         d.OnCloseQuery = [&d](ui::Form&, bool& canClose) { canClose = d.edit.Text() == "good"; };
       },
       0},
      {"close query raises",
       [](Dialog& d) {
         d.OnCloseQuery = [&d](ui::Form&, bool&) {
           if (d.edit.Text() != "good") throw std::runtime_error("'x' is not a valid integer value");
         };
       },
       1},
      {"OK handler sets the result back",
       [](Dialog& d) {
         d.ok.OnClick = [&d](ui::Control&) {
           if (d.edit.Text() != "good") d.SetModalResult(ui::mrNone);
         };
       },
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rec_->Clear();
    Dialog d;
    c.guard(d);
    rec_->PlayForm([&](ui::Form&) {
      ui::TypeInto(d.edit, "x");
      ui::Click(d.ok);
      EXPECT_FALSE(d.ModalDone());
      EXPECT_EQ(d.ModalResult(), ui::mrNone);
      ui::TypeInto(d.edit, "good") ;
      ui::Click(d.ok);
      EXPECT_TRUE(d.ModalDone());
    });
    EXPECT_EQ(d.ShowModal(), ui::mrOk);
    EXPECT_EQ(rec_->Messages().size(), c.messages);
  }
}

TEST_F(FormTest, AFormThatNeverAgreesIsEndedWithCancel) {
  Dialog d;
  d.OnCloseQuery = [](ui::Form&, bool& canClose) { canClose = false; };
  rec_->AnswerForms(ui::mrOk);
  EXPECT_EQ(d.ShowModal(), ui::mrCancel);
}

TEST_F(FormTest, AnErrorEscapingTheScriptIsShownAndTheFormClosed) {
  Dialog d;
  d.edit.SetReadOnly(true);
  rec_->PlayForm([&](ui::Form&) { ui::TypeInto(d.edit, "x"); });
  EXPECT_EQ(d.ShowModal(), ui::mrCancel);
  auto shown = rec_->Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].text.find("read-only"), std::string::npos) << shown[0].text;
}

TEST_F(FormTest, OnlyTheInnermostModalFormIsReachable) {
  Dialog outer;
  Dialog inner;
  int innerResult = 0;
  outer.ok.OnClick = [&](ui::Control&) { innerResult = inner.ShowModal(); };
  rec_->PlayForm([&](ui::Form&) { ui::Click(outer.ok); });
  rec_->PlayForm([&](ui::Form&) {
    EXPECT_EQ(ui::TopModalForm(), &inner);
    EXPECT_THROW(ui::TypeInto(outer.edit, "x"), ui::ActionRefused);
    ui::TypeInto(inner.edit, "inner");
    ui::Click(inner.ok);
    EXPECT_THROW(ui::TypeInto(inner.edit, "after"), ui::ActionRefused) << "the form has closed";
  });
  EXPECT_EQ(outer.ShowModal(), ui::mrOk);
  EXPECT_EQ(innerResult, ui::mrOk);
  EXPECT_EQ(inner.edit.Text(), "inner");
  EXPECT_EQ(outer.edit.Text(), "");
  EXPECT_EQ(ui::TopModalForm(), nullptr);
}

TEST_F(FormTest, AFormAlreadyModalCannotBeShownAgain) {
  Dialog d;
  rec_->PlayForm([&](ui::Form&) { EXPECT_THROW(d.ShowModal(), std::logic_error); });
  d.ShowModal();
}

TEST_F(FormTest, AnotherThreadCannotShowFormsNorActOnThem) {
  Dialog d;  // fixes the forms' thread to this one, if no form did before
  ASSERT_EQ(ui::FormsThreadId(), GetCurrentThreadId());
  std::string showError, typeError;
  std::thread other([&] {
    try {
      d.ShowModal();
    } catch (const ui::WrongThread& e) {
      showError = e.what();
    }
    try {
      ui::TypeInto(d.edit, "x");
    } catch (const ui::WrongThread& e) {
      typeError = e.what();
    }
  });
  other.join();
  EXPECT_NE(showError.find("ShowModal: forms are shown on the thread that created the first form"), std::string::npos)
      << showError;
  EXPECT_NE(typeError.find("TypeInto"), std::string::npos) << typeError;
  EXPECT_EQ(d.edit.Text(), "");
  EXPECT_TRUE(rec_->Forms().empty());
}

// A presenter that knows only requests by name, as the about box's did.
class AnsweringPresenter : public ui::Presenter {
 public:
  explicit AnsweringPresenter(int answer) : answer_(answer) {}
  int ShowMessage(const ui::MessageBoxRequest&) override { return IDOK; }
  int ShowModal(const ui::FormRequest& request) override {
    names.push_back(request.name);
    return answer_;
  }
  std::vector<std::string> names;

 private:
  int answer_;
};

TEST(FormPresenters, APresenterOfRequestsClosesTheFormWithItsAnswer) {
  auto answering = std::make_shared<AnsweringPresenter>(ui::mrOk);
  ui::ScopedPresenter scope(answering);
  Dialog d;
  EXPECT_EQ(d.ShowModal(), ui::mrOk);
  EXPECT_EQ(answering->names, std::vector<std::string>{"Dialog"});
}

// The renderer is set up once per process, so each of these runs in a fresh one.
TEST(FormPresenters, TheHeadlessPresenterClosesAsEscapeWould) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ui::ScopedPresenter scope(nullptr);
  EXPECT_EXIT(
      {
        setenv("ZELVANI_UI_HEADLESS", "1", 1);
        Dialog d;
        d.OnShow = [&](ui::Control&) { d.edit.SetText("shown"); };
        const int result = d.ShowModal();
        std::exit(result == ui::mrCancel && d.edit.Text() == "shown" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(FormPresenters, TheFirstModalCallSetsUpTheRegisteredRenderer) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("ZELVANI_UI_HEADLESS");
        ui::SetPresenter(nullptr);
        auto renderer = std::make_shared<ui::RecordingPresenter>();
        int asked = 0;
        ui::SetRendererFactory([&] {
          ++asked;
          return renderer;
        });
        renderer->PlayForm([](ui::Form& f) { ui::PressEnter(f); });
        Dialog d;
        const int result = d.ShowModal();
        MessageBoxA(nullptr, "after", "", MB_OK);
        const bool ok = result == ui::mrOk && asked == 1 && renderer->Messages().size() == 1 &&
                        ui::CurrentPresenter() == renderer;
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(FormPresenters, ARendererThatCannotStartLeavesTheHeadlessPresenter) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("ZELVANI_UI_HEADLESS");
        ui::SetPresenter(nullptr);
        int asked = 0;
        ui::SetRendererFactory([&]() -> std::shared_ptr<ui::Presenter> {
          ++asked;
          return nullptr;  // no display
        });
        Dialog d;
        const int first = d.ShowModal();
        const int second = d.ShowModal();
        std::exit(first == ui::mrCancel && second == ui::mrCancel && asked == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
