// Values, the value collection and the typed-Add rule shared by every collection.
#include <gtest/gtest.h>

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
