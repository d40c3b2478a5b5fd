// The records driven through IDispatch by member names alone, as a script
// host drives them: every property of each record's table by its name, with
// its default and type, and a few list members with arguments and failures.
#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "corvatin/control/CorvatinTypeLib.h"
#include "corvatin/records/QAVECRAmount.h"
#include "corvatin/records/QAVECRCashier.h"
#include "corvatin/records/QAVECRCommOptions.h"
#include "corvatin/records/QAVECRCounter.h"
#include "corvatin/records/QAVECRDiscount.h"
#include "corvatin/records/QAVECRDiscountCard.h"
#include "corvatin/records/QAVECRFlags.h"
#include "corvatin/records/QAVECRHourlyReportRec.h"
#include "corvatin/records/QAVECRLinkedCodeRec.h"
#include "corvatin/records/QAVECRPLU.h"
#include "corvatin/records/QAVECRPLUSaleRec.h"
#include "corvatin/records/QAVECRPLUShortcutRec.h"
#include "corvatin/records/QAVECRReceiptDiscountCard.h"
#include "corvatin/records/QAVECRReceiptItem.h"
#include "corvatin/records/QAVECRReceiptSummary.h"
#include "corvatin/records/QAVECRResetRec.h"
#include "corvatin/records/QAVECRSale.h"
#include "corvatin/records/QAVECRSaleRec.h"
#include "corvatin/records/QAVECRStatus.h"
#include "corvatin/records/QAVECRTaxChangeRec.h"
#include "corvatin/records/QAVECRVersion.h"
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
    case VT_R8:
      EXPECT_EQ(actual.dblVal, expected.dblVal) << name;
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
    case PropertyType::Double:
      return Variant::R8(0.125 + k);
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
    {"QAVECRPLU", CLSID_QAVECRPLU, kPLURows},
    {"QAVECRCashier", CLSID_QAVECRCashier, kCashierRows},
    {"QAVECRLinkedCodeRec", CLSID_QAVECRLinkedCodeRec, kLinkedCodeRecRows},
    {"QAVECRPLUShortcutRec", CLSID_QAVECRPLUShortcutRec, kPLUShortcutRecRows},
    {"QAVECRVersion", CLSID_QAVECRVersion, kVersionRows},
    {"QAVECRStatus", CLSID_QAVECRStatus, kStatusRows},
    {"QAVECRAmount", CLSID_QAVECRAmount, kAmountRows},
    {"QAVECRCounter", CLSID_QAVECRCounter, kCounterRows},
    {"QAVECRSale", CLSID_QAVECRSale, kSaleRows},
    {"QAVECRPLUSaleRec", CLSID_QAVECRPLUSaleRec, kPLUSaleRecRows},
    {"QAVECRHourlyReportRec", CLSID_QAVECRHourlyReportRec, kHourlyReportRecRows},
    {"QAVECRSaleRec", CLSID_QAVECRSaleRec, kSaleRecRows},
    {"QAVECRResetRec", CLSID_QAVECRResetRec, kResetRecRows},
    {"QAVECRTaxChangeRec", CLSID_QAVECRTaxChangeRec, kTaxChangeRecRows},
    {"QAVECRReceiptItem", CLSID_QAVECRReceiptItem, kReceiptItemRows},
    {"QAVECRReceiptSummary", CLSID_QAVECRReceiptSummary, kReceiptSummaryRows},
    {"QAVECRReceiptDiscountCard", CLSID_QAVECRReceiptDiscountCard, kReceiptDiscountCardRows},
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

// Every property a host can write on a record stands in the record's table
// (the members with a put in the type library, by name), so get, put and the
// defaults cover the whole interface.
TEST(RecordDispatchTest, TablesCoverEveryWritableProperty) {
  for (const auto& table : kTables) {
    SCOPED_TRACE(table.record);
    const com::CoclassDesc* coclass = CorvatinTypeLib().FindCoclass(table.clsid);
    ASSERT_TRUE(coclass && coclass->defaultInterface);
    std::size_t puts = 0;
    for (const com::MemberDesc& m : coclass->defaultInterface->members) {
      if (m.kind != com::MemberKind::PropPut || m.params.size() != 1) continue;  // not an indexed put
      ++puts;
      bool found = false;
      for (const PropertyRow& row : table.rows) found = found || m.name == row.name;
      EXPECT_TRUE(found) << m.name;
    }
    EXPECT_EQ(puts, table.rows.size());
  }
}

TEST(RecordDispatchTest, RecordListsByName) {
  Script rec(CLSID_QAVECRSaleRec);
  Variant amounts = rec.Get("Amounts");
  ASSERT_EQ(amounts.vt, VT_DISPATCH);
  // Name and Info are optional.
  ExpectSame(Script(amounts.pdispVal).Call("Add", {Variant::I4(ecratCash), Variant::Str(u"12.5")}),
             Variant::Bool(true), "Add");
  Script again(rec.Get("Amounts").pdispVal);
  ExpectSame(again.Get("Count"), Variant::I4(1), "Count");
  Script item(again.Get("Items", {Variant::I4(0)}).pdispVal);
  ExpectSame(item.Get("Value"), Variant::Cy(Money(12.5)), "Value");
  ExpectSame(item.Get("Name"), Variant::Str(u""), "Name");
  ExpectSame(item.Get("Info"), Variant::Str(u""), "Info");
  Variant r;
  EXPECT_EQ(again.Invoke("Items", DISPATCH_PROPERTYGET, {Variant::I4(1)}, &r), DISP_E_EXCEPTION);
  EXPECT_EQ(again.error, IndexError(1));

  Script counters(rec.Get("Counters").pdispVal);
  counters.Call("Add", {Variant::I4(ecrctReceipts), Variant::I4(17), Variant::Str(u"paragony")});
  ExpectSame(Script(counters.Get("Items", {Variant::I4(0)}).pdispVal).Get("Value"), Variant::I4(17), "Counter");

  Script sale(rec.Get("Sale").pdispVal);
  sale.Call("Add", {Variant::I4(123), Variant::I4(100), Variant::I4(23), Variant::Str(u"A")});
  ExpectSame(sale.Get("Netts", {Variant::I4(0)}), Variant::Cy(Money(100)), "Netts(0)");
  ExpectSame(sale.Get("Infos", {Variant::I4(0)}), Variant::Str(u"A"), "Infos(0)");
  EXPECT_EQ(sale.Invoke("Taxes", DISPATCH_PROPERTYGET, {Variant::I4(-1)}, &r), DISP_E_EXCEPTION);
  EXPECT_EQ(sale.error, IndexError(-1));

  // A sub-object has no write member: the record keeps its own.
  ComPtr<IDispatch> other = Create<IDispatch>(CLSID_QAVECRSale);
  EXPECT_TRUE(FAILED(rec.Invoke("Sale", DISPATCH_PROPERTYPUT, {Variant::Dispatch(other.Get())}, nullptr)));
  ExpectSame(Script(rec.Get("Sale").pdispVal).Get("Count"), Variant::I4(1), "Sale kept");

  Script summary(CLSID_QAVECRReceiptSummary);
  Script(summary.Get("Cashier").pdispVal).Put("Name", Variant::Str(u"Łucja"));
  ExpectSame(Script(summary.Get("Cashier").pdispVal).Get("Name"), Variant::Str(u"Łucja"), "Cashier.Name");
  Script status(CLSID_QAVECRStatus);
  Script(status.Get("Version").pdispVal).Put("PrintingDevice", Variant::Str(u"DR-1"));
  ExpectSame(Script(status.Get("Version").pdispVal).Get("PrintingDevice"), Variant::Str(u"DR-1"), "Version");
}

}  // namespace
}  // namespace corvatin
