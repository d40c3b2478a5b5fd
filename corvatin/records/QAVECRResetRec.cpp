// A reset record of the daily and periodical reports: the definitions of what
// QAVECRResetRec.h declares.
#include "corvatin/records/QAVECRResetRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRResetRec, CLSID_QAVECRResetRec);

}  // namespace corvatin
