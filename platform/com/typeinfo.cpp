// ITypeLib and ITypeInfo generated from a module's type library description.
//
// A library lists its types in the description's order: the interfaces, then
// the coclasses, then the enumerations. A dual interface has two type infos:
// the dispatch view (TKIND_DISPATCH, listed in the library, its functions the
// interface's own and inherited members as IDispatch::Invoke reaches them) and
// the vtable view (TKIND_INTERFACE, its own members in slot order after its
// bases', each with an HRESULT result and the value as a final retval
// parameter, named in GetNames as well). Each view reaches the other through
// GetRefTypeOfImplType(-1). Lookups by member id (GetNames, GetDocumentation)
// also search the interfaces a view derives from, up to IUnknown. Interfaces
// of other libraries (IDispatch from the standard library,
// IQAVZLVDeviceStatistics for the control) are referred to by the imports the
// description records and are resolved by LIBID and version when a host asks
// for them. The standard library's IUnknown and IDispatch are plain vtable
// interfaces described here, their functions returning their own results.
//
// The library and its type infos live as long as the process, as the module
// holding the description does; their reference counts keep nothing.
#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <mutex>

#include "platform/com/activation.h"
#include "platform/com/ansi.h"
#include "platform/com/registry.h"
#include "platform/com/typeinfo.h"

namespace com {

namespace {

constexpr IID kStdOleLibid = MakeGuid("{00020430-0000-0000-C000-000000000046}");
constexpr WORD kPointerSize = sizeof(void*);
constexpr MEMBERID kFirstConstantId = 0x40000000;  // enumeration constants are numbered from here

// HREFTYPE values: the low two bits tell what the rest indexes.
constexpr HREFTYPE kRefPrimary = 0;   // a type of this library by index
constexpr HREFTYPE kRefVtable = 1;    // the vtable view of a dual interface by index
constexpr HREFTYPE kRefImported = 2;  // an interface of an imported library

// A function of the standard library's interfaces: restricted, its result its
// own (not an automation retval), its parameters with their declared direction.
MemberDesc StdFunction(const char* name, MEMBERID id, VARTYPE result,
                       std::initializer_list<std::pair<const char*, std::pair<VARTYPE, WORD>>> params) {
  MemberDesc m;
  m.name = name;
  m.dispid = id;
  m.result = result;
  m.flags = kMemberRestricted;
  for (const auto& [paramName, type] : params) {
    ParamDesc p;
    p.name = paramName;
    p.vt = type.first;
    p.direction = type.second;
    m.params.push_back(std::move(p));
  }
  return m;
}

// The standard OLE library's two base interfaces, their functions in slot
// order with the member ids and parameters OLE gives them. The library holds
// no structures: a GUID, DISPPARAMS or EXCEPINFO is passed as void*.
const InterfaceDesc& StdOleUnknown() {
  constexpr WORD in = PARAMFLAG_FIN, out = PARAMFLAG_FOUT;
  constexpr VARTYPE voidPtr = VT_BYREF | VT_VOID;
  static const InterfaceDesc d(
      "IUnknown", IUnknown::Iid, nullptr, "",
      {
          StdFunction("QueryInterface", 0x60000000, VT_HRESULT,
                      {{"riid", {voidPtr, in}}, {"ppvObject", {VT_BYREF | VT_PTR, out}}}),
          StdFunction("AddRef", 0x60000001, VT_UI4, {}),
          StdFunction("Release", 0x60000002, VT_UI4, {}),
      },
      kInterfaceVtableOnly);
  return d;
}

const InterfaceDesc& StdOleDispatch() {
  constexpr WORD in = PARAMFLAG_FIN, out = PARAMFLAG_FOUT;
  constexpr VARTYPE voidPtr = VT_BYREF | VT_VOID;
  static const InterfaceDesc d(
      "IDispatch", IDispatch::Iid, &StdOleUnknown(), "",
      {
          StdFunction("GetTypeInfoCount", 0x60010000, VT_HRESULT, {{"pctinfo", {VT_BYREF | VT_UINT, out}}}),
          StdFunction("GetTypeInfo", 0x60010001, VT_HRESULT,
                      {{"iTInfo", {VT_UINT, in}}, {"lcid", {VT_UI4, in}}, {"ppTInfo", {VT_BYREF | VT_PTR, out}}}),
          StdFunction("GetIDsOfNames", 0x60010002, VT_HRESULT,
                      {{"riid", {voidPtr, in}},
                       {"rgszNames", {VT_BYREF | VT_LPWSTR, in}},
                       {"cNames", {VT_UINT, in}},
                       {"lcid", {VT_UI4, in}},
                       {"rgDispId", {VT_BYREF | VT_I4, out}}}),
          StdFunction("Invoke", 0x60010003, VT_HRESULT,
                      {{"dispIdMember", {VT_I4, in}},
                       {"riid", {voidPtr, in}},
                       {"lcid", {VT_UI4, in}},
                       {"wFlags", {VT_UI2, in}},
                       {"pDispParams", {voidPtr, in | out}},
                       {"pVarResult", {VT_BYREF | VT_VARIANT, out}},
                       {"pExcepInfo", {voidPtr, out}},
                       {"puArgErr", {VT_BYREF | VT_UINT, out}}}),
      },
      kInterfaceVtableOnly);
  return d;
}

const TypeLibDesc& StdOleDesc() {
  static const TypeLibDesc lib = [] {
    TypeLibDesc d;
    d.name = "stdole";
    d.helpString = "OLE Automation";
    d.libid = kStdOleLibid;
    d.majorVersion = 2;
    d.minorVersion = 0;
    d.interfaces = {&StdOleUnknown(), &StdOleDispatch()};
    return d;
  }();
  return lib;
}

// The interface another derives from: its base, or for a dispatchable one
// without a base, IDispatch of the standard library; none for a plain
// interface without one (IUnknown).
const InterfaceDesc* BaseOf(const InterfaceDesc& d) {
  if (d.base) return d.base;
  return (d.flags & kInterfaceVtableOnly) ? nullptr : &StdOleDispatch();
}

BSTR Text(const std::string& utf8) { return SysAllocStringView(Utf8ToWide(utf8)); }

void PutText(BSTR* out, const std::string& utf8) {
  if (out) *out = Text(utf8);
}

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, const std::string& utf8) {
  std::u16string b = Utf8ToWide(utf8);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

// The number of vtable slots of an interface, its bases' included.
WORD VtableSlots(const InterfaceDesc& d) {
  const InterfaceDesc* base = BaseOf(d);
  return static_cast<WORD>((base ? VtableSlots(*base) : 0) + d.members.size());
}

// The name of a vtable view's final retval parameter, which the descriptions
// leave unnamed (a table names only the parameters a caller passes).
const std::string kRetvalName = "RetVal";

void FreeTypeDesc(TYPEDESC& t) {
  if (t.vt == VT_PTR && t.lptdesc) {
    FreeTypeDesc(*t.lptdesc);
    delete t.lptdesc;
    t.lptdesc = nullptr;
  }
}

void FreeElemDesc(ELEMDESC& e, bool param) {
  FreeTypeDesc(e.tdesc);
  if (param && (e.paramdesc.wParamFlags & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex) {
    VariantClear(&e.paramdesc.pparamdescex->varDefaultValue);
    delete e.paramdesc.pparamdescex;
  }
}

class TypeLibObject;

enum class View { Dispatch, Vtable, Coclass, Enum };

class TypeInfoObject final : public ITypeInfo {
 public:
  TypeInfoObject(TypeLibObject& lib, UINT index, View view, const InterfaceDesc* itf, const CoclassDesc* coclass,
                 const EnumDesc* e);

  View Kind() const { return view_; }
  const GUID& Guid() const;
  const std::string& Name() const;
  // The functions of this view, in order.
  const std::vector<const MemberDesc*>& Functions() const { return functions_; }
  const EnumDesc* Enum() const { return enum_; }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IUnknown::Iid || riid == ITypeInfo::Iid) {
      *ppv = static_cast<ITypeInfo*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  HRESULT GetTypeAttr(TYPEATTR** out) override;
  HRESULT GetTypeComp(ITypeComp** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetFuncDesc(UINT index, FUNCDESC** out) override;
  HRESULT GetVarDesc(UINT index, VARDESC** out) override;
  HRESULT GetNames(MEMBERID memid, BSTR* names, UINT max, UINT* count) override;
  HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* out) override;
  HRESULT GetImplTypeFlags(UINT index, INT* out) override;
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override;
  HRESULT Invoke(void* instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                 UINT* argErr) override;
  HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* context, BSTR* file) override;
  HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR* dll, BSTR* name, WORD* ordinal) override {
    if (dll) *dll = nullptr;
    if (name) *name = nullptr;
    if (ordinal) *ordinal = 0;
    return TYPE_E_BADMODULEKIND;
  }
  HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) override;
  HRESULT AddressOfMember(MEMBERID, INVOKEKIND, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return TYPE_E_BADMODULEKIND;
  }
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT GetMops(MEMBERID, BSTR* mops) override {
    if (!mops) return E_POINTER;
    *mops = nullptr;
    return S_OK;
  }
  HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) override;
  void ReleaseTypeAttr(TYPEATTR* attr) override { delete attr; }
  void ReleaseFuncDesc(FUNCDESC* f) override;
  void ReleaseVarDesc(VARDESC* v) override;

 private:
  bool IsDual() const { return itf_ && !(itf_->flags & (kInterfaceDispatchOnly | kInterfaceVtableOnly)); }
  // A function of this view by member id, else of the interfaces it derives
  // from (nearest first, the standard library's included), as OLE's lookups
  // by member id search them; with the interface that declares it.
  struct Found {
    const MemberDesc* member = nullptr;
    const InterfaceDesc* owner = nullptr;
  };
  Found FindFunction(MEMBERID memid) const;
  // Whether this view gives a member of OWNER its result as a final retval
  // parameter: a vtable view of an automation interface does (the dual
  // convention); a plain interface's functions return their own result.
  bool HasRetval(const MemberDesc& m, const InterfaceDesc& owner) const {
    return view_ == View::Vtable && !(owner.flags & kInterfaceVtableOnly) && m.result != VT_EMPTY;
  }
  // How many types this one implements: IDispatch for a dispatch view, the
  // base for a vtable view (none for IUnknown), the default and source
  // interfaces for a coclass.
  UINT ImplTypes() const;
  TYPEDESC MakeTypeDesc(VARTYPE vt, const IID& iid) const;

  TypeLibObject& lib_;
  UINT index_;
  View view_;
  const InterfaceDesc* itf_;
  const CoclassDesc* coclass_;
  const EnumDesc* enum_;
  std::vector<const MemberDesc*> functions_;
};

class TypeLibObject final : public ITypeLib {
 public:
  explicit TypeLibObject(const TypeLibDesc& desc);

  const TypeLibDesc& Desc() const { return desc_; }
  TypeInfoObject& Primary(UINT index) { return *infos_[index]; }
  TypeInfoObject* VtableView(UINT index) { return index < vtables_.size() ? vtables_[index].get() : nullptr; }
  // The reference to an interface by IID: a type of this library or an imported
  // one; false when neither knows it.
  bool RefOf(const IID& iid, bool vtableView, HREFTYPE& out) const;
  HRESULT ResolveRef(HREFTYPE ref, ITypeInfo** out);

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IUnknown::Iid || riid == ITypeLib::Iid) {
      *ppv = static_cast<ITypeLib*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  UINT GetTypeInfoCount() override { return static_cast<UINT>(infos_.size()); }
  HRESULT GetTypeInfo(UINT index, ITypeInfo** out) override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (index >= infos_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *out = infos_[index].get();
    return S_OK;
  }
  HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) override;
  HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** out) override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    for (auto& info : infos_)
      if (info->Guid() == guid) {
        *out = info.get();
        return S_OK;
      }
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT GetLibAttr(TLIBATTR** out) override {
    if (!out) return E_INVALIDARG;
    *out = new TLIBATTR{desc_.libid, desc_.lcid, SYS_WIN64, desc_.majorVersion, desc_.minorVersion, desc_.flags};
    return S_OK;
  }
  HRESULT GetTypeComp(ITypeComp** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* context, BSTR* file) override {
    if (index == -1) {
      PutText(name, desc_.name);
      PutText(doc, desc_.helpString);
      if (context) *context = 0;
      if (file) *file = nullptr;
      return S_OK;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= infos_.size()) return TYPE_E_ELEMENTNOTFOUND;
    return infos_[index]->GetDocumentation(MEMBERID_NIL, name, doc, context, file);
  }
  HRESULT IsName(LPOLESTR name, ULONG, BOOL* found) override;
  HRESULT FindName(LPOLESTR name, ULONG, ITypeInfo** infos, MEMBERID* ids, USHORT* count) override;
  void ReleaseTLibAttr(TLIBATTR* attr) override { delete attr; }

 private:
  struct ImportedRef {
    const ImportDesc* import;
    IID iid;
  };
  // Calls f(info, memid, name) for each type and member name of the library
  // until f answers false.
  template <class F>
  void ForEachName(F&& f);

  const TypeLibDesc& desc_;
  std::vector<std::unique_ptr<TypeInfoObject>> infos_;
  std::vector<std::unique_ptr<TypeInfoObject>> vtables_;  // by interface index; null for a non-dual one
  std::vector<ImportedRef> imported_;
};

// ---------------------------------------------------------------------------
// The process's libraries, one object per description, never destroyed.

struct Libraries {
  std::mutex lock;
  std::vector<TypeLibObject*> all;
};

Libraries& State() {
  static Libraries* s = new Libraries;
  return *s;
}

TypeLibObject& ObjectOf(const TypeLibDesc& desc) {
  Libraries& s = State();
  std::lock_guard g(s.lock);
  for (TypeLibObject* lib : s.all)
    if (&lib->Desc() == &desc) return *lib;
  s.all.push_back(new TypeLibObject(desc));
  return *s.all.back();
}

// A library of this process with that LIBID, the same major version and at
// least the minor one (the highest such).
TypeLibObject* FindLoaded(REFGUID libid, WORD major, WORD minor) {
  if (libid == kStdOleLibid) return &ObjectOf(StdOleDesc());
  Libraries& s = State();
  std::lock_guard g(s.lock);
  TypeLibObject* best = nullptr;
  for (TypeLibObject* lib : s.all) {
    const TypeLibDesc& d = lib->Desc();
    if (d.libid != libid || d.majorVersion != major || d.minorVersion < minor) continue;
    if (!best || d.minorVersion > best->Desc().minorVersion) best = lib;
  }
  return best;
}

// ---------------------------------------------------------------------------
// TypeLibObject

TypeLibObject::TypeLibObject(const TypeLibDesc& desc) : desc_(desc) {
  UINT index = 0;
  for (const InterfaceDesc* itf : desc.interfaces) {
    // A plain interface has its vtable view only, which stands in the list; a
    // dispatch interface its dispatch view only; a dual one both.
    const bool plain = itf->flags & kInterfaceVtableOnly;
    const bool dual = !(itf->flags & (kInterfaceVtableOnly | kInterfaceDispatchOnly));
    infos_.push_back(std::make_unique<TypeInfoObject>(*this, index, plain ? View::Vtable : View::Dispatch, itf,
                                                      nullptr, nullptr));
    vtables_.push_back(dual ? std::make_unique<TypeInfoObject>(*this, index, View::Vtable, itf, nullptr, nullptr)
                            : nullptr);
    ++index;
  }
  for (const CoclassDesc& c : desc.coclasses)
    infos_.push_back(std::make_unique<TypeInfoObject>(*this, index++, View::Coclass, nullptr, &c, nullptr));
  for (const EnumDesc& e : desc.enums)
    infos_.push_back(std::make_unique<TypeInfoObject>(*this, index++, View::Enum, nullptr, nullptr, &e));
  // The interfaces taken from other libraries; IDispatch, the base of every
  // dual and dispatch interface, from the standard library.
  bool haveDispatch = false;
  const ImportDesc* stdole = nullptr;
  for (const ImportDesc& imp : desc.imports) {
    if (imp.libid == kStdOleLibid) stdole = &imp;
    for (const auto& [name, iid] : imp.interfaces) {
      imported_.push_back({&imp, iid});
      haveDispatch |= iid == IDispatch::Iid;
    }
  }
  if (stdole && !haveDispatch) imported_.push_back({stdole, IDispatch::Iid});
}

bool TypeLibObject::RefOf(const IID& iid, bool vtableView, HREFTYPE& out) const {
  for (std::size_t i = 0; i < desc_.interfaces.size(); ++i) {
    if (desc_.interfaces[i]->iid != iid) continue;
    bool vtable = vtableView && vtables_[i];
    out = static_cast<HREFTYPE>(i << 2) | (vtable ? kRefVtable : kRefPrimary);
    return true;
  }
  for (std::size_t i = 0; i < imported_.size(); ++i)
    if (imported_[i].iid == iid) {
      out = static_cast<HREFTYPE>(i << 2) | kRefImported;
      return true;
    }
  return false;
}

HRESULT TypeLibObject::ResolveRef(HREFTYPE ref, ITypeInfo** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  const std::size_t index = ref >> 2;
  switch (ref & 3) {
    case kRefPrimary:
      if (index >= infos_.size()) return TYPE_E_ELEMENTNOTFOUND;
      *out = infos_[index].get();
      return S_OK;
    case kRefVtable:
      if (index >= vtables_.size() || !vtables_[index]) return TYPE_E_ELEMENTNOTFOUND;
      *out = vtables_[index].get();
      return S_OK;
    case kRefImported: {
      if (index >= imported_.size()) return TYPE_E_ELEMENTNOTFOUND;
      const ImportedRef& r = imported_[index];
      ITypeLib* other = FindLoaded(r.import->libid, r.import->majorVersion, r.import->minorVersion);
      if (!other) {
        HRESULT hr =
            LoadRegTypeLib(r.import->libid, r.import->majorVersion, r.import->minorVersion, desc_.lcid, &other);
        if (FAILED(hr)) return hr;
      }
      HRESULT hr = other->GetTypeInfoOfGuid(r.iid, out);
      other->Release();
      return hr;
    }
    default: return TYPE_E_ELEMENTNOTFOUND;
  }
}

HRESULT TypeLibObject::GetTypeInfoType(UINT index, TYPEKIND* kind) {
  if (!kind) return E_INVALIDARG;
  if (index >= infos_.size()) return TYPE_E_ELEMENTNOTFOUND;
  TYPEATTR* attr = nullptr;
  infos_[index]->GetTypeAttr(&attr);
  *kind = attr->typekind;
  infos_[index]->ReleaseTypeAttr(attr);
  return S_OK;
}

template <class F>
void TypeLibObject::ForEachName(F&& f) {
  for (auto& info : infos_) {
    if (!f(info.get(), MEMBERID_NIL, info->Name())) return;
    for (const MemberDesc* m : info->Functions())
      if (!f(info.get(), m->dispid, m->name)) return;
    if (const EnumDesc* e = info->Enum())
      for (std::size_t i = 0; i < e->constants.size(); ++i)
        if (!f(info.get(), kFirstConstantId + static_cast<MEMBERID>(i), e->constants[i].name)) return;
  }
}

HRESULT TypeLibObject::IsName(LPOLESTR name, ULONG, BOOL* found) {
  if (!name || !found) return E_INVALIDARG;
  *found = FALSE;
  std::u16string_view want(name);
  ForEachName([&](TypeInfoObject*, MEMBERID, const std::string& n) {
    if (!SameName(want, n)) return true;
    // The caller's buffer gets the name as the library spells it.
    std::u16string exact = Utf8ToWide(n);
    std::copy(exact.begin(), exact.end(), name);
    *found = TRUE;
    return false;
  });
  return S_OK;
}

HRESULT TypeLibObject::FindName(LPOLESTR name, ULONG, ITypeInfo** infos, MEMBERID* ids, USHORT* count) {
  if (!name || !infos || !ids || !count || *count == 0) return E_INVALIDARG;
  std::u16string_view want(name);
  const USHORT max = *count;
  USHORT n = 0;
  const TypeInfoObject* last = nullptr;
  MEMBERID lastId = 0;
  ForEachName([&](TypeInfoObject* info, MEMBERID id, const std::string& candidate) {
    if (!SameName(want, candidate)) return true;
    if (info == last && id == lastId) return true;  // a property's get and put are one member
    last = info;
    lastId = id;
    infos[n] = info;
    ids[n] = id;
    return ++n < max;
  });
  *count = n;
  return S_OK;
}

// ---------------------------------------------------------------------------
// TypeInfoObject

TypeInfoObject::TypeInfoObject(TypeLibObject& lib, UINT index, View view, const InterfaceDesc* itf,
                               const CoclassDesc* coclass, const EnumDesc* e)
    : lib_(lib), index_(index), view_(view), itf_(itf), coclass_(coclass), enum_(e) {
  if (!itf_) return;
  if (view_ == View::Vtable) {
    for (const MemberDesc& m : itf_->members) functions_.push_back(&m);
  } else {
    functions_ = itf_->AllMembers();
  }
}

const GUID& TypeInfoObject::Guid() const {
  if (itf_) return itf_->iid;
  if (coclass_) return coclass_->clsid;
  return enum_->guid;
}

const std::string& TypeInfoObject::Name() const {
  if (itf_) return itf_->name;
  if (coclass_) return coclass_->name;
  return enum_->name;
}

HRESULT TypeInfoObject::GetTypeAttr(TYPEATTR** out) {
  if (!out) return E_INVALIDARG;
  const TypeLibDesc& lib = lib_.Desc();
  auto* a = new TYPEATTR{};
  a->guid = Guid();
  a->lcid = lib.lcid;
  a->memidConstructor = MEMBERID_NIL;
  a->memidDestructor = MEMBERID_NIL;
  a->cbSizeInstance = kPointerSize;
  a->cbAlignment = kPointerSize;
  a->wMajorVerNum = lib.majorVersion;
  a->wMinorVerNum = lib.minorVersion;
  a->tdescAlias.vt = VT_EMPTY;
  a->cFuncs = static_cast<WORD>(functions_.size());
  switch (view_) {
    case View::Dispatch:
      a->typekind = TKIND_DISPATCH;
      a->cImplTypes = static_cast<WORD>(ImplTypes());
      a->cbSizeVft = static_cast<WORD>(VtableSlots(StdOleDispatch()) * kPointerSize);
      a->wTypeFlags = IsDual() ? (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE)
                               : TYPEFLAG_FDISPATCHABLE;
      break;
    case View::Vtable:
      a->typekind = TKIND_INTERFACE;
      a->cImplTypes = static_cast<WORD>(ImplTypes());
      a->cbSizeVft = static_cast<WORD>(VtableSlots(*itf_) * kPointerSize);
      if (IsDual()) a->wTypeFlags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
      break;
    case View::Coclass:
      a->typekind = TKIND_COCLASS;
      a->cImplTypes = static_cast<WORD>(ImplTypes());
      a->wTypeFlags = TYPEFLAG_FCANCREATE;
      if (coclass_->flags & kTypeHidden) a->wTypeFlags |= TYPEFLAG_FHIDDEN;
      if (coclass_->flags & kTypeControl) a->wTypeFlags |= TYPEFLAG_FCONTROL;
      break;
    case View::Enum:
      a->typekind = TKIND_ENUM;
      a->cVars = static_cast<WORD>(enum_->constants.size());
      a->cbSizeInstance = sizeof(LONG);
      a->cbAlignment = sizeof(LONG);
      break;
  }
  *out = a;
  return S_OK;
}

TYPEDESC TypeInfoObject::MakeTypeDesc(VARTYPE vt, const IID& iid) const {
  TYPEDESC t{};
  if (vt & VT_BYREF) {
    t.vt = VT_PTR;
    t.lptdesc = new TYPEDESC(MakeTypeDesc(vt & ~VT_BYREF, iid));
    return t;
  }
  HREFTYPE ref = 0;
  if (vt == VT_DISPATCH && iid != GUID_NULL && lib_.RefOf(iid, false, ref)) {
    // A pointer to an interface of a library: VT_PTR to the user-defined type.
    t.vt = VT_PTR;
    t.lptdesc = new TYPEDESC{};
    t.lptdesc->vt = VT_USERDEFINED;
    t.lptdesc->hreftype = ref;
    return t;
  }
  if (vt == VT_PTR) {
    // A pointer of no declared type: void*.
    t.vt = VT_PTR;
    t.lptdesc = new TYPEDESC{};
    t.lptdesc->vt = VT_VOID;
    return t;
  }
  t.vt = vt == VT_EMPTY ? static_cast<VARTYPE>(VT_VOID) : vt;
  return t;
}

HRESULT TypeInfoObject::GetFuncDesc(UINT index, FUNCDESC** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (index >= functions_.size()) return TYPE_E_ELEMENTNOTFOUND;
  const MemberDesc& m = *functions_[index];
  const bool vtable = view_ == View::Vtable;
  const bool retval = HasRetval(m, *itf_);
  const std::size_t n = m.params.size() + (retval ? 1 : 0);

  auto* f = new FUNCDESC{};
  f->memid = m.dispid;
  f->funckind = vtable ? FUNC_PUREVIRTUAL : FUNC_DISPATCH;
  f->invkind = static_cast<INVOKEKIND>(m.kind);
  f->callconv = CC_STDCALL;
  f->cParams = static_cast<SHORT>(n);
  if (m.flags & kMemberHidden) f->wFuncFlags |= FUNCFLAG_FHIDDEN;
  if (m.flags & kMemberRestricted) f->wFuncFlags |= FUNCFLAG_FRESTRICTED;
  // The slot: a vtable view's own members follow its bases'; a dual
  // interface's dispatch view gives the same slots.
  if (vtable || IsDual()) {
    const std::size_t before =
        vtable ? VtableSlots(*itf_) - itf_->members.size() : VtableSlots(StdOleDispatch());
    f->oVft = static_cast<SHORT>((before + index) * kPointerSize);
  }
  f->lprgelemdescParam = n ? new ELEMDESC[n]{} : nullptr;
  for (std::size_t i = 0; i < m.params.size(); ++i) {
    const ParamDesc& p = m.params[i];
    ELEMDESC& e = f->lprgelemdescParam[i];
    e.tdesc = MakeTypeDesc(p.vt, p.iid);
    e.paramdesc.wParamFlags =
        p.direction ? p.direction : (p.vt & VT_BYREF) ? (PARAMFLAG_FIN | PARAMFLAG_FOUT) : PARAMFLAG_FIN;
    if (p.optional) e.paramdesc.wParamFlags |= PARAMFLAG_FOPT;
    if (p.hasDefault) {
      e.paramdesc.wParamFlags |= PARAMFLAG_FHASDEFAULT;
      e.paramdesc.pparamdescex = new PARAMDESCEX{};
      e.paramdesc.pparamdescex->cBytes = sizeof(PARAMDESCEX);
      VariantInit(&e.paramdesc.pparamdescex->varDefaultValue);
      VariantCopy(&e.paramdesc.pparamdescex->varDefaultValue, &p.defaultValue);
    }
  }
  // The trailing VARIANT parameters a caller may leave out. A parameter with a
  // default is marked optional too, but it is described by the default in its
  // PARAMDESCEX and is not counted.
  for (std::size_t i = m.params.size(); i-- > 0;) {
    const ParamDesc& p = m.params[i];
    if (!p.optional || p.hasDefault || p.vt != VT_VARIANT) break;
    ++f->cParamsOpt;
  }
  if (retval) {
    ELEMDESC& e = f->lprgelemdescParam[n - 1];
    e.tdesc.vt = VT_PTR;
    e.tdesc.lptdesc = new TYPEDESC(MakeTypeDesc(m.result, m.resultIid));
    e.paramdesc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
  }
  // An automation interface's vtable functions return an HRESULT (the value
  // goes to the retval); a plain interface's functions, and dispatch
  // functions, return their own result.
  const bool automationVtable = vtable && !(itf_->flags & kInterfaceVtableOnly);
  f->elemdescFunc.tdesc = automationVtable ? TYPEDESC{{nullptr}, VT_HRESULT} : MakeTypeDesc(m.result, m.resultIid);
  *out = f;
  return S_OK;
}

void TypeInfoObject::ReleaseFuncDesc(FUNCDESC* f) {
  if (!f) return;
  for (SHORT i = 0; i < f->cParams; ++i) FreeElemDesc(f->lprgelemdescParam[i], true);
  delete[] f->lprgelemdescParam;
  FreeTypeDesc(f->elemdescFunc.tdesc);
  delete f;
}

HRESULT TypeInfoObject::GetVarDesc(UINT index, VARDESC** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!enum_ || index >= enum_->constants.size()) return TYPE_E_ELEMENTNOTFOUND;
  auto* v = new VARDESC{};
  v->memid = kFirstConstantId + static_cast<MEMBERID>(index);
  v->varkind = VAR_CONST;
  v->lpvarValue = new VARIANT;
  VariantInit(v->lpvarValue);
  v->lpvarValue->vt = VT_I4;
  v->lpvarValue->lVal = enum_->constants[index].value;
  v->elemdescVar.tdesc.vt = VT_I4;
  *out = v;
  return S_OK;
}

void TypeInfoObject::ReleaseVarDesc(VARDESC* v) {
  if (!v) return;
  if (v->varkind == VAR_CONST && v->lpvarValue) {
    VariantClear(v->lpvarValue);
    delete v->lpvarValue;
  }
  delete v;
}

TypeInfoObject::Found TypeInfoObject::FindFunction(MEMBERID memid) const {
  if (!itf_) return {};
  for (const MemberDesc* m : functions_)
    if (m->dispid == memid) return {m, itf_};
  for (const InterfaceDesc* d = BaseOf(*itf_); d; d = BaseOf(*d))
    for (const MemberDesc& m : d->members)
      if (m.dispid == memid) return {&m, d};
  return {};
}

UINT TypeInfoObject::ImplTypes() const {
  switch (view_) {
    case View::Dispatch: return 1;
    case View::Vtable: return BaseOf(*itf_) ? 1 : 0;
    case View::Coclass: return coclass_->sourceInterface ? 2 : 1;
    case View::Enum: return 0;
  }
  return 0;
}

HRESULT TypeInfoObject::GetNames(MEMBERID memid, BSTR* names, UINT max, UINT* count) {
  if (!names || !count) return E_INVALIDARG;
  *count = 0;
  std::vector<const std::string*> list;
  if (const Found found = FindFunction(memid); found.member) {
    const MemberDesc& m = *found.member;
    list.push_back(&m.name);
    // The value of a property write is the unnamed right side of the assignment.
    std::size_t n = m.params.size();
    if ((m.kind == MemberKind::PropPut || m.kind == MemberKind::PropPutRef) && n > 0) --n;
    for (std::size_t i = 0; i < n; ++i) list.push_back(&m.params[i].name);
    if (HasRetval(m, *found.owner)) list.push_back(&kRetvalName);
  } else if (enum_ && memid >= kFirstConstantId &&
             static_cast<std::size_t>(memid - kFirstConstantId) < enum_->constants.size()) {
    list.push_back(&enum_->constants[memid - kFirstConstantId].name);
  } else {
    return TYPE_E_ELEMENTNOTFOUND;
  }
  UINT n = std::min<UINT>(max, static_cast<UINT>(list.size()));
  for (UINT i = 0; i < n; ++i) names[i] = Text(*list[i]);
  *count = n;
  return S_OK;
}

HRESULT TypeInfoObject::GetRefTypeOfImplType(UINT index, HREFTYPE* out) {
  if (!out) return E_INVALIDARG;
  *out = 0;
  if (index == static_cast<UINT>(-1)) {
    // A dual interface's two views refer to each other.
    if (!IsDual()) return TYPE_E_ELEMENTNOTFOUND;
    return lib_.RefOf(itf_->iid, view_ == View::Dispatch, *out) ? S_OK : TYPE_E_ELEMENTNOTFOUND;
  }
  if (index >= ImplTypes()) return TYPE_E_ELEMENTNOTFOUND;
  switch (view_) {
    case View::Dispatch: return lib_.RefOf(IDispatch::Iid, true, *out) ? S_OK : TYPE_E_ELEMENTNOTFOUND;
    case View::Vtable: return lib_.RefOf(BaseOf(*itf_)->iid, true, *out) ? S_OK : TYPE_E_ELEMENTNOTFOUND;
    case View::Coclass: {
      const InterfaceDesc* itf = index == 0 ? coclass_->defaultInterface : coclass_->sourceInterface;
      return lib_.RefOf(itf->iid, false, *out) ? S_OK : TYPE_E_ELEMENTNOTFOUND;
    }
    case View::Enum: break;
  }
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeInfoObject::GetImplTypeFlags(UINT index, INT* out) {
  if (!out) return E_INVALIDARG;
  *out = 0;
  if (index >= ImplTypes()) return TYPE_E_ELEMENTNOTFOUND;
  // A coclass's default interface, then its default source interface.
  if (view_ == View::Coclass) *out = index == 0 ? IMPLTYPEFLAG_FDEFAULT : IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
  return S_OK;
}

HRESULT TypeInfoObject::GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) {
  if (count == 0) return S_OK;
  if (!names || !ids) return E_INVALIDARG;
  if (itf_ && !functions_.empty()) return DispGetIDsOfNames(*itf_, names, count, ids);
  for (UINT i = 0; i < count; ++i) ids[i] = MEMBERID_NIL;
  if (enum_ && count == 1 && names[0]) {
    for (std::size_t i = 0; i < enum_->constants.size(); ++i)
      if (SameName(names[0], enum_->constants[i].name)) {
        ids[0] = kFirstConstantId + static_cast<MEMBERID>(i);
        return S_OK;
      }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT TypeInfoObject::Invoke(void* instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excep, UINT* argErr) {
  if (!instance) return E_INVALIDARG;
  if (!itf_ || (itf_->flags & kInterfaceVtableOnly)) return TYPE_E_WRONGTYPEKIND;
  auto* target = static_cast<IDispatch*>(instance);
  // A dispatch-only interface is the instance's own IDispatch.
  if (itf_->flags & kInterfaceDispatchOnly)
    return target->Invoke(memid, GUID_NULL, lib_.Desc().lcid, flags, params, result, excep, argErr);
  return DispInvoke(target, *itf_, memid, flags, params, result, excep, argErr);
}

HRESULT TypeInfoObject::GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* context, BSTR* file) {
  const std::string* n = nullptr;
  const std::string* d = nullptr;
  if (memid == MEMBERID_NIL) {
    n = &Name();
    d = itf_ ? &itf_->helpString : coclass_ ? &coclass_->helpString : &enum_->helpString;
  } else if (const Found found = FindFunction(memid); found.member) {
    n = &found.member->name;
    d = &found.member->helpString;
  } else if (enum_ && memid >= kFirstConstantId &&
             static_cast<std::size_t>(memid - kFirstConstantId) < enum_->constants.size()) {
    const EnumConstant& c = enum_->constants[memid - kFirstConstantId];
    n = &c.name;
    d = &c.helpString;
  } else {
    return TYPE_E_ELEMENTNOTFOUND;
  }
  PutText(name, *n);
  PutText(doc, *d);
  if (context) *context = 0;
  if (file) *file = nullptr;
  return S_OK;
}

HRESULT TypeInfoObject::GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) { return lib_.ResolveRef(ref, out); }

HRESULT TypeInfoObject::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (view_ != View::Coclass) return TYPE_E_WRONGTYPEKIND;
  return CoCreateInstance(coclass_->clsid, outer, CLSCTX_INPROC_SERVER, riid, ppv);
}

HRESULT TypeInfoObject::GetContainingTypeLib(ITypeLib** lib, UINT* index) {
  if (lib) *lib = &lib_;
  if (index) *index = index_;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Loading and registration

std::string Hex(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%x", v);
  return buf;
}

std::string VersionKey(WORD major, WORD minor) { return Hex(major) + "." + Hex(minor); }

std::string LibKey(REFGUID libid) { return "HKEY_CLASSES_ROOT\\TypeLib\\" + GuidToString(libid); }

constexpr const char* kPlatformKey = "linux64";

bool ParseHex(const std::string& s, unsigned& out) {
  if (s.empty() || s.size() > 8) return false;
  out = 0;
  for (char c : s) {
    int d = com_detail::HexDigit(c);
    if (d < 0) return false;
    out = out * 16 + static_cast<unsigned>(d);
  }
  return true;
}

// The registered path of a library: the version and locale as LoadRegTypeLib
// chooses them.
HRESULT RegisteredPath(REFGUID libid, WORD major, WORD minor, LCID lcid, std::string& path) {
  const std::string base = LibKey(libid);
  int bestMinor = -1;
  std::string version;
  for (const std::string& v : registry::SubKeys(base)) {
    auto dot = v.find('.');
    unsigned ma = 0, mi = 0;
    if (dot == std::string::npos || !ParseHex(v.substr(0, dot), ma) || !ParseHex(v.substr(dot + 1), mi)) continue;
    if (ma != major || mi < minor || static_cast<int>(mi) <= bestMinor) continue;
    bestMinor = static_cast<int>(mi);
    version = v;
  }
  if (bestMinor < 0) {
    std::string why = registry::LastLoadError();
    SetErrorInfoText(IUnknown::Iid, u"",
                     AnsiToWide(why.empty() ? "Type library " + GuidToString(libid) + " " + VersionKey(major, minor) +
                                                  " is not registered"
                                            : why));
    return TYPE_E_LIBNOTREGISTERED;
  }
  const std::string versionKey = base + "\\" + version;
  std::vector<std::string> locales;
  for (const std::string& k : registry::SubKeys(versionKey)) {
    unsigned v = 0;
    if (ParseHex(k, v) && registry::GetValue(versionKey + "\\" + k + "\\" + kPlatformKey)) locales.push_back(k);
  }
  auto pick = [&](unsigned want) -> const std::string* {
    for (const std::string& k : locales) {
      unsigned v = 0;
      if (ParseHex(k, v) && v == want) return &k;
    }
    return nullptr;
  };
  const std::string* chosen = pick(lcid);
  if (!chosen) chosen = pick(lcid & 0x3ff);
  if (!chosen) chosen = pick(0);
  if (!chosen && !locales.empty()) chosen = &locales.front();
  if (!chosen) {
    SetErrorInfoText(IUnknown::Iid, u"",
                     AnsiToWide("Type library " + GuidToString(libid) + " has no module path registered"));
    return TYPE_E_LIBNOTREGISTERED;
  }
  path = *registry::GetValue(versionKey + "\\" + *chosen + "\\" + kPlatformKey);
  return S_OK;
}

bool IsStdOleFile(const std::string& path) {
  std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name == "stdole2.tlb";
}

// Loads a module file (kept loaded, as activation keeps it) and asks it for its
// library.
HRESULT LoadFromPath(const std::string& path, ITypeLib** out) {
  if (IsStdOleFile(path)) {
    *out = &ObjectOf(StdOleDesc());
    return S_OK;
  }
  std::string why;
  void* handle = LoadModuleFile(path, why);
  if (!handle) {
    SetErrorInfoText(IUnknown::Iid, u"", AnsiToWide("Cannot load type library " + path + ": " + why));
    return TYPE_E_CANTLOADLIBRARY;
  }
  auto get = reinterpret_cast<DllGetTypeLibFn>(dlsym(handle, "DllGetTypeLib"));
  if (!get) {
    SetErrorInfoText(IUnknown::Iid, u"", AnsiToWide("Module " + path + " holds no type library"));
    return TYPE_E_CANTLOADLIBRARY;
  }
  return get(out);
}

}  // namespace

HRESULT GetTypeLibOf(const TypeLibDesc& desc, ITypeLib** lib) {
  if (!lib) return E_POINTER;
  *lib = &ObjectOf(desc);
  return S_OK;
}

HRESULT GetTypeInfoOf(const TypeLibDesc& desc, REFGUID guid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  return ObjectOf(desc).GetTypeInfoOfGuid(guid, info);
}

}  // namespace com

extern "C" {

HRESULT LoadTypeLib(LPCOLESTR file, ITypeLib** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!file || !*file) return E_INVALIDARG;
  return com::LoadFromPath(WideToUtf8(file), out);
}

HRESULT QueryPathOfRegTypeLib(REFGUID libid, USHORT major, USHORT minor, LCID lcid, BSTR* path) {
  if (!path) return E_POINTER;
  *path = nullptr;
  std::string p;
  HRESULT hr = com::RegisteredPath(libid, major, minor, lcid, p);
  if (FAILED(hr)) return hr;
  *path = SysAllocStringView(Utf8ToWide(p));
  return S_OK;
}

HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (libid == com::kStdOleLibid && major == 2) return com::GetTypeLibOf(com::StdOleDesc(), out);
  std::string path;
  HRESULT hr = com::RegisteredPath(libid, major, minor, lcid, path);
  if (FAILED(hr)) return hr;
  return com::LoadFromPath(path, out);
}

HRESULT RegisterTypeLib(ITypeLib* lib, LPCOLESTR fullPath, LPCOLESTR helpDir) {
  if (!lib || !fullPath) return E_INVALIDARG;
  TLIBATTR* attr = nullptr;
  HRESULT hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  const std::string libid = GuidToString(attr->guid);
  const std::string version = com::VersionKey(attr->wMajorVerNum, attr->wMinorVerNum);
  const std::string libKey = com::LibKey(attr->guid) + "\\" + version;
  const std::string path = WideToUtf8(fullPath);
  std::string dir = helpDir ? WideToUtf8(helpDir) : path.substr(0, path.rfind('/') == std::string::npos
                                                                           ? 0
                                                                           : path.rfind('/'));
  if (dir.empty()) dir = ".";
  Bstr name, doc;
  lib->GetDocumentation(-1, name.Out(), doc.Out(), nullptr, nullptr);

  registry::Transaction t;
  t.SetValue(libKey, "", WideToAnsi(BstrView(doc.Length() ? doc.Get() : name.Get())));
  t.SetValue(libKey + "\\FLAGS", "", std::to_string(attr->wLibFlags));
  t.SetValue(libKey + "\\HELPDIR", "", dir);
  t.SetValue(libKey + "\\" + com::Hex(attr->lcid) + "\\" + com::kPlatformKey, "", path);
  lib->ReleaseTLibAttr(attr);
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    TYPEKIND kind{};
    if (FAILED(lib->GetTypeInfoType(i, &kind)) || (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE)) continue;
    ComPtr<ITypeInfo> info;
    if (FAILED(lib->GetTypeInfo(i, info.Out()))) continue;
    TYPEATTR* ta = nullptr;
    if (FAILED(info->GetTypeAttr(&ta))) continue;
    const std::string key = "HKEY_CLASSES_ROOT\\Interface\\" + GuidToString(ta->guid);
    // Dual and automation interfaces are marshalled from the type library; a
    // dispatch-only one as a plain IDispatch.
    const bool automation = ta->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);
    const bool dispatchOnly = kind == TKIND_DISPATCH && !automation;
    info->ReleaseTypeAttr(ta);
    if (kind == TKIND_INTERFACE && !automation) continue;
    Bstr itfName;
    info->GetDocumentation(MEMBERID_NIL, itfName.Out(), nullptr, nullptr, nullptr);
    t.SetValue(key, "", WideToAnsi(BstrView(itfName.Get())));
    t.SetValue(key + "\\ProxyStubClsid32", "",
               dispatchOnly ? "{00020420-0000-0000-C000-000000000046}" : "{00020424-0000-0000-C000-000000000046}");
    t.SetValue(key + "\\TypeLib", "", libid);
    t.SetValue(key + "\\TypeLib", "Version", version);
  }
  std::string error;
  if (FAILED(t.Commit(&error))) {
    SetErrorInfoText(IUnknown::Iid, u"", AnsiToWide(error));
    return TYPE_E_REGISTRYACCESS;
  }
  return S_OK;
}

HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND) {
  const std::string base = com::LibKey(libid);
  const std::string version = com::VersionKey(major, minor);
  const std::string versionKey = base + "\\" + version;
  const std::string localeKey = versionKey + "\\" + com::Hex(lcid);
  if (!registry::GetValue(localeKey + "\\" + com::kPlatformKey)) {
    SetErrorInfoText(IUnknown::Iid, u"",
                     AnsiToWide("Type library " + GuidToString(libid) + " " + version + " is not registered"));
    return TYPE_E_REGISTRYACCESS;
  }
  // The library's interfaces, from the library in this process or from its
  // registered module.
  ITypeLib* lib = com::FindLoaded(libid, major, minor);
  if (!lib && FAILED(LoadRegTypeLib(libid, major, minor, lcid, &lib))) lib = nullptr;

  const std::string libidText = GuidToString(libid);
  registry::Transaction t;
  if (lib) {
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
      ComPtr<ITypeInfo> info;
      if (FAILED(lib->GetTypeInfo(i, info.Out()))) continue;
      TYPEATTR* ta = nullptr;
      if (FAILED(info->GetTypeAttr(&ta))) continue;
      const bool isInterface = ta->typekind == TKIND_DISPATCH || ta->typekind == TKIND_INTERFACE;
      const std::string key = "HKEY_CLASSES_ROOT\\Interface\\" + GuidToString(ta->guid);
      info->ReleaseTypeAttr(ta);
      // An interface registered by another library keeps its key.
      if (isInterface && registry::GetValue(key + "\\TypeLib") == libidText) t.DeleteTree(key);
    }
    lib->Release();
  }
  std::size_t otherLocales = 0;
  for (const std::string& k : registry::SubKeys(versionKey)) {
    unsigned v = 0;
    if (com::ParseHex(k, v) && v != lcid) ++otherLocales;
  }
  if (otherLocales > 0) {
    t.DeleteTree(localeKey);
  } else if (registry::SubKeys(base).size() > 1) {
    t.DeleteTree(versionKey);
  } else {
    t.DeleteTree(base);
  }
  std::string error;
  if (FAILED(t.Commit(&error))) {
    SetErrorInfoText(IUnknown::Iid, u"", AnsiToWide(error));
    return TYPE_E_REGISTRYACCESS;
  }
  return S_OK;
}

}  // extern "C"
