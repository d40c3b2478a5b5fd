// The module object and the in-process server entry points of the control.
#include "corvatin/control/CorvatinServer.h"

#include "corvatin/control/CorvatinTypeLib.h"
#include "platform/sys/version.h"

// The control file's version record, read through GetFileVersionInfoA("Corvatin.ocx").
PLATFORM_VERSION_RECORD(CORVATIN_FILE_VERSION, "Corvatin", "QAVECR ActiveX Control", "");

namespace corvatin {

namespace {

// The module registers a control coclass with the keys a control container
// looks for: "Control", its miscellaneous status and its toolbox bitmap.
class CorvatinComModule final : public com::ComModule {
 public:
  CorvatinComModule() : com::ComModule(&CorvatinTypeLib) {}

 protected:
  std::vector<com::ClassKey> ExtraClassKeys(const com::CoclassDesc& c, const std::string& modulePath) const override {
    if (!(c.flags & com::kTypeControl)) return {};
    return {
        {"Control", "", ""},
        {"MiscStatus", "", "0"},
        {"MiscStatus\\1", "", std::to_string(kControlMiscStatus)},
        {"ToolboxBitmap32", "", modulePath + ", " + std::to_string(kControlToolboxBitmap)},
    };
  }
};

}  // namespace

com::ComModule& CorvatinModule() {
  static CorvatinComModule module;
  return module;
}

}  // namespace corvatin
