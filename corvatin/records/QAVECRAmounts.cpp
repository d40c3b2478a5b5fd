// The amounts of a report or receipt: the definitions of what QAVECRAmounts.h
// declares.
#include "corvatin/records/QAVECRAmounts.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRAmounts, CLSID_QAVECRAmounts);

HRESULT TQAVECRAmounts::get_Count(LONG* result) {
  return Get(result, [&] { return GetCount(); });
}

HRESULT TQAVECRAmounts::get_Items(LONG i, IQAVECRAmount** result) {
  return Get(result, [&] { return ItemAs<IQAVECRAmount>(i); });
}

HRESULT TQAVECRAmounts::Add(LONG amountType, CY value, BSTR name, BSTR info, VARIANT_BOOL* result) {
  return Get(result, [&] { return AddAmount(amountType, value, name, info); });
}

HRESULT TQAVECRAmounts::Delete(LONG i, VARIANT_BOOL* result) {
  return Get(result, [&] { return DeleteItem(i); });
}

HRESULT TQAVECRAmounts::Clear(VARIANT_BOOL* result) {
  return Get(result, [&] { return ClearItems(); });
}

bool TQAVECRAmounts::AddAmount(LONG amountType, CY value, BSTR name, BSTR info) {
  ComPtr<IQAVECRAmount> amount = Create<IQAVECRAmount>(CLSID_QAVECRAmount);
  ThrowIfFailed(amount->put_AmountType(amountType), "Cannot set the amount's type");
  ThrowIfFailed(amount->put_Value(value), "Cannot set the amount's value");
  ThrowIfFailed(amount->put_Name(name), "Cannot set the amount's name");
  ThrowIfFailed(amount->put_Info(info), "Cannot set the amount's text");
  return AddItem(amount.Get());
}

}  // namespace corvatin
