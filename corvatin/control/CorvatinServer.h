// The Corvatin module: its one ComModule and the base of its automation objects.
// The control and every record class register their factories with this module.
#pragma once

#include "corvatin/Corvatin.h"
#include "platform/com/object.h"

namespace corvatin {

com::ComModule& CorvatinModule();

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
