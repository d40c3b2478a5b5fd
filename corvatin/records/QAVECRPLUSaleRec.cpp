// A record of the department, article (PLU) or packing sales report: the
// definitions of what QAVECRPLUSaleRec.h declares.
#include "corvatin/records/QAVECRPLUSaleRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRPLUSaleRec, CLSID_QAVECRPLUSaleRec);

TQAVECRPLUSaleRec::TQAVECRPLUSaleRec()
    : TableRecord(kPLUSaleRecRows), discount_(Create<IQAVECRDiscounts>(CLSID_QAVECRDiscounts)) {}

HRESULT TQAVECRPLUSaleRec::get_Discount(IQAVECRDiscounts** r) {
  return Get(r, [&] { return discount_; });
}

}  // namespace corvatin
