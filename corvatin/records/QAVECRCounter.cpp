#include "corvatin/records/QAVECRCounter.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRCounter, CLSID_QAVECRCounter);

}  // namespace corvatin
