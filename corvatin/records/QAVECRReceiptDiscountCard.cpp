#include "corvatin/records/QAVECRReceiptDiscountCard.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRReceiptDiscountCard, CLSID_QAVECRReceiptDiscountCard);

}  // namespace corvatin
