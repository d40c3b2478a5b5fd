// Every editor opened through its model object's Edit with the on-screen
// renderer (Qt's offscreen platform): a person types into an edit of the
// window, switches tabs where the form has them, presses OK, and the object
// holds what was typed. The protocol editor's window is saved as a picture
// under the build folder.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "platform/ui/qt/QtRenderer.h"
#include "tests/platform/ui_qt/QtTestSupport.h"
#include "tests/zelvani/editors/EditorTestSupport.h"

namespace zelvani::editors::test {
namespace {

using ui::qt::test::TypeKeys;

const std::string kLibrary =
    "FlowOpen;OPEN;\n"
    "{\n"
    "1;PC->;<ENQ>;0;;0;0;0;;0;\n"
    "2;PC<-;<ACK>;0;;0;3;0;;4;\n"
    "}\n"
    "FrameData;Write frame;W;\n"
    "{\n"
    "1;Const;String;1;<STX>;0;\n"
    "2;PacketID;String;1;;16;\n"
    "3;Data;String;0;;16;\n"
    "}\n"
    "P;Plu;W;FrameData;\n"
    "{\n"
    "1;Name;String;6;;;0;\n"
    "}\n";

// What a person does in an editor's window, with widgets only.
class Person {
 public:
  explicit Person(QWidget* window) : window_(window) {}
  QWidget* Window() const { return window_; }

  // Selects the whole text of the edit EDIT inside FRAME and types TEXT.
  void TypeInto(const char* frame, const char* edit, const QString& text) {
    QWidget* scope = window_->findChild<QWidget*>(frame);
    ASSERT_TRUE(scope) << "no frame " << frame;
    auto* line = scope->findChild<QLineEdit*>(edit);
    ASSERT_TRUE(line) << "no edit " << edit;
    ASSERT_TRUE(line->isVisible()) << edit << " is not showing";
    line->setFocus();
    line->selectAll();
    TypeKeys(line, text);
  }
  void ClickTab(int index) {
    auto* tabs = window_->findChild<QTabWidget*>("PageControl");
    ASSERT_TRUE(tabs);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(index).center());
    EXPECT_EQ(tabs->currentIndex(), index);
  }
  void Click(const char* button) {
    auto* b = window_->findChild<QPushButton*>(button);
    ASSERT_TRUE(b) << "no button " << button;
    QTest::mouseClick(b, Qt::LeftButton);
  }

 private:
  QWidget* window_;
};

class EditorsOnScreenTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    renderer_ = ui::qt::test::OffscreenRenderer();
    ASSERT_TRUE(renderer_);
    screen_ = std::make_unique<ui::ScopedPresenter>(renderer_);
  }
  void TearDown() override {
    screen_.reset();
    EditorTest::TearDown();
  }

  // Runs EDIT (a model object's Edit) while SCRIPT plays the person on the
  // window it opens. A window or message box still open after a few seconds
  // is closed, so a failing script ends its row instead of the program.
  std::pair<HRESULT, bool> OnScreen(const std::function<HRESULT(VARIANT_BOOL*)>& edit,
                                    const std::function<void(Person&)>& script) {
    QString caption;
    ui::qt::test::Soon([&] {
      QWidget* window = QApplication::activeModalWidget();
      if (!window) {
        ADD_FAILURE() << "no window opened";
        return;
      }
      Person person(window);
      script(person);
    });
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      if (QWidget* open = QApplication::activeModalWidget()) {
        ADD_FAILURE() << "closing a window left open: " << open->windowTitle().toStdString();
        open->close();
      }
    });
    watchdog.start(3000);
    VARIANT_BOOL result = VARIANT_FALSE;
    const HRESULT hr = edit(&result);
    return {hr, result == VARIANT_TRUE};
  }

  std::shared_ptr<ui::Presenter> renderer_;
  std::unique_ptr<ui::ScopedPresenter> screen_;
};

template <class I>
std::string IdOf(IUnknown* object) {
  return ReadText(QueryAs<I>(object).Get(), &I::get_ID, "ID");
}

// One object editor: the object, the frame holding its ID edit, and its ID
// read back.
struct EditorCase {
  const char* caption;
  const char* frame;
  std::function<ComPtr<IDispatch>()> make;
  std::function<HRESULT(IDispatch*, VARIANT_BOOL*)> edit;
  std::function<std::string(IDispatch*)> id;  // of the object, or of a list's first item
};

template <class I>
EditorCase Item(const char* caption, const char* frame, REFCLSID clsid) {
  return {caption, frame, [&clsid] { return QueryAs<IDispatch>(Create<I>(clsid).Get()); },
          [](IDispatch* d, VARIANT_BOOL* r) { return QueryAs<I>(d)->Edit(r); },
          [](IDispatch* d) { return IdOf<I>(d); }};
}

template <class Coll, class I, class Impl>
EditorCase List(const char* caption, const char* frame, REFCLSID collClsid, REFCLSID itemClsid) {
  return {caption, frame,
          [&collClsid, &itemClsid] {
            ComPtr<Coll> c = Create<Coll>(collClsid);
            ComPtr<I> item = Create<I>(itemClsid);
            EXPECT_EQ(item->put_ID(B("a").Get()), S_OK);
            LONG at = 0;
            EXPECT_EQ(c->Add(item.Get(), &at), S_OK);
            return QueryAs<IDispatch>(c.Get());
          },
          [](IDispatch* d, VARIANT_BOOL* r) { return QueryAs<Coll>(d)->Edit(r); },
          [](IDispatch* d) {
            const auto& items = dynamic_cast<Impl*>(d)->Items();
            return items.empty() ? std::string() : ReadText(items.front().Get(), &I::get_ID, "ID");
          }};
}

TEST_F(EditorsOnScreenTest, EachEditorTakesWhatAPersonTypesOnOk) {
  const EditorCase cases[] = {
      Item<IQAVZLVFlowItem>("FlowItemEditForm", "FlowItemEditFrame", CLSID_QAVZLVFlowItem),
      Item<IQAVZLVFlow>("FlowEditForm", "FlowEditFrame", CLSID_QAVZLVFlow),
      Item<IQAVZLVFieldDef>("FieldDefEditForm", "FieldDefEditFrame", CLSID_QAVZLVFieldDef),
      Item<IQAVZLVPacketDef>("PacketDefEditForm", "PacketDefEditFrame", CLSID_QAVZLVPacketDef),
      Item<IQAVZLVFrameItem>("PacketStructItemEditForm", "PacketStructItemEditFrame", CLSID_QAVZLVFrameItem),
      Item<IQAVZLVFrame>("PacketStructEditForm", "PacketStructEditFrame", CLSID_QAVZLVFrame),
      List<IQAVZLVFlowItems, IQAVZLVFlowItem, TQAVZLVFlowItems>("FlowItemsEditForm", "FlowItemEditFrame", CLSID_QAVZLVFlowItems,
                                              CLSID_QAVZLVFlowItem),
      List<IQAVZLVFlows, IQAVZLVFlow, TQAVZLVFlows>("FlowsEditForm", "FlowEditFrame", CLSID_QAVZLVFlows, CLSID_QAVZLVFlow),
      List<IQAVZLVFieldDefs, IQAVZLVFieldDef, TQAVZLVFieldDefs>("FieldDefsEditForm", "FieldDefEditFrame", CLSID_QAVZLVFieldDefs,
                                              CLSID_QAVZLVFieldDef),
      List<IQAVZLVPacketDefs, IQAVZLVPacketDef, TQAVZLVPacketDefs>("PacketDefsEditForm", "PacketDefEditFrame",
                                                CLSID_QAVZLVPacketDefs, CLSID_QAVZLVPacketDef),
      List<IQAVZLVFrameItems, IQAVZLVFrameItem, TQAVZLVFrameItems>("PacketStructItemsEditForm", "PacketStructItemEditFrame",
                                                CLSID_QAVZLVFrameItems, CLSID_QAVZLVFrameItem),
      List<IQAVZLVFrames, IQAVZLVFrame, TQAVZLVFrames>("PacketStructsEditForm", "PacketStructEditFrame", CLSID_QAVZLVFrames,
                                        CLSID_QAVZLVFrame),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    ComPtr<IDispatch> object = c.make();
    const auto answer = OnScreen([&](VARIANT_BOOL* r) { return c.edit(object.Get(), r); },
                                 [&](Person& p) {
                                   EXPECT_EQ(p.Window()->windowTitle().toStdString(), c.caption);
                                   p.TypeInto(c.frame, "IDED", QString::fromUtf8("Łódź7"));
                                   // Each editor's picture, for a look at its layout.
                                   QDir().mkpath(QStringLiteral(ARTIFACT_DIR));
                                   EXPECT_TRUE(p.Window()->grab().save(QStringLiteral(ARTIFACT_DIR "/") +
                                                                       QString::fromLatin1(c.caption) + ".png"));
                                   p.Click("OKBT");
                                 });
    EXPECT_EQ(answer, std::make_pair(S_OK, true));
    EXPECT_EQ(c.id(object.Get()), "\xA3\xF3\x64\x9F" "7");
  }
  EXPECT_TRUE(rec_->Messages().empty());
}

TEST_F(EditorsOnScreenTest, ProtocolEditorThroughItsTabsAndItsPicture) {
  const std::string path = WriteFile("Lib.PKD", kLibrary);
  ComPtr<IQAVZLVPacketLibrary> library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  auto* lib = dynamic_cast<TQAVZLVPacketLibrary*>(library.Get());
  ASSERT_TRUE(lib->Load(path));
  const QString picture = QStringLiteral(ARTIFACT_DIR "/protocol-editor.png");
  QDir().mkpath(QStringLiteral(ARTIFACT_DIR));
  QFile::remove(picture);

  const auto answer = OnScreen([&](VARIANT_BOOL* r) { return library->Edit(r); },
                               [&](Person& p) {
                                 EXPECT_EQ(p.Window()->windowTitle(), "Protocol Editor");
                                 p.ClickTab(2);
                                 p.TypeInto("PacketDefEditFrame", "NameED", QString::fromUtf8("Towar żółty"));
                                 p.ClickTab(1);
                                 p.ClickTab(0);
                                 EXPECT_TRUE(p.Window()->grab().save(picture));
                                 p.Click("OKBT");
                               });
  EXPECT_EQ(answer, std::make_pair(S_OK, true));
  EXPECT_EQ(dynamic_cast<TQAVZLVPacketDef*>(lib->PacketDefList()->At(0).Get())->Name(), "Towar \xBF\xF3\xB3ty");
  EXPECT_EQ(ReadFile(path), kLibrary) << "no file is written without the text tab";
  EXPECT_TRUE(QFile::exists(picture));
  EXPECT_TRUE(rec_->Messages().empty());
}

// The Tab key on screen walks each page of the protocol editor in the form's
// tab order: from the tab bar to the list's tree, into the item editor and on
// to the buttons, past the tool bars' buttons and out of a memo.
TEST_F(EditorsOnScreenTest, TabOnScreenFollowsTheFormsTabOrder) {
  const std::string path = WriteFile("Lib.PKD", kLibrary);
  ComPtr<IQAVZLVPacketLibrary> library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  ASSERT_TRUE(dynamic_cast<TQAVZLVPacketLibrary*>(library.Get())->Load(path));
  // A control as "parent.name", and a widget as the control it mirrors.
  auto controlName = [](const ui::Control& c) { return c.Parent()->Name() + "." + c.Name(); };
  auto widgetName = [](QWidget* w) {
    while (w && (w->objectName().isEmpty() || w->objectName().startsWith("qt_"))) w = w->parentWidget();
    return w && w->parentWidget() ? w->parentWidget()->objectName().toStdString() + "." + w->objectName().toStdString()
                                  : std::string("?");
  };
  const auto answer = OnScreen([&](VARIANT_BOOL* r) { return library->Edit(r); },
                               [&](Person& p) {
                                 ui::Form* form = ui::TopModalForm();
                                 ASSERT_TRUE(form);
                                 QApplication::setActiveWindow(p.Window());
                                 ASSERT_TRUE(QTest::qWaitForWindowActive(p.Window()));
                                 auto* tabs = p.Window()->findChild<QTabWidget*>("PageControl");
                                 for (int page : {0, 1}) {
                                   SCOPED_TRACE("page " + std::to_string(page));
                                   p.ClickTab(page);
                                   std::vector<std::string> expected, met;
                                   for (const ui::Control* c : ui::TabOrder(*form))
                                     if (c->Showing() && c->EnabledInTree()) expected.push_back(controlName(*c));
                                   tabs->tabBar()->setFocus(Qt::TabFocusReason);
                                   for (size_t i = 0; i < expected.size(); ++i) {
                                     ASSERT_TRUE(QApplication::focusWidget()) << met.size();
                                     met.push_back(widgetName(QApplication::focusWidget()));
                                     QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                                   }
                                   EXPECT_EQ(met, expected);
                                   EXPECT_EQ(widgetName(QApplication::focusWidget()), expected.front()) << "round again";
                                 }
                                 p.Click("CancelBT");
                               });
  EXPECT_EQ(answer, std::make_pair(S_OK, false));
  EXPECT_EQ(ReadFile(path), kLibrary);
  EXPECT_TRUE(rec_->Messages().empty());
}

TEST_F(EditorsOnScreenTest, CancelOnScreenLeavesTheObjectAsItWas) {
  ComPtr<IQAVZLVFlow> flow = Create<IQAVZLVFlow>(CLSID_QAVZLVFlow);
  ASSERT_EQ(flow->put_ID(B("kept").Get()), S_OK);
  const auto answer = OnScreen([&](VARIANT_BOOL* r) { return flow->Edit(r); },
                               [](Person& p) {
                                 p.TypeInto("FlowEditFrame", "IDED", "gone");
                                 QTest::keyClick(p.Window(), Qt::Key_Escape);
                               });
  EXPECT_EQ(answer, std::make_pair(S_OK, false));
  EXPECT_EQ(IdOf<IQAVZLVFlow>(flow.Get()), "kept");
}

// On screen an identifier or a name keeps exactly what a person types, the
// escape notation included, while a flow item's data reads it; a control
// byte a file put into an identifier shows by its name and stays where the
// person did not touch it.
TEST_F(EditorsOnScreenTest, IdsAndNamesKeepWhatAPersonTypes) {
  ComPtr<IQAVZLVFlowItem> item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  auto* flowItem = dynamic_cast<TQAVZLVFlowItem*>(item.Get());
  flowItem->SetID("\r");
  const auto answer = OnScreen([&](VARIANT_BOOL* r) { return item->Edit(r); },
                               [&](Person& p) {
                                 auto* id = p.Window()->findChild<QLineEdit*>("IDED");
                                 ASSERT_TRUE(id);
                                 EXPECT_EQ(id->text(), "<CR>");
                                 id->setFocus();
                                 id->end(false);
                                 TypeKeys(id, "1");
                                 EXPECT_EQ(id->text(), "<CR>1");
                                 p.TypeInto("FlowItemEditFrame", "NextFlowItemIDED", "<ACK>x");
                                 p.TypeInto("FlowItemEditFrame", "DataED", "<ACK>x");
                                 p.Click("OKBT");
                               });
  EXPECT_EQ(answer, std::make_pair(S_OK, true));
  EXPECT_EQ(flowItem->ID(), "\r1");
  EXPECT_EQ(flowItem->NextFlowItemID(), "<ACK>x");
  EXPECT_EQ(flowItem->DataText(), "\x06x");

  ComPtr<IQAVZLVPacketDef> def = Create<IQAVZLVPacketDef>(CLSID_QAVZLVPacketDef);
  const auto named = OnScreen([&](VARIANT_BOOL* r) { return def->Edit(r); },
                              [&](Person& p) {
                                p.TypeInto("PacketDefEditFrame", "IDED", "<STX>");
                                p.TypeInto("PacketDefEditFrame", "NameED", QString::fromUtf8("Cena <CR> zł"));
                                p.Click("OKBT");
                              });
  EXPECT_EQ(named, std::make_pair(S_OK, true));
  EXPECT_EQ(IdOf<IQAVZLVPacketDef>(def.Get()), "<STX>");
  EXPECT_EQ(dynamic_cast<TQAVZLVPacketDef*>(def.Get())->Name(), "Cena <CR> z\xB3");
  EXPECT_TRUE(rec_->Messages().empty());
}

TEST_F(EditorsOnScreenTest, ASeparatorByteShowsByItsNameAndSurvivesEditing) {
  struct Case {
    const char* name;
    const char* typed;  // into the separator edit; null: the name edit instead
    std::string separator;
  };
  const Case cases[] = {
      {"untouched while another edit changes", nullptr, "\x1C"},
      {"typed by its name", "<ETX>", "\x03"},
      {"typed in hexadecimal", "<#$1D>", "\x1D"},
      {"typed as a plain character", ";", ";"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IQAVZLVFieldDef> field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
    ASSERT_EQ(field->put_Separator(B("\x1C").Get()), S_OK);
    const auto answer = OnScreen([&](VARIANT_BOOL* r) { return field->Edit(r); },
                                 [&](Person& p) {
                                   auto* separator = p.Window()->findChild<QLineEdit*>("SeparatorED");
                                   ASSERT_TRUE(separator);
                                   EXPECT_EQ(separator->text(), "<FS>");
                                   if (c.typed)
                                     p.TypeInto("FieldDefEditFrame", "SeparatorED", QString::fromLatin1(c.typed));
                                   else
                                     p.TypeInto("FieldDefEditFrame", "NameED", "Kwota");
                                   p.Click("OKBT");
                                 });
    EXPECT_EQ(answer, std::make_pair(S_OK, true));
    EXPECT_EQ(ReadText(field.Get(), &IQAVZLVFieldDef::get_Separator, "Separator"), c.separator);
  }
  EXPECT_TRUE(rec_->Messages().empty());
}

}  // namespace
}  // namespace zelvani::editors::test
