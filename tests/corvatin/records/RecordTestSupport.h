// Small helpers shared by the record tests: reading texts and money through
// interface accessors, and the list index error's text.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "corvatin/control/CorvatinServer.h"
#include "platform/com/ansi.h"
#include "platform/com/bstr.h"

namespace corvatin::test {

// A money value in whole units.
inline CY Money(double units) { return CY{static_cast<LONGLONG>(units * 10000)}; }

// The text an accessor returns; "<failed>" when it fails.
template <class I>
std::u16string TextOf(I* obj, HRESULT (I::*get)(BSTR*)) {
  BSTR b = nullptr;
  HRESULT hr = (obj->*get)(&b);
  std::u16string s = SUCCEEDED(hr) ? std::u16string(BstrView(b)) : u"<failed>";
  SysFreeString(b);
  return s;
}

template <class I>
LONG LongOf(I* obj, HRESULT (I::*get)(LONG*)) {
  LONG v = 0x7EEEEEEE;
  EXPECT_EQ((obj->*get)(&v), S_OK);
  return v;
}

template <class I>
HRESULT PutText(I* obj, HRESULT (I::*put)(BSTR), std::u16string_view text) {
  Bstr b(text);
  return (obj->*put)(b.Get());
}

inline std::string IndexError(LONG i) { return "List index out of bounds (" + std::to_string(i) + ")"; }

// The description of the last failure on this thread, as ANSI text.
inline std::string LastError() { return WideToAnsi(TakeErrorDescription()); }

}  // namespace corvatin::test
