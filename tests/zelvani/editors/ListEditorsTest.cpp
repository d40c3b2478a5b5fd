// The list editors: a working copy that reaches the caller's collection only
// on OK, selection changes that commit the shown item, node captions, the
// empty list, the tool bar that never changes the list, and a bad number met
// on a selection change.
#include <functional>

#include "tests/zelvani/editors/EditorTestSupport.h"

namespace zelvani::editors::test {
namespace {

using ui::Edit;

// One list editor: a collection of two items with IDs "a" and "b", how to run
// its Edit, read an item's ID, and the names of its tree and item frame.
struct ListKind {
  const char* name;
  const char* caption;
  const char* tree;
  const char* itemFrame;
  std::function<ComPtr<IDispatch>()> make;  // the collection, holding "a" and "b"
  std::function<std::vector<std::string>(IDispatch*)> ids;
  std::function<std::vector<IUnknown*>(IDispatch*)> objects;
  std::function<HRESULT(IDispatch*, VARIANT_BOOL*)> edit;
};

template <class Coll, class Item, class Impl>
ListKind Kind(const char* name, const char* caption, const char* tree, const char* frame, REFCLSID collClsid,
              REFCLSID itemClsid) {
  ListKind k{name, caption, tree, frame, {}, {}, {}, {}};
  k.make = [&collClsid, &itemClsid] {
    ComPtr<Coll> c = Create<Coll>(collClsid);
    for (const char* id : {"a", "b"}) {
      ComPtr<Item> item = Create<Item>(itemClsid);
      EXPECT_EQ(item->put_ID(B(id).Get()), S_OK);
      LONG at = 0;
      EXPECT_EQ(c->Add(item.Get(), &at), S_OK);
    }
    return QueryAs<IDispatch>(c.Get());
  };
  k.ids = [](IDispatch* d) {
    std::vector<std::string> ids;
    for (const auto& item : dynamic_cast<Impl*>(d)->Items()) ids.push_back(ReadText(item.Get(), &Item::get_ID, "id"));
    return ids;
  };
  k.objects = [](IDispatch* d) {
    std::vector<IUnknown*> objects;
    for (const auto& item : dynamic_cast<Impl*>(d)->Items()) objects.push_back(item.Get());
    return objects;
  };
  k.edit = [](IDispatch* d, VARIANT_BOOL* r) { return QueryAs<Coll>(d)->Edit(r); };
  return k;
}

std::vector<ListKind> Kinds() {
  return {
      Kind<IQAVZLVFlowItems, IQAVZLVFlowItem, TQAVZLVFlowItems>("flow items", "FlowItemsEditForm", "FlowItemsTV",
                                                                  "FlowItemEditFrame", CLSID_QAVZLVFlowItems,
                                                                  CLSID_QAVZLVFlowItem),
      Kind<IQAVZLVFlows, IQAVZLVFlow, TQAVZLVFlows>("flows", "FlowsEditForm", "FlowsTV", "FlowEditFrame",
                                                     CLSID_QAVZLVFlows, CLSID_QAVZLVFlow),
      Kind<IQAVZLVFieldDefs, IQAVZLVFieldDef, TQAVZLVFieldDefs>("field definitions", "FieldDefsEditForm",
                                                                 "FieldDefsTV", "FieldDefEditFrame",
                                                                 CLSID_QAVZLVFieldDefs, CLSID_QAVZLVFieldDef),
      Kind<IQAVZLVPacketDefs, IQAVZLVPacketDef, TQAVZLVPacketDefs>("packet definitions", "PacketDefsEditForm",
                                                                    "PacketDefsTV", "PacketDefEditFrame",
                                                                    CLSID_QAVZLVPacketDefs, CLSID_QAVZLVPacketDef),
      Kind<IQAVZLVFrameItems, IQAVZLVFrameItem, TQAVZLVFrameItems>("frame items", "PacketStructItemsEditForm",
                                                                    "PacketStructItemsTV", "PacketStructItemEditFrame",
                                                                    CLSID_QAVZLVFrameItems, CLSID_QAVZLVFrameItem),
      Kind<IQAVZLVFrames, IQAVZLVFrame, TQAVZLVFrames>("frames", "PacketStructsEditForm", "PacketStructsTV",
                                                        "PacketStructEditFrame", CLSID_QAVZLVFrames,
                                                        CLSID_QAVZLVFrame),
  };
}

class ListEditorTest : public EditorTest {
 protected:
  std::pair<HRESULT, bool> Run(const ListKind& k, IDispatch* list) {
    VARIANT_BOOL r = VARIANT_FALSE;
    const HRESULT hr = k.edit(list, &r);
    EXPECT_EQ(rec_->PendingScripts(), 0u);
    return {hr, r == VARIANT_TRUE};
  }
  static ui::TreeView& Tree(ui::Form& f, const ListKind& k) { return f.FindAs<ui::TreeView>(k.tree); }
  // The ID edit of the item frame that the list shows (the first one met).
  static Edit& ID(ui::Form& f, const ListKind& k) { return In<Edit>(f, k.itemFrame, "IDED"); }
};

TEST_F(ListEditorTest, ChangesReachTheCollectionOnlyOnOk) {
  for (const auto& k : Kinds()) {
    for (bool ok : {false, true}) {
      SCOPED_TRACE(std::string(k.name) + (ok ? " OK" : " Cancel"));
      ComPtr<IDispatch> list = k.make();
      const std::vector<IUnknown*> before = k.objects(list.Get());
      Play([&](ui::Form& f) {
        EXPECT_EQ(f.Caption(), k.caption);
        ASSERT_EQ(Tree(f, k).Count(), 2);
        EXPECT_EQ(Tree(f, k).Selected(), &Tree(f, k).Item(0));
        ui::TypeInto(ID(f, k), "a2");
        // Away and back: the change to the first item is kept.
        ui::Select(Tree(f, k).Item(1));
        EXPECT_EQ(ID(f, k).Text(), "b");
        ui::TypeInto(ID(f, k), "b2");
        ui::Select(Tree(f, k).Item(0));
        EXPECT_EQ(ID(f, k).Text(), "a2");
        // The captions are those of the loaded list.
        EXPECT_EQ(Tree(f, k).Item(0).Text().find("a2"), std::string::npos);
        // The four tool buttons never change the list.
        for (ui::ToolButton* b : f.FindAs<ui::ToolBar>("ToolBar1").Buttons()) ui::Click(*b);
        EXPECT_EQ(Tree(f, k).Count(), 2);
        ui::Click(f.FindAs<ui::Button>(ok ? "OKBT" : "CancelBT"));
      });
      EXPECT_EQ(Run(k, list.Get()), std::make_pair(S_OK, ok));
      EXPECT_TRUE(MessageTexts(*rec_).empty());
      EXPECT_EQ(k.ids(list.Get()), ok ? (std::vector<std::string>{"a2", "b2"}) : (std::vector<std::string>{"a", "b"}));
      const std::vector<IUnknown*> after = k.objects(list.Get());
      if (ok) {
        EXPECT_NE(after[0], before[0]) << "OK copies the working list back as new objects";
      } else {
        EXPECT_EQ(after, before);
      }
      rec_->Clear();
    }
  }
}

TEST_F(ListEditorTest, EmptyListShowsNoItemAndCopiesBackEmpty) {
  for (const auto& k : Kinds()) {
    SCOPED_TRACE(k.name);
    ComPtr<IDispatch> full = k.make();
    // An empty collection of the same class.
    ComPtr<IDispatch> list = k.make();
    if (auto* c = dynamic_cast<TQAVZLVFlowItems*>(list.Get())) c->RemoveAll();
    if (auto* c = dynamic_cast<TQAVZLVFlows*>(list.Get())) c->RemoveAll();
    if (auto* c = dynamic_cast<TQAVZLVFieldDefs*>(list.Get())) c->RemoveAll();
    if (auto* c = dynamic_cast<TQAVZLVPacketDefs*>(list.Get())) c->RemoveAll();
    if (auto* c = dynamic_cast<TQAVZLVFrameItems*>(list.Get())) c->RemoveAll();
    if (auto* c = dynamic_cast<TQAVZLVFrames*>(list.Get())) c->RemoveAll();
    Play([&](ui::Form& f) {
      EXPECT_EQ(Tree(f, k).Count(), 0);
      EXPECT_FALSE(f.FindAs<ui::Control>(k.itemFrame).Visible());
      ui::Click(f.FindAs<ui::Button>("OKBT"));
    });
    EXPECT_EQ(Run(k, list.Get()), std::make_pair(S_OK, true));
    EXPECT_TRUE(k.ids(list.Get()).empty());
  }
}

TEST_F(ListEditorTest, NodeCaptionsNameEachItem) {
  auto items = Create<IQAVZLVFlowItems>(CLSID_QAVZLVFlowItems);
  auto* list = dynamic_cast<TQAVZLVFlowItems*>(items.Get());
  struct Row {
    const char* id;
    LONG direction;
    Variant data;
    const char* caption;
  };
  const Row rows[] = {
      {"1", 0, Variant::Ansi("\x05"), "ID = 1: PC --> <ENQ>"},
      {"2", 1, Variant::Ansi(""), "ID = 2: PC <-- Packet"},
      {"3", 7, Variant::I4(6), "ID = 3: PC <-- 6"},
  };
  for (const auto& row : rows) {
    auto item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
    auto* i = dynamic_cast<TQAVZLVFlowItem*>(item.Get());
    i->SetID(row.id);
    i->SetDirection(row.direction);
    i->SetData(row.data);
    list->Append(item.Get());
  }
  Play([&](ui::Form& f) {
    auto& tree = f.FindAs<ui::TreeView>("FlowItemsTV");
    for (int n = 0; n < 3; ++n) EXPECT_EQ(tree.Item(n).Text(), rows[n].caption);
    ui::Click(f.FindAs<ui::Button>("CancelBT"));
  });
  VARIANT_BOOL r;
  EXPECT_EQ(items->Edit(&r), S_OK);

  auto frameItems = Create<IQAVZLVFrameItems>(CLSID_QAVZLVFrameItems);
  for (LONG type : {5L, 7L}) {
    auto item = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
    auto* i = dynamic_cast<TQAVZLVFrameItem*>(item.Get());
    i->SetID("X");
    i->SetItemType(type);
    dynamic_cast<TQAVZLVFrameItems*>(frameItems.Get())->Append(item.Get());
  }
  auto fields = Create<IQAVZLVFieldDefs>(CLSID_QAVZLVFieldDefs);
  auto field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  dynamic_cast<TQAVZLVFieldDef*>(field.Get())->SetID("4");
  dynamic_cast<TQAVZLVFieldDef*>(field.Get())->SetName("Cena");
  dynamic_cast<TQAVZLVFieldDefs*>(fields.Get())->Append(field.Get());
  Play([&](ui::Form& f) {
    auto& tree = f.FindAs<ui::TreeView>("PacketStructItemsTV");
    EXPECT_EQ(tree.Item(0).Text(), "ID = X: qzlvpstChecksum");
    EXPECT_EQ(tree.Item(1).Text(), "ID = X: ");
    ui::Click(f.FindAs<ui::Button>("CancelBT"));
  });
  EXPECT_EQ(frameItems->Edit(&r), S_OK);
  Play([&](ui::Form& f) {
    EXPECT_EQ(f.FindAs<ui::TreeView>("FieldDefsTV").Item(0).Text(), "ID = 4: Cena");
    ui::Click(f.FindAs<ui::Button>("CancelBT"));
  });
  EXPECT_EQ(fields->Edit(&r), S_OK);
}

TEST_F(ListEditorTest, FlowLimitsAreShownReadOnlyAndWrittenBackAsLoaded) {
  auto flows = Create<IQAVZLVFlows>(CLSID_QAVZLVFlows);
  auto* f = dynamic_cast<TQAVZLVFlows*>(flows.Get());
  f->SetConnectionRepetitionsLimit(3);
  f->SetDataSendRepetitionsLimit(4);
  f->SetWCKLimit(5);
  f->SetNAKLimit(6);
  Play([&](ui::Form& form) {
    auto& limit = form.FindAs<Edit>("WCKLimitED");
    EXPECT_EQ(limit.Text(), "5");
    EXPECT_THROW(ui::TypeInto(limit, "9"), ui::ActionRefused);
    // A program changes the collection meanwhile: OK writes back what was shown.
    f->SetWCKLimit(50);
    ui::Click(form.FindAs<ui::Button>("OKBT"));
  });
  VARIANT_BOOL r;
  EXPECT_EQ(flows->Edit(&r), S_OK);
  EXPECT_EQ(r, VARIANT_TRUE);
  EXPECT_EQ(f->WCKLimit(), 5);
  EXPECT_EQ(f->NAKLimit(), 6);
}

// A bad number met while moving to another item leaves the shown item
// untouched and the selection on it, so the person can mend it there.
TEST_F(ListEditorTest, BadNumberOnSelectionChangeKeepsTheShownItem) {
  auto fields = Create<IQAVZLVFieldDefs>(CLSID_QAVZLVFieldDefs);
  for (const char* id : {"a", "b"}) {
    auto field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
    dynamic_cast<TQAVZLVFieldDef*>(field.Get())->SetID(id);
    dynamic_cast<TQAVZLVFieldDef*>(field.Get())->SetSize(2);
    dynamic_cast<TQAVZLVFieldDefs*>(fields.Get())->Append(field.Get());
  }
  Play([&](ui::Form& f) {
    auto& tree = f.FindAs<ui::TreeView>("FieldDefsTV");
    ui::TypeInto(In<Edit>(f, "FieldDefEditFrame", "IDED"), "a2");
    ui::TypeInto(In<Edit>(f, "FieldDefEditFrame", "SizeED"), "");
    ui::Select(tree.Item(1));
    EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>{"'' is not a valid integer value"});
    EXPECT_EQ(tree.Selected(), &tree.Item(0));
    EXPECT_EQ(In<Edit>(f, "FieldDefEditFrame", "IDED").Text(), "a2");
    ui::TypeInto(In<Edit>(f, "FieldDefEditFrame", "SizeED"), "8");
    ui::Select(tree.Item(1));
    EXPECT_EQ(In<Edit>(f, "FieldDefEditFrame", "IDED").Text(), "b");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  VARIANT_BOOL r;
  EXPECT_EQ(fields->Edit(&r), S_OK);
  auto* list = dynamic_cast<TQAVZLVFieldDefs*>(fields.Get());
  EXPECT_EQ(dynamic_cast<TQAVZLVFieldDef*>(list->At(0).Get())->ID(), "a2");
  EXPECT_EQ(dynamic_cast<TQAVZLVFieldDef*>(list->At(0).Get())->Size(), 8);
}

// A bad number at OK keeps a list editor open; Cancel then leaves the caller's
// collection whole.
TEST_F(ListEditorTest, BadNumberAtOkKeepsTheListOpen) {
  auto flows = Create<IQAVZLVFlows>(CLSID_QAVZLVFlows);
  auto flow = Create<IQAVZLVFlow>(CLSID_QAVZLVFlow);
  dynamic_cast<TQAVZLVFlow*>(flow.Get())->SetID("F");
  auto item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  dynamic_cast<TQAVZLVFlow*>(flow.Get())->Items()->Append(item.Get());
  dynamic_cast<TQAVZLVFlows*>(flows.Get())->Append(flow.Get());
  Play([&](ui::Form& f) {
    ui::TypeInto(In<Edit>(f, "FlowEditFrame", "IDED"), "G");
    ui::TypeInto(In<Edit>(f, "FlowItemEditFrame", "IntervalED"), "1e3");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
    EXPECT_FALSE(f.ModalDone());
    ui::Click(f.FindAs<ui::Button>("CancelBT"));
  });
  VARIANT_BOOL r;
  EXPECT_EQ(flows->Edit(&r), S_OK);
  EXPECT_EQ(r, VARIANT_FALSE);
  EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>{"'1e3' is not a valid integer value"});
  auto* list = dynamic_cast<TQAVZLVFlows*>(flows.Get());
  EXPECT_EQ(list->At(0).Get(), flow.Get());
  EXPECT_EQ(dynamic_cast<TQAVZLVFlow*>(flow.Get())->ID(), "F");
}

}  // namespace
}  // namespace zelvani::editors::test
