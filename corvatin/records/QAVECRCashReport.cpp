// A record of the register's cash report: the definitions of what
// QAVECRCashReport.h declares.
#include "corvatin/records/QAVECRCashReport.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRCashReport, CLSID_QAVECRCashReport);

TQAVECRCashReport::TQAVECRCashReport()
    : amounts_(Create<IQAVECRAmounts>(CLSID_QAVECRAmounts)),
      counters_(Create<IQAVECRCounters>(CLSID_QAVECRCounters)) {}

HRESULT TQAVECRCashReport::get_Amounts(IQAVECRAmounts** r) {
  return Get(r, [&] { return amounts_; });
}

HRESULT TQAVECRCashReport::get_Counters(IQAVECRCounters** r) {
  return Get(r, [&] { return counters_; });
}

}  // namespace corvatin
