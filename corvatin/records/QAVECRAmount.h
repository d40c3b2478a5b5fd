// One money value of a report or receipt, with its kind (cash, storno, ...):
// the item of an amounts list.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct AmountProperty {
  enum : std::size_t { AmountType, Value, Name, Info };
};

inline constexpr PropertyRow kAmountRows[] = {
    {AmountProperty::AmountType, "AmountType", PropertyType::Long, -1},  // QAVECRAmountType
    {AmountProperty::Value, "Value", PropertyType::Currency, 0},
    {AmountProperty::Name, "Name", PropertyType::Text},
    {AmountProperty::Info, "Info", PropertyType::Text},
};
static_assert(RowsInOrder(kAmountRows));

class TQAVECRAmount final : public TableRecord<IQAVECRAmount> {
 public:
  TQAVECRAmount() : TableRecord(kAmountRows) {}

  HRESULT get_AmountType(LONG* r) override { return GetLong(AmountProperty::AmountType, r); }
  HRESULT put_AmountType(LONG v) override { return PutLong(AmountProperty::AmountType, v); }
  HRESULT get_Value(CY* r) override { return GetCurrency(AmountProperty::Value, r); }
  HRESULT put_Value(CY v) override { return PutCurrency(AmountProperty::Value, v); }
  HRESULT get_Name(BSTR* r) override { return GetText(AmountProperty::Name, r); }
  HRESULT put_Name(BSTR v) override { return PutText(AmountProperty::Name, v); }
  HRESULT get_Info(BSTR* r) override { return GetText(AmountProperty::Info, r); }
  HRESULT put_Info(BSTR v) override { return PutText(AmountProperty::Info, v); }
};

}  // namespace corvatin
