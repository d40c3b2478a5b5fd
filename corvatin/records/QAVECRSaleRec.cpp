// A sale record of the daily and periodical reports, also the record of the
// periodical sale summary and of the summary report: the definitions of what
// QAVECRSaleRec.h declares.
#include "corvatin/records/QAVECRSaleRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRSaleRec, CLSID_QAVECRSaleRec);

TQAVECRSaleRec::TQAVECRSaleRec()
    : TableRecord(kSaleRecRows),
      amounts_(Create<IQAVECRAmounts>(CLSID_QAVECRAmounts)),
      counters_(Create<IQAVECRCounters>(CLSID_QAVECRCounters)),
      sale_(Create<IQAVECRSale>(CLSID_QAVECRSale)),
      taxRates_(Create<IQAVECRTaxRates>(CLSID_QAVECRTaxRates)) {}

HRESULT TQAVECRSaleRec::get_Sale(IQAVECRSale** r) {
  return Get(r, [&] { return sale_; });
}

HRESULT TQAVECRSaleRec::get_Counters(IQAVECRCounters** r) {
  return Get(r, [&] { return counters_; });
}

HRESULT TQAVECRSaleRec::get_Amounts(IQAVECRAmounts** r) {
  return Get(r, [&] { return amounts_; });
}

HRESULT TQAVECRSaleRec::get_TaxRates(IQAVECRTaxRates** r) {
  return Get(r, [&] { return taxRates_; });
}

}  // namespace corvatin
