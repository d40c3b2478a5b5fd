// A module (shared library) serving classes: its class factories, its count of
// live objects and locks, and its registration. Each deliverable has one
// ComModule; each creatable class registers its factory with it when the module
// is loaded.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/activation.h"
#include "platform/com/typeinfo.h"
#include "platform/com/typelib.h"

namespace com {

using CreateFn = HRESULT (*)(REFIID riid, void** ppv);

// A further registry value of a class, under its CLSID key ("" names the key itself).
struct ClassKey {
  std::string subkey;
  std::string name;
  std::string value;
};

class COM_API ComModule : public LoadedModule {
 public:
  // `typeLib` gives the module's type library description (built on first use).
  explicit ComModule(const TypeLibDesc& (*typeLib)());
  ~ComModule();
  ComModule(const ComModule&) = delete;
  ComModule& operator=(const ComModule&) = delete;

  const TypeLibDesc& TypeLib() const { return typeLib_(); }

  // Registers the factory of a coclass; called while the module loads.
  void AddClass(REFCLSID clsid, CreateFn create);

  bool HasClass(REFCLSID clsid) const override;
  // DllGetClassObject: the factory of a registered class, else CLASS_E_CLASSNOTAVAILABLE.
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) override;
  // DllCanUnloadNow: S_OK when no object lives and no factory is locked.
  HRESULT CanUnloadNow() const;
  // DllRegisterServer / DllUnregisterServer: the type library registered with the
  // module's path (RegisterTypeLib), then for each factory the class keys and its
  // ProgID ("<library>.<coclass>"); unregistration removes both.
  HRESULT RegisterServer();
  HRESULT UnregisterServer();
  // DllGetTypeLib: the module's type library, generated from its description.
  HRESULT GetTypeLib(ITypeLib** lib) const;

  // The full path of the module file.
  std::string Path() const;

  void ObjectCreated() { objects_.fetch_add(1, std::memory_order_relaxed); }
  void ObjectDestroyed() { objects_.fetch_sub(1, std::memory_order_relaxed); }
  void Lock(bool lock) { locks_.fetch_add(lock ? 1 : -1, std::memory_order_relaxed); }
  long LiveObjects() const { return objects_.load(); }

 protected:
  // Further values a class writes under its CLSID key at registration (a
  // control's keys, for example); none by default. Unregistration removes the
  // whole CLSID key with them.
  virtual std::vector<ClassKey> ExtraClassKeys(const CoclassDesc&, const std::string& /*modulePath*/) const {
    return {};
  }

 private:
  class Factory;
  const TypeLibDesc& (*typeLib_)();
  std::vector<Factory*> factories_;
  std::atomic<long> objects_{0};
  std::atomic<long> locks_{0};
};

}  // namespace com
