// The register's configuration flags: the definitions of what QAVECRFlags.h
// declares.
#include "corvatin/records/QAVECRFlags.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRFlags, CLSID_QAVECRFlags);

}  // namespace corvatin
