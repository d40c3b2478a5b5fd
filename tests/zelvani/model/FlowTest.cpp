// Flows, flow items and the two cursors by which a flow is walked.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "zelvani/model/EditorHook.h"
#include "zelvani/model/QAVZLVFlow.h"

namespace zelvani {
namespace {

Bstr B(const std::string& s) { return Bstr::Attach(AnsiToBstr(s)); }

ComPtr<IQAVZLVFlowItem> NewItem(const std::string& id) {
  auto item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  EXPECT_EQ(item->put_ID(B(id).Get()), S_OK);
  return item;
}

// A FlowItems filled with items of the given IDs, walked through its interface.
struct Items {
  explicit Items(const std::vector<std::string>& ids)
      : itf(Create<IQAVZLVFlowItems>(CLSID_QAVZLVFlowItems)), impl(dynamic_cast<TQAVZLVFlowItems*>(itf.Get())) {
    for (const auto& id : ids) Add(id);
  }
  IQAVZLVFlowItem* Add(const std::string& id) {
    added.push_back(NewItem(id));
    LONG pos;
    EXPECT_EQ(itf->Add(added.back().Get(), &pos), S_OK);
    return added.back().Get();
  }
  std::string Text(HRESULT (IQAVZLVFlowItems::*member)(BSTR*)) {
    Bstr b;
    EXPECT_EQ((itf.Get()->*member)(b.Out()), S_OK);
    return BstrToAnsi(b.Get());
  }
  std::string FirstID() { return Text(&IQAVZLVFlowItems::FindFirstID); }
  std::string NextID() { return Text(&IQAVZLVFlowItems::FindNextID); }
  std::string CurrentID() { return Text(&IQAVZLVFlowItems::get_CurrentID); }
  void PutCurrentID(const std::string& id) { EXPECT_EQ(itf->put_CurrentID(B(id).Get()), S_OK); }
  IQAVZLVFlowItem* ByID(bool first, const std::string& id) {
    ComPtr<IQAVZLVFlowItem> r;
    EXPECT_EQ(first ? itf->FindFirstByID(B(id).Get(), r.Out()) : itf->FindNextByID(B(id).Get(), r.Out()), S_OK);
    return r.Get();  // the collection keeps its own reference
  }

  ComPtr<IQAVZLVFlowItems> itf;
  TQAVZLVFlowItems* impl;
  std::vector<ComPtr<IQAVZLVFlowItem>> added;
};

TEST(FlowObjectsTest, StartWithTheirInitialValues) {
  auto item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  auto* i = dynamic_cast<TQAVZLVFlowItem*>(item.Get());
  Variant data;
  ASSERT_EQ(item->get_Data(&data), S_OK);
  EXPECT_EQ(data.vt, VT_I4);
  EXPECT_EQ(data.lVal, 1);
  EXPECT_EQ(std::vector<LONG>({i->Index(), i->Direction(), i->PacketType(), i->RetryCount(), i->CharsAfterDelimiter(),
                               i->Interval(), i->Flags()}),
            std::vector<LONG>({-1, -1, -1, -1, 0, 0, 0}));
  EXPECT_TRUE(i->DelimiterTexts().empty());

  auto flowsItf = Create<IQAVZLVFlows>(CLSID_QAVZLVFlows);
  auto* flows = dynamic_cast<TQAVZLVFlows*>(flowsItf.Get());
  EXPECT_EQ(std::vector<LONG>({flows->ConnectionRepetitionsLimit(), flows->DataSendRepetitionsLimit(),
                               flows->WCKLimit(), flows->NAKLimit()}),
            std::vector<LONG>({-1, -1, -1, -1}));
}

TEST(FlowStepCursorTest, WalksDistinctStepsInListOrder) {
  struct Row {
    std::vector<std::string> ids;
    std::vector<std::pair<std::string, LONG>> walk;  // FindFirstID, then FindNextID: ID and step cursor
  };
  const Row rows[] = {
      {{"1", "2", "2", "3"}, {{"1", 0}, {"2", 1}, {"3", 3}}},
      {{"1", "2", "1"}, {{"1", 0}, {"2", 1}, {"1", 2}}},
      {{"A", "A", "B", "A"}, {{"A", 0}, {"B", 2}, {"A", 3}}},
      {{"", "", "X"}, {{"X", 2}}},                    // leading empty IDs equal the empty CurrentID
      {{"X", "", "Y"}, {{"X", 0}, {"", 1}, {"Y", 2}}},  // a later empty ID looks like the end
      {{"a", "A"}, {{"a", 0}, {"A", 1}}},             // case-sensitive
      {{}, {}},
  };
  for (const Row& row : rows) {
    Items items(row.ids);
    SCOPED_TRACE(testing::PrintToString(row.ids));
    for (std::size_t k = 0; k < row.walk.size(); ++k) {
      EXPECT_EQ(k == 0 ? items.FirstID() : items.NextID(), row.walk[k].first) << k;
      EXPECT_EQ(items.impl->StepCursor(), row.walk[k].second) << k;
    }
    // At the end: the empty string, cursor and CurrentID as they were.
    auto last = row.walk.empty() ? std::pair<std::string, LONG>("", -1) : row.walk.back();
    EXPECT_EQ(row.walk.empty() ? items.FirstID() : items.NextID(), "");
    EXPECT_EQ(items.NextID(), "");
    EXPECT_EQ(items.CurrentID(), last.first);
    EXPECT_EQ(items.impl->StepCursor(), last.second);
  }
}

TEST(FlowStepCursorTest, CurrentIdPutJumpsToFirstItemWithThatIdOrChangesNothing) {
  Items items({"1", "2", "2", "3", "2"});
  items.FirstID();
  items.NextID();
  items.NextID();
  items.PutCurrentID("2");
  EXPECT_EQ(items.impl->StepCursor(), 1);
  EXPECT_EQ(items.NextID(), "3");
  EXPECT_EQ(items.NextID(), "2");
  for (const char* unknown : {"9", "", "3 "}) {
    items.PutCurrentID(unknown);
    EXPECT_EQ(items.CurrentID(), "2") << unknown;
    EXPECT_EQ(items.impl->StepCursor(), 4) << unknown;
  }
}

TEST(FlowAlternativeCursorTest, WalksTheItemsOfOneIdToTheEnd) {
  Items items({"1", "2", "1"});
  IQAVZLVFlowItem *a = items.added[0].Get(), *b = items.added[1].Get(), *c = items.added[2].Get();
  struct Call {
    bool first;
    std::string id;
    IQAVZLVFlowItem* expected;
    LONG cursor;
  };
  const Call calls[] = {
      {true, "1", a, 0},       {false, "1", c, 2},  {false, "1", nullptr, 2},  // none: nil, cursor stays
      {true, "1", a, 0},       {false, "2", b, 1},                            // another ID goes on from the cursor
      {false, "1", c, 2},      {false, "2", nullptr, 2},                      // B lies before the cursor
      {true, "3", nullptr, -1}, {true, "2", b, 1},
  };
  for (std::size_t k = 0; k < std::size(calls); ++k) {
    EXPECT_EQ(items.ByID(calls[k].first, calls[k].id), calls[k].expected) << k;
    EXPECT_EQ(items.impl->AlternativeCursor(), calls[k].cursor) << k;
  }
  Items none({});
  EXPECT_EQ(none.ByID(true, ""), nullptr);
}

TEST(FlowCursorsTest, AreIndependent) {
  Items items({"1", "1", "2", "3", "2"});
  items.FirstID();
  items.NextID();  // step cursor 2
  EXPECT_EQ(items.ByID(true, "2"), items.added[2].Get());
  EXPECT_EQ(items.ByID(false, "2"), items.added[4].Get());
  EXPECT_EQ(items.impl->StepCursor(), 2);
  items.FirstID();
  items.PutCurrentID("3");
  EXPECT_EQ(items.impl->AlternativeCursor(), 4);
  EXPECT_EQ(items.NextID(), "2");
}

TEST(FlowCursorsTest, CursorsBeyondAShorterListFindNothingUntilRestarted) {
  Items items({"1", "2", "3", "4"});
  items.FirstID();
  for (int k = 0; k < 3; ++k) items.NextID();
  items.ByID(true, "4");
  ASSERT_EQ(items.itf->Clear(), S_OK);
  // Clear keeps CurrentID and both cursors; the searches find nothing.
  EXPECT_EQ(items.CurrentID(), "4");
  EXPECT_EQ(items.NextID(), "");
  EXPECT_EQ(items.ByID(false, "4"), nullptr);
  items.PutCurrentID("4");
  EXPECT_EQ(items.impl->StepCursor(), 3);
  items.Add("A");
  IQAVZLVFlowItem* b = items.Add("B");
  EXPECT_EQ(items.NextID(), "");
  EXPECT_EQ(items.ByID(false, "B"), nullptr);
  items.PutCurrentID("A");  // a jump works on the new items
  EXPECT_EQ(items.NextID(), "B");
  EXPECT_EQ(items.FirstID(), "A");
  EXPECT_EQ(items.ByID(true, "B"), b);

  // CopyFrom of a shorter source whose CurrentID no item has keeps the cursors.
  Items longer({"1", "2", "3", "4", "5"}), shorter({"x", "y"});
  longer.FirstID();
  for (int k = 0; k < 4; ++k) longer.NextID();
  longer.ByID(true, "5");
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(longer.itf->CopyFrom(shorter.itf.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(longer.CurrentID(), "5");
  EXPECT_EQ(longer.NextID(), "");
  EXPECT_EQ(longer.ByID(false, "y"), nullptr);
  EXPECT_EQ(longer.impl->AlternativeCursor(), 4);
  // A source CurrentID that an item has moves the step cursor there.
  shorter.FirstID();
  shorter.NextID();
  ASSERT_EQ(longer.itf->CopyFrom(shorter.itf.Get(), &ok), S_OK);
  EXPECT_EQ(longer.CurrentID(), "y");
  EXPECT_EQ(longer.impl->StepCursor(), 1);
}

TEST(FlowCollectionsTest, AddSetsIndexAndOutOfRangeIndexesFail) {
  Items items({"a", "b", "c"});
  LONG index = -1;
  items.added[2]->get_Index(&index);
  EXPECT_EQ(index, 2);
  auto flows = Create<IQAVZLVFlows>(CLSID_QAVZLVFlows);
  auto flow = Create<IQAVZLVFlow>(CLSID_QAVZLVFlow);
  LONG pos = -1;
  flows->Add(Create<IQAVZLVFlow>(CLSID_QAVZLVFlow).Get(), &pos);
  ASSERT_EQ(flows->Add(flow.Get(), &pos), S_OK);
  flow->get_Index(&index);
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(index, 1);
  struct Row {
    std::function<HRESULT(LONG)> call;
    LONG count;
  };
  const Row rows[] = {
      {[&](LONG i) { return items.itf->get_Items(i, ComPtr<IQAVZLVFlowItem>().Out()); }, 3},
      {[&](LONG i) { return items.itf->get__Items(i, ComPtr<IDispatch>().Out()); }, 3},
      {[&](LONG i) { return flows->get_Items(i, ComPtr<IQAVZLVFlow>().Out()); }, 2},
  };
  for (const Row& row : rows) {
    for (LONG i : {LONG{-1}, row.count}) {
      EXPECT_EQ(row.call(i), DISP_E_BADINDEX) << i;
      EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "List index out of bounds (" + std::to_string(i) + ")");
    }
    EXPECT_EQ(row.call(row.count - 1), S_OK);
  }
}

TEST(FlowCollectionsTest, FindByFlowTypeGivesFirstMatchAndSaveToFileAnswersFalse) {
  auto flows = Create<IQAVZLVFlows>(CLSID_QAVZLVFlows);
  std::vector<ComPtr<IQAVZLVFlow>> added;
  for (LONG type : {3, 5, 7, 5, 0}) {
    added.push_back(Create<IQAVZLVFlow>(CLSID_QAVZLVFlow));
    added.back()->put_FlowType(type);
    LONG pos;
    flows->Add(added.back().Get(), &pos);
  }
  for (auto [type, expected] : {std::pair{5, added[1].Get()}, {0, added[4].Get()}, {9, nullptr}, {-1, nullptr}}) {
    ComPtr<IQAVZLVFlow> got;
    ASSERT_EQ(flows->FindByFlowType(type, got.Out()), S_OK);
    EXPECT_EQ(got.Get(), expected) << type;
  }
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(flows->SaveToFile(B("/nonexistent/flows.pkd").Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
}

TQAVZLVFlowItem* Impl(IQAVZLVFlowItem* item) { return dynamic_cast<TQAVZLVFlowItem*>(item); }

ComPtr<IQAVZLVFlowItem> FilledItem(const std::string& id) {
  auto item = NewItem(id);
  Impl(item.Get())->SetIndex(7);
  item->put_Direction(qzlvfdtToPC);
  item->put_Data(Variant::Ansi("\x06"));
  item->put_PacketType(4);
  item->put_CharsAfterDelimiter(2);
  item->put_RetryCount(3);
  item->put_Interval(250);
  item->put_NextFlowItemID(B("S3").Get());
  item->put_Flags(qzlvffWaitIfReceived | qzlvffEndTransmission);
  Impl(item.Get())->AddDelimiter(Variant::Ansi("\x03"));
  Impl(item.Get())->AddDelimiter(Variant::I4(23));
  return item;
}

void ExpectCopied(TQAVZLVFlowItem* s, TQAVZLVFlowItem* c) {
  ASSERT_TRUE(s && c);
  EXPECT_NE(s, c);
  EXPECT_EQ(std::tuple(s->ID(), s->Index(), s->Direction(), s->DataText(), s->PacketType(), s->CharsAfterDelimiter(),
                       s->RetryCount(), s->Interval(), s->NextFlowItemID(), s->Flags(), s->DelimiterTexts()),
            std::tuple(c->ID(), c->Index(), c->Direction(), c->DataText(), c->PacketType(), c->CharsAfterDelimiter(),
                       c->RetryCount(), c->Interval(), c->NextFlowItemID(), c->Flags(), c->DelimiterTexts()));
  EXPECT_NE(s->PacketDelimiters(), c->PacketDelimiters());
}

TEST(FlowCopyTest, ItemCopiesEveryPropertyAndOwnsItsDelimiters) {
  auto source = FilledItem("S1");
  auto copy = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(copy->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ExpectCopied(Impl(source.Get()), Impl(copy.Get()));
  Impl(source.Get())->AddDelimiter(Variant::Ansi("more"));
  EXPECT_EQ(Impl(copy.Get())->DelimiterTexts(), (std::vector<std::string>{"\x03", "23"}));
  ASSERT_EQ(copy->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  ASSERT_EQ(copy->CopyFrom(copy.Get(), &ok), S_OK);  // onto itself: the delimiters survive
  EXPECT_EQ(Impl(copy.Get())->DelimiterTexts().size(), 2u);
}

TEST(FlowCopyTest, FlowsCopySharesNothingAndTakesTheLimits) {
  auto source = Create<IQAVZLVFlows>(CLSID_QAVZLVFlows);
  auto* s = dynamic_cast<TQAVZLVFlows*>(source.Get());
  s->SetConnectionRepetitionsLimit(3);
  s->SetDataSendRepetitionsLimit(4);
  s->SetWCKLimit(5);
  s->SetNAKLimit(6);
  for (LONG type : {qzlvftSendMsgOpen, qzlvftSendPacket}) {
    auto flow = Create<IQAVZLVFlow>(CLSID_QAVZLVFlow);
    auto* f = dynamic_cast<TQAVZLVFlow*>(flow.Get());
    f->SetFlowType(type);
    f->SetID("Flow" + std::to_string(type));
    LONG pos;
    f->FlowItems()->Add(FilledItem("S1").Get(), &pos);
    f->FlowItems()->Add(NewItem("S2").Get(), &pos);
    source->Add(flow.Get(), &pos);
    f->SetIndex(10 + type);  // the copy takes the source's Index
  }
  auto* walked = dynamic_cast<TQAVZLVFlow*>(s->At(1).Get())->Items();
  walked->FirstID();
  walked->NextID();  // CurrentID "S2" is copied

  auto target = Create<IQAVZLVFlows>(CLSID_QAVZLVFlows);
  auto* t = dynamic_cast<TQAVZLVFlows*>(target.Get());
  for (int k = 0; k < 3; ++k) t->Append(Create<IQAVZLVFlow>(CLSID_QAVZLVFlow).Get());
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(target->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(std::vector<LONG>({t->ConnectionRepetitionsLimit(), t->DataSendRepetitionsLimit(), t->WCKLimit(),
                               t->NAKLimit()}),
            std::vector<LONG>({3, 4, 5, 6}));
  ASSERT_EQ(t->Size(), 2);
  for (LONG i = 0; i < 2; ++i) {
    auto* sf = dynamic_cast<TQAVZLVFlow*>(s->At(i).Get());
    auto* cf = dynamic_cast<TQAVZLVFlow*>(t->At(i).Get());
    ASSERT_TRUE(cf);
    EXPECT_NE(sf, cf);
    EXPECT_EQ(std::tuple(cf->FlowType(), cf->ID(), cf->Index()), std::tuple(sf->FlowType(), sf->ID(), sf->Index()));
    EXPECT_NE(cf->FlowItems(), sf->FlowItems());
    ASSERT_EQ(cf->Items()->Size(), 2);
    EXPECT_EQ(cf->Items()->CurrentID(), sf->Items()->CurrentID());
    for (LONG k = 0; k < 2; ++k) ExpectCopied(Impl(sf->Items()->At(k).Get()), Impl(cf->Items()->At(k).Get()));
  }
  EXPECT_EQ(dynamic_cast<TQAVZLVFlow*>(t->At(1).Get())->Items()->StepCursor(), 1);

  ASSERT_EQ(target->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(t->Size(), 2);
  ASSERT_EQ(target->CopyFrom(target.Get(), &ok), S_OK);  // onto itself: the flows survive
  ASSERT_EQ(t->Size(), 2);
  auto* items = dynamic_cast<TQAVZLVFlow*>(t->At(1).Get())->FlowItems();
  ASSERT_EQ(items->CopyFrom(items, &ok), S_OK);
  LONG count = 0;
  items->get_Count(&count);
  EXPECT_EQ(count, 2);
}

TEST(FlowEditTest, OpensTheEditorOfItsKindOnTheObjectItself) {
  auto item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  auto items = Create<IQAVZLVFlowItems>(CLSID_QAVZLVFlowItems);
  auto flow = Create<IQAVZLVFlow>(CLSID_QAVZLVFlow);
  auto flows = Create<IQAVZLVFlows>(CLSID_QAVZLVFlows);
  struct Row {
    EditorKind kind;
    IDispatch* target;
    std::function<HRESULT(VARIANT_BOOL*)> edit;
  };
  const Row rows[] = {
      {EditorKind::FlowItem, item.Get(), [&](VARIANT_BOOL* r) { return item->Edit(r); }},
      {EditorKind::FlowItems, items.Get(), [&](VARIANT_BOOL* r) { return items->Edit(r); }},
      {EditorKind::Flow, flow.Get(), [&](VARIANT_BOOL* r) { return flow->Edit(r); }},
      {EditorKind::Flows, flows.Get(), [&](VARIANT_BOOL* r) { return flows->Edit(r); }},
  };
  for (const Row& row : rows) {
    for (bool answer : {true, false}) {
      IDispatch* seen = nullptr;
      InstallEditor(row.kind, [&](IDispatch* target) {
        seen = target;
        return answer;
      });
      VARIANT_BOOL ok = answer ? VARIANT_FALSE : VARIANT_TRUE;
      EXPECT_EQ(row.edit(&ok), S_OK);
      EXPECT_EQ(ok, answer ? VARIANT_TRUE : VARIANT_FALSE);
      EXPECT_EQ(seen, row.target);
    }
    InstallEditor(row.kind, nullptr);
  }
}

}  // namespace
}  // namespace zelvani
