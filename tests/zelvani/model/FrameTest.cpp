// Frames, frame items and their collection: slot formatting, counters,
// checksums, lookups and deep copies.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/com/ansi.h"
#include "zelvani/model/EditorHook.h"
#include "zelvani/model/QAVZLVFrame.h"

namespace zelvani {
namespace {

constexpr LONG kNone = qzlvpsfNone;
constexpr LONG kLeft = qzlvpsfLeftJustify;
constexpr LONG kRight = qzlvpsfRightJustify;
constexpr LONG kZero = qzlvpsfZeroPadded;

struct NewItem {
  ComPtr<IQAVZLVFrameItem> itf;
  TQAVZLVFrameItem* obj;
};

NewItem MakeItem(LONG type, LONG size, LONG flags) {
  auto itf = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
  auto* obj = dynamic_cast<TQAVZLVFrameItem*>(itf.Get());
  EXPECT_EQ(itf->put_ItemType(type), S_OK);
  EXPECT_EQ(itf->put_Size(size), S_OK);
  EXPECT_EQ(itf->put_Flags(flags), S_OK);
  return {itf, obj};
}

std::u16string TakeBstr(BSTR b) {
  Bstr owner = Bstr::Attach(b);
  return std::u16string(owner.View());
}

void AddValue(IQAVZLVFrameItem* item, const Variant& v) {
  ComPtr<IQAVZLVValues> values;
  ASSERT_EQ(item->get_Values(values.Out()), S_OK);
  auto value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
  value->put_Value(v);
  LONG pos;
  ASSERT_EQ(values->Add(value.Get(), &pos), S_OK);
}

LONG CountOf(IDispatchCollection* c) {
  LONG n = -1;
  EXPECT_EQ(c->get_Count(&n), S_OK);
  return n;
}

// ---------------------------------------------------------------------------

TEST(FrameItemTest, OwnedCollectionsAreCreatedWithTheObject) {
  auto item = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
  ComPtr<IQAVZLVValues> a, b;
  item->get_Values(a.Out());
  item->get_Values(b.Out());
  ASSERT_TRUE(a);
  EXPECT_EQ(a.Get(), b.Get());
  EXPECT_EQ(CountOf(a.Get()), 0);
  auto frame = Create<IQAVZLVFrame>(CLSID_QAVZLVFrame);
  ComPtr<IQAVZLVFrameItems> i1, i2;
  frame->get_PacketStructItems(i1.Out());
  frame->get_PacketStructItems(i2.Out());
  ASSERT_TRUE(i1);
  EXPECT_EQ(i1.Get(), i2.Get());
  EXPECT_EQ(CountOf(i1.Get()), 0);
}

struct FormatCase {
  const char* name;
  LONG type;
  LONG size;
  LONG flags;
  std::u16string in;
  std::u16string out;
};

TEST(FrameItemTest, FormatFitsTextToSlot) {
  const FormatCase cases[] = {
      {"const longer is cut", qzlvpstConst, 3, kNone, u"ABCDE", u"ABC"},
      {"data longer is kept", qzlvpstData, 3, kNone, u"ABCDE", u"ABCDE"},
      {"exact length unchanged", qzlvpstConst, 3, kLeft | kZero, u"ABC", u"ABC"},
      {"right zero padded", qzlvpstConst, 3, kRight | kZero, u"7", u"007"},
      {"left blank padded", qzlvpstConst, 3, kLeft, u"7", u"7  "},
      {"no justify stays short", qzlvpstConst, 3, kZero, u"7", u"7"},
      {"left wins over right", qzlvpstCounter, 3, kLeft | kRight | kZero, u"7", u"700"},
      {"data shorter is padded", qzlvpstData, 5, kRight, u"ab", u"   ab"},
      {"empty text all pad", qzlvpstChecksum, 2, kRight, u"", u"  "},
      {"size 0 unchanged", qzlvpstConst, 0, kRight | kZero, u"7", u"7"},
      {"negative size leaves no room", qzlvpstConst, -1, kLeft, u"AB", u""},
      {"negative size keeps data", qzlvpstData, -1, kLeft, u"AB", u"AB"},
      {"8-bit letters cut by character", qzlvpstConst, 2, kNone, u"\u0105\u0107\u0119", u"\u0105\u0107"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewItem item = MakeItem(c.type, c.size, c.flags);
    BSTR out = nullptr;
    Bstr in(c.in);
    ASSERT_EQ(item.itf->Format(in.Get(), &out), S_OK);
    EXPECT_EQ(TakeBstr(out), c.out);
    EXPECT_EQ(item.obj->FormatText(WideToAnsi(c.in)), WideToAnsi(c.out));
  }
}

TEST(FrameItemTest, ValueToStrFormatsConstantValues) {
  NewItem item = MakeItem(qzlvpstConst, 4, kRight);
  AddValue(item.itf.Get(), Variant::Str(u"AB"));
  AddValue(item.itf.Get(), Variant::I4(7));
  AddValue(item.itf.Get(), Variant::Str(u"ABCDEF"));
  const std::pair<LONG, std::u16string> cases[] = {{0, u"  AB"}, {1, u"   7"}, {2, u"ABCD"}};
  for (const auto& [index, expected] : cases) {
    BSTR out = nullptr;
    ASSERT_EQ(item.itf->ValueToStr(index, &out), S_OK);
    EXPECT_EQ(TakeBstr(out), expected) << index;
  }
  for (LONG bad : {3, -1}) {
    BSTR out = nullptr;
    EXPECT_EQ(item.itf->ValueToStr(bad, &out), DISP_E_BADINDEX);
    EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "List index out of bounds (" + std::to_string(bad) + ")");
    EXPECT_EQ(out, nullptr);
  }
  EXPECT_THROW(item.obj->ValueText(3), ComError);

  // Texts with the national letters keep them, an empty or null text pads like
  // any other, and a value changed after it was read is read anew.
  NewItem texts = MakeItem(qzlvpstConst, 5, kLeft);
  AddValue(texts.itf.Get(), Variant::Str(u"Zażó"));
  AddValue(texts.itf.Get(), Variant::Str(u""));
  VARIANT nullText;
  nullText.vt = VT_BSTR;
  nullText.bstrVal = nullptr;
  AddValue(texts.itf.Get(), Variant(nullText));
  const std::pair<LONG, std::u16string> textCases[] = {{0, u"Zażó "}, {1, u"     "}, {2, u"     "}};
  for (const auto& [index, expected] : textCases) {
    EXPECT_EQ(texts.obj->ValueText(index), WideToAnsi(expected)) << index;
    BSTR out = nullptr;
    ASSERT_EQ(texts.itf->ValueToStr(index, &out), S_OK);
    EXPECT_EQ(TakeBstr(out), expected) << index;
  }
  ComPtr<IQAVZLVValues> values;
  ASSERT_EQ(texts.itf->get_Values(values.Out()), S_OK);
  ComPtr<IQAVZLVValue> first;
  ASSERT_EQ(values->get_Items(0, first.Out()), S_OK);
  ASSERT_EQ(first->put_Value(Variant::Str(u"Łódź")), S_OK);
  EXPECT_EQ(texts.obj->ValueText(0), WideToAnsi(u"Łódź "));
  ASSERT_EQ(first->put_Value(Variant::I4(42)), S_OK);
  EXPECT_EQ(texts.obj->ValueText(0), "42   ");

  // Any other item gives the empty text, whatever the index.
  NewItem counter = MakeItem(qzlvpstCounter, 2, kRight | kZero);
  BSTR out = nullptr;
  ASSERT_EQ(counter.itf->ValueToStr(0, &out), S_OK);
  EXPECT_EQ(TakeBstr(out), u"");
}

struct CounterCase {
  const char* name;
  LONG type;
  LONG size;
  LONG flags;
  std::int64_t start;
  std::vector<std::string> texts;
  std::int64_t end;
};

TEST(FrameItemTest, CounterAdvancesModuloPowerOfTen) {
  const LONG C = qzlvpstCounter;
  const CounterCase cases[] = {
      {"wraps at 99", C, 2, kRight | kZero, 99, {"00", "01"}, 1},
      {"zero padded", C, 2, kRight | kZero, 5, {"06", "07"}, 7},
      {"one digit", C, 1, kNone, 8, {"9", "0"}, 0},
      {"left justified", C, 3, kLeft, 998, {"999", "0  "}, 0},
      {"size 0 is modulus 1", C, 0, kRight | kZero, 42, {"0", "0"}, 0},
      {"negative size gives no digits", C, -1, kRight | kZero, 42, {"", ""}, 42},
      {"beyond 32 bits", C, 10, kRight | kZero, 2147483647, {"2147483648"}, 2147483648LL},
      {"18 digits wrap", C, 18, kRight | kZero, 999999999999999999LL, {"000000000000000000", "000000000000000001"}, 1},
      {"19 digits wrap at 10^18", C, 19, kNone, 999999999999999999LL, {"0"}, 0},
      {"huge size wraps at 10^18", C, 1000, kNone, 5, {"6"}, 6},
      {"placed start beyond the modulus", C, 2, kRight | kZero, 1234, {"35"}, 35},
      {"placed negative start", C, 2, kRight | kZero, -5, {"96"}, 96},
      {"constant item", qzlvpstConst, 2, kRight | kZero, 50, {""}, 50},
      {"checksum item", qzlvpstChecksum, 2, kRight | kZero, 50, {""}, 50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewItem item = MakeItem(c.type, c.size, c.flags);
    item.obj->SetCounter(c.start);
    for (const auto& expected : c.texts) {
      BSTR out = nullptr;
      ASSERT_EQ(item.itf->CounterToStr(&out), S_OK);
      EXPECT_EQ(WideToAnsi(TakeBstr(out)), expected);
    }
    EXPECT_EQ(item.obj->Counter(), c.end);
  }
}

TEST(FrameItemTest, CounterStartsAtRandomNumberBelow100) {
  std::set<std::int64_t> starts;
  for (int i = 0; i < 200; ++i) {
    NewItem item = MakeItem(qzlvpstCounter, 2, kRight | kZero);
    const std::int64_t start = item.obj->Counter();
    ASSERT_GE(start, 0);
    ASSERT_LE(start, 99);
    starts.insert(start);
    // The first text is the start value plus one.
    char expected[3] = {static_cast<char>('0' + (start + 1) % 100 / 10), static_cast<char>('0' + (start + 1) % 10), 0};
    EXPECT_EQ(item.obj->NextCounterText(), expected);
  }
  EXPECT_GT(starts.size(), 1u);  // items made in one instant still differ
}

struct ChecksumCase {
  const char* name;
  LONG flags;
  LONG size;
  std::string buff;  // 8-bit wire bytes
  std::string out;
};

TEST(FrameItemTest, ChecksumVariants) {
  const LONG ecr = qzlvcrcECR | kRight | kZero;
  const LONG trx = qzlvcrcTRX810 | kRight | kZero;
  const ChecksumCase cases[] = {
      {"ECR empty", ecr, 4, "", "0000"},
      {"ECR one char", ecr, 4, "A", "0041"},
      {"ECR second byte shifted", ecr, 4, "AB", "00C5"},
      {"ECR shift starts over after nine", ecr, 4, std::string(10, 'A'), "7E7E"},
      {"ECR nine high bytes", ecr, 4, std::string(9, '\xFF'), "AA55"},
      {"ECR bytes above 127", ecr, 4, "\xB9\xFF", "0147"},
      {"ECR frame text", ecr, 4, "\x02" "123ABC\x03", "1C20"},
      {"ECR cut to slot", ecr, 2, "AB", "00"},
      {"TRX810 ABC", trx, 2, "ABC", "98"},
      {"TRX810 one char", trx, 2, "A", "65"},
      {"TRX810 sum below 10", trx, 2, "\x02\x03", "05"},
      {"TRX810 empty", trx, 2, "", "00"},
      {"TRX810 bytes above 127", trx, 2, "\xB9\xFF", "40"},
      {"TRX810 sum wraps at 16 bits", trx, 2, std::string(258, '\xFF'), "54"},
      {"ECR before TRX810", ecr | trx, 4, "A", "0041"},
      {"default flags choose ECR", -1, 4, "A", "0041"},
      {"VORDAN pads", qzlvcrcVORDAN | kRight, 2, "ABC", "  "},
      {"no variant pads", kLeft | kZero, 3, "ABC", "000"},
      {"VORDAN unjustified is empty", qzlvcrcVORDAN, 2, "ABC", ""},
      {"no variant no flags is empty", kNone, 2, "ABC", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewItem item = MakeItem(qzlvpstChecksum, c.size, c.flags);
    EXPECT_EQ(item.obj->Checksum(c.buff), c.out);
    BSTR out = nullptr;
    BSTR in = AnsiToBstr(c.buff);
    ASSERT_EQ(item.itf->CalculateChecksum(in, &out), S_OK);
    SysFreeString(in);
    EXPECT_EQ(WideToAnsi(TakeBstr(out)), c.out);
  }
}

TEST(FrameItemTest, ChecksumTakesCharactersAsAnsiBytes) {
  // Letters of the wire text arrive as the characters of their ANSI bytes:
  // U+0105 is byte B9, U+02D9 is byte FF, U+0104 is byte A5.
  const struct {
    std::u16string text;
    const char* ecr;
    const char* trx;
  } cases[] = {
      {u"\u0105", "00B9", "85"},
      {u"\u0105\u02D9", "0147", "40"},
      {u"\u0104A", "0027", "30"},
  };
  for (const auto& c : cases) {
    NewItem e = MakeItem(qzlvpstChecksum, 4, qzlvcrcECR | kRight | kZero);
    NewItem t = MakeItem(qzlvpstChecksum, 2, qzlvcrcTRX810 | kRight | kZero);
    Bstr in(c.text);
    BSTR out = nullptr;
    ASSERT_EQ(e.itf->CalculateChecksum(in.Get(), &out), S_OK);
    EXPECT_EQ(WideToAnsi(TakeBstr(out)), c.ecr);
    ASSERT_EQ(t.itf->CalculateChecksum(in.Get(), &out), S_OK);
    EXPECT_EQ(WideToAnsi(TakeBstr(out)), c.trx);
  }
}

// ---------------------------------------------------------------------------

ComPtr<IQAVZLVFrameItem> AddItem(IQAVZLVFrameItems* items, const char16_t* id, LONG type, LONG* pos = nullptr) {
  auto item = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
  Bstr b(id);
  item->put_ID(b.Get());
  item->put_ItemType(type);
  LONG p = -1;
  EXPECT_EQ(items->Add(item.Get(), &p), S_OK);
  if (pos) *pos = p;
  return item;
}

TEST(FrameItemsTest, AddItemsAndFindByIDAndItemType) {
  auto items = Create<IQAVZLVFrameItems>(CLSID_QAVZLVFrameItems);
  auto stx = AddItem(items.Get(), u"STX", qzlvpstConst);
  auto cnt = AddItem(items.Get(), u"CNT", qzlvpstCounter);
  auto stx2 = AddItem(items.Get(), u"STX", qzlvpstChecksum);
  auto crc = AddItem(items.Get(), u"CRC", qzlvpstChecksum);
  LONG pos = -1, index = -1;
  auto pl = AddItem(items.Get(), u"\u0105", qzlvpstData, &pos);
  pl->get_Index(&index);
  EXPECT_EQ(pos, 4);
  EXPECT_EQ(index, 4);
  for (LONG bad : {5, -1}) {
    ComPtr<IQAVZLVFrameItem> none;
    EXPECT_EQ(items->get_Items(bad, none.Out()), DISP_E_BADINDEX);
    EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "List index out of bounds (" + std::to_string(bad) + ")");
  }

  const struct {
    std::u16string id;
    LONG type;
    IQAVZLVFrameItem* found;
  } byId[] = {
      {u"STX", 0, stx.Get()},            // the first of two
      {u"STX", qzlvpstChecksum, stx.Get()},  // the item type is not looked at
      {u"CRC", 0, crc.Get()},
      {u"stx", 0, nullptr},  // case-sensitive
      {u"\u0105", 0, pl.Get()},
      {u"?", 0, nullptr},
      {u"", 0, nullptr},
  };
  for (const auto& c : byId) {
    ComPtr<IQAVZLVFrameItem> found;
    Bstr id(c.id);
    ASSERT_EQ(items->FindByID(id.Get(), c.type, found.Out()), S_OK);
    EXPECT_EQ(found.Get(), c.found) << WideToUtf8(c.id);
  }
  auto* obj = dynamic_cast<TQAVZLVFrameItems*>(items.Get());
  EXPECT_EQ(obj->FindItemByID("CNT").Get(), cnt.Get());
  EXPECT_EQ(obj->FindItemByID("\xB9").Get(), pl.Get());

  const std::pair<LONG, IQAVZLVFrameItem*> byType[] = {
      {qzlvpstConst, stx.Get()}, {qzlvpstChecksum, stx2.Get()}, {qzlvpstData, pl.Get()},
      {qzlvpstPacketID, nullptr}, {-1, nullptr}};
  for (const auto& [type, expected] : byType) {
    ComPtr<IQAVZLVFrameItem> found;
    ASSERT_EQ(items->FindByItemType(type, found.Out()), S_OK);
    EXPECT_EQ(found.Get(), expected) << type;
  }
}

// A fully set frame item.
ComPtr<IQAVZLVFrameItem> FilledItem(const char16_t* id, LONG type) {
  NewItem item = MakeItem(type, 3, kRight | kZero | qzlvcrcTRX810);
  Bstr b(id);
  item.itf->put_ID(b.Get());
  item.itf->put_DataType(5);
  item.itf->put_Offset(12);
  item.itf->put_Index(9);
  AddValue(item.itf.Get(), Variant::Str(u"<STX>"));
  AddValue(item.itf.Get(), Variant::I4(3));
  return item.itf;
}

void ExpectSameFields(IQAVZLVFrameItem* a, IQAVZLVFrameItem* b) {
  auto* x = dynamic_cast<TQAVZLVFrameItem*>(a);
  auto* y = dynamic_cast<TQAVZLVFrameItem*>(b);
  ASSERT_TRUE(x && y);
  EXPECT_EQ(x->ID(), y->ID());
  EXPECT_EQ(x->ItemType(), y->ItemType());
  EXPECT_EQ(x->DataType(), y->DataType());
  EXPECT_EQ(x->Flags(), y->Flags());
  EXPECT_EQ(x->Index(), y->Index());
  EXPECT_EQ(x->Offset(), y->Offset());
  EXPECT_EQ(x->Size(), y->Size());
  ASSERT_EQ(CountOf(x->Values()), CountOf(y->Values()));
  EXPECT_NE(x->Values(), y->Values());
  for (LONG i = 0; i < CountOf(x->Values()); ++i) {
    ComPtr<IQAVZLVValue> vx, vy;
    x->Values()->get_Items(i, vx.Out());
    y->Values()->get_Items(i, vy.Out());
    EXPECT_NE(vx.Get(), vy.Get());
    Variant sx, sy;
    vx->get_Value(&sx);
    vy->get_Value(&sy);
    EXPECT_EQ(BstrToAnsi(sx.As(VT_BSTR).bstrVal), BstrToAnsi(sy.As(VT_BSTR).bstrVal));
  }
}

TEST(FrameCopyTest, ItemCopyIsDeepAndKeepsCounter) {
  auto source = FilledItem(u"CHK", qzlvpstCounter);
  dynamic_cast<TQAVZLVFrameItem*>(source.Get())->SetCounter(17);
  NewItem copy = MakeItem(qzlvpstConst, 1, kNone);
  copy.obj->SetCounter(42);
  AddValue(copy.itf.Get(), Variant::Str(u"old"));
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(copy.itf->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ExpectSameFields(source.Get(), copy.itf.Get());
  EXPECT_EQ(copy.obj->Counter(), 42);
  // Changing the source afterwards leaves the copy alone.
  ComPtr<IQAVZLVValues> sv;
  source->get_Values(sv.Out());
  sv->Clear();
  EXPECT_EQ(CountOf(copy.obj->Values()), 2);

  // Without a source nothing changes.
  ASSERT_EQ(copy.itf->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(copy.obj->ID(), "CHK");
  EXPECT_EQ(CountOf(copy.obj->Values()), 2);
}

TEST(FrameCopyTest, CollectionAndFrameCopiesShareNothing) {
  auto source = Create<IQAVZLVFrame>(CLSID_QAVZLVFrame);
  Bstr id(u"WR"), name(u"Zapis");
  source->put_ID(id.Get());
  source->put_Name(name.Get());
  source->put_Index(4);
  source->put_PacketType(qzlvptWrite | qzlvptRead);
  ComPtr<IQAVZLVFrameItems> sourceItems;
  source->get_PacketStructItems(sourceItems.Out());
  LONG pos;
  for (auto item : {FilledItem(u"STX", qzlvpstConst), FilledItem(u"CNT", qzlvpstCounter),
                    FilledItem(u"CRC", qzlvpstChecksum)})
    sourceItems->Add(item.Get(), &pos);

  auto copy = Create<IQAVZLVFrame>(CLSID_QAVZLVFrame);
  ComPtr<IQAVZLVFrameItems> copyItems;
  copy->get_PacketStructItems(copyItems.Out());
  AddItem(copyItems.Get(), u"OLD", qzlvpstData);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(copy->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);

  auto* s = dynamic_cast<TQAVZLVFrame*>(source.Get());
  auto* c = dynamic_cast<TQAVZLVFrame*>(copy.Get());
  EXPECT_EQ(c->ID(), "WR");
  EXPECT_EQ(c->Name(), "Zapis");
  EXPECT_EQ(c->Index(), 4);
  EXPECT_EQ(c->PacketType(), 6);
  ComPtr<IQAVZLVFrameItems> after;
  copy->get_PacketStructItems(after.Out());
  EXPECT_EQ(after.Get(), copyItems.Get());  // still its own collection
  ASSERT_EQ(CountOf(copyItems.Get()), 3);
  for (LONG i = 0; i < 3; ++i) {
    const auto& a = s->Items()->At(i);
    const auto& b = c->Items()->At(i);
    EXPECT_NE(a.Get(), b.Get());
    ExpectSameFields(a.Get(), b.Get());
  }
  sourceItems->Clear();
  EXPECT_EQ(CountOf(copyItems.Get()), 3);

  // Without a source nothing changes.
  ASSERT_EQ(copy->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(c->ID(), "WR");
  EXPECT_EQ(CountOf(copyItems.Get()), 3);
  ASSERT_EQ(copyItems->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(CountOf(copyItems.Get()), 3);

  // A collection copied onto itself keeps its items (as new objects).
  ASSERT_EQ(copyItems->CopyFrom(copyItems.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(CountOf(copyItems.Get()), 3);
  EXPECT_EQ(c->Items()->FindItemByID("CNT").Get(), c->Items()->At(1).Get());
}

TEST(FrameEditTest, EditRunsTheInstalledEditorOnTheObject) {
  auto frame = Create<IQAVZLVFrame>(CLSID_QAVZLVFrame);
  auto item = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
  ComPtr<IQAVZLVFrameItems> items;
  frame->get_PacketStructItems(items.Out());
  const struct {
    EditorKind kind;
    IDispatch* target;
    HRESULT (*edit)(IDispatch*, VARIANT_BOOL*);
  } cases[] = {
      {EditorKind::Frame, frame.Get(),
       [](IDispatch* d, VARIANT_BOOL* r) { return static_cast<IQAVZLVFrame*>(d)->Edit(r); }},
      {EditorKind::FrameItem, item.Get(),
       [](IDispatch* d, VARIANT_BOOL* r) { return static_cast<IQAVZLVFrameItem*>(d)->Edit(r); }},
      {EditorKind::FrameItems, items.Get(),
       [](IDispatch* d, VARIANT_BOOL* r) { return static_cast<IQAVZLVFrameItems*>(d)->Edit(r); }},
  };
  for (const auto& c : cases) {
    VARIANT_BOOL r = VARIANT_FALSE;
    for (bool answer : {true, false}) {
      IDispatch* seen = nullptr;
      InstallEditor(c.kind, [&](IDispatch* t) {
        seen = t;
        return answer;
      });
      ASSERT_EQ(c.edit(c.target, &r), S_OK);
      EXPECT_EQ(r, answer ? VARIANT_TRUE : VARIANT_FALSE);
      EXPECT_EQ(seen, c.target);
    }
    InstallEditor(c.kind, nullptr);
  }
}

}  // namespace
}  // namespace zelvani
