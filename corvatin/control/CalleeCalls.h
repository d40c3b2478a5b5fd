// How the engine's members treat the calls they make on other objects: a
// failing call on a record, a list, the device or the packet fails the member
// with the callee's own description; and a record reader or writer answers
// E_POINTER for a missing result slot or record, False before it runs, and
// the failure of its body as the member's HRESULT with error information.
#pragma once

#include <exception>
#include <string>

#include "corvatin/Corvatin.h"
#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/com/object.h"

namespace corvatin {

// Fails the member when HR fails, with the description the callee left (or
// WHAT when it gave none).
inline void Check(HRESULT hr, const char* what) {
  if (SUCCEEDED(hr)) return;
  std::u16string description = TakeErrorDescription();
  throw ComError(hr, description.empty() ? std::string(what) : WideToAnsi(description));
}
inline void Check(HRESULT hr, const std::string& what) { Check(hr, what.c_str()); }

// Runs a record reader or writer: BODY answers the member's Boolean; a null
// result or record slot answers E_POINTER; an exception becomes the failing
// HRESULT with its message as the description.
template <class F>
HRESULT RecordMember(VARIANT_BOOL* result, const void* record, F&& body) noexcept {
  if (!result) return E_POINTER;
  *result = VARIANT_FALSE;
  try {
    if (!record) throw ComError(E_POINTER, "No record object");
    *result = body() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  } catch (...) {
    return com::ReportException(IQAVECR::Iid, "IQAVECR", std::current_exception());
  }
}

}  // namespace corvatin
