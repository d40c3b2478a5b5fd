// The base of every automation object: reference counting, QueryInterface over the
// interface and its bases, IDispatch served from the module's type library, and
// the guard that turns an exception escaping a member body into a failing
// HRESULT with error information.
#pragma once

#include <atomic>
#include <exception>
#include <new>
#include <string>
#include <type_traits>

#include "platform/com/ansi.h"
#include "platform/com/comptr.h"
#include "platform/com/error.h"
#include "platform/com/module.h"
#include "platform/com/typelib.h"

namespace com {

// Error information for a failure of interface `iid`; the message is ANSI text.
COM_API HRESULT ReportException(REFIID iid, const char* source, std::exception_ptr e);

// ---------------------------------------------------------------------------
// Out-parameter stores: the value a member body computes, stored in the caller's
// slot. Texts are ANSI strings and become BSTRs.

inline void InitOut(LONG* o) { *o = 0; }
inline void InitOut(VARIANT_BOOL* o) { *o = VARIANT_FALSE; }
inline void InitOut(double* o) { *o = 0; }
inline void InitOut(CY* o) { *o = CY{}; }
inline void InitOut(BSTR* o) { *o = nullptr; }
inline void InitOut(VARIANT* o) { VariantInit(o); }
template <class I>
void InitOut(I** o) {
  *o = nullptr;
}

inline void StoreOut(LONG* o, LONG v) { *o = v; }
inline void StoreOut(VARIANT_BOOL* o, bool v) { *o = v ? VARIANT_TRUE : VARIANT_FALSE; }
inline void StoreOut(double* o, double v) { *o = v; }
inline void StoreOut(CY* o, CY v) { *o = v; }
inline void StoreOut(BSTR* o, const std::string& ansi) { *o = AnsiToBstr(ansi); }
inline void StoreOut(BSTR* o, Bstr&& b) { *o = b.Detach(); }
inline void StoreOut(VARIANT* o, const VARIANT& v) { VariantCopy(o, &v); }
inline void StoreOut(VARIANT* o, Variant&& v) { v.Detach(o); }
template <class I, class U>
  requires std::is_convertible_v<U*, I*>
void StoreOut(I** o, ComPtr<U> p) {
  *o = p.Detach();
}

inline VARIANT_BOOL ToVariantBool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

// ---------------------------------------------------------------------------

template <class Itf>
class ComObject : public Itf {
 public:
  explicit ComObject(ComModule& module) : module_(module) { module_.ObjectCreated(); }
  virtual ~ComObject() { module_.ObjectDestroyed(); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IUnknown::Iid || riid == IDispatch::Iid || riid == IidOf<Itf>() || Implements(riid)) {
      *ppv = static_cast<Itf*>(this);
      this->AddRef();
      return S_OK;
    }
    return QueryOtherInterface(riid, ppv);
  }
  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG n = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (n == 0) delete this;
    return n;
  }

  // One type info: the interface's, from the module's type library.
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GetTypeInfoOf(module_.TypeLib(), IidOf<Itf>(), info);
  }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    const InterfaceDesc* d = Desc();
    if (!d) {
      for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    return DispGetIDsOfNames(*d, names, count, ids);
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                 UINT* argErr) override {
    const InterfaceDesc* d = Desc();
    if (!d) return DISP_E_MEMBERNOTFOUND;
    return DispInvoke(static_cast<Itf*>(this), *d, id, flags, params, result, excep, argErr);
  }

  // The interface's description in the module's type library (null when the
  // library does not describe it).
  const InterfaceDesc* Desc() const {
    static const InterfaceDesc* desc = module_.TypeLib().FindInterface(IidOf<Itf>());
    return desc;
  }

 protected:
  // Interfaces besides Itf and its bases; none by default.
  virtual HRESULT QueryOtherInterface(REFIID, void**) { return E_NOINTERFACE; }

  ComModule& Module() const { return module_; }

  // Runs a member body; an escaping exception becomes the HRESULT and error
  // information of this interface.
  template <class F>
  HRESULT Guard(F&& body) noexcept {
    try {
      body();
      return S_OK;
    } catch (...) {
      const InterfaceDesc* d = Desc();
      return ReportException(IidOf<Itf>(), d ? d->name.c_str() : "", std::current_exception());
    }
  }

  // A member that computes one result: the slot is cleared, the body's value
  // stored.
  template <class T, class F>
  HRESULT Get(T* out, F&& body) noexcept {
    if (!out) return E_POINTER;
    InitOut(out);
    return Guard([&] { StoreOut(out, body()); });
  }

 private:
  bool Implements(REFIID riid) const {
    const InterfaceDesc* d = Desc();
    return d && d->Implements(riid);
  }

  ComModule& module_;
  std::atomic<ULONG> refs_{0};
};

// Creates an object of class T with its first reference.
template <class T, class... A>
ComPtr<T> MakeObject(A&&... args) {
  return ComPtr<T>(new T(std::forward<A>(args)...));
}

// The factory entry of a class: creates T and asks it for the wanted interface.
template <class T>
HRESULT CreateInstanceOf(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  try {
    ComPtr<T> obj(new T());
    return obj->QueryInterface(riid, ppv);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return ReportException(IClassFactory::Iid, "", std::current_exception());
  }
}

// Registers class T's factory with a module while the module loads:
//   static com::ClassRegistration<TQAVZLVValue> reg(ZelvaniModule(), CLSID_QAVZLVValue);
template <class T>
struct ClassRegistration {
  ClassRegistration(ComModule& module, REFCLSID clsid) { module.AddClass(clsid, &CreateInstanceOf<T>); }
};

}  // namespace com
