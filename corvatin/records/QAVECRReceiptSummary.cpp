// The summary of one receipt in the register's receipt report: the definitions
// of what QAVECRReceiptSummary.h declares.
#include "corvatin/records/QAVECRReceiptSummary.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRReceiptSummary, CLSID_QAVECRReceiptSummary);

TQAVECRReceiptSummary::TQAVECRReceiptSummary()
    : TableRecord(kReceiptSummaryRows),
      amounts_(Create<IQAVECRAmounts>(CLSID_QAVECRAmounts)),
      cashier_(Create<IQAVECRCashier>(CLSID_QAVECRCashier)) {}

HRESULT TQAVECRReceiptSummary::get_Cashier(IQAVECRCashier** r) {
  return Get(r, [&] { return cashier_; });
}

HRESULT TQAVECRReceiptSummary::get_Amounts(IQAVECRAmounts** r) {
  return Get(r, [&] { return amounts_; });
}

}  // namespace corvatin
