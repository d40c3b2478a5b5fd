// Every editor's form and the port configuration dialog as the on-screen
// renderer lays them out (Qt's offscreen platform), filled from the shipped
// packet library: at the size each opens with, every label's, button's, check
// box's, tree caption's and check item's text fits its widget and every tool
// bar button shows; at the smallest size a person can make the window, the same
// holds for everything but the tree captions; the port dialog keeps to its
// designed width and shows where its keyboard focus is. The field editor's
// Name takes the width of its column, check lists keep the height of their
// items, and the protocol editor's trees keep the width they opened with
// while a person browses. Each form's picture is left under artifacts/forms.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "platform/comm/comm.h"
#include "platform/ui/qt/QtText.h"
#include "tests/platform/ui_qt/QtTestSupport.h"
#include "tests/zelvani/editors/EditorTestSupport.h"
#include "zelvani/editors/EditorSupport.h"

namespace zelvani::editors::test {
namespace {

std::string Utf8(const QString& s) { return s.toStdString(); }

// Why a widget's text does not show whole; empty when it does.
class Checker {
 public:
  Checker(QWidget* window, bool captions) : window_(window), captions_(captions) {}

  std::vector<std::string> Faults() {
    for (QWidget* w : window_->findChildren<QWidget*>()) {
      if (!w->isVisible()) continue;
      if (auto* label = qobject_cast<QLabel*>(w))
        Fits(label, label->text(), label->contentsRect().width());
      else if (auto* radio = qobject_cast<QRadioButton*>(w))
        Fits(radio, radio->text(), Room(radio, QStyle::PM_ExclusiveIndicatorWidth, QStyle::PM_RadioButtonLabelSpacing));
      else if (auto* check = qobject_cast<QCheckBox*>(w))
        Fits(check, check->text(), Room(check, QStyle::PM_IndicatorWidth, QStyle::PM_CheckBoxLabelSpacing));
      else if (auto* button = qobject_cast<QPushButton*>(w))
        Fits(button, button->text(), Contents(button));
      else if (auto* list = qobject_cast<QListWidget*>(w))
        Items(list, true);
      else if (auto* tree = qobject_cast<QTreeWidget*>(w); tree && captions_)
        Items(tree, false);
      else if (auto* bar = qobject_cast<QToolBar*>(w))
        Buttons(bar);
    }
    return faults_;
  }

 private:
  static int Metric(QWidget* w, QStyle::PixelMetric m) { return w->style()->pixelMetric(m, nullptr, w); }
  static int Room(QAbstractButton* b, QStyle::PixelMetric indicator, QStyle::PixelMetric spacing) {
    return b->width() - Metric(b, indicator) - Metric(b, spacing);
  }
  // Where the style draws a push button's text.
  static int Contents(QPushButton* b) {
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    if (b->isDefault()) option.features |= QStyleOptionButton::DefaultButton;
    if (b->autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
    return b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b).width();
  }
  static std::string Name(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget())
      if (!p->objectName().isEmpty()) return Utf8(p->objectName());
    return "?";
  }
  void Fits(QWidget* w, const QString& text, int room) {
    const QString plain = QString(text).remove(QLatin1Char('&'));
    if (plain.isEmpty()) return;
    const int needed = w->fontMetrics().horizontalAdvance(plain);
    if (needed > room)
      faults_.push_back(Name(w) + ": \"" + Utf8(plain) + "\" needs " + std::to_string(needed) + " px, has " +
                        std::to_string(room));
  }
  // Each item whole inside the view: its text (with its check) as wide as the
  // view's own measure of it, and for a check list no item out of sight.
  template <class View>
  void Items(View* view, bool whole) {
    QAbstractItemModel* model = view->model();
    const QRect shown = view->viewport()->rect();
    for (int row = 0; row < model->rowCount(); ++row) {
      const QModelIndex index = model->index(row, 0);
      const QRect r = view->visualRect(index);
      const int room = std::min(r.right(), shown.right()) - r.left() + 1;
      const int needed = view->sizeHintForIndex(index).width();
      const std::string text = Utf8(index.data().toString());
      if (needed > room)
        faults_.push_back(Name(view) + ": \"" + text + "\" needs " + std::to_string(needed) + " px, has " +
                          std::to_string(room));
      if (whole && (r.top() < shown.top() || r.bottom() > shown.bottom()))
        faults_.push_back(Name(view) + ": \"" + text + "\" is out of sight");
    }
  }
  void Buttons(QToolBar* bar) {
    for (QToolButton* b : bar->findChildren<QToolButton*>()) {
      const bool overflow = b->objectName() == QLatin1String("qt_toolbar_ext_button");
      if (overflow && b->isVisible()) faults_.push_back(Name(bar) + ": buttons behind the overflow mark");
      if (!overflow && (!b->isVisible() || !bar->rect().contains(b->geometry())))
        faults_.push_back(Name(b) + ": hidden in its tool bar");
    }
  }

  QWidget* window_;
  bool captions_;
  std::vector<std::string> faults_;
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& l : lines) all += "\n  " + l;
  return all;
}

QString PictureDir() {
  const QString dir = QStringLiteral(ARTIFACT_DIR "/forms");
  QDir().mkpath(dir);
  return dir;
}

// Checks the window at the size it opened with and at its smallest size, and
// leaves its pictures; PAGES > 1 checks each tab of its page control.
void CheckWindow(QWidget* window, const std::string& name, int pages = 1) {
  auto* tabs = window->findChild<QTabWidget*>();
  const QSize opened = window->size();
  for (const bool smallest : {false, true}) {
    SCOPED_TRACE(smallest ? "at the smallest size" : "at the size it opens with");
    window->resize(smallest ? window->minimumSizeHint() : opened);
    QApplication::processEvents();
    for (int page = 0; page < pages; ++page) {
      if (tabs) QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(page).center());
      QApplication::processEvents();
      SCOPED_TRACE("page " + std::to_string(page));
      EXPECT_EQ(Joined(Checker(window, !smallest).Faults()), "");
      const QString suffix = (pages > 1 ? QStringLiteral("-%1").arg(page) : QString()) +
                             (smallest ? QStringLiteral("-smallest") : QString());
      EXPECT_TRUE(window->grab().save(PictureDir() + "/" + QString::fromStdString(name) + suffix + ".png"));
    }
    if (tabs) QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(0).center());
  }
  // Grown, for a look at where the room goes.
  window->resize(opened * 5 / 4);
  QApplication::processEvents();
  EXPECT_TRUE(window->grab().save(PictureDir() + "/" + QString::fromStdString(name) + "-grown.png"));
  window->resize(opened);
}

class FormsOnScreenTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    renderer_ = ui::qt::test::OffscreenRenderer();
    ASSERT_TRUE(renderer_);
    screen_ = std::make_unique<ui::ScopedPresenter>(renderer_);
    path_ = (dir_ / "Quelm.pkd").string();
    std::filesystem::copy_file(CORVATIN_DATA_DIR "/Quelm.pkd", path_);
    library_ = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
    ASSERT_TRUE(dynamic_cast<TQAVZLVPacketLibrary*>(library_.Get())->Load(path_));
  }
  void TearDown() override {
    screen_.reset();
    EditorTest::TearDown();
  }

  // Runs OPEN (which shows a modal window) while SCRIPT looks at the window;
  // the script closes it with Escape. A window still open after a while is
  // closed, so a failing script ends the test instead of the program.
  void OnScreen(const std::function<void()>& open, const std::function<void(QWidget*)>& script) {
    ui::qt::test::Soon([&] {
      QWidget* window = QApplication::activeModalWidget();
      if (!window) {
        ADD_FAILURE() << "no window opened";
        return;
      }
      script(window);
      QTest::keyClick(window, Qt::Key_Escape);
    });
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      if (QWidget* left = QApplication::activeModalWidget()) {
        ADD_FAILURE() << "closing a window left open: " << Utf8(left->windowTitle());
        left->close();
      }
    });
    watchdog.start(20000);
    open();
  }
  // Opens OBJECT's editor (its Edit member) and runs SCRIPT on its window.
  template <class Editable>
  void EditOnScreen(const Editable& object, const std::function<void(QWidget*)>& script) {
    OnScreen(
        [&] {
          VARIANT_BOOL result = VARIANT_TRUE;
          EXPECT_EQ(object->Edit(&result), S_OK);
        },
        script);
  }

  template <class Editable>
  void Edit(Editable* object, const std::string& name) {
    SCOPED_TRACE(name);
    OnScreen(
        [&] {
          VARIANT_BOOL result = VARIANT_TRUE;
          EXPECT_EQ(object->Edit(&result), S_OK);
          EXPECT_EQ(result, VARIANT_FALSE);
        },
        [&](QWidget* window) { CheckWindow(window, name); });
  }

  // The collection of every item of LIST whose nested collection (GET) holds
  // the most items.
  template <class List, class Item, class Nested>
  static ComPtr<Nested> Largest(List* list, HRESULT (Item::*get)(Nested**)) {
    ComPtr<Nested> best;
    LONG bestCount = -1;
    for (LONG i = 0; i < CountOf(list); ++i) {
      ComPtr<Nested> nested = ReadObject(ItemAt<List, Item>(list, i).Get(), get, "nested");
      if (const LONG n = CountOf(nested.Get()); n > bestCount) {
        best = nested;
        bestCount = n;
      }
    }
    return best;
  }

  std::shared_ptr<ui::Presenter> renderer_;
  std::unique_ptr<ui::ScopedPresenter> screen_;
  std::string path_;
  ComPtr<IQAVZLVPacketLibrary> library_;
};

TEST_F(FormsOnScreenTest, EveryEditorShowsItsTextsWhole) {
  ComPtr<IQAVZLVFlows> flows = ReadObject(library_.Get(), &IQAVZLVPacketLibrary::get_Flows, "flows");
  ComPtr<IQAVZLVFrames> frames = ReadObject(library_.Get(), &IQAVZLVPacketLibrary::get_PacketStructs, "frames");
  ComPtr<IQAVZLVPacketDefs> defs = ReadObject(library_.Get(), &IQAVZLVPacketLibrary::get_PacketDefs, "defs");
  ComPtr<IQAVZLVFlowItems> flowItems = Largest(flows.Get(), &IQAVZLVFlow::get_FlowItems);
  ComPtr<IQAVZLVFrameItems> frameItems = Largest(frames.Get(), &IQAVZLVFrame::get_PacketStructItems);
  ComPtr<IQAVZLVFieldDefs> fields = Largest(defs.Get(), &IQAVZLVPacketDef::get_FieldDefs);

  Edit(flows.Get(), "FlowsEditForm");
  Edit(frames.Get(), "PacketStructsEditForm");
  Edit(defs.Get(), "PacketDefsEditForm");
  Edit(flowItems.Get(), "FlowItemsEditForm");
  Edit(frameItems.Get(), "PacketStructItemsEditForm");
  Edit(fields.Get(), "FieldDefsEditForm");
  Edit(ItemAt<IQAVZLVFlows, IQAVZLVFlow>(flows.Get(), 0).Get(), "FlowEditForm");
  Edit(ItemAt<IQAVZLVFrames, IQAVZLVFrame>(frames.Get(), 0).Get(), "PacketStructEditForm");
  Edit(ItemAt<IQAVZLVPacketDefs, IQAVZLVPacketDef>(defs.Get(), 0).Get(), "PacketDefEditForm");
  Edit(ItemAt<IQAVZLVFlowItems, IQAVZLVFlowItem>(flowItems.Get(), 0).Get(), "FlowItemEditForm");
  Edit(ItemAt<IQAVZLVFrameItems, IQAVZLVFrameItem>(frameItems.Get(), 0).Get(), "PacketStructItemEditForm");
  Edit(ItemAt<IQAVZLVFieldDefs, IQAVZLVFieldDef>(fields.Get(), 0).Get(), "FieldDefEditForm");
  EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>());
}

TEST_F(FormsOnScreenTest, TheProtocolEditorShowsEveryTabsTextsWhole) {
  EditOnScreen(library_, [&](QWidget* window) { CheckWindow(window, "ProtocolEditor", 4); });
  EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>());
}

// The list trees take their width when the editor opens, wide enough for the
// widest caption of the whole library: stepping from packet to packet, and the
// lists reloaded from the text tab, move nothing, and every field's caption
// shows whole.
TEST_F(FormsOnScreenTest, TheProtocolEditorsLayoutStaysPutWhileAPersonBrowses) {
  OnScreen(
      [&] {
        VARIANT_BOOL result = VARIANT_TRUE;
        EXPECT_EQ(library_->Edit(&result), S_OK);
      },
      [&](QWidget* window) {
        auto* tabs = window->findChild<QTabWidget*>("PageControl");
        auto clickTab = [&](int page) {
          QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(page).center());
          QApplication::processEvents();
        };
        clickTab(2);
        auto* packets = window->findChild<QTreeWidget*>("PacketDefsTV");
        auto* fields = window->findChild<QTreeWidget*>("FieldDefsTV");
        QWidget* editor = window->findChild<QWidget*>("FieldDefEditFrame");
        ASSERT_TRUE(packets && fields && editor);
        auto where = [&] {
          return std::vector<int>{packets->width(), fields->width(), editor->mapTo(window, QPoint(0, 0)).x(),
                                  editor->width()};
        };
        const std::vector<int> opened = where();
        packets->setFocus();
        for (int i = 1; i < packets->topLevelItemCount(); ++i) {
          QTest::keyClick(packets, Qt::Key_Down);
          QApplication::processEvents();
          ASSERT_EQ(packets->currentItem(), packets->topLevelItem(i));
          SCOPED_TRACE(Utf8(packets->currentItem()->text(0)));
          EXPECT_EQ(where(), opened);
          EXPECT_EQ(Joined(Checker(fields, true).Faults()), "");
        }
        // A flow renamed in the text: leaving the tab reloads the lists.
        clickTab(3);
        auto* text = window->findChild<QPlainTextEdit*>("RTF");
        ASSERT_TRUE(text);
        QTextCursor cursor = text->textCursor();
        const int flow = static_cast<int>(text->toPlainText().indexOf(QStringLiteral("\nFlowOpen;")));
        ASSERT_GE(flow, 0);
        cursor.setPosition(flow + 5);
        text->setTextCursor(cursor);
        text->setFocus();
        QTest::keyClicks(text, "X");
        clickTab(2);
        EXPECT_EQ(Utf8(window->findChild<QTreeWidget*>("FlowsTV")->topLevelItem(0)->text(0)), "FlowXOpen");
        EXPECT_EQ(where(), opened);
      });
  EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>());
}

// The field editor's Name is as wide as the editor's column, so a long Polish
// name shows whole at the size the editor opens with, alone and beside the
// list of a packet's fields.
TEST_F(FormsOnScreenTest, TheFieldEditorsNameShowsALongNameWhole) {
  const QString name = QString::fromUtf8("Cena jednostkowa brutto (zł)");
  ComPtr<IQAVZLVFieldDefs> fields = Create<IQAVZLVFieldDefs>(CLSID_QAVZLVFieldDefs);
  ComPtr<IQAVZLVFieldDef> field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  dynamic_cast<TQAVZLVFieldDef*>(field.Get())->SetName(ui::qt::ToAnsi(name));
  dynamic_cast<TQAVZLVFieldDefs*>(fields.Get())->Append(field.Get());
  auto check = [&](QWidget* window) {
    auto* edit = window->findChild<QLineEdit*>("NameED");
    auto* column = window->findChild<QLineEdit*>("OffsetED");
    ASSERT_TRUE(edit && column);
    EXPECT_EQ(edit->text(), name);
    EXPECT_EQ(edit->width(), column->width());
    EXPECT_EQ(edit->mapTo(window, QPoint(0, 0)).x(), column->mapTo(window, QPoint(0, 0)).x());
    // Where the edit draws its text, inside its frame and its own margins.
    QStyleOptionFrame frame;
    frame.initFrom(edit);
    frame.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, edit);
    const int room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &frame, edit).width() - 4;
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(name), room);
  };
  EditOnScreen(field, check);
  EditOnScreen(fields, check);
  EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>());
}

// A check list is as tall as its items at any size of the window: the room a
// grown window gives goes elsewhere.
TEST_F(FormsOnScreenTest, CheckListsStayAsTallAsTheirItems) {
  ComPtr<IQAVZLVPacketDefs> defs = ReadObject(library_.Get(), &IQAVZLVPacketLibrary::get_PacketDefs, "defs");
  ComPtr<IQAVZLVFlows> flows = ReadObject(library_.Get(), &IQAVZLVPacketLibrary::get_Flows, "flows");
  ComPtr<IQAVZLVFlowItems> items = Largest(flows.Get(), &IQAVZLVFlow::get_FlowItems);
  ComPtr<IQAVZLVPacketDef> def = ItemAt<IQAVZLVPacketDefs, IQAVZLVPacketDef>(defs.Get(), 0);
  auto check = [](QWidget* window) {
    const QSize opened = window->size();
    for (const QSize size : {opened, opened * 5 / 4, opened * 2}) {
      window->resize(size);
      QApplication::processEvents();
      for (auto* list : window->findChildren<QListWidget*>()) {
        if (!list->isVisible()) continue;
        int items = 2 * list->frameWidth();
        for (int row = 0; row < list->count(); ++row) items += list->sizeHintForRow(row);
        EXPECT_EQ(list->height(), items) << Utf8(list->objectName()) << " at " << size.width() << "x"
                                         << size.height();
      }
    }
  };
  EditOnScreen(def, check);
  EditOnScreen(items, check);
  EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>());
}

// The port dialog opens with the keyboard focus in "Bits per second", and
// shows it there, as a dialog opened from the keyboard does.
TEST_F(FormsOnScreenTest, ThePortDialogShowsWhereTheKeyboardFocusIs) {
  COMMCONFIG config{};
  config.dwSize = sizeof(config);
  config.dcb.DCBlength = sizeof(DCB);
  config.dcb.BaudRate = 9600;
  OnScreen([&] { EXPECT_FALSE(CommConfigDialogA("COM1", nullptr, &config)); },
           [&](QWidget* window) {
             QWidget* rate = window->findChild<QWidget*>("BaudRateCO");
             ASSERT_TRUE(rate);
             QApplication::setActiveWindow(window);
             ASSERT_TRUE(QTest::qWaitForWindowActive(window));
             EXPECT_EQ(QApplication::focusWidget(), rate);
             QStyleOption shown;
             shown.initFrom(rate);
             EXPECT_TRUE(shown.state & QStyle::State_HasFocus);
             EXPECT_TRUE(shown.state & QStyle::State_KeyboardFocusChange) << "the focus is drawn";
           });
}

TEST_F(FormsOnScreenTest, ThePortDialogShowsItsSettingsOneUnderAnotherAtItsDesignedSize) {
  COMMCONFIG config{};
  config.dwSize = sizeof(config);
  config.dcb.DCBlength = sizeof(DCB);
  config.dcb.BaudRate = 115200;
  config.dcb.ByteSize = 8;
  config.dcb.Parity = NOPARITY;
  config.dcb.StopBits = ONESTOPBIT;
  OnScreen([&] { EXPECT_FALSE(CommConfigDialogA("COM1", nullptr, &config)); },
           [&](QWidget* window) {
             EXPECT_LE(window->width(), 300);
             EXPECT_LE(window->minimumSizeHint().width(), 300);
             // Each setting's label beside its list, each setting under the
             // one before, the buttons under them all.
             const char* rows[][2] = {{"BaudRateLA", "BaudRateCO"}, {"DataBitsLA", "DataBitsCO"},
                                      {"ParityLA", "ParityCO"},     {"StopBitsLA", "StopBitsCO"},
                                      {"FlowControlLA", "FlowControlCO"}};
             int below = -1;
             for (const auto& row : rows) {
               QWidget* label = window->findChild<QWidget*>(row[0]);
               QWidget* list = window->findChild<QWidget*>(row[1]);
               ASSERT_TRUE(label && list) << row[0];
               EXPECT_LT(label->geometry().right(), list->geometry().left()) << row[0];
               EXPECT_GT(list->geometry().top(), below) << row[1];
               below = list->geometry().bottom();
             }
             for (const char* button : {"DefaultsBT", "OKBT", "CancelBT"})
               EXPECT_GT(window->findChild<QWidget*>(button)->geometry().top(), below) << button;
             CheckWindow(window, "CommConfigForm");
           });
}

}  // namespace
}  // namespace zelvani::editors::test
