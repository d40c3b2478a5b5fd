#include "corvatin/records/QAVECRVersion.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRVersion, CLSID_QAVECRVersion);

}  // namespace corvatin
