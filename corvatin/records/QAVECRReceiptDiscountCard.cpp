// A discount card used on a receipt, as the receipt report names it: the
// definitions of what QAVECRReceiptDiscountCard.h declares.
#include "corvatin/records/QAVECRReceiptDiscountCard.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRReceiptDiscountCard, CLSID_QAVECRReceiptDiscountCard);

}  // namespace corvatin
