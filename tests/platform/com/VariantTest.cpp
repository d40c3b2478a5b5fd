// VARIANT ownership and the coercions of VariantChangeType. Conversions that
// read or write text run under "." and under "," as the decimal separator.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/interfaces.h"
#include "platform/com/locale.h"
#include "platform/com/variant.h"

namespace {

constexpr HRESULT kMismatch = DISP_E_TYPEMISMATCH;
constexpr HRESULT kOverflow = DISP_E_OVERFLOW;
constexpr long double kI64Min = -9223372036854775807.0L - 1;

struct Separators {
  const char* name;
  char16_t decimal;
  char16_t thousands;
};
// Prints as its name, so that test lists (and ctest) name each case shortly.
void PrintTo(const Separators& s, std::ostream* os) { *os << s.name; }

FormatSettings Numbers(char16_t decimal, char16_t thousands) {
  FormatSettings f;
  f.DecimalSeparator = decimal;
  f.ThousandSeparator = thousands;
  return f;
}

FormatSettings Dates(std::u16string format, char16_t dateSep, char16_t timeSep) {
  FormatSettings f;
  f.ShortDateFormat = std::move(format);
  f.DateSeparator = dateSep;
  f.TimeSeparator = timeSep;
  return f;
}

Variant Make(VARTYPE vt, long long x) {
  Variant v;
  v.vt = vt;
  v.llVal = x;  // the narrower members share the low bytes (little-endian)
  return v;
}

Variant R4(float x) {
  Variant v;
  v.vt = VT_R4;
  v.fltVal = x;
  return v;
}

Variant S(std::u16string_view s) { return Variant::Str(s); }

// The numeric content of a result (currency as its raw count of ten-thousandths).
long double Number(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return static_cast<signed char>(v.cVal);
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_I8: return v.llVal;
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_DATE: return v.date;
    case VT_CY: return v.cyVal.int64;
    case VT_BOOL: return v.boolVal;
    default: ADD_FAILURE() << "unexpected type " << v.vt; return 0;
  }
}

std::string Utf8(std::u16string_view s) { return std::string(s.begin(), s.end()); }  // test texts are ASCII
std::string Text(const VARIANT& v) { return Utf8(BstrView(v.bstrVal)); }

// One coercion: source, target, expected code and, on success, the expected
// number or (for VT_BSTR) text.
struct Row {
  Variant src;
  VARTYPE vt;
  HRESULT hr;
  long double number = 0;
  std::u16string text = {};
};

// Texts in rows are written with "." as the decimal and "," as the thousands
// separator; `localize` rewrites them for the separators under test.
template <class Localize>
void CheckRows(const std::vector<Row>& rows, Localize localize) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    Variant src = r.src.vt == VT_BSTR ? S(localize(BstrView(r.src.bstrVal))) : r.src;
    SCOPED_TRACE(testing::Message() << "row " << i << " to " << r.vt);
    Variant out = S(u"untouched");
    ASSERT_EQ(VariantChangeType(&out, &src, 0, r.vt), r.hr);
    if (FAILED(r.hr)) {
      EXPECT_EQ(Text(out), "untouched");  // dest unchanged on failure
    } else if (r.vt == VT_BSTR) {
      EXPECT_EQ(Text(out), Utf8(localize(r.text)));
    } else if (r.vt != VT_NULL && r.vt != VT_VARIANT) {
      ASSERT_EQ(out.vt, r.vt);
      EXPECT_EQ(Number(out), r.number);
    }
  }
}

class NumberText : public testing::TestWithParam<Separators> {
 protected:
  NumberText() : scoped_(Numbers(GetParam().decimal, GetParam().thousands)) {}
  std::u16string L(std::u16string_view s) const {
    std::u16string out(s);
    for (auto& c : out) c = c == u'.' ? GetParam().decimal : c == u',' ? GetParam().thousands : c;
    return out;
  }
  void Check(const std::vector<Row>& rows) const {
    CheckRows(rows, [this](std::u16string_view s) { return L(s); });
  }

 private:
  ScopedFormatSettings scoped_;
};

INSTANTIATE_TEST_SUITE_P(Locales, NumberText,
                         testing::Values(Separators{"Dot", u'.', u','}, Separators{"Comma", u',', u'.'},
                                         Separators{"CommaNoBreakSpace", u',', u'\u00A0'}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(NumberText, TextToIntegersRoundsHalfToEvenAndChecksRange) {
  Check({
      {S(u"  42  "), VT_I4, S_OK, 42},         {S(u"-17"), VT_I4, S_OK, -17},
      {S(u"+5"), VT_I4, S_OK, 5},              {S(u"2.5"), VT_I4, S_OK, 2},
      {S(u"3.5"), VT_I4, S_OK, 4},             {S(u"-2.5"), VT_I4, S_OK, -2},
      {S(u"-3.5"), VT_I4, S_OK, -4},           {S(u"2.5000001"), VT_I4, S_OK, 3},
      {S(u".5"), VT_I4, S_OK, 0},              {S(u"1.5e1"), VT_I4, S_OK, 15},
      {S(u"1,234"), VT_I4, S_OK, 1234},        {S(u"1,234,567.5"), VT_I4, S_OK, 1234568},
      {S(u"2147483647"), VT_I4, S_OK, 2147483647},
      {S(u"-2147483648"), VT_I4, S_OK, -2147483648.0L},
      {S(u"2147483648"), VT_I4, kOverflow},    {S(u"-2147483649"), VT_I4, kOverflow},
      {S(u"2147483647.5"), VT_I4, kOverflow},  {S(u"abc"), VT_I4, kMismatch},
      {S(u""), VT_I4, kMismatch},              {S(u"   "), VT_I4, kMismatch},
      {S(u"12abc"), VT_I4, kMismatch},         {S(u"1,,5"), VT_I4, kMismatch},
      {S(u"1e"), VT_I4, kMismatch},            {S(u"- 1"), VT_I4, kMismatch},
      {S(u"."), VT_I4, kMismatch},             {S(u"32767"), VT_I2, S_OK, 32767},
      {S(u"32768"), VT_I2, kOverflow},         {S(u"-32768.4"), VT_I2, S_OK, -32768},
      {S(u"255"), VT_UI1, S_OK, 255},          {S(u"256"), VT_UI1, kOverflow},
      {S(u"-1"), VT_UI1, kOverflow},           {S(u"-0.4"), VT_UI1, S_OK, 0},
      {S(u"-128"), VT_I1, S_OK, -128},         {S(u"128"), VT_I1, kOverflow},
      {S(u"65535"), VT_UI2, S_OK, 65535},      {S(u"4294967295"), VT_UI4, S_OK, 4294967295.0L},
      {S(u"4294967296"), VT_UI4, kOverflow},   {S(u"-9223372036854775808"), VT_I8, S_OK, kI64Min},
      {S(u"9223372036854775808"), VT_I8, kOverflow},
  });
  LONG out = 99;
  EXPECT_EQ(VarI4FromStr(L(u" -1,000.5 "), &out), S_OK);
  EXPECT_EQ(out, -1000);
  EXPECT_EQ(VarI4FromStr(u"3000000000", &out), kOverflow);
  EXPECT_EQ(out, -1000);  // left alone on failure
}

TEST_P(NumberText, TextToCurrencyIsExactDecimal) {
  Check({
      {S(u"1250  "), VT_CY, S_OK, 12500000},     {S(u"     349"), VT_CY, S_OK, 3490000},
      {S(u"1.015"), VT_CY, S_OK, 10150},         {S(u"-1.5"), VT_CY, S_OK, -15000},
      {S(u"1,000.25"), VT_CY, S_OK, 10002500},   {S(u"0.00005"), VT_CY, S_OK, 0},
      {S(u"0.00015"), VT_CY, S_OK, 2},           {S(u"0.000051"), VT_CY, S_OK, 1},
      {S(u"-0.00025"), VT_CY, S_OK, -2},         {S(u"922337203685477.5807"), VT_CY, S_OK, -kI64Min - 1},
      {S(u"-922337203685477.5808"), VT_CY, S_OK, kI64Min},
      {S(u"922337203685477.5808"), VT_CY, kOverflow},
      {S(u"1e20"), VT_CY, kOverflow},            {S(u"12 .5"), VT_CY, kMismatch},
  });
  CY c{7};
  EXPECT_EQ(VarCyFromStr(L(u"1.015"), &c), S_OK);
  EXPECT_EQ(c.int64, 10150);
}

TEST_P(NumberText, CurrencyToTextIsShortestExactDecimal) {
  const std::pair<std::int64_t, std::u16string> cases[] = {
      {125000, u"12.5"}, {10000, u"1"},          {-15000, u"-1.5"},           {1, u"0.0001"},
      {-1, u"-0.0001"},  {0, u"0"},              {10000000000, u"1000000"},   {12345678, u"1234.5678"},
      {std::numeric_limits<std::int64_t>::min(), u"-922337203685477.5808"},
  };
  for (const auto& [cy, text] : cases) {
    SCOPED_TRACE(cy);
    EXPECT_EQ(Utf8(VarBstrFromCy(CY{cy})), Utf8(L(text)));
    Variant v = Variant::Cy(CY{cy}).As(VT_BSTR);
    EXPECT_EQ(Text(v), Utf8(L(text)));
    EXPECT_EQ(v.As(VT_CY).cyVal.int64, cy);  // and back
  }
}

TEST_P(NumberText, DoubleToTextUsesFifteenSignificantDigits) {
  const std::pair<double, std::u16string> cases[] = {
      {1.5, u"1.5"},       {0.1, u"0.1"},     {0.1 + 0.2, u"0.3"},  {1.0 / 3, u"0.333333333333333"},
      {2.0 / 3, u"0.666666666666667"},        {-2.5, u"-2.5"},      {100, u"100"},
      {-0.0, u"0"},        {1234567.125, u"1234567.125"},           {123456789012345.0, u"123456789012345"},
      {1234567890123456.0, u"1.23456789012346E+15"},                {1e15, u"1E+15"},
      {1e20, u"1E+20"},    {1e100, u"1E+100"},  {0.0001, u"0.0001"}, {1e-5, u"0.00001"},
      {-1.5e-7, u"-0.00000015"},
  };
  for (const auto& [value, text] : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(Utf8(VarBstrFromR8(value)), Utf8(L(text)));
    EXPECT_EQ(Text(Variant::R8(value).As(VT_BSTR)), Utf8(L(text)));
    double back = 0;
    ASSERT_EQ(VarR8FromStr(L(text), &back), S_OK);
    EXPECT_NEAR(back, value, std::fabs(value) * 1e-14);
  }
  EXPECT_EQ(Text(R4(0.1f).As(VT_BSTR)), Utf8(L(u"0.1")));
  EXPECT_EQ(Text(R4(3.14159265f).As(VT_BSTR)), Utf8(L(u"3.141593")));
  EXPECT_EQ(Text(R4(1e10f).As(VT_BSTR)), "1E+10");
}

TEST_P(NumberText, TextToDouble) {
  Check({
      {S(u"  1.5  "), VT_R8, S_OK, 1.5},   {S(u"-1,234.5"), VT_R8, S_OK, -1234.5},
      {S(u"1e3"), VT_R8, S_OK, 1000},      {S(u"1.5E-2"), VT_R8, S_OK, 0.015},
      {S(u"+.5"), VT_R8, S_OK, 0.5},       {S(u"0.1"), VT_R8, S_OK, 0.1},
      {S(u"1e-400"), VT_R8, S_OK, 0},      {S(u"1e400"), VT_R8, kOverflow},
      {S(u"1.2.3"), VT_R8, kMismatch},     {S(u"abc"), VT_R8, kMismatch},
      {S(u"0.1"), VT_R4, S_OK, 0.1f},      {S(u"1e39"), VT_R4, kOverflow},
  });
}

TEST_P(NumberText, BooleansEmptyAndNull) {
  const Variant empty, null = Variant::Null(), yes = Variant::Bool(true);
  const Variant err = Variant::Error(DISP_E_PARAMNOTFOUND);
  Check({
      {yes, VT_I4, S_OK, -1},    {yes, VT_I2, S_OK, -1},     {yes, VT_R8, S_OK, -1},
      {yes, VT_CY, S_OK, -10000}, {yes, VT_DATE, S_OK, -1},  {yes, VT_UI1, kOverflow},
      {Variant::Bool(false), VT_I4, S_OK, 0},                {yes, VT_BSTR, S_OK, 0, u"-1"},
      {Variant::Bool(false), VT_BSTR, S_OK, 0, u"0"},    {Variant::I4(5), VT_BOOL, S_OK, -1},
      {Variant::I4(0), VT_BOOL, S_OK, 0},                    {Variant::R8(0.5), VT_BOOL, S_OK, -1},
      {Variant::Cy(CY{1}), VT_BOOL, S_OK, -1},               {S(u"TRUE"), VT_BOOL, S_OK, -1},
      {S(u" false "), VT_BOOL, S_OK, 0},                     {S(u"0.000"), VT_BOOL, S_OK, 0},
      {S(u"2.5"), VT_BOOL, S_OK, -1},                        {S(u"yes"), VT_BOOL, kMismatch},
      {S(u""), VT_BOOL, kMismatch},
      {empty, VT_I4, S_OK, 0},   {empty, VT_R8, S_OK, 0},    {empty, VT_CY, S_OK, 0},
      {empty, VT_BOOL, S_OK, 0}, {empty, VT_DATE, S_OK, 0},  {empty, VT_BSTR, S_OK, 0, u""},
      {null, VT_I4, kMismatch},  {null, VT_R8, kMismatch},   {null, VT_CY, kMismatch},
      {null, VT_BOOL, kMismatch}, {null, VT_DATE, kMismatch}, {null, VT_BSTR, kMismatch},
      {null, VT_EMPTY, kMismatch}, {null, VT_NULL, S_OK},     {null, VT_VARIANT, kMismatch},
      {err, VT_I4, kMismatch},   {err, VT_BSTR, kMismatch},
  });
  EXPECT_NE(empty.As(VT_BSTR).bstrVal, nullptr);  // an empty string, not a null BSTR
}

TEST(VariantCoercion, NumbersBetweenTypesRoundHalfToEvenAndCheckRange) {
  CheckRows(
      {
          {Make(VT_I1, -5), VT_I4, S_OK, -5},              {Make(VT_I1, -5), VT_UI1, kOverflow},
          {Make(VT_UI1, 200), VT_I1, kOverflow},           {Make(VT_UI1, 200), VT_I2, S_OK, 200},
          {Make(VT_UI2, 65535), VT_I2, kOverflow},         {Make(VT_UI2, 65535), VT_I4, S_OK, 65535},
          {Make(VT_UI4, 4294967295), VT_I4, kOverflow},    {Make(VT_UI4, 4294967295), VT_I8, S_OK, 4294967295.0L},
          {Make(VT_I8, 1LL << 40), VT_I4, kOverflow},      {Make(VT_I8, 1LL << 40), VT_R8, S_OK, 1099511627776.0L},
          {Make(VT_I8, INT64_MAX), VT_CY, kOverflow},
          {Make(VT_I8, 922337203685477), VT_CY, S_OK, 9223372036854770000.0L},
          {R4(2.5f), VT_I4, S_OK, 2},                      {R4(3.5f), VT_I2, S_OK, 4},
          {Variant::R8(1e39), VT_R4, kOverflow},           {Variant::R8(1.5), VT_R4, S_OK, 1.5},
          {Variant::R8(0.5), VT_I4, S_OK, 0},              {Variant::R8(1.5), VT_I4, S_OK, 2},
          {Variant::R8(-0.5), VT_I4, S_OK, 0},             {Variant::R8(-2.5), VT_I4, S_OK, -2},
          {Variant::R8(2147483647.5), VT_I4, kOverflow},   {Variant::R8(-2147483648.5), VT_I4, S_OK, -2147483648.0L},
          {Variant::R8(32767.5), VT_I2, kOverflow},        {Variant::R8(-1), VT_UI4, kOverflow},
          {Variant::R8(NAN), VT_I4, kOverflow},            {Make(VT_CY, 25000), VT_I4, S_OK, 2},
          {Make(VT_CY, 35000), VT_I4, S_OK, 4},            {Make(VT_CY, -25000), VT_I4, S_OK, -2},
          {Make(VT_CY, 25001), VT_I4, S_OK, 3},            {Make(VT_CY, 25000), VT_R8, S_OK, 2.5},
          {Variant::Date(2.5), VT_I4, S_OK, 2},            {Variant::Date(1.25), VT_R8, S_OK, 1.25},
          {Variant::I4(45000), VT_DATE, S_OK, 45000},      {Variant::R8(2958465.5), VT_DATE, S_OK, 2958465.5},
          {Variant::R8(1e7), VT_DATE, kOverflow},          {Variant::R8(-700000), VT_DATE, kOverflow},
          // Double to currency rounds the decimal the double stands for, half to even.
          {Variant::R8(1.015), VT_CY, S_OK, 10150},        {Variant::R8(0.00005), VT_CY, S_OK, 0},
          {Variant::R8(0.00015), VT_CY, S_OK, 2},          {Variant::R8(-2.50005), VT_CY, S_OK, -25000},
          {Variant::R8(2.50015), VT_CY, S_OK, 25002},      {Variant::R8(1.23456), VT_CY, S_OK, 12346},
          {Variant::R8(1e15), VT_CY, kOverflow},           {Variant::R8(INFINITY), VT_CY, kOverflow},
          {Make(VT_CY, 10150), VT_R8, S_OK, 1.015},        {Make(VT_CY, INT64_MAX), VT_R8, S_OK, 922337203685477.5807},
      },
      [](std::u16string_view s) { return std::u16string(s); });
}

TEST(VariantDate, FormatsAndParsesWithTheShortDateFormat) {
  const FormatSettings iso = Dates(u"yyyy/mm/dd", u'-', u':'), dotted = Dates(u"dd/mm/yyyy", u'.', u'.'),
                       us = Dates(u"m/d/yy", u'/', u':');
  const struct {
    const FormatSettings& settings;
    double serial;
    std::u16string text;
  } cases[] = {
      {iso, 45000, u"2023-03-15"},        {iso, 0, u"00:00:00"},
      {iso, 0.5, u"12:00:00"},            {iso, 1.75, u"1899-12-31 18:00:00"},
      {iso, -1.25, u"1899-12-29 06:00:00"},
      {iso, 45351 + (13 * 3600 + 5 * 60 + 9) / 86400.0, u"2024-02-29 13:05:09"},
      {iso, 2958465, u"9999-12-31"},      {iso, -657434, u"100-01-01"},  // the year as it is, no zeros in front
      {dotted, 45000.25, u"15.03.2023 06.00.00"},                  {dotted, 36526, u"01.01.2000"},
      {us, 45000, u"3/15/23"},            {us, 36526.5, u"1/1/00 12:00:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.text));
    ScopedFormatSettings scoped(c.settings);
    EXPECT_EQ(Utf8(VarBstrFromDate(c.serial)), Utf8(c.text));
    EXPECT_EQ(Text(Variant::Date(c.serial).As(VT_BSTR)), Utf8(c.text));
    DATE back = 1e9;
    ASSERT_EQ(VarDateFromStr(c.text, &back), S_OK);
    EXPECT_DOUBLE_EQ(back, c.serial);
  }
}

TEST(VariantDate, ParsesLooserInputAndRejectsInvalidDates) {
  const struct {
    const char16_t* text;
    HRESULT hr;
    double serial;
  } cases[] = {
      {u"  2023-03-15  ", S_OK, 45000},    {u"2023-3-5", S_OK, 44990},
      {u"2023-03-15 14:30", S_OK, 45000 + 14.5 / 24},
      {u"15:45:30", S_OK, (15 * 3600 + 45 * 60 + 30) / 86400.0},
      {u"2023-02-29", kMismatch, 0},       {u"2023-13-01", kMismatch, 0},  {u"2023-00-10", kMismatch, 0},
      {u"2023-03-15 24:00:00", kMismatch, 0}, {u"2023-03-15 12:60", kMismatch, 0},
      {u"2023-03-15T12:00", kMismatch, 0}, {u"2023/03/15", S_OK, 45000},  {u"0099-12-31", kMismatch, 0},
      {u"45000", kMismatch, 0},            {u"", kMismatch, 0},
  };
  ScopedFormatSettings iso(Dates(u"yyyy/mm/dd", u'-', u':'));
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.text));
    DATE out = -99;
    ASSERT_EQ(VarDateFromStr(c.text, &out), c.hr);
    EXPECT_DOUBLE_EQ(out, SUCCEEDED(c.hr) ? c.serial : -99);
  }
  EXPECT_EQ(VarBstrFromDate(1.9999999999), u"1900-01-01");  // a time rounding up to midnight is the next day
  ScopedFormatSettings us(Dates(u"m/d/yy", u'/', u':'));
  DATE out = 0;
  ASSERT_EQ(VarDateFromStr(u"1/1/29", &out), S_OK);  // two-digit years: 1930..2029
  EXPECT_EQ(out, 47119);
  ASSERT_EQ(VarDateFromStr(u"1/1/30", &out), S_OK);
  EXPECT_EQ(out, 10959);
  EXPECT_EQ(VarBstrFromDate(3e6), u"");
  Variant text;
  EXPECT_EQ(Variant::Date(3e6).TryAs(VT_BSTR, text), kOverflow);
}

TEST(VariantOwnership, ByReferenceSourcesAreFollowedOneLevel) {
  ScopedFormatSettings comma(Numbers(u',', u'.'));
  LONG x = 42;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_I4 | VT_BYREF;
  ref.plVal = &x;
  Variant out;
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Text(out), "42");

  VARIANT inPlace = ref;
  ASSERT_EQ(VariantChangeType(&inPlace, &inPlace, 0, VT_R8), S_OK);
  EXPECT_EQ(inPlace.vt, VT_R8);
  EXPECT_EQ(inPlace.dblVal, 42);
  EXPECT_EQ(x, 42);

  ASSERT_EQ(VariantCopy(&out, &ref), S_OK);  // shallow: still the reference
  EXPECT_EQ(out.vt, VT_I4 | VT_BYREF);
  EXPECT_EQ(out.plVal, &x);
  ASSERT_EQ(VariantCopyInd(&out, &ref), S_OK);
  EXPECT_EQ(out.vt, VT_I4);
  EXPECT_EQ(out.lVal, 42);

  Bstr owned(u"7,5");
  BSTR p = owned.Get();
  VARIANT strRef = ref;
  strRef.vt = VT_BSTR | VT_BYREF;
  strRef.pbstrVal = &p;
  ASSERT_EQ(VariantCopyInd(&out, &strRef), S_OK);
  EXPECT_NE(out.bstrVal, p);  // a copy; the referenced string stays with its owner
  EXPECT_EQ(Text(out), "7,5");

  Variant inner = S(u"12,5");
  VARIANT varRef = ref;
  varRef.vt = VT_VARIANT | VT_BYREF;
  varRef.pvarVal = &inner;
  ASSERT_EQ(VariantChangeType(&out, &varRef, 0, VT_CY), S_OK);
  EXPECT_EQ(out.cyVal.int64, 125000);

  ref.plVal = nullptr;
  EXPECT_EQ(VariantChangeType(&out, &ref, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

TEST(VariantOwnership, InPlaceConversionFailureAndBadTypes) {
  Variant v = S(u"  42 ");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);  // the old string is freed (sanitizer build)
  EXPECT_EQ(v.lVal, 42);
  Variant bad = S(u"abc");
  EXPECT_EQ(VariantChangeType(&bad, &bad, 0, VT_I4), kMismatch);
  EXPECT_EQ(Text(bad), "abc");

  EXPECT_EQ(VariantChangeType(&v, &bad, 0, 14 /* VT_DECIMAL */), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantChangeType(&v, &bad, 0, VT_I4 | VT_BYREF), DISP_E_BADVARTYPE);
  VARIANT array;
  VariantInit(&array);
  array.vt = 0x2000 | VT_I4;  // arrays are not supported
  EXPECT_EQ(VariantClear(&array), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantChangeType(&v, &array, 0, VT_I4), DISP_E_BADVARTYPE);
  EXPECT_EQ(v.lVal, 42);
}

TEST(VariantOwnership, CopyDuplicatesStringsExactly) {
  Variant withNul = S(std::u16string_view(u"a\0b", 3));
  Variant copy(withNul);
  EXPECT_NE(copy.bstrVal, withNul.bstrVal);
  EXPECT_EQ(BstrView(copy.bstrVal), std::u16string_view(u"a\0b", 3));
  Variant odd = Variant::AttachBstr(SysAllocStringByteLen("abc", 3));
  EXPECT_EQ(SysStringByteLen(Variant(odd).bstrVal), 3u);
  EXPECT_EQ(BstrView(Variant::Ansi("\x8A\xE8").bstrVal), u"\u0160\u010D");  // Windows-1250
}

// A reference-counted object; `dispatch` says whether it answers IDispatch.
struct FakeObject : IDispatch {
  explicit FakeObject(bool dispatch) : dispatch(dispatch) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    *ppv = riid == IUnknown::Iid || (riid == IDispatch::Iid && dispatch) ? this : nullptr;
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
  bool dispatch;
  ULONG refs = 1;
};

TEST(VariantObjects, ReferencesAreCountedAndOnlyInterfacesConvert) {
  FakeObject obj(true), plain(false);
  {
    Variant d = Variant::Dispatch(&obj);
    Variant copy = d;
    EXPECT_EQ(obj.refs, 3u);
    Variant unk = d.As(VT_UNKNOWN);
    EXPECT_EQ(unk.punkVal, static_cast<IUnknown*>(&obj));
    EXPECT_EQ(unk.As(VT_DISPATCH).pdispVal, &obj);
    for (VARTYPE t : {VT_I4, VT_BSTR, VT_BOOL, VT_R8}) {
      Variant out;
      EXPECT_EQ(VariantChangeType(&out, &d, 0, t), kMismatch) << t;
    }
    copy.Clear();
    EXPECT_EQ(obj.refs, 3u);
    Variant u = Variant::Unknown(&plain), out;
    EXPECT_EQ(VariantChangeType(&out, &u, 0, VT_DISPATCH), kMismatch);
    EXPECT_EQ(Variant::Dispatch(nullptr).As(VT_UNKNOWN).punkVal, nullptr);
  }
  EXPECT_EQ(obj.refs, 1u);
  EXPECT_EQ(plain.refs, 1u);
}

TEST(VariantObjects, AsThrowsTheCoercionCode) {
  const std::pair<Variant, HRESULT> cases[] = {
      {S(u"x"), kMismatch}, {S(u"99999"), kOverflow}, {Variant::Null(), kMismatch}};
  for (const auto& [src, hr] : cases) {
    try {
      src.As(VT_I2);
      ADD_FAILURE() << "no exception";
    } catch (const ComError& e) {
      EXPECT_EQ(e.Code(), hr);
    }
  }
}

TEST(FormatSettingsTest, ReadersNeverSeeHalfWrittenSettings) {
  const FormatSettings b = Numbers(u'.', u',');
  ScopedFormatSettings base(b);
  FormatSettings a = Numbers(u',', u'.');
  a.ShortDateFormat = u"dd/mm/yyyy with a long tail";
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) SetFormatSettings(i % 2 ? a : b);
    stop = true;
  });
  int torn = 0;
  while (!stop) {
    FormatSettings s = GetFormatSettings();
    const FormatSettings& expected = s.DecimalSeparator == u',' ? a : b;
    torn += s.ThousandSeparator != expected.ThousandSeparator || s.ShortDateFormat != expected.ShortDateFormat;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
