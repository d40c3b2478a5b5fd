// The module object and the in-process server entry points of the control.
#include "corvatin/control/CorvatinServer.h"

#include "corvatin/control/CorvatinTypeLib.h"

namespace corvatin {

com::ComModule& CorvatinModule() {
  static com::ComModule module(&CorvatinTypeLib);
  return module;
}

}  // namespace corvatin

extern "C" {

COM_API HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return corvatin::CorvatinModule().GetClassObject(clsid, riid, ppv);
}

COM_API HRESULT DllCanUnloadNow() { return corvatin::CorvatinModule().CanUnloadNow(); }

COM_API HRESULT DllRegisterServer() { return corvatin::CorvatinModule().RegisterServer(); }

COM_API HRESULT DllUnregisterServer() { return corvatin::CorvatinModule().UnregisterServer(); }

}  // extern "C"
