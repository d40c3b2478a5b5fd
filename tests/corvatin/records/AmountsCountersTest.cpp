// Amounts, counters and sale lines: their lists filled through Add, items
// handed out by index and kept alive by their references, the index errors
// of every indexed member, and a sale's totals kept apart from its lines.
#include <gtest/gtest.h>

#include <functional>

#include "tests/corvatin/records/RecordReading.h"
#include "tests/corvatin/records/RecordTestSupport.h"

namespace corvatin {
namespace {

using namespace test;

LONG CountOf(IQAVECRAmounts* a) { return LongOf(a, &IQAVECRAmounts::get_Count); }
LONG CountOf(IQAVECRCounters* c) { return LongOf(c, &IQAVECRCounters::get_Count); }
LONG CountOf(IQAVECRSale* s) { return LongOf(s, &IQAVECRSale::get_Count); }

ComPtr<IQAVECRAmount> AmountAt(IQAVECRAmounts* list, LONG i) {
  ComPtr<IQAVECRAmount> item;
  EXPECT_EQ(list->get_Items(i, item.Out()), S_OK);
  return item;
}

ComPtr<IQAVECRCounter> CounterAt(IQAVECRCounters* list, LONG i) {
  ComPtr<IQAVECRCounter> item;
  EXPECT_EQ(list->get_Items(i, item.Out()), S_OK);
  return item;
}

std::string AmountText(IQAVECRAmount* a) {
  return Describe(Read<&IQAVECRAmount::get_AmountType>(a)) + " | " + Describe(Read<&IQAVECRAmount::get_Value>(a)) +
         " | " + Describe(Read<&IQAVECRAmount::get_Name>(a)) + " | " + Describe(Read<&IQAVECRAmount::get_Info>(a));
}

std::string CounterText(IQAVECRCounter* c) {
  return Describe(Read<&IQAVECRCounter::get_CounterType>(c)) + " | " +
         Describe(Read<&IQAVECRCounter::get_Value>(c)) + " | " + Describe(Read<&IQAVECRCounter::get_Info>(c));
}

std::string LineText(IQAVECRSale* s, LONG i) {
  CY gross{-1}, nett{-1}, tax{-1};
  EXPECT_EQ(s->get_Grosses(i, &gross), S_OK);
  EXPECT_EQ(s->get_Netts(i, &nett), S_OK);
  EXPECT_EQ(s->get_Taxes(i, &tax), S_OK);
  BSTR info = nullptr;
  EXPECT_EQ(s->get_Infos(i, &info), S_OK);
  return Describe(Variant::Cy(gross)) + " | " + Describe(Variant::Cy(nett)) + " | " + Describe(Variant::Cy(tax)) +
         " | " + Describe(Variant::AttachBstr(info));
}

TEST(AmountsTest, AddCreatesAnAmountWithTheGivenValues) {
  auto list = Create<IQAVECRAmounts>(CLSID_QAVECRAmounts);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(list->Add(ecratStorno, CY{-123456}, Bstr(u"Storna").Get(), Bstr(u"zwroty").Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(list->Add(ecratCash, Money(5), nullptr, nullptr, &ok), S_OK);  // null texts read as empty
  ASSERT_EQ(CountOf(list.Get()), 2);
  EXPECT_EQ(AmountText(AmountAt(list.Get(), 0).Get()), "I4 18 | CY -12.3456 | BSTR Storna | BSTR zwroty");
  EXPECT_EQ(AmountText(AmountAt(list.Get(), 1).Get()), "I4 0 | CY 5 | BSTR  | BSTR ");
}

TEST(CountersTest, AddCreatesACounterWithTheGivenValues) {
  auto list = Create<IQAVECRCounters>(CLSID_QAVECRCounters);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(list->Add(ecrctPLUChanges, 41, Bstr(u"zmiany").Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(list->Add(ecrctReceipts, 0, nullptr, &ok), S_OK);
  ASSERT_EQ(CountOf(list.Get()), 2);
  EXPECT_EQ(CounterText(CounterAt(list.Get(), 0).Get()), "I4 12 | I4 41 | BSTR zmiany");
  EXPECT_EQ(CounterText(CounterAt(list.Get(), 1).Get()), "I4 0 | I4 0 | BSTR ");
}

// The list hands out its own items: a change through one read shows in the
// next, and an item a host still holds outlives its removal from the list.
TEST(AmountsTest, ItemsAreSharedAndOutliveTheirRemoval) {
  auto list = Create<IQAVECRAmounts>(CLSID_QAVECRAmounts);
  VARIANT_BOOL ok;
  for (LONG t : {ecratCash, ecratCheque, ecratVoucher}) list->Add(t, Money(t), nullptr, nullptr, &ok);
  ComPtr<IQAVECRAmount> held = AmountAt(list.Get(), 1);
  EXPECT_EQ(held, AmountAt(list.Get(), 1));
  ASSERT_EQ(held->put_Value(Money(7.5)), S_OK);
  EXPECT_EQ(Describe(Read<&IQAVECRAmount::get_Value>(AmountAt(list.Get(), 1).Get())), "CY 7.5");

  ASSERT_EQ(list->Delete(1, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(CountOf(list.Get()), 2);
  EXPECT_EQ(Describe(Read<&IQAVECRAmount::get_AmountType>(AmountAt(list.Get(), 1).Get())), "I4 1");  // Voucher moved up
  ASSERT_EQ(list->Clear(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(CountOf(list.Get()), 0);
  EXPECT_EQ(AmountText(held.Get()), "I4 2 | CY 7.5 | BSTR  | BSTR ");
}

TEST(SaleTest, LinesAndTotalsAreKeptApart) {
  auto sale = Create<IQAVECRSale>(CLSID_QAVECRSale);
  ASSERT_EQ(sale->put_SaleTotal(Money(999)), S_OK);
  ASSERT_EQ(sale->put_TaxesTotal(Money(88)), S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(sale->Add(Money(123), Money(100), Money(23), Bstr(u"A").Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(sale->Add(Money(10.8), Money(10), Money(0.8), Bstr(u"B").Get(), &ok), S_OK);
  ASSERT_EQ(sale->Add(Money(1), Money(0), Money(0), Bstr(u"C").Get(), &ok), S_OK);
  ASSERT_EQ(CountOf(sale.Get()), 3);
  EXPECT_EQ(LineText(sale.Get(), 0), "CY 123 | CY 100 | CY 23 | BSTR A");
  EXPECT_EQ(LineText(sale.Get(), 1), "CY 10.8 | CY 10 | CY 0.8 | BSTR B");
  // Nothing sums the lines into the totals.
  EXPECT_EQ(Describe(Read<&IQAVECRSale::get_SaleTotal>(sale.Get())), "CY 999");
  EXPECT_EQ(Describe(Read<&IQAVECRSale::get_TaxesTotal>(sale.Get())), "CY 88");

  ASSERT_EQ(sale->Delete(0, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(LineText(sale.Get(), 0), "CY 10.8 | CY 10 | CY 0.8 | BSTR B");
  ASSERT_EQ(sale->Clear(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(CountOf(sale.Get()), 0);
  EXPECT_EQ(Describe(Read<&IQAVECRSale::get_SaleTotal>(sale.Get())), "CY 999");
}

// Every indexed member of the three lists, on an empty list and on a list of
// two items.
TEST(AmountsCountersSaleTest, IndexOutsideTheListFailsAndChangesNothing) {
  struct Row {
    const char* member;
    std::function<HRESULT(LONG)> call;
  };
  auto amounts = Create<IQAVECRAmounts>(CLSID_QAVECRAmounts);
  auto counters = Create<IQAVECRCounters>(CLSID_QAVECRCounters);
  auto sale = Create<IQAVECRSale>(CLSID_QAVECRSale);
  auto counts = [&] {
    return std::to_string(CountOf(amounts.Get())) + " " + std::to_string(CountOf(counters.Get())) + " " +
           std::to_string(CountOf(sale.Get()));
  };
  const Row rows[] = {
      {"Amounts.Items", [&](LONG i) { ComPtr<IQAVECRAmount> a; return amounts->get_Items(i, a.Out()); }},
      {"Amounts.Delete", [&](LONG i) { VARIANT_BOOL r; return amounts->Delete(i, &r); }},
      {"Counters.Items", [&](LONG i) { ComPtr<IQAVECRCounter> c; return counters->get_Items(i, c.Out()); }},
      {"Counters.Delete", [&](LONG i) { VARIANT_BOOL r; return counters->Delete(i, &r); }},
      {"Sale.Grosses", [&](LONG i) { CY v; return sale->get_Grosses(i, &v); }},
      {"Sale.Netts", [&](LONG i) { CY v; return sale->get_Netts(i, &v); }},
      {"Sale.Taxes", [&](LONG i) { CY v; return sale->get_Taxes(i, &v); }},
      {"Sale.Infos",
       [&](LONG i) {
         BSTR b = nullptr;
         HRESULT hr = sale->get_Infos(i, &b);
         EXPECT_EQ(b, nullptr);
         return hr;
       }},
      {"Sale.Delete", [&](LONG i) { VARIANT_BOOL r; return sale->Delete(i, &r); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.member) + " on an empty list");
    EXPECT_EQ(row.call(0), DISP_E_BADINDEX);
    EXPECT_EQ(LastError(), IndexError(0));
  }
  VARIANT_BOOL ok;
  for (int k = 0; k < 2; ++k) {
    amounts->Add(ecratCash, Money(k), nullptr, nullptr, &ok);
    counters->Add(ecrctReceipts, k, nullptr, &ok);
    sale->Add(Money(k), Money(k), Money(k), Bstr(u"A").Get(), &ok);
  }
  for (const auto& row : rows) {
    for (LONG bad : {-1, 2, 1000, -2147483647 - 1}) {
      SCOPED_TRACE(std::string(row.member) + " at " + std::to_string(bad));
      EXPECT_EQ(row.call(bad), DISP_E_BADINDEX);
      EXPECT_EQ(LastError(), IndexError(bad));
      EXPECT_EQ(counts(), "2 2 2");
    }
  }
}

}  // namespace
}  // namespace corvatin
