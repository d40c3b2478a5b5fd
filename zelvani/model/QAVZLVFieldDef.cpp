#include "zelvani/model/QAVZLVFieldDef.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/com/ansi.h"
#include "platform/com/locale.h"
#include "zelvani/model/EditorHook.h"
#include "zelvani/model/Errors.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVFieldDef, CLSID_QAVZLVFieldDef);
ZELVANI_CLASS(TQAVZLVFieldDefs, CLSID_QAVZLVFieldDefs);

namespace {

using Wide = __int128;
using UWide = unsigned __int128;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

// Characters that never stand for the locale's decimal separator: digits,
// signs, exponent letters, blanks and control characters. A text made only of
// these reads the same in every locale, so the locale is looked up only for
// texts that hold anything else (looking it up copies the whole settings).
bool IsNeutral(char c) { return IsDigit(c) || c == '+' || c == '-' || c == 'e' || c == 'E' || IsBlankOrControl(c); }

// Whether S holds, at another position than SKIP, a character that could be
// the locale's decimal separator; "." counts only with DOT_TOO.
bool HoldsPossibleSeparator(std::string_view s, std::ptrdiff_t skip, bool dotToo) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (static_cast<std::ptrdiff_t>(i) == skip || IsNeutral(s[i])) continue;
    if (dotToo || s[i] != '.') return true;
  }
  return false;
}

// The locale's decimal separator as an 8-bit character, looked up at most once
// per conversion and only when needed.
class LocaleSeparator {
 public:
  char Get() {
    if (!known_) {
      sep_ = WideCharToAnsi(GetDecimalSeparator());
      known_ = true;
    }
    return sep_;
  }

 private:
  char sep_ = '.';
  bool known_ = false;
};

enum class NumberRead { Ok, NotANumber, Overflow };

constexpr int kMaxSignificantDigits = 40;

// Reads [blanks][+|-]digits[point digits][(e|E)[+|-]digits][blanks] exactly,
// blanks being the codes up to 32; IS_POINT(i) tells whether s[i] is the
// decimal point. At least one mantissa digit is needed. With OUT, the value
// times 10^SCALE rounded to the nearest integer (halves to the even
// neighbour) is stored there; Overflow when it does not fit 64 bits.
template <class IsPoint>
NumberRead ReadNumber(std::string_view s, IsPoint isPoint, int scale, std::int64_t* out) {
  std::size_t i = 0;
  std::size_t end = s.size();
  while (i < end && IsBlankOrControl(s[i])) ++i;
  while (end > i && IsBlankOrControl(s[end - 1])) --end;
  bool negative = false;
  if (i < end && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  // value = digits * 10^power; leading zeros are not kept, digits beyond the
  // kept ones only count for rounding (sticky).
  char digits[kMaxSignificantDigits];
  int count = 0;
  bool sticky = false;
  bool anyDigit = false;
  std::int64_t power = 0;
  auto take = [&](char c, bool fraction) {
    anyDigit = true;
    if (count == 0 && c == '0') {
      if (fraction) --power;
      return;
    }
    if (count < kMaxSignificantDigits) {
      digits[count++] = c;
      if (fraction) --power;
    } else {
      if (!fraction) ++power;
      if (c != '0') sticky = true;
    }
  };
  while (i < end && IsDigit(s[i])) take(s[i++], false);
  if (i < end && isPoint(i)) {
    ++i;
    while (i < end && IsDigit(s[i])) take(s[i++], true);
  }
  if (!anyDigit) return NumberRead::NotANumber;
  if (i < end && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < end && (s[i] == '+' || s[i] == '-')) {
      negativeExponent = s[i] == '-';
      ++i;
    }
    if (i >= end || !IsDigit(s[i])) return NumberRead::NotANumber;
    std::int64_t e = 0;
    while (i < end && IsDigit(s[i])) {
      if (e < 100000000) e = e * 10 + (s[i] - '0');  // saturates far beyond any range
      ++i;
    }
    power += negativeExponent ? -e : e;
  }
  if (i != end) return NumberRead::NotANumber;
  if (!out) return NumberRead::Ok;
  if (count == 0) {
    *out = 0;
    return NumberRead::Ok;
  }
  const std::int64_t intLen = count + power + scale;  // digits before the point after scaling
  if (intLen > 19) return NumberRead::Overflow;
  UWide mag = 0;
  for (std::int64_t k = 0; k < intLen; ++k) mag = mag * 10 + static_cast<unsigned>(k < count ? digits[k] - '0' : 0);
  if (intLen >= 0 && intLen < count) {
    const char first = digits[intLen];
    bool more = sticky;
    for (std::int64_t k = intLen + 1; k < count && !more; ++k) more = digits[k] != '0';
    if (first > '5' || (first == '5' && (more || (mag & 1)))) ++mag;
  }
  const UWide limit = negative ? UWide(1) << 63 : (UWide(1) << 63) - 1;
  if (mag > limit) return NumberRead::Overflow;
  *out = negative ? static_cast<std::int64_t>(-static_cast<Wide>(mag)) : static_cast<std::int64_t>(mag);
  return NumberRead::Ok;
}

// S, trimmed, as a 32-bit decimal integer: an optional sign and digits only.
bool ReadDecimalInteger(std::string_view s, std::int32_t& out) {
  const std::string t = Trim(s);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    negative = t[i] == '-';
    ++i;
  }
  if (i == t.size()) return false;
  std::int64_t v = 0;
  for (; i < t.size(); ++i) {
    if (!IsDigit(t[i])) return false;
    v = v * 10 + (t[i] - '0');
    if (v > (std::int64_t{1} << 31)) return false;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

void AppendInteger(std::string& s, Wide v) {
  UWide m = v < 0 ? UWide(0) - static_cast<UWide>(v) : static_cast<UWide>(v);
  char buf[48];
  char* p = buf + sizeof buf;
  do {
    *--p = static_cast<char>('0' + static_cast<int>(m % 10));
    m /= 10;
  } while (m);
  if (v < 0) s += '-';
  s.append(p, static_cast<std::size_t>(buf + sizeof buf - p));
}

void AppendDigits(std::string& s, unsigned v, int width) {
  char buf[10];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v && n < 10);
  for (int k = n; k < width; ++k) s += '0';
  while (n) s += buf[--n];
}

// A currency as [-]digits[.digits] without trailing zeros; the position of the
// "." or -1.
std::ptrdiff_t AppendCurrency(std::string& s, CY c) {
  const bool negative = c.int64 < 0;
  const std::uint64_t m = negative ? 0 - static_cast<std::uint64_t>(c.int64) : static_cast<std::uint64_t>(c.int64);
  if (negative) s += '-';
  AppendInteger(s, static_cast<Wide>(m / 10000));
  unsigned frac = static_cast<unsigned>(m % 10000);
  if (!frac) return -1;
  const auto point = static_cast<std::ptrdiff_t>(s.size());
  s += '.';
  int width = 4;
  while (frac % 10 == 0) {
    frac /= 10;
    --width;
  }
  AppendDigits(s, frac, width);
  return point;
}

// N as upper-case hexadecimal digits, at least WIDTH of them; a negative
// number as its 32-bit two's complement.
void AppendHex(std::string& s, std::int32_t n, LONG width) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  auto u = static_cast<std::uint32_t>(n);
  char buf[8];
  int count = 0;
  do {
    buf[count++] = kHex[u & 0xF];
    u >>= 4;
  } while (u);
  if (width > count) s.append(static_cast<std::size_t>(width - count), '0');
  while (count) s += buf[--count];
}

// v / d rounded to the nearest integer, halves to the even neighbour.
std::int64_t DivideRounded(std::int64_t v, std::int64_t d) {
  std::int64_t q = v / d;
  std::int64_t r = v % d;
  if (r < 0) r = -r;
  if (2 * r > d || (2 * r == d && (q & 1))) q += v < 0 ? -1 : 1;
  return q;
}

// The text of a field while its conversions are applied. A currency value is
// written with "." at POINT standing for the locale's decimal separator, so
// that the conversions need not look the locale up; Resolve puts the real
// separator there when the text leaves as it is.
struct FieldTextState {
  explicit FieldTextState(std::string& text) : s(text) {}

  std::string& s;
  std::ptrdiff_t point = -1;
  LocaleSeparator locale;

  void Resolve() {
    if (point >= 0) s[static_cast<std::size_t>(point)] = locale.Get();
    point = -1;
  }
};

// The value as text, as the object layer writes it; Null and Empty are the
// empty string. False for a value that has no text.
bool AppendValueText(const VARIANT& v, FieldTextState& t) {
  std::string& s = t.s;
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_BSTR:
      for (char16_t c : BstrView(v.bstrVal)) s += c < 0x80 ? static_cast<char>(c) : WideCharToAnsi(c);
      return true;
    case VT_I1: AppendInteger(s, static_cast<signed char>(v.cVal)); return true;
    case VT_UI1: AppendInteger(s, v.bVal); return true;
    case VT_I2: AppendInteger(s, v.iVal); return true;
    case VT_UI2: AppendInteger(s, v.uiVal); return true;
    case VT_I4: AppendInteger(s, v.lVal); return true;
    case VT_UI4: AppendInteger(s, v.ulVal); return true;
    case VT_INT: AppendInteger(s, v.intVal); return true;
    case VT_UINT: AppendInteger(s, v.uintVal); return true;
    case VT_I8: AppendInteger(s, v.llVal); return true;
    case VT_UI8: AppendInteger(s, v.ullVal); return true;
    case VT_BOOL: s += v.boolVal ? "True" : "False"; return true;
    case VT_CY: {
      const std::ptrdiff_t point = AppendCurrency(s, v.cyVal);
      if (point >= 0) t.point = point;
      return true;
    }
    default: {
      if (v.vt & VT_BYREF) {
        Variant direct;
        if (FAILED(VariantCopyInd(&direct, &v)) || (direct.vt & VT_BYREF)) return false;
        return AppendValueText(direct, t);
      }
      // Reals and dates follow the object layer's text forms.
      Variant text;
      if (FAILED(VariantChangeType(&text, &v, 0, VT_BSTR))) return false;
      for (char16_t c : BstrView(text.bstrVal)) s += c < 0x80 ? static_cast<char>(c) : WideCharToAnsi(c);
      return true;
    }
  }
}

// Whether the value coerces to a true boolean; False when it does not coerce.
bool IsTrue(const VARIANT& v) {
  if (v.vt == VT_BOOL) return v.boolVal != VARIANT_FALSE;
  Variant b;
  if (FAILED(VariantChangeType(&b, &v, 0, VT_BOOL))) return false;
  return b.boolVal != VARIANT_FALSE;
}

// The value as a date split into its fields, the time to the millisecond (so
// a time a fraction of a second before a full minute keeps its minute; the
// object layer's split rounds to the second).
bool ToSystemTime(const VARIANT& v, SYSTEMTIME& st) {
  DATE d = 0;
  if (v.vt == VT_DATE) {
    d = v.date;
  } else {
    Variant date;
    if (FAILED(VariantChangeType(&date, &v, 0, VT_DATE))) return false;
    d = date.date;
  }
  if (!std::isfinite(d)) return false;
  // The day from its whole serial, the time of day from the fraction's size.
  double day = std::trunc(d);
  auto ms = std::llround(std::fabs(d - day) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    day += 1;
  }
  if (!VariantTimeToSystemTime(day, &st)) return false;
  st.wHour = static_cast<WORD>(ms / 3600000);
  st.wMinute = static_cast<WORD>(ms / 60000 % 60);
  st.wSecond = static_cast<WORD>(ms / 1000 % 60);
  st.wMilliseconds = static_cast<WORD>(ms % 1000);
  return true;
}

// Removes the blanks and control characters at both ends.
void TrimText(FieldTextState& t) {
  std::size_t lead = 0;
  while (lead < t.s.size() && IsBlankOrControl(t.s[lead])) ++lead;
  t.s.assign(Trim(t.s));
  if (t.point >= 0) t.point -= static_cast<std::ptrdiff_t>(lead);
}

void PadFront(FieldTextState& t, LONG size, char pad) {
  const auto width = static_cast<std::size_t>(size);
  if (t.s.size() >= width) return;
  const std::size_t n = width - t.s.size();
  t.s.insert(0, n, pad);
  if (t.point >= 0) t.point += static_cast<std::ptrdiff_t>(n);
}

// qzlvdcHundredths (SCALE 2) and qzlvdcThousands (SCALE 3): the text read as a
// number with "." or the locale's separator as the decimal point (0 when it is
// no number), times 10^SCALE, rounded with halves to the even neighbour, as a
// plain integer. A value beyond 64 bits leaves the text as it was.
void ScaleText(FieldTextState& t, int scale) {
  const std::string& s = t.s;
  // A canonical point already makes the only valid decimal point, so any other
  // separator, whichever character the locale uses, spoils the number anyway.
  const bool withLocale = t.point < 0 && HoldsPossibleSeparator(s, -1, false);
  const char sep = withLocale ? t.locale.Get() : '.';
  std::int64_t v = 0;
  const NumberRead r = ReadNumber(s, [&](std::size_t i) { return s[i] == '.' || s[i] == sep; }, scale, &v);
  if (r == NumberRead::Overflow) return;
  if (r == NumberRead::NotANumber) v = 0;
  t.s.clear();
  AppendInteger(t.s, v);
  t.point = -1;
}

// Whether the text reads as a floating-point number in the locale's format.
bool ReadsAsLocaleNumber(FieldTextState& t) {
  const std::string& s = t.s;
  if (t.point >= 0) {
    const auto point = static_cast<std::size_t>(t.point);
    return ReadNumber(s, [&](std::size_t i) { return i == point; }, 0, nullptr) == NumberRead::Ok;
  }
  if (!HoldsPossibleSeparator(s, -1, true))
    return ReadNumber(s, [](std::size_t) { return false; }, 0, nullptr) == NumberRead::Ok;
  const char sep = t.locale.Get();
  return ReadNumber(s, [&](std::size_t i) { return s[i] == sep; }, 0, nullptr) == NumberRead::Ok;
}

// The locale's decimal separator in the text becomes ".".
void SeparatorToDot(FieldTextState& t) {
  if (HoldsPossibleSeparator(t.s, t.point, false)) {
    const char sep = t.locale.Get();
    if (sep != '.') std::replace(t.s.begin(), t.s.end(), sep, '.');
  }
  t.point = -1;
}

Variant ExtractCurrency(std::string_view field, LONG conversions) {
  std::string_view s = field;
  std::string joined;
  if ((conversions & qzlvdcSigned) && !s.empty()) {
    // A sign followed by blanks and digits reads as signed.
    joined.reserve(s.size());
    joined += s[0];
    for (char c : s.substr(1))
      if (c != ' ') joined += c;
    s = joined;
  }
  CY cy{};
  const HRESULT hr = ReadCurrency(s, cy);
  if (hr == DISP_E_TYPEMISMATCH) return Variant::I4(-1);
  if (FAILED(hr)) return Variant::Null();
  if (conversions & qzlvdcHundredths) cy.int64 = DivideRounded(cy.int64, 100);
  if (conversions & qzlvdcThousands) cy.int64 = DivideRounded(cy.int64, 1000);
  return Variant::Cy(cy);
}

// DIGITS characters of S from POS as a decimal number; false unless all are digits.
bool ReadDigits(std::string_view s, std::size_t pos, std::size_t digits, unsigned& out) {
  if (pos + digits > s.size()) return false;
  out = 0;
  for (std::size_t k = pos; k < pos + digits; ++k) {
    if (!IsDigit(s[k])) return false;
    out = out * 10 + static_cast<unsigned>(s[k] - '0');
  }
  return true;
}

Variant DateOrNull(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute) {
  if (year > 9999 || month > 12 || day > 31 || hour > 23 || minute > 59) return Variant::Null();
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  DATE d = 0;
  if (!SystemTimeToVariantTime(&st, &d)) return Variant::Null();
  // The object layer reads years below 100 as two-digit years and runs day 0 or
  // a day past the month's end into a neighbouring month; here such digits
  // form no date, which shows as a date that does not read back the same.
  SYSTEMTIME back{};
  if (!VariantTimeToSystemTime(d, &back) || back.wYear != st.wYear || back.wMonth != st.wMonth ||
      back.wDay != st.wDay)
    return Variant::Null();
  return Variant::Date(d);
}

Variant ExtractDate(std::string_view s, bool shortDate) {
  unsigned year = 0, month = 0, day = 0;
  const std::size_t yearDigits = shortDate ? 2 : 4;
  if (!ReadDigits(s, 0, yearDigits, year) || !ReadDigits(s, yearDigits, 2, month) ||
      !ReadDigits(s, yearDigits + 2, 2, day))
    return Variant::Null();
  if (shortDate) year += year >= 50 ? 1900 : 2000;
  return DateOrNull(year, month, day, 0, 0);
}

Variant ExtractTime(std::string_view s) {
  unsigned hour = 0, minute = 0;
  if (!ReadDigits(s, 0, 2, hour) || !ReadDigits(s, 2, 2, minute)) return Variant::Null();
  return DateOrNull(1899, 12, 30, hour, minute);
}

// The text without the characters 255, as a string value.
Variant ExtractString(std::string_view s) {
  const auto kept = static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) {
    return static_cast<unsigned char>(c) != 255;
  }));
  BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(kept));
  if (!b) throw std::bad_alloc();
  std::size_t k = 0;
  for (char c : s)
    if (static_cast<unsigned char>(c) != 255) b[k++] = AnsiCharToWide(static_cast<unsigned char>(c));
  return Variant::AttachBstr(b);
}

// The value as text for the currency rule of DefaultValue (Null and Empty are
// the empty string).
std::u16string DefaultValueText(const VARIANT& v) {
  Variant direct;
  if (FAILED(VariantCopyInd(&direct, &v))) throw EConvertError("The default value has no text form");
  if (direct.vt == VT_EMPTY || direct.vt == VT_NULL) return u"";
  Variant text;
  if (FAILED(VariantChangeType(&text, &direct, VARIANT_ALPHABOOL, VT_BSTR)))
    throw EConvertError("The default value has no text form");
  return std::u16string(BstrView(text.bstrVal));
}

// The 0-based place where a paste at POSITION (1-based) starts, when that
// position lies inside a buffer of SIZE characters.
bool PasteStart(LONG position, std::size_t size, std::size_t& at) {
  if (position < 1 || static_cast<std::size_t>(position) > size) return false;
  at = static_cast<std::size_t>(position) - 1;
  return true;
}

// The scratch text of Paste, reused so that a paste allocates nothing once the
// scratch has grown to the size of the fields; an unusually long text does not
// keep its memory.
class ScratchText {
 public:
  ScratchText() : s_(Slot()) {}
  ~ScratchText() {
    if (s_.capacity() > kKeep) std::string().swap(s_);
  }
  ScratchText(const ScratchText&) = delete;
  ScratchText& operator=(const ScratchText&) = delete;
  std::string& Get() { return s_; }

 private:
  static constexpr std::size_t kKeep = 4096;
  static std::string& Slot() {
    thread_local std::string s;
    return s;
  }
  std::string& s_;
};

const char* const kSourceRead = "Cannot read the source field definition";

}  // namespace

HRESULT ReadCurrency(std::string_view s, CY& out) {
  LocaleSeparator locale;
  const char sep = HoldsPossibleSeparator(s, -1, false) ? locale.Get() : '.';
  std::int64_t v = 0;
  switch (ReadNumber(s, [&](std::size_t i) { return s[i] == '.' || s[i] == sep; }, 4, &v)) {
    case NumberRead::Ok: out.int64 = v; return S_OK;
    case NumberRead::NotANumber: return DISP_E_TYPEMISMATCH;
    case NumberRead::Overflow: return DISP_E_OVERFLOW;
  }
  return DISP_E_TYPEMISMATCH;
}

// ---------------------------------------------------------------------------
// TQAVZLVFieldDef

HRESULT TQAVZLVFieldDef::get_ID(BSTR* result) {
  return Get(result, [&] { return id_; });
}
HRESULT TQAVZLVFieldDef::put_ID(BSTR value) {
  return Guard([&] { id_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVFieldDef::get_Name(BSTR* result) {
  return Get(result, [&] { return name_; });
}
HRESULT TQAVZLVFieldDef::put_Name(BSTR value) {
  return Guard([&] { name_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVFieldDef::get_Index(LONG* result) {
  return Get(result, [&] { return index_; });
}
HRESULT TQAVZLVFieldDef::put_Index(LONG value) {
  return Guard([&] { index_ = value; });
}
HRESULT TQAVZLVFieldDef::get_Size(LONG* result) {
  return Get(result, [&] { return size_; });
}
HRESULT TQAVZLVFieldDef::put_Size(LONG value) {
  return Guard([&] { size_ = value; });
}
HRESULT TQAVZLVFieldDef::get_DataType(LONG* result) {
  return Get(result, [&] { return dataType_; });
}
HRESULT TQAVZLVFieldDef::put_DataType(LONG value) {
  return Guard([&] { dataType_ = value; });
}
HRESULT TQAVZLVFieldDef::get_Constraints(LONG* result) {
  return Get(result, [&] { return constraints_; });
}
HRESULT TQAVZLVFieldDef::put_Constraints(LONG value) {
  return Guard([&] { constraints_ = value; });
}
HRESULT TQAVZLVFieldDef::get_MinValue(VARIANT* result) {
  return Get(result, [&]() -> const VARIANT& { return minValue_; });
}
HRESULT TQAVZLVFieldDef::put_MinValue(VARIANT value) {
  return Guard([&] { minValue_ = CopyOfValue(value); });
}
HRESULT TQAVZLVFieldDef::get_MaxValue(VARIANT* result) {
  return Get(result, [&]() -> const VARIANT& { return maxValue_; });
}
HRESULT TQAVZLVFieldDef::put_MaxValue(VARIANT value) {
  return Guard([&] { maxValue_ = CopyOfValue(value); });
}
HRESULT TQAVZLVFieldDef::get_DefaultValue(VARIANT* result) {
  return Get(result, [&]() -> const VARIANT& { return defaultValue_; });
}
HRESULT TQAVZLVFieldDef::put_DefaultValue(VARIANT value) {
  return Guard([&] { SetDefaultValue(value); });
}
HRESULT TQAVZLVFieldDef::get_Separator(BSTR* result) {
  return Get(result, [&] { return separator_; });
}
HRESULT TQAVZLVFieldDef::put_Separator(BSTR value) {
  return Guard([&] { separator_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVFieldDef::get_Required(VARIANT_BOOL* result) {
  if (!result) return E_POINTER;
  *result = required_;
  return S_OK;
}
HRESULT TQAVZLVFieldDef::put_Required(VARIANT_BOOL value) {
  return Guard([&] { required_ = value; });
}
HRESULT TQAVZLVFieldDef::get_Conversions(LONG* result) {
  return Get(result, [&] { return conversions_; });
}
HRESULT TQAVZLVFieldDef::put_Conversions(LONG value) {
  return Guard([&] { conversions_ = value; });
}
HRESULT TQAVZLVFieldDef::get_Offset(LONG* result) {
  return Get(result, [&] { return offset_; });
}
HRESULT TQAVZLVFieldDef::put_Offset(LONG value) {
  return Guard([&] { offset_ = value; });
}

HRESULT TQAVZLVFieldDef::PasteValue(BSTR* buffer, VARIANT value, LONG offset, VARIANT_BOOL* result) {
  return Get(result, [&] {
    if (!buffer) throw ComError(E_POINTER, "No buffer to paste the value into");
    // The characters around the field stay exactly as the caller gave them,
    // even those the 8-bit code page cannot hold.
    const std::u16string_view wide = BstrView(*buffer);
    std::size_t at = 0;
    if (!PasteStart(offset < 0 ? offset_ : offset, wide.size(), at)) return false;
    std::string text;
    bool whole = false;
    if (!FieldText(value, text, &whole)) return false;
    std::u16string updated(wide);
    const std::size_t n = std::min(text.size(), updated.size() - at);
    for (std::size_t k = 0; k < n; ++k) updated[at + k] = AnsiCharToWide(static_cast<unsigned char>(text[k]));
    BSTR fresh = SysAllocStringView(updated);
    if (!fresh) throw std::bad_alloc();
    SysFreeString(*buffer);
    *buffer = fresh;
    return whole;
  });
}

HRESULT TQAVZLVFieldDef::ExtractValue(BSTR buffer, VARIANT* value, VARIANT_BOOL* result) {
  if (!value) return E_POINTER;
  VariantInit(value);
  return Get(result, [&] {
    Variant v;
    const bool read = Extract(BstrToAnsi(buffer), v);
    v.Detach(value);
    return read;
  });
}

HRESULT TQAVZLVFieldDef::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::FieldDef, this); });
}

HRESULT TQAVZLVFieldDef::CopyFrom(IQAVZLVFieldDef* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

void TQAVZLVFieldDef::SetDefaultValue(const VARIANT& v) {
  if (dataType_ != qzlvdaCurrency) {
    defaultValue_ = CopyOfValue(v);
    return;
  }
  // The packet library writes amounts with "."; read them in any locale.
  std::u16string text = DefaultValueText(v);
  // An empty text is no default: the definitions file and the editors both
  // leave an amount field without one that way. Null stays no amount.
  Variant direct;
  if (text.empty() && SUCCEEDED(VariantCopyInd(&direct, &v)) && direct.vt != VT_NULL) {
    defaultValue_ = Variant();
    return;
  }
  // Read as an amount of a packet is read; a character the code page cannot
  // hold belongs to no number.
  const std::string ansi = WideToAnsi(text);
  CY cy{};
  if (AnsiToWide(ansi) != text || FAILED(ReadCurrency(ansi, cy)))
    throw EConvertError("'" + ansi + "' is not a valid floating point value");
  defaultValue_ = Variant::Cy(cy);
}

bool TQAVZLVFieldDef::FieldText(const VARIANT& value, std::string& text, bool* whole) const {
  text.clear();
  FieldTextState t{text};
  const LONG size = std::max<LONG>(size_, 0);
  switch (dataType_) {
    case qzlvdaChar:
      if (!AppendValueText(value, t)) return false;
      if (text.size() > 1) text.resize(1);
      if (t.point >= static_cast<std::ptrdiff_t>(text.size())) t.point = -1;
      break;
    case qzlvdaBool:
      text += IsTrue(value) ? '1' : '0';
      break;
    case qzlvdaDate: {
      SYSTEMTIME st{};
      if (!ToSystemTime(value, st)) return false;
      AppendDigits(text, st.wYear, 4);
      AppendDigits(text, st.wMonth, 2);
      AppendDigits(text, st.wDay, 2);
      if (HasConversion(qzlvdcShortDate)) text.erase(0, 2);
      break;
    }
    case qzlvdaTime: {
      SYSTEMTIME st{};
      if (!ToSystemTime(value, st)) return false;
      AppendDigits(text, st.wHour, 2);
      AppendDigits(text, st.wMinute, 2);
      break;
    }
    case qzlvdaString:
    case qzlvdaCurrency:
    case qzlvdaInteger:
      if (!AppendValueText(value, t)) return false;
      break;
    default:
      return false;
  }

  if (HasConversion(qzlvdcStringTerminated)) text += separator_;
  if (HasConversion(qzlvdcHex)) {
    std::int32_t n = 0;
    if (t.point >= 0 || !ReadDecimalInteger(text, n)) return false;
    text.clear();
    AppendHex(text, n, size);
  }
  if (HasConversion(qzlvdcHundredths)) ScaleText(t, 2);
  if (HasConversion(qzlvdcThousands)) ScaleText(t, 3);
  if (HasConversion(qzlvdcRightJustify)) {
    TrimText(t);
    PadFront(t, size, ' ');
  }
  if (HasConversion(qzlvdcZeroPadded)) {
    if (!ReadsAsLocaleNumber(t)) return false;
    TrimText(t);
    PadFront(t, size, '0');
  }
  if (dataType_ == qzlvdaCurrency) SeparatorToDot(t);

  const auto width = static_cast<std::size_t>(size);
  if (whole) {
    std::size_t length = text.size();
    if (HasConversion(qzlvdcStringTerminated) && text.ends_with(separator_)) length -= separator_.size();
    *whole = length <= width;
  }
  if (text.size() > width)
    text.resize(width);
  else
    text.append(width - text.size(), ' ');
  if (t.point >= static_cast<std::ptrdiff_t>(width)) t.point = -1;
  t.Resolve();

  if (HasConversion(qzlvdcFitFieldToData)) text += separator_;
  return true;
}

bool TQAVZLVFieldDef::Paste(std::string& buffer, const VARIANT& value, LONG position) const {
  std::size_t at = 0;
  if (!PasteStart(position < 0 ? offset_ : position, buffer.size(), at)) return false;
  ScratchText scratch;
  std::string& text = scratch.Get();
  if (!FieldText(value, text)) return false;
  const std::size_t n = std::min(text.size(), buffer.size() - at);
  buffer.replace(at, n, text, 0, n);
  return true;
}

bool TQAVZLVFieldDef::Extract(std::string_view buffer, Variant& value) const {
  value.Clear();
  const std::int64_t first = offset_;
  const std::int64_t size = size_;
  if (first < 1 || size < 0 || first - 1 + size > static_cast<std::int64_t>(buffer.size())) return false;
  const std::string_view s = buffer.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(size));
  switch (dataType_) {
    case qzlvdaChar:
      value = Variant::Ansi(s.substr(0, 1));
      break;
    case qzlvdaBool:
      value = Variant::Bool(!s.empty() && s[0] == '1');
      break;
    case qzlvdaCurrency:
      value = ExtractCurrency(s, conversions_);
      break;
    case qzlvdaInteger:
      if (HasConversion(qzlvdcHex)) {
        try {
          value = Variant::I4(HexStrToInt(s, false));
        } catch (const EConvertError&) {
          value = Variant::Null();
        }
      } else if (std::int32_t n = 0; ReadDecimalInteger(s, n)) {
        value = Variant::I4(n);
      }
      break;
    case qzlvdaDate:
      value = ExtractDate(s, HasConversion(qzlvdcShortDate));
      break;
    case qzlvdaTime:
      value = ExtractTime(s);
      break;
    default:
      value = ExtractString(s);
      break;
  }
  return !value.IsEmpty() && !value.IsNull();
}

bool TQAVZLVFieldDef::CopyFromSource(IQAVZLVFieldDef* source) {
  if (!source) return false;
  // Everything is read first, so that a source failing half-way leaves this
  // definition as it was.
  LONG constraints = 0, dataType = 0, index = 0, size = 0, conversions = 0, offset = 0;
  Bstr id, name, separator;
  Variant maxValue, minValue, defaultValue;
  VARIANT_BOOL required = VARIANT_FALSE;
  ThrowIfFailed(source->get_Constraints(&constraints), kSourceRead);
  ThrowIfFailed(source->get_DataType(&dataType), kSourceRead);
  ThrowIfFailed(source->get_ID(id.Out()), kSourceRead);
  ThrowIfFailed(source->get_MaxValue(&maxValue), kSourceRead);
  ThrowIfFailed(source->get_MinValue(&minValue), kSourceRead);
  ThrowIfFailed(source->get_Name(name.Out()), kSourceRead);
  ThrowIfFailed(source->get_Index(&index), kSourceRead);
  ThrowIfFailed(source->get_Size(&size), kSourceRead);
  ThrowIfFailed(source->get_DefaultValue(&defaultValue), kSourceRead);
  ThrowIfFailed(source->get_Separator(separator.Out()), kSourceRead);
  ThrowIfFailed(source->get_Required(&required), kSourceRead);
  ThrowIfFailed(source->get_Conversions(&conversions), kSourceRead);
  ThrowIfFailed(source->get_Offset(&offset), kSourceRead);
  constraints_ = constraints;
  dataType_ = dataType;
  id_ = BstrToAnsi(id.Get());
  maxValue_ = std::move(maxValue);
  minValue_ = std::move(minValue);
  name_ = BstrToAnsi(name.Get());
  index_ = index;
  size_ = size;
  defaultValue_ = std::move(defaultValue);
  separator_ = BstrToAnsi(separator.Get());
  required_ = required;
  conversions_ = conversions;
  offset_ = offset;
  return true;
}

// ---------------------------------------------------------------------------
// TQAVZLVFieldDefs

namespace {

// The Name or ID of a field definition, straight from the object when it is
// one of this module's.
std::string TextOf(IQAVZLVFieldDef* item, bool id) {
  if (auto* own = OwnClass<TQAVZLVFieldDef>(item)) return id ? own->ID() : own->Name();
  Bstr text;
  if (FAILED(id ? item->get_ID(text.Out()) : item->get_Name(text.Out()))) return {};
  return BstrToAnsi(text.Get());
}

}  // namespace

HRESULT TQAVZLVFieldDefs::get_Items(LONG i, IQAVZLVFieldDef** result) {
  return Get(result, [&] { return At(i); });
}

HRESULT TQAVZLVFieldDefs::FindByName(BSTR name, IQAVZLVFieldDef** result) {
  return Get(result, [&]() -> ComPtr<IQAVZLVFieldDef> {
    const std::string ansi = BstrToAnsi(name);
    // A character the code page cannot hold is in no field's name.
    if (AnsiToWide(ansi) != BstrView(name)) return nullptr;
    return FindName(ansi);
  });
}

HRESULT TQAVZLVFieldDefs::FindByID(BSTR id, IQAVZLVFieldDef** result) {
  return Get(result, [&]() -> ComPtr<IQAVZLVFieldDef> {
    const std::string ansi = BstrToAnsi(id);
    if (AnsiToWide(ansi) != BstrView(id)) return nullptr;
    return FindID(ansi);
  });
}

HRESULT TQAVZLVFieldDefs::Clear() {
  return Guard([&] { RemoveAll(); });
}

HRESULT TQAVZLVFieldDefs::CopyFrom(IQAVZLVFieldDefs* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

HRESULT TQAVZLVFieldDefs::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::FieldDefs, this); });
}

ComPtr<IQAVZLVFieldDef> TQAVZLVFieldDefs::FindName(std::string_view name) const {
  for (const auto& item : items_)
    if (TextOf(item.Get(), false) == name) return item;
  return nullptr;
}

ComPtr<IQAVZLVFieldDef> TQAVZLVFieldDefs::FindID(std::string_view id) const {
  for (const auto& item : items_)
    if (TextOf(item.Get(), true) == id) return item;
  return nullptr;
}

bool TQAVZLVFieldDefs::CopyFromSource(IQAVZLVFieldDefs* source) {
  if (!source) return false;
  LONG count = 0;
  ThrowIfFailed(source->get_Count(&count), "Cannot read the source's count");
  // The copies are made before anything here changes, so that a failing
  // source leaves the collection as it was and a collection can copy itself.
  std::vector<ComPtr<IQAVZLVFieldDef>> copies;
  std::vector<LONG> indexes;
  copies.reserve(static_cast<std::size_t>(std::max<LONG>(count, 0)));
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVZLVFieldDef> from;
    ThrowIfFailed(source->get_Items(i, from.Out()), "Cannot read the source's field definition");
    ComPtr<IQAVZLVFieldDef> copy = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
    VARIANT_BOOL copied = VARIANT_FALSE;
    ThrowIfFailed(copy->CopyFrom(from.Get(), &copied), "Cannot copy the field definition");
    LONG index = 0;
    ThrowIfFailed(copy->get_Index(&index), "Cannot read the copied field definition");
    copies.push_back(std::move(copy));
    indexes.push_back(index);
  }
  RemoveAll();
  for (std::size_t k = 0; k < copies.size(); ++k) {
    Append(copies[k].Get());
    // Adding numbers the copy by its place; the copy keeps the source's Index.
    ThrowIfFailed(copies[k]->put_Index(indexes[k]), "Cannot set the field definition's index");
  }
  return true;
}

void TQAVZLVFieldDefs::ItemAdded(IQAVZLVFieldDef* item, LONG index) {
  ThrowIfFailed(item->put_Index(index), "Cannot set the field definition's index");
}

}  // namespace zelvani
