// A discount card definition: the definitions of what QAVECRDiscountCard.h
// declares.
#include "corvatin/records/QAVECRDiscountCard.h"

#include "corvatin/records/RecordErrors.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRDiscountCard, CLSID_QAVECRDiscountCard);

HRESULT TQAVECRDiscountCard::get_DiscountsCount(LONG* result) {
  return Get(result, [&] { return static_cast<LONG>(discounts_.size()); });
}

HRESULT TQAVECRDiscountCard::get_Discounts(LONG i, CY* result) {
  return Get(result, [&] { return ListItem(discounts_, i).Value; });
}

HRESULT TQAVECRDiscountCard::AddDiscount(CY discount, VARIANT_BOOL* result) {
  return Get(result, [&] {
    Append(discount);
    return true;
  });
}

HRESULT TQAVECRDiscountCard::DeleteDiscount(LONG i, VARIANT_BOOL* result) {
  return Get(result, [&] {
    Remove(i);
    return true;
  });
}

HRESULT TQAVECRDiscountCard::ClearDiscounts(VARIANT_BOOL* result) {
  return Get(result, [&] {
    RemoveAll();
    return true;
  });
}

void TQAVECRDiscountCard::Remove(LONG i) {
  ListItem(discounts_, i);
  discounts_.erase(discounts_.begin() + i);
}

}  // namespace corvatin
