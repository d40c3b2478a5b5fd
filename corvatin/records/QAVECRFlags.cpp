#include "corvatin/records/QAVECRFlags.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRFlags, CLSID_QAVECRFlags);

}  // namespace corvatin
