// A reset record of the daily and periodical reports: which memory was reset
// (RAM or articles), when, why (an error or a forced reset) and its number.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct ResetRecProperty {
  enum : std::size_t { ResetType, Date, Time, Reason, Number };
};

inline constexpr PropertyRow kResetRecRows[] = {
    {ResetRecProperty::ResetType, "ResetType", PropertyType::Long, -1},  // QAVECRResetType
    {ResetRecProperty::Date, "Date", PropertyType::Date, -1},
    {ResetRecProperty::Time, "Time", PropertyType::Date, -1},
    {ResetRecProperty::Reason, "Reason", PropertyType::Long, -1},  // QAVECRResetReason
    {ResetRecProperty::Number, "Number", PropertyType::Long, -1},
};
static_assert(RowsInOrder(kResetRecRows));

class TQAVECRResetRec final : public TableRecord<IQAVECRResetRec> {
 public:
  TQAVECRResetRec() : TableRecord(kResetRecRows) {}

  HRESULT get_ResetType(LONG* r) override { return GetLong(ResetRecProperty::ResetType, r); }
  HRESULT put_ResetType(LONG v) override { return PutLong(ResetRecProperty::ResetType, v); }
  HRESULT get_Date(DATE* r) override { return GetDate(ResetRecProperty::Date, r); }
  HRESULT put_Date(DATE v) override { return PutDate(ResetRecProperty::Date, v); }
  HRESULT get_Time(DATE* r) override { return GetDate(ResetRecProperty::Time, r); }
  HRESULT put_Time(DATE v) override { return PutDate(ResetRecProperty::Time, v); }
  HRESULT get_Reason(LONG* r) override { return GetLong(ResetRecProperty::Reason, r); }
  HRESULT put_Reason(LONG v) override { return PutLong(ResetRecProperty::Reason, v); }
  HRESULT get_Number(LONG* r) override { return GetLong(ResetRecProperty::Number, r); }
  HRESULT put_Number(LONG v) override { return PutLong(ResetRecProperty::Number, v); }
};

}  // namespace corvatin
