// Article, cashier, linked-code and shortcut records: values kept exactly as
// given, and the attribute text that carries an article's or department's
// attributes (and an article's packing kind) to and from the register,
// including texts the register sends short.
#include <gtest/gtest.h>

#include "corvatin/records/QAVECRPLU.h"
#include "tests/corvatin/records/RecordReading.h"
#include "tests/corvatin/records/RecordTestSupport.h"

namespace corvatin {
namespace {

using namespace test;

TEST(PLUTest, ValuesAreKeptExactlyAsGiven) {
  auto plu = Create<IQAVECRPLU>(CLSID_QAVECRPLU);
  ASSERT_EQ(plu->put_Price(CY{123456}), S_OK);  // four decimals kept
  ASSERT_EQ(plu->put_PLUAttributes(99), S_OK);  // bits outside the attribute set kept
  ASSERT_EQ(plu->put_PLUType(7), S_OK);
  EXPECT_EQ(Describe(Read<&IQAVECRPLU::get_Price>(plu.Get())), "CY 12.3456");
  EXPECT_EQ(LongOf(plu.Get(), &IQAVECRPLU::get_PLUAttributes), 99);
  EXPECT_EQ(LongOf(plu.Get(), &IQAVECRPLU::get_PLUType), 7);

  // No length limit on texts; Polish letters and an embedded NUL survive.
  auto cashier = Create<IQAVECRCashier>(CLSID_QAVECRCashier);
  std::u16string code(200, u'ż');
  code[100] = u'\0';
  ASSERT_EQ(PutText(cashier.Get(), &IQAVECRCashier::put_Code, code), S_OK);
  EXPECT_EQ(TextOf(cashier.Get(), &IQAVECRCashier::get_Code), code);
  // A null text is the empty text.
  ASSERT_EQ(cashier->put_Name(nullptr), S_OK);
  EXPECT_EQ(TextOf(cashier.Get(), &IQAVECRCashier::get_Name), u"");
}

TEST(PLUAttributeTextTest, MadeFromAttributesAndKind) {
  struct Row {
    AttributeLayout layout;
    LONG attributes;
    LONG pluType;
    const char16_t* text;
  };
  const Row rows[] = {
      {AttributeLayout::Department, ecrpaPriceOpen | ecrpaSingleSale, ecrptDepartment, u"10010"},
      {AttributeLayout::Department, 0, ecrptPacking, u"00000"},  // a department has no packing character
      {AttributeLayout::Department, -1, -1, u"11110"},           // a new record: every bit set
      {AttributeLayout::Department, 99, ecrptPLU, u"11000"},     // bits 32 and 64 have no character
      {AttributeLayout::Article, ecrpaSingleSale, ecrptPacking, u"00011"},
      {AttributeLayout::Article, ecrpaPriceOpen | ecrpaPriceFixed | ecrpaAutoRepeat, ecrptPLU, u"11100"},
      {AttributeLayout::Article, ecrpaPriceFixed, ecrptDepartment, u"01000"},  // only packing sets character 4
      {AttributeLayout::Article, -1, -1, u"11101"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(PLUAttributeText(r.layout, r.attributes, r.pluType), r.text)
        << "attributes " << r.attributes << ", kind " << r.pluType;
  }
}

TEST(PLUAttributeTextTest, ReadIntoAttributesAndKind) {
  struct Row {
    AttributeLayout layout;
    const char16_t* text;
    LONG attributes;
    LONG pluType;
  };
  const Row rows[] = {
      {AttributeLayout::Department, u"10010", ecrpaPriceOpen | ecrpaSingleSale, ecrptDepartment},
      {AttributeLayout::Department, u"00001", 0, ecrptDepartment},  // the fifth character means nothing
      {AttributeLayout::Department, u"1x 00", 7, ecrptDepartment},  // any character but "0" is set
      {AttributeLayout::Article, u"00011", ecrpaSingleSale, ecrptPacking},
      {AttributeLayout::Article, u"10100", ecrpaPriceOpen | ecrpaAutoRepeat, ecrptPLU},
      {AttributeLayout::Article, u"111111", 15, ecrptPacking},  // characters past the fifth are ignored
      // Texts the register sent short: a missing character is an unset flag,
      // and an article without its fourth character is a plain article.
      {AttributeLayout::Department, u"", 0, ecrptDepartment},
      {AttributeLayout::Department, u"11", ecrpaPriceOpen | ecrpaPriceFixed, ecrptDepartment},
      {AttributeLayout::Department, u"111", 7, ecrptDepartment},
      {AttributeLayout::Article, u"", 0, ecrptPLU},
      {AttributeLayout::Article, u"1", ecrpaPriceOpen, ecrptPLU},
      {AttributeLayout::Article, u"111", 7, ecrptPLU},
      {AttributeLayout::Article, u"0001", 0, ecrptPacking},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(WideToAnsi(r.text));
    PLUAttributeValues v = ParsePLUAttributeText(r.layout, r.text);
    EXPECT_EQ(v.attributes, r.attributes);
    EXPECT_EQ(v.pluType, r.pluType);
  }
}

// What the writer sends, the reader reads back, for every attribute set and
// kind an article or a department can have.
TEST(PLUAttributeTextTest, RoundTrip) {
  for (LONG attributes = 0; attributes < 16; ++attributes) {
    for (LONG kind : {ecrptPLU, ecrptPacking}) {
      PLUAttributeValues v =
          ParsePLUAttributeText(AttributeLayout::Article, PLUAttributeText(AttributeLayout::Article, attributes, kind));
      EXPECT_EQ(v.attributes, attributes);
      EXPECT_EQ(v.pluType, kind);
    }
    PLUAttributeValues d = ParsePLUAttributeText(
        AttributeLayout::Department, PLUAttributeText(AttributeLayout::Department, attributes, ecrptDepartment));
    EXPECT_EQ(d.attributes, attributes);
  }
}

}  // namespace
}  // namespace corvatin
