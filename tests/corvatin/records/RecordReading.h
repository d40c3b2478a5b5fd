// Reading a record's members through its interface accessors into variants,
// so that tables of rows (member, expected value) can check records of any
// interface: a plain property, a property of a sub-object the record owns, or
// a sub-list's Count. Values are compared by their printed form, which names
// the type as well ("I4 -1", "CY 12.3456", "BSTR abc").
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "corvatin/control/CorvatinServer.h"
#include "platform/com/ansi.h"
#include "platform/com/bstr.h"

namespace corvatin::test {

inline Variant AsVariant(LONG v) { return Variant::I4(v); }
inline Variant AsVariant(VARIANT_BOOL v) { return Variant::Bool(v != VARIANT_FALSE); }
inline Variant AsVariant(CY v) { return Variant::Cy(v); }
inline Variant AsVariant(double v) { return Variant::R8(v); }
inline Variant AsVariant(BSTR v) { return Variant::AttachBstr(v); }

// A variant's type and value as text.
inline std::string Describe(const VARIANT& v) {
  std::ostringstream s;
  switch (v.vt) {
    case VT_I4:
      s << "I4 " << v.lVal;
      break;
    case VT_BOOL:
      s << "BOOL " << (v.boolVal ? "True" : "False");
      break;
    case VT_CY:
      s << "CY " << static_cast<double>(v.cyVal.int64) / 10000;
      break;
    case VT_R8:
      s << "R8 " << v.dblVal;
      break;
    case VT_DATE:
      s << "DATE " << v.date;
      break;
    case VT_BSTR:
      s << "BSTR " << WideToAnsi(BstrView(v.bstrVal));
      break;
    default:
      s << "VT " << v.vt;
  }
  return s.str();
}

// Member GET of interface I read on OBJ; a text naming the problem when the
// object lacks the interface or the accessor fails.
template <class I, class T>
Variant ReadWith(IUnknown* obj, HRESULT (I::*get)(T*)) {
  ComPtr<I> typed = QueryAs<I>(obj);
  if (!typed) return Variant::Str(u"<no interface>");
  T value{};
  if (FAILED((typed.Get()->*get)(&value))) return Variant::Str(u"<failed>");
  return AsVariant(value);
}

// The sub-object that accessor GET of interface I hands out.
template <class I, class S>
ComPtr<S> SubObject(IUnknown* obj, HRESULT (I::*get)(S**)) {
  ComPtr<I> typed = QueryAs<I>(obj);
  ComPtr<S> sub;
  if (typed) {
    EXPECT_EQ((typed.Get()->*get)(sub.Out()), S_OK);
  }
  return sub;
}

// A reader for a table row: a plain property of the record.
template <auto Get>
Variant Read(IUnknown* obj) {
  return ReadWith(obj, Get);
}

// A reader for a table row: property GETVALUE of the sub-object that GETSUB
// hands out (a list's Count, the cashier's Code, ...).
template <auto GetSub, auto GetValue>
Variant Through(IUnknown* obj) {
  auto sub = SubObject(obj, GetSub);
  if (!sub) return Variant::Str(u"<no sub-object>");
  return ReadWith(sub.Get(), GetValue);
}

}  // namespace corvatin::test
