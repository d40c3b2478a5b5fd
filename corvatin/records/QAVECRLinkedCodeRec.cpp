#include "corvatin/records/QAVECRLinkedCodeRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRLinkedCodeRec, CLSID_QAVECRLinkedCodeRec);

}  // namespace corvatin
