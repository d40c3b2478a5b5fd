// A single value (one VARIANT) and the collection of values; a frame item keeps
// its constant texts in one and a flow item its packet delimiters.
#pragma once

#include "platform/com/variant.h"
#include "zelvani/model/DispatchCollection.h"

namespace zelvani {

// A copy of the value V holds, for a property to store or an argument to keep:
// a value passed by reference is copied from where it refers, never kept as
// the caller's pointer, which would show the caller's later changes and
// dangle once the caller's variable is gone. Throws ComError when V refers to
// nothing.
Variant CopyOfValue(const VARIANT& v);

class TQAVZLVValue final : public ZelvaniObject<IQAVZLVValue> {
 public:
  TQAVZLVValue() : value_(Variant::I4(1)) {}

  HRESULT get_Value(VARIANT* result) override;
  HRESULT put_Value(VARIANT value) override;

  const Variant& Value() const { return value_; }
  void SetValue(const VARIANT& v) { value_ = CopyOfValue(v); }

 private:
  Variant value_;
};

class TQAVZLVValues final : public DispatchCollectionBase<IQAVZLVValues, IQAVZLVValue> {
 public:
  HRESULT get_Items(LONG i, IQAVZLVValue** result) override;
  HRESULT Clear() override;
  HRESULT CopyFrom(IQAVZLVValues* source, VARIANT_BOOL* result) override;

  // Deep copy: the collection is cleared and gets a new value object for each of
  // the source's, with a copy of its value. False, changing nothing, for null.
  bool CopyFromSource(IQAVZLVValues* source);
};

}  // namespace zelvani
