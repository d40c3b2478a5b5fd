// One discount or mark-up: the definitions of what QAVECRDiscount.h declares.
#include "corvatin/records/QAVECRDiscount.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRDiscount, CLSID_QAVECRDiscount);

}  // namespace corvatin
