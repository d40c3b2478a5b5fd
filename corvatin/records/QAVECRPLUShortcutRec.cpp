// A key shortcut record: the definitions of what QAVECRPLUShortcutRec.h
// declares.
#include "corvatin/records/QAVECRPLUShortcutRec.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRPLUShortcutRec, CLSID_QAVECRPLUShortcutRec);

}  // namespace corvatin
