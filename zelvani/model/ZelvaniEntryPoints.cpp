// The in-process server entry points of libzelvani.so. Built into the module
// only: programs that link the engine's objects directly do not get them.
#include "zelvani/model/ZelvaniServer.h"

extern "C" {

COM_API HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return zelvani::ZelvaniModule().GetClassObject(clsid, riid, ppv);
}

COM_API HRESULT DllCanUnloadNow() { return zelvani::ZelvaniModule().CanUnloadNow(); }

COM_API HRESULT DllRegisterServer() { return zelvani::ZelvaniModule().RegisterServer(); }

COM_API HRESULT DllUnregisterServer() { return zelvani::ZelvaniModule().UnregisterServer(); }

// The module's type library, for LoadTypeLib on the module's file.
COM_API HRESULT DllGetTypeLib(ITypeLib** lib) { return zelvani::ZelvaniModule().GetTypeLib(lib); }

}  // extern "C"
