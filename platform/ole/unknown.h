// The reference counting and QueryInterface of the layer's small helper objects
// (streams, storages, connection points, enumerators): objects that implement one
// interface and its bases, without a type library behind them.
#pragma once

#include <atomic>

#include "platform/com/comptr.h"

namespace ole {

// Implements IUnknown for an object of interface I; `Bases` are the further
// interfaces I derives from that QueryInterface answers with the same pointer.
template <class I, class... Bases>
class Unknown : public I {
 public:
  Unknown() = default;
  Unknown(const Unknown&) = delete;
  Unknown& operator=(const Unknown&) = delete;
  virtual ~Unknown() = default;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IUnknown::Iid || riid == IidOf<I>() || ((riid == IidOf<Bases>()) || ...)) {
      *ppv = static_cast<I*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG n = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (n == 0) delete this;
    return n;
  }

 private:
  std::atomic<ULONG> refs_{0};
};

}  // namespace ole
