// One money value of a report or receipt, with its kind (cash, storno, ...):
// the definitions of what QAVECRAmount.h declares.
#include "corvatin/records/QAVECRAmount.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRAmount, CLSID_QAVECRAmount);

}  // namespace corvatin
