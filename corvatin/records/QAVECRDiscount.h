// One discount or mark-up: its kind, its value and a free text. The register's
// discount table and a sales record's discount list hold objects of this kind.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct DiscountProperty {
  enum : std::size_t { DiscountType, Value, Info };
};

inline constexpr PropertyRow kDiscountRows[] = {
    {DiscountProperty::DiscountType, "DiscountType", PropertyType::Long, -1},
    {DiscountProperty::Value, "Value", PropertyType::Currency, 0},
    {DiscountProperty::Info, "Info", PropertyType::Text},
};
static_assert(RowsInOrder(kDiscountRows));

class TQAVECRDiscount final : public TableRecord<IQAVECRDiscount> {
 public:
  TQAVECRDiscount() : TableRecord(kDiscountRows) {}

  HRESULT get_DiscountType(LONG* r) override { return GetLong(DiscountProperty::DiscountType, r); }
  HRESULT put_DiscountType(LONG v) override { return PutLong(DiscountProperty::DiscountType, v); }
  HRESULT get_Value(CY* r) override { return GetCurrency(DiscountProperty::Value, r); }
  HRESULT put_Value(CY v) override { return PutCurrency(DiscountProperty::Value, v); }
  HRESULT get_Info(BSTR* r) override { return GetText(DiscountProperty::Info, r); }
  HRESULT put_Info(BSTR v) override { return PutText(DiscountProperty::Info, v); }
};

}  // namespace corvatin
