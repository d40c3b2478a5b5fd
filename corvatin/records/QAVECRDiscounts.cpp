// The discount table: the definitions of what QAVECRDiscounts.h declares.
#include "corvatin/records/QAVECRDiscounts.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRDiscounts, CLSID_QAVECRDiscounts);

HRESULT TQAVECRDiscounts::get_Count(LONG* result) {
  return Get(result, [&] { return GetCount(); });
}

HRESULT TQAVECRDiscounts::get_Items(LONG i, IQAVECRDiscount** result) {
  return Get(result, [&] { return ItemAs<IQAVECRDiscount>(i); });
}

HRESULT TQAVECRDiscounts::Add(LONG discountType, CY value, BSTR info, VARIANT_BOOL* result) {
  return Get(result, [&] { return AddDiscount(discountType, value, info); });
}

HRESULT TQAVECRDiscounts::Delete(LONG i, VARIANT_BOOL* result) {
  return Get(result, [&] { return DeleteItem(i); });
}

HRESULT TQAVECRDiscounts::Clear(VARIANT_BOOL* result) {
  return Get(result, [&] { return ClearItems(); });
}

HRESULT TQAVECRDiscounts::FindFirst(LONG discountType, IQAVECRDiscount** result) {
  return Get(result, [&] { return First(discountType); });
}

HRESULT TQAVECRDiscounts::FindNext(IQAVECRDiscount** result) {
  return Get(result, [&] { return Next(); });
}

bool TQAVECRDiscounts::AddDiscount(LONG discountType, CY value, BSTR info) {
  ComPtr<IQAVECRDiscount> discount = Create<IQAVECRDiscount>(CLSID_QAVECRDiscount);
  ThrowIfFailed(discount->put_DiscountType(discountType), "Cannot set the discount's type");
  ThrowIfFailed(discount->put_Value(value), "Cannot set the discount's value");
  ThrowIfFailed(discount->put_Info(info), "Cannot set the discount's text");
  return AddItem(discount.Get());
}

ComPtr<IQAVECRDiscount> TQAVECRDiscounts::First(LONG type) {
  findType_ = type;
  findIndex_ = -1;
  return Next();
}

ComPtr<IQAVECRDiscount> TQAVECRDiscounts::Next() {
  for (LONG i = findIndex_ + 1; i < GetCount(); ++i) {
    ComPtr<IQAVECRDiscount> item = ItemAs<IQAVECRDiscount>(i);
    LONG type = -1;
    ThrowIfFailed(item->get_DiscountType(&type), "Cannot read the discount's type");
    if (type == findType_) {
      findIndex_ = i;
      return item;
    }
  }
  return nullptr;
}

}  // namespace corvatin
