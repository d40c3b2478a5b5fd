#include "zelvani/model/QAVZLVValue.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVValue, CLSID_QAVZLVValue);
ZELVANI_CLASS(TQAVZLVValues, CLSID_QAVZLVValues);

Variant CopyOfValue(const VARIANT& v) {
  if (!(v.vt & VT_BYREF)) return Variant(v);
  Variant copy;
  ThrowIfFailed(VariantCopyInd(&copy, &v), "Cannot read the value passed by reference");
  return copy;
}

HRESULT TQAVZLVValue::get_Value(VARIANT* result) {
  return Get(result, [&]() -> const VARIANT& { return value_; });
}

HRESULT TQAVZLVValue::put_Value(VARIANT value) {
  return Guard([&] { value_ = CopyOfValue(value); });
}

HRESULT TQAVZLVValues::get_Items(LONG i, IQAVZLVValue** result) {
  return Get(result, [&] { return At(i); });
}

HRESULT TQAVZLVValues::Clear() {
  return Guard([&] { RemoveAll(); });
}

HRESULT TQAVZLVValues::CopyFrom(IQAVZLVValues* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

bool TQAVZLVValues::CopyFromSource(IQAVZLVValues* source) {
  if (!source) return false;
  LONG count = 0;
  ThrowIfFailed(source->get_Count(&count), "Cannot read the source's count");
  std::vector<ComPtr<IQAVZLVValue>> copies;
  copies.reserve(static_cast<std::size_t>(count));
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVZLVValue> from;
    ThrowIfFailed(source->get_Items(i, from.Out()), "Cannot read the source's value");
    Variant v;
    ThrowIfFailed(from->get_Value(&v), "Cannot read the source's value");
    ComPtr<IQAVZLVValue> copy = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
    ThrowIfFailed(copy->put_Value(v), "Cannot set the copied value");
    copies.push_back(std::move(copy));
  }
  // Copying a collection onto itself reads every source value before clearing.
  RemoveAll();
  for (auto& c : copies) Append(c.Get());
  return true;
}

}  // namespace zelvani
