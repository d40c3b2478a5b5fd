// The base of every collection of the model: an ordered list of counted
// references with Count, _Items and Add. Typed collections instantiate it with
// their item interface, get typed access, and set the appended item's Index
// when their items have one.
#pragma once

#include <string>
#include <vector>

#include "platform/com/object.h"
#include "zelvani/model/Errors.h"
#include "zelvani/model/ZelvaniServer.h"

namespace zelvani {

// Throws the list's index error.
[[noreturn]] void ThrowListIndexError(LONG index);

template <class Itf, class Item>
class DispatchCollectionBase : public ZelvaniObject<Itf> {
 public:
  HRESULT get_Count(LONG* result) override {
    return this->Get(result, [&] { return Size(); });
  }
  HRESULT get__Items(LONG i, IDispatch** result) override {
    return this->Get(result, [&] { return QueryAs<IDispatch>(At(i).Get()); });
  }
  HRESULT Add(IUnknown* item, LONG* result) override {
    return this->Get(result, [&] { return Append(item); });
  }

  // C++ access.
  LONG Size() const { return static_cast<LONG>(items_.size()); }
  const ComPtr<Item>& At(LONG i) const {
    if (i < 0 || i >= Size()) ThrowListIndexError(i);
    return items_[static_cast<std::size_t>(i)];
  }
  const std::vector<ComPtr<Item>>& Items() const { return items_; }

  // Appends an item and returns its position. The item is asked for the
  // collection's item interface first: a null item or one without that interface
  // is refused and nothing is appended.
  LONG Append(IUnknown* item) {
    if (!item) throw ComError(E_POINTER, "Cannot add a null item to the collection");
    ComPtr<Item> typed = QueryAs<Item>(item);
    if (!typed) throw ComError(E_NOINTERFACE, "The item does not have the collection's item interface");
    items_.push_back(typed);
    LONG index = Size() - 1;
    ItemAdded(typed.Get(), index);
    return index;
  }
  void RemoveAll() { items_.clear(); }

 protected:
  // Called after an item was appended at `index`.
  virtual void ItemAdded(Item*, LONG) {}

  std::vector<ComPtr<Item>> items_;
};

// The plain collection of the coclass DispatchCollection: any object.
class TDispatchCollection final : public DispatchCollectionBase<IDispatchCollection, IUnknown> {};

}  // namespace zelvani
