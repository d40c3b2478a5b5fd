// The Corvatin module: its one ComModule and the base of its automation objects.
// The control and every record class register their factories with this module.
#pragma once

#include "corvatin/Corvatin.h"
#include "platform/com/object.h"

namespace corvatin {

com::ComModule& CorvatinModule();

// The control's miscellaneous status (OLEMISC_ONLYICONIC, OLEMISC_INVISIBLEATRUNTIME,
// OLEMISC_ACTSLIKELABEL, OLEMISC_SIMPLEFRAME) with the flags every control of the
// class library carries (OLEMISC_RECOMPOSEONRESIZE, OLEMISC_CANTLINKINSIDE,
// OLEMISC_INSIDEOUT, OLEMISC_ACTIVATEWHENVISIBLE, OLEMISC_SETCLIENTSITEFIRST).
// Registration writes it; the control's IOleObject::GetMiscStatus answers it.
constexpr DWORD kControlOwnMiscStatus = 0x12402;
constexpr DWORD kControlMiscStatus = kControlOwnMiscStatus | 0x1 | 0x10 | 0x80 | 0x100 | 0x20000;
// The resource number of the control's toolbox bitmap.
constexpr int kControlToolboxBitmap = 2;

// An automation object of this module implementing the dual interface Itf.
template <class Itf>
class CorvatinObject : public com::ComObject<Itf> {
 public:
  CorvatinObject() : com::ComObject<Itf>(CorvatinModule()) {}
};

// Registers class T as the creatable class of `clsid` while the module loads.
#define CORVATIN_CLASS(T, clsid) static const com::ClassRegistration<T> kRegistration##T(corvatin::CorvatinModule(), clsid)

// Creates an object through the object layer by class identifier, as any client
// would (Corvatin's own records and Zelvani's engine objects alike), and asks it
// for interface I; throws ComError on failure.
template <class I>
ComPtr<I> Create(REFCLSID clsid) {
  return com::CreateObject<I>(clsid);
}

}  // namespace corvatin
