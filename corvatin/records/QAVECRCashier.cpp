// A cashier record: the definitions of what QAVECRCashier.h declares.
#include "corvatin/records/QAVECRCashier.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRCashier, CLSID_QAVECRCashier);

}  // namespace corvatin
