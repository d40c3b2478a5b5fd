// The form mirrored into widgets: one widget per control kind, a person's input
// reaching the model through the user-level calls, the model's changes reaching
// the widgets without coming back as input, control bytes surviving an edit,
// and refused or failing actions kept inside the event loop.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "platform/ui/RecordingPresenter.h"
#include "platform/ui/UserActions.h"
#include "platform/ui/qt/QtFormView.h"
#include "platform/ui/qt/QtText.h"
#include "tests/platform/ui_qt/QtTestSupport.h"

namespace ui::qt::test {
namespace {

// A form with one control of each kind and counters of their events.
struct Sample : Form {
  Label& label = Add<Label>("ValueLA");
  Edit& edit = Add<Edit>("ValueED");
  CheckBox& check = Add<CheckBox>("ActiveCB");
  RadioButton& first = Add<RadioButton>("FirstRB");
  RadioButton& second = Add<RadioButton>("SecondRB");
  ComboBox& combo = Add<ComboBox>("KindCO");
  CheckListBox& flags = Add<CheckListBox>("FlagsLB");
  TreeView& tree = Add<TreeView>("ItemsTV");
  PageControl& pages = Add<PageControl>("PageControl");
  TabSheet& listPage = pages.AddPage("ListTS", "Lista");
  TabSheet& textPage = pages.AddPage("TextTS", "Tekst");
  Memo& memo = textPage.Add<Memo>("TextME");
  RichEdit& rich = textPage.Add<RichEdit>("RTF");
  ImageList& images = Add<ImageList>("Images");
  ActionList& actions = Add<ActionList>("Actions");
  Action& add = actions.Add<Action>("AddAC");
  ToolBar& bar = Add<ToolBar>("ToolBar");
  ToolButton& addButton = bar.Add<ToolButton>("AddTB");
  StatusBar& status = Add<StatusBar>("StatusBar");
  Bevel& bevel = Add<Bevel>("Bevel");
  Frame& frame = Add<Frame>("ItemFrame");
  Edit& frameEdit = frame.Add<Edit>("IDED");
  Panel& panel = Add<Panel>("ButtonsPA");
  Button& ok = panel.Add<Button>("OKBT");
  Button& cancel = panel.Add<Button>("CancelBT");

  int editChanges = 0, comboChanges = 0, flagClicks = 0, treeChanges = 0, pageChanging = 0, actionRuns = 0,
      okClicks = 0;

  Sample() {
    SetName("SampleForm");
    SetCaption("Edycja");
    SetClientSize(400, 300);
    label.SetCaption("Warto\x9C\xE6");  // "Wartość"
    label.SetBounds(8, 8, 60, 13);
    edit.SetBounds(80, 4, 200, 21);
    check.SetCaption("Aktywny");
    first.SetCaption("Pierwszy");
    second.SetCaption("Drugi");
    first.SetChecked(true);
    combo.SetItems({"qzlvdaString", "qzlvdaChar", "qzlvdaBool"});
    combo.SetItemIndex(0);
    flags.SetItems({"qzlvptStart", "qzlvptWrite"});
    TreeNode& root = tree.AddNode("Flows");
    tree.AddChildNode(root, "Open");
    tree.AddChildNode(root, "Close");
    add.SetCaption("Dodaj");
    add.SetHint("Dodaje element");
    add.SetShortcut(scCtrl | 'N');
    images.AddImage(std::vector<std::uint32_t>(16 * 16, 0xFF2060C0));
    bar.SetImages(&images);
    add.SetImageIndex(0);
    addButton.SetAction(&add);
    status.SetSimplePanel(true);
    status.SetSimpleText("Gotowe");
    ok.SetCaption("OK");
    ok.SetModalResult(mrOk);
    ok.SetDefault(true);
    cancel.SetCaption("Anuluj");
    cancel.SetModalResult(mrCancel);
    cancel.SetCancel(true);
    panel.SetAlignment(Align::Bottom);

    edit.OnChange = [this](Control&) { ++editChanges; };
    combo.OnChange = [this](Control&) { ++comboChanges; };
    flags.OnClickCheck = [this](Control&) { ++flagClicks; };
    tree.OnChange = [this](TreeView&, TreeNode*) { ++treeChanges; };
    pages.OnChanging = [this](PageControl&, bool&) { ++pageChanging; };
    add.OnExecute = [this](Control&) { ++actionRuns; };
    ok.OnClick = [this](Control&) { ++okClicks; };
  }
};

class QtFormViewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { renderer_ = OffscreenRenderer(); }

  template <class W>
  W* Widget(std::string_view name) {
    W* w = qobject_cast<W*>(view_.WidgetOf(name));
    EXPECT_TRUE(w) << "no widget of the expected class for " << name;
    return w;
  }

  static inline std::shared_ptr<Presenter> renderer_;
  std::shared_ptr<RecordingPresenter> rec_ = std::make_shared<RecordingPresenter>();
  ScopedPresenter scope_{rec_};
  Sample form_;
  QtFormView view_{form_};
};

TEST_F(QtFormViewTest, MirrorsEachControlKind) {
  struct Case {
    const char* name;
    const char* widgetClass;
    std::function<void(QWidget*)> check;
  };
  auto none = [](QWidget*) {};
  const Case cases[] = {
      {"SampleForm", "QWidget", [](QWidget* w) { EXPECT_EQ(w->windowTitle(), "Edycja"); }},
      {"ValueLA", "QLabel", [](QWidget* w) { EXPECT_EQ(static_cast<QLabel*>(w)->text(), QString::fromUtf8("Wartość")); }},
      {"ValueED", "QLineEdit", none},
      {"ActiveCB", "QCheckBox", [](QWidget* w) { EXPECT_EQ(static_cast<QCheckBox*>(w)->text(), "Aktywny"); }},
      {"FirstRB", "QRadioButton", [](QWidget* w) { EXPECT_TRUE(static_cast<QRadioButton*>(w)->isChecked()); }},
      {"SecondRB", "QRadioButton", [](QWidget* w) { EXPECT_FALSE(static_cast<QRadioButton*>(w)->isChecked()); }},
      {"KindCO", "QComboBox",
       [](QWidget* w) {
         auto* c = static_cast<QComboBox*>(w);
         EXPECT_EQ(c->count(), 3);
         EXPECT_EQ(c->currentText(), "qzlvdaString");
       }},
      {"FlagsLB", "QListWidget",
       [](QWidget* w) {
         auto* l = static_cast<QListWidget*>(w);
         ASSERT_EQ(l->count(), 2);
         EXPECT_EQ(l->item(1)->text(), "qzlvptWrite");
         EXPECT_EQ(l->item(1)->checkState(), Qt::Unchecked);
       }},
      {"ItemsTV", "QTreeWidget",
       [](QWidget* w) {
         auto* t = static_cast<QTreeWidget*>(w);
         ASSERT_EQ(t->topLevelItemCount(), 1);
         EXPECT_EQ(t->topLevelItem(0)->childCount(), 2);
         EXPECT_EQ(t->topLevelItem(0)->child(1)->text(0), "Close");
       }},
      {"PageControl", "QTabWidget",
       [](QWidget* w) {
         auto* t = static_cast<QTabWidget*>(w);
         ASSERT_EQ(t->count(), 2);
         EXPECT_EQ(t->tabText(1), "Tekst");
         EXPECT_EQ(t->currentIndex(), 0);
       }},
      {"TextME", "QPlainTextEdit", none},
      {"RTF", "QPlainTextEdit", none},
      {"ToolBar", "QToolBar", none},
      {"AddTB", "QToolButton",
       [](QWidget* w) {
         auto* b = static_cast<QToolButton*>(w);
         EXPECT_EQ(b->text(), "Dodaj");
         EXPECT_EQ(b->toolTip(), "Dodaje element");
         EXPECT_FALSE(b->icon().isNull());
       }},
      {"StatusBar", "QStatusBar",
       [](QWidget* w) { EXPECT_EQ(static_cast<QStatusBar*>(w)->currentMessage(), "Gotowe"); }},
      {"Bevel", "QFrame", none},
      {"ItemFrame", "QWidget", none},
      {"IDED", "QLineEdit", none},
      {"ButtonsPA", "QFrame", none},
      {"OKBT", "QPushButton", [](QWidget* w) { EXPECT_EQ(static_cast<QPushButton*>(w)->text(), "OK"); }},
      {"CancelBT", "QPushButton", [](QWidget* w) { EXPECT_EQ(static_cast<QPushButton*>(w)->text(), "Anuluj"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget* w = view_.WidgetOf(c.name);
    ASSERT_TRUE(w);
    EXPECT_STREQ(w->metaObject()->className(), c.widgetClass);
    c.check(w);
  }
  // Lists of actions and images have no widget of their own.
  EXPECT_EQ(view_.WidgetOf("Actions"), nullptr);
  EXPECT_EQ(view_.WidgetOf("Images"), nullptr);
  // The designed client size is the initial size, unless the controls need
  // more room to show their texts.
  const QSize size = view_.Window()->size(), wanted = view_.Window()->minimumSizeHint();
  EXPECT_EQ(size, QSize(std::max(400, wanted.width()), std::max(300, wanted.height())));
}

TEST_F(QtFormViewTest, PersonsInputReachesTheModelThroughTheUserCalls) {
  struct Case {
    const char* name;
    std::function<void()> act;
    std::function<void()> check;
  };
  const Case cases[] = {
      {"typing into an edit, one change a key",
       [&] { QTest::keyClicks(Widget<QLineEdit>("ValueED"), "ab"); },
       [&] {
         EXPECT_EQ(form_.edit.Text(), "ab");
         EXPECT_EQ(form_.editChanges, 2);
       }},
      {"a Polish letter typed arrives in the code page",
       [&] { TypeKeys(Widget<QLineEdit>("IDED"), QString::fromUtf8("żó")); },
       [&] { EXPECT_EQ(form_.frameEdit.Text(), "\xBF\xF3"); }},
      {"a check box clicked", [&] { QTest::mouseClick(Widget<QCheckBox>("ActiveCB"), Qt::LeftButton); },
       [&] { EXPECT_TRUE(form_.check.Checked()); }},
      {"a radio button clicked unchecks its sibling in both",
       [&] { QTest::mouseClick(Widget<QRadioButton>("SecondRB"), Qt::LeftButton); },
       [&] {
         EXPECT_TRUE(form_.second.Checked());
         EXPECT_FALSE(form_.first.Checked());
         EXPECT_FALSE(Widget<QRadioButton>("FirstRB")->isChecked());
       }},
      {"a combo box item chosen by key", [&] { QTest::keyClick(Widget<QComboBox>("KindCO"), Qt::Key_Down); },
       [&] {
         EXPECT_EQ(form_.combo.ItemIndex(), 1);
         EXPECT_EQ(form_.comboChanges, 1);
       }},
      {"a check list item checked",
       [&] { Widget<QListWidget>("FlagsLB")->item(1)->setCheckState(Qt::Checked); },
       [&] {
         EXPECT_TRUE(form_.flags.Checked(1));
         EXPECT_EQ(form_.flagClicks, 1);
       }},
      {"a tree node selected",
       [&] {
         auto* t = Widget<QTreeWidget>("ItemsTV");
         t->setCurrentItem(t->topLevelItem(0)->child(1));
       },
       [&] {
         ASSERT_TRUE(form_.tree.Selected());
         EXPECT_EQ(form_.tree.Selected()->Text(), "Close");
         EXPECT_EQ(form_.treeChanges, 1);
       }},
      {"a tab clicked",
       [&] {
         QTabBar* tabs = Widget<QTabWidget>("PageControl")->tabBar();
         QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
       },
       [&] {
         EXPECT_EQ(form_.pages.ActivePageIndex(), 1);
         EXPECT_EQ(form_.pageChanging, 1);
       }},
      {"lines typed into a memo",
       [&] {
         form_.pages.SetActivePageIndex(1);
         auto* m = Widget<QPlainTextEdit>("TextME");
         QTest::keyClicks(m, "a");
         QTest::keyClick(m, Qt::Key_Return);
         QTest::keyClicks(m, "b");
       },
       [&] { EXPECT_EQ(form_.memo.Lines(), (std::vector<std::string>{"a", "b"})); }},
      {"a tool button runs its action", [&] { QTest::mouseClick(Widget<QToolButton>("AddTB"), Qt::LeftButton); },
       [&] { EXPECT_EQ(form_.actionRuns, 1); }},
      {"a push button clicked gives its result", [&] { QTest::mouseClick(Widget<QPushButton>("OKBT"), Qt::LeftButton); },
       [&] {
         EXPECT_EQ(form_.okClicks, 1);
         EXPECT_EQ(form_.ModalResult(), mrOk);
       }},
      {"Escape on the window answers the cancel button", [&] { QTest::keyClick(view_.Window(), Qt::Key_Escape); },
       [&] { EXPECT_EQ(form_.ModalResult(), mrCancel); }},
  };
  view_.Window()->show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.act();
    c.check();
  }
  EXPECT_TRUE(rec_->Messages().empty());
}

TEST_F(QtFormViewTest, ModelChangesReachTheWidgetsWithoutComingBack) {
  struct Case {
    const char* name;
    std::function<void()> change;
    std::function<void()> check;
  };
  const Case cases[] = {
      {"an edit's text", [&] { form_.edit.SetText("12"); },
       [&] {
         EXPECT_EQ(Widget<QLineEdit>("ValueED")->text(), "12");
         EXPECT_EQ(form_.editChanges, 1);  // the code's change only
       }},
      {"a read-only edit", [&] { form_.edit.SetReadOnly(true); },
       [&] { EXPECT_TRUE(Widget<QLineEdit>("ValueED")->isReadOnly()); }},
      {"a label's caption", [&] { form_.label.SetCaption("\xA3\xF3\x64\x9F"); },
       [&] { EXPECT_EQ(Widget<QLabel>("ValueLA")->text(), QString::fromUtf8("Łódź")); }},
      {"a combo box's items and choice",
       [&] {
         form_.combo.SetItems({"a", "b"});
         form_.combo.SetItemIndex(1);
       },
       [&] {
         EXPECT_EQ(Widget<QComboBox>("KindCO")->count(), 2);
         EXPECT_EQ(Widget<QComboBox>("KindCO")->currentIndex(), 1);
         EXPECT_EQ(form_.comboChanges, 0);
       }},
      {"a check list's checks", [&] { form_.flags.SetChecked(0, true); },
       [&] {
         EXPECT_EQ(Widget<QListWidget>("FlagsLB")->item(0)->checkState(), Qt::Checked);
         EXPECT_EQ(form_.flagClicks, 0);
       }},
      {"tree nodes and the selection",
       [&] {
         form_.tree.Clear();
         form_.tree.SetSelected(&form_.tree.AddNode("Read"));
       },
       [&] {
         auto* t = Widget<QTreeWidget>("ItemsTV");
         ASSERT_EQ(t->topLevelItemCount(), 1);
         EXPECT_EQ(t->currentItem(), t->topLevelItem(0));
         EXPECT_EQ(form_.treeChanges, 1);  // the code's change only
       }},
      {"the active page", [&] { form_.pages.SetActivePageIndex(1); },
       [&] {
         EXPECT_EQ(Widget<QTabWidget>("PageControl")->currentIndex(), 1);
         EXPECT_EQ(form_.pageChanging, 0);
       }},
      {"a hidden tab", [&] { form_.listPage.SetTabVisible(false); },
       [&] { EXPECT_FALSE(Widget<QTabWidget>("PageControl")->isTabVisible(0)); }},
      {"a memo's lines", [&] { form_.memo.SetLines({"x", "", "y"}); },
       [&] { EXPECT_EQ(Widget<QPlainTextEdit>("TextME")->toPlainText(), "x\n\ny"); }},
      {"a disabled action disables its button", [&] { form_.add.SetEnabled(false); },
       [&] { EXPECT_FALSE(Widget<QToolButton>("AddTB")->isEnabled()); }},
      {"a hidden and a disabled control",
       [&] {
         form_.check.SetVisible(false);
         form_.ok.SetEnabled(false);
       },
       [&] {
         EXPECT_TRUE(Widget<QCheckBox>("ActiveCB")->isHidden());
         EXPECT_FALSE(Widget<QPushButton>("OKBT")->isEnabled());
       }},
      {"status bar panels",
       [&] {
         form_.status.SetSimplePanel(false);
         form_.status.SetPanelCount(2);
         form_.status.SetPanelText(1, "Zmieniony");
       },
       [&] {
         auto labels = Widget<QStatusBar>("StatusBar")->findChildren<QLabel*>("panel");
         ASSERT_EQ(labels.size(), 2);
         EXPECT_EQ(labels[1]->text(), "Zmieniony");
       }},
      {"a control added later gets its widget",
       [&] { form_.frame.Add<Label>("LateLA").SetCaption("Nowy"); },
       [&] { EXPECT_EQ(Widget<QLabel>("LateLA")->text(), "Nowy"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.change();
    c.check();
  }
}

TEST_F(QtFormViewTest, ControlBytesSurviveAPersonsEdit) {
  const std::string texts[] = {std::string("A\x1D" "B", 3), "x\r\ny", std::string("\x02\0\x03", 3), "\x7F\x1F"};
  auto* line = Widget<QLineEdit>("ValueED");
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    form_.edit.SetText(text);
    EXPECT_EQ(line->text(), LineFromAnsi(text));
    for (QChar c : line->text()) EXPECT_TRUE(c.isPrint()) << "invisible " << static_cast<int>(c.unicode());
    line->end(false);
    QTest::keyClicks(line, "Z");
    EXPECT_EQ(form_.edit.Text(), text + "Z");
  }
  // The notation typed key by key stays text in an edit of a name or an
  // identifier, and gives the byte in an edit of a value that goes on the wire.
  for (bool wire : {false, true}) {
    SCOPED_TRACE(wire ? "wire value" : "name");
    form_.edit.SetReadsNotation(wire);
    form_.edit.SetText("");
    QTest::keyClicks(line, "a<FS>");
    EXPECT_EQ(form_.edit.Text(), wire ? "a\x1C" : "a<FS>");
    EXPECT_EQ(line->text(), "a<FS>");
  }
  // Text that only looks like the notation stays text while the person types
  // elsewhere.
  form_.edit.SetText("<STX>");
  line->end(false);
  QTest::keyClicks(line, "1");
  EXPECT_EQ(form_.edit.Text(), "<STX>1");
  EXPECT_TRUE(rec_->Messages().empty());
}

TEST_F(QtFormViewTest, RefusedAndFailingActionsStayInsideTheEventLoop) {
  struct Case {
    const char* name;
    std::function<void()> act;  // must return normally
    std::function<void()> check;
    size_t messages;
  };
  const Case cases[] = {
      {"typing into an edit the model made read-only",
       [&] {
         form_.edit.SetText("stays");
         form_.edit.SetReadOnly(true);
         auto* line = Widget<QLineEdit>("ValueED");
         line->setReadOnly(false);  // a widget out of step with the model
         QTest::keyClicks(line, "x");
       },
       [&] {
         EXPECT_EQ(form_.edit.Text(), "stays");
         EXPECT_EQ(Widget<QLineEdit>("ValueED")->text(), "stays");
       },
       0},
      {"a page change the form refuses",
       [&] {
         form_.pages.OnChanging = [](PageControl&, bool& allow) { allow = false; };
         Widget<QTabWidget>("PageControl")->setCurrentIndex(1);
       },
       [&] {
         EXPECT_EQ(form_.pages.ActivePageIndex(), 0);
         EXPECT_EQ(Widget<QTabWidget>("PageControl")->currentIndex(), 0);
       },
       0},
      {"a check of a box the model disabled",
       [&] {
         form_.check.SetEnabled(false);
         auto* box = Widget<QCheckBox>("ActiveCB");
         box->setEnabled(true);
         QTest::mouseClick(box, Qt::LeftButton);
       },
       [&] {
         EXPECT_FALSE(form_.check.Checked());
         EXPECT_FALSE(Widget<QCheckBox>("ActiveCB")->isChecked());
       },
       0},
      {"a handler that throws is shown as a message box",
       [&] {
         form_.ok.OnClick = [](Control&) { throw std::runtime_error("Z\xB3y numer"); };
         QTest::mouseClick(Widget<QPushButton>("OKBT"), Qt::LeftButton);
       },
       [&] {
         ASSERT_EQ(rec_->Messages().size(), 1u);
         EXPECT_EQ(rec_->Messages()[0].text, "Z\xB3y numer");
       },
       1},
  };
  view_.Window()->show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rec_->Clear();
    EXPECT_NO_THROW(c.act());
    c.check();
    EXPECT_EQ(rec_->Messages().size(), c.messages);
  }
}

TEST_F(QtFormViewTest, EditsShowTheirStartAndReadOnlyOnesTheirParentsColour) {
  auto* line = Widget<QLineEdit>("ValueED");
  line->resize(60, line->height());
  form_.edit.SetText("FrameOdczyt with a long tail after it");
  EXPECT_EQ(line->cursorPosition(), 0) << "the start of a text put there by code shows";
  const QColor editable = line->palette().color(QPalette::Base);
  form_.edit.SetReadOnly(true);
  form_.edit.SetParentColor(true);
  EXPECT_EQ(line->palette().color(QPalette::Base), view_.Window()->palette().color(QPalette::Window));
  EXPECT_NE(line->palette().color(QPalette::Base), editable);
  form_.edit.SetParentColor(false);
  form_.edit.SetColor(clWindow);
  EXPECT_EQ(line->palette().color(QPalette::Base), editable);
}

TEST_F(QtFormViewTest, KeysAndFocusShowAsAPersonExpects) {
  view_.Window()->resize(view_.Window()->sizeHint());
  view_.Window()->show();
  QApplication::setActiveWindow(view_.Window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(view_.Window()));

  // Enter presses the focused button; elsewhere it presses the default one.
  auto* cancel = Widget<QPushButton>("CancelBT");
  cancel->setFocus();
  QTest::keyClick(cancel, Qt::Key_Return);
  EXPECT_EQ(form_.ModalResult(), mrCancel);
  form_.SetModalResult(mrNone);
  auto* line = Widget<QLineEdit>("ValueED");
  line->setFocus();
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(form_.ModalResult(), mrOk);
  EXPECT_EQ(form_.okClicks, 1);
  form_.SetModalResult(mrNone);

  // The tree's marked row shows whether the tree has the focus.
  auto* tree = Widget<QTreeWidget>("ItemsTV");
  form_.tree.SetSelected(&form_.tree.Item(1));
  tree->setFocus();
  QApplication::processEvents();
  const QColor focused = tree->palette().color(QPalette::Highlight);
  line->setFocus();
  QApplication::processEvents();
  EXPECT_NE(tree->palette().color(QPalette::Highlight), focused);
  tree->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(tree->palette().color(QPalette::Highlight), focused);

  // A selection the form puts back marks one row only: the one it kept.
  form_.tree.OnChange = [](TreeView& t, TreeNode* node) {
    if (node && node->Text() == "Close") {
      t.SetSelected(&t.Item(1));
      throw std::runtime_error("'x' is not a valid integer value");
    }
  };
  QTreeWidgetItem* close = tree->topLevelItem(0)->child(1);
  ASSERT_TRUE(tree->viewport()->rect().contains(tree->visualItemRect(close).center()));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(close).center());
  QApplication::processEvents();
  ASSERT_EQ(rec_->Messages().size(), 1u);
  EXPECT_EQ(form_.tree.Selected(), &form_.tree.Item(1));
  EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0)->child(0));
  ASSERT_EQ(tree->selectedItems().size(), 1);
  EXPECT_EQ(tree->selectedItems()[0], tree->topLevelItem(0)->child(0));
}

}  // namespace
// A dialog border keeps the window at its size with the system menu alone in
// its title bar; a sizeable form can be resized. A bold label shows bold.
TEST_F(QtFormViewTest, ADialogKeepsItsSizeAndShowsItsBoldLabel) {
  Form dialog;
  dialog.SetBorder(BorderStyle::Dialog);
  dialog.SetClientSize(200, 80);
  Label& name = dialog.Add<Label>("NameLbl");
  name.SetCaption("QAVECR ActiveX Control");
  name.SetBold(true);
  name.SetBounds(8, 8, 180, 13);
  Button& ok = dialog.Add<Button>("OkBtn");
  ok.SetCaption("OK");
  ok.SetBounds(60, 40, 75, 25);
  QtFormView view(dialog);
  QWidget* window = view.Window();
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(window->size(), window->minimumSize());
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(qobject_cast<QLabel*>(view.WidgetOf("NameLbl"))->font().bold());
  EXPECT_FALSE(Widget<QLabel>("ValueLA")->font().bold());
  EXPECT_LT(view_.Window()->minimumSize().width(), view_.Window()->maximumSize().width());
}

}  // namespace ui::qt::test
