// A record of the hourly report: the definitions of what
// QAVECRHourlyReportRec.h declares.
#include "corvatin/records/QAVECRHourlyReportRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRHourlyReportRec, CLSID_QAVECRHourlyReportRec);

TQAVECRHourlyReportRec::TQAVECRHourlyReportRec()
    : TableRecord(kHourlyReportRecRows),
      amounts_(Create<IQAVECRAmounts>(CLSID_QAVECRAmounts)),
      counters_(Create<IQAVECRCounters>(CLSID_QAVECRCounters)) {}

HRESULT TQAVECRHourlyReportRec::get_Amounts(IQAVECRAmounts** r) {
  return Get(r, [&] { return amounts_; });
}

HRESULT TQAVECRHourlyReportRec::get_Counters(IQAVECRCounters** r) {
  return Get(r, [&] { return counters_; });
}

}  // namespace corvatin
