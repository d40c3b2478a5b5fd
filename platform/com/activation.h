// Object creation by class identifier and program identifier, class factories,
// loaded modules and the table of running objects.
//
// CoGetClassObject looks for the class, in order, in the factory cache, in the
// modules already loaded into the process, and in the registry's
// "HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32" entry, whose module is loaded
// (LoadModuleFile) and asked through its DllGetClassObject. A factory once found
// is cached, so later creations touch neither the registry nor the file system.
#pragma once

#include <cstddef>
#include <string>

#include "platform/com/comptr.h"
#include "platform/com/interfaces.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_ALL = 0x17;
constexpr DWORD ACTIVEOBJECT_STRONG = 0x0;
constexpr DWORD ACTIVEOBJECT_WEAK = 0x1;

using DllGetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();

extern "C" {
COM_API HRESULT CoInitialize(void* reserved);
COM_API HRESULT CoInitializeEx(void* reserved, DWORD flags);
COM_API void CoUninitialize();

COM_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID riid, void** ppv);
COM_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv);

COM_API HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
COM_API HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
// The ProgID of a class; the string is allocated with CoTaskMemAlloc.
COM_API HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);
COM_API int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size);
COM_API void* CoTaskMemAlloc(std::size_t size);
COM_API void CoTaskMemFree(void* p);

// Running objects: an object registered under a class identifier is found by
// GetActiveObject until it is revoked.
COM_API HRESULT RegisterActiveObject(IUnknown* object, REFCLSID clsid, DWORD flags, DWORD* registration);
COM_API HRESULT RevokeActiveObject(DWORD registration, void* reserved);
COM_API HRESULT GetActiveObject(REFCLSID clsid, void* reserved, IUnknown** object);
}

namespace com {

// A module loaded into the process that serves classes; modules announce
// themselves when they are loaded and withdraw when they are unloaded.
class LoadedModule {
 public:
  virtual bool HasClass(REFCLSID clsid) const = 0;
  virtual HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) = 0;

 protected:
  ~LoadedModule() = default;
};
COM_API void AnnounceModule(LoadedModule* module);
COM_API void WithdrawModule(LoadedModule* module);

// Loads a module file and keeps it loaded; its handle, or null with the reason
// in `why`. A path (a name with a '/') is loaded only when it names a regular
// file: anything else under it is refused before the loader opens it, since
// the loader's open of a FIFO waits for a writer for good, holding the
// loader's lock, so that every later load in the process would wait too. A
// bare module name is looked for by the loader in the library directories.
// Activation, the type library loader and the registration tool load modules
// through here.
COM_API void* LoadModuleFile(const std::string& path, std::string& why);

[[noreturn]] COM_API void ThrowCreateFailed(HRESULT hr, REFCLSID clsid);

// Creates an object and asks it for interface I; throws ComError on failure with
// the error's description.
template <class I>
ComPtr<I> CreateObject(REFCLSID clsid) {
  ComPtr<I> r;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IidOf<I>(), r.OutVoid());
  if (FAILED(hr)) ThrowCreateFailed(hr, clsid);
  return r;
}

}  // namespace com
