// One count of a report (receipts, resets, ...) with its kind: the item of a
// counters list.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct CounterProperty {
  enum : std::size_t { CounterType, Value, Info };
};

inline constexpr PropertyRow kCounterRows[] = {
    {CounterProperty::CounterType, "CounterType", PropertyType::Long, -1},  // QAVECRCounterType
    {CounterProperty::Value, "Value", PropertyType::Long, -1},
    {CounterProperty::Info, "Info", PropertyType::Text},
};
static_assert(RowsInOrder(kCounterRows));

class TQAVECRCounter final : public TableRecord<IQAVECRCounter> {
 public:
  TQAVECRCounter() : TableRecord(kCounterRows) {}

  HRESULT get_CounterType(LONG* r) override { return GetLong(CounterProperty::CounterType, r); }
  HRESULT put_CounterType(LONG v) override { return PutLong(CounterProperty::CounterType, v); }
  HRESULT get_Value(LONG* r) override { return GetLong(CounterProperty::Value, r); }
  HRESULT put_Value(LONG v) override { return PutLong(CounterProperty::Value, v); }
  HRESULT get_Info(BSTR* r) override { return GetText(CounterProperty::Info, r); }
  HRESULT put_Info(BSTR v) override { return PutText(CounterProperty::Info, v); }
};

}  // namespace corvatin
