// Packet definitions and their collection: defaults, the lookups by identifier
// prefix and by name with the packet-type filter, deep copies and editors.
#include <gtest/gtest.h>

#include <vector>

#include "zelvani/model/EditorHook.h"
#include "zelvani/model/QAVZLVPacketDef.h"

namespace zelvani {
namespace {

struct DefRow {
  const char16_t* id;
  LONG type;
  const char16_t* name = u"";
};

ComPtr<IQAVZLVPacketDef> NewDef(const DefRow& s) {
  auto def = Create<IQAVZLVPacketDef>(CLSID_QAVZLVPacketDef);
  EXPECT_EQ(def->put_ID(Bstr(s.id).Get()), S_OK);
  EXPECT_EQ(def->put_PacketType(s.type), S_OK);
  EXPECT_EQ(def->put_Name(Bstr(s.name).Get()), S_OK);
  return def;
}

ComPtr<IQAVZLVPacketDefs> NewDefs(const std::vector<DefRow>& rows) {
  auto defs = Create<IQAVZLVPacketDefs>(CLSID_QAVZLVPacketDefs);
  for (const auto& s : rows) {
    LONG pos = -1;
    EXPECT_EQ(defs->Add(NewDef(s).Get(), &pos), S_OK);
  }
  return defs;
}

LONG IndexOf(IQAVZLVPacketDef* def) {
  if (!def) return -1;
  LONG index = -2;
  def->get_Index(&index);
  return index;
}

LONG CountOf(IDispatchCollection* c) {
  LONG n = -1;
  EXPECT_EQ(c->get_Count(&n), S_OK);
  return n;
}

std::u16string Text(IQAVZLVPacketDef* def, HRESULT (IQAVZLVPacketDef::*getter)(BSTR*)) {
  Bstr b;
  EXPECT_EQ((def->*getter)(b.Out()), S_OK);
  return std::u16string(b.View());
}

ComPtr<IQAVZLVFieldDefs> FieldsOf(IQAVZLVPacketDef* def) {
  ComPtr<IQAVZLVFieldDefs> fields;
  EXPECT_EQ(def->get_FieldDefs(fields.Out()), S_OK);
  return fields;
}

void AddField(IQAVZLVPacketDef* def, const char16_t* name) {
  auto field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  ASSERT_EQ(field->put_Name(Bstr(name).Get()), S_OK);
  LONG pos;
  ASSERT_EQ(FieldsOf(def)->Add(field.Get(), &pos), S_OK);
}

TEST(PacketDefTest, StartsEmptyWithItsOwnFieldDefinitions) {
  auto def = Create<IQAVZLVPacketDef>(CLSID_QAVZLVPacketDef);
  EXPECT_EQ(Text(def.Get(), &IQAVZLVPacketDef::get_ID), u"");
  EXPECT_EQ(Text(def.Get(), &IQAVZLVPacketDef::get_Name), u"");
  EXPECT_EQ(Text(def.Get(), &IQAVZLVPacketDef::get_PacketStructID), u"");
  LONG type = -1;
  def->get_PacketType(&type);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(IndexOf(def.Get()), -1);
  auto fields = FieldsOf(def.Get());
  ASSERT_TRUE(fields);
  EXPECT_EQ(CountOf(fields.Get()), 0);
  EXPECT_EQ(FieldsOf(def.Get()).Get(), fields.Get());
  EXPECT_NE(FieldsOf(Create<IQAVZLVPacketDef>(CLSID_QAVZLVPacketDef).Get()).Get(), fields.Get());
}

TEST(PacketDefTest, CopyFromTakesEverythingAndSharesNoFieldDefinitions) {
  auto source = NewDef({u"P1", 6, u"plu"});
  source->put_PacketStructID(Bstr(u"F2").Get());
  source->put_Index(5);
  AddField(source.Get(), u"a");
  AddField(source.Get(), u"b");

  auto copy = NewDef({u"old", 1, u"old"});
  AddField(copy.Get(), u"stale");
  auto copyFields = FieldsOf(copy.Get());
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(copy->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Text(copy.Get(), &IQAVZLVPacketDef::get_ID), u"P1");
  EXPECT_EQ(Text(copy.Get(), &IQAVZLVPacketDef::get_Name), u"plu");
  EXPECT_EQ(Text(copy.Get(), &IQAVZLVPacketDef::get_PacketStructID), u"F2");
  LONG type = 0;
  copy->get_PacketType(&type);
  EXPECT_EQ(type, 6);
  EXPECT_EQ(IndexOf(copy.Get()), 5);
  // The copy keeps its own collection, refilled with new field definitions.
  EXPECT_EQ(FieldsOf(copy.Get()).Get(), copyFields.Get());
  ASSERT_EQ(CountOf(copyFields.Get()), 2);
  auto sourceFields = FieldsOf(source.Get());
  for (LONG i = 0; i < 2; ++i) {
    ComPtr<IQAVZLVFieldDef> a, b;
    sourceFields->get_Items(i, a.Out());
    copyFields->get_Items(i, b.Out());
    EXPECT_NE(a.Get(), b.Get());
  }
  AddField(source.Get(), u"c");
  EXPECT_EQ(CountOf(copyFields.Get()), 2);

  ASSERT_EQ(copy->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(Text(copy.Get(), &IQAVZLVPacketDef::get_ID), u"P1");
  EXPECT_EQ(CountOf(copyFields.Get()), 2);
}

TEST(PacketDefsTest, AddSetsIndexAndBadIndexesFail) {
  auto defs = NewDefs({{u"A", 1}, {u"B", 2}, {u"C", 4}});
  for (LONG i = 0; i < 3; ++i) {
    ComPtr<IQAVZLVPacketDef> def;
    ASSERT_EQ(defs->get_Items(i, def.Out()), S_OK);
    EXPECT_EQ(IndexOf(def.Get()), i);
  }
  for (LONG bad : {-1, 3}) {
    ComPtr<IQAVZLVPacketDef> def;
    EXPECT_EQ(defs->get_Items(bad, def.Out()), DISP_E_BADINDEX) << bad;
    EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "List index out of bounds (" + std::to_string(bad) + ")");
    EXPECT_FALSE(def);
  }
  ASSERT_EQ(defs->Clear(), S_OK);
  EXPECT_EQ(CountOf(defs.Get()), 0);
  LONG pos = -1;
  ASSERT_EQ(defs->Add(NewDef({u"D", 1}).Get(), &pos), S_OK);
  EXPECT_EQ(pos, 0);
  VARIANT_BOOL saved = VARIANT_TRUE;
  ASSERT_EQ(defs->SaveToFile(Bstr(u"x.pkd").Get(), &saved), S_OK);
  EXPECT_EQ(saved, VARIANT_FALSE);
}

struct LookupCase {
  const char* what;
  std::vector<DefRow> defs;
  bool byName;
  const char16_t* key;
  LONG type;
  LONG expected;  // position of the definition found, -1 for none
};

TEST(PacketDefsTest, Lookups) {
  const std::vector<DefRow> abThenA = {{u"AB", 1}, {u"A", 1}};
  const std::vector<DefRow> xWriteThenRead = {{u"X", 2, u"w"}, {u"X", 4, u"r"}};
  const std::vector<DefRow> named = {{u"Q", 2, u"plu"}, {u"R", 6, u"Plu"}, {u"S", 6, u"plu"}};
  const LookupCase cases[] = {
      {"prefix finds the longer ID that comes first", abThenA, false, u"A", 0, 0},
      {"exact ID that comes later is not preferred", abThenA, false, u"A", 1, 0},
      {"argument longer than every ID", abThenA, false, u"ABC", 0, -1},
      {"empty ID finds the first definition", abThenA, false, u"", 0, 0},
      {"empty ID still filters by type", abThenA, false, u"", 2, -1},
      {"type 4 skips the write definition", xWriteThenRead, false, u"X", 4, 1},
      {"type 0 passes every definition", xWriteThenRead, false, u"X", 0, 0},
      {"type 6 shares a bit with type 2", xWriteThenRead, false, u"X", 6, 0},
      {"type 8 shares no bit", xWriteThenRead, false, u"X", 8, -1},
      {"IDs compare case-sensitively", xWriteThenRead, false, u"x", 0, -1},
      {"name with a type sharing no bit", named, true, u"plu", 1, -1},
      {"name with type 0", named, true, u"plu", 0, 0},
      {"name with type 4 skips the write definition", named, true, u"plu", 4, 2},
      {"names compare case-sensitively", named, true, u"Plu", 0, 1},
      {"names are not prefixes", named, true, u"pl", 0, -1},
      {"unknown name", named, true, u"dept", 0, -1},
      {"an ID the code page cannot hold", {{u"?", 1}}, false, u"\u0416", 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto defs = NewDefs(c.defs);
    ComPtr<IQAVZLVPacketDef> found;
    Bstr key(c.key);
    HRESULT hr = c.byName ? defs->FindByName(key.Get(), c.type, found.Out())
                          : defs->FindByID(key.Get(), c.type, found.Out());
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(IndexOf(found.Get()), c.expected);
  }
}

TEST(PacketDefsTest, CopyFromIsDeepAndKeepsIndexes) {
  auto source = NewDefs({{u"A", 1, u"start"}, {u"B", 6, u"plu"}});
  ComPtr<IQAVZLVPacketDef> second;
  source->get_Items(1, second.Out());
  AddField(second.Get(), u"price");
  second->put_Index(7);  // an index the copy takes over as it is

  auto copy = NewDefs({{u"Z", 1}});
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(copy->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(CountOf(copy.Get()), 2);
  for (LONG i = 0; i < 2; ++i) {
    ComPtr<IQAVZLVPacketDef> a, b;
    source->get_Items(i, a.Out());
    copy->get_Items(i, b.Out());
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_NE(FieldsOf(a.Get()).Get(), FieldsOf(b.Get()).Get());
    EXPECT_EQ(Text(b.Get(), &IQAVZLVPacketDef::get_ID), Text(a.Get(), &IQAVZLVPacketDef::get_ID));
    EXPECT_EQ(Text(b.Get(), &IQAVZLVPacketDef::get_Name), Text(a.Get(), &IQAVZLVPacketDef::get_Name));
  }
  ComPtr<IQAVZLVPacketDef> copied;
  copy->get_Items(1, copied.Out());
  EXPECT_EQ(IndexOf(copied.Get()), 7);
  EXPECT_EQ(CountOf(FieldsOf(copied.Get()).Get()), 1);
  second->put_Name(Bstr(u"changed").Get());
  EXPECT_EQ(Text(copied.Get(), &IQAVZLVPacketDef::get_Name), u"plu");

  ASSERT_EQ(copy->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(CountOf(copy.Get()), 2);

  // Onto itself: the definitions survive the clearing.
  ASSERT_EQ(copy->CopyFrom(copy.Get(), &ok), S_OK);
  ASSERT_EQ(CountOf(copy.Get()), 2);
  copy->get_Items(1, copied.Out());
  EXPECT_EQ(Text(copied.Get(), &IQAVZLVPacketDef::get_Name), u"plu");
  EXPECT_EQ(CountOf(FieldsOf(copied.Get()).Get()), 1);
}

TEST(PacketDefsTest, EditOpensTheEditorOnTheObjectItself) {
  auto def = Create<IQAVZLVPacketDef>(CLSID_QAVZLVPacketDef);
  auto defs = Create<IQAVZLVPacketDefs>(CLSID_QAVZLVPacketDefs);
  auto frames = Create<IQAVZLVFrames>(CLSID_QAVZLVFrames);
  const struct {
    EditorKind kind;
    IDispatch* target;
    HRESULT (*edit)(IDispatch*, VARIANT_BOOL*);
  } rows[] = {
      {EditorKind::PacketDef, def.Get(),
       [](IDispatch* d, VARIANT_BOOL* r) { return static_cast<IQAVZLVPacketDef*>(d)->Edit(r); }},
      {EditorKind::PacketDefs, defs.Get(),
       [](IDispatch* d, VARIANT_BOOL* r) { return static_cast<IQAVZLVPacketDefs*>(d)->Edit(r); }},
      {EditorKind::Frames, frames.Get(),
       [](IDispatch* d, VARIANT_BOOL* r) { return static_cast<IQAVZLVFrames*>(d)->Edit(r); }},
  };
  for (const auto& row : rows) {
    IDispatch* seen = nullptr;
    InstallEditor(row.kind, [&](IDispatch* t) {
      seen = t;
      return true;
    });
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(row.edit(row.target, &result), S_OK);
    EXPECT_EQ(result, VARIANT_TRUE);
    EXPECT_EQ(seen, row.target);
    InstallEditor(row.kind, nullptr);
  }
}

}  // namespace
}  // namespace zelvani
