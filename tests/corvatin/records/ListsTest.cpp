// The owning lists of plain items: tax rates, HALO limits and a discount
// card's discounts, with the card's positions; their index errors.
#include <gtest/gtest.h>

#include <functional>

#include "corvatin/records/QAVECRDiscountCard.h"
#include "corvatin/records/QAVECRHALO.h"
#include "corvatin/records/QAVECRTaxRates.h"
#include "tests/corvatin/records/RecordTestSupport.h"

namespace corvatin {
namespace {

using namespace test;

LONG CountOf(IQAVECRTaxRates* t) { return LongOf(t, &IQAVECRTaxRates::get_Count); }
LONG CountOf(IQAVECRHALO* h) { return LongOf(h, &IQAVECRHALO::get_Count); }
LONG CountOf(IQAVECRDiscountCard* c) { return LongOf(c, &IQAVECRDiscountCard::get_DiscountsCount); }

CY Value(IQAVECRTaxRates* t, LONG i) {
  CY v{-1};
  EXPECT_EQ(t->get_Values(i, &v), S_OK);
  return v;
}
CY Value(IQAVECRHALO* h, LONG i) {
  CY v{-1};
  EXPECT_EQ(h->get_Values(i, &v), S_OK);
  return v;
}
CY Value(IQAVECRDiscountCard* c, LONG i) {
  CY v{-1};
  EXPECT_EQ(c->get_Discounts(i, &v), S_OK);
  return v;
}
std::u16string Name(IQAVECRTaxRates* t, LONG i) {
  BSTR b = nullptr;
  EXPECT_EQ(t->get_Names(i, &b), S_OK);
  std::u16string s(BstrView(b));
  SysFreeString(b);
  return s;
}

TEST(TaxRatesTest, AddReadRenameDeleteClear) {
  auto rates = Create<IQAVECRTaxRates>(CLSID_QAVECRTaxRates);
  EXPECT_EQ(CountOf(rates.Get()), 0);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(rates->Add(Money(23), Bstr(u"A").Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(rates->Add(Money(8), Bstr(u"B").Get(), &ok), S_OK);
  EXPECT_EQ(Value(rates.Get(), 0), Money(23));
  EXPECT_EQ(Name(rates.Get(), 0), u"A");
  ASSERT_EQ(rates->put_Names(0, Bstr(u"V").Get()), S_OK);
  EXPECT_EQ(Name(rates.Get(), 0), u"V");
  EXPECT_EQ(Value(rates.Get(), 0), Money(23));  // the rename touches the name only
  ASSERT_EQ(rates->put_Values(1, Money(5.5)), S_OK);
  EXPECT_EQ(Value(rates.Get(), 1), Money(5.5));
  EXPECT_EQ(Name(rates.Get(), 1), u"B");
  ok = VARIANT_FALSE;
  ASSERT_EQ(rates->Delete(0, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(CountOf(rates.Get()), 1);
  EXPECT_EQ(Name(rates.Get(), 0), u"B");
  ok = VARIANT_FALSE;
  ASSERT_EQ(rates->Clear(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(CountOf(rates.Get()), 0);
}

TEST(HALOTest, DeleteShiftsTheLaterLimits) {
  auto halo = Create<IQAVECRHALO>(CLSID_QAVECRHALO);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(halo->Add(Money(5), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(halo->Add(Money(7), &ok), S_OK);
  ASSERT_EQ(halo->Delete(0, &ok), S_OK);
  EXPECT_EQ(CountOf(halo.Get()), 1);
  EXPECT_EQ(Value(halo.Get(), 0), Money(7));
  ASSERT_EQ(halo->put_Values(0, Money(9.99)), S_OK);
  EXPECT_EQ(Value(halo.Get(), 0), Money(9.99));
  ok = VARIANT_FALSE;
  ASSERT_EQ(halo->Clear(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(CountOf(halo.Get()), 0);
}

TEST(DiscountCardTest, NewCardDefaultsAndPlainStorage) {
  using C = IQAVECRDiscountCard;
  struct Row {
    const char* name;
    HRESULT (C::*get)(LONG*);
    HRESULT (C::*put)(LONG);
  };
  const Row rows[] = {
      {"IdentifierPosition", &C::get_IdentifierPosition, &C::put_IdentifierPosition},
      {"IdentifierLength", &C::get_IdentifierLength, &C::put_IdentifierLength},
      {"DatePosition", &C::get_DatePosition, &C::put_DatePosition},
      {"DateLength", &C::get_DateLength, &C::put_DateLength},
      {"DiscountIdentifierPosition", &C::get_DiscountIdentifierPosition, &C::put_DiscountIdentifierPosition},
  };
  auto card = Create<C>(CLSID_QAVECRDiscountCard);
  EXPECT_EQ(CountOf(card.Get()), 0);
  EXPECT_EQ(TextOf(card.Get(), &C::get_CardName), u"");
  EXPECT_EQ(TextOf(card.Get(), &C::get_IdentifierTemplate), u"");
  for (const auto& r : rows) EXPECT_EQ(LongOf(card.Get(), r.get), -1) << r.name;
  LONG v = 10;
  for (const auto& r : rows) ASSERT_EQ((card.Get()->*r.put)(v++), S_OK) << r.name;
  ASSERT_EQ(PutText(card.Get(), &C::put_CardName, u"Karta stałego klienta"), S_OK);
  ASSERT_EQ(PutText(card.Get(), &C::put_IdentifierTemplate, u"99######"), S_OK);
  v = 10;
  for (const auto& r : rows) EXPECT_EQ(LongOf(card.Get(), r.get), v++) << r.name;
  EXPECT_EQ(TextOf(card.Get(), &C::get_CardName), u"Karta stałego klienta");
  EXPECT_EQ(TextOf(card.Get(), &C::get_IdentifierTemplate), u"99######");
}

TEST(DiscountCardTest, DiscountsAddDeleteClear) {
  auto card = Create<IQAVECRDiscountCard>(CLSID_QAVECRDiscountCard);
  VARIANT_BOOL ok = VARIANT_FALSE;
  for (double d : {2.0, 5.0, 10.0}) {
    ASSERT_EQ(card->AddDiscount(Money(d), &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
  }
  ASSERT_EQ(card->DeleteDiscount(1, &ok), S_OK);
  EXPECT_EQ(CountOf(card.Get()), 2);
  EXPECT_EQ(Value(card.Get(), 0), Money(2));
  EXPECT_EQ(Value(card.Get(), 1), Money(10));
  ok = VARIANT_FALSE;
  ASSERT_EQ(card->ClearDiscounts(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(CountOf(card.Get()), 0);
}

// Every indexed member of the three lists, on a list of two items.
TEST(PlainListsTest, IndexOutsideTheListFailsAndChangesNothing) {
  struct Row {
    const char* member;
    std::function<HRESULT(LONG)> call;
    std::function<LONG()> count;
  };
  auto rates = Create<IQAVECRTaxRates>(CLSID_QAVECRTaxRates);
  auto halo = Create<IQAVECRHALO>(CLSID_QAVECRHALO);
  auto card = Create<IQAVECRDiscountCard>(CLSID_QAVECRDiscountCard);
  VARIANT_BOOL ok;
  for (int k = 0; k < 2; ++k) {
    rates->Add(Money(k), Bstr(u"A").Get(), &ok);
    halo->Add(Money(k), &ok);
    card->AddDiscount(Money(k), &ok);
  }
  auto rateCount = [&] { return CountOf(rates.Get()); };
  auto haloCount = [&] { return CountOf(halo.Get()); };
  auto cardCount = [&] { return CountOf(card.Get()); };
  const Row rows[] = {
      {"TaxRates.Values get", [&](LONG i) { CY v; return rates->get_Values(i, &v); }, rateCount},
      {"TaxRates.Values put", [&](LONG i) { return rates->put_Values(i, Money(99)); }, rateCount},
      {"TaxRates.Names get",
       [&](LONG i) {
         BSTR b = nullptr;
         HRESULT hr = rates->get_Names(i, &b);
         SysFreeString(b);
         return hr;
       },
       rateCount},
      {"TaxRates.Names put", [&](LONG i) { return rates->put_Names(i, Bstr(u"X").Get()); }, rateCount},
      {"TaxRates.Delete", [&](LONG i) { VARIANT_BOOL r; return rates->Delete(i, &r); }, rateCount},
      {"HALO.Values get", [&](LONG i) { CY v; return halo->get_Values(i, &v); }, haloCount},
      {"HALO.Values put", [&](LONG i) { return halo->put_Values(i, Money(99)); }, haloCount},
      {"HALO.Delete", [&](LONG i) { VARIANT_BOOL r; return halo->Delete(i, &r); }, haloCount},
      {"DiscountCard.Discounts", [&](LONG i) { CY v; return card->get_Discounts(i, &v); }, cardCount},
      {"DiscountCard.DeleteDiscount", [&](LONG i) { VARIANT_BOOL r; return card->DeleteDiscount(i, &r); },
       cardCount},
  };
  for (const auto& row : rows) {
    for (LONG bad : {-1, 2, 1000, -2147483647 - 1}) {
      SCOPED_TRACE(std::string(row.member) + " at " + std::to_string(bad));
      EXPECT_EQ(row.call(bad), DISP_E_BADINDEX);
      EXPECT_EQ(LastError(), IndexError(bad));
      EXPECT_EQ(row.count(), 2);
    }
  }
  // The members that write left every item as it was.
  EXPECT_EQ(Value(rates.Get(), 1), Money(1));
  EXPECT_EQ(Name(rates.Get(), 1), u"A");
  EXPECT_EQ(Value(halo.Get(), 1), Money(1));
}

}  // namespace
}  // namespace corvatin
