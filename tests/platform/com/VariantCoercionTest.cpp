// Coercions where OLE Automation's results are easy to get wrong: reals and
// booleans as text, dates split into fields and built from them, dates read
// from free-form English text, and the special targets (Null, VT_VARIANT,
// objects) and empty references.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "platform/com/interfaces.h"
#include "platform/com/locale.h"
#include "platform/com/variant.h"

namespace {

constexpr HRESULT kMismatch = DISP_E_TYPEMISMATCH;

std::string Utf8(std::u16string_view s) { return std::string(s.begin(), s.end()); }  // test texts are ASCII

FormatSettings Settings(std::u16string format, char16_t dateSep, char16_t timeSep, char16_t decimal = u'.') {
  FormatSettings f;
  f.ShortDateFormat = std::move(format);
  f.DateSeparator = dateSep;
  f.TimeSeparator = timeSep;
  f.DecimalSeparator = decimal;
  f.ThousandSeparator = decimal == u'.' ? u',' : u'.';
  return f;
}

const FormatSettings kIso = Settings(u"yyyy/mm/dd", u'-', u':');
const FormatSettings kDotted = Settings(u"dd/mm/yyyy", u'.', u':', u',');
const FormatSettings kUs = Settings(u"m/d/yy", u'/', u':');
const FormatSettings kUsLong = Settings(u"m/d/yyyy", u'/', u':');

Variant R4(float x) {
  Variant v;
  v.vt = VT_R4;
  v.fltVal = x;
  return v;
}

std::string TextOf(const Variant& v, USHORT flags = 0) {
  Variant out;
  EXPECT_EQ(VariantChangeType(&out, &v, flags, VT_BSTR), S_OK);
  return out.vt == VT_BSTR ? Utf8(BstrView(out.bstrVal)) : "<not text>";
}

TEST(VariantCoercionText, RealsArePlainDecimalsDownToOneHundredBillionth) {
  const struct {
    Variant value;
    const char* dot;
    const char* comma;
  } rows[] = {
      {Variant::R8(0.000056789), "0.000056789", "0,000056789"},
      {Variant::R8(-0.000056789), "-0.000056789", "-0,000056789"},
      {Variant::R8(1e-11), "0.00000000001", "0,00000000001"},
      {Variant::R8(1.23456789012345e-6), "0.00000123456789012345", "0,00000123456789012345"},
      {Variant::R8(2.0 / 3 * 1e-8), "0.00000000666666666666667", "0,00000000666666666666667"},
      {R4(1.2e-5f), "0.000012", "0,000012"},
      {R4(3.0e-11f), "0.00000000003", "0,00000000003"},
      // Below 1E-11 and from 10^15 (10^7 for single precision) on: exponent form.
      {Variant::R8(9.99e-12), "9.99E-12", "9,99E-12"},
      {Variant::R8(1e-12), "1E-12", "1E-12"},
      {R4(5e-12f), "5E-12", "5E-12"},
      {Variant::R8(123456789012345.0), "123456789012345", "123456789012345"},
      {Variant::R8(1e15), "1E+15", "1E+15"},
      {R4(1234567.0f), "1234567", "1234567"},
      {R4(1e7f), "1E+07", "1E+07"},
      // A value halfway between two texts of the precision rounds away from zero.
      {R4(654322.25f), "654322.3", "654322,3"},
      {R4(-654322.25f), "-654322.3", "-654322,3"},
      {R4(1.2345675f), "1.234568", "1,234568"},  // the float lies above the half: rounds up either way
      {Variant::R8(12345678901234.25), "12345678901234.3", "12345678901234,3"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.dot);
    {
      ScopedFormatSettings dot(kIso);
      EXPECT_EQ(TextOf(r.value), r.dot);
      if (r.value.vt == VT_R8) {
        EXPECT_EQ(Utf8(VarBstrFromR8(r.value.dblVal)), r.dot);
      }
    }
    ScopedFormatSettings comma(kDotted);
    EXPECT_EQ(TextOf(r.value), r.comma);
  }
}

TEST(VariantCoercionText, BooleansAreNumbersUnlessAlphabeticIsAsked) {
  Variant odd;  // a non-canonical true
  odd.vt = VT_BOOL;
  odd.boolVal = 1;
  VARIANT_BOOL stored = VARIANT_TRUE;
  Variant ref;
  ref.vt = VT_BOOL | VT_BYREF;
  ref.pboolVal = &stored;
  const struct {
    Variant value;
    USHORT flags;
    const char* text;
  } rows[] = {
      {Variant::Bool(true), 0, "-1"},
      {Variant::Bool(false), 0, "0"},
      {odd, 0, "1"},  // a non-canonical true is written as the number it holds
      {ref, 0, "-1"},
      {Variant::Bool(true), VARIANT_ALPHABOOL, "True"},
      {Variant::Bool(false), VARIANT_ALPHABOOL, "False"},
      {odd, VARIANT_ALPHABOOL, "True"},
      {ref, VARIANT_ALPHABOOL, "True"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(TextOf(r.value, r.flags), r.text);
    EXPECT_EQ(Utf8(BstrView(r.value.As(VT_BSTR, r.flags).bstrVal)), r.text);
    Variant out;
    ASSERT_EQ(r.value.TryAs(VT_BSTR, out, r.flags), S_OK);
    EXPECT_EQ(Utf8(BstrView(out.bstrVal)), r.text);
  }
  // The numeric texts read back as the same booleans, and so do the literal
  // forms "#TRUE#" and "#FALSE#", which are taken only as written.
  const struct {
    const char16_t* text;
    VARIANT_BOOL value;
  } texts[] = {
      {u"-1", VARIANT_TRUE}, {u"0", VARIANT_FALSE},       {u"#TRUE#", VARIANT_TRUE},
      {u"#FALSE#", VARIANT_FALSE}, {u" #TRUE# ", VARIANT_TRUE},
  };
  for (const auto& t : texts) {
    SCOPED_TRACE(Utf8(t.text));
    Variant out;
    ASSERT_EQ(Variant::Str(t.text).TryAs(VT_BOOL, out), S_OK);
    EXPECT_EQ(out.boolVal, t.value);
  }
  for (const char16_t* text : {u"#TRUE", u"#False#", u"#true#"}) {
    Variant out;
    EXPECT_EQ(Variant::Str(text).TryAs(VT_BOOL, out), kMismatch) << Utf8(text);
  }
}

TEST(VariantCoercionText, DatesWithoutTimeOrDayShowOnlyWhatTheyHave) {
  const struct {
    const FormatSettings& settings;
    double serial;
    const char* text;
  } rows[] = {
      {kIso, 0, "00:00:00"},  {kDotted, 0, "00:00:00"}, {kUs, 0, "00:00:00"},
      {kIso, 1e-7, "00:00:00"},  // a time that rounds to midnight of day 0
      {kIso, -0.25, "06:00:00"}, {kIso, 0.75, "18:00:00"}, {kIso, 45000, "2023-03-15"},
      {kUs, 45000, "3/15/23"},   {kIso, 1, "1899-12-31"},  {kIso, 45000.5, "2023-03-15 12:00:00"},
      // A four-letter year is the whole year, without zeros in front.
      {kUsLong, 45000, "3/15/2023"}, {kUsLong, -657434, "1/1/100"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    ScopedFormatSettings scoped(r.settings);
    EXPECT_EQ(TextOf(Variant::Date(r.serial)), r.text);
    EXPECT_EQ(Utf8(VarBstrFromDate(r.serial)), r.text);
  }
}

TEST(VariantCoercionDates, SplittingRoundsToTheNearestSecond) {
  const struct {
    double serial;
    WORD y, m, d, hh, mi, ss;
  } rows[] = {
      {45000 + 59.6 / 86400, 2023, 3, 15, 0, 1, 0},
      {45000 + 59.4 / 86400, 2023, 3, 15, 0, 0, 59},
      {45000 + (13 * 3600 + 59 * 60 + 59.7) / 86400, 2023, 3, 15, 14, 0, 0},
      // The last half second of a day is the next day's midnight.
      {45000 + 86399.7 / 86400, 2023, 3, 16, 0, 0, 0},
      {-(1 + 86399.7 / 86400), 1899, 12, 30, 0, 0, 0},
      {45000.25, 2023, 3, 15, 6, 0, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.serial);
    SYSTEMTIME st{};
    st.wMilliseconds = 777;
    ASSERT_TRUE(VariantTimeToSystemTime(r.serial, &st));
    EXPECT_EQ(st.wYear, r.y);
    EXPECT_EQ(st.wMonth, r.m);
    EXPECT_EQ(st.wDay, r.d);
    EXPECT_EQ(st.wHour, r.hh);
    EXPECT_EQ(st.wMinute, r.mi);
    EXPECT_EQ(st.wSecond, r.ss);
    EXPECT_EQ(st.wMilliseconds, 0);
  }
  SYSTEMTIME st{};
  EXPECT_FALSE(VariantTimeToSystemTime(2958465 + 86399.7 / 86400, &st));  // rounds past 9999-12-31
}

TEST(VariantCoercionDates, BuildingAcceptsDayZeroTwoDigitYearsAndIgnoresMilliseconds) {
  const struct {
    WORD y, m, d, hh, mi, ss, ms;
    bool ok;
    double serial;
  } rows[] = {
      {2001, 2, 0, 0, 0, 0, 0, true, 36922},      // last day of January
      {2001, 3, 0, 0, 0, 0, 0, true, 36950},      // last day of February
      {2001, 1, 0, 0, 0, 0, 0, true, 36891},      // 2000-12-31
      {2001, 2, 29, 0, 0, 0, 0, true, 36951},     // runs on to 2001-03-01
      {2001, 4, 31, 0, 0, 0, 0, true, 37012},     // 2001-05-01
      {29, 1, 1, 0, 0, 0, 0, true, 47119},        // 2029
      {30, 1, 1, 0, 0, 0, 0, true, 10959},        // 1930
      {0, 1, 1, 0, 0, 0, 0, true, 36526},         // 2000
      {99, 12, 31, 0, 0, 0, 0, true, 36525},      // 1999
      {2023, 3, 15, 12, 0, 0, 999, true, 45000.5},
      {2023, 3, 15, 12, 0, 0, 1500, true, 45000.5},
      {2001, 1, 32, 0, 0, 0, 0, false, 0},
      {2001, 0, 10, 0, 0, 0, 0, false, 0},
      {2001, 13, 10, 0, 0, 0, 0, false, 0},
      {100, 1, 0, 0, 0, 0, 0, false, 0},          // 0099-12-31 lies before the first serial
      {10000, 1, 1, 0, 0, 0, 0, false, 0},
      {2023, 3, 15, 24, 0, 0, 0, false, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.y << "-" << r.m << "-" << r.d << " " << r.ms);
    SYSTEMTIME st{r.y, r.m, 0, r.d, r.hh, r.mi, r.ss, r.ms};
    double out = -1;
    ASSERT_EQ(SystemTimeToVariantTime(&st, &out) != FALSE, r.ok);
    if (r.ok) {
      EXPECT_DOUBLE_EQ(out, r.serial);
    }
  }
}

TEST(VariantCoercionDates, TextInEnglishFreeForms) {
  constexpr double kHalfPastTwoPm = 14.5 / 24;
  const struct {
    const FormatSettings& settings;
    const char16_t* text;
    HRESULT hr;
    double serial;
  } rows[] = {
      // Twelve-hour times.
      {kIso, u"2:30 PM", S_OK, kHalfPastTwoPm},
      {kIso, u"2:30pm", S_OK, kHalfPastTwoPm},
      {kIso, u"02:30:36 pm", S_OK, (14 * 3600 + 30 * 60 + 36) / 86400.0},
      {kIso, u"12:00 AM", S_OK, 0},
      {kIso, u"12:15 PM", S_OK, 12.25 / 24},
      {kIso, u"9 am", S_OK, 9 / 24.0},
      {kIso, u"2023-03-15 2:30 PM", S_OK, 45000 + kHalfPastTwoPm},
      {kIso, u"2:30 PM 2023-03-15", S_OK, 45000 + kHalfPastTwoPm},
      // An hour past twelve keeps its value whatever AM or PM says.
      {kIso, u"13:00 PM", S_OK, 13 / 24.0},
      {kIso, u"13:00 AM", S_OK, 13 / 24.0},
      {kIso, u"24:00 PM", kMismatch, 0},
      {kIso, u"2 30 PM", kMismatch, 0},
      // "." between the parts of a time.
      {kIso, u"14.30", S_OK, kHalfPastTwoPm},
      {kIso, u"2023-03-15 14.30.36", S_OK, 45000 + (14 * 3600 + 30 * 60 + 36) / 86400.0},
      {kUs, u"3/15/2023 2.30 PM", S_OK, 45000 + kHalfPastTwoPm},
      // Blanks, "-" or "/" in place of the date separator.
      {kIso, u"2023 03 15", S_OK, 45000},
      {kIso, u"2023/3/15", S_OK, 45000},
      {kDotted, u"15 03 2023", S_OK, 45000},
      {kDotted, u"15-03-2023", S_OK, 45000},
      {kDotted, u"15/03/2023 14:30", S_OK, 45000 + kHalfPastTwoPm},
      {kUs, u"3-15-2023", S_OK, 45000},
      {kUs, u"3 15 23", S_OK, 45000},
      {kUs, u"15/3/2023", S_OK, 45000},  // no month 15: day and month swap
      {kUsLong, u"14 2 3", S_OK, 41673},  // no month 14 and no four-digit year: year, month, day
      {kDotted, u"14 2 3", S_OK, 37666},  // a valid date in the configured order stays
      {kIso, u"2023 15 03", kMismatch, 0},
      {kIso, u"2023--03-15", kMismatch, 0},
      {kIso, u"2023-03-15-", kMismatch, 0},
      // English month names and their short forms.
      {kIso, u"March 15, 2023", S_OK, 45000},
      {kIso, u"15 March 2023", S_OK, 45000},
      {kDotted, u"Mar 15 2023", S_OK, 45000},
      {kIso, u"15-mar-2023", S_OK, 45000},
      {kUs, u"15 MAR 23", S_OK, 45000},
      {kIso, u"2023 Mar 15", S_OK, 45000},
      {kIso, u"march 2023", S_OK, 44986},
      {kIso, u"February 29, 2024 2:30 PM", S_OK, 45351 + kHalfPastTwoPm},
      {kIso, u"February 29, 2023", kMismatch, 0},
      {kIso, u"Marc 15 2023", kMismatch, 0},
      {kIso, u"15 Mar Apr 2023", kMismatch, 0},
      {kIso, u"15Mar2023", kMismatch, 0},
      {kIso, u"1:30 PM 2:30 PM", kMismatch, 0},
      // The configured format is still read first.
      {kIso, u"2023-03-15", S_OK, 45000},
      {kDotted, u"15.03.2023", S_OK, 45000},
      // An ideographic space parts date and time like a blank.
      {kIso, u"2023-03-15\u300014:30", S_OK, 45000 + kHalfPastTwoPm},
      {kUs, u"3/15/2023\u30002:30 PM", S_OK, 45000 + kHalfPastTwoPm},
      {kUs, u"1/1/29", S_OK, 47119},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(Utf8(r.text));
    ScopedFormatSettings scoped(r.settings);
    DATE out = -99;
    ASSERT_EQ(VarDateFromStr(r.text, &out), r.hr);
    EXPECT_DOUBLE_EQ(out, SUCCEEDED(r.hr) ? r.serial : -99);
    Variant date;
    ASSERT_EQ(Variant::Str(r.text).TryAs(VT_DATE, date), r.hr);
    if (SUCCEEDED(r.hr)) {
      EXPECT_DOUBLE_EQ(date.date, r.serial);
    }
  }
}

// Counts references; answers IUnknown and IDispatch.
struct CountedObject : IDispatch {
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    *ppv = riid == IUnknown::Iid || riid == IDispatch::Iid ? this : nullptr;
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
  ULONG refs = 1;
};

TEST(VariantCoercionTargets, NullFromAllButErrorsVariantNeverEmptyNoObjectAndEmptyReferencesMismatch) {
  CountedObject obj;
  Variant object = Variant::Dispatch(&obj);
  VARIANT nullLong;
  VariantInit(&nullLong);
  nullLong.vt = VT_I4 | VT_BYREF;
  VARIANT nullText = nullLong;
  nullText.vt = VT_BSTR | VT_BYREF;
  VARIANT nullVariant = nullLong;
  nullVariant.vt = VT_VARIANT | VT_BYREF;
  const Variant empty;
  const struct {
    Variant src;
    VARTYPE vt;
    HRESULT hr;
  } rows[] = {
      {Variant::I4(5), VT_NULL, S_OK},
      {Variant::Str(u"x"), VT_NULL, S_OK},
      {Variant::Bool(true), VT_NULL, S_OK},
      {Variant::Date(45000), VT_NULL, S_OK},
      {object, VT_NULL, S_OK},
      {empty, VT_NULL, S_OK},
      {Variant::Null(), VT_NULL, S_OK},
      {Variant::I4(5), VT_VARIANT, kMismatch},
      {Variant::Str(u"x"), VT_VARIANT, kMismatch},
      {empty, VT_VARIANT, kMismatch},
      {object, VT_VARIANT, kMismatch},
      {empty, VT_DISPATCH, kMismatch},
      {empty, VT_UNKNOWN, kMismatch},
      {nullLong, VT_I4, kMismatch},
      {nullLong, VT_BSTR, kMismatch},
      {nullText, VT_BSTR, kMismatch},
      {nullVariant, VT_I4, kMismatch},
      {nullVariant, VT_NULL, kMismatch},
      {nullVariant, 0x3847, DISP_E_BADVARTYPE},  // the target type is checked first
      {nullLong, VT_BSTR | VT_BYREF, kMismatch},
      {nullText, VT_I4 | VT_BYREF, kMismatch},
      // An error code is no value: it becomes neither Empty nor Null.
      {Variant::Error(DISP_E_PARAMNOTFOUND), VT_NULL, kMismatch},
      {Variant::Error(DISP_E_PARAMNOTFOUND), VT_EMPTY, kMismatch},
      {Variant::I4(5), VT_EMPTY, S_OK},
  };
  const ULONG refs = obj.refs;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const auto& r = rows[i];
    SCOPED_TRACE(testing::Message() << "row " << i << " to " << r.vt);
    Variant out = Variant::Str(u"untouched");
    ASSERT_EQ(VariantChangeType(&out, &r.src, 0, r.vt), r.hr);
    if (SUCCEEDED(r.hr)) {
      EXPECT_EQ(out.vt, r.vt);
    } else {
      EXPECT_EQ(Utf8(BstrView(out.bstrVal)), "untouched");
    }
  }
  EXPECT_EQ(obj.refs, refs);  // the Null results hold no reference
  // In place: the object's reference is given up.
  Variant inPlace = Variant::Dispatch(&obj);
  ASSERT_EQ(VariantChangeType(&inPlace, &inPlace, 0, VT_NULL), S_OK);
  EXPECT_EQ(inPlace.vt, VT_NULL);
  EXPECT_EQ(obj.refs, refs);
}

}  // namespace
