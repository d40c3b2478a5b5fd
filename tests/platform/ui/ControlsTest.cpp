// The controls of the forms layer outside a modal loop: which events fire on a
// change made by code and which only on a person's action, the actions a
// person could not make, the lines of a memo, tree positions, page changes that
// are refused, and notifications that stop at an unchanged value.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/UserActions.h"
#include "platform/win/input.h"

namespace {

using Log = std::vector<std::string>;

// One of every control, each event writing its name to the log.
struct Panel {
  ui::Frame frame;
  Log log;
  ui::Edit& edit = frame.Add<ui::Edit>("Edit");
  ui::Edit& readOnly = frame.Add<ui::Edit>("ReadOnlyED");
  ui::Memo& memo = frame.Add<ui::Memo>("Memo");
  ui::RichEdit& rich = frame.Add<ui::RichEdit>("RTF");
  ui::CheckBox& box = frame.Add<ui::CheckBox>("Box");
  ui::RadioButton& radio1 = frame.Add<ui::RadioButton>("Radio1");
  ui::RadioButton& radio2 = frame.Add<ui::RadioButton>("Radio2");
  ui::CheckListBox& checks = frame.Add<ui::CheckListBox>("Checks");
  ui::ComboBox& combo = frame.Add<ui::ComboBox>("Combo");
  ui::TreeView& tree = frame.Add<ui::TreeView>("Tree");
  ui::PageControl& pages = frame.Add<ui::PageControl>("Pages");
  ui::TabSheet& page0 = pages.AddPage("Page0", "First");
  ui::TabSheet& page1 = pages.AddPage("Page1", "Second");
  ui::Edit& onPage1 = page1.Add<ui::Edit>("OnPage1");
  ui::Button& button = frame.Add<ui::Button>("Button");
  ui::ActionList& actions = frame.Add<ui::ActionList>("ActionList");
  ui::Action& insert = actions.Add<ui::Action>("InsertItem");
  ui::ToolBar& bar = frame.Add<ui::ToolBar>("ToolBar1");
  ui::ToolButton& tool = bar.Add<ui::ToolButton>("ToolButton1");
  ui::Panel& disabledPanel = frame.Add<ui::Panel>("DisabledPanel");
  ui::Edit& inDisabled = disabledPanel.Add<ui::Edit>("InDisabled");

  Panel() {
    readOnly.SetReadOnly(true);
    checks.SetItems({"a", "b", "c"});
    combo.SetItems({"x", "y"});
    tree.AddNode("n0");
    tree.AddNode("n1");
    tool.SetAction(&insert);
    disabledPanel.SetEnabled(false);
    auto note = [this](const char* name) { return [this, name](ui::Control&) { log.push_back(name); }; };
    edit.OnChange = note("Edit.OnChange");
    memo.OnChange = note("Memo.OnChange");
    rich.OnChange = note("RTF.OnChange");
    box.OnClick = note("Box.OnClick");
    radio1.OnClick = note("Radio1.OnClick");
    radio2.OnClick = note("Radio2.OnClick");
    checks.OnClickCheck = note("Checks.OnClickCheck");
    checks.OnClick = note("Checks.OnClick");
    combo.OnChange = note("Combo.OnChange");
    combo.OnSelect = note("Combo.OnSelect");
    tree.OnChange = [this](ui::TreeView&, ui::TreeNode* node) {
      log.push_back("Tree.OnChange " + (node ? node->Text() : std::string("nil")));
    };
    pages.OnChanging = [this](ui::PageControl& p, bool&) {
      log.push_back("Pages.OnChanging from " + std::to_string(p.ActivePageIndex()));
    };
    pages.OnChange = [this](ui::Control&) { log.push_back("Pages.OnChange to " + std::to_string(pages.ActivePageIndex())); };
    button.OnClick = note("Button.OnClick");
    insert.OnExecute = note("InsertItem.OnExecute");
  }
};

TEST(Controls, EventsFireOnTheChangesTheFormsExpect) {
  struct Case {
    const char* name;
    std::function<void(Panel&)> act;
    Log expected;
  };
  const Case cases[] = {
      {"edit text set by code", [](Panel& p) { p.edit.SetText("a"); }, {"Edit.OnChange"}},
      {"edit text typed", [](Panel& p) { ui::TypeInto(p.edit, "a"); }, {"Edit.OnChange"}},
      {"edit set to the text it holds",
       [](Panel& p) {
         p.edit.SetText("a");
         p.log.clear();
         p.edit.SetText("a");
       },
       {}},
      {"memo line added by code", [](Panel& p) { p.memo.AddLine("x"); }, {"Memo.OnChange"}},
      {"memo lines replaced by code", [](Panel& p) { p.memo.SetLines({"x", "y"}); }, {"Memo.OnChange"}},
      {"memo typed", [](Panel& p) { ui::TypeInto(p.memo, "x\r\ny"); }, {"Memo.OnChange"}},
      {"rich edit loaded by code", [](Panel& p) { p.rich.SetText("[Flows]"); }, {"RTF.OnChange"}},
      {"rich edit typed at the end", [](Panel& p) { ui::TypeAtEnd(p.rich, "x"); }, {"RTF.OnChange"}},
      {"check box set by code", [](Panel& p) { p.box.SetChecked(true); }, {"Box.OnClick"}},
      {"check box clicked twice", [](Panel& p) { ui::Click(p.box), ui::Click(p.box); }, {"Box.OnClick", "Box.OnClick"}},
      {"radio checked by code", [](Panel& p) { p.radio1.SetChecked(true); }, {"Radio1.OnClick"}},
      // The sibling that loses its check hears nothing.
      {"radio checked by a person unchecks its sibling",
       [](Panel& p) {
         p.radio1.SetChecked(true);
         p.log.clear();
         ui::Check(p.radio2);
       },
       {"Radio2.OnClick"}},
      {"radio checked again",
       [](Panel& p) {
         p.radio1.SetChecked(true);
         p.log.clear();
         ui::Check(p.radio1);
       },
       {}},
      {"radio unchecked by code",
       [](Panel& p) {
         p.radio1.SetChecked(true);
         p.log.clear();
         p.radio1.SetChecked(false);
       },
       {}},
      {"check list checked by code", [](Panel& p) { p.checks.SetChecked(1, true); }, {}},
      {"check list toggled", [](Panel& p) { ui::Toggle(p.checks, 1); }, {"Checks.OnClickCheck"}},
      {"check list item selected", [](Panel& p) { ui::SelectItem(p.checks, 2); }, {"Checks.OnClick"}},
      {"combo index set by code", [](Panel& p) { p.combo.SetItemIndex(1); }, {}},
      {"combo item chosen", [](Panel& p) { ui::ChooseItem(p.combo, "y"); }, {"Combo.OnChange", "Combo.OnSelect"}},
      {"combo item chosen again",
       [](Panel& p) {
         p.combo.SetItemIndex(1);
         ui::ChooseItem(p.combo, 1);
       },
       {}},
      {"tree selection by code", [](Panel& p) { p.tree.SetSelected(&p.tree.Item(1)); }, {"Tree.OnChange n1"}},
      {"tree selection by a person", [](Panel& p) { ui::Select(p.tree.Item(0)); }, {"Tree.OnChange n0"}},
      {"tree selection cleared by code", [](Panel& p) {
         p.tree.SetSelected(&p.tree.Item(0));
         p.tree.SetSelected(nullptr);
       }, {"Tree.OnChange n0", "Tree.OnChange nil"}},
      {"tree nodes cleared",
       [](Panel& p) {
         p.tree.SetSelected(&p.tree.Item(0));
         p.log.clear();
         p.tree.Clear();
       },
       {}},
      {"page set by code", [](Panel& p) { p.pages.SetActivePageIndex(1); }, {}},
      {"page selected by a person", [](Panel& p) { ui::SelectPage(p.pages, 1); },
       {"Pages.OnChanging from 0", "Pages.OnChange to 1"}},
      {"active page selected again", [](Panel& p) { ui::SelectPage(p.pages, 0); }, {}},
      {"button clicked", [](Panel& p) { ui::Click(p.button); }, {"Button.OnClick"}},
      {"tool button runs its action", [](Panel& p) { ui::Click(p.tool); }, {"InsertItem.OnExecute"}},
      {"action by its shortcut", [](Panel& p) { ui::Execute(p.insert); }, {"InsertItem.OnExecute"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Panel p;
    c.act(p);
    EXPECT_EQ(p.log, c.expected);
  }
}

TEST(Controls, ActionsAPersonCouldNotMakeAreRefusedAndChangeNothing) {
  struct Case {
    const char* name;
    std::function<void(Panel&)> act;
  };
  const Case cases[] = {
      {"typing into a read-only edit", [](Panel& p) { ui::TypeInto(p.readOnly, "x"); }},
      {"typing into a disabled edit",
       [](Panel& p) {
         p.edit.SetEnabled(false);
         ui::TypeInto(p.edit, "x");
       }},
      {"typing into a hidden edit",
       [](Panel& p) {
         p.edit.SetVisible(false);
         ui::TypeInto(p.edit, "x");
       }},
      {"typing into an edit of a disabled panel", [](Panel& p) { ui::TypeInto(p.inDisabled, "x"); }},
      {"typing into an edit of a page not shown", [](Panel& p) { ui::TypeInto(p.onPage1, "x"); }},
      {"typing a line break into a single-line edit", [](Panel& p) { ui::TypeInto(p.edit, "a\r\nb"); }},
      {"a bare LF into a single-line edit", [](Panel& p) { ui::TypeAtEnd(p.edit, "\n"); }},
      {"typing into a read-only memo",
       [](Panel& p) {
         p.memo.SetReadOnly(true);
         ui::TypeAtEnd(p.memo, "x");
       }},
      {"clicking a disabled button",
       [](Panel& p) {
         p.button.SetEnabled(false);
         ui::Click(p.button);
       }},
      {"clicking a hidden check box",
       [](Panel& p) {
         p.box.SetVisible(false);
         ui::Click(p.box);
       }},
      {"checking a disabled radio button",
       [](Panel& p) {
         p.radio1.SetEnabled(false);
         ui::Check(p.radio1);
       }},
      {"toggling a check that is not in the list", [](Panel& p) { ui::Toggle(p.checks, 3); }},
      {"toggling in a disabled check list",
       [](Panel& p) {
         p.checks.SetEnabled(false);
         ui::Toggle(p.checks, 0);
       }},
      {"choosing a combo item past the end", [](Panel& p) { ui::ChooseItem(p.combo, 2); }},
      {"choosing a combo item by a text it lacks", [](Panel& p) { ui::ChooseItem(p.combo, "z"); }},
      {"selecting a node of a disabled tree",
       [](Panel& p) {
         p.tree.SetEnabled(false);
         ui::Select(p.tree.Item(1));
       }},
      {"selecting a page whose tab is hidden",
       [](Panel& p) {
         p.page1.SetTabVisible(false);
         ui::SelectPage(p.pages, 1);
       }},
      {"selecting a page that does not exist", [](Panel& p) { ui::SelectPage(p.pages, 2); }},
      {"clicking a tool button of a disabled action",
       [](Panel& p) {
         p.insert.SetEnabled(false);
         ui::Click(p.tool);
       }},
      {"running a disabled action by its shortcut",
       [](Panel& p) {
         p.insert.SetEnabled(false);
         ui::Execute(p.insert);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Panel p;
    EXPECT_THROW(c.act(p), ui::ActionRefused);
    EXPECT_TRUE(p.log.empty()) << "no event for a refused action";
    EXPECT_EQ(p.edit.Text(), "");
    EXPECT_EQ(p.readOnly.Text(), "");
    EXPECT_EQ(p.memo.LineCount(), 0);
    EXPECT_EQ(p.combo.ItemIndex(), -1);
    EXPECT_EQ(p.pages.ActivePageIndex(), 0);
    EXPECT_FALSE(p.box.Checked());
    EXPECT_EQ(p.tree.Selected(), nullptr);
  }
}

TEST(Controls, ALineBreakPutThereByCodeSurvivesAPersonsEdit) {
  ui::Edit separator;
  separator.SetText("\r");
  ui::TypeInto(separator, ";\r");
  EXPECT_EQ(separator.Text(), ";\r");
  EXPECT_THROW(ui::TypeInto(separator, "\r\r"), ui::ActionRefused) << "a second CR is typed";
  EXPECT_THROW(ui::TypeInto(separator, ";\n"), ui::ActionRefused) << "an LF is typed";
  ui::TypeInto(separator, "");
  EXPECT_EQ(separator.Text(), "");
}

TEST(Controls, AnEditOnAPageIsTypedIntoOnceItsPageIsSelected) {
  Panel p;
  ui::SelectPage(p.pages, 1);
  ui::TypeInto(p.onPage1, "typed");
  EXPECT_EQ(p.onPage1.Text(), "typed");
  ui::SelectPage(p.page0);
  EXPECT_THROW(ui::TypeInto(p.onPage1, "again"), ui::ActionRefused);
}

TEST(Controls, MemoLinesAndText) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
    std::string joined;
  };
  const Case cases[] = {
      {"empty", "", {}, ""},
      {"one line", "abc", {"abc"}, "abc"},
      {"CR LF", "a\r\nb", {"a", "b"}, "a\r\nb"},
      {"bare LF and CR", "a\nb\rc", {"a", "b", "c"}, "a\r\nb\r\nc"},
      // A final line break ends the last line; it does not start another.
      {"final line break", "a\r\n", {"a"}, "a"},
      {"empty lines inside are lines", "a\r\n\r\nb", {"a", "", "b"}, "a\r\n\r\nb"},
      {"two line breaks only", "\r\n\r\n", {"", ""}, "\r\n"},
      {"control bytes stay", "\x02x\x03", {"\x02x\x03"}, "\x02x\x03"},
      // Windows-1250 letters are bytes like any other.
      {"Polish letters", "\xB3\xB9" "d\r\n\xA3" "\xF3" "d\xBC", {"\xB3\xB9" "d", "\xA3" "\xF3" "d\xBC"},
       "\xB3\xB9" "d\r\n\xA3" "\xF3" "d\xBC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::Memo memo;
    memo.SetText(c.text);
    EXPECT_EQ(memo.Lines(), c.lines);
    EXPECT_EQ(memo.Text(), c.joined);
  }
  ui::Memo memo;
  memo.SetLines({"a", ""});
  EXPECT_EQ(memo.LineCount(), 2) << "lines set as lines are kept, a last empty one too";
}

TEST(Controls, TreePositionsCountEveryNodeDepthFirst) {
  ui::TreeView tree;
  ui::TreeNode& a = tree.AddNode("a");
  ui::TreeNode& a0 = tree.AddChildNode(a, "a0");
  ui::TreeNode& a00 = tree.AddChildNode(a0, "a00");
  ui::TreeNode& a1 = tree.AddChildNode(a, "a1");
  ui::TreeNode& b = tree.AddNode("b");
  struct Case {
    ui::TreeNode* node;
    int absolute;
    int index;
  };
  const Case cases[] = {{&a, 0, 0}, {&a0, 1, 0}, {&a00, 2, 0}, {&a1, 3, 1}, {&b, 4, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.node->Text());
    EXPECT_EQ(c.node->AbsoluteIndex(), c.absolute);
    EXPECT_EQ(c.node->Index(), c.index);
    EXPECT_EQ(&tree.Item(c.absolute), c.node);
  }
  EXPECT_EQ(tree.Count(), 5);
  EXPECT_THROW(tree.Item(5), std::out_of_range);
  EXPECT_THROW(tree.Item(-1), std::out_of_range);
  ui::TreeView other;
  EXPECT_THROW(other.SetSelected(&a), std::invalid_argument) << "a node of another tree";
  tree.SetSelected(&a1);
  EXPECT_TRUE(a1.Selected());
  tree.Clear();
  EXPECT_EQ(tree.Selected(), nullptr);
  EXPECT_EQ(tree.Count(), 0);
}

TEST(Controls, APageChangeCanBeRefusedOrFail) {
  Panel p;
  p.pages.OnChanging = [](ui::PageControl&, bool& allow) { allow = false; };
  EXPECT_FALSE(ui::SelectPage(p.pages, 1));
  EXPECT_EQ(p.pages.ActivePageIndex(), 0);
  EXPECT_TRUE(p.log.empty()) << "OnChange does not follow a refused change";
  p.pages.OnChanging = [](ui::PageControl&, bool&) { throw std::runtime_error("cannot leave"); };
  EXPECT_THROW(ui::SelectPage(p.pages, 1), std::runtime_error) << "outside a modal loop the error reaches the caller";
  EXPECT_EQ(p.pages.ActivePageIndex(), 0);
  p.pages.OnChanging = nullptr;
  EXPECT_TRUE(ui::SelectPage(p.pages, 1));
  EXPECT_EQ(p.log, Log{"Pages.OnChange to 1"});
}

TEST(Controls, ObserversHearEachRealChangeOnce) {
  Panel p;
  std::vector<std::pair<std::string, ui::Property>> heard;
  const int id = p.frame.Subscribe([&](ui::Control& c, ui::Property what) { heard.emplace_back(c.Name(), what); });
  p.edit.SetText("a");
  p.edit.SetText("a");
  p.combo.SetItemIndex(0);
  p.checks.SetChecked(0, true);
  p.tree.SetSelected(&p.tree.Item(0));
  const std::vector<std::pair<std::string, ui::Property>> expected = {{"Edit", ui::Property::Text},
                                                                      {"Combo", ui::Property::ItemIndex},
                                                                      {"Checks", ui::Property::Checked},
                                                                      {"Tree", ui::Property::Selected}};
  EXPECT_EQ(heard, expected);
  p.frame.Unsubscribe(id);
  p.edit.SetText("b");
  EXPECT_EQ(heard.size(), expected.size()) << "nothing after unsubscribing";
}

TEST(Controls, ARendererWritingBackWhatItHeardMakesNoLoop) {
  // A renderer mirrors the model into a widget; the widget's own change signal
  // routes the same text back through the person's call.
  Panel p;
  int notifications = 0;
  p.frame.Subscribe([&](ui::Control& c, ui::Property what) {
    if (&c != &p.edit || what != ui::Property::Text) return;
    ASSERT_LT(++notifications, 10) << "feedback loop";
    ui::TypeInto(p.edit, p.edit.Text());
  });
  ui::TypeInto(p.edit, "once");
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(p.log, Log{"Edit.OnChange"});
}

TEST(Controls, AnObserverMayUnsubscribeWhileNotified) {
  ui::Frame frame;
  ui::Edit& edit = frame.Add<ui::Edit>("E");
  int first = 0, second = 0;
  int id = 0;
  id = frame.Subscribe([&](ui::Control&, ui::Property) {
    ++first;
    frame.Unsubscribe(id);
  });
  frame.Subscribe([&](ui::Control&, ui::Property) { ++second; });
  edit.SetText("a");
  edit.SetText("b");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
}

TEST(Controls, FindByNameAndKind) {
  Panel p;
  EXPECT_EQ(&p.frame.FindAs<ui::Edit>("OnPage1"), &p.onPage1) << "found inside a page";
  EXPECT_EQ(p.frame.Find("Nothing"), nullptr);
  EXPECT_THROW(p.frame.FindAs<ui::Memo>("Edit"), std::out_of_range) << "another kind";
  EXPECT_EQ(p.onPage1.OwnerForm(), nullptr);
  EXPECT_EQ(&p.onPage1.Root(), &p.frame);
  EXPECT_EQ(p.tool.Caption(), "") << "a tool button shows its action's caption";
  p.insert.SetCaption("Insert new item");
  EXPECT_EQ(p.tool.Caption(), "Insert new item");
}

TEST(Controls, TheHourglassShowsWhileWorkAndTheCursorBeforeComesBack) {
  const HCURSOR before = GetCursor();
  {
    ui::WaitCursor outer;
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
    {
      ui::WaitCursor inner;
    }
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT)) << "an inner one gives back the hourglass";
  }
  EXPECT_EQ(GetCursor(), before);
}

TEST(Controls, StatusBarTextsAndFocusAreHeard) {
  ui::Form form;
  ui::StatusBar& bar = form.Add<ui::StatusBar>("StatusBar");
  ui::Edit& edit = form.Add<ui::Edit>("Edit");
  std::vector<ui::Property> heard;
  form.Subscribe([&](ui::Control&, ui::Property what) { heard.push_back(what); });
  bar.SetPanelCount(2);
  bar.SetPanelText(1, "Receiving... ");
  bar.SetPanelText(1, "Receiving... ");
  bar.SetSimplePanel(true);
  bar.SetSimpleText("Transmiting... ");
  form.SetActiveControl(&edit);
  EXPECT_EQ(heard, (std::vector<ui::Property>{ui::Property::Panels, ui::Property::Panels, ui::Property::Panels,
                                              ui::Property::Panels, ui::Property::Focus}));
  EXPECT_EQ(bar.PanelText(1), "Receiving... ");
  EXPECT_THROW(bar.PanelText(2), std::out_of_range);
  EXPECT_THROW(bar.SetPanelText(-1, "x"), std::out_of_range);
}

}  // namespace
