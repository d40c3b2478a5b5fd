// Calls on other objects through their interfaces. A failing call becomes an
// exception carrying the description the callee gave, so the calling member
// fails with the same text (or with `what` when the callee gave none).
#pragma once

#include <string>

#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/com/interfaces.h"

namespace zelvani {

inline void CheckCall(HRESULT hr, const char* what) {
  if (SUCCEEDED(hr)) return;
  std::u16string description = TakeErrorDescription();
  throw ComError(hr, description.empty() ? std::string(what) : WideToAnsi(description));
}

template <class I>
LONG ReadLong(I* obj, HRESULT (I::*getter)(LONG*), const char* what) {
  LONG v = 0;
  CheckCall((obj->*getter)(&v), what);
  return v;
}

template <class I>
std::string ReadText(I* obj, HRESULT (I::*getter)(BSTR*), const char* what) {
  Bstr b;
  CheckCall((obj->*getter)(b.Out()), what);
  return BstrToAnsi(b.Get());
}

}  // namespace zelvani
