// One count of a report (receipts, resets, ...) with its kind: the definitions
// of what QAVECRCounter.h declares.
#include "corvatin/records/QAVECRCounter.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRCounter, CLSID_QAVECRCounter);

}  // namespace corvatin
