// A record of the hourly report: one hour of the day with the money taken
// and the receipts and items counted in it, in two lists the record owns.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct HourlyReportRecProperty {
  enum : std::size_t { Hour };
};

inline constexpr PropertyRow kHourlyReportRecRows[] = {
    {HourlyReportRecProperty::Hour, "Hour", PropertyType::Long, -1},
};
static_assert(RowsInOrder(kHourlyReportRecRows));

class TQAVECRHourlyReportRec final : public TableRecord<IQAVECRHourlyReportRec> {
 public:
  // Creates the amounts list, then the counters list, by class identifier;
  // when either fails, the record is not made.
  TQAVECRHourlyReportRec();

  HRESULT get_Hour(LONG* r) override { return GetLong(HourlyReportRecProperty::Hour, r); }
  HRESULT put_Hour(LONG v) override { return PutLong(HourlyReportRecProperty::Hour, v); }
  HRESULT get_Amounts(IQAVECRAmounts** r) override;
  HRESULT get_Counters(IQAVECRCounters** r) override;

  IQAVECRAmounts* Amounts() const { return amounts_.Get(); }
  IQAVECRCounters* Counters() const { return counters_.Get(); }

 private:
  // Declared in the order of creation, so they are released in reverse.
  const ComPtr<IQAVECRAmounts> amounts_;
  const ComPtr<IQAVECRCounters> counters_;
};

}  // namespace corvatin
