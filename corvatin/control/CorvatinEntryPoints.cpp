// The in-process server entry points of libcorvatin.so. Built into the module
// only: programs that link the control's objects directly do not get them.
#include "corvatin/control/CorvatinServer.h"

extern "C" {

COM_API HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return corvatin::CorvatinModule().GetClassObject(clsid, riid, ppv);
}

COM_API HRESULT DllCanUnloadNow() { return corvatin::CorvatinModule().CanUnloadNow(); }

COM_API HRESULT DllRegisterServer() { return corvatin::CorvatinModule().RegisterServer(); }

COM_API HRESULT DllUnregisterServer() { return corvatin::CorvatinModule().UnregisterServer(); }

// The module's type library, for LoadTypeLib on the module's file.
COM_API HRESULT DllGetTypeLib(ITypeLib** lib) { return corvatin::CorvatinModule().GetTypeLib(lib); }

}  // extern "C"
