// A discount card used on a receipt, as the receipt report names it: the
// card's code and the discount it gave; the card's name is the host's.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct ReceiptDiscountCardProperty {
  enum : std::size_t { CardName, CardCode, Discount };
};

inline constexpr PropertyRow kReceiptDiscountCardRows[] = {
    {ReceiptDiscountCardProperty::CardName, "CardName", PropertyType::Text},
    {ReceiptDiscountCardProperty::CardCode, "CardCode", PropertyType::Text},
    {ReceiptDiscountCardProperty::Discount, "Discount", PropertyType::Currency, 0},
};
static_assert(RowsInOrder(kReceiptDiscountCardRows));

class TQAVECRReceiptDiscountCard final : public TableRecord<IQAVECRReceiptDiscountCard> {
 public:
  TQAVECRReceiptDiscountCard() : TableRecord(kReceiptDiscountCardRows) {}

  HRESULT get_CardName(BSTR* r) override { return GetText(ReceiptDiscountCardProperty::CardName, r); }
  HRESULT put_CardName(BSTR v) override { return PutText(ReceiptDiscountCardProperty::CardName, v); }
  HRESULT get_CardCode(BSTR* r) override { return GetText(ReceiptDiscountCardProperty::CardCode, r); }
  HRESULT put_CardCode(BSTR v) override { return PutText(ReceiptDiscountCardProperty::CardCode, v); }
  HRESULT get_Discount(CY* r) override { return GetCurrency(ReceiptDiscountCardProperty::Discount, r); }
  HRESULT put_Discount(CY v) override { return PutCurrency(ReceiptDiscountCardProperty::Discount, v); }
};

}  // namespace corvatin
