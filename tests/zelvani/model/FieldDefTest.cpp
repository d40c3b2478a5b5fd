// Field definitions: wire text of every data type and conversion in both decimal
// separators, the buffer rules of pasting and extracting, the currency default
// value, deep copies, lookups and the editor hook.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/com/ansi.h"
#include "platform/com/locale.h"
#include "zelvani/model/EditorHook.h"
#include "zelvani/model/QAVZLVFieldDef.h"

namespace zelvani {
namespace {

constexpr LONG S = qzlvdaString, C = qzlvdaChar, B = qzlvdaBool, CU = qzlvdaCurrency, I = qzlvdaInteger,
               D = qzlvdaDate, T = qzlvdaTime;
constexpr LONG SD = qzlvdcShortDate, H = qzlvdcHundredths, TH = qzlvdcThousands, SG = qzlvdcSigned,
               ZP = qzlvdcZeroPadded, LJ = qzlvdcLeftJustify, RJ = qzlvdcRightJustify, HX = qzlvdcHex,
               ST = qzlvdcStringTerminated, FIT = qzlvdcFitFieldToData;

Variant Str(const char* utf8) { return Variant::Str(Utf8ToWide(utf8)); }
Variant Money(std::int64_t tenThousandths) { return Variant::Cy(CY{tenThousandths}); }
DATE MakeDate(int y, int m, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SYSTEMTIME st{static_cast<WORD>(y), static_cast<WORD>(m), 0, static_cast<WORD>(d),
                static_cast<WORD>(h), static_cast<WORD>(mi), static_cast<WORD>(s), static_cast<WORD>(ms)};
  DATE out = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&st, &out));
  return out;
}
Variant When(int y, int m, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return Variant::Date(MakeDate(y, m, d, h, mi, s, ms));
}

ComPtr<TQAVZLVFieldDef> Field(LONG type, LONG conversions, LONG size, const char* separator = "", LONG offset = 1) {
  auto f = com::MakeObject<TQAVZLVFieldDef>();
  f->SetDataType(type);
  f->SetConversions(conversions);
  f->SetSize(size);
  f->SetSeparator(separator);
  f->SetOffset(offset);
  return f;
}

// Two values are the same when their types and contents match.
testing::AssertionResult SameValue(const VARIANT& a, const VARIANT& b) {
  bool same = a.vt == b.vt;
  if (same) switch (a.vt) {
      case VT_BSTR: same = BstrView(a.bstrVal) == BstrView(b.bstrVal); break;
      case VT_I4: same = a.lVal == b.lVal; break;
      case VT_CY: same = a.cyVal == b.cyVal; break;
      case VT_BOOL: same = a.boolVal == b.boolVal; break;
      case VT_DATE: same = a.date == b.date; break;
      default: break;
    }
  if (same) return testing::AssertionSuccess();
  Variant ta, tb;
  VariantChangeType(&ta, &a, 0, VT_BSTR);
  VariantChangeType(&tb, &b, 0, VT_BSTR);
  return testing::AssertionFailure() << "vt " << a.vt << " '" << WideToUtf8(BstrView(ta.bstrVal)) << "' vs vt "
                                     << b.vt << " '" << WideToUtf8(BstrView(tb.bstrVal)) << "'";
}

// Every conversion test runs with "." and with "," as the decimal separator.
FormatSettings Locale(char16_t decimal) {
  FormatSettings fs;
  fs.DecimalSeparator = decimal;
  fs.ThousandSeparator = decimal == u'.' ? u',' : u' ';
  return fs;
}

class FieldConversionTest : public testing::TestWithParam<char16_t> {
 protected:
  ScopedFormatSettings locale_{Locale(GetParam())};
  bool Comma() const { return GetParam() == u','; }
};

INSTANTIATE_TEST_SUITE_P(DecimalSeparators, FieldConversionTest, testing::Values(u'.', u','),
                         [](const auto& info) { return info.param == u'.' ? "Dot" : "Comma"; });

// The text pasted with "." and with "," as the decimal separator; null when
// the paste fails.
struct PasteRow {
  LONG type, conversions, size;
  const char* separator;
  Variant value;
  const char* dot;
  const char* comma;
};
constexpr const char* kFails = nullptr;

TEST_P(FieldConversionTest, PasteGivesTheWireTextOfEveryTypeAndConversion) {
  auto same = [](LONG type, LONG conv, LONG size, const char* sep, Variant v, const char* text) {
    return PasteRow{type, conv, size, sep, std::move(v), text, text};
  };
  const std::vector<PasteRow> rows = {
      // Strings and characters: cut or padded to Size.
      same(S, 0, 5, "", Str("ABCDEFG"), "ABCDE"), same(S, 0, 5, "", Str("AB"), "AB   "),
      same(S, 0, 3, "", Variant::Null(), "   "), same(S, 0, 3, "", Str("ż"), "\xBF  "),
      same(S, LJ, 4, "", Str("AB"), "AB  "), same(S, RJ, 5, "", Str(" AB "), "   AB"),
      same(S, ST, 6, ";", Str("ABC"), "ABC;  "), same(S, ST, 6, ";", Str("ABCDEF"), "ABCDEF"),
      same(S, FIT, 5, "|", Str("AB"), "AB   |"), same(S, FIT, 3, "|", Str("ABCDE"), "ABC|"),
      same(C, 0, 3, "", Str("XYZ"), "X  "), same(C, 0, 1, "", Variant::I4(72), "7"),
      same(C, 0, 1, "", Variant(), " "),
      // Booleans: "1" for anything that coerces to True.
      same(B, 0, 1, "", Variant::Bool(true), "1"), same(B, 0, 1, "", Variant::Bool(false), "0"),
      same(B, 0, 1, "", Variant::I4(5), "1"), same(B, 0, 1, "", Str("True"), "1"),
      same(B, 0, 1, "", Str("-1"), "1"), same(B, 0, 1, "", Str("false"), "0"),
      same(B, 0, 1, "", Str("yes"), "0"), same(B, 0, 2, "", Variant::Null(), "0 "),
      // Currency: "." on the wire in every locale; hundredths and thousands
      // round the exact decimal value, halves to even.
      same(CU, 0, 6, "", Money(125000), "12.5  "), same(CU, 0, 6, "", Variant::R8(0.25), "0.25  "),
      same(CU, H, 6, "", Money(125000), "1250  "), same(CU, H, 4, "", Money(1250), "12  "),
      same(CU, H, 4, "", Money(10150), "102 "), same(CU, H, 6, "", Variant::R8(1.015), "102   "),
      same(CU, H, 6, "", Str("1.015"), "102   "), same(CU, H, 6, "", Money(-26750), "-268  "),
      same(CU, H, 6, "", Money(50), "0     "), same(CU, H, 6, "", Money(150), "2     "),
      same(CU, H, 6, "", Variant::I4(3), "300   "), same(CU, H, 6, "", Str("abc"), "0     "),
      same(CU, H, 6, "", Variant::Null(), "0     "),
      same(CU, H, 12, "", Str("1e30"), "1e30        "),  // beyond 64 bits: left as it was
      same(CU, TH, 8, "", Money(10005), "1000    "), same(CU, TH, 8, "", Money(10015), "1002    "),
      same(CU, H | TH, 8, "", Money(15000), "150000  "), same(CU, H | ZP, 6, "", Money(125000), "001250"),
      same(CU, H | RJ, 6, "", Money(125000), "  1250"), same(CU, ZP, 6, "", Money(125000), "0012.5"),
      same(CU, SG | H, 6, "", Money(-125000), "-1250 "),
      // Integers.
      same(I, ZP, 4, "", Variant::I4(42), "0042"), same(I, RJ, 4, "", Variant::I4(42), "  42"),
      same(I, ZP, 4, "", Variant::I4(-5), "00-5"), same(I, 0, 4, "", Variant::I4(123456), "1234"),
      same(I, ZP, 6, "", Str("1e3"), "0001e3"), same(I, ZP, 4, "", Str("abc"), kFails),
      same(I, ZP, 4, "", Variant::Null(), kFails), same(I, HX, 4, "", Variant::I4(255), "00FF"),
      same(I, HX, 4, "", Str(" 255 "), "00FF"), same(I, HX, 8, "", Variant::I4(-1), "FFFFFFFF"),
      same(I, HX, 4, "", Variant::I4(-1), "FFFF"), same(I, HX, 2, "", Variant::I4(4096), "10"),
      same(I, HX, 4, "", Str("12x"), kFails), same(I, HX, 4, "", Money(25000), kFails),
      same(I, HX, 4, "", Str("4294967296"), kFails), same(I, HX | ST, 6, ";", Variant::I4(255), kFails),
      // Dates and times.
      same(D, 0, 8, "", When(2024, 3, 7), "20240307"), same(D, SD, 6, "", When(2024, 3, 7), "240307"),
      same(D, SD | ZP, 6, "", When(2024, 3, 7), "240307"), same(D, 0, 8, "", Str("2024-03-07"), "20240307"),
      same(D, 0, 8, "", When(1999, 12, 31, 23, 59), "19991231"), same(D, 0, 8, "", Variant::Null(), kFails),
      same(D, 0, 8, "", Str("xyz"), kFails), same(T, 0, 4, "", When(2024, 3, 7, 13, 59, 59, 600), "1359"),
      same(T, 0, 4, "", When(1899, 12, 30, 0, 5), "0005"), same(T, 0, 4, "", Str("xyz"), kFails),
      // No data type.
      same(0, 0, 4, "", Str("AB"), kFails), same(8, 0, 4, "", Str("AB"), kFails),
      // Numbers in text follow the locale's decimal separator.
      {S, 0, 6, "", Money(15000), "1.5   ", "1,5   "}, {S, ZP, 6, "", Money(15000), "0001.5", "0001,5"},
      {I, 0, 6, "", Variant::R8(2.5), "2.5   ", "2,5   "}, {CU, 0, 6, "", Str("12,5"), "12,5  ", "12.5  "},
      {CU, H, 6, "", Str("1,015"), "0     ", "102   "}, {CU, ZP, 6, "", Str("12,5"), kFails, "0012.5"},
      {CU, ZP, 6, "", Str("12.5"), "0012.5", kFails}, {S, ZP, 6, "", Str("12.5"), "0012.5", kFails},
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const PasteRow& r = rows[k];
    const char* expected = Comma() ? r.comma : r.dot;
    std::string buffer(32, '#');
    EXPECT_EQ(Field(r.type, r.conversions, r.size, r.separator)->Paste(buffer, r.value), expected != nullptr)
        << "row " << k;
    const std::string text = expected ? expected : "";
    EXPECT_EQ(buffer, text + std::string(32 - text.size(), '#')) << "row " << k;
  }
}

// The value read with "." and with "," as the decimal separator: Empty when
// nothing is read, Null when the text is no value of the field's type.
struct ExtractRow {
  LONG type, conversions, size;
  const char* wire;
  Variant dot, comma;
};

TEST_P(FieldConversionTest, ExtractReadsEveryTypeAndConversion) {
  auto same = [](LONG type, LONG conv, LONG size, const char* wire, Variant v) {
    return ExtractRow{type, conv, size, wire, v, v};
  };
  const std::vector<ExtractRow> rows = {
      same(S, 0, 5, "AB\xFF" "C ", Str("ABC ")), same(S, 0, 3, "\xBF\xB9" "a", Str("żąa")),
      same(0, 0, 3, "A\xFF" "B", Str("AB")), same(C, 0, 3, "XYZ", Str("X")), same(C, 0, 0, "", Str("")),
      same(B, 0, 1, "1", Variant::Bool(true)), same(B, 0, 1, "x", Variant::Bool(false)),
      same(B, 0, 0, "", Variant::Bool(false)),
      same(CU, H, 6, "1250  ", Money(125000)), same(CU, SG | H, 6, "-  125", Money(-12500)),
      same(CU, H, 6, "- 125 ", Variant::I4(-1)),  // a sign apart from its digits is no number
      same(CU, 0, 6, "      ", Variant::I4(-1)),  // a blank field
      same(CU, 0, 6, "12.50 ", Money(125000)), same(CU, 0, 6, "1.5e2 ", Money(1500000)),
      same(CU, TH, 6, "1234  ", Money(12340)), same(CU, H | TH, 8, "12345678", Money(1234568)),
      same(CU, H, 6, "0.005 ", Money(0)), same(CU, 0, 22, "99999999999999999999  ", Variant::Null()),
      same(I, 0, 4, "  42", Variant::I4(42)), same(I, 0, 4, "-5  ", Variant::I4(-5)),
      same(I, 0, 4, "4 2 ", Variant()), same(I, 0, 12, "99999999999 ", Variant()),
      same(I, HX, 4, "00ff", Variant::I4(255)), same(I, HX, 2, "FF", Variant::I4(255)),
      same(I, HX, 8, "FFFFFFFF", Variant::I4(-1)), same(I, HX, 4, "0G1F", Variant::Null()),
      same(D, 0, 8, "20240307", When(2024, 3, 7)), same(D, SD, 6, "490101", When(2049, 1, 1)),
      same(D, SD, 6, "500101", When(1950, 1, 1)), same(D, 0, 8, "20241301", Variant::Null()),
      same(D, 0, 8, "20240230", Variant::Null()), same(D, 0, 8, "2024ab07", Variant::Null()),
      same(T, 0, 4, "1359", When(1899, 12, 30, 13, 59)), same(T, 0, 4, "2400", Variant::Null()),
      same(T, 0, 4, "12x0", Variant::Null()),
      // An amount has "." or the locale's decimal separator as its point and
      // no grouping: a "," is the point where the locale says so and makes no
      // number elsewhere, and neither does a blank inside the digits.
      {CU, 0, 6, "12,50 ", Variant::I4(-1), Money(125000)},
      {CU, 0, 6, "12,5  ", Variant::I4(-1), Money(125000)},
      {CU, 0, 6, "1,250 ", Variant::I4(-1), Money(12500)},
      {CU, 0, 6, "1 250 ", Variant::I4(-1), Variant::I4(-1)},
      {CU, 0, 8, "1.250,5 ", Variant::I4(-1), Variant::I4(-1)},
      {CU, 0, 8, "$12.50  ", Variant::I4(-1), Variant::I4(-1)},
      same(CU, 0, 6, " +2.5 ", Money(25000)), same(CU, SG, 6, "+ 2.5 ", Money(25000)),
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const ExtractRow& r = rows[k];
    const Variant& expected = Comma() ? r.comma : r.dot;
    Variant v = Variant::I4(99);
    const bool read = Field(r.type, r.conversions, r.size, "", 2)->Extract(std::string("<") + r.wire + ">", v);
    EXPECT_TRUE(SameValue(v, expected)) << "row " << k;
    EXPECT_EQ(read, !expected.IsEmpty() && !expected.IsNull()) << "row " << k;
  }
}

TEST_P(FieldConversionTest, PastedValuesReadBack) {
  struct Row {
    LONG type, conversions, size;
    Variant value;
  };
  const std::vector<Row> rows = {
      {CU, H, 6, Money(125000)},   {CU, SG | H, 8, Money(-125000)}, {CU, 0, 8, Money(-1234)},
      {I, ZP, 6, Variant::I4(42)}, {I, HX, 4, Variant::I4(255)},    {B, 0, 1, Variant::Bool(true)},
      {D, SD, 6, When(2031, 5, 9)}, {D, 0, 8, When(1987, 11, 30)},  {T, 0, 4, When(1899, 12, 30, 7, 45)},
      {S, 0, 3, Str("ąbc")},       {C, 0, 1, Str("Z")},
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    auto f = Field(rows[k].type, rows[k].conversions, rows[k].size, "", 3);
    std::string buffer(rows[k].size + 4, '#');
    ASSERT_TRUE(f->Paste(buffer, rows[k].value)) << "row " << k;
    Variant back;
    EXPECT_TRUE(f->Extract(buffer, back)) << "row " << k;
    EXPECT_TRUE(SameValue(back, rows[k].value)) << "row " << k;
  }
}

// The default of an amount field is read as an amount is read from a packet:
// "." or the locale's decimal separator, no grouping.
TEST_P(FieldConversionTest, CurrencyDefaultValueReadsDotsInAnyLocale) {
  struct Row {
    Variant value;
    std::optional<std::int64_t> dot, comma;  // nullopt: the put fails
  };
  auto same = [](Variant v, std::optional<std::int64_t> stored) { return Row{std::move(v), stored, stored}; };
  const std::vector<Row> rows = {
      same(Str("12.50"), 125000), same(Str(" 3 "), 30000),  same(Money(32500), 32500), same(Variant::I4(7), 70000),
      same(Variant::R8(0.5), 5000), same(Str("abc"), std::nullopt), same(Variant::Null(), std::nullopt),
      same(Str("-1.5"), -15000),
      // A Polish author's "12,50" is 12.50 only where "," is the decimal separator.
      {Str("12,50"), std::nullopt, 125000}, {Str("1,250"), std::nullopt, 12500},
      same(Str("1 250"), std::nullopt), same(Str("1,250.5"), std::nullopt),
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    auto f = Field(CU, 0, 6);
    HRESULT hr = f->put_DefaultValue(rows[k].value);
    const std::optional<std::int64_t> stored = Comma() ? rows[k].comma : rows[k].dot;
    if (!stored) {
      EXPECT_TRUE(FAILED(hr)) << "row " << k;
      EXPECT_NE(TakeErrorDescription().find(u"is not a valid floating point value"), std::u16string::npos);
      EXPECT_TRUE(f->DefaultValue().IsEmpty()) << "row " << k;
      continue;
    }
    ASSERT_EQ(hr, S_OK) << "row " << k;
    EXPECT_TRUE(SameValue(f->DefaultValue(), Money(*stored))) << "row " << k;
  }
  // Other types keep the value as it is given, and so does a later change of type.
  auto f = Field(S, 0, 6);
  ASSERT_EQ(f->put_DefaultValue(Str("12.50")), S_OK);
  f->SetDataType(CU);
  EXPECT_TRUE(SameValue(f->DefaultValue(), Str("12.50")));
}

// ---------------------------------------------------------------------------
// The buffer: never destroyed, never grown.

TEST(FieldDefPasteTest, WritesOnlyInsideTheBuffer) {
  struct Row {
    LONG conversions, size, fieldOffset, position;
    const char* buffer;
    bool ok;
    const char* after;
  };
  const std::vector<Row> rows = {
      {0, 2, 3, -1, "ABCDEF", true, "ABxyEF"},    // the field's own Offset
      {0, 2, 3, 1, "ABCDEF", true, "xyCDEF"},     // an explicit position
      {0, 4, 5, -1, "ABCDEF", true, "ABCDxy"},    // the overrun is dropped
      {FIT, 2, 5, -1, "ABCDEF", true, "ABCDxy"},  // the last field's separator has no room
      {FIT, 2, 5, -1, "ABCDEFG", true, "ABCDxy|"},
      {0, 2, 7, -1, "ABCDEF", false, "ABCDEF"},  // past the end
      {0, 2, 3, 0, "ABCDEF", false, "ABCDEF"},
      {0, 2, 0, -1, "ABCDEF", false, "ABCDEF"},  // a field the loader has not placed
      {0, 2, 1, -1, "", false, ""},
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    auto f = Field(S, rows[k].conversions, rows[k].size, "|", rows[k].fieldOffset);
    std::string buffer = rows[k].buffer;
    EXPECT_EQ(f->Paste(buffer, Str("xy"), rows[k].position), rows[k].ok) << "row " << k;
    EXPECT_EQ(buffer, rows[k].after) << "row " << k;
  }
}

TEST(FieldDefPasteTest, FitSeparatorSurvivesOnlyOnTheLastField) {
  auto first = Field(S, FIT, 3, "|", 1);
  auto second = Field(S, FIT, 3, "|", 4);
  std::string buffer(7, ' ');
  ASSERT_TRUE(first->Paste(buffer, Str("AB")));
  ASSERT_TRUE(second->Paste(buffer, Str("CD")));
  EXPECT_EQ(buffer, "AB CD |");
  std::string tight(6, ' ');
  first->Paste(tight, Str("AB"));
  second->Paste(tight, Str("CD"));
  EXPECT_EQ(tight, "AB CD ");
}

TEST(FieldDefExtractTest, FieldOutsideTheBufferReadsNothing) {
  struct Row {
    LONG offset, size;
    bool read;
  };
  const std::vector<Row> rows = {{3, 4, true}, {4, 4, false}, {7, 0, true}, {8, 0, false}, {0, 2, false},
                                 {1, -1, false}};
  for (std::size_t k = 0; k < rows.size(); ++k) {
    auto f = Field(S, 0, rows[k].size, "", rows[k].offset);
    Variant v = Variant::I4(5);
    EXPECT_EQ(f->Extract("ABCDEF", v), rows[k].read) << "row " << k;
    EXPECT_EQ(v.vt, rows[k].read ? VT_BSTR : VT_EMPTY) << "row " << k;
  }
}

// ---------------------------------------------------------------------------
// The automation members.

TEST(FieldDefInterfaceTest, PasteValueKeepsTheRestOfTheBufferAsGiven) {
  auto f = Field(S, 0, 3, "", 2);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(f->PasteValue(nullptr, Str("ab"), -1, &ok), E_POINTER);
  BSTR b = SysAllocString(u"\u4E2D.....\u4E2D");  // characters outside the 8-bit code page
  ASSERT_EQ(f->PasteValue(&b, Str("ab"), -1, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(std::u16string(BstrView(b)), u"\u4E2Dab ..\u4E2D");
  BSTR before = b;
  ASSERT_EQ(f->PasteValue(&b, Str("ab"), 9, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(b, before);  // a failed paste leaves the caller's string alone
  SysFreeString(b);

  Variant v = Variant::I4(1);
  ASSERT_EQ(f->ExtractValue(Bstr(u"xyz").Get(), &v, &ok), S_OK);  // too short for the field
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_TRUE(v.IsEmpty());
  ASSERT_EQ(f->ExtractValue(Bstr(u"xyz ").Get(), &v, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_TRUE(SameValue(v, Str("yz ")));
}

// PasteValue answers whether the value went into its field whole: False when
// its text, conversions applied, is longer than the field (it is still pasted
// cut) or when it has no text for the field (nothing is pasted). A sender of
// numbers asks this before it sends, since a cut number is another number.
TEST_P(FieldConversionTest, PasteValueAnswersWhetherTheValueFitsItsField) {
  struct Row {
    LONG type, conversions, size;
    const char* separator;
    Variant value;
    bool fits;
  } rows[] = {
      // Integers, zero-padded: a sign takes a place of its own.
      {I, ZP, 2, "", Variant::I4(12), true}, {I, ZP, 2, "", Variant::I4(123), false},
      {I, ZP, 2, "", Variant::I4(-1), true}, {I, ZP, 1, "", Variant::I4(-1), false},
      {I, ZP, 3, "", Variant::I4(1000), false}, {I, ZP, 6, "", Str("1234567"), false},
      {I, ZP, 4, "", Str("12x"), false},  // no number: nothing pasted
      {I, RJ, 4, "", Variant::I4(1234), true}, {I, 0, 4, "", Variant::I4(12345), false},
      // Hexadecimal: the digits are the text.
      {I, HX, 2, "", Variant::I4(255), true}, {I, HX, 2, "", Variant::I4(256), false},
      {I, HX, 2, "", Variant::I4(-1), false},
      // Amounts in hundredths: a cut by less than one unit is a cut too.
      {CU, H, 2, "", Money(9900), true}, {CU, H, 2, "", Money(10500), false},
      {CU, H, 2, "", Money(-900), true}, {CU, H, 2, "", Money(-5000), false},
      {CU, H | ZP, 8, "", Money(123456789000LL), false}, {CU, H | ZP, 10, "", Money(123456789000LL), true},
      {CU, H, 6, "", Money(1250), true},  // rounding to hundredths is no cut
      // Texts: the same answer; a terminator that the cut takes is the field's form.
      {S, 0, 5, "", Str("ABCDE"), true}, {S, 0, 5, "", Str("ABCDEF"), false},
      {S, RJ, 5, "", Str("10000"), true}, {S, RJ, 4, "", Str("10000"), false},
      {S, ST, 6, ";", Str("ABCDEF"), true}, {S, ST, 6, ";", Str("ABCDEFG"), false},
      {S, FIT, 3, "|", Str("ABC"), true}, {S, FIT, 3, "|", Str("ABCD"), false},
      {D, 0, 8, "", When(2024, 3, 7), true}, {D, 0, 6, "", When(2024, 3, 7), false},
      {0, 0, 4, "", Str("AB"), false},
  };
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    const Row& r = rows[k];
    BSTR buffer = SysAllocString(u"################");
    VARIANT_BOOL fits = VARIANT_TRUE;
    ASSERT_EQ(Field(r.type, r.conversions, r.size, r.separator)->PasteValue(&buffer, r.value, 1, &fits), S_OK);
    EXPECT_EQ(fits, r.fits ? VARIANT_TRUE : VARIANT_FALSE) << "row " << k << ": " << WideToUtf8(BstrView(buffer));
    SysFreeString(buffer);
  }
}

TEST(FieldDefInterfaceTest, PasteValueThroughDispatch) {
  ComPtr<IQAVZLVFieldDef> f = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  f->put_DataType(CU);
  f->put_Conversions(H | ZP);
  f->put_Size(6);
  f->put_Offset(2);
  BSTR buffer = SysAllocString(u"[......]");
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_BSTR;
  ref.pbstrVal = &buffer;
  Variant text = Str("12.5");
  VARIANT args[] = {text, ref};  // reversed: Value, then Buffer; Offset left out
  DISPPARAMS params{args, nullptr, 2, 0};
  Variant result;
  ASSERT_EQ(f->Invoke(14, GUID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_TRUE);
  EXPECT_EQ(std::u16string(BstrView(buffer)), u"[001250]");
  SysFreeString(buffer);
}

TEST(FieldDefInterfaceTest, CopyFromTakesEveryFieldAndSharesNothing) {
  ComPtr<IQAVZLVFieldDef> source = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  source->put_ID(Bstr(u"P1").Get());
  source->put_Name(Bstr(u"Cena").Get());
  source->put_Index(4);
  source->put_Size(8);
  source->put_Constraints(3);
  source->put_MinValue(Str("1"));
  source->put_MaxValue(Variant::I4(9));
  source->put_DefaultValue(Str("1.5"));
  source->put_DataType(CU);  // after the default: the text stays text, and the copy keeps it so
  source->put_Separator(Bstr(u";").Get());
  source->put_Required(VARIANT_TRUE);
  source->put_Conversions(H | ZP);
  source->put_Offset(11);

  auto copy = com::MakeObject<TQAVZLVFieldDef>();
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(copy->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(copy->DataType(), 0);
  ASSERT_EQ(copy->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(copy->ID(), "P1");
  EXPECT_EQ(copy->Name(), "Cena");
  EXPECT_EQ(copy->Index(), 4);
  EXPECT_EQ(copy->Size(), 8);
  EXPECT_EQ(copy->DataType(), CU);
  EXPECT_EQ(copy->Constraints(), 3);
  EXPECT_TRUE(SameValue(copy->MinValue(), Str("1")));
  EXPECT_TRUE(SameValue(copy->MaxValue(), Variant::I4(9)));
  EXPECT_TRUE(SameValue(copy->DefaultValue(), Str("1.5")));
  EXPECT_EQ(copy->Separator(), ";");
  EXPECT_TRUE(copy->Required());
  EXPECT_EQ(copy->Conversions(), H | ZP);
  EXPECT_EQ(copy->Offset(), 11);

  source->put_MinValue(Str("2"));
  source->put_Name(Bstr(u"Other").Get());
  EXPECT_TRUE(SameValue(copy->MinValue(), Str("1")));
  EXPECT_EQ(copy->Name(), "Cena");
}

// ---------------------------------------------------------------------------
// The collection.

ComPtr<IQAVZLVFieldDef> NamedField(const char16_t* id, const char16_t* name) {
  ComPtr<IQAVZLVFieldDef> f = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  f->put_ID(Bstr(id).Get());
  f->put_Name(Bstr(name).Get());
  return f;
}

LONG IndexOf(IQAVZLVFieldDefs* defs, LONG i) {
  ComPtr<IQAVZLVFieldDef> f;
  EXPECT_EQ(defs->get_Items(i, f.Out()), S_OK);
  LONG index = -1;
  if (f) f->get_Index(&index);
  return index;
}

TEST(FieldDefsTest, AddNumbersItemsAndBadIndexesFail) {
  ComPtr<IQAVZLVFieldDefs> defs = Create<IQAVZLVFieldDefs>(CLSID_QAVZLVFieldDefs);
  for (LONG expected : {0, 1, 2}) {
    LONG pos = -1;
    ASSERT_EQ(defs->Add(NamedField(u"A", u"A").Get(), &pos), S_OK);
    EXPECT_EQ(pos, expected);
    EXPECT_EQ(IndexOf(defs.Get(), expected), expected);
  }
  ComPtr<IQAVZLVFieldDef> none;
  for (LONG bad : {-1, 3, 1 << 30}) {
    EXPECT_EQ(defs->get_Items(bad, none.Out()), DISP_E_BADINDEX);
    EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "List index out of bounds (" + std::to_string(bad) + ")");
  }
  ComPtr<IDispatch> any;
  EXPECT_EQ(defs->get__Items(3, any.Out()), DISP_E_BADINDEX);
  ASSERT_EQ(defs->Clear(), S_OK);
  LONG count = -1, pos = -1;
  defs->get_Count(&count);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(defs->Add(NamedField(u"B", u"B").Get(), &pos), S_OK);
  EXPECT_EQ(pos, 0);
}

TEST(FieldDefsTest, FindByNameAndIDMatchExactly) {
  ComPtr<IQAVZLVFieldDefs> defs = Create<IQAVZLVFieldDefs>(CLSID_QAVZLVFieldDefs);
  auto price = NamedField(u"P", u"PRICE");
  auto name = NamedField(u"N", u"Nazwa\u0105");
  auto twin = NamedField(u"P", u"PRICE");
  LONG pos;
  defs->Add(price.Get(), &pos);
  defs->Add(name.Get(), &pos);
  defs->Add(twin.Get(), &pos);
  struct Row {
    bool byName;
    const char16_t* text;
    IQAVZLVFieldDef* found;
  };
  const std::vector<Row> rows = {
      {true, u"PRICE", price.Get()},  {true, u"price", nullptr}, {true, u"Nazwa\u0105", name.Get()},
      {true, u"Nazwa\u4E2D", nullptr}, {true, u"", nullptr},      {false, u"P", price.Get()},
      {false, u"p", nullptr},           {false, u"N", name.Get()},
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    ComPtr<IQAVZLVFieldDef> found;
    Bstr text(rows[k].text);
    ASSERT_EQ(rows[k].byName ? defs->FindByName(text.Get(), found.Out()) : defs->FindByID(text.Get(), found.Out()),
              S_OK);
    EXPECT_EQ(found.Get(), rows[k].found) << "row " << k;
  }
}

TEST(FieldDefsTest, CopyFromIsDeepAndKeepsTheSourceIndexes) {
  ComPtr<IQAVZLVFieldDefs> source = Create<IQAVZLVFieldDefs>(CLSID_QAVZLVFieldDefs);
  LONG pos;
  for (const char16_t* n : {u"A", u"B", u"C"}) source->Add(NamedField(n, n).Get(), &pos);
  ComPtr<IQAVZLVFieldDef> last;
  source->get_Items(2, last.Out());
  last->put_Index(7);

  ComPtr<IQAVZLVFieldDefs> copy = Create<IQAVZLVFieldDefs>(CLSID_QAVZLVFieldDefs);
  copy->Add(NamedField(u"X", u"X").Get(), &pos);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(copy->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  LONG count = 0;
  copy->get_Count(&count);
  EXPECT_EQ(count, 1);

  ASSERT_EQ(copy->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  copy->get_Count(&count);
  ASSERT_EQ(count, 3);
  for (LONG i = 0; i < 3; ++i) {
    ComPtr<IQAVZLVFieldDef> a, b;
    source->get_Items(i, a.Out());
    copy->get_Items(i, b.Out());
    EXPECT_NE(a.Get(), b.Get());
    auto* own = dynamic_cast<TQAVZLVFieldDef*>(b.Get());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->Name(), std::string(1, static_cast<char>('A' + i)));
  }
  EXPECT_EQ(IndexOf(copy.Get(), 1), 1);
  EXPECT_EQ(IndexOf(copy.Get(), 2), 7);
  last->put_Name(Bstr(u"Changed").Get());
  ComPtr<IQAVZLVFieldDef> found;
  copy->FindByName(Bstr(u"C").Get(), found.Out());
  EXPECT_TRUE(found);

  // Onto itself: the same definitions, in new objects.
  ComPtr<IQAVZLVFieldDef> before;
  copy->get_Items(0, before.Out());
  ASSERT_EQ(copy->CopyFrom(copy.Get(), &ok), S_OK);
  copy->get_Count(&count);
  EXPECT_EQ(count, 3);
  ComPtr<IQAVZLVFieldDef> after;
  copy->get_Items(0, after.Out());
  EXPECT_NE(before.Get(), after.Get());
  EXPECT_EQ(dynamic_cast<TQAVZLVFieldDef*>(after.Get())->Name(), "A");
}

// Installs a fake editor for one kind and removes it again.
class FakeEditor {
 public:
  FakeEditor(EditorKind kind, bool answer) : kind_(kind) {
    InstallEditor(kind, [this, answer](IDispatch* target) {
      target_ = target;
      return answer;
    });
  }
  ~FakeEditor() { InstallEditor(kind_, nullptr); }
  IDispatch* Target() const { return target_; }

 private:
  EditorKind kind_;
  IDispatch* target_ = nullptr;
};

TEST(FieldDefsTest, EditOpensTheEditorOnTheObject) {
  ComPtr<IQAVZLVFieldDef> field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  ComPtr<IQAVZLVFieldDefs> defs = Create<IQAVZLVFieldDefs>(CLSID_QAVZLVFieldDefs);
  VARIANT_BOOL ok = VARIANT_FALSE;
  for (bool answer : {true, false}) {
    FakeEditor itemEditor(EditorKind::FieldDef, answer);
    FakeEditor listEditor(EditorKind::FieldDefs, !answer);
    ASSERT_EQ(field->Edit(&ok), S_OK);
    EXPECT_EQ(ok, answer ? VARIANT_TRUE : VARIANT_FALSE);
    EXPECT_EQ(itemEditor.Target(), static_cast<IDispatch*>(field.Get()));
    ASSERT_EQ(defs->Edit(&ok), S_OK);
    EXPECT_EQ(ok, answer ? VARIANT_FALSE : VARIANT_TRUE);
    EXPECT_EQ(listEditor.Target(), static_cast<IDispatch*>(defs.Get()));
  }
}

}  // namespace
}  // namespace zelvani
