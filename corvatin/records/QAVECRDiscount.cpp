#include "corvatin/records/QAVECRDiscount.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRDiscount, CLSID_QAVECRDiscount);

}  // namespace corvatin
