// The register's status: the definitions of what QAVECRStatus.h declares.
#include "corvatin/records/QAVECRStatus.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRStatus, CLSID_QAVECRStatus);

StatusStateFlags ParseStatusStateText(std::u16string_view text) {
  StatusStateFlags flags;
  flags.ClientDisplay = text.size() > 0 && text[0] == u'0';
  flags.PaperOut = text.size() > 1 && text[1] != u'0';
  flags.PrintingDeviceError = text.size() > 2 && text[2] != u'0';
  return flags;
}

TQAVECRStatus::TQAVECRStatus()
    : TableRecord(kStatusRows), version_(Create<IQAVECRVersion>(CLSID_QAVECRVersion)) {}

HRESULT TQAVECRStatus::get_Version(IQAVECRVersion** r) {
  return Get(r, [&] { return version_; });
}

}  // namespace corvatin
