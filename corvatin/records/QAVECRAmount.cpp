#include "corvatin/records/QAVECRAmount.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRAmount, CLSID_QAVECRAmount);

}  // namespace corvatin
