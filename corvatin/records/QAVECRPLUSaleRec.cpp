#include "corvatin/records/QAVECRPLUSaleRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRPLUSaleRec, CLSID_QAVECRPLUSaleRec);

TQAVECRPLUSaleRec::TQAVECRPLUSaleRec()
    : TableRecord(kPLUSaleRecRows), discount_(Create<IQAVECRDiscounts>(CLSID_QAVECRDiscounts)) {}

HRESULT TQAVECRPLUSaleRec::get_Discount(IQAVECRDiscounts** r) {
  return Get(r, [&] { return discount_; });
}

}  // namespace corvatin
