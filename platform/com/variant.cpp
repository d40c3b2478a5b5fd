#include "platform/com/variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/com/interfaces.h"
#include "platform/com/locale.h"

namespace {

// Every integer an automation value can hold (I8 and UI8 included) fits, and so
// does the result of rounding a double that is still worth a range check.
using Wide = __int128;
using UWide = unsigned __int128;

// ---------------------------------------------------------------------------
// Types

// Types a VARIANT may hold by value.
bool IsValueType(VARTYPE t) {
  switch (t) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

VARTYPE BaseType(VARTYPE vt) { return static_cast<VARTYPE>(vt & ~VT_BYREF); }

// Types a VARIANT may hold, by value or by reference. Empty and Null have no
// storage to refer to; a reference to a VARIANT is allowed.
bool IsValidType(VARTYPE vt) {
  if (!(vt & VT_BYREF)) return IsValueType(vt);
  VARTYPE base = BaseType(vt);
  if (base == VT_VARIANT) return true;
  return base != VT_EMPTY && base != VT_NULL && IsValueType(base);
}

// Bytes of storage behind a VT_BYREF pointer of the given base type.
std::size_t StorageSize(VARTYPE base) {
  switch (base) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return sizeof(void*);
    default:
      return 8;  // I8, UI8, R8, CY, DATE
  }
}

const char* TypeName(VARTYPE vt) {
  switch (BaseType(vt)) {
    case VT_EMPTY: return "Empty";
    case VT_NULL: return "Null";
    case VT_I2: return "VT_I2";
    case VT_I4: return "VT_I4";
    case VT_R4: return "VT_R4";
    case VT_R8: return "VT_R8";
    case VT_CY: return "VT_CY";
    case VT_DATE: return "VT_DATE";
    case VT_BSTR: return "VT_BSTR";
    case VT_DISPATCH: return "VT_DISPATCH";
    case VT_ERROR: return "VT_ERROR";
    case VT_BOOL: return "VT_BOOL";
    case VT_VARIANT: return "VT_VARIANT";
    case VT_UNKNOWN: return "VT_UNKNOWN";
    case VT_I1: return "VT_I1";
    case VT_UI1: return "VT_UI1";
    case VT_UI2: return "VT_UI2";
    case VT_UI4: return "VT_UI4";
    case VT_I8: return "VT_I8";
    case VT_UI8: return "VT_UI8";
    case VT_INT: return "VT_INT";
    case VT_UINT: return "VT_UINT";
    default: return "an unsupported type";
  }
}

const char* ReasonText(HRESULT hr) {
  switch (hr) {
    case DISP_E_TYPEMISMATCH: return "type mismatch";
    case DISP_E_OVERFLOW: return "overflow";
    case DISP_E_BADVARTYPE: return "bad variant type";
    case E_OUTOFMEMORY: return "out of memory";
    case E_INVALIDARG: return "invalid argument";
    default: return "conversion failed";
  }
}

// The value a variant holds, looking through one level of VT_BYREF. The result
// is a shallow view: it owns nothing and lives as long as the source's storage.
HRESULT ValueOf(const VARIANT& v, VARIANT& out) {
  if (!IsValidType(v.vt)) return DISP_E_BADVARTYPE;
  if (!(v.vt & VT_BYREF)) {
    out = v;
    return S_OK;
  }
  if (!v.byref) return E_INVALIDARG;
  VARTYPE base = BaseType(v.vt);
  if (base == VT_VARIANT) {
    const VARIANT& inner = *v.pvarVal;
    if (inner.vt & VT_BYREF) return E_INVALIDARG;  // only one level is followed
    if (!IsValidType(inner.vt)) return DISP_E_BADVARTYPE;
    out = inner;
    return S_OK;
  }
  VariantInit(&out);
  out.vt = base;
  std::memcpy(&out.llVal, v.byref, StorageSize(base));
  return S_OK;
}

// Copies a value into out (which owns nothing yet): strings are duplicated and
// interfaces get a reference; a VT_BYREF value copies the pointer.
HRESULT CopyValue(const VARIANT& src, VARIANT& out) {
  VARIANT tmp = src;
  if (!(src.vt & VT_BYREF)) {
    if (src.vt == VT_BSTR && src.bstrVal) {
      // By byte length, so a string allocated with an odd byte count stays intact.
      tmp.bstrVal =
          SysAllocStringByteLen(reinterpret_cast<const char*>(src.bstrVal), SysStringByteLen(src.bstrVal));
      if (!tmp.bstrVal) return E_OUTOFMEMORY;
    } else if (src.vt == VT_DISPATCH && src.pdispVal) {
      src.pdispVal->AddRef();
    } else if (src.vt == VT_UNKNOWN && src.punkVal) {
      src.punkVal->AddRef();
    }
  }
  out = tmp;
  return S_OK;
}

// The format settings, read at most once per conversion and only by conversions
// that involve text.
class LazySettings {
 public:
  const FormatSettings& Get() {
    if (!settings_) settings_ = GetFormatSettings();
    return *settings_;
  }

 private:
  std::optional<FormatSettings> settings_;
};

// ---------------------------------------------------------------------------
// Numbers in text

template <class C>
bool IsDigit(C c) {
  return c >= C('0') && c <= C('9');
}

template <class C>
bool IsBlank(C c) {
  auto u = static_cast<char32_t>(c);
  return u == U' ' || u == U'\t' || u == U'\n' || u == U'\r' || u == U'\v' || u == U'\f' || u == 0xA0;
}

template <class C>
std::basic_string_view<C> TrimBlanks(std::basic_string_view<C> s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A decimal number, exactly: (negative ? -1 : 1) * digits * 10^exponent. The
// digits carry no leading or trailing zeros and are empty for zero.
struct Decimal {
  bool negative = false;
  std::string digits;
  std::int64_t exponent = 0;
};

// Reads [blanks][+|-]digits[dec digits][(e|E)[+|-]digits][blanks]. Thousands
// separators are accepted between any two integer digits (not only every three
// digits); requiring a digit after them keeps a blank used as the separator
// from swallowing trailing blanks.
template <class C>
bool ParseDecimal(std::basic_string_view<C> text, char16_t dec, char16_t thou, Decimal& out) {
  std::basic_string_view<C> s = TrimBlanks(text);
  std::size_t i = 0;
  const std::size_t n = s.size();
  Decimal d;
  if (i < n && (s[i] == C('+') || s[i] == C('-'))) {
    d.negative = s[i] == C('-');
    ++i;
  }
  bool anyDigit = false;
  auto digit = [&](C c, bool fraction) {
    anyDigit = true;
    if (fraction) --d.exponent;
    if (d.digits.empty() && c == C('0')) return;  // leading zero
    d.digits.push_back(static_cast<char>(c));
  };
  while (i < n) {
    auto c = s[i];
    if (IsDigit(c)) {
      digit(c, false);
      ++i;
    } else if (thou != 0 && thou != dec && static_cast<char16_t>(c) == thou && anyDigit && i + 1 < n &&
               IsDigit(s[i + 1])) {
      ++i;
    } else {
      break;
    }
  }
  if (i < n && static_cast<char16_t>(s[i]) == dec) {
    ++i;
    while (i < n && IsDigit(s[i])) digit(s[i++], true);
  }
  if (!anyDigit) return false;
  if (i < n && (s[i] == C('e') || s[i] == C('E'))) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (s[i] == C('+') || s[i] == C('-'))) {
      negativeExponent = s[i] == C('-');
      ++i;
    }
    if (i >= n || !IsDigit(s[i])) return false;
    std::int64_t e = 0;
    while (i < n && IsDigit(s[i])) {
      if (e < 100000000) e = e * 10 + (s[i] - C('0'));  // saturates far beyond any range
      ++i;
    }
    d.exponent += negativeExponent ? -e : e;
  }
  if (i != n) return false;
  while (!d.digits.empty() && d.digits.back() == '0') {
    d.digits.pop_back();
    ++d.exponent;
  }
  if (d.digits.empty()) d = Decimal{};
  out = std::move(d);
  return true;
}

// value * 10^scale rounded to an integer, ties to even; false when the result
// is far outside every integer type.
bool DecimalToScaled(const Decimal& d, int scale, Wide& out) {
  if (d.digits.empty()) {
    out = 0;
    return true;
  }
  const auto len = static_cast<std::int64_t>(d.digits.size());
  const std::int64_t intLen = len + d.exponent + scale;  // digits before the point
  if (intLen > 36) return false;
  Wide mag = 0;
  for (std::int64_t k = 0; k < intLen; ++k) mag = mag * 10 + (k < len ? d.digits[k] - '0' : 0);
  if (intLen >= 0 && intLen < len) {
    // The first dropped digit decides; trailing zeros are stripped, so any
    // further digit means "more than half".
    char first = d.digits[intLen];
    bool more = intLen + 1 < len;
    if (first > '5' || (first == '5' && (more || (mag & 1)))) ++mag;
  }
  out = d.negative ? -mag : mag;
  return true;
}

// The nearest double or float (correctly rounded); overflow beyond the type's range.
template <class F>
HRESULT DecimalToReal(const Decimal& d, F& out) {
  if (d.digits.empty()) {
    out = 0;
    return S_OK;
  }
  std::string text = d.digits + "e" + std::to_string(d.exponent);
  F v{};
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec == std::errc::result_out_of_range) {
    if (static_cast<std::int64_t>(d.digits.size()) + d.exponent > 0) return DISP_E_OVERFLOW;
    v = 0;  // too small: underflows to zero
  } else if (ec != std::errc() || ptr != text.data() + text.size()) {
    return DISP_E_TYPEMISMATCH;
  }
  out = d.negative ? -v : v;
  return S_OK;
}

HRESULT ParseNumber(std::u16string_view s, const FormatSettings& fs, Decimal& d) {
  return ParseDecimal(s, fs.DecimalSeparator, fs.ThousandSeparator, d) ? S_OK : DISP_E_TYPEMISMATCH;
}

// Rounds to the nearest integer, ties to even; DISP_E_OVERFLOW for NaN and for
// magnitudes no integer type can hold.
HRESULT RoundReal(double x, Wide& out) {
  if (!(x > -2e19 && x < 2e19)) return DISP_E_OVERFLOW;
  double r = std::floor(x);
  double diff = x - r;  // exact
  if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  out = static_cast<Wide>(r);
  return S_OK;
}

// Currency to an integer, ties to even.
Wide RoundCurrency(CY c) {
  Wide v = c.int64;
  Wide q = v / 10000;
  Wide r = v % 10000;
  if (r < 0) r = -r;
  if (r > 5000 || (r == 5000 && (q & 1))) q += v < 0 ? -1 : 1;
  return q;
}

template <class T>
HRESULT NarrowInteger(Wide w, T& out) {
  if (w < static_cast<Wide>(std::numeric_limits<T>::min()) || w > static_cast<Wide>(std::numeric_limits<T>::max()))
    return DISP_E_OVERFLOW;
  out = static_cast<T>(w);
  return S_OK;
}

HRESULT DoubleToFloat(double d, float& out) {
  if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) return DISP_E_OVERFLOW;
  out = static_cast<float>(d);
  return S_OK;
}

HRESULT CurrencyFromWide(Wide w, CY& out) {
  std::int64_t v = 0;
  if (HRESULT hr = NarrowInteger(w, v); FAILED(hr)) return hr;
  out.int64 = v;
  return S_OK;
}

void AppendAscii(std::u16string& out, std::string_view s) {
  for (char c : s) out.push_back(static_cast<char16_t>(c));
}

std::u16string IntegerText(Wide v) {
  UWide m = v < 0 ? UWide(0) - static_cast<UWide>(v) : static_cast<UWide>(v);
  char buf[48];
  char* p = buf + sizeof buf;
  do {
    *--p = static_cast<char>('0' + static_cast<int>(m % 10));
    m /= 10;
  } while (m);
  std::u16string out;
  if (v < 0) out.push_back(u'-');
  AppendAscii(out, std::string_view(p, static_cast<std::size_t>(buf + sizeof buf - p)));
  return out;
}

// Up to `precision` significant digits without trailing zeros. Magnitudes from
// 1E-11 up to 10^precision are written as plain decimals (0.000056789), others
// as d.dddE+XX with at least two exponent digits.
constexpr int kPlainExponentMin = -11;

// Whether d lies exactly halfway between two decimals of `precision`
// significant digits: it then has exactly one digit more, a 5.
bool IsHalfway(double d, int precision) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, precision);
  const std::string_view t(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t last = t.find('e') - 1;
  if (t[last] != '5') return false;
  // Every double is a finite decimal of at most 767 significant digits: written
  // in full, nothing but zeros may follow that 5.
  char exact[800];
  auto all = std::to_chars(exact, exact + sizeof exact, d, std::chars_format::scientific, 780);
  const std::string_view x(exact, static_cast<std::size_t>(all.ptr - exact));
  const std::size_t e = x.find('e');
  return x.substr(last + 1, e - last - 1).find_first_not_of('0') == std::string_view::npos;
}

std::u16string RealText(double d, int precision, char16_t dec) {
  if (std::isnan(d)) return u"NaN";
  if (std::isinf(d)) return d < 0 ? u"-INF" : u"INF";
  if (d == 0) return u"0";
  // A value halfway between two texts rounds away from zero (654322.25 in
  // seven digits is 654322.3); the conversion below would round it to the even
  // neighbour, so it gets the next value away from zero, which rounds up.
  if (IsHalfway(d, precision)) d = std::nextafter(d, d < 0 ? -HUGE_VAL : HUGE_VAL);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, precision - 1);
  std::string_view t(buf, static_cast<std::size_t>(res.ptr - buf));  // [-]D.DDDDe(+|-)XX
  bool negative = t.front() == '-';
  if (negative) t.remove_prefix(1);
  std::size_t epos = t.find('e');
  std::string digits;
  for (char c : t.substr(0, epos))
    if (IsDigit(c)) digits.push_back(c);
  int exp = 0;
  std::string_view es = t.substr(epos + 1);
  bool negativeExponent = es.front() == '-';
  for (char c : es.substr(1)) exp = exp * 10 + (c - '0');
  if (negativeExponent) exp = -exp;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::u16string out;
  if (negative) out.push_back(u'-');
  if (exp < kPlainExponentMin || exp >= precision) {
    out.push_back(static_cast<char16_t>(digits[0]));
    if (digits.size() > 1) {
      out.push_back(dec);
      AppendAscii(out, std::string_view(digits).substr(1));
    }
    out.push_back(u'E');
    out.push_back(exp < 0 ? u'-' : u'+');
    int a = exp < 0 ? -exp : exp;
    if (a < 10) out.push_back(u'0');
    AppendAscii(out, std::to_string(a));
  } else if (exp >= 0) {
    auto intDigits = static_cast<std::size_t>(exp) + 1;
    for (std::size_t k = 0; k < intDigits; ++k) out.push_back(k < digits.size() ? digits[k] : u'0');
    if (digits.size() > intDigits) {
      out.push_back(dec);
      AppendAscii(out, std::string_view(digits).substr(intDigits));
    }
  } else {
    out.push_back(u'0');
    out.push_back(dec);
    out.append(static_cast<std::size_t>(-exp - 1), u'0');
    AppendAscii(out, digits);
  }
  return out;
}

std::u16string CurrencyText(CY c, char16_t dec) {
  bool negative = c.int64 < 0;
  std::uint64_t m = negative ? 0 - static_cast<std::uint64_t>(c.int64) : static_cast<std::uint64_t>(c.int64);
  std::u16string out;
  if (negative) out.push_back(u'-');
  AppendAscii(out, std::to_string(m / 10000));
  if (auto frac = static_cast<unsigned>(m % 10000)) {
    char buf[5];
    for (int k = 3; k >= 0; --k, frac /= 10) buf[k] = static_cast<char>('0' + frac % 10);
    std::size_t n = 4;
    while (buf[n - 1] == '0') --n;
    out.push_back(dec);
    AppendAscii(out, std::string_view(buf, n));
  }
  return out;
}

HRESULT CurrencyFromDouble(double d, CY& out) {
  if (!std::isfinite(d)) return DISP_E_OVERFLOW;
  // The shortest text that reads back as d is the decimal the value stands
  // for; rounding that exactly avoids the binary error of d * 10000 (1.015 is
  // stored as 1.01499999...).
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d);
  Decimal dec;
  if (!ParseDecimal(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), u'.', 0, dec))
    return DISP_E_TYPEMISMATCH;
  Wide w = 0;
  if (!DecimalToScaled(dec, 4, w)) return DISP_E_OVERFLOW;
  return CurrencyFromWide(w, out);
}

double DoubleFromCurrency(CY c) {
  constexpr std::int64_t kExact = std::int64_t{1} << 53;
  // Both operands exact, so the quotient is correctly rounded.
  if (c.int64 > -kExact && c.int64 < kExact) return static_cast<double>(c.int64) / 10000.0;
  Decimal d;
  ParseDecimal(std::string_view(std::to_string(c.int64)), u'.', 0, d);
  d.exponent -= 4;
  double out = 0;
  DecimalToReal(d, out);
  return out;
}

HRESULT TextToCurrency(std::u16string_view s, const FormatSettings& fs, CY& out) {
  Decimal d;
  if (HRESULT hr = ParseNumber(s, fs, d); FAILED(hr)) return hr;
  Wide w = 0;
  if (!DecimalToScaled(d, 4, w)) return DISP_E_OVERFLOW;
  return CurrencyFromWide(w, out);
}

HRESULT TextToInteger(std::u16string_view s, const FormatSettings& fs, Wide& out) {
  Decimal d;
  if (HRESULT hr = ParseNumber(s, fs, d); FAILED(hr)) return hr;
  if (!DecimalToScaled(d, 0, out)) return DISP_E_OVERFLOW;
  return S_OK;
}

bool EqualsIgnoringCase(std::u16string_view s, std::u16string_view lower) {
  if (s.size() != lower.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != lower[i]) return false;
  }
  return true;
}

// "True" and "False" in any case, or the literals "#TRUE#" and "#FALSE#" as
// written; else a number, true when it is not 0.
HRESULT TextToBool(std::u16string_view s, const FormatSettings& fs, VARIANT_BOOL& out) {
  std::u16string_view t = TrimBlanks(s);
  if (t == u"#TRUE#" || t == u"#FALSE#") {
    out = t == u"#TRUE#" ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  if (t.size() > 2 && t.front() == u'#' && t.back() == u'#') return DISP_E_TYPEMISMATCH;
  if (EqualsIgnoringCase(t, u"true")) {
    out = VARIANT_TRUE;
    return S_OK;
  }
  if (EqualsIgnoringCase(t, u"false")) {
    out = VARIANT_FALSE;
    return S_OK;
  }
  Decimal d;
  if (HRESULT hr = ParseNumber(t, fs, d); FAILED(hr)) return hr;
  out = d.digits.empty() ? VARIANT_FALSE : VARIANT_TRUE;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Dates

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back
// (era arithmetic on 400-year cycles, valid for any year).
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

constexpr std::int64_t kDateEpoch = DaysFromCivil(1899, 12, 30);
static_assert(DaysFromCivil(1970, 1, 1) == 0 && kDateEpoch == -25569);

// Serials from 0100-01-01 (-657434) to 9999-12-31 (2958465) with any time.
bool DateInRange(double d) { return d > -657435.0 && d < 2958466.0; }

// The century of a year written with one or two digits: 1930..2029.
std::int64_t TwoDigitYear(std::int64_t yy) { return yy + (yy < 30 ? 2000 : 1900); }

bool IsLeapYear(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(std::int64_t y, unsigned m) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

struct DateParts {
  std::int64_t year = 1899;
  unsigned month = 12;
  unsigned day = 30;
  int seconds = 0;  // time of day
};

// The integer part (towards zero) is the day, the fraction's absolute value the
// time of day, rounded to the second: -1.25 is 1899-12-29 06:00.
bool SplitDate(DATE serial, DateParts& p) {
  if (!DateInRange(serial)) return false;
  const double whole = std::trunc(serial);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(serial - whole) * 86400.0));
  auto day = static_cast<std::int64_t>(whole);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  CivilFromDays(day + kDateEpoch, p.year, p.month, p.day);
  p.seconds = static_cast<int>(seconds);
  return p.year <= 9999;
}

bool IsDateLetter(char16_t c) {
  return c == u'y' || c == u'Y' || c == u'm' || c == u'M' || c == u'd' || c == u'D';
}

char16_t LowerDateLetter(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

void AppendPadded(std::u16string& out, std::int64_t v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) out.append(static_cast<std::size_t>(width) - s.size(), u'0');
  AppendAscii(out, s);
}

// The date in ShortDateFormat: runs of y (one or two letters: two-digit year,
// more: the whole year, without zeros in front), m and d (one letter: no
// padding, more: two digits);
// "/" stands for the date separator, anything else is written as it is.
std::u16string FormatDatePart(const DateParts& p, const FormatSettings& fs) {
  std::u16string out;
  const std::u16string& f = fs.ShortDateFormat;
  for (std::size_t i = 0; i < f.size();) {
    char16_t c = f[i];
    if (IsDateLetter(c)) {
      char16_t l = LowerDateLetter(c);
      std::size_t run = 0;
      while (i < f.size() && LowerDateLetter(f[i]) == l) ++i, ++run;
      if (l == u'y' && run <= 2)
        AppendPadded(out, p.year % 100, 2);
      else if (l == u'y')
        AppendPadded(out, p.year, 1);
      else
        AppendPadded(out, l == u'm' ? p.month : p.day, run == 1 ? 1 : 2);
      continue;
    }
    out.push_back(c == u'/' ? fs.DateSeparator : c);
    ++i;
  }
  return out;
}

// A date without a time of day is written as the date alone, and a serial whose
// day part is 0 (1899-12-30) as the time alone, midnight included.
HRESULT DateToText(DATE serial, const FormatSettings& fs, std::u16string& out) {
  DateParts p;
  if (!SplitDate(serial, p)) return DISP_E_OVERFLOW;
  const bool epochDay = p.year == 1899 && p.month == 12 && p.day == 30;
  const bool hasTime = p.seconds != 0 || epochDay;
  std::u16string text;
  if (!epochDay) text = FormatDatePart(p, fs);
  if (hasTime) {
    if (!text.empty()) text.push_back(u' ');
    AppendPadded(text, p.seconds / 3600, 2);
    text.push_back(fs.TimeSeparator);
    AppendPadded(text, p.seconds / 60 % 60, 2);
    text.push_back(fs.TimeSeparator);
    AppendPadded(text, p.seconds % 60, 2);
  }
  out = std::move(text);
  return S_OK;
}

// Blanks of a date text: also the ideographic space, which parts date and
// time as a blank does.
bool IsDateBlank(char16_t c) { return IsBlank(c) || c == u'\u3000'; }

// Reads 1..maxDigits digits at s[pos].
bool ReadNumber(std::u16string_view s, std::size_t& pos, std::size_t maxDigits, int& value, std::size_t& count) {
  value = 0;
  count = 0;
  while (pos < s.size() && count < maxDigits && IsDigit(s[pos])) {
    value = value * 10 + (s[pos] - u'0');
    ++pos;
    ++count;
  }
  return count > 0;
}

// hh:nn[:ss] with the time separator; the time of day in seconds.
bool ParseTime(std::u16string_view s, std::size_t& pos, const FormatSettings& fs, int& seconds) {
  int h = 0, n = 0, sec = 0;
  std::size_t count = 0;
  if (!ReadNumber(s, pos, 2, h, count)) return false;
  if (pos >= s.size() || s[pos] != fs.TimeSeparator) return false;
  ++pos;
  if (!ReadNumber(s, pos, 2, n, count)) return false;
  if (pos < s.size() && s[pos] == fs.TimeSeparator) {
    ++pos;
    if (!ReadNumber(s, pos, 2, sec, count)) return false;
  }
  if (h > 23 || n > 59 || sec > 59) return false;
  seconds = (h * 60 + n) * 60 + sec;
  return true;
}

// The date as FormatDatePart writes it; days since 1899-12-30. Years of one or
// two digits are read in the window 1930..2029.
bool ParseDatePart(std::u16string_view s, std::size_t& pos, const FormatSettings& fs, std::int64_t& days) {
  int year = -1, month = -1, day = -1;
  std::size_t yearDigits = 0;
  const std::u16string& f = fs.ShortDateFormat;
  for (std::size_t i = 0; i < f.size();) {
    char16_t c = f[i];
    if (IsDateLetter(c)) {
      char16_t l = LowerDateLetter(c);
      std::size_t run = 0;
      while (i < f.size() && LowerDateLetter(f[i]) == l) ++i, ++run;
      std::size_t maxDigits = l == u'y' ? 4 : 2;
      // Fields written next to each other without a separator have fixed widths.
      if (i < f.size() && IsDateLetter(f[i])) maxDigits = std::min(maxDigits, std::max<std::size_t>(run, 2));
      int value = 0;
      std::size_t count = 0;
      if (!ReadNumber(s, pos, maxDigits, value, count)) return false;
      if (l == u'y') {
        year = value;
        yearDigits = count;
      } else if (l == u'm') {
        month = value;
      } else {
        day = value;
      }
      continue;
    }
    char16_t expected = c == u'/' ? fs.DateSeparator : c;
    if (pos >= s.size() || s[pos] != expected) return false;
    ++pos;
    ++i;
  }
  if (year < 0 || month < 1 || month > 12 || day < 1) return false;
  if (yearDigits <= 2) year = static_cast<int>(TwoDigitYear(year));
  if (year < 100 || year > 9999) return false;
  if (static_cast<unsigned>(day) > DaysInMonth(year, static_cast<unsigned>(month))) return false;
  days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kDateEpoch;
  return true;
}

// A day (days since 1899-12-30) and a time of day as one serial.
DATE Serial(std::int64_t days, int seconds) {
  const double time = seconds / 86400.0;
  const auto day = static_cast<double>(days);
  // Before the epoch the fraction still counts forward within the day.
  return days < 0 ? day - time : day + time;
}

// The text exactly as DateToText writes it with the configured settings.
bool ParseConfiguredDate(std::u16string_view s, const FormatSettings& fs, DATE& out) {
  int seconds = 0;
  std::size_t pos = 0;
  if (ParseTime(s, pos, fs, seconds) && pos == s.size()) {
    out = seconds / 86400.0;
    return true;
  }
  pos = 0;
  std::int64_t days = 0;
  if (!ParseDatePart(s, pos, fs, days)) return false;
  seconds = 0;
  if (pos < s.size()) {
    std::size_t afterDate = pos;
    while (pos < s.size() && IsDateBlank(s[pos])) ++pos;
    if (pos == afterDate || !ParseTime(s, pos, fs, seconds) || pos != s.size()) return false;
  }
  out = Serial(days, seconds);
  return true;
}

// ---- Dates in free form: what an English locale accepts besides the
// configured format.
//
// The text is read as numbers, words and separators. A time is a run of one to
// three numbers joined by ":", the time separator or "." (when "." is not the
// date separator), optionally followed by AM or PM; an hour alone needs AM or
// PM. It stands before or after the date, apart from it by blanks. The date
// is two or three items (numbers, at most one English month name or its
// three-letter form) joined by the date separator, "/", "-", "," or blanks.

constexpr int kAm = 13;
constexpr int kPm = 14;

struct DateToken {
  enum Kind { Number, Word, Separator } kind = Number;
  int value = 0;           // Number: the value (saturated); Word: month 1..12, kAm or kPm
  std::size_t digits = 0;  // Number: how many digits
  char16_t sep = 0;        // Separator: the character; u' ' for a run of blanks
};

// Month 1..12, kAm, kPm, or 0 for a word with no meaning in a date.
int DateWordValue(std::u16string_view lower) {
  static constexpr std::u16string_view kMonths[12] = {u"january", u"february", u"march",     u"april",
                                                      u"may",     u"june",     u"july",      u"august",
                                                      u"september", u"october", u"november", u"december"};
  if (lower == u"am") return kAm;
  if (lower == u"pm") return kPm;
  for (int m = 0; m < 12; ++m)
    if (lower == kMonths[m] || (lower.size() == 3 && kMonths[m].substr(0, 3) == lower)) return m + 1;
  return 0;
}

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool IsDateSeparator(char16_t c, const FormatSettings& fs) {
  return c == u'/' || c == u'-' || c == u',' || c == u' ' || c == fs.DateSeparator;
}

bool IsTimeSeparator(char16_t c, const FormatSettings& fs) {
  return c == u':' || c == fs.TimeSeparator || (c == u'.' && fs.DateSeparator != u'.');
}

bool TokenizeDate(std::u16string_view s, const FormatSettings& fs, std::vector<DateToken>& out) {
  for (std::size_t i = 0; i < s.size();) {
    const char16_t c = s[i];
    DateToken t;
    if (IsDigit(c)) {
      while (i < s.size() && IsDigit(s[i])) {
        if (t.value < 100000) t.value = t.value * 10 + (s[i] - u'0');
        ++t.digits;
        ++i;
      }
    } else if (IsAsciiLetter(c)) {
      std::u16string word;
      while (i < s.size() && IsAsciiLetter(s[i])) word.push_back(LowerDateLetter(s[i++]));
      t.kind = DateToken::Word;
      t.value = DateWordValue(word);
      if (t.value == 0) return false;
    } else if (IsDateBlank(c)) {
      while (i < s.size() && IsDateBlank(s[i])) ++i;
      t.kind = DateToken::Separator;
      t.sep = u' ';
    } else if (IsDateSeparator(c, fs) || IsTimeSeparator(c, fs)) {
      t.kind = DateToken::Separator;
      t.sep = c;
      ++i;
    } else {
      return false;
    }
    out.push_back(t);
  }
  return true;
}

bool IsBlankToken(const std::vector<DateToken>& t, std::size_t i) {
  return t[i].kind == DateToken::Separator && t[i].sep == u' ';
}

// A time starting at token `begin`: its seconds and the token after it.
bool ReadTimeTokens(const std::vector<DateToken>& t, std::size_t begin, const FormatSettings& fs, int& seconds,
                    std::size_t& end) {
  int parts[3] = {0, 0, 0};
  int count = 0;
  std::size_t i = begin;
  while (true) {
    if (i >= t.size() || t[i].kind != DateToken::Number || t[i].digits > 2) return false;
    parts[count++] = t[i++].value;
    if (count == 3 || i + 1 >= t.size() || t[i].kind != DateToken::Separator || !IsTimeSeparator(t[i].sep, fs) ||
        t[i + 1].kind != DateToken::Number)
      break;
    ++i;
  }
  int half = 0;
  std::size_t k = i < t.size() && IsBlankToken(t, i) ? i + 1 : i;
  if (k < t.size() && t[k].kind == DateToken::Word && (t[k].value == kAm || t[k].value == kPm)) {
    half = t[k].value;
    i = k + 1;
  }
  if (count == 1 && half == 0) return false;
  int hour = parts[0];
  // An hour past twelve is already on the 24-hour clock: AM or PM after it
  // changes nothing.
  if (half != 0 && hour <= 12) hour = hour % 12 + (half == kPm ? 12 : 0);
  if (hour > 23 || parts[1] > 59 || parts[2] > 59) return false;
  seconds = (hour * 60 + parts[1]) * 60 + parts[2];
  end = i;
  return true;
}

std::int64_t CurrentYear() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

// Which of year, month and day come first, second and third in the short date
// format ('y', 'm', 'd').
std::u16string ConfiguredOrder(const FormatSettings& fs) {
  std::u16string order;
  for (char16_t c : fs.ShortDateFormat) {
    const char16_t l = LowerDateLetter(c);
    if (IsDateLetter(c) && order.find(l) == std::u16string::npos) order.push_back(l);
  }
  return order.size() == 3 ? order : std::u16string(u"ymd");
}

bool YearLike(const DateToken& t) { return t.digits > 2 || t.value > 31; }

// Year, month and day numbers as days since 1899-12-30; false when they form
// no date (a year of one or two digits is read in the window 1930..2029).
bool DaysOfDate(const DateToken& year, const DateToken& month, const DateToken& day, std::int64_t& days) {
  std::int64_t y = year.value;
  if (year.digits <= 2) y = TwoDigitYear(y);
  if (y < 100 || y > 9999 || month.value < 1 || month.value > 12 || day.value < 1 ||
      static_cast<unsigned>(day.value) > DaysInMonth(y, static_cast<unsigned>(month.value)))
    return false;
  days = DaysFromCivil(y, static_cast<unsigned>(month.value), static_cast<unsigned>(day.value)) - kDateEpoch;
  return true;
}

// The date items (numbers and at most one month name) to days since 1899-12-30.
bool DateFromItems(const std::vector<DateToken>& items, const FormatSettings& fs, std::int64_t& days) {
  std::vector<DateToken> numbers;
  int monthName = 0;
  for (const DateToken& t : items) {
    if (t.kind == DateToken::Number) {
      numbers.push_back(t);
    } else {
      if (monthName != 0 || t.value > 12) return false;  // a second month, or AM/PM inside a date
      monthName = t.value;
    }
  }
  const std::u16string order = ConfiguredOrder(fs);
  // The configured order of two of the fields, for instance of month and day.
  auto before = [&](char16_t a, char16_t b) { return order.find(a) < order.find(b); };
  const DateToken* year = nullptr;
  const DateToken* month = nullptr;
  const DateToken* day = nullptr;
  DateToken one;
  one.value = 1;
  one.digits = 1;
  DateToken thisYear;
  thisYear.value = static_cast<int>(CurrentYear());
  thisYear.digits = 4;
  DateToken named;
  named.value = monthName;
  named.digits = 2;
  if (monthName != 0) {
    month = &named;
    if (numbers.size() == 2) {
      // A number that can only be a year is the year; otherwise the day comes
      // first, as in "15 Mar 23" and "Mar 15 23".
      const bool firstYear = YearLike(numbers[0]), secondYear = YearLike(numbers[1]);
      if (firstYear && secondYear) return false;
      year = firstYear ? &numbers[0] : &numbers[1];
      day = firstYear ? &numbers[1] : &numbers[0];
    } else if (numbers.size() == 1) {
      const bool isYear = YearLike(numbers[0]);
      year = isYear ? &numbers[0] : &thisYear;
      day = isYear ? &one : &numbers[0];
    } else {
      return false;
    }
  } else if (numbers.size() == 3) {
    // The year is the number that can only be a year, first or last; without
    // one it stands where the short date format has it. A year first is
    // followed by month and day; otherwise month and day follow the format's
    // order. When that gives no month, numbers that need not end with the year
    // are read year, month, day (14 2 3 in m/d/y is 2014-02-03); else month
    // and day swap when only the swap makes a month (15/3/2023 in m/d/y).
    std::size_t y = order.find(u'y');
    const bool firstYear = YearLike(numbers[0]), lastYear = YearLike(numbers[2]);
    if (YearLike(numbers[1]) || (firstYear && lastYear)) return false;
    if (firstYear) y = 0;
    if (lastYear) y = 2;
    std::vector<const DateToken*> rest;
    for (std::size_t k = 0; k < 3; ++k)
      if (k != y) rest.push_back(&numbers[k]);
    year = &numbers[y];
    const bool monthFirst = y == 0 || before(u'm', u'd');
    month = monthFirst ? rest[0] : rest[1];
    day = monthFirst ? rest[1] : rest[0];
    if (y != 0 && month->value > 12) {
      if (!lastYear && DaysOfDate(numbers[0], numbers[1], numbers[2], days)) return true;
      if (day->value <= 12) std::swap(month, day);
    }
  } else if (numbers.size() == 2) {
    // Month and year (the first day), or month and day of this year.
    const bool firstYear = YearLike(numbers[0]), secondYear = YearLike(numbers[1]);
    if (firstYear && secondYear) return false;
    if (firstYear || secondYear) {
      year = firstYear ? &numbers[0] : &numbers[1];
      month = firstYear ? &numbers[1] : &numbers[0];
      day = &one;
    } else {
      year = &thisYear;
      month = before(u'm', u'd') ? &numbers[0] : &numbers[1];
      day = before(u'm', u'd') ? &numbers[1] : &numbers[0];
    }
  } else {
    return false;
  }
  return DaysOfDate(*year, *month, *day, days);
}

// Date items joined by separators, from `begin` to `end` (exclusive).
bool ReadDateTokens(const std::vector<DateToken>& t, std::size_t begin, std::size_t end, const FormatSettings& fs,
                    std::int64_t& days) {
  std::vector<DateToken> items;
  bool expectItem = true;  // at the start and after a separator
  int marks = 0;           // separators other than blanks since the last item
  for (std::size_t i = begin; i < end; ++i) {
    if (t[i].kind == DateToken::Separator) {
      if (items.empty() || !IsDateSeparator(t[i].sep, fs)) return false;
      if (t[i].sep != u' ' && ++marks > 1) return false;
      expectItem = true;
      continue;
    }
    if (!expectItem) return false;  // "15Mar": items need a separator between them
    items.push_back(t[i]);
    expectItem = false;
    marks = 0;
  }
  if (expectItem) return false;  // nothing, or a separator at the end
  return DateFromItems(items, fs, days);
}

bool ParseFreeFormDate(std::u16string_view s, const FormatSettings& fs, DATE& out) {
  std::vector<DateToken> t;
  if (s.empty() || !TokenizeDate(s, fs, t)) return false;
  // The time: at the start or at the end, apart from the date by blanks.
  for (std::size_t begin = 0; begin < t.size(); ++begin) {
    if (t[begin].kind != DateToken::Number || (begin > 0 && !IsBlankToken(t, begin - 1))) continue;
    int seconds = 0;
    std::size_t end = 0;
    if (!ReadTimeTokens(t, begin, fs, seconds, end)) continue;
    std::int64_t days = 0;
    if (begin == 0 && end == t.size()) {
      out = seconds / 86400.0;
      return true;
    }
    if (end == t.size()) {
      if (!ReadDateTokens(t, 0, begin - 1, fs, days)) continue;
    } else if (begin == 0 && IsBlankToken(t, end)) {
      if (!ReadDateTokens(t, end + 1, t.size(), fs, days)) continue;
    } else {
      continue;
    }
    out = Serial(days, seconds);
    return true;
  }
  std::int64_t days = 0;
  if (!ReadDateTokens(t, 0, t.size(), fs, days)) return false;
  out = Serial(days, 0);
  return true;
}

HRESULT TextToDate(std::u16string_view text, const FormatSettings& fs, DATE& out) {
  std::u16string_view s = text;
  while (!s.empty() && IsDateBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsDateBlank(s.back())) s.remove_suffix(1);
  DATE d = 0;
  if (!ParseConfiguredDate(s, fs, d) && !ParseFreeFormDate(s, fs, d)) return DISP_E_TYPEMISMATCH;
  out = d;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Coercion of one value (already looked through VT_BYREF) to a target type

HRESULT ToInteger(const VARIANT& v, LazySettings& ls, Wide& out) {
  switch (v.vt) {
    case VT_EMPTY: out = 0; return S_OK;
    case VT_I1: out = static_cast<signed char>(v.cVal); return S_OK;
    case VT_UI1: out = v.bVal; return S_OK;
    case VT_I2: out = v.iVal; return S_OK;
    case VT_UI2: out = v.uiVal; return S_OK;
    case VT_I4: out = v.lVal; return S_OK;
    case VT_UI4: out = v.ulVal; return S_OK;
    case VT_INT: out = v.intVal; return S_OK;
    case VT_UINT: out = v.uintVal; return S_OK;
    case VT_I8: out = v.llVal; return S_OK;
    case VT_UI8: out = v.ullVal; return S_OK;
    case VT_BOOL: out = v.boolVal; return S_OK;
    case VT_R4: return RoundReal(v.fltVal, out);
    case VT_R8: return RoundReal(v.dblVal, out);
    case VT_DATE: return RoundReal(v.date, out);
    case VT_CY: out = RoundCurrency(v.cyVal); return S_OK;
    case VT_BSTR: return TextToInteger(BstrView(v.bstrVal), ls.Get(), out);
    default: return DISP_E_TYPEMISMATCH;
  }
}

bool IsIntegerType(VARTYPE t) {
  switch (t) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
    case VT_INT: case VT_UINT: case VT_I8: case VT_UI8:
      return true;
    default:
      return false;
  }
}

HRESULT ToDouble(const VARIANT& v, LazySettings& ls, double& out) {
  switch (v.vt) {
    case VT_R4: out = v.fltVal; return S_OK;
    case VT_R8: out = v.dblVal; return S_OK;
    case VT_DATE: out = v.date; return S_OK;
    case VT_CY: out = DoubleFromCurrency(v.cyVal); return S_OK;
    case VT_BSTR: {
      Decimal d;
      if (HRESULT hr = ParseNumber(BstrView(v.bstrVal), ls.Get(), d); FAILED(hr)) return hr;
      return DecimalToReal(d, out);
    }
    default:
      if (v.vt != VT_EMPTY && v.vt != VT_BOOL && !IsIntegerType(v.vt)) return DISP_E_TYPEMISMATCH;
      Wide w = 0;
      if (HRESULT hr = ToInteger(v, ls, w); FAILED(hr)) return hr;
      out = static_cast<double>(w);
      return S_OK;
  }
}

HRESULT ToFloat(const VARIANT& v, LazySettings& ls, float& out) {
  if (v.vt == VT_BSTR) {
    // Straight from the decimal, without rounding twice through a double.
    Decimal d;
    if (HRESULT hr = ParseNumber(BstrView(v.bstrVal), ls.Get(), d); FAILED(hr)) return hr;
    return DecimalToReal(d, out);
  }
  double d = 0;
  if (HRESULT hr = ToDouble(v, ls, d); FAILED(hr)) return hr;
  return DoubleToFloat(d, out);
}

HRESULT ToCurrency(const VARIANT& v, LazySettings& ls, CY& out) {
  switch (v.vt) {
    case VT_CY: out = v.cyVal; return S_OK;
    case VT_R4: return CurrencyFromDouble(v.fltVal, out);
    case VT_R8: return CurrencyFromDouble(v.dblVal, out);
    case VT_DATE: return CurrencyFromDouble(v.date, out);
    case VT_BSTR: return TextToCurrency(BstrView(v.bstrVal), ls.Get(), out);
    default: {
      Wide w = 0;
      if (HRESULT hr = ToInteger(v, ls, w); FAILED(hr)) return hr;
      return CurrencyFromWide(w * 10000, out);
    }
  }
}

HRESULT ToDate(const VARIANT& v, LazySettings& ls, DATE& out) {
  if (v.vt == VT_BSTR) return TextToDate(BstrView(v.bstrVal), ls.Get(), out);
  double d = 0;
  if (HRESULT hr = ToDouble(v, ls, d); FAILED(hr)) return hr;
  if (!DateInRange(d)) return DISP_E_OVERFLOW;
  out = d;
  return S_OK;
}

HRESULT ToBool(const VARIANT& v, LazySettings& ls, VARIANT_BOOL& out) {
  bool nonZero = false;
  switch (v.vt) {
    case VT_EMPTY: nonZero = false; break;
    case VT_BOOL: nonZero = v.boolVal != 0; break;
    case VT_R4: nonZero = v.fltVal != 0; break;
    case VT_R8: nonZero = v.dblVal != 0; break;
    case VT_DATE: nonZero = v.date != 0; break;
    case VT_CY: nonZero = v.cyVal.int64 != 0; break;
    case VT_BSTR: return TextToBool(BstrView(v.bstrVal), ls.Get(), out);
    default: {
      if (!IsIntegerType(v.vt)) return DISP_E_TYPEMISMATCH;
      Wide w = 0;
      ToInteger(v, ls, w);
      nonZero = w != 0;
    }
  }
  out = nonZero ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

// Booleans are the number they hold ("-1" and "0" for the canonical values),
// or "True" and "False" with VARIANT_ALPHABOOL.
HRESULT ToText(const VARIANT& v, USHORT flags, LazySettings& ls, std::u16string& out) {
  switch (v.vt) {
    case VT_EMPTY: out.clear(); return S_OK;
    case VT_BOOL:
      if (flags & VARIANT_ALPHABOOL)
        out = v.boolVal ? u"True" : u"False";
      else
        out = IntegerText(v.boolVal);
      return S_OK;
    case VT_R4: out = RealText(v.fltVal, 7, ls.Get().DecimalSeparator); return S_OK;
    case VT_R8: out = RealText(v.dblVal, 15, ls.Get().DecimalSeparator); return S_OK;
    case VT_CY: out = CurrencyText(v.cyVal, ls.Get().DecimalSeparator); return S_OK;
    case VT_DATE: return DateToText(v.date, ls.Get(), out);
    case VT_BSTR: out = BstrView(v.bstrVal); return S_OK;
    default: {
      if (!IsIntegerType(v.vt)) return DISP_E_TYPEMISMATCH;
      Wide w = 0;
      ToInteger(v, ls, w);
      out = IntegerText(w);
      return S_OK;
    }
  }
}

// VT_UNKNOWN and VT_DISPATCH convert into each other through QueryInterface.
// Nothing else converts, Empty included: objects' default value properties are
// not called.
HRESULT ToInterface(const VARIANT& v, VARTYPE vt, void*& out) {
  IUnknown* unk = v.vt == VT_UNKNOWN ? v.punkVal : v.vt == VT_DISPATCH ? static_cast<IUnknown*>(v.pdispVal) : nullptr;
  if (v.vt != VT_UNKNOWN && v.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
  if (!unk) {
    out = nullptr;
    return S_OK;
  }
  void* p = nullptr;
  if (FAILED(unk->QueryInterface(vt == VT_DISPATCH ? IDispatch::Iid : IUnknown::Iid, &p)) || !p)
    return DISP_E_TYPEMISMATCH;
  out = p;
  return S_OK;
}

template <class T>
HRESULT ToIntegral(const VARIANT& v, LazySettings& ls, T& out) {
  Wide w = 0;
  if (HRESULT hr = ToInteger(v, ls, w); FAILED(hr)) return hr;
  return NarrowInteger(w, out);
}

// Converts a value of another type than vt into r (which owns nothing); r
// receives an owned value only on success. Anything but an error code converts
// to Empty and to Null; Null converts to nothing else.
HRESULT Coerce(const VARIANT& v, VARTYPE vt, USHORT flags, LazySettings& ls, VARIANT& r) {
  if (v.vt == VT_NULL && vt != VT_NULL) return DISP_E_TYPEMISMATCH;
  if (v.vt == VT_ERROR && (vt == VT_EMPTY || vt == VT_NULL)) return DISP_E_TYPEMISMATCH;
  HRESULT hr = S_OK;
  switch (vt) {
    case VT_EMPTY: break;
    case VT_NULL: break;
    case VT_I1: {
      signed char c = 0;
      hr = ToIntegral(v, ls, c);
      r.cVal = static_cast<CHAR>(c);
      break;
    }
    case VT_UI1: hr = ToIntegral(v, ls, r.bVal); break;
    case VT_I2: hr = ToIntegral(v, ls, r.iVal); break;
    case VT_UI2: hr = ToIntegral(v, ls, r.uiVal); break;
    case VT_I4: hr = ToIntegral(v, ls, r.lVal); break;
    case VT_UI4: hr = ToIntegral(v, ls, r.ulVal); break;
    case VT_INT: hr = ToIntegral(v, ls, r.intVal); break;
    case VT_UINT: hr = ToIntegral(v, ls, r.uintVal); break;
    case VT_I8: hr = ToIntegral(v, ls, r.llVal); break;
    case VT_UI8: hr = ToIntegral(v, ls, r.ullVal); break;
    case VT_R4: hr = ToFloat(v, ls, r.fltVal); break;
    case VT_R8: hr = ToDouble(v, ls, r.dblVal); break;
    case VT_CY: hr = ToCurrency(v, ls, r.cyVal); break;
    case VT_DATE: hr = ToDate(v, ls, r.date); break;
    case VT_BOOL: hr = ToBool(v, ls, r.boolVal); break;
    case VT_BSTR: {
      std::u16string s;
      hr = ToText(v, flags, ls, s);
      if (SUCCEEDED(hr)) {
        r.bstrVal = SysAllocStringView(s);
        if (!r.bstrVal) hr = E_OUTOFMEMORY;
      }
      break;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      void* p = nullptr;
      hr = ToInterface(v, vt, p);
      if (vt == VT_DISPATCH)
        r.pdispVal = static_cast<IDispatch*>(p);
      else
        r.punkVal = static_cast<IUnknown*>(p);
      break;
    }
    default:  // VT_ERROR from anything but VT_ERROR
      hr = DISP_E_TYPEMISMATCH;
      break;
  }
  if (SUCCEEDED(hr)) r.vt = vt;
  return hr;
}

}  // namespace

// ---------------------------------------------------------------------------
// VARIANT functions

extern "C" {

void VariantInit(VARIANT* v) {
  if (!v) return;
  v->vt = VT_EMPTY;
  v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
  v->llVal = 0;
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (!IsValidType(v->vt)) return DISP_E_BADVARTYPE;
  switch (v->vt) {
    case VT_BSTR: SysFreeString(v->bstrVal); break;
    case VT_DISPATCH: if (v->pdispVal) v->pdispVal->Release(); break;
    case VT_UNKNOWN: if (v->punkVal) v->punkVal->Release(); break;
    default: break;  // by-reference values are owned elsewhere
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (!IsValidType(src->vt)) return DISP_E_BADVARTYPE;
  if (dest == src) return S_OK;
  VARIANT copy;
  if (HRESULT hr = CopyValue(*src, copy); FAILED(hr)) return hr;
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  VARIANT value;
  if (HRESULT hr = ValueOf(*src, value); FAILED(hr)) return hr;
  if (dest == src && !(src->vt & VT_BYREF)) return S_OK;
  VARIANT copy;
  if (HRESULT hr = CopyValue(value, copy); FAILED(hr)) return hr;
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
  return VariantChangeTypeEx(dest, src, 0, flags, vt);
}

// The locale identifier is not used: texts always follow the process-wide
// format settings. A target that is no variant type at all is refused before
// the source is looked at. A by-reference source that refers to nothing has no
// value to coerce, whatever variant type is asked; after that, a by-reference
// target is refused. VT_VARIANT is no target: a variant cannot be coerced to
// "any type".
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID, USHORT flags, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  if (vt != VT_VARIANT && !IsValidType(vt)) return DISP_E_BADVARTYPE;
  if (IsValidType(src->vt) && (src->vt & VT_BYREF) && !src->byref) return DISP_E_TYPEMISMATCH;
  if (vt != VT_VARIANT && !IsValueType(vt)) return DISP_E_BADVARTYPE;
  VARIANT value;
  if (HRESULT hr = ValueOf(*src, value); FAILED(hr)) return hr;
  if (vt == VT_VARIANT) return DISP_E_TYPEMISMATCH;
  if (dest == src && src->vt == vt) return S_OK;
  VARIANT result;
  VariantInit(&result);
  LazySettings ls;
  HRESULT hr = value.vt == vt ? CopyValue(value, result) : Coerce(value, vt, flags, ls, result);
  if (FAILED(hr)) return hr;
  // The value view is not used any more, so clearing dest is safe even when it
  // is the source.
  VariantClear(dest);
  *dest = result;
  return S_OK;
}

}  // extern "C"

// ---------------------------------------------------------------------------
// Single conversions

// The time of day is rounded to the nearest second (a serial carries no
// milliseconds), so wMilliseconds is always 0; a time that rounds up to
// midnight is the next day.
INT VariantTimeToSystemTime(DOUBLE vtime, SYSTEMTIME* st) {
  if (!st) return FALSE;
  DateParts p;
  if (!SplitDate(vtime, p)) return FALSE;
  const std::int64_t day = DaysFromCivil(p.year, p.month, p.day);
  st->wYear = static_cast<WORD>(p.year);
  st->wMonth = static_cast<WORD>(p.month);
  st->wDay = static_cast<WORD>(p.day);
  // 1970-01-01 was a Thursday.
  std::int64_t dow = (day + 4) % 7;
  st->wDayOfWeek = static_cast<WORD>(dow < 0 ? dow + 7 : dow);
  st->wHour = static_cast<WORD>(p.seconds / 3600);
  st->wMinute = static_cast<WORD>(p.seconds / 60 % 60);
  st->wSecond = static_cast<WORD>(p.seconds % 60);
  st->wMilliseconds = 0;
  return TRUE;
}

// Years 0 to 99 are two-digit years (0-29: 2000-2029, 30-99: 1930-1999). A day
// of 0 is the last day of the previous month, and a day from 29 to 31 beyond
// the month's end runs on into the next month (2001-02-29 is 2001-03-01); a
// day above 31 or a month outside 1..12 fails. Milliseconds are ignored.
INT SystemTimeToVariantTime(const SYSTEMTIME* st, DOUBLE* vtime) {
  if (!st || !vtime) return FALSE;
  std::int64_t year = st->wYear;
  if (year < 100) year = TwoDigitYear(year);
  if (year > 9999 || st->wMonth < 1 || st->wMonth > 12 || st->wDay > 31 || st->wHour > 23 || st->wMinute > 59 ||
      st->wSecond > 59)
    return FALSE;
  const std::int64_t serialDay = DaysFromCivil(year, st->wMonth, 1) - kDateEpoch + st->wDay - 1;
  const auto day = static_cast<double>(serialDay);
  const double time = ((st->wHour * 60.0 + st->wMinute) * 60.0 + st->wSecond) / 86400.0;
  if (!DateInRange(day)) return FALSE;
  // Before the epoch the fraction still counts forward within the day.
  *vtime = day < 0 ? day - time : day + time;
  return TRUE;
}

HRESULT VarCyFromR8(double d, CY* out) {
  if (!out) return E_INVALIDARG;
  return CurrencyFromDouble(d, *out);
}

HRESULT VarR8FromCy(CY c, double* out) {
  if (!out) return E_INVALIDARG;
  *out = DoubleFromCurrency(c);
  return S_OK;
}

HRESULT VarCyFromStr(std::u16string_view s, CY* out) {
  if (!out) return E_INVALIDARG;
  return TextToCurrency(s, GetFormatSettings(), *out);
}

std::u16string VarBstrFromCy(CY c) { return CurrencyText(c, GetFormatSettings().DecimalSeparator); }

HRESULT VarI4FromStr(std::u16string_view s, LONG* out) {
  if (!out) return E_INVALIDARG;
  Wide w = 0;
  if (HRESULT hr = TextToInteger(s, GetFormatSettings(), w); FAILED(hr)) return hr;
  return NarrowInteger(w, *out);
}

HRESULT VarR8FromStr(std::u16string_view s, double* out) {
  if (!out) return E_INVALIDARG;
  Decimal d;
  if (HRESULT hr = ParseNumber(s, GetFormatSettings(), d); FAILED(hr)) return hr;
  return DecimalToReal(d, *out);
}

HRESULT VarDateFromStr(std::u16string_view s, DATE* out) {
  if (!out) return E_INVALIDARG;
  return TextToDate(s, GetFormatSettings(), *out);
}

std::u16string VarBstrFromR8(double d) { return RealText(d, 15, GetFormatSettings().DecimalSeparator); }

// Empty for serials outside 0100-01-01 .. 9999-12-31 (and NaN).
std::u16string VarBstrFromDate(DATE d) {
  std::u16string out;
  DateToText(d, GetFormatSettings(), out);
  return out;
}

// ---------------------------------------------------------------------------
// Variant

Variant Variant::Ansi(std::string_view s) { return AttachBstr(AnsiToBstr(s)); }

Variant Variant::Dispatch(IDispatch* d) {
  Variant v;
  v.vt = VT_DISPATCH;
  v.pdispVal = d;
  if (d) d->AddRef();
  return v;
}

Variant Variant::Unknown(IUnknown* u) {
  Variant v;
  v.vt = VT_UNKNOWN;
  v.punkVal = u;
  if (u) u->AddRef();
  return v;
}

Variant Variant::As(VARTYPE t, USHORT flags) const {
  Variant out;
  HRESULT hr = VariantChangeType(&out, this, flags, t);
  if (FAILED(hr))
    throw ComError(hr, std::string("Cannot convert ") + TypeName(vt) + " to " + TypeName(t) + ": " + ReasonText(hr));
  return out;
}
