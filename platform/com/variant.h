// VARIANT, CURRENCY and the coercions between automation types.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/com/bstr.h"
#include "platform/com/types.h"

struct IUnknown;
struct IDispatch;

// Currency: a 64-bit count of ten-thousandths.
struct CY {
  std::int64_t int64;
  friend constexpr bool operator==(const CY& a, const CY& b) { return a.int64 == b.int64; }
};
using CURRENCY = CY;

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    CY cyVal;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    CHAR cVal;
    USHORT uiVal;
    ULONG ulVal;
    ULONGLONG ullVal;
    INT intVal;
    UINT uintVal;
    BYTE* pbVal;
    SHORT* piVal;
    LONG* plVal;
    LONGLONG* pllVal;
    FLOAT* pfltVal;
    DOUBLE* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    CY* pcyVal;
    DATE* pdate;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    VARIANT* pvarVal;
    CHAR* pcVal;
    USHORT* puiVal;
    ULONG* pulVal;
    ULONGLONG* pullVal;
    INT* pintVal;
    UINT* puintVal;
    void* byref;
  };
};
using VARIANTARG = VARIANT;

// Flags of VariantChangeType. Without VARIANT_ALPHABOOL a boolean's text is its
// number ("-1" or "0"); with it, "True" or "False".
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;

extern "C" {
COM_API void VariantInit(VARIANT* v);
COM_API HRESULT VariantClear(VARIANT* v);
COM_API HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Copies and follows one level of VT_BYREF.
COM_API HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);
// Coerces src to vt into dest (dest may be src). Follows OLE Automation's rules;
// texts read and write numbers with the process-wide format settings. Texts
// read as dates in the configured short date format or in the free forms of
// an English locale ("3/15/2023 2:30 PM", "15 March 2023", "14.30").
COM_API HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);
COM_API HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags, VARTYPE vt);
}

// A date and time split into its fields.
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;  // 0 Sunday
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

extern "C" {
// DATE serial to fields, the time of day rounded to the nearest second
// (wMilliseconds is 0). FALSE when the serial lies outside 0100-01-01 ..
// 9999-12-31.
COM_API INT VariantTimeToSystemTime(DOUBLE vtime, SYSTEMTIME* st);
// Fields to a DATE serial, milliseconds ignored. Years 0-99 are two-digit years
// (1930..2029); day 0 is the last day of the previous month and days up to 31
// run on into the next month. FALSE for a month outside 1..12, a day above 31,
// a time that does not exist or a result outside the serial range.
COM_API INT SystemTimeToVariantTime(const SYSTEMTIME* st, DOUBLE* vtime);
}

// Currency helpers (exact decimal arithmetic on the 64-bit count).
COM_API HRESULT VarCyFromR8(double d, CY* out);           // half to even
COM_API HRESULT VarR8FromCy(CY c, double* out);
COM_API HRESULT VarCyFromStr(std::u16string_view s, CY* out);
COM_API std::u16string VarBstrFromCy(CY c);              // shortest exact decimal
COM_API HRESULT VarI4FromStr(std::u16string_view s, LONG* out);
COM_API HRESULT VarR8FromStr(std::u16string_view s, double* out);
COM_API HRESULT VarDateFromStr(std::u16string_view s, DATE* out);
COM_API std::u16string VarBstrFromR8(double d);
COM_API std::u16string VarBstrFromDate(DATE d);

// Owner of a VARIANT (copyable; copies deeply).
class COM_API Variant : public VARIANT {
 public:
  Variant() { VariantInit(this); }
  Variant(const VARIANT& v) {
    VariantInit(this);
    VariantCopy(this, &v);
  }
  Variant(const Variant& v) : Variant(static_cast<const VARIANT&>(v)) {}
  Variant(Variant&& v) noexcept {
    *static_cast<VARIANT*>(this) = v;
    VariantInit(&v);
  }
  Variant& operator=(const Variant& v) {
    if (this != &v) VariantCopy(this, &v);
    return *this;
  }
  Variant& operator=(const VARIANT& v) {
    if (this != &v) VariantCopy(this, &v);
    return *this;
  }
  Variant& operator=(Variant&& v) noexcept {
    if (this != &v) {
      VariantClear(this);
      *static_cast<VARIANT*>(this) = v;
      VariantInit(&v);
    }
    return *this;
  }
  ~Variant() { VariantClear(this); }

  static Variant Null() {
    Variant v;
    v.vt = VT_NULL;
    return v;
  }
  static Variant I4(LONG x) {
    Variant v;
    v.vt = VT_I4;
    v.lVal = x;
    return v;
  }
  static Variant I2(SHORT x) {
    Variant v;
    v.vt = VT_I2;
    v.iVal = x;
    return v;
  }
  static Variant R8(double x) {
    Variant v;
    v.vt = VT_R8;
    v.dblVal = x;
    return v;
  }
  static Variant Bool(bool x) {
    Variant v;
    v.vt = VT_BOOL;
    v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
  }
  static Variant Cy(CY x) {
    Variant v;
    v.vt = VT_CY;
    v.cyVal = x;
    return v;
  }
  static Variant Date(DATE x) {
    Variant v;
    v.vt = VT_DATE;
    v.date = x;
    return v;
  }
  static Variant Str(std::u16string_view s) {
    Variant v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringView(s);
    return v;
  }
  // An 8-bit ANSI (Windows-1250) text.
  static Variant Ansi(std::string_view s);
  static Variant Error(SCODE e) {
    Variant v;
    v.vt = VT_ERROR;
    v.scode = e;
    return v;
  }
  // Takes ownership of a BSTR.
  static Variant AttachBstr(BSTR s) {
    Variant v;
    v.vt = VT_BSTR;
    v.bstrVal = s;
    return v;
  }
  static Variant Dispatch(IDispatch* d);  // adds a reference
  static Variant Unknown(IUnknown* u);    // adds a reference

  void Clear() { VariantClear(this); }
  bool IsEmpty() const { return vt == VT_EMPTY; }
  bool IsNull() const { return vt == VT_NULL; }
  // Hands the value over to a raw VARIANT the caller owns.
  void Detach(VARIANT* out) {
    *out = *static_cast<VARIANT*>(this);
    VariantInit(this);
  }
  // Coerced copy; throws ComError with the coercion's code on failure. `flags`
  // are VariantChangeType's (VARIANT_ALPHABOOL for "True"/"False").
  Variant As(VARTYPE t, USHORT flags = 0) const;
  // Coerced copy; the HRESULT on failure.
  HRESULT TryAs(VARTYPE t, Variant& out, USHORT flags = 0) const { return VariantChangeType(&out, this, flags, t); }
};

