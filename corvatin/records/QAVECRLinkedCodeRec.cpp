// A linked-code record: the definitions of what QAVECRLinkedCodeRec.h declares.
#include "corvatin/records/QAVECRLinkedCodeRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRLinkedCodeRec, CLSID_QAVECRLinkedCodeRec);

}  // namespace corvatin
