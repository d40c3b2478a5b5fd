// Message boxes and modal forms through the process-wide presenter: the default
// button of each style, the headless answers, installing and restoring a
// presenter, and the recording presenter's log and chosen answers.
#include <gtest/gtest.h>

#include <thread>

#include "platform/ui/RecordingPresenter.h"

namespace {

TEST(MessageBox, DefaultButtonOfEachStyle) {
  struct Case {
    const char* name;
    UINT style;
    int result;
  };
  const Case cases[] = {
      {"OK", MB_OK, IDOK},
      {"OK/Cancel", MB_OKCANCEL, IDOK},
      {"OK/Cancel, second default", MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {"Abort/Retry/Ignore, third default", MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
      {"Yes/No/Cancel", MB_YESNOCANCEL | MB_ICONQUESTION, IDYES},
      {"Yes/No, second default", MB_YESNO | MB_DEFBUTTON2, IDNO},
      {"Retry/Cancel", MB_RETRYCANCEL, IDRETRY},
      // A default beyond the buttons falls back to the first one.
      {"OK with a third default", MB_OK | MB_DEFBUTTON3, IDOK},
      {"icons and modality do not change the answer", MB_OKCANCEL | MB_ICONERROR | MB_TASKMODAL, IDOK},
      {"unknown set of buttons", 0x7, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ui::DefaultButtonResult(c.style), c.result);
  }
}

TEST(MessageBox, RecordedWithItsTextsAndAnsweredAtOnce) {
  auto rec = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scope(rec);
  // "Błąd" in the system's code page.
  EXPECT_EQ(MessageBoxA(nullptr, "Error loading packet definitions file.", "B\xB3\xB9" "d", MB_OK | MB_ICONERROR),
            IDOK);
  rec->AnswerMessages(IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Continue?", nullptr, MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Not shown", "x", 0x9), 0) << "a style without buttons is refused";
  auto shown = rec->Messages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Error loading packet definitions file.");
  EXPECT_EQ(shown[0].caption, "B\xB3\xB9" "d");
  EXPECT_EQ(shown[0].style, MB_OK | MB_ICONERROR);
  EXPECT_EQ(shown[1].caption, "") << "a null caption is empty";
  rec->AnswerMessages(std::nullopt);
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL) << "back to the default";
}

TEST(Presenter, ScopedInstallRestoresThePreviousOne) {
  auto outer = std::make_shared<ui::RecordingPresenter>();
  auto inner = std::make_shared<ui::RecordingPresenter>();
  {
    ui::ScopedPresenter a(outer);
    {
      ui::ScopedPresenter b(inner);
      MessageBoxA(nullptr, "inner", "", MB_OK);
      EXPECT_EQ(ui::CurrentPresenter(), inner);
    }
    MessageBoxA(nullptr, "outer", "", MB_OK);
    EXPECT_EQ(ui::CurrentPresenter(), outer);
  }
  EXPECT_NE(ui::CurrentPresenter(), outer);
  EXPECT_NE(ui::CurrentPresenter(), nullptr) << "the headless presenter when none is installed";
  ASSERT_EQ(inner->Messages().size(), 1u);
  EXPECT_EQ(inner->Messages()[0].text, "inner");
  ASSERT_EQ(outer->Messages().size(), 1u);
  EXPECT_EQ(outer->Messages()[0].text, "outer");
}

TEST(Presenter, HeadlessAnswersTheDefaults) {
  ui::HeadlessPresenter headless;
  EXPECT_EQ(headless.ShowMessage({"text", "caption", MB_YESNO | MB_DEFBUTTON2}), IDNO);
  ui::FormRequest form{"Dialog", "Caption", {}, IDCANCEL};
  EXPECT_EQ(headless.ShowModal(form), IDCANCEL);
}

TEST(Presenter, ModalFormsAreRecordedWithTheirTexts) {
  auto rec = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scope(rec);
  ui::FormRequest about{"AboutDialog", "About", {{"NameLbl", "Product"}, {"OkBtn", "OK"}}, IDOK};
  EXPECT_EQ(ui::ModalPresenter()->ShowModal(about), IDOK);
  rec->AnswerForms(IDCANCEL);
  EXPECT_EQ(ui::ModalPresenter()->ShowModal(about), IDCANCEL);
  auto forms = rec->Forms();
  ASSERT_EQ(forms.size(), 2u);
  EXPECT_EQ(forms[0].name, "AboutDialog");
  EXPECT_EQ(forms[0].Text("NameLbl"), "Product");
  EXPECT_EQ(forms[0].Text("Missing"), "");
  rec->Clear();
  EXPECT_TRUE(rec->Forms().empty());
}

TEST(Presenter, BoxesFromManyThreadsAreAllRecorded) {
  auto rec = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scope(rec);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 50; ++i) MessageBoxA(nullptr, "x", "y", MB_OK);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(rec->Messages().size(), 200u);
}

}  // namespace
