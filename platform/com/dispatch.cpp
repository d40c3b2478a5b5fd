// IDispatch served from interface descriptions.
#include <array>
#include <stdexcept>

#include "platform/com/ansi.h"
#include "platform/com/typelib.h"

namespace com {

namespace {

int KindSlot(MemberKind k) {
  switch (k) {
    case MemberKind::Method: return 0;
    case MemberKind::PropGet: return 1;
    case MemberKind::PropPut: return 2;
    case MemberKind::PropPutRef: return 3;
  }
  return 0;
}

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

std::u16string FoldName(std::string_view name) {
  std::u16string r;
  r.reserve(name.size());
  for (char c : name) r += Fold(AnsiCharToWide(static_cast<unsigned char>(c)));
  return r;
}

constexpr DISPID kDirectLimit = 256;

}  // namespace

// Flattened lookup tables of an interface: its own and inherited members.
struct InterfaceDesc::Index {
  std::vector<std::array<const MemberDesc*, 4>> direct;  // by DISPID 0..kDirectLimit-1
  std::unordered_map<long long, const MemberDesc*> other;
  std::unordered_map<std::u16string, DISPID> names;
  std::vector<const MemberDesc*> all;

  void Add(const MemberDesc* m) {
    all.push_back(m);
    if (m->dispid >= 0 && m->dispid < kDirectLimit) {
      if (direct.size() <= static_cast<std::size_t>(m->dispid)) direct.resize(m->dispid + 1, {});
      direct[m->dispid][KindSlot(m->kind)] = m;
    } else {
      other[(static_cast<long long>(m->dispid) << 4) | KindSlot(m->kind)] = m;
    }
    names.emplace(FoldName(m->name), m->dispid);
  }
};

InterfaceDesc::InterfaceDesc(std::string n, const IID& i, const InterfaceDesc* b, std::string help,
                             std::vector<MemberDesc> m, unsigned f)
    : name(std::move(n)), iid(i), base(b), helpString(std::move(help)), members(std::move(m)), flags(f) {
  auto index = std::make_shared<Index>();
  if (base)
    for (const MemberDesc* bm : base->AllMembers()) index->Add(bm);
  for (const MemberDesc& own : members) index->Add(&own);
  index_ = std::move(index);
}

const MemberDesc* InterfaceDesc::Find(DISPID id, MemberKind kind) const {
  if (id >= 0 && id < kDirectLimit) {
    if (static_cast<std::size_t>(id) < index_->direct.size()) return index_->direct[id][KindSlot(kind)];
    return nullptr;
  }
  auto it = index_->other.find((static_cast<long long>(id) << 4) | KindSlot(kind));
  return it == index_->other.end() ? nullptr : it->second;
}

DISPID InterfaceDesc::FindName(std::u16string_view n) const {
  std::u16string key(n);
  for (auto& c : key) c = Fold(c);
  auto it = index_->names.find(key);
  return it == index_->names.end() ? DISPID_UNKNOWN : it->second;
}

std::vector<const MemberDesc*> InterfaceDesc::AllMembers() const { return index_->all; }

bool InterfaceDesc::Implements(REFIID riid) const {
  for (const InterfaceDesc* d = this; d; d = d->base)
    if (d->iid == riid) return true;
  return false;
}

const InterfaceDesc* TypeLibDesc::FindInterface(REFIID iid) const {
  for (const InterfaceDesc* d : interfaces)
    if (d->iid == iid) return d;
  return nullptr;
}

const CoclassDesc* TypeLibDesc::FindCoclass(REFCLSID clsid) const {
  for (const CoclassDesc& c : coclasses)
    if (c.clsid == clsid) return &c;
  return nullptr;
}

const CoclassDesc* TypeLibDesc::FindCoclass(std::string_view n) const {
  for (const CoclassDesc& c : coclasses)
    if (c.name == n) return &c;
  return nullptr;
}

const EnumDesc* TypeLibDesc::FindEnum(std::string_view n) const {
  for (const EnumDesc& e : enums)
    if (e.name == n) return &e;
  return nullptr;
}

namespace detail {

MemberDesc BuildMember(const char* name, DISPID id, MemberKind kind, std::initializer_list<Param> params,
                       std::vector<ParamDesc> typed, VARTYPE result, InvokeThunk thunk) {
  if (params.size() != typed.size())
    throw std::logic_error(std::string("member ") + name + ": " + std::to_string(params.size()) +
                           " parameter names for " + std::to_string(typed.size()) + " parameters");
  MemberDesc m;
  m.name = name;
  m.dispid = id;
  m.kind = kind;
  m.result = result;
  m.thunk = thunk;
  std::size_t i = 0;
  for (const Param& p : params) {
    ParamDesc& d = typed[i++];
    d.name = p.name;
    d.optional = p.optional;
    d.hasDefault = p.hasDefault;
    d.defaultValue = p.defaultValue;
  }
  m.params = std::move(typed);
  return m;
}

}  // namespace detail

namespace {

bool IsMissing(const VARIANT* v) { return !v || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND); }

// Writes an out-parameter's value back into the caller's by-reference argument.
HRESULT WriteBack(VARIANT& slot, VARIANT* target) {
  VARTYPE t = target->vt & ~VT_BYREF;
  if (t == VT_VARIANT) {
    VariantClear(target->pvarVal);
    *target->pvarVal = slot;
    VariantInit(&slot);
    return S_OK;
  }
  Variant v;
  HRESULT hr = VariantChangeType(&v, &slot, 0, t);
  if (FAILED(hr)) return hr;
  switch (t) {
    case VT_I2: *target->piVal = v.iVal; break;
    case VT_I4: *target->plVal = v.lVal; break;
    case VT_R4: *target->pfltVal = v.fltVal; break;
    case VT_R8: *target->pdblVal = v.dblVal; break;
    case VT_CY: *target->pcyVal = v.cyVal; break;
    case VT_DATE: *target->pdate = v.date; break;
    case VT_BOOL: *target->pboolVal = v.boolVal; break;
    case VT_ERROR: *target->pscode = v.scode; break;
    case VT_I1: *target->pcVal = v.cVal; break;
    case VT_UI1: *target->pbVal = v.bVal; break;
    case VT_UI2: *target->puiVal = v.uiVal; break;
    case VT_UI4: *target->pulVal = v.ulVal; break;
    case VT_I8: *target->pllVal = v.llVal; break;
    case VT_BSTR:
      SysFreeString(*target->pbstrVal);
      *target->pbstrVal = v.bstrVal;
      v.vt = VT_EMPTY;
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      if (*target->ppunkVal) (*target->ppunkVal)->Release();
      *target->ppunkVal = v.punkVal;
      v.vt = VT_EMPTY;
      break;
    default: return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

// Prepares the slot of an in-parameter from the caller's argument.
HRESULT BindIn(const ParamDesc& p, const VARIANT* arg, VARIANT& slot) {
  if (IsMissing(arg)) {
    if (p.hasDefault) {
      if (p.vt == VT_VARIANT) return VariantCopy(&slot, &p.defaultValue);
      return VariantChangeType(&slot, &p.defaultValue, 0, p.vt);
    }
    if (!p.optional) return DISP_E_PARAMNOTOPTIONAL;
    if (p.vt == VT_VARIANT) {
      slot.vt = VT_ERROR;
      slot.scode = DISP_E_PARAMNOTFOUND;
    } else {
      slot.vt = p.vt;
      slot.llVal = 0;
    }
    return S_OK;
  }
  Variant value;
  HRESULT hr = VariantCopyInd(&value, arg);
  if (FAILED(hr)) return hr;
  if (p.vt == VT_VARIANT) {
    value.Detach(&slot);
    return S_OK;
  }
  if (p.vt == VT_DISPATCH || p.vt == VT_UNKNOWN) {
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
      slot.vt = p.vt;
      slot.punkVal = nullptr;
      return S_OK;
    }
    if (value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
    value.Detach(&slot);
    return S_OK;
  }
  return VariantChangeType(&slot, &value, 0, p.vt);
}

// Prepares the slot of an out or in-out parameter.
void BindOut(const ParamDesc& p, const VARIANT* arg, VARIANT& slot) {
  VARTYPE t = p.vt & ~VT_BYREF;
  if (!IsMissing(arg)) {
    Variant value;
    if (SUCCEEDED(VariantCopyInd(&value, arg))) {
      if (t == VT_VARIANT) {
        value.Detach(&slot);
        return;
      }
      if (SUCCEEDED(VariantChangeType(&slot, &value, 0, t))) return;
    }
  }
  VariantClear(&slot);
  if (t != VT_VARIANT) {
    slot.vt = t;
    slot.llVal = 0;
  }
}

void FillException(EXCEPINFO* excep, HRESULT hr) {
  *excep = EXCEPINFO{};
  excep->scode = hr;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    info->GetDescription(&excep->bstrDescription);
    info->GetSource(&excep->bstrSource);
    info->Release();
  }
}

}  // namespace

HRESULT DispInvoke(IDispatch* self, const InterfaceDesc& desc, DISPID id, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  DISPPARAMS none;
  if (!params) params = &none;
  const MemberDesc* m = nullptr;
  if (flags & DISPATCH_PROPERTYPUTREF) m = desc.Find(id, MemberKind::PropPutRef);
  if (!m && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) m = desc.Find(id, MemberKind::PropPut);
  if (!m && (flags & DISPATCH_METHOD)) m = desc.Find(id, MemberKind::Method);
  if (!m && (flags & DISPATCH_PROPERTYGET)) m = desc.Find(id, MemberKind::PropGet);
  // A member described without a thunk (an event of a source interface) is
  // answered by the sink's own Invoke, never through a description.
  if (!m || !m->thunk) return DISP_E_MEMBERNOTFOUND;

  const bool put = m->kind == MemberKind::PropPut || m->kind == MemberKind::PropPutRef;
  const std::size_t declared = m->params.size();
  const UINT named = params->cNamedArgs;
  const UINT total = params->cArgs;
  if (named > total) return E_INVALIDARG;

  // Which caller argument (index into rgvarg) feeds each declared parameter.
  constexpr std::size_t kInline = 8;
  std::array<int, kInline> sourceInline;
  std::vector<int> sourceHeap;
  int* source = sourceInline.data();
  if (declared > kInline) {
    sourceHeap.resize(declared);
    source = sourceHeap.data();
  }
  for (std::size_t i = 0; i < declared; ++i) source[i] = -1;

  UINT positional = total - named;
  std::size_t positionalLimit = put ? declared - 1 : declared;
  if (put) {
    if (declared == 0) return DISP_E_BADPARAMCOUNT;
    int valueArg = -1;
    for (UINT k = 0; k < named; ++k)
      if (params->rgdispidNamedArgs[k] == DISPID_PROPERTYPUT) valueArg = static_cast<int>(k);
    if (valueArg < 0) {
      // No named value: the last positional argument is the value.
      if (positional == 0) return DISP_E_PARAMNOTOPTIONAL;
      valueArg = static_cast<int>(named);
      --positional;
      for (UINT i = 0; i < positional; ++i) {
        if (i >= positionalLimit) return DISP_E_BADPARAMCOUNT;
        source[i] = static_cast<int>(total - 1 - i);
      }
    } else {
      for (UINT i = 0; i < positional; ++i) {
        if (i >= positionalLimit) return DISP_E_BADPARAMCOUNT;
        source[i] = static_cast<int>(total - 1 - i);
      }
    }
    source[declared - 1] = valueArg;
  } else {
    if (positional > positionalLimit) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < positional; ++i) source[i] = static_cast<int>(total - 1 - i);
  }
  for (UINT k = 0; k < named; ++k) {
    DISPID p = params->rgdispidNamedArgs[k];
    if (p == DISPID_PROPERTYPUT) {
      if (!put) return DISP_E_PARAMNOTFOUND;
      continue;
    }
    if (p < 0 || static_cast<std::size_t>(p) >= positionalLimit) {
      if (argErr) *argErr = k;
      return DISP_E_PARAMNOTFOUND;
    }
    source[p] = static_cast<int>(k);
  }

  // Only the declared slots are initialised and cleared: a call without
  // arguments touches none.
  VARIANT slotsInline[kInline];
  std::vector<VARIANT> slotsHeap;
  VARIANT* slots = slotsInline;
  if (declared > kInline) {
    slotsHeap.resize(declared);
    slots = slotsHeap.data();
  }
  for (std::size_t i = 0; i < declared; ++i) slots[i].vt = VT_EMPTY;
  struct ClearSlots {
    VARIANT* slots;
    std::size_t n;
    ~ClearSlots() {
      for (std::size_t i = 0; i < n; ++i)
        if (slots[i].vt != VT_EMPTY) VariantClear(&slots[i]);
    }
  } clearSlots{slots, declared};
  for (std::size_t i = 0; i < declared; ++i) {
    const ParamDesc& p = m->params[i];
    const VARIANT* arg = source[i] >= 0 ? &params->rgvarg[source[i]] : nullptr;
    if (p.vt & VT_BYREF) {
      BindOut(p, arg, slots[i]);
      continue;
    }
    HRESULT hr = BindIn(p, arg, slots[i]);
    if (FAILED(hr)) {
      if (argErr && source[i] >= 0) *argErr = static_cast<UINT>(source[i]);
      if (hr == DISP_E_PARAMNOTOPTIONAL) return hr;
      return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
  }

  CallFrame frame;
  frame.args = slots;
  frame.resultType = m->result;
  if (result && m->result != VT_EMPTY) {
    result->vt = VT_EMPTY;
    frame.result = result;
  }
  HRESULT hr = m->thunk(self, frame);
  if (FAILED(hr)) {
    if (excep) {
      FillException(excep, hr);
      return DISP_E_EXCEPTION;
    }
    return hr;
  }
  for (std::size_t i = 0; i < declared; ++i) {
    if (!(m->params[i].vt & VT_BYREF) || source[i] < 0) continue;
    VARIANT* target = &params->rgvarg[source[i]];
    if (!(target->vt & VT_BYREF)) continue;  // passed by value: the caller keeps nothing
    HRESULT wb = WriteBack(slots[i], target);
    if (FAILED(wb)) {
      if (argErr) *argErr = static_cast<UINT>(source[i]);
      return wb;
    }
  }
  return S_OK;
}

HRESULT DispGetIDsOfNames(const InterfaceDesc& desc, LPOLESTR* names, UINT count, DISPID* ids) {
  if (count == 0) return S_OK;
  if (!names || !ids) return E_POINTER;
  std::u16string_view first = names[0] ? std::u16string_view(names[0]) : std::u16string_view();
  ids[0] = desc.FindName(first);
  HRESULT hr = ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
  // Parameter names give their positions, for named arguments.
  const MemberDesc* member = nullptr;
  if (ids[0] != DISPID_UNKNOWN) {
    for (MemberKind k : {MemberKind::Method, MemberKind::PropGet, MemberKind::PropPut, MemberKind::PropPutRef}) {
      const MemberDesc* c = desc.Find(ids[0], k);
      if (c && (!member || c->params.size() > member->params.size())) member = c;
    }
  }
  for (UINT n = 1; n < count; ++n) {
    ids[n] = DISPID_UNKNOWN;
    if (member && names[n]) {
      std::u16string want(names[n]);
      for (auto& c : want) c = Fold(c);
      for (std::size_t i = 0; i < member->params.size(); ++i)
        if (FoldName(member->params[i].name) == want) ids[n] = static_cast<DISPID>(i);
    }
    if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

}  // namespace com
