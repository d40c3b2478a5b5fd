// The base of the control's interface lists (discounts, amounts, counters): an
// ordered list of counted references, each keeping its object alive until it
// is removed or the list is cleared or destroyed. The typed lists derive from
// it, create their items by class identifier and hand them out by 0-based
// index as their item interface.
#pragma once

#include <vector>

#include "corvatin/control/CorvatinServer.h"
#include "corvatin/records/RecordErrors.h"

namespace corvatin {

template <class Itf>
class TQAVECRCollection : public CorvatinObject<Itf> {
 public:
  // Appends ITEM; True. A null item is refused (E_POINTER): every item must
  // answer its list's interface when it is handed out.
  bool AddItem(IUnknown* item) {
    if (!item) throw ComError(E_POINTER, "Cannot add a null item to the list");
    items_.emplace_back(item);
    return true;
  }
  // Releases every item; True.
  bool ClearItems() {
    items_.clear();
    return true;
  }
  // Releases and removes item I; True. The index error when I lies outside.
  bool DeleteItem(LONG i) {
    ListItem(items_, i);
    items_.erase(items_.begin() + i);
    return true;
  }
  // Item I; the index error when I lies outside the list.
  const ComPtr<IUnknown>& GetItem(LONG i) const { return ListItem(items_, i); }
  LONG GetCount() const { return static_cast<LONG>(items_.size()); }

  // Item I asked for interface I; the index error when I lies outside the
  // list or the item does not answer that interface.
  template <class I>
  ComPtr<I> ItemAs(LONG i) const {
    ComPtr<I> typed = QueryAs<I>(GetItem(i).Get());
    if (!typed) ThrowListIndexError(i);
    return typed;
  }

 private:
  std::vector<ComPtr<IUnknown>> items_;
};

}  // namespace corvatin
