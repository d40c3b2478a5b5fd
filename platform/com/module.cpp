#include "platform/com/module.h"

#include <dlfcn.h>

#include "platform/com/ansi.h"
#include "platform/com/registry.h"

namespace com {

// A class factory of the module: static for the module's lifetime; its reference
// count does not keep the module, LockServer does.
class ComModule::Factory final : public IClassFactory {
 public:
  Factory(ComModule& module, const CLSID& clsid, CreateFn create) : module_(module), clsid_(clsid), create_(create) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IUnknown::Iid || riid == IClassFactory::Iid) {
      *ppv = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (ppv) *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(riid, ppv);
  }
  HRESULT LockServer(BOOL lock) override {
    module_.Lock(lock != FALSE);
    return S_OK;
  }
  const CLSID& Clsid() const { return clsid_; }

 private:
  ComModule& module_;
  CLSID clsid_;
  CreateFn create_;
};

ComModule::ComModule(const TypeLibDesc& (*typeLib)()) : typeLib_(typeLib) { AnnounceModule(this); }

ComModule::~ComModule() {
  WithdrawModule(this);
  for (Factory* f : factories_) delete f;
}

void ComModule::AddClass(REFCLSID clsid, CreateFn create) { factories_.push_back(new Factory(*this, clsid, create)); }

bool ComModule::HasClass(REFCLSID clsid) const {
  for (const Factory* f : factories_)
    if (f->Clsid() == clsid) return true;
  return false;
}

HRESULT ComModule::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  for (Factory* f : factories_)
    if (f->Clsid() == clsid) return f->QueryInterface(riid, ppv);
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ComModule::CanUnloadNow() const { return objects_.load() == 0 && locks_.load() == 0 ? S_OK : S_FALSE; }

std::string ComModule::Path() const {
  Dl_info info{};
  if (dladdr(static_cast<const void*>(this), &info) && info.dli_fname) {
    char resolved[4096];
    if (realpath(info.dli_fname, resolved)) return resolved;
    return info.dli_fname;
  }
  return {};
}

HRESULT ComModule::GetTypeLib(ITypeLib** lib) const { return GetTypeLibOf(TypeLib(), lib); }

HRESULT ComModule::RegisterServer() {
  const TypeLibDesc& lib = TypeLib();
  const std::string path = Path();
  if (path.empty()) return E_FAIL;
  for (const Factory* f : factories_)
    if (!lib.FindCoclass(f->Clsid())) return E_FAIL;
  ComPtr<ITypeLib> typeLib;
  if (FAILED(GetTypeLib(typeLib.Out())) || FAILED(RegisterTypeLib(typeLib.Get(), Utf8ToWide(path).c_str(), nullptr)))
    return E_FAIL;
  const std::string libid = GuidToString(lib.libid);
  const std::string version = lib.Version();
  registry::Transaction t;
  for (const Factory* f : factories_) {
    const CoclassDesc* c = lib.FindCoclass(f->Clsid());
    const std::string clsid = GuidToString(c->clsid);
    const std::string progId = lib.name + "." + c->name;
    const std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + clsid;
    t.SetValue(key, "", c->helpString);
    t.SetValue(key + "\\ProgID", "", progId);
    t.SetValue(key + "\\Version", "", version);
    t.SetValue(key + "\\TypeLib", "", libid);
    t.SetValue(key + "\\InprocServer32", "", path);
    t.SetValue(key + "\\InprocServer32", "ThreadingModel", "Apartment");
    for (const ClassKey& k : ExtraClassKeys(*c, path))
      t.SetValue(k.subkey.empty() ? key : key + "\\" + k.subkey, k.name, k.value);
    t.SetValue("HKEY_CLASSES_ROOT\\" + progId, "", c->helpString);
    t.SetValue("HKEY_CLASSES_ROOT\\" + progId + "\\Clsid", "", clsid);
  }
  std::string error;
  HRESULT hr = t.Commit(&error);
  if (FAILED(hr)) {
    SetErrorInfoText(IUnknown::Iid, u"", AnsiToWide(error));
    return E_FAIL;
  }
  return S_OK;
}

HRESULT ComModule::UnregisterServer() {
  const TypeLibDesc& lib = TypeLib();
  registry::Transaction t;
  for (const Factory* f : factories_) {
    const CoclassDesc* c = lib.FindCoclass(f->Clsid());
    if (!c) return E_FAIL;
    t.DeleteTree("HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(c->clsid));
    t.DeleteTree("HKEY_CLASSES_ROOT\\" + lib.name + "." + c->name);
  }
  std::string error;
  HRESULT hr = t.Commit(&error);
  if (FAILED(hr)) {
    SetErrorInfoText(IUnknown::Iid, u"", AnsiToWide(error));
    return E_FAIL;
  }
  // A library that is not registered (any more) leaves nothing to remove. The
  // module's own library is made first, so that its interfaces are known even
  // where the registered path cannot be loaded again.
  ComPtr<ITypeLib> typeLib;
  if (FAILED(GetTypeLib(typeLib.Out()))) return E_FAIL;
  BSTR registered = nullptr;
  if (SUCCEEDED(QueryPathOfRegTypeLib(lib.libid, lib.majorVersion, lib.minorVersion, lib.lcid, &registered))) {
    SysFreeString(registered);
    if (FAILED(UnRegisterTypeLib(lib.libid, lib.majorVersion, lib.minorVersion, lib.lcid, SYS_WIN64))) return E_FAIL;
  }
  return S_OK;
}

}  // namespace com
