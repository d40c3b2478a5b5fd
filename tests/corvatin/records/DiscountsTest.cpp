// Discounts: the single discount record, the discount list made of them, its
// index errors and its find cursor; the interface-list base underneath.
#include <gtest/gtest.h>

#include <vector>

#include "corvatin/records/QAVECRDiscount.h"
#include "corvatin/records/QAVECRDiscounts.h"
#include "corvatin/records/QAVECRFlags.h"
#include "tests/corvatin/records/RecordTestSupport.h"

namespace corvatin {
namespace {

using namespace test;

struct Entry {
  LONG type;
  double value;
};

ComPtr<IQAVECRDiscounts> ListOf(const std::vector<Entry>& entries) {
  auto list = Create<IQAVECRDiscounts>(CLSID_QAVECRDiscounts);
  for (const Entry& e : entries) {
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(list->Add(e.type, Money(e.value), Bstr(u"").Get(), &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
  }
  return list;
}

// The value of a found discount, or -1 for none.
double ValueOf(const ComPtr<IQAVECRDiscount>& d) {
  if (!d) return -1;
  CY v{};
  EXPECT_EQ(d->get_Value(&v), S_OK);
  return static_cast<double>(v.int64) / 10000;
}

double First(IQAVECRDiscounts* list, LONG type) {
  ComPtr<IQAVECRDiscount> d;
  EXPECT_EQ(list->FindFirst(type, d.Out()), S_OK);
  return ValueOf(d);
}

double Next(IQAVECRDiscounts* list) {
  ComPtr<IQAVECRDiscount> d;
  EXPECT_EQ(list->FindNext(d.Out()), S_OK);
  return ValueOf(d);
}

TEST(DiscountTest, NewDiscountAndPlainStorage) {
  auto d = Create<IQAVECRDiscount>(CLSID_QAVECRDiscount);
  EXPECT_EQ(LongOf(d.Get(), &IQAVECRDiscount::get_DiscountType), -1);
  EXPECT_EQ(ValueOf(d), 0);
  EXPECT_EQ(TextOf(d.Get(), &IQAVECRDiscount::get_Info), u"");
  ASSERT_EQ(d->put_DiscountType(ecrdtMaxAmountMarkUp), S_OK);
  ASSERT_EQ(d->put_Value(Money(-1.25)), S_OK);
  ASSERT_EQ(PutText(d.Get(), &IQAVECRDiscount::put_Info, u"rabat świąteczny"), S_OK);
  EXPECT_EQ(LongOf(d.Get(), &IQAVECRDiscount::get_DiscountType), ecrdtMaxAmountMarkUp);
  EXPECT_EQ(ValueOf(d), -1.25);
  EXPECT_EQ(TextOf(d.Get(), &IQAVECRDiscount::get_Info), u"rabat świąteczny");
}

TEST(DiscountsTest, AddMakesADiscountObjectWithTheGivenFields) {
  auto list = Create<IQAVECRDiscounts>(CLSID_QAVECRDiscounts);
  EXPECT_EQ(LongOf(list.Get(), &IQAVECRDiscounts::get_Count), 0);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(list->Add(ecrdtStdAmountDiscount, Money(2.5), Bstr(u"x").Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ComPtr<IQAVECRDiscount> item;
  ASSERT_EQ(list->get_Items(0, item.Out()), S_OK);
  EXPECT_EQ(LongOf(item.Get(), &IQAVECRDiscount::get_DiscountType), ecrdtStdAmountDiscount);
  EXPECT_EQ(ValueOf(item), 2.5);
  EXPECT_EQ(TextOf(item.Get(), &IQAVECRDiscount::get_Info), u"x");
  // Items hands out the list's own object, not a copy.
  ASSERT_EQ(item->put_Value(Money(3)), S_OK);
  ComPtr<IQAVECRDiscount> again;
  ASSERT_EQ(list->get_Items(0, again.Out()), S_OK);
  EXPECT_EQ(ValueOf(again), 3);
}

TEST(DiscountsTest, DeleteAndClearReleaseTheirItems) {
  auto list = ListOf({{0, 1}, {1, 2}, {2, 3}});
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(list->Delete(1, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(LongOf(list.Get(), &IQAVECRDiscounts::get_Count), 2);
  ComPtr<IQAVECRDiscount> item;
  ASSERT_EQ(list->get_Items(1, item.Out()), S_OK);
  EXPECT_EQ(ValueOf(item), 3);
  // A discount held elsewhere outlives the list's Clear.
  ok = VARIANT_FALSE;
  ASSERT_EQ(list->Clear(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(LongOf(list.Get(), &IQAVECRDiscounts::get_Count), 0);
  EXPECT_EQ(ValueOf(item), 3);
}

TEST(DiscountsTest, IndexOutsideTheListFails) {
  auto list = ListOf({{0, 1}, {4, 2}});
  for (LONG bad : {-1, 2, 7}) {
    SCOPED_TRACE(bad);
    ComPtr<IQAVECRDiscount> item;
    EXPECT_EQ(list->get_Items(bad, item.Out()), DISP_E_BADINDEX);
    EXPECT_EQ(LastError(), IndexError(bad));
    EXPECT_FALSE(item);
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(list->Delete(bad, &ok), DISP_E_BADINDEX);
    EXPECT_EQ(LastError(), IndexError(bad));
    EXPECT_EQ(LongOf(list.Get(), &IQAVECRDiscounts::get_Count), 2);
  }
}

// Each row: the discounts of the list, then a script of FindFirst(type) (a
// type of 0 or more) and FindNext (kNext) calls with the value each finds
// (-1: no object).
constexpr LONG kNext = -100;
struct FindRow {
  const char* what;
  std::vector<Entry> list;
  std::vector<std::pair<LONG, double>> calls;
};

const FindRow kFindRows[] = {
    {"first and next of one kind, then none for good",
     {{0, 5}, {4, 2}, {0, 10}},
     {{0, 5}, {kNext, 10}, {kNext, -1}, {kNext, -1}}},
    {"a kind nobody has", {{0, 5}, {4, 2}, {0, 10}}, {{9, -1}, {kNext, -1}}},
    {"FindFirst starts over", {{0, 5}, {4, 2}, {0, 10}}, {{0, 5}, {kNext, 10}, {0, 5}, {4, 2}, {kNext, -1}}},
    {"an empty list", {}, {{0, -1}, {kNext, -1}}},
    // Before any FindFirst the cursor searches for kind -1 from the start.
    {"FindNext alone looks for kind -1", {{0, 5}, {-1, 7}, {-1, 8}}, {{kNext, 7}, {kNext, 8}, {kNext, -1}}},
    {"the last item matches", {{1, 1}, {2, 2}, {3, 3}}, {{3, 3}, {kNext, -1}}},
};

TEST(DiscountsTest, FindCursor) {
  for (const auto& row : kFindRows) {
    SCOPED_TRACE(row.what);
    auto list = ListOf(row.list);
    int step = 0;
    for (const auto& [call, expected] : row.calls) {
      SCOPED_TRACE(step++);
      EXPECT_EQ(call == kNext ? Next(list.Get()) : First(list.Get(), call), expected);
    }
  }
}

TEST(DiscountsTest, FindCursorLivesInTheListAndGoesOnAfterChanges) {
  auto list = ListOf({{0, 1}, {0, 2}, {0, 3}, {0, 4}});
  EXPECT_EQ(First(list.Get(), 0), 1);
  EXPECT_EQ(Next(list.Get()), 2);  // the cursor stands at index 1
  VARIANT_BOOL ok;
  ASSERT_EQ(list->Delete(0, &ok), S_OK);  // now 2, 3, 4: index 2 holds 4
  EXPECT_EQ(Next(list.Get()), 4);
  EXPECT_EQ(Next(list.Get()), -1);
  // Clearing leaves the cursor beyond the end: nothing is found until FindFirst.
  ASSERT_EQ(list->Clear(&ok), S_OK);
  ASSERT_EQ(list->Add(0, Money(9), Bstr(u"").Get(), &ok), S_OK);
  EXPECT_EQ(Next(list.Get()), -1);
  EXPECT_EQ(First(list.Get(), 0), 9);

  auto cpp = com::MakeObject<TQAVECRDiscounts>();
  cpp->AddDiscount(4, Money(1), nullptr);
  cpp->AddDiscount(4, Money(2), nullptr);
  EXPECT_EQ(ValueOf(cpp->First(4)), 1);
  EXPECT_EQ(cpp->FindType(), 4);
  EXPECT_EQ(cpp->FindIndex(), 0);
  EXPECT_FALSE(cpp->First(5));
  EXPECT_EQ(cpp->FindIndex(), -1);  // FindFirst resets the cursor even when nothing is found
}

TEST(CollectionBaseTest, RefusesNullItemsAndForeignItemsFailAsIndexErrors) {
  auto list = com::MakeObject<TQAVECRDiscounts>();
  try {
    list->AddItem(nullptr);
    FAIL() << "a null item was accepted";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Code(), E_POINTER);
  }
  EXPECT_EQ(list->GetCount(), 0);
  // An object without the discount interface, appended through the base.
  auto flags = Create<IQAVECRFlags>(CLSID_QAVECRFlags);
  EXPECT_TRUE(list->AddItem(flags.Get()));
  EXPECT_EQ(list->GetItem(0).Get(), static_cast<IUnknown*>(flags.Get()));
  ComPtr<IQAVECRDiscount> item;
  EXPECT_EQ(list->get_Items(0, item.Out()), DISP_E_BADINDEX);
  EXPECT_EQ(LastError(), IndexError(0));
  EXPECT_TRUE(FAILED(list->FindNext(item.Out())));
  EXPECT_TRUE(list->DeleteItem(0));
  EXPECT_EQ(list->GetCount(), 0);
}

}  // namespace
}  // namespace corvatin
