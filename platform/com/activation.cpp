#include "platform/com/activation.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/com/registry.h"
#include "platform/com/regularfile.h"

namespace {

struct CachedFactory {
  IClassFactory* factory = nullptr;
  com::LoadedModule* module = nullptr;  // the module that serves it
};

// Process-wide activation state. Never destroyed: modules withdraw during their
// own unloading, which may come after ordinary static destruction.
struct Activation {
  std::mutex lock;
  std::unordered_map<CLSID, CachedFactory, GuidHash> factories;
  std::vector<com::LoadedModule*> modules;
  std::unordered_map<std::string, void*> libraries;  // dlopen handles by path
  struct Running {
    DWORD id;
    CLSID clsid;
    IUnknown* object;
  };
  std::vector<Running> running;
  DWORD nextRunning = 1;
};

Activation& State() {
  static Activation* s = new Activation;
  return *s;
}

HRESULT Fail(HRESULT hr, const std::string& text) {
  SetErrorInfoText(IUnknown::Iid, u"", AnsiToWide(text));
  return hr;
}

// Finds the factory of a class, loading its module when needed. Called with the
// state's lock held.
HRESULT FindFactory(Activation& s, REFCLSID clsid, CachedFactory& out) {
  auto it = s.factories.find(clsid);
  if (it != s.factories.end()) {
    out = it->second;
    return S_OK;
  }
  auto fromModules = [&]() -> HRESULT {
    for (com::LoadedModule* m : s.modules) {
      if (!m->HasClass(clsid)) continue;
      IClassFactory* f = nullptr;
      HRESULT hr = m->GetClassObject(clsid, IClassFactory::Iid, reinterpret_cast<void**>(&f));
      if (FAILED(hr)) return hr;
      out = {f, m};
      s.factories[clsid] = out;
      return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
  };
  HRESULT hr = fromModules();
  if (hr != CLASS_E_CLASSNOTAVAILABLE) return hr;

  const std::string clsidText = GuidToString(clsid);
  auto path = registry::GetValue("HKEY_CLASSES_ROOT\\CLSID\\" + clsidText + "\\InprocServer32");
  if (!path) {
    std::string why = registry::LastLoadError();
    if (!why.empty()) return Fail(REGDB_E_READREGDB, why);
    return Fail(REGDB_E_CLASSNOTREG, "Class " + clsidText + " is not registered");
  }
  if (path->empty()) return Fail(REGDB_E_CLASSNOTREG, "Class " + clsidText + " has no module path");
  void* handle = nullptr;
  auto lib = s.libraries.find(*path);
  if (lib != s.libraries.end()) {
    handle = lib->second;
  } else {
    // The module announces its classes while it loads; loading happens without
    // the lock held since module initialisation calls back into this layer.
    s.lock.unlock();
    std::string errText;
    handle = com::LoadModuleFile(*path, errText);
    s.lock.lock();
    if (!handle) return Fail(CO_E_DLLNOTFOUND, "Cannot load module " + *path + ": " + errText);
    s.libraries.emplace(*path, handle);
  }
  hr = fromModules();
  if (hr != CLASS_E_CLASSNOTAVAILABLE) return hr;
  auto get = reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
  if (!get) return Fail(CO_E_ERRORINDLL, "Module " + *path + " has no DllGetClassObject");
  IClassFactory* f = nullptr;
  hr = get(clsid, IClassFactory::Iid, reinterpret_cast<void**>(&f));
  if (FAILED(hr)) return Fail(hr, "Module " + *path + " does not serve class " + clsidText);
  out = {f, nullptr};
  s.factories[clsid] = out;
  return S_OK;
}

}  // namespace

namespace com {

void AnnounceModule(LoadedModule* module) {
  Activation& s = State();
  std::lock_guard g(s.lock);
  s.modules.push_back(module);
}

void WithdrawModule(LoadedModule* module) {
  Activation& s = State();
  std::lock_guard g(s.lock);
  std::erase(s.modules, module);
  std::erase_if(s.factories, [&](const auto& e) { return e.second.module == module; });
}

void* LoadModuleFile(const std::string& path, std::string& why) {
  why.clear();
  if (path.find('/') != std::string::npos) {
    // Opened without blocking and looked at just before the loader opens it.
    const RegularFile file = RegularFile::OpenForReading(path);
    if (!file.IsOpen()) {
      switch (file.Why()) {
        case RegularFile::Failure::Missing: why = "no such file"; break;
        case RegularFile::Failure::NotRegular: why = "not a regular file"; break;
        default: why = std::strerror(file.Error()); break;
      }
      return nullptr;
    }
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* err = dlerror();
    why = err ? err : "cannot be loaded";
  }
  return handle;
}

void ThrowCreateFailed(HRESULT hr, REFCLSID clsid) {
  std::u16string why = TakeErrorDescription();
  std::string text = "Cannot create an object of class " + GuidToString(clsid);
  if (!why.empty()) text += ": " + WideToAnsi(why);
  throw ComError(hr, text);
}

}  // namespace com

extern "C" {

HRESULT CoInitialize(void*) { return S_OK; }
HRESULT CoInitializeEx(void*, DWORD) { return S_OK; }
void CoUninitialize() {}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!(context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER)))
    return E_INVALIDARG;
  Activation& s = State();
  CachedFactory f;
  {
    std::unique_lock g(s.lock);
    HRESULT hr = FindFactory(s, clsid, f);
    if (FAILED(hr)) return hr;
  }
  return f.factory->QueryInterface(riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  Activation& s = State();
  CachedFactory f;
  {
    std::unique_lock g(s.lock);
    HRESULT hr = FindFactory(s, clsid, f);
    if (FAILED(hr)) return hr;
  }
  (void)context;
  return f.factory->CreateInstance(outer, riid, ppv);
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (!clsid) return E_POINTER;
  std::string s = WideToAnsi(text ? std::u16string_view(text) : std::u16string_view());
  GUID g;
  if (!TryParseGuid(s, g)) return Fail(CO_E_CLASSSTRING, "Invalid class string \"" + s + "\"");
  *clsid = g;
  return S_OK;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = GUID_NULL;
  std::string name = WideToAnsi(progId ? std::u16string_view(progId) : std::u16string_view());
  if (name.empty()) return Fail(CO_E_CLASSSTRING, "Empty program identifier");
  auto text = registry::GetValue("HKEY_CLASSES_ROOT\\" + name + "\\Clsid");
  if (!text) {
    std::string why = registry::LastLoadError();
    if (!why.empty()) return Fail(REGDB_E_READREGDB, why);
    return Fail(CO_E_CLASSSTRING, "Program identifier " + name + " is not registered");
  }
  GUID g;
  if (!TryParseGuid(*text, g))
    return Fail(CO_E_CLASSSTRING, "Program identifier " + name + " names a malformed class " + *text);
  *clsid = g;
  return S_OK;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId) {
  if (!progId) return E_POINTER;
  *progId = nullptr;
  auto text = registry::GetValue("HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(clsid) + "\\ProgID");
  if (!text) return Fail(REGDB_E_CLASSNOTREG, "Class " + GuidToString(clsid) + " has no program identifier");
  std::u16string w = AnsiToWide(*text);
  auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((w.size() + 1) * sizeof(OLECHAR)));
  if (!out) return E_OUTOFMEMORY;
  std::memcpy(out, w.c_str(), (w.size() + 1) * sizeof(OLECHAR));
  *progId = out;
  return S_OK;
}

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size) {
  std::string s = GuidToString(guid);
  if (!buffer || size < static_cast<int>(s.size()) + 1) return 0;
  for (std::size_t i = 0; i < s.size(); ++i) buffer[i] = static_cast<OLECHAR>(s[i]);
  buffer[s.size()] = 0;
  return static_cast<int>(s.size()) + 1;
}

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size); }
void CoTaskMemFree(void* p) { std::free(p); }

HRESULT RegisterActiveObject(IUnknown* object, REFCLSID clsid, DWORD, DWORD* registration) {
  if (!object || !registration) return E_INVALIDARG;
  Activation& s = State();
  std::lock_guard g(s.lock);
  object->AddRef();
  DWORD id = s.nextRunning++;
  s.running.push_back({id, clsid, object});
  *registration = id;
  return S_OK;
}

HRESULT RevokeActiveObject(DWORD registration, void*) {
  IUnknown* object = nullptr;
  {
    Activation& s = State();
    std::lock_guard g(s.lock);
    for (auto it = s.running.begin(); it != s.running.end(); ++it) {
      if (it->id == registration) {
        object = it->object;
        s.running.erase(it);
        break;
      }
    }
  }
  if (!object) return E_INVALIDARG;
  object->Release();
  return S_OK;
}

HRESULT GetActiveObject(REFCLSID clsid, void*, IUnknown** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  Activation& s = State();
  std::lock_guard g(s.lock);
  for (auto& r : s.running) {
    if (r.clsid == clsid) {
      r.object->AddRef();
      *object = r.object;
      return S_OK;
    }
  }
  return MK_E_UNAVAILABLE;
}

}  // extern "C"
