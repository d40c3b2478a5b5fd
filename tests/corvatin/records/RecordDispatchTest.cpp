// The records driven through IDispatch by member names alone, as a script
// host drives them: every property of each record's table by its name, with
// its default and type, and a few list members with arguments and failures.
#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "corvatin/records/QAVECRCommOptions.h"
#include "corvatin/records/QAVECRDiscount.h"
#include "corvatin/records/QAVECRDiscountCard.h"
#include "corvatin/records/QAVECRFlags.h"
#include "tests/corvatin/records/RecordTestSupport.h"

namespace corvatin {
namespace {

using namespace test;

// An object seen as a script host sees it: names and variants only.
class Script {
 public:
  explicit Script(REFCLSID clsid) : d_(Create<IDispatch>(clsid)) {}
  explicit Script(IDispatch* d) : d_(d) {}

  DISPID Id(const char* name) const {
    std::u16string wide = AnsiToWide(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(d_->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK) << name;
    return id;
  }

  // Invokes NAME with ARGS (in the caller's order); the failure text, if
  // any, goes to `error`.
  HRESULT Invoke(const char* name, WORD kind, std::vector<Variant> args, Variant* result) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), kind == DISPATCH_PROPERTYPUT ? &put : nullptr,
                      static_cast<UINT>(reversed.size()), kind == DISPATCH_PROPERTYPUT ? 1u : 0u};
    EXCEPINFO excep;
    HRESULT hr = d_->Invoke(Id(name), GUID_NULL, 0, kind, &params, result, &excep, nullptr);
    error = WideToAnsi(BstrView(excep.bstrDescription));
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    return hr;
  }

  Variant Get(const char* name, std::vector<Variant> args = {}) {
    Variant r;
    EXPECT_EQ(Invoke(name, DISPATCH_PROPERTYGET, std::move(args), &r), S_OK) << name << ": " << error;
    return r;
  }
  void Put(const char* name, const Variant& value) {
    EXPECT_EQ(Invoke(name, DISPATCH_PROPERTYPUT, {value}, nullptr), S_OK) << name << ": " << error;
  }
  Variant Call(const char* name, std::vector<Variant> args = {}) {
    Variant r;
    EXPECT_EQ(Invoke(name, DISPATCH_METHOD, std::move(args), &r), S_OK) << name << ": " << error;
    return r;
  }

  std::string error;

 private:
  ComPtr<IDispatch> d_;
};

// Same type and value.
void ExpectSame(const Variant& actual, const Variant& expected, const char* name) {
  ASSERT_EQ(actual.vt, expected.vt) << name;
  switch (expected.vt) {
    case VT_I4:
      EXPECT_EQ(actual.lVal, expected.lVal) << name;
      break;
    case VT_BSTR:
      EXPECT_EQ(BstrView(actual.bstrVal), BstrView(expected.bstrVal)) << name;
      break;
    case VT_CY:
      EXPECT_EQ(actual.cyVal, expected.cyVal) << name;
      break;
    case VT_BOOL:
      EXPECT_EQ(actual.boolVal, expected.boolVal) << name;
      break;
    case VT_DATE:
      EXPECT_EQ(actual.date, expected.date) << name;
      break;
    default:
      ADD_FAILURE() << name << ": unexpected type " << expected.vt;
  }
}

// A value of the row's type that differs from its default and from every
// other row's (K is the row's position).
Variant Sample(const PropertyRow& row, int k) {
  switch (row.type) {
    case PropertyType::Long:
      return Variant::I4(1000 + k);
    case PropertyType::Text:
      return Variant::Str(u"ą" + AnsiToWide(std::to_string(k)));
    case PropertyType::Currency:
      return Variant::Cy(CY{12345 + k});
    case PropertyType::Bool:
      return Variant::Bool(row.number == 0);
    case PropertyType::Date:
      return Variant::Date(40000.5 + k);
  }
  return Variant();
}

struct TableRow {
  const char* record;
  CLSID clsid;
  std::span<const PropertyRow> rows;
};

const TableRow kTables[] = {
    {"QAVECRCommOptions", CLSID_QAVECRCommOptions, kCommOptionRows},
    {"QAVECRDiscount", CLSID_QAVECRDiscount, kDiscountRows},
    {"QAVECRDiscountCard", CLSID_QAVECRDiscountCard, kDiscountCardRows},
    {"QAVECRFlags", CLSID_QAVECRFlags, kFlagsRows},
};

TEST(RecordDispatchTest, EveryTablePropertyByNameWithItsDefaultAndType) {
  for (const auto& table : kTables) {
    SCOPED_TRACE(table.record);
    Script object(table.clsid);
    for (const PropertyRow& row : table.rows) ExpectSame(object.Get(row.name), PropertyValues::DefaultValue(row), row.name);
    int k = 0;
    for (const PropertyRow& row : table.rows) object.Put(row.name, Sample(row, k++));
    k = 0;
    for (const PropertyRow& row : table.rows) ExpectSame(object.Get(row.name), Sample(row, k++), row.name);
  }
}

TEST(RecordDispatchTest, MultiplexerControlStringByName) {
  Script options(CLSID_QAVECRCommOptions);
  options.Put("MultiplexerName", Variant::Str(u"ASTER"));
  options.Put("MultiplexerChannel", Variant::Str(u"3"));  // coerced to the declared long
  ExpectSame(options.Get("MultiplexerControlString"), Variant::Str(std::u16string(u"$$$\x03")), "control string");
  options.Put("MultiplexerControlString", Variant::Str(u"%d"));
  Variant r;
  EXPECT_EQ(options.Invoke("MultiplexerControlString", DISPATCH_PROPERTYGET, {}, &r), DISP_E_EXCEPTION);
  EXPECT_EQ(options.error, "Format '%d' invalid or incompatible with argument");
}

TEST(RecordDispatchTest, ListsByName) {
  Script discounts(CLSID_QAVECRDiscounts);
  ExpectSame(discounts.Call("Add", {Variant::I4(0), Variant::R8(5), Variant::Str(u"a")}), Variant::Bool(true), "Add");
  discounts.Call("Add", {Variant::I4(4), Variant::Str(u"2.5"), Variant::Str(u"x")});
  ExpectSame(discounts.Get("Count"), Variant::I4(2), "Count");
  Variant found = discounts.Call("FindFirst", {Variant::I4(4)});
  ASSERT_EQ(found.vt, VT_DISPATCH);
  ExpectSame(Script(found.pdispVal).Get("Value"), Variant::Cy(Money(2.5)), "found Value");
  Variant none = discounts.Call("FindNext");
  EXPECT_TRUE(none.vt == VT_EMPTY || (none.vt == VT_DISPATCH && none.pdispVal == nullptr));
  Variant r;
  EXPECT_EQ(discounts.Invoke("Items", DISPATCH_PROPERTYGET, {Variant::I4(5)}, &r), DISP_E_EXCEPTION);
  EXPECT_EQ(discounts.error, IndexError(5));

  Script rates(CLSID_QAVECRTaxRates);
  rates.Call("Add", {Variant::I4(23), Variant::Str(u"A")});
  ExpectSame(rates.Get("Values", {Variant::I4(0)}), Variant::Cy(Money(23)), "Values(0)");
  ExpectSame(rates.Get("Names", {Variant::I4(0)}), Variant::Str(u"A"), "Names(0)");
  EXPECT_EQ(rates.Invoke("Delete", DISPATCH_METHOD, {Variant::I4(1)}, &r), DISP_E_EXCEPTION);
  EXPECT_EQ(rates.error, IndexError(1));

  Script halo(CLSID_QAVECRHALO);
  halo.Call("Add", {Variant::I4(5)});
  halo.Call("Add", {Variant::I4(7)});
  halo.Call("Delete", {Variant::I4(0)});
  ExpectSame(halo.Get("Values", {Variant::I4(0)}), Variant::Cy(Money(7)), "HALO Values(0)");

  Script card(CLSID_QAVECRDiscountCard);
  card.Call("AddDiscount", {Variant::I4(10)});
  ExpectSame(card.Get("DiscountsCount"), Variant::I4(1), "DiscountsCount");
  ExpectSame(card.Get("Discounts", {Variant::I4(0)}), Variant::Cy(Money(10)), "Discounts(0)");
}

}  // namespace
}  // namespace corvatin
