// Type library descriptions: one static description per module lists the library,
// its interfaces with their members in slot order (DISPIDs, kinds, parameters),
// its coclasses and enumerations. It is the single source for IDispatch and for
// registration.
//
// A member is written as, for example,
//   PropGet<&IQAVZLVValues::get_Items>("Items", 4, {Param("i")})
// The parameter and result types are taken from the C++ signature of the vtable
// method; the table names the parameters and gives defaults of optional ones.
// The invoke thunk generated from the same method pointer converts the
// automation arguments into the C++ call.
//
// Names and help strings are UTF-8 texts, as the source writes them; the type
// information objects (typeinfo.h) hand them to hosts as UTF-16.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/com/interfaces.h"
#include "platform/com/variant.h"

namespace com {

enum class MemberKind : WORD {
  Method = DISPATCH_METHOD,
  PropGet = DISPATCH_PROPERTYGET,
  PropPut = DISPATCH_PROPERTYPUT,
  PropPutRef = DISPATCH_PROPERTYPUTREF,
};

// One declared parameter.
struct ParamDesc {
  std::string name;
  VARTYPE vt = VT_EMPTY;  // the declared type; VT_BYREF set for out and in-out parameters
  bool optional = false;
  bool hasDefault = false;
  Variant defaultValue;
  IID iid{};  // for interface types: the interface (GUID_NULL for IDispatch and IUnknown)
  WORD direction = 0;  // PARAMFLAG_FIN and PARAMFLAG_FOUT as declared; 0: in, or in and out by reference
};

// A parameter as written in a table: a name, optionally a default value and a
// type that overrides the one taken from the signature (VT_DATE for a double,
// VT_I2 for a short).
struct Param {
  explicit Param(const char* n) : name(n) {}
  Param& Optional() {
    optional = true;
    return *this;
  }
  Param& Default(LONG v) {
    optional = hasDefault = true;
    defaultValue = Variant::I4(v);
    return *this;
  }
  Param& Default(const char16_t* v) {
    optional = hasDefault = true;
    defaultValue = Variant::Str(v);
    return *this;
  }
  Param& Default(const Variant& v) {
    optional = hasDefault = true;
    defaultValue = v;
    return *this;
  }
  Param& As(VARTYPE t) {
    vt = t;
    return *this;
  }
  std::string name;
  VARTYPE vt = VT_EMPTY;
  bool optional = false;
  bool hasDefault = false;
  Variant defaultValue;
};

// The call frame that Invoke hands to a thunk: one slot per declared parameter,
// already coerced to its declared type (out parameters: a slot of the declared
// type that the method writes), and the result.
struct CallFrame {
  VARIANT* args = nullptr;  // args[i] is parameter i, in declaration order
  VARIANT* result = nullptr;  // null when the caller wants no result
  VARTYPE resultType = VT_EMPTY;  // the member's declared result type
};
using InvokeThunk = HRESULT (*)(IDispatch* self, CallFrame& frame);

constexpr unsigned kMemberHidden = 1;      // not shown to browsers ("_Items")
constexpr unsigned kMemberRestricted = 2;

struct MemberDesc {
  std::string name;
  DISPID dispid = 0;
  MemberKind kind = MemberKind::Method;
  std::vector<ParamDesc> params;
  VARTYPE result = VT_EMPTY;  // VT_EMPTY: no result
  IID resultIid{};  // for interface results: the interface (GUID_NULL for IDispatch and IUnknown)
  unsigned flags = 0;
  InvokeThunk thunk = nullptr;
  std::string helpString;

  MemberDesc& Hidden() {
    flags |= kMemberHidden;
    return *this;
  }
  MemberDesc& Help(const char* text) {
    helpString = text;
    return *this;
  }
  // Overrides the result type taken from the signature (VT_DATE for a double).
  MemberDesc& Returns(VARTYPE t) {
    result = t;
    return *this;
  }
};

constexpr unsigned kTypeHidden = 1;
constexpr unsigned kTypeControl = 2;  // an ActiveX control: registered with the control keys

// What kind of interface a description is; a dual interface by default.
constexpr unsigned kInterfaceDispatchOnly = 1;  // a dispatch interface only (an events interface)
constexpr unsigned kInterfaceVtableOnly = 2;    // a plain vtable interface, not dispatchable

struct COM_API InterfaceDesc {
  std::string name;
  IID iid;
  const InterfaceDesc* base = nullptr;  // null: derives from IDispatch (a vtable-only one: from nothing)
  std::string helpString;
  std::vector<MemberDesc> members;  // own members, in slot order
  unsigned flags = 0;  // kInterfaceDispatchOnly, kInterfaceVtableOnly

  InterfaceDesc(std::string n, const IID& i, const InterfaceDesc* b, std::string help, std::vector<MemberDesc> m,
                unsigned f = 0);
  InterfaceDesc(const InterfaceDesc&) = delete;
  InterfaceDesc& operator=(const InterfaceDesc&) = delete;

  // A member by DISPID and kind, own members first, then the base's.
  const MemberDesc* Find(DISPID id, MemberKind kind) const;
  // The DISPID of a member name (case-insensitive), or DISPID_UNKNOWN.
  DISPID FindName(std::u16string_view name) const;
  // Own and inherited members, base first.
  std::vector<const MemberDesc*> AllMembers() const;
  // Whether this interface is, or derives from, the interface `iid`.
  bool Implements(REFIID iid) const;

 private:
  struct Index;
  std::shared_ptr<const Index> index_;
};

struct CoclassDesc {
  std::string name;
  CLSID clsid;
  const InterfaceDesc* defaultInterface = nullptr;
  std::string helpString;
  unsigned flags = 0;  // kTypeHidden, kTypeControl
  const InterfaceDesc* sourceInterface = nullptr;  // the default events interface, if any
};

struct EnumConstant {
  EnumConstant(std::string n, LONG v, std::string help = {})
      : name(std::move(n)), value(v), helpString(std::move(help)) {}
  std::string name;
  LONG value = 0;
  std::string helpString;
};

struct EnumDesc {
  std::string name;
  GUID guid;
  std::string helpString;
  std::vector<EnumConstant> constants;
};

// Another library this one refers to, and the interfaces taken from it. Only the
// identity is kept: the referring module does not link the other one.
struct ImportDesc {
  std::string name;
  GUID libid;
  WORD majorVersion = 1;
  WORD minorVersion = 0;
  std::string fileName;
  std::vector<std::pair<std::string, IID>> interfaces;
};

constexpr WORD kLibControl = 2;  // the library describes a control

struct COM_API TypeLibDesc {
  std::string name;
  std::string helpString;
  GUID libid;
  WORD majorVersion = 1;
  WORD minorVersion = 0;
  LCID lcid = 0;
  WORD flags = 0;  // kLibControl
  std::vector<ImportDesc> imports;
  std::vector<const InterfaceDesc*> interfaces;
  std::vector<CoclassDesc> coclasses;
  std::vector<EnumDesc> enums;

  const InterfaceDesc* FindInterface(REFIID iid) const;
  const CoclassDesc* FindCoclass(REFCLSID clsid) const;
  const CoclassDesc* FindCoclass(std::string_view name) const;
  const EnumDesc* FindEnum(std::string_view name) const;
  std::string Version() const { return std::to_string(majorVersion) + "." + std::to_string(minorVersion); }
};

// ---------------------------------------------------------------------------
// Deriving types from C++ signatures and generating thunks.

namespace detail {

template <class T>
struct IsInterfacePtr : std::false_type {};
template <class T>
  requires std::is_base_of_v<IUnknown, T>
struct IsInterfacePtr<T*> : std::true_type {};

// The automation type of a C++ parameter type (by value).
template <class T>
constexpr VARTYPE VarTypeOf() {
  if constexpr (std::is_same_v<T, LONG>) return VT_I4;
  else if constexpr (std::is_same_v<T, VARIANT_BOOL>) return VT_BOOL;
  else if constexpr (std::is_same_v<T, BYTE>) return VT_UI1;
  else if constexpr (std::is_same_v<T, double>) return VT_R8;
  else if constexpr (std::is_same_v<T, float>) return VT_R4;
  else if constexpr (std::is_same_v<T, CY>) return VT_CY;
  else if constexpr (std::is_same_v<T, BSTR>) return VT_BSTR;
  else if constexpr (std::is_same_v<T, VARIANT>) return VT_VARIANT;
  else if constexpr (std::is_same_v<T, IUnknown*>) return VT_UNKNOWN;
  else if constexpr (IsInterfacePtr<T>::value) return VT_DISPATCH;
  else static_assert(sizeof(T) == 0, "type not supported by automation");
}

// The interface of an interface-pointer type (I* or, for out parameters, I**);
// GUID_NULL for IDispatch, IUnknown and every other type.
template <class T>
constexpr IID InterfaceIidOf() {
  using P = std::conditional_t<std::is_pointer_v<T> && std::is_pointer_v<std::remove_pointer_t<T>>,
                               std::remove_pointer_t<T>, T>;
  if constexpr (IsInterfacePtr<P>::value) {
    using I = std::remove_pointer_t<P>;
    if constexpr (std::is_same_v<I, IUnknown> || std::is_same_v<I, IDispatch>)
      return GUID_NULL;
    else
      return IidOf<I>();
  } else {
    return GUID_NULL;
  }
}

template <class T>
T& SlotOf(VARIANT& v) {
  if constexpr (std::is_same_v<T, LONG>) return v.lVal;
  else if constexpr (std::is_same_v<T, VARIANT_BOOL>) return v.boolVal;
  else if constexpr (std::is_same_v<T, BYTE>) return v.bVal;
  else if constexpr (std::is_same_v<T, double>) return v.dblVal;
  else if constexpr (std::is_same_v<T, float>) return v.fltVal;
  else if constexpr (std::is_same_v<T, CY>) return v.cyVal;
  else if constexpr (std::is_same_v<T, BSTR>) return v.bstrVal;
  else if constexpr (std::is_same_v<T, VARIANT>) return v;
  else static_assert(sizeof(T) == 0, "type not supported by automation");
}

// An interface pointer argument: the slot holds VT_DISPATCH/VT_UNKNOWN (or empty);
// the callee gets the object queried for its interface, held for the call.
template <class I>
struct InterfaceArg {
  I* p = nullptr;
  explicit InterfaceArg(VARIANT& v) {
    IUnknown* u = (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) ? v.punkVal : nullptr;
    if (u) {
      if constexpr (std::is_same_v<I, IUnknown>) {
        p = u;
        p->AddRef();
      } else if (FAILED(u->QueryInterface(IidOf<I>(), reinterpret_cast<void**>(&p)))) {
        p = nullptr;
        ok = false;
      }
    }
  }
  ~InterfaceArg() {
    if (p) p->Release();
  }
  InterfaceArg(const InterfaceArg&) = delete;
  InterfaceArg& operator=(const InterfaceArg&) = delete;
  bool ok = true;
};

template <class A>
struct ArgTraits {
  // In parameter by value.
  static constexpr VARTYPE vt = VarTypeOf<A>();
  static constexpr bool isOut = false;
};
template <class T>
  requires(!std::is_base_of_v<IUnknown, T> && !std::is_same_v<T, OLECHAR>)
struct ArgTraits<T*> {
  // Out or in-out parameter.
  static constexpr VARTYPE vt = VarTypeOf<T>() | VT_BYREF;
  static constexpr bool isOut = true;
};
template <class I>
  requires std::is_base_of_v<IUnknown, I>
struct ArgTraits<I*> {
  static constexpr VARTYPE vt = VarTypeOf<I*>();
  static constexpr bool isOut = false;
};

// Holder that converts one frame slot into the C++ argument.
template <class A>
struct ArgHolder {
  VARIANT& slot;
  explicit ArgHolder(VARIANT& s) : slot(s) {}
  bool ok() const { return true; }
  A get() { return SlotOf<A>(slot); }
};
template <class T>
  requires(!std::is_base_of_v<IUnknown, T> && !std::is_same_v<T, OLECHAR>)
struct ArgHolder<T*> {
  VARIANT& slot;
  explicit ArgHolder(VARIANT& s) : slot(s) {}
  bool ok() const { return true; }
  T* get() { return &SlotOf<T>(slot); }
};
template <class I>
  requires std::is_base_of_v<IUnknown, I>
struct ArgHolder<I*> {
  InterfaceArg<I> arg;
  explicit ArgHolder(VARIANT& s) : arg(s) {}
  bool ok() const { return arg.ok; }
  I* get() { return arg.p; }
};

// Stores a method's result into the caller's VARIANT.
template <class R>
void StoreResult(R& r, VARTYPE vt, VARIANT* out) {
  if constexpr (std::is_same_v<R, VARIANT>) {
    *out = r;  // ownership moves
  } else if constexpr (std::is_pointer_v<R>) {
    if constexpr (std::is_same_v<R, BSTR>) {
      out->vt = VT_BSTR;
      out->bstrVal = r;
    } else if constexpr (std::is_same_v<R, IUnknown*>) {
      out->vt = VT_UNKNOWN;
      out->punkVal = r;
    } else {
      out->vt = VT_DISPATCH;
      out->pdispVal = static_cast<IDispatch*>(r);
    }
  } else {
    out->vt = vt;
    SlotOf<R>(*out) = r;
  }
}

template <class R>
void DiscardResult(R& r) {
  if constexpr (std::is_same_v<R, VARIANT>) {
    VariantClear(&r);
  } else if constexpr (std::is_same_v<R, BSTR>) {
    SysFreeString(r);
  } else if constexpr (std::is_pointer_v<R>) {
    if (r) r->Release();
  }
}

template <class R>
R ZeroResult() {
  if constexpr (std::is_same_v<R, VARIANT>) {
    VARIANT v;
    VariantInit(&v);
    return v;
  } else {
    return R{};
  }
}

template <class Sig>
struct MethodTraits;
template <class I, class... A>
struct MethodTraits<HRESULT (I::*)(A...)> {
  using Interface = I;
  using Args = std::tuple<A...>;
  static constexpr std::size_t arity = sizeof...(A);
};

template <class Tuple, std::size_t... Ix, class F>
HRESULT CallWithHolders(std::index_sequence<Ix...>, CallFrame& frame, F&& f) {
  // Built in place: a holder owns the reference of an interface argument.
  std::tuple<ArgHolder<std::tuple_element_t<Ix, Tuple>>...> holders(frame.args[Ix]...);
  (void)holders;
  bool ok = (true && ... && std::get<Ix>(holders).ok());
  if (!ok) return DISP_E_TYPEMISMATCH;
  return f(std::get<Ix>(holders).get()...);
}

// Thunk for a member whose C++ parameters all map to declared parameters.
template <auto Fn>
HRESULT ThunkNoResult(IDispatch* self, CallFrame& frame) {
  using T = MethodTraits<decltype(Fn)>;
  auto* obj = static_cast<typename T::Interface*>(self);
  return CallWithHolders<typename T::Args>(std::make_index_sequence<T::arity>(), frame,
                           [&](auto... a) { return (obj->*Fn)(a...); });
}

template <class Tuple, class Seq>
struct Head;
template <class Tuple, std::size_t... Ix>
struct Head<Tuple, std::index_sequence<Ix...>> {
  using type = std::tuple<std::tuple_element_t<Ix, Tuple>...>;
};

// Thunk for a member whose last C++ parameter is the result (retval).
template <auto Fn>
HRESULT ThunkWithResult(IDispatch* self, CallFrame& frame) {
  using T = MethodTraits<decltype(Fn)>;
  constexpr std::size_t n = T::arity - 1;
  using RPtr = std::tuple_element_t<n, typename T::Args>;
  using R = std::remove_pointer_t<RPtr>;
  using Params = typename Head<typename T::Args, std::make_index_sequence<n>>::type;
  auto* obj = static_cast<typename T::Interface*>(self);
  R r = ZeroResult<R>();
  HRESULT hr = CallWithHolders<Params>(std::make_index_sequence<n>(), frame, [&](auto... a) {
    return (obj->*Fn)(a..., &r);
  });
  if (SUCCEEDED(hr)) {
    if (frame.result) {
      StoreResult(r, frame.resultType, frame.result);
    } else {
      DiscardResult(r);
    }
  }
  return hr;
}

template <class Tuple, std::size_t... Ix>
void FillParamTypes(std::vector<ParamDesc>& out, std::index_sequence<Ix...>) {
  ((out[Ix].vt = out[Ix].vt ? out[Ix].vt : ArgTraits<std::tuple_element_t<Ix, Tuple>>::vt), ...);
  ((out[Ix].iid = InterfaceIidOf<std::tuple_element_t<Ix, Tuple>>()), ...);
}

COM_API MemberDesc BuildMember(const char* name, DISPID id, MemberKind kind, std::initializer_list<Param> params,
                               std::vector<ParamDesc> typed, VARTYPE result, InvokeThunk thunk);

template <auto Fn, bool HasResult>
MemberDesc Make(const char* name, DISPID id, MemberKind kind, std::initializer_list<Param> params) {
  using T = MethodTraits<decltype(Fn)>;
  constexpr std::size_t n = HasResult ? T::arity - 1 : T::arity;
  std::vector<ParamDesc> typed(n);
  for (std::size_t i = 0; i < n && i < params.size(); ++i) typed[i].vt = params.begin()[i].vt;
  using Params = typename Head<typename T::Args, std::make_index_sequence<n>>::type;
  FillParamTypes<Params>(typed, std::make_index_sequence<n>());
  VARTYPE result = VT_EMPTY;
  if constexpr (HasResult) {
    using RPtr = std::tuple_element_t<n, typename T::Args>;
    result = VarTypeOf<std::remove_pointer_t<RPtr>>();
    MemberDesc m = BuildMember(name, id, kind, params, std::move(typed), result, &ThunkWithResult<Fn>);
    m.resultIid = InterfaceIidOf<std::remove_pointer_t<RPtr>>();
    return m;
  } else {
    return BuildMember(name, id, kind, params, std::move(typed), result, &ThunkNoResult<Fn>);
  }
}

}  // namespace detail

// A property read: the method's last parameter is the value.
template <auto Fn>
MemberDesc PropGet(const char* name, DISPID id, std::initializer_list<Param> params = {}) {
  return detail::Make<Fn, true>(name, id, MemberKind::PropGet, params);
}
// A property write: the method's last parameter is the new value.
template <auto Fn>
MemberDesc PropPut(const char* name, DISPID id, std::initializer_list<Param> params = {}) {
  return detail::Make<Fn, false>(name, id, MemberKind::PropPut, params);
}
// A method returning a value through its last parameter.
template <auto Fn>
MemberDesc Method(const char* name, DISPID id, std::initializer_list<Param> params = {}) {
  return detail::Make<Fn, true>(name, id, MemberKind::Method, params);
}
// A method without a result.
template <auto Fn>
MemberDesc Procedure(const char* name, DISPID id, std::initializer_list<Param> params = {}) {
  return detail::Make<Fn, false>(name, id, MemberKind::Method, params);
}

// A property read and write pair of interface I: get_N and put_N under one
// DISPID, the written value named "Value".
#define COM_PROP(I, N, id) \
  ::com::PropGet<&I::get_##N>(#N, id), ::com::PropPut<&I::put_##N>(#N, id, {::com::Param("Value")})
// A date property: a double in C++, a DATE to automation.
#define COM_DATE_PROP(I, N, id)                         \
  ::com::PropGet<&I::get_##N>(#N, id).Returns(VT_DATE), \
      ::com::PropPut<&I::put_##N>(#N, id, {::com::Param("Value").As(VT_DATE)})
// An indexed property read and write pair, the index named "i".
#define COM_INDEXED_PROP(I, N, id)                            \
  ::com::PropGet<&I::get_##N>(#N, id, {::com::Param("i")}), \
      ::com::PropPut<&I::put_##N>(#N, id, {::com::Param("i"), ::com::Param("Value")})

// The IDispatch implementation over a description: finds the member by DISPID and
// call kind, binds positional and named arguments (DISPID_PROPERTYPUT included),
// fills missing optional arguments with their defaults, coerces each argument to
// its declared type, calls the thunk, writes out-parameters back into by-reference
// arguments and reports failures through EXCEPINFO.
COM_API HRESULT DispInvoke(IDispatch* self, const InterfaceDesc& desc, DISPID id, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* excep, UINT* argErr);
COM_API HRESULT DispGetIDsOfNames(const InterfaceDesc& desc, LPOLESTR* names, UINT count, DISPID* ids);

}  // namespace com
