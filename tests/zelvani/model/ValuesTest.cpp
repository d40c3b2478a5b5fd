// Values, the value collection and the typed-Add rule shared by every
// collection; and how every VARIANT put of the model stores its value.
#include <gtest/gtest.h>

#include <functional>

#include "zelvani/model/QAVZLVValue.h"

namespace zelvani {
namespace {

ComPtr<IQAVZLVValue> NewValue(const Variant& v) {
  auto value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
  EXPECT_EQ(value->put_Value(v), S_OK);
  return value;
}

Variant ValueOf(IQAVZLVValues* values, LONG i) {
  ComPtr<IQAVZLVValue> item;
  EXPECT_EQ(values->get_Items(i, item.Out()), S_OK);
  Variant v;
  if (item) item->get_Value(&v);
  return v;
}

TEST(ValueTest, StartsAsIntegerOneAndStoresCopies) {
  auto value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
  Variant v;
  ASSERT_EQ(value->get_Value(&v), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 1);
  Variant text = Variant::Str(u"abc");
  ASSERT_EQ(value->put_Value(text), S_OK);
  text = Variant::I4(0);  // the stored copy is independent of the caller's
  Variant back;
  ASSERT_EQ(value->get_Value(&back), S_OK);
  EXPECT_EQ(std::u16string(BstrView(back.bstrVal)), u"abc");
}

// A value passed by reference through an interface is stored as the value it
// refers to: the caller's later change does not show, and the stored value
// outlives the caller's variable.
TEST(ValueTest, VariantPutsOfTheModelStoreTheReferencedValue) {
  auto value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
  auto item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  auto field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  ASSERT_EQ(library->LoadFromFile(Bstr::Attach(AnsiToBstr(TEST_DATA_DIR "/protocol_test.pkd")).Get(), &loaded), S_OK);
  ComPtr<IQAVZLVPacket> packet;
  ASSERT_EQ(library->CreatePacket(Bstr(u"P").Get(), Variant(), qzlvptWrite | qzlvptRead, packet.Out()), S_OK);
  ASSERT_TRUE(packet);
  const Variant first = Variant::I4(1);
  const struct {
    const char* name;
    std::function<HRESULT(VARIANT)> put;
    std::function<HRESULT(VARIANT*)> get;
  } rows[] = {
      {"Value", [&](VARIANT v) { return value->put_Value(v); }, [&](VARIANT* v) { return value->get_Value(v); }},
      {"Data", [&](VARIANT v) { return item->put_Data(v); }, [&](VARIANT* v) { return item->get_Data(v); }},
      {"MinValue", [&](VARIANT v) { return field->put_MinValue(v); },
       [&](VARIANT* v) { return field->get_MinValue(v); }},
      {"MaxValue", [&](VARIANT v) { return field->put_MaxValue(v); },
       [&](VARIANT* v) { return field->get_MaxValue(v); }},
      {"DefaultValue", [&](VARIANT v) { return field->put_DefaultValue(v); },
       [&](VARIANT* v) { return field->get_DefaultValue(v); }},
      {"FieldValues", [&](VARIANT v) { return packet->put_FieldValues(first, v); },
       [&](VARIANT* v) { return packet->get_FieldValues(first, v); }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    VARIANT ref;
    VariantInit(&ref);
    BSTR text = SysAllocString(u"abc");
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &text;
    ASSERT_EQ(r.put(ref), S_OK);
    SysFreeString(text);
    text = SysAllocString(u"changed");
    Variant back;
    ASSERT_EQ(r.get(&back), S_OK);
    ASSERT_EQ(back.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(BstrView(back.bstrVal)), u"abc");
    SysFreeString(text);

    {
      LONG number = 42;
      ref.vt = VT_BYREF | VT_I4;
      ref.plVal = &number;
      ASSERT_EQ(r.put(ref), S_OK);
      number = 7;
    }
    back.Clear();
    ASSERT_EQ(r.get(&back), S_OK);
    ASSERT_EQ(back.vt, VT_I4);
    EXPECT_EQ(back.lVal, 42);

    Variant inner = Variant::Str(u"xyz");
    ref.vt = VT_BYREF | VT_VARIANT;
    ref.pvarVal = &inner;
    ASSERT_EQ(r.put(ref), S_OK);
    inner = Variant::I4(0);
    back.Clear();
    ASSERT_EQ(r.get(&back), S_OK);
    ASSERT_EQ(back.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(BstrView(back.bstrVal)), u"xyz");
  }
}

TEST(ValuesTest, AddReturnsPositionsAndIndexErrorsFail) {
  auto values = Create<IQAVZLVValues>(CLSID_QAVZLVValues);
  LONG count = -1;
  ASSERT_EQ(values->get_Count(&count), S_OK);
  EXPECT_EQ(count, 0);
  ComPtr<IDispatch> none;
  EXPECT_EQ(values->get__Items(0, none.Out()), DISP_E_BADINDEX);
  EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "List index out of bounds (0)");
  for (LONG expected : {0, 1, 2}) {
    LONG pos = -1;
    ASSERT_EQ(values->Add(NewValue(Variant::I4(expected)).Get(), &pos), S_OK);
    EXPECT_EQ(pos, expected);
  }
  ComPtr<IQAVZLVValue> item;
  EXPECT_EQ(values->get_Items(3, item.Out()), DISP_E_BADINDEX);
  EXPECT_EQ(values->get_Items(-1, item.Out()), DISP_E_BADINDEX);
  ASSERT_EQ(values->Clear(), S_OK);
  LONG pos = -1;
  ASSERT_EQ(values->Add(NewValue(Variant::I4(9)).Get(), &pos), S_OK);
  EXPECT_EQ(pos, 0);
}

TEST(ValuesTest, AddRefusesNullAndForeignItemsWithoutAppending) {
  auto values = Create<IQAVZLVValues>(CLSID_QAVZLVValues);
  auto foreign = Create<IDispatchCollection>(CLSID_DispatchCollection);
  LONG pos = 7;
  EXPECT_EQ(values->Add(foreign.Get(), &pos), E_NOINTERFACE);
  EXPECT_NE(TakeErrorDescription(), u"");
  EXPECT_EQ(values->Add(nullptr, &pos), E_POINTER);
  LONG count = -1;
  values->get_Count(&count);
  EXPECT_EQ(count, 0);
  // The untyped collection takes any object.
  EXPECT_EQ(foreign->Add(values.Get(), &pos), S_OK);
  EXPECT_EQ(pos, 0);
}

TEST(ValuesTest, CopyFromIsDeep) {
  auto source = Create<IQAVZLVValues>(CLSID_QAVZLVValues);
  LONG pos;
  for (const char16_t* s : {u"a", u"b", u"c"}) source->Add(NewValue(Variant::Str(s)).Get(), &pos);
  auto copy = Create<IQAVZLVValues>(CLSID_QAVZLVValues);
  copy->Add(NewValue(Variant::I4(5)).Get(), &pos);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(copy->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  LONG count = 0;
  copy->get_Count(&count);
  ASSERT_EQ(count, 3);
  for (LONG i = 0; i < 3; ++i) {
    ComPtr<IQAVZLVValue> a, b;
    source->get_Items(i, a.Out());
    copy->get_Items(i, b.Out());
    EXPECT_NE(a.Get(), b.Get());
  }
  ComPtr<IQAVZLVValue> first;
  source->get_Items(0, first.Out());
  first->put_Value(Variant::Str(u"changed"));
  EXPECT_EQ(std::u16string(BstrView(ValueOf(copy.Get(), 0).bstrVal)), u"a");
  EXPECT_EQ(std::u16string(BstrView(ValueOf(copy.Get(), 2).bstrVal)), u"c");

  // No source: False, nothing changes.
  ASSERT_EQ(copy->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  copy->get_Count(&count);
  EXPECT_EQ(count, 3);
  // Onto itself: the values survive.
  ASSERT_EQ(copy->CopyFrom(copy.Get(), &ok), S_OK);
  copy->get_Count(&count);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(std::u16string(BstrView(ValueOf(copy.Get(), 1).bstrVal)), u"b");
}

}  // namespace
}  // namespace zelvani
