// A discount card definition: the card's name, where the card identifier, the
// date and the discount identifier stand in the text read from a customer's
// card, and the list of discounts the card gives. The control stores these and
// sends them to the register without interpreting them.
#pragma once

#include <vector>

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct DiscountCardProperty {
  enum : std::size_t {
    CardName,
    IdentifierPosition,
    IdentifierLength,
    IdentifierTemplate,
    DatePosition,
    DateLength,
    DiscountIdentifierPosition,
  };
};

inline constexpr PropertyRow kDiscountCardRows[] = {
    {DiscountCardProperty::CardName, "CardName", PropertyType::Text},
    {DiscountCardProperty::IdentifierPosition, "IdentifierPosition", PropertyType::Long, -1},
    {DiscountCardProperty::IdentifierLength, "IdentifierLength", PropertyType::Long, -1},
    {DiscountCardProperty::IdentifierTemplate, "IdentifierTemplate", PropertyType::Text},
    {DiscountCardProperty::DatePosition, "DatePosition", PropertyType::Long, -1},
    {DiscountCardProperty::DateLength, "DateLength", PropertyType::Long, -1},
    {DiscountCardProperty::DiscountIdentifierPosition, "DiscountIdentifierPosition", PropertyType::Long, -1},
};
static_assert(RowsInOrder(kDiscountCardRows));

// One discount of a card; a plain item owned by the card.
struct TDiscount {
  CY Value{};
};

class TQAVECRDiscountCard final : public TableRecord<IQAVECRDiscountCard> {
 public:
  TQAVECRDiscountCard() : TableRecord(kDiscountCardRows) {}

  HRESULT get_DiscountsCount(LONG* result) override;
  HRESULT get_Discounts(LONG i, CY* result) override;
  HRESULT AddDiscount(CY discount, VARIANT_BOOL* result) override;
  HRESULT DeleteDiscount(LONG i, VARIANT_BOOL* result) override;
  HRESULT ClearDiscounts(VARIANT_BOOL* result) override;
  HRESULT get_CardName(BSTR* r) override { return GetText(DiscountCardProperty::CardName, r); }
  HRESULT put_CardName(BSTR v) override { return PutText(DiscountCardProperty::CardName, v); }
  HRESULT get_IdentifierPosition(LONG* r) override { return GetLong(DiscountCardProperty::IdentifierPosition, r); }
  HRESULT put_IdentifierPosition(LONG v) override { return PutLong(DiscountCardProperty::IdentifierPosition, v); }
  HRESULT get_IdentifierLength(LONG* r) override { return GetLong(DiscountCardProperty::IdentifierLength, r); }
  HRESULT put_IdentifierLength(LONG v) override { return PutLong(DiscountCardProperty::IdentifierLength, v); }
  HRESULT get_IdentifierTemplate(BSTR* r) override { return GetText(DiscountCardProperty::IdentifierTemplate, r); }
  HRESULT put_IdentifierTemplate(BSTR v) override { return PutText(DiscountCardProperty::IdentifierTemplate, v); }
  HRESULT get_DatePosition(LONG* r) override { return GetLong(DiscountCardProperty::DatePosition, r); }
  HRESULT put_DatePosition(LONG v) override { return PutLong(DiscountCardProperty::DatePosition, v); }
  HRESULT get_DateLength(LONG* r) override { return GetLong(DiscountCardProperty::DateLength, r); }
  HRESULT put_DateLength(LONG v) override { return PutLong(DiscountCardProperty::DateLength, v); }
  HRESULT get_DiscountIdentifierPosition(LONG* r) override {
    return GetLong(DiscountCardProperty::DiscountIdentifierPosition, r);
  }
  HRESULT put_DiscountIdentifierPosition(LONG v) override {
    return PutLong(DiscountCardProperty::DiscountIdentifierPosition, v);
  }

  // C++ access to the discounts; an index outside the list throws the list's
  // index error.
  const std::vector<TDiscount>& Discounts() const { return discounts_; }
  void Append(CY value) { discounts_.push_back({value}); }
  void Remove(LONG i);
  void RemoveAll() { discounts_.clear(); }

 private:
  std::vector<TDiscount> discounts_;
};

}  // namespace corvatin
