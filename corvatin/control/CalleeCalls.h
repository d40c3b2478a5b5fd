// How the engine's members treat the calls they make on other objects: a
// failing call on a record, a list, the device or the packet fails the member
// with the callee's own description; and a record reader or writer answers
// E_POINTER for a missing result slot or record, False before it runs, and
// the failure of its body as the member's HRESULT with error information. A
// value that its field on the register cannot take is no such failure: the
// member answers False as it does when the register refuses a record.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

#include "corvatin/Corvatin.h"
#include "corvatin/control/QAVECRObj.h"
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

// Thrown by a reader or writer for a value that has no place in its field on
// the register (a number wider than its field, a negative tax rate, a flag
// byte outside 0-255): the record cannot travel as the host gave it, which is
// the register's refusal of an invalid packet, not a fault of the call.
class ValueRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs a record reader or writer: BODY answers the member's Boolean; a null
// result or record slot answers E_POINTER; a refused value answers False with
// qzlvpeInvalidPacket in LastErrorCode, before anything of the record was
// sent or stored; any other exception becomes the failing HRESULT with its
// message as the description.
template <class F>
HRESULT TQAVECRObj::RecordMember(VARIANT_BOOL* result, const void* record, F&& body) noexcept {
  if (!result) return E_POINTER;
  *result = VARIANT_FALSE;
  try {
    if (!record) throw ComError(E_POINTER, "No record object");
    *result = body() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  } catch (const ValueRefused&) {
    RefuseValue();
    return S_OK;
  } catch (...) {
    return com::ReportException(IQAVECR::Iid, "IQAVECR", std::current_exception());
  }
}

}  // namespace corvatin
