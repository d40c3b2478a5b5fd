// The versions of the register's three parts (application module, fiscal
// module, printing device) as the register reports them: the definitions of
// what QAVECRVersion.h declares.
#include "corvatin/records/QAVECRVersion.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRVersion, CLSID_QAVECRVersion);

}  // namespace corvatin
