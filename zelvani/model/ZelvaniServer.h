// The Zelvani module: its one ComModule and the base of its automation objects.
#pragma once

#include "platform/com/object.h"
#include "zelvani/Zelvani.h"

namespace zelvani {

com::ComModule& ZelvaniModule();

// An automation object of this module implementing the dual interface Itf.
template <class Itf>
class ZelvaniObject : public com::ComObject<Itf> {
 public:
  ZelvaniObject() : com::ComObject<Itf>(ZelvaniModule()) {}
};

// Registers class T as the creatable class of `clsid` while the module loads.
#define ZELVANI_CLASS(T, clsid) static const com::ClassRegistration<T> kRegistration##T(ZelvaniModule(), clsid)

// Creates a Zelvani object through the object layer by class identifier, as any
// client would, and asks it for interface I; throws ComError on failure.
template <class I>
ComPtr<I> Create(REFCLSID clsid) {
  return com::CreateObject<I>(clsid);
}

}  // namespace zelvani
