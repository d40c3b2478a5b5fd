// One line of a receipt in the register's receipt report: the definitions of
// what QAVECRReceiptItem.h declares.
#include "corvatin/records/QAVECRReceiptItem.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRReceiptItem, CLSID_QAVECRReceiptItem);

}  // namespace corvatin
