// A record of the cashiers' sales report: the definitions of what
// QAVECRCashierSaleRec.h declares.
#include "corvatin/records/QAVECRCashierSaleRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRCashierSaleRec, CLSID_QAVECRCashierSaleRec);

TQAVECRCashierSaleRec::TQAVECRCashierSaleRec()
    : amounts_(Create<IQAVECRAmounts>(CLSID_QAVECRAmounts)),
      cashier_(Create<IQAVECRCashier>(CLSID_QAVECRCashier)),
      counters_(Create<IQAVECRCounters>(CLSID_QAVECRCounters)) {}

HRESULT TQAVECRCashierSaleRec::get_Cashier(IQAVECRCashier** r) {
  return Get(r, [&] { return cashier_; });
}

HRESULT TQAVECRCashierSaleRec::get_Amounts(IQAVECRAmounts** r) {
  return Get(r, [&] { return amounts_; });
}

HRESULT TQAVECRCashierSaleRec::get_Counters(IQAVECRCounters** r) {
  return Get(r, [&] { return counters_; });
}

}  // namespace corvatin
