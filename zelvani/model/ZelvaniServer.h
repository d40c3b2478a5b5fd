// The Zelvani module: its one ComModule and the base of its automation objects.
#pragma once

#include <type_traits>
#include <typeinfo>

#include "platform/com/object.h"
#include "zelvani/Zelvani.h"

namespace zelvani {

com::ComModule& ZelvaniModule();

// The object behind P when it is of this module's class T, else null: a
// dynamic_cast reduced to one type comparison because T is final.
template <class T, class I>
T* OwnClass(I* p) {
  static_assert(std::is_final_v<T>, "only a final class is recognised by its exact type");
  return p && typeid(*p) == typeid(T) ? static_cast<T*>(p) : nullptr;
}

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
