// A tax-rate change record of the periodical report: the definitions of what
// QAVECRTaxChangeRec.h declares.
#include "corvatin/records/QAVECRTaxChangeRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRTaxChangeRec, CLSID_QAVECRTaxChangeRec);

TQAVECRTaxChangeRec::TQAVECRTaxChangeRec()
    : TableRecord(kTaxChangeRecRows), taxRates_(Create<IQAVECRTaxRates>(CLSID_QAVECRTaxRates)) {}

HRESULT TQAVECRTaxChangeRec::get_TaxRates(IQAVECRTaxRates** r) {
  return Get(r, [&] { return taxRates_; });
}

}  // namespace corvatin
