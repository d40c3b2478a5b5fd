#include "corvatin/records/QAVECRReceiptItem.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRReceiptItem, CLSID_QAVECRReceiptItem);

}  // namespace corvatin
