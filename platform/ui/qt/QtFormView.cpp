#include "platform/ui/qt/QtFormView.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>

#include "platform/ui/UserActions.h"
#include "platform/ui/qt/QtText.h"

namespace ui::qt {

namespace {

// The window of a form: its close box and its Enter and Escape keys are a
// person's actions on the form; the form itself decides whether it closes.
class FormWindow final : public QWidget {
 public:
  FormWindow(QtFormView& view, Form& form) : view_(view), form_(form) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (form_.InModalLoop() && !form_.ModalDone()) view_.Route(form_, [this] { CloseBox(form_); });
  }
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Escape:
        view_.Route(form_, [this] { PressEscape(form_); });
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        view_.Route(form_, [this] { PressEnter(form_); });
        return;
      default:
        QWidget::keyPressEvent(event);
    }
  }

 private:
  QtFormView& view_;
  Form& form_;
};

// Keeps the view's "writing into widgets" mark for a scope.
struct Pushing {
  int& depth;
  explicit Pushing(int& d) : depth(d) { ++depth; }
  ~Pushing() { --depth; }
};

// A tree that tells when it gains or loses the keyboard focus, and fits its
// captions.
class TreeWidget final : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;
  std::function<void()> focusChanged;

  // As wide as designed, or as the widest of CAPTIONS with room for a scroll
  // bar, up to three times the designed width (a caption longer than that is
  // an odd item, not a reason for a huge window). The tree takes this width
  // once, so that what is beside it stays put while its nodes change.
  void FitCaptions(int designed, const std::vector<QString>& captions) {
    // Each caption measured as the tree's items are.
    QStyleOptionViewItem item;
    initViewItemOption(&item);
    item.features |= QStyleOptionViewItem::HasDisplay;
    int widest = 0;
    for (const QString& caption : captions) {
      item.text = caption;
      widest = std::max(widest, style()->sizeFromContents(QStyle::CT_ItemViewItem, &item, QSize(), this).width());
    }
    const int wanted = widest + 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    setMinimumWidth(std::max(designed, std::min(wanted, 3 * designed)));
  }

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QTreeWidget::focusInEvent(event);
    if (focusChanged) focusChanged();
  }
  void focusOutEvent(QFocusEvent* event) override {
    QTreeWidget::focusOutEvent(event);
    if (focusChanged) focusChanged();
  }
};

// A label that is never narrower than designed (besides its text).
class LabelWidget final : public QLabel {
 public:
  using QLabel::QLabel;
  int designed = 0;

  QSize minimumSizeHint() const override { return Wider(QLabel::minimumSizeHint()); }
  QSize sizeHint() const override { return Wider(QLabel::sizeHint()); }

 private:
  QSize Wider(QSize size) const {
    size.setWidth(std::max(size.width(), designed));
    return size;
  }
};

// A check list as large as its items: every item whole, none out of sight, so
// it never scrolls; and no taller, whatever room its window has.
void FitItems(QListWidget* list) {
  int width = 0, height = 0;
  for (int row = 0; row < list->count(); ++row) {
    const QSize item = list->sizeHintForIndex(list->model()->index(row, 0));
    width = std::max(width, item.width());
    height += item.height();
  }
  const int frame = 2 * list->frameWidth();
  list->setMinimumWidth(width + frame);
  list->setFixedHeight(height + frame);
}

bool IsContainer(ControlKind kind) {
  return kind == ControlKind::Form || kind == ControlKind::Frame || kind == ControlKind::Panel ||
         kind == ControlKind::TabSheet;
}

// Widgets that take the room a row leaves.
bool GrowsSideways(const Control& c) {
  switch (c.Kind()) {
    case ControlKind::Edit:
    case ControlKind::Memo:
    case ControlKind::RichEdit:
    case ControlKind::ComboBox:
    case ControlKind::CheckListBox:
    case ControlKind::TreeView:
    case ControlKind::PageControl:
    case ControlKind::Frame:
    case ControlKind::Panel:
    case ControlKind::StatusBar:
    case ControlKind::ToolBar:
      return true;
    default:
      return false;
  }
}

// Widgets that take the height a column leaves; a frame or panel does when
// something in it does. A check list keeps the height of its items.
bool GrowsDown(const Control& c) {
  switch (c.Kind()) {
    case ControlKind::Memo:
    case ControlKind::RichEdit:
    case ControlKind::TreeView:
    case ControlKind::PageControl:
      return true;
    case ControlKind::Frame:
    case ControlKind::Panel:
      return std::any_of(c.Children().begin(), c.Children().end(),
                         [](const auto& child) { return GrowsDown(*child); });
    default:
      return false;
  }
}

// The Qt key of a virtual key code; 0 when there is none.
int QtKey(int vk) {
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return vk;  // same codes in both
  if (vk >= 0x70 && vk <= 0x7B) return Qt::Key_F1 + (vk - 0x70);
  struct Row {
    int vk;
    int key;
  };
  static constexpr Row kKeys[] = {
      {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab},   {0x0D, Qt::Key_Return}, {0x1B, Qt::Key_Escape},
      {0x20, Qt::Key_Space},     {0x21, Qt::Key_PageUp}, {0x22, Qt::Key_PageDown}, {0x23, Qt::Key_End},
      {0x24, Qt::Key_Home},      {0x25, Qt::Key_Left},  {0x26, Qt::Key_Up},     {0x27, Qt::Key_Right},
      {0x28, Qt::Key_Down},      {0x2D, Qt::Key_Insert}, {0x2E, Qt::Key_Delete},
  };
  for (const Row& r : kKeys)
    if (r.vk == vk) return r.key;
  return 0;
}

QKeySequence KeySequence(ShortCut shortcut) {
  const int key = QtKey(shortcut & 0xFF);
  if (!key) return {};
  Qt::KeyboardModifiers mods;
  if (shortcut & scShift) mods |= Qt::ShiftModifier;
  if (shortcut & scCtrl) mods |= Qt::ControlModifier;
  if (shortcut & scAlt) mods |= Qt::AltModifier;
  return QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(key)));
}

QIcon IconOf(const ImageList* images, int index) {
  if (!images || index < 0 || index >= images->Count()) return {};
  const auto& pixels = images->Image(index);
  const int w = images->ImageWidth(), h = images->ImageHeight();
  if (w <= 0 || h <= 0 || pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) return {};
  QImage image(w, h, QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, pixels[static_cast<size_t>(y * w + x)]);
  return QIcon(QPixmap::fromImage(image));
}

// The text a memo's widget would give the model, compared as the model keeps
// it: a line break at the very end only ends the last line.
QString AsModelKeepsIt(QString text) {
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return text;
}

void AddNodes(QTreeWidgetItem* parent, QTreeWidget* tree, const std::vector<std::unique_ptr<TreeNode>>& nodes) {
  for (const auto& node : nodes) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, FromAnsi(node->Text()));
    item->setData(0, Qt::UserRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(node.get())));
    AddNodes(item, tree, node->Children());
  }
}

QTreeWidgetItem* ItemOf(QTreeWidget* tree, const TreeNode* node) {
  if (!node) return nullptr;
  const QVariant key = QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(node));
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    if ((*it)->data(0, Qt::UserRole) == key) return *it;
  return nullptr;
}

}  // namespace

QtFormView::QtFormView(Control& root) : root_(root) {
  Build(root, nullptr);
  window_ = widgets_.at(&root);
  // The designed size, grown where the controls need more room to show their
  // texts whole (their smallest sizes are those that show them).
  QSize size(root.Width(), root.Height());
  if (auto* form = dynamic_cast<Form*>(&root); form && form->ClientWidth() > 0 && form->ClientHeight() > 0)
    size = QSize(form->ClientWidth(), form->ClientHeight());
  window_->resize(size.expandedTo(window_->minimumSizeHint()));
  // A dialog border: the window keeps that size, and its title bar has the
  // system menu and the close box only.
  if (auto* form = dynamic_cast<Form*>(&root); form && form->Border() == BorderStyle::Dialog) {
    window_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint);
    window_->setFixedSize(window_->size());
  }
  subscription_ = root_.Subscribe([this](Control& c, Property what) { OnChanged(c, what); });
}

QtFormView::~QtFormView() {
  root_.Unsubscribe(subscription_);
  delete window_;
}

QWidget* QtFormView::WidgetOf(const Control& control) const {
  auto it = widgets_.find(&control);
  return it == widgets_.end() ? nullptr : it->second;
}

QWidget* QtFormView::WidgetOf(std::string_view name) const {
  const Control* c = root_.Name() == name ? &root_ : root_.Find(name);
  return c ? WidgetOf(*c) : nullptr;
}

void QtFormView::Route(Control& control, const std::function<void()>& call) {
  if (pushing_) return;
  try {
    call();
  } catch (const ActionRefused&) {
    // The widget let the person do what the model does not allow; showing the
    // model's state again below undoes it.
  } catch (...) {
    try {
      HandleException();
    } catch (...) {
    }
  }
  try {
    // A tree shows its selection again; its nodes did not change by a click.
    // The widget goes on handling the click after this call and may mark the
    // clicked row once more, so the model's selection is shown again when it
    // is done: one marked row, the one the model kept.
    if (control.Kind() == ControlKind::TreeView) {
      Sync(control, Property::Selected);
      Control* tree = &control;
      if (QWidget* widget = WidgetOf(control))
        QTimer::singleShot(0, widget, [this, tree] { Sync(*tree, Property::Selected); });
    } else {
      SyncAll(control);
    }
  } catch (...) {
  }
}

// ---- building ---------------------------------------------------------------

void QtFormView::Build(Control& control, QWidget* parent) {
  QWidget* w = Create(control, parent);
  // The control's name finds its widget, as it finds the control.
  if (w) w->setObjectName(FromAnsi(control.Name()));
  // The Tab key visits the tab stops of the model only, in the order their
  // widgets are made here, which is the model's order: a tool button is
  // reached by mouse and by its action's shortcut.
  if (w && !IsTabStop(control) && !IsContainer(control.Kind())) w->setFocusPolicy(Qt::NoFocus);
  widgets_[&control] = w;
  for (const auto& child : control.Children())
    if (!widgets_.count(child.get())) Build(*child, w ? w : parent);
  Arrange(control);
  SyncAll(control);
  if (control.Kind() == ControlKind::TreeView) {
    auto& tree = static_cast<TreeView&>(control);
    std::vector<QString> captions;
    for (const auto& caption : tree.CaptionsToFit()) captions.push_back(FromAnsi(caption));
    for (int i = 0; i < tree.Count(); ++i) captions.push_back(FromAnsi(tree.Item(i).Text()));
    static_cast<TreeWidget*>(w)->FitCaptions(std::max(control.Width(), 0), captions);
  }
}

QWidget* QtFormView::Create(Control& c, QWidget* parent) {
  Control* cp = &c;
  switch (c.Kind()) {
    case ControlKind::Form:
      if (auto* form = dynamic_cast<Form*>(&c)) {
        auto* w = new FormWindow(*this, *form);
        w->setWindowFlag(Qt::Dialog);
        return w;
      }
      return new QWidget(parent);
    case ControlKind::Frame:
    case ControlKind::TabSheet:
      return new QWidget(parent);
    case ControlKind::Panel: {
      auto* w = new QFrame(parent);
      w->setFrameShape(QFrame::NoFrame);
      return w;
    }
    case ControlKind::Label:
      return new LabelWidget(parent);
    case ControlKind::Bevel:
      return new QFrame(parent);
    case ControlKind::Button: {
      auto* w = new QPushButton(parent);
      // Enter presses the focused button, as Space does.
      w->setAutoDefault(true);
      QObject::connect(w, &QPushButton::clicked, w, [this, cp] {
        Route(*cp, [cp] { Click(static_cast<Button&>(*cp)); });
      });
      return w;
    }
    case ControlKind::CheckBox: {
      auto* w = new QCheckBox(parent);
      QObject::connect(w, &QCheckBox::clicked, w, [this, cp] {
        Route(*cp, [cp] { Click(static_cast<CheckBox&>(*cp)); });
      });
      return w;
    }
    case ControlKind::RadioButton: {
      auto* w = new QRadioButton(parent);
      // The model keeps the group; the widget only shows it.
      w->setAutoExclusive(false);
      QObject::connect(w, &QRadioButton::clicked, w, [this, cp] {
        Route(*cp, [cp] { Check(static_cast<RadioButton&>(*cp)); });
      });
      return w;
    }
    case ControlKind::Edit: {
      auto* w = new QLineEdit(parent);
      QObject::connect(w, &QLineEdit::textEdited, w, [this, cp](const QString& text) {
        Route(*cp, [cp, t = ToAnsi(text)] { TypeShown(static_cast<Edit&>(*cp), t); });
      });
      return w;
    }
    case ControlKind::Memo:
    case ControlKind::RichEdit: {
      auto* w = new QPlainTextEdit(parent);
      // Tab leaves the text for the next control, as it leaves every other one.
      w->setTabChangesFocus(true);
      QObject::connect(w, &QPlainTextEdit::textChanged, w, [this, cp, w] {
        if (pushing_) return;
        Route(*cp, [cp, t = LinesToAnsi(w->toPlainText())] { TypeInto(static_cast<Memo&>(*cp), t); });
      });
      return w;
    }
    case ControlKind::ComboBox: {
      auto* w = new QComboBox(parent);
      QObject::connect(w, &QComboBox::activated, w, [this, cp](int index) {
        Route(*cp, [cp, index] { ChooseItem(static_cast<ComboBox&>(*cp), index); });
      });
      return w;
    }
    case ControlKind::CheckListBox: {
      auto* w = new QListWidget(parent);
      w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      QObject::connect(w, &QListWidget::currentRowChanged, w, [this, cp](int row) {
        auto& list = static_cast<CheckListBox&>(*cp);
        if (row < 0 || row == list.ItemIndex()) return;
        Route(*cp, [&list, row] { SelectItem(list, row); });
      });
      QObject::connect(w, &QListWidget::itemChanged, w, [this, cp, w](QListWidgetItem* item) {
        auto& list = static_cast<CheckListBox&>(*cp);
        const int row = w->row(item);
        if (row < 0 || row >= list.ItemCount()) return;
        if ((item->checkState() == Qt::Checked) == list.Checked(row)) return;
        Route(*cp, [&list, row] { Toggle(list, row); });
      });
      return w;
    }
    case ControlKind::TreeView: {
      auto* w = new TreeWidget(parent);
      w->setHeaderHidden(true);
      w->setColumnCount(1);
      w->focusChanged = [this, cp] { Sync(*cp, Property::Color); };
      QObject::connect(w, &QTreeWidget::currentItemChanged, w, [this, cp](QTreeWidgetItem* item) {
        if (!item) return;
        auto* node = reinterpret_cast<TreeNode*>(item->data(0, Qt::UserRole).value<quintptr>());
        if (!node || node == static_cast<TreeView&>(*cp).Selected()) return;
        Route(*cp, [node] { Select(*node); });
      });
      return w;
    }
    case ControlKind::PageControl: {
      auto* w = new QTabWidget(parent);
      QObject::connect(w, &QTabWidget::currentChanged, w, [this, cp](int index) {
        auto& pages = static_cast<PageControl&>(*cp);
        if (index < 0 || index == pages.ActivePageIndex()) return;
        Route(*cp, [&pages, index] { SelectPage(pages, index); });
      });
      return w;
    }
    case ControlKind::ToolBar:
      return new QToolBar(parent);
    case ControlKind::ToolButton: {
      auto* w = new QToolButton(parent);
      QObject::connect(w, &QToolButton::clicked, w, [this, cp] {
        Route(*cp, [cp] { Click(static_cast<ToolButton&>(*cp)); });
      });
      return w;
    }
    case ControlKind::StatusBar: {
      auto* w = new QStatusBar(parent);
      w->setSizeGripEnabled(false);
      return w;
    }
    case ControlKind::Action: {
      // A shortcut of the window runs the action as a person pressing it.
      auto* s = new QShortcut(window_ ? window_ : parent);
      QObject::connect(s, &QShortcut::activated, s, [this, cp] {
        Route(*cp, [cp] { Execute(static_cast<Action&>(*cp)); });
      });
      shortcuts_[&c] = s;
      return nullptr;
    }
    case ControlKind::ActionList:
    case ControlKind::ImageList:
      return nullptr;
  }
  return nullptr;
}

void QtFormView::Arrange(Control& container) {
  QWidget* host = WidgetOf(container);
  if (!host) return;
  const ControlKind kind = container.Kind();
  if (kind == ControlKind::PageControl) {
    auto* tabs = static_cast<QTabWidget*>(host);
    Pushing p(pushing_);
    for (const auto& child : container.Children())
      if (QWidget* page = WidgetOf(*child); page && tabs->indexOf(page) < 0) {
        tabs->addTab(page, QString());
        SyncKind(*child, Property::Caption);
      }
    return;
  }
  if (kind == ControlKind::ToolBar) {
    auto* bar = static_cast<QToolBar*>(host);
    for (const auto& child : container.Children())
      if (QWidget* button = WidgetOf(*child); button && !button->property("onToolBar").toBool()) {
        bar->addWidget(button);
        button->setProperty("onToolBar", true);
      }
    // Every button shows: the bar is never narrower than all of them.
    bar->setMinimumWidth(bar->sizeHint().width());
    return;
  }
  if (!IsContainer(kind)) return;

  // Sort the children by where they sit.
  std::vector<Control*> top, bottom, left, right, client, free;
  for (const auto& child : container.Children()) {
    if (!WidgetOf(*child)) continue;
    switch (child->Alignment()) {
      case Align::Top: top.push_back(child.get()); break;
      case Align::Bottom: bottom.push_back(child.get()); break;
      case Align::Left: left.push_back(child.get()); break;
      case Align::Right: right.push_back(child.get()); break;
      case Align::Client: client.push_back(child.get()); break;
      case Align::None: free.push_back(child.get()); break;
    }
  }
  auto byTop = [](const Control* a, const Control* b) { return a->Top() < b->Top(); };
  auto byLeft = [](const Control* a, const Control* b) { return a->Left() < b->Left(); };
  std::stable_sort(top.begin(), top.end(), byTop);
  std::stable_sort(bottom.begin(), bottom.end(), byTop);
  std::stable_sort(left.begin(), left.end(), byLeft);
  std::stable_sort(right.begin(), right.end(), byLeft);

  delete host->layout();
  auto* outer = new QVBoxLayout(host);
  const bool framed = kind == ControlKind::Form || kind == ControlKind::TabSheet;
  if (!framed) outer->setContentsMargins(0, 0, 0, 0);
  for (Control* c : top) outer->addWidget(WidgetOf(*c), GrowsDown(*c) ? 1 : 0);
  // Spare height goes to what grows: the controls in the middle, else those at
  // the edges, else nowhere (the controls keep to the top).
  const bool edgeGrows = std::any_of(top.begin(), top.end(), [](Control* c) { return GrowsDown(*c); }) ||
                         std::any_of(bottom.begin(), bottom.end(), [](Control* c) { return GrowsDown(*c); });

  auto* middle = new QHBoxLayout;
  for (Control* c : left) middle->addWidget(WidgetOf(*c));
  auto* center = new QVBoxLayout;
  bool centerGrows = !client.empty();
  arrangeWidth_ = container.Width();
  if (auto* form = dynamic_cast<Form*>(&container); form && form->ClientWidth() > 0)
    arrangeWidth_ = form->ClientWidth();
  if (!free.empty()) {
    std::vector<Unit> units = Units(free);
    for (const Unit& u : units) centerGrows = centerGrows || u.down;
    center->addLayout(Cut(units, 0), 1);
  }
  for (Control* c : client) center->addWidget(WidgetOf(*c), 1);
  if (!centerGrows && !edgeGrows) center->addStretch(1);
  middle->addLayout(center, 1);
  for (Control* c : right) middle->addWidget(WidgetOf(*c));
  outer->addLayout(middle, centerGrows || !edgeGrows ? 1 : 0);
  for (Control* c : bottom) outer->addWidget(WidgetOf(*c), GrowsDown(*c) ? 1 : 0);
}

// A label placed right above a control at the same left edge is that
// control's caption: the two make one unit, the label's width no longer
// counts.
std::vector<QtFormView::Unit> QtFormView::Units(const std::vector<Control*>& controls) {
  std::vector<Unit> units;
  std::vector<bool> used(controls.size(), false);
  for (size_t i = 0; i < controls.size(); ++i) {
    Control* c = controls[i];
    if (c->Kind() != ControlKind::Label) continue;
    for (size_t j = 0; j < controls.size(); ++j) {
      Control* below = controls[j];
      if (used[j] || j == i || below->Kind() == ControlKind::Label) continue;
      const int gap = below->Top() - c->Top();
      if (std::abs(below->Left() - c->Left()) <= 2 && gap > 0 && gap <= 24) {
        used[i] = used[j] = true;
        units.push_back({below->Left(), c->Top(), below->Left() + std::max(below->Width(), 1),
                         below->Top() + std::max(below->Height(), 1), below, c, GrowsSideways(*below),
                         GrowsDown(*below)});
        break;
      }
    }
  }
  for (size_t i = 0; i < controls.size(); ++i) {
    if (used[i]) continue;
    Control* c = controls[i];
    units.push_back({c->Left(), c->Top(), c->Left() + std::max(c->Width(), 1), c->Top() + std::max(c->Height(), 1),
                     c, nullptr, GrowsSideways(*c), GrowsDown(*c)});
  }
  return units;
}

// Lays units out by cutting them into rows where nothing spans the gap
// between them, each row into columns the same way, and so on (columns first
// where the units stand in columns of several each); units that overlap both
// ways share one row ordered by their left edge. A unit that grows takes room
// in proportion to its designed size.
QLayout* QtFormView::Cut(std::vector<Unit> units, int depth) {
  auto groups = [&](bool rows) {
    std::stable_sort(units.begin(), units.end(), [rows](const Unit& a, const Unit& b) {
      return rows ? (a.top != b.top ? a.top < b.top : a.left < b.left) : a.left < b.left;
    });
    std::vector<std::vector<Unit>> out;
    int reach = 0;
    for (const Unit& u : units) {
      const int from = rows ? u.top : u.left, to = rows ? u.bottom : u.right;
      if (out.empty() || from >= reach) {
        out.emplace_back();
        reach = to;
      } else {
        reach = std::max(reach, to);
      }
      out.back().push_back(u);
    }
    return out;
  };
  auto add = [&](QBoxLayout* box, const std::vector<Unit>& group, bool rows) {
    bool sideways = false, down = false;
    int width = 0, height = 0;
    for (const Unit& u : group) {
      sideways = sideways || u.sideways;
      down = down || u.down;
      width = std::max(width, u.right - u.left);
      height = std::max(height, u.bottom - u.top);
    }
    const int stretch = rows ? (down ? std::max(height, 1) : 0) : (sideways ? std::max(width, 1) : 0);
    if (group.size() == 1 && rows && group.front().control->Kind() == ControlKind::Button) {
      // A button alone in its row keeps its size and its side.
      const Unit& u = group.front();
      auto* line = new QHBoxLayout;
      line->setContentsMargins(0, 0, 0, 0);
      const Place place = PlaceOf(u.left, u.right);
      if (place != Place::Left) line->addStretch(1);
      line->addLayout(UnitLayout(u));
      if (place != Place::Right) line->addStretch(1);
      box->addLayout(line, stretch);
    } else if (group.size() == 1) {
      box->addLayout(UnitLayout(group.front()), stretch);
    } else {
      box->addLayout(Cut(group, depth + 1), stretch);
    }
  };
  // Controls designed in columns (two or more stacks of several controls
  // each, with a clear gap between them) keep their columns: the controls of
  // a column line up and share its width. Otherwise rows come first.
  const auto columns = groups(false);
  const bool inColumns = columns.size() >= 2 && std::all_of(columns.begin(), columns.end(),
                                                             [](const auto& column) { return column.size() >= 2; });
  for (bool rows : {!inColumns, inColumns}) {
    auto parts = groups(rows);
    if (parts.size() < 2) continue;
    auto* box = rows ? static_cast<QBoxLayout*>(new QVBoxLayout) : new QHBoxLayout;
    box->setContentsMargins(0, 0, 0, 0);
    bool grows = false;
    for (const auto& part : parts)
      for (const Unit& u : part) grows = grows || (rows ? u.down : u.sideways);
    // A row of fixed-size controls keeps its place in the container.
    const Place place = PlaceOf(parts.front().front().left, parts.back().back().right);
    const bool centred = !rows && !grows && place == Place::Centre;
    const bool onRight = !rows && !grows && place == Place::Right;
    if (centred || onRight) box->addStretch(1);
    for (const auto& part : parts) add(box, part, rows);
    if (!grows && !onRight) box->addStretch(1);
    return box;
  }
  // Overlapping both ways: one row by left edge.
  std::stable_sort(units.begin(), units.end(), [](const Unit& a, const Unit& b) { return a.left < b.left; });
  auto* line = new QHBoxLayout;
  line->setContentsMargins(0, 0, 0, 0);
  bool grows = false;
  for (const Unit& u : units) {
    line->addLayout(UnitLayout(u), u.sideways ? std::max(u.right - u.left, 1) : 0);
    grows = grows || u.sideways;
  }
  if (!grows) line->addStretch(1);
  return line;
}

// Centred when designed around the middle of the container, on the right when
// designed in its right half or much closer to its right edge than to its
// left one.
QtFormView::Place QtFormView::PlaceOf(int from, int to) const {
  const int width = arrangeWidth_;
  if (width <= 0) return Place::Left;
  if (std::abs((from + to) / 2 - width / 2) < width / 8) return Place::Centre;
  return from > width / 2 || width - to < from / 4 ? Place::Right : Place::Left;
}

QLayout* QtFormView::UnitLayout(const Unit& unit) {
  auto* box = new QVBoxLayout;
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(2);
  if (unit.label) box->addWidget(WidgetOf(*unit.label));
  // A label beside other controls keeps its designed width, so that the
  // controls right of a column of labels line up.
  if (auto* label = dynamic_cast<LabelWidget*>(WidgetOf(*unit.control)); label && !unit.label) {
    label->designed = unit.right - unit.left;
    label->updateGeometry();
  }
  box->addWidget(WidgetOf(*unit.control), unit.down ? 1 : 0);
  // A unit of fixed height keeps to the top of the room it is given.
  if (!unit.down) box->addStretch(1);
  return box;
}

// ---- model to widgets ---------------------------------------------------------

void QtFormView::OnChanged(Control& control, Property what) {
  try {
    if (what == Property::Children) {
      QWidget* host = WidgetOf(control);
      for (const auto& child : control.Children())
        if (!widgets_.count(child.get())) Build(*child, host ? host : window_);
      Arrange(control);
      return;
    }
    Sync(control, what);
  } catch (...) {
    // A view that cannot show a change must not break the model's code.
  }
}

void QtFormView::SyncAll(Control& control) {
  for (Property p : {Property::Visible, Property::Enabled, Property::Hint, Property::Color, Property::Caption,
                     Property::Text, Property::ReadOnly, Property::Checked, Property::Items, Property::ItemIndex,
                     Property::Nodes, Property::ActivePage, Property::Action, Property::Panels, Property::Appearance})
    Sync(control, p);
}

void QtFormView::Sync(Control& c, Property what) {
  Pushing p(pushing_);
  if (c.Kind() == ControlKind::Action) {
    SyncShortcut(c);
    // Tool buttons show their action.
    for (auto& [control, widget] : widgets_)
      if (control->Kind() == ControlKind::ToolButton &&
          static_cast<const ToolButton*>(control)->BoundAction() == &c)
        SyncToolButton(*const_cast<Control*>(control));
    return;
  }
  QWidget* w = WidgetOf(c);
  if (!w) return;
  QSignalBlocker block(w);
  switch (what) {
    case Property::Visible:
      if (c.Kind() == ControlKind::TabSheet) {
        SyncKind(c, what);
      } else if (&c != &root_) {
        w->setVisible(c.Visible());
      }
      return;
    case Property::Enabled:
      if (c.Kind() == ControlKind::ToolButton)
        SyncToolButton(c);
      else
        w->setEnabled(c.Enabled());
      return;
    case Property::Hint:
      w->setToolTip(FromAnsi(c.Hint()));
      return;
    case Property::Color:
      SyncColor(c, w);
      return;
    case Property::Focus:
      if (auto* form = dynamic_cast<Form*>(&c); form && form->ActiveControl())
        if (QWidget* focus = WidgetOf(*form->ActiveControl())) focus->setFocus();
      return;
    default:
      SyncKind(c, what);
  }
}

void QtFormView::SyncKind(Control& c, Property what) {
  QWidget* w = WidgetOf(c);
  switch (c.Kind()) {
    case ControlKind::Form:
      if (what == Property::Caption) w->setWindowTitle(FromAnsi(static_cast<Form&>(c).Caption()));
      return;
    case ControlKind::TabSheet: {
      auto& sheet = static_cast<TabSheet&>(c);
      auto* tabs = qobject_cast<QTabWidget*>(WidgetOf(sheet.Pages()));
      if (!tabs) return;
      QSignalBlocker block(tabs);
      const int index = tabs->indexOf(w);
      if (index < 0) return;
      tabs->setTabText(index, FromAnsi(sheet.Caption()));
      tabs->setTabVisible(index, sheet.Visible() && sheet.TabVisible());
      return;
    }
    case ControlKind::Panel:
      return;
    case ControlKind::Label: {
      auto& label = static_cast<Label&>(c);
      auto* text = static_cast<QLabel*>(w);
      if (what == Property::Caption) text->setText(FromAnsi(label.Caption()));
      if (what == Property::Appearance && text->font().bold() != label.Bold()) {
        QFont font = text->font();
        font.setBold(label.Bold());
        text->setFont(font);
      }
      return;
    }
    case ControlKind::Bevel: {
      auto* frame = static_cast<QFrame*>(w);
      switch (static_cast<Bevel&>(c).BevelShape()) {
        case Bevel::Shape::Box: frame->setFrameShape(QFrame::Box); break;
        case Bevel::Shape::TopLine: frame->setFrameShape(QFrame::HLine); break;
        case Bevel::Shape::LeftLine: frame->setFrameShape(QFrame::VLine); break;
      }
      frame->setFrameShadow(QFrame::Sunken);
      return;
    }
    case ControlKind::Button: {
      auto& button = static_cast<Button&>(c);
      auto* push = static_cast<QPushButton*>(w);
      if (what == Property::Caption) push->setText(FromAnsi(button.Caption()));
      push->setDefault(button.Default());
      return;
    }
    case ControlKind::CheckBox: {
      auto& box = static_cast<CheckBox&>(c);
      auto* check = static_cast<QCheckBox*>(w);
      check->setText(FromAnsi(box.Caption()));
      check->setChecked(box.Checked());
      return;
    }
    case ControlKind::RadioButton: {
      auto& button = static_cast<RadioButton&>(c);
      auto* radio = static_cast<QRadioButton*>(w);
      radio->setText(FromAnsi(button.Caption()));
      radio->setChecked(button.Checked());
      return;
    }
    case ControlKind::Edit: {
      auto& edit = static_cast<Edit&>(c);
      auto* line = static_cast<QLineEdit*>(w);
      // The text is written only when it differs, so the person's cursor stays
      // where it is while typing; a text put there by code shows its start.
      if (const QString text = LineFromAnsi(edit.Text()); line->text() != text) {
        line->setText(text);
        line->setCursorPosition(0);
      }
      line->setReadOnly(edit.ReadOnly());
      return;
    }
    case ControlKind::Memo:
    case ControlKind::RichEdit: {
      auto& memo = static_cast<Memo&>(c);
      auto* plain = static_cast<QPlainTextEdit*>(w);
      if (const QString text = LinesFromAnsi(memo.Text()); AsModelKeepsIt(plain->toPlainText()) != text)
        plain->setPlainText(text);
      plain->setReadOnly(memo.ReadOnly());
      plain->setLineWrapMode(memo.WordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
      if (c.Kind() == ControlKind::RichEdit && what == Property::Appearance) {
        auto& rich = static_cast<RichEdit&>(c);
        QFont font(FromAnsi(rich.FontName()));
        if (rich.FontHeight() > 0) font.setPixelSize(rich.FontHeight());
        plain->setFont(font);
      }
      return;
    }
    case ControlKind::ComboBox: {
      auto& combo = static_cast<ComboBox&>(c);
      auto* box = static_cast<QComboBox*>(w);
      QStringList items;
      for (const auto& item : combo.Items()) items << FromAnsi(item);
      QStringList shown;
      for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
      if (shown != items) {
        box->clear();
        box->addItems(items);
      }
      box->setCurrentIndex(combo.ItemIndex());
      return;
    }
    case ControlKind::CheckListBox: {
      auto& list = static_cast<CheckListBox&>(c);
      auto* widget = static_cast<QListWidget*>(w);
      if (widget->count() != list.ItemCount()) {
        widget->clear();
        for (int i = 0; i < list.ItemCount(); ++i) {
          auto* item = new QListWidgetItem(widget);
          item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        }
      }
      for (int i = 0; i < list.ItemCount(); ++i) {
        QListWidgetItem* item = widget->item(i);
        item->setText(FromAnsi(list.Items()[static_cast<size_t>(i)]));
        item->setCheckState(list.Checked(i) ? Qt::Checked : Qt::Unchecked);
      }
      if (what == Property::Items) FitItems(widget);
      widget->setCurrentRow(list.ItemIndex());
      return;
    }
    case ControlKind::TreeView: {
      auto& tree = static_cast<TreeView&>(c);
      auto* widget = static_cast<QTreeWidget*>(w);
      if (what == Property::Nodes) RebuildTree(c);
      if (what == Property::Nodes || what == Property::Selected || what == Property::ItemIndex) {
        QTreeWidgetItem* item = ItemOf(widget, tree.Selected());
        if (item) {
          widget->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect);
        } else {
          widget->clearSelection();
          widget->setCurrentItem(nullptr);
        }
      }
      if (what == Property::Appearance) {
        widget->setRootIsDecorated(tree.ShowRoot());
        widget->setIndentation(tree.Indent());
      }
      return;
    }
    case ControlKind::PageControl: {
      auto& pages = static_cast<PageControl&>(c);
      auto* tabs = static_cast<QTabWidget*>(w);
      if (pages.ActivePage())
        if (QWidget* page = WidgetOf(*pages.ActivePage())) tabs->setCurrentWidget(page);
      return;
    }
    case ControlKind::ToolButton:
      SyncToolButton(c);
      return;
    case ControlKind::StatusBar: {
      auto& bar = static_cast<StatusBar&>(c);
      auto* status = static_cast<QStatusBar*>(w);
      QList<QLabel*> labels = status->findChildren<QLabel*>(QStringLiteral("panel"));
      const int wanted = bar.SimplePanel() ? 0 : bar.PanelCount();
      while (labels.size() > wanted) {
        status->removeWidget(labels.back());
        delete labels.takeLast();
      }
      while (labels.size() < wanted) {
        auto* label = new QLabel(status);
        label->setObjectName(QStringLiteral("panel"));
        status->addWidget(label, 1);
        labels.append(label);
      }
      for (int i = 0; i < wanted; ++i) labels[i]->setText(FromAnsi(bar.PanelText(i)));
      if (bar.SimplePanel())
        status->showMessage(FromAnsi(bar.SimpleText()));
      else
        status->clearMessage();
      return;
    }
    default:
      return;
  }
}

// An editable control shows the window colour, or its parent's colour when the
// model says so (a read-only or disabled edit). A tree's marked row is shown in
// the highlight colour while the tree has the focus and in a shade of the face
// colour otherwise, so the focus is visible although the selection always
// shows.
void QtFormView::SyncColor(Control& c, QWidget* w) {
  switch (c.Kind()) {
    case ControlKind::Edit:
    case ControlKind::Memo:
    case ControlKind::RichEdit:
    case ControlKind::ComboBox:
    case ControlKind::CheckListBox:
    case ControlKind::TreeView:
      break;
    default:
      return;
  }
  QPalette palette;  // roles left unset come from the parent
  const QWidget* parent = w->parentWidget() ? w->parentWidget() : w;
  if (c.ParentColor() || c.ControlColor() == clBtnFace)
    palette.setColor(QPalette::Base, parent->palette().color(QPalette::Window));
  if (c.Kind() == ControlKind::TreeView && !w->hasFocus()) {
    palette.setColor(QPalette::Highlight, parent->palette().color(QPalette::Button).darker(115));
    palette.setColor(QPalette::HighlightedText, parent->palette().color(QPalette::ButtonText));
  }
  w->setPalette(palette);
}

void QtFormView::SyncToolButton(Control& c) {
  auto& button = static_cast<ToolButton&>(c);
  auto* w = qobject_cast<QToolButton*>(WidgetOf(c));
  if (!w) return;
  QSignalBlocker block(w);
  Action* action = button.BoundAction();
  w->setText(FromAnsi(button.Caption()));
  std::string hint = button.Hint();
  if (hint.empty() && action) hint = action->Hint();
  w->setToolTip(FromAnsi(hint));
  w->setEnabled(button.Enabled() && (!action || (action->Enabled() && action->Visible())));
  const ImageList* images = nullptr;
  if (auto* bar = dynamic_cast<ToolBar*>(button.Parent())) images = bar->Images();
  // A glyph when there is one (the caption goes to the tool tip), else the
  // caption.
  const QIcon icon = IconOf(images, button.ImageIndex());
  w->setIcon(icon);
  w->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
  if (!icon.isNull() && hint.empty()) w->setToolTip(FromAnsi(button.Caption()));
}

void QtFormView::SyncShortcut(Control& c) {
  auto it = shortcuts_.find(&c);
  if (it == shortcuts_.end()) return;
  auto& action = static_cast<Action&>(c);
  it->second->setKey(KeySequence(action.Shortcut()));
  it->second->setEnabled(action.Enabled() && action.Visible() && action.Shortcut() != 0);
}

void QtFormView::RebuildTree(Control& c) {
  auto& tree = static_cast<TreeView&>(c);
  auto* widget = static_cast<QTreeWidget*>(WidgetOf(c));
  widget->setUpdatesEnabled(false);
  widget->clear();
  AddNodes(nullptr, widget, tree.Roots());
  widget->expandAll();
  widget->setUpdatesEnabled(true);
}

}  // namespace ui::qt
