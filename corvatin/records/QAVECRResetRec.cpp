#include "corvatin/records/QAVECRResetRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRResetRec, CLSID_QAVECRResetRec);

}  // namespace corvatin
