// ITypeLib and ITypeInfo generated from a type library description: the two
// views of a dual interface, function and parameter descriptions, names and
// help strings, enumerations, coclasses, calls through a type info, and the
// registration of a library with the choice LoadRegTypeLib makes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/com/ansi.h"
#include "platform/com/object.h"
#include "platform/com/registry.h"
#include "platform/com/typeinfo.h"
#include "platform/com/TypeInfoReading.h"

namespace {

struct IShape : IDispatch {
  static constexpr IID Iid = MakeGuid("{7C2E0A10-0000-4000-8000-000000000001}");
  virtual HRESULT get_Area(double* r) = 0;
  virtual HRESULT get_Name(BSTR* r) = 0;
  virtual HRESULT put_Name(BSTR v) = 0;
};

struct ICircle : IShape {
  static constexpr IID Iid = MakeGuid("{7C2E0A10-0000-4000-8000-000000000002}");
  virtual HRESULT Grow(LONG by, VARIANT tag, LONG* r) = 0;
  virtual HRESULT Swap(IShape* other, BSTR* text) = 0;
  virtual HRESULT get_Twin(IShape** r) = 0;
  virtual HRESULT get__Secret(LONG* r) = 0;
};

const com::TypeLibDesc& ShapesLib();
com::ComModule& ShapesModule() {
  static com::ComModule m(&ShapesLib);
  return m;
}

class Circle final : public com::ComObject<ICircle> {
 public:
  Circle() : ComObject(ShapesModule()) {}
  HRESULT get_Area(double* r) override {
    return Get(r, [&] { return 3.0 * radius; });
  }
  HRESULT get_Name(BSTR* r) override {
    return Get(r, [&] { return name; });
  }
  HRESULT put_Name(BSTR v) override {
    return Guard([&] { name = BstrToAnsi(v); });
  }
  HRESULT Grow(LONG by, VARIANT, LONG* r) override {
    return Get(r, [&] { return radius += by; });
  }
  HRESULT Swap(IShape*, BSTR*) override { return S_OK; }
  HRESULT get_Twin(IShape** r) override {
    *r = nullptr;
    return S_OK;
  }
  HRESULT get__Secret(LONG* r) override {
    return Get(r, [&] { return 42; });
  }
  LONG radius = 2;
  std::string name = "circle";
};

constexpr IID kEventsIid = MakeGuid("{7C2E0A10-0000-4000-8000-000000000003}");
constexpr CLSID kCircleClsid = MakeGuid("{7C2E0A10-0000-4000-8000-000000000004}");
constexpr GUID kColourGuid = MakeGuid("{7C2E0A10-0000-4000-8000-000000000005}");
constexpr GUID kShapesLibid = MakeGuid("{7C2E0A10-0000-4000-8000-0000000000FF}");
constexpr GUID kStdOle = MakeGuid("{00020430-0000-0000-C000-000000000046}");

const com::InterfaceDesc& ShapeDesc() {
  using namespace com;
  static const InterfaceDesc d("IShape", IShape::Iid, nullptr, "A shape",
                               {
                                   PropGet<&IShape::get_Area>("Area", 1).Help("Area in square units"),
                                   PropGet<&IShape::get_Name>("Name", 2),
                                   PropPut<&IShape::put_Name>("Name", 2, {Param("Value")}),
                               });
  return d;
}

const com::TypeLibDesc& ShapesLib() {
  using namespace com;
  static const InterfaceDesc circle(
      "ICircle", ICircle::Iid, &ShapeDesc(), "A circle",
      {
          Method<&ICircle::Grow>("Grow", 10, {Param("By").Default(1), Param("Tag").Optional()}),
          Procedure<&ICircle::Swap>("Swap", 11, {Param("Other"), Param("Text")}),
          PropGet<&ICircle::get_Twin>("Twin", 12),
          PropGet<&ICircle::get__Secret>("_Secret", 13).Hidden(),
      });
  static const InterfaceDesc events("ICircleEvents", kEventsIid, nullptr, "Circle events",
                                    {[] {
                                      MemberDesc m;
                                      m.name = "Popped";
                                      m.dispid = 5;
                                      return m;
                                    }()},
                                    kInterfaceDispatchOnly);
  static const TypeLibDesc lib = [] {
    TypeLibDesc l;
    l.name = "Shapes";
    l.helpString = "Shapes Library";
    l.libid = kShapesLibid;
    l.majorVersion = 1;
    l.minorVersion = 2;
    l.lcid = 0x409;
    l.flags = kLibControl;
    l.imports = {{"stdole", kStdOle, 2, 0, "stdole2.tlb", {}}};
    l.interfaces = {&ShapeDesc(), &circle, &events};
    l.coclasses = {{"Circle", kCircleClsid, &circle, "Circle Object", kTypeControl, &events}};
    l.enums = {{"Colour", kColourGuid, "colours", {{"clRed", 1, "czerwony"}, {"clGreen", 4}}}};
    return l;
  }();
  return lib;
}

const com::ClassRegistration<Circle> kCircleRegistration(ShapesModule(), kCircleClsid);

using namespace typeinfo_reading;

class TypeInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(com::GetTypeLibOf(ShapesLib(), lib.Out()), S_OK); }
  ComPtr<ITypeInfo> Info(const GUID& guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(lib->GetTypeInfoOfGuid(guid, info.Out()), S_OK) << GuidToString(guid);
    return info;
  }
  ComPtr<ITypeLib> lib;
};

TEST_F(TypeInfoTest, TheLibraryListsInterfacesCoclassesAndEnumerationsInOrder) {
  ASSERT_NO_FATAL_FAILURE(ExpectLibrary(lib.Get(), kShapesLibid, 1, 2, LIBFLAG_FCONTROL, "Shapes", "Shapes Library"));

  const TYPEKIND kinds[] = {TKIND_DISPATCH, TKIND_DISPATCH, TKIND_DISPATCH, TKIND_COCLASS, TKIND_ENUM};
  ASSERT_EQ(lib->GetTypeInfoCount(), std::size(kinds));
  for (UINT i = 0; i < std::size(kinds); ++i) {
    TYPEKIND k{};
    EXPECT_EQ(lib->GetTypeInfoType(i, &k), S_OK);
    EXPECT_EQ(k, kinds[i]) << i;
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(lib->GetTypeInfo(i, info.Out()), S_OK);
    ITypeLib* containing = nullptr;
    UINT index = 99;
    EXPECT_EQ(info->GetContainingTypeLib(&containing, &index), S_OK);
    EXPECT_EQ(containing, lib.Get());
    EXPECT_EQ(index, i);
    if (containing) containing->Release();
  }
  ITypeInfo* none = nullptr;
  EXPECT_EQ(lib->GetTypeInfo(5, &none), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(lib->GetTypeInfoOfGuid(GUID_NULL, &none), TYPE_E_ELEMENTNOTFOUND);

  OLECHAR spelled[] = u"icircle";
  BOOL found = FALSE;
  EXPECT_EQ(lib->IsName(spelled, 0, &found), S_OK);
  EXPECT_TRUE(found);
  EXPECT_EQ(std::u16string(spelled), u"ICircle");
  ITypeInfo* infos[4] = {};
  MEMBERID ids[4] = {};
  USHORT count = 4;
  OLECHAR grow[] = u"GROW";
  EXPECT_EQ(lib->FindName(grow, 0, infos, ids, &count), S_OK);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(ids[0], 10);
}

TEST_F(TypeInfoTest, ADualInterfacesTwoViewsReferToEachOtherAndToTheirBases) {
  ComPtr<ITypeInfo> dispatch = Info(ICircle::Iid);
  {
    Attr a(dispatch.Get());
    EXPECT_EQ(a->typekind, TKIND_DISPATCH);
    EXPECT_EQ(a->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(a->cFuncs, 7) << "the base's three members and the four own ones";
    EXPECT_EQ(a->cImplTypes, 1);
    EXPECT_EQ(a->wMajorVerNum, 1);
    EXPECT_EQ(a->wMinorVerNum, 2);
  }
  ComPtr<ITypeInfo> vtable = Ref(dispatch.Get(), static_cast<UINT>(-1));
  {
    Attr a(vtable.Get());
    EXPECT_EQ(a->typekind, TKIND_INTERFACE);
    EXPECT_EQ(a->guid, ICircle::Iid);
    EXPECT_EQ(a->cFuncs, 4) << "own members only";
    EXPECT_EQ(a->cbSizeVft, (7 + 3 + 4) * sizeof(void*));
  }
  EXPECT_EQ(Ref(vtable.Get(), static_cast<UINT>(-1)).Get(), dispatch.Get());

  // The vtable view derives from the base's vtable view, that from IDispatch of
  // the standard library, that from IUnknown.
  ComPtr<ITypeInfo> base = Ref(vtable.Get(), 0);
  EXPECT_EQ(Attr(base.Get())->guid, IShape::Iid);
  EXPECT_EQ(Attr(base.Get())->typekind, TKIND_INTERFACE);
  ComPtr<ITypeInfo> idispatch = Ref(base.Get(), 0);
  EXPECT_EQ(Attr(idispatch.Get())->guid, IDispatch::Iid);
  EXPECT_EQ(Attr(idispatch.Get())->cbSizeVft, 7 * sizeof(void*));
  EXPECT_EQ(Ref(dispatch.Get(), 0).Get(), idispatch.Get()) << "the dispatch view implements IDispatch";
  ASSERT_NO_FATAL_FAILURE(ExpectFromStandardOleLibrary(idispatch.Get()));
  ComPtr<ITypeInfo> unknown = Ref(idispatch.Get(), 0);
  EXPECT_EQ(Attr(unknown.Get())->guid, IUnknown::Iid);
  EXPECT_EQ(Attr(unknown.Get())->cImplTypes, 0);
  // The implemented types are the ones cImplTypes counts, and no more.
  INT implFlags = -1;
  EXPECT_EQ(unknown->GetImplTypeFlags(0, &implFlags), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(idispatch->GetImplTypeFlags(0, &implFlags), S_OK);
  EXPECT_EQ(implFlags, 0);
  EXPECT_EQ(idispatch->GetImplTypeFlags(1, &implFlags), TYPE_E_ELEMENTNOTFOUND);

  // A dispatch-only interface has no vtable view.
  HREFTYPE ref = 0;
  EXPECT_EQ(Info(kEventsIid)->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(Attr(Info(kEventsIid).Get())->wTypeFlags, TYPEFLAG_FDISPATCHABLE);
}

TEST_F(TypeInfoTest, FunctionsCarryTheirParametersDefaultsResultsAndSlots) {
  ComPtr<ITypeInfo> dispatch = Info(ICircle::Iid);
  // Grow(By = 1, [Tag]) as long, in the dispatch view (after the base's three).
  Func grow(dispatch.Get(), 3);
  EXPECT_EQ(grow->memid, 10);
  EXPECT_EQ(grow->funckind, FUNC_DISPATCH);
  EXPECT_EQ(grow->invkind, INVOKE_FUNC);
  EXPECT_EQ(grow->cParams, 2);
  // Only the trailing VARIANT a caller may leave out: By, which has a default
  // in its PARAMDESCEX, is not counted.
  EXPECT_EQ(grow->cParamsOpt, 1);
  EXPECT_EQ(grow->elemdescFunc.tdesc.vt, VT_I4);
  const ELEMDESC& by = grow->lprgelemdescParam[0];
  EXPECT_EQ(by.tdesc.vt, VT_I4);
  EXPECT_EQ(by.paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT);
  ASSERT_NE(by.paramdesc.pparamdescex, nullptr);
  EXPECT_EQ(by.paramdesc.pparamdescex->varDefaultValue.vt, VT_I4);
  EXPECT_EQ(by.paramdesc.pparamdescex->varDefaultValue.lVal, 1);
  const ELEMDESC& tag = grow->lprgelemdescParam[1];
  EXPECT_EQ(tag.tdesc.vt, VT_VARIANT);
  EXPECT_EQ(tag.paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOPT);
  EXPECT_EQ(grow->oVft, static_cast<SHORT>((7 + 3) * sizeof(void*)));

  // Swap(IShape* Other, BSTR* Text): an interface of the library and an in-out text.
  Func swap(dispatch.Get(), 4);
  EXPECT_EQ(swap->elemdescFunc.tdesc.vt, VT_VOID);
  const TYPEDESC& other = swap->lprgelemdescParam[0].tdesc;
  ASSERT_EQ(other.vt, VT_PTR);
  ASSERT_EQ(other.lptdesc->vt, VT_USERDEFINED);
  ComPtr<ITypeInfo> shape;
  ASSERT_EQ(dispatch->GetRefTypeInfo(other.lptdesc->hreftype, shape.Out()), S_OK);
  EXPECT_EQ(Attr(shape.Get())->guid, IShape::Iid);
  const ELEMDESC& text = swap->lprgelemdescParam[1];
  ASSERT_EQ(text.tdesc.vt, VT_PTR);
  EXPECT_EQ(text.tdesc.lptdesc->vt, VT_BSTR);
  EXPECT_EQ(text.paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOUT);

  Func secret(dispatch.Get(), 6);
  EXPECT_EQ(secret->invkind, INVOKE_PROPERTYGET);
  EXPECT_EQ(secret->wFuncFlags, FUNCFLAG_FHIDDEN);

  // The vtable view: an HRESULT and the value as the final retval parameter.
  ComPtr<ITypeInfo> vtable = Ref(dispatch.Get(), static_cast<UINT>(-1));
  Func twin(vtable.Get(), 2);
  EXPECT_EQ(twin->funckind, FUNC_PUREVIRTUAL);
  EXPECT_EQ(twin->elemdescFunc.tdesc.vt, VT_HRESULT);
  ASSERT_EQ(twin->cParams, 1);
  EXPECT_EQ(twin->cParamsOpt, 0);
  const ELEMDESC& retval = twin->lprgelemdescParam[0];
  EXPECT_EQ(retval.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
  ASSERT_EQ(retval.tdesc.vt, VT_PTR);
  ASSERT_EQ(retval.tdesc.lptdesc->vt, VT_PTR);
  EXPECT_EQ(retval.tdesc.lptdesc->lptdesc->vt, VT_USERDEFINED);
  EXPECT_EQ(twin->oVft, static_cast<SHORT>((7 + 3 + 2) * sizeof(void*)));

  FUNCDESC* none = nullptr;
  EXPECT_EQ(vtable->GetFuncDesc(4, &none), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeInfoTest, NamesAndHelpStringsOfTypesMembersAndConstants) {
  ComPtr<ITypeInfo> circle = Info(ICircle::Iid);
  struct Row {
    MEMBERID memid;
    std::vector<std::string> names;
  } rows[] = {
      {10, {"Grow", "By", "Tag"}},
      {2, {"Name"}},  // the get comes first; a put's value is unnamed
      {11, {"Swap", "Other", "Text"}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(NamesOf(circle.Get(), r.memid), r.names) << r.memid;
  }
  // The vtable view names the final retval parameter as well; members of the
  // base interface are found on the derived one, with their help strings.
  ComPtr<ITypeInfo> vtable = Ref(circle.Get(), static_cast<UINT>(-1));
  Row vtableRows[] = {
      {10, {"Grow", "By", "Tag", "RetVal"}},
      {2, {"Name", "RetVal"}},  // the get's names, not the put's
      {11, {"Swap", "Other", "Text"}},  // no result, no retval
      {1, {"Area", "RetVal"}},  // IShape's
  };
  for (const Row& r : vtableRows) {
    EXPECT_EQ(NamesOf(vtable.Get(), r.memid), r.names) << r.memid;
  }
  EXPECT_EQ(NameOf(vtable.Get(), 1), "Area");
  EXPECT_EQ(HelpOf(vtable.Get(), 1), "Area in square units");

  BSTR truncated[1] = {};
  UINT count = 0;
  EXPECT_EQ(circle->GetNames(10, truncated, 1, &count), S_OK);
  EXPECT_EQ(count, 1u);
  SysFreeString(truncated[0]);
  EXPECT_EQ(circle->GetNames(99, truncated, 1, &count), TYPE_E_ELEMENTNOTFOUND);

  BSTR name = nullptr, doc = nullptr;
  ASSERT_EQ(circle->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr), S_OK);
  EXPECT_EQ(Text(name), "ICircle");
  EXPECT_EQ(Text(doc), "A circle");
  ASSERT_EQ(circle->GetDocumentation(1, &name, &doc, nullptr, nullptr), S_OK);
  EXPECT_EQ(Text(name), "Area");
  EXPECT_EQ(Text(doc), "Area in square units");

  ComPtr<ITypeInfo> colour = Info(kColourGuid);
  Attr a(colour.Get());
  EXPECT_EQ(a->typekind, TKIND_ENUM);
  ASSERT_EQ(a->cVars, 2);
  const std::pair<const char*, LONG> constants[] = {{"clRed", 1}, {"clGreen", 4}};
  for (UINT i = 0; i < 2; ++i) {
    VARDESC* v = nullptr;
    ASSERT_EQ(colour->GetVarDesc(i, &v), S_OK);
    EXPECT_EQ(v->varkind, VAR_CONST);
    EXPECT_EQ(v->lpvarValue->vt, VT_I4);
    EXPECT_EQ(v->lpvarValue->lVal, constants[i].second);
    ASSERT_EQ(colour->GetDocumentation(v->memid, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Text(name), constants[i].first);
    EXPECT_EQ(Text(doc), i == 0 ? "czerwony" : "");
    colour->ReleaseVarDesc(v);
  }
  LPOLESTR green[] = {const_cast<LPOLESTR>(u"clgreen")};
  MEMBERID id = 0;
  EXPECT_EQ(colour->GetIDsOfNames(green, 1, &id), S_OK);
  EXPECT_EQ(id, 0x40000001);
}

// The standard library's two interfaces list their functions in slot order,
// as OLE documents them: restricted, each with its parameters; structures
// are passed as untyped pointers.
TEST_F(TypeInfoTest, TheStandardLibrarysInterfacesListTheirFunctions) {
  ComPtr<ITypeInfo> idispatch = Ref(Info(ICircle::Iid).Get(), 0);
  ComPtr<ITypeInfo> unknown = Ref(idispatch.Get(), 0);
  EXPECT_EQ(Attr(unknown.Get())->cFuncs, 3);
  EXPECT_EQ(Attr(idispatch.Get())->cFuncs, 4);
  constexpr USHORT in = PARAMFLAG_FIN, out = PARAMFLAG_FOUT;
  struct Row {
    ITypeInfo* info;
    UINT index;
    MEMBERID memid;
    VARTYPE result;
    std::vector<std::string> names;
    std::vector<USHORT> flags;
  } rows[] = {
      {unknown.Get(), 0, 0x60000000, VT_HRESULT, {"QueryInterface", "riid", "ppvObject"}, {in, out}},
      {unknown.Get(), 1, 0x60000001, VT_UI4, {"AddRef"}, {}},
      {unknown.Get(), 2, 0x60000002, VT_UI4, {"Release"}, {}},
      {idispatch.Get(), 0, 0x60010000, VT_HRESULT, {"GetTypeInfoCount", "pctinfo"}, {out}},
      {idispatch.Get(), 1, 0x60010001, VT_HRESULT, {"GetTypeInfo", "iTInfo", "lcid", "ppTInfo"}, {in, in, out}},
      {idispatch.Get(), 2, 0x60010002, VT_HRESULT, {"GetIDsOfNames", "riid", "rgszNames", "cNames", "lcid", "rgDispId"},
       {in, in, in, in, out}},
      {idispatch.Get(), 3, 0x60010003, VT_HRESULT,
       {"Invoke", "dispIdMember", "riid", "lcid", "wFlags", "pDispParams", "pVarResult", "pExcepInfo", "puArgErr"},
       {in, in, in, in, in | out, out, out, out}},
  };
  UINT slot = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.names[0]);
    Func f(r.info, r.index);
    EXPECT_EQ(f->memid, r.memid);
    EXPECT_EQ(f->funckind, FUNC_PUREVIRTUAL);
    EXPECT_EQ(f->wFuncFlags, FUNCFLAG_FRESTRICTED);
    EXPECT_EQ(f->oVft, static_cast<SHORT>(slot++ * sizeof(void*)));
    EXPECT_EQ(f->elemdescFunc.tdesc.vt, r.result);
    ASSERT_EQ(f->cParams, static_cast<SHORT>(r.flags.size()));
    for (std::size_t i = 0; i < r.flags.size(); ++i) {
      EXPECT_EQ(f->lprgelemdescParam[i].paramdesc.wParamFlags, r.flags[i]) << i;
      if (r.flags[i] & PARAMFLAG_FOUT) {
        EXPECT_EQ(f->lprgelemdescParam[i].tdesc.vt, VT_PTR) << i;
      }
    }
    EXPECT_EQ(NamesOf(r.info, r.memid), r.names);
  }
  // Pointers to pointers end in a type: void** and LPOLESTR*.
  Func query(unknown.Get(), 0);
  const TYPEDESC& ppv = query->lprgelemdescParam[1].tdesc;
  ASSERT_EQ(ppv.vt, VT_PTR);
  ASSERT_EQ(ppv.lptdesc->vt, VT_PTR);
  EXPECT_EQ(ppv.lptdesc->lptdesc->vt, VT_VOID);
  Func ids(idispatch.Get(), 2);
  const TYPEDESC& names = ids->lprgelemdescParam[1].tdesc;
  ASSERT_EQ(names.vt, VT_PTR);
  EXPECT_EQ(names.lptdesc->vt, VT_LPWSTR);
  // Their members are members of every interface derived from them.
  ComPtr<ITypeInfo> vtable = Ref(Info(ICircle::Iid).Get(), static_cast<UINT>(-1));
  EXPECT_EQ(NameOf(vtable.Get(), 0x60010003), "Invoke");
}

TEST_F(TypeInfoTest, ACoclassNamesItsDefaultAndSourceInterfacesAndCreatesItsObject) {
  ComPtr<ITypeInfo> coclass = Info(kCircleClsid);
  {
    Attr a(coclass.Get());
    EXPECT_EQ(a->typekind, TKIND_COCLASS);
    EXPECT_EQ(a->cImplTypes, 2);
    EXPECT_EQ(a->wTypeFlags, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
  }
  INT flags = 0;
  EXPECT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
  EXPECT_EQ(coclass->GetImplTypeFlags(1, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
  EXPECT_EQ(Attr(Ref(coclass.Get(), 0).Get())->guid, ICircle::Iid);
  EXPECT_EQ(Attr(Ref(coclass.Get(), 1).Get())->guid, kEventsIid);

  ComPtr<ICircle> made;
  ASSERT_EQ(coclass->CreateInstance(nullptr, ICircle::Iid, made.OutVoid()), S_OK);
  LONG r = 0;
  EXPECT_EQ(made->Grow(1, VARIANT{}, &r), S_OK);
  EXPECT_EQ(r, 3);
  void* wrong = nullptr;
  EXPECT_EQ(Info(ICircle::Iid)->CreateInstance(nullptr, IUnknown::Iid, &wrong), TYPE_E_WRONGTYPEKIND);
}

TEST_F(TypeInfoTest, AnObjectAnswersItsInterfacesTypeInfoWhichCallsIt) {
  ComPtr<Circle> circle = com::MakeObject<Circle>();
  UINT count = 0;
  ASSERT_EQ(circle->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(circle->GetTypeInfo(0, 0, info.Out()), S_OK);
  EXPECT_EQ(info.Get(), Info(ICircle::Iid).Get());
  ITypeInfo* none = nullptr;
  EXPECT_EQ(circle->GetTypeInfo(1, 0, &none), DISP_E_BADINDEX);

  // A host binds the name and calls through the type info.
  LPOLESTR names[] = {const_cast<LPOLESTR>(u"grow"), const_cast<LPOLESTR>(u"by")};
  MEMBERID ids[2] = {};
  ASSERT_EQ(info->GetIDsOfNames(names, 2, ids), S_OK);
  EXPECT_EQ(ids[0], 10);
  EXPECT_EQ(ids[1], 0);
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  arg.lVal = 5;
  DISPPARAMS params{&arg, nullptr, 1, 0};
  Variant result;
  ASSERT_EQ(info->Invoke(static_cast<ICircle*>(circle.Get()), ids[0], DISPATCH_METHOD, &params, &result, nullptr,
                         nullptr),
            S_OK);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 7);
  DISPPARAMS none_args{};
  Variant area;
  ASSERT_EQ(info->Invoke(static_cast<ICircle*>(circle.Get()), 1, DISPATCH_PROPERTYGET, &none_args, &area, nullptr,
                         nullptr),
            S_OK);
  EXPECT_EQ(area.dblVal, 21.0);
}

// Registration in a registry of the test's own.
class TypeLibRegistrationTest : public TypeInfoTest {
 protected:
  void SetUp() override {
    TypeInfoTest::SetUp();
    std::string pattern = (std::filesystem::temp_directory_path() / "typelib-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    setenv("PLATFORM_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
  }
  void TearDown() override {
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir_);
  }
  static void Put(const std::string& key, const std::string& value) {
    registry::Transaction t;
    t.SetValue(key, "", value);
    ASSERT_EQ(t.Commit(), S_OK);
  }
  std::string dir_;
};

TEST_F(TypeLibRegistrationTest, RegisteringWritesTheLibraryAndInterfaceKeysAndUnregisteringRemovesThem) {
  ASSERT_EQ(RegisterTypeLib(lib.Get(), u"/opt/shapes/libshapes.so", nullptr), S_OK);
  const std::string libKey = "HKCR\\TypeLib\\{7C2E0A10-0000-4000-8000-0000000000FF}\\1.2";
  EXPECT_EQ(registry::GetValue(libKey), "Shapes Library");
  EXPECT_EQ(registry::GetValue(libKey + "\\FLAGS"), "2");
  EXPECT_EQ(registry::GetValue(libKey + "\\HELPDIR"), "/opt/shapes");
  EXPECT_EQ(registry::GetValue(libKey + "\\409\\linux64"), "/opt/shapes/libshapes.so");
  struct Row {
    IID iid;
    const char* name;
    const char* proxy;
  } rows[] = {
      {IShape::Iid, "IShape", "{00020424-0000-0000-C000-000000000046}"},
      {ICircle::Iid, "ICircle", "{00020424-0000-0000-C000-000000000046}"},
      {kEventsIid, "ICircleEvents", "{00020420-0000-0000-C000-000000000046}"},
  };
  for (const Row& r : rows) {
    const std::string key = "HKCR\\Interface\\" + GuidToString(r.iid);
    EXPECT_EQ(registry::GetValue(key), r.name);
    EXPECT_EQ(registry::GetValue(key + "\\ProxyStubClsid32"), r.proxy) << r.name;
    EXPECT_EQ(registry::GetValue(key + "\\TypeLib"), "{7C2E0A10-0000-4000-8000-0000000000FF}") << r.name;
    EXPECT_EQ(registry::GetValue(key + "\\TypeLib", "Version"), "1.2") << r.name;
  }
  // An interface that another library registered since keeps its key.
  Put("HKCR\\Interface\\" + GuidToString(IShape::Iid) + "\\TypeLib", "{00000000-0000-0000-0000-00000000000A}");

  ASSERT_EQ(UnRegisterTypeLib(kShapesLibid, 1, 2, 0x409, SYS_WIN64), S_OK);
  EXPECT_TRUE(registry::SubKeys("HKCR\\TypeLib\\{7C2E0A10-0000-4000-8000-0000000000FF}").empty());
  EXPECT_FALSE(registry::GetValue(libKey));
  EXPECT_FALSE(registry::GetValue("HKCR\\Interface\\" + GuidToString(ICircle::Iid)));
  EXPECT_TRUE(registry::GetValue("HKCR\\Interface\\" + GuidToString(IShape::Iid)));
  EXPECT_EQ(UnRegisterTypeLib(kShapesLibid, 1, 2, 0x409, SYS_WIN64), TYPE_E_REGISTRYACCESS);
}

TEST_F(TypeLibRegistrationTest, TheRegisteredVersionAndLocaleAreChosenAsLoadRegTypeLibChooses) {
  const std::string base = "HKCR\\TypeLib\\" + GuidToString(kShapesLibid);
  Put(base + "\\1.0\\0\\linux64", "/v10-neutral.so");
  Put(base + "\\1.2\\0\\linux64", "/v12-neutral.so");
  Put(base + "\\1.2\\409\\linux64", "/v12-us.so");
  Put(base + "\\1.2\\9\\linux64", "/v12-english.so");
  Put(base + "\\1.a\\415\\linux64", "/v1a-polish.so");
  Put(base + "\\2.0\\0\\linux64", "/v20.so");
  struct Row {
    WORD major, minor;
    LCID lcid;
    const char* path;  // null: not registered
  } rows[] = {
      {1, 0, 0x409, "/v1a-polish.so"},   // the highest minor version; its only locale
      {1, 11, 0, nullptr},               // no minor version that high
      {2, 0, 0x415, "/v20.so"},          // the neutral locale stands in
      {3, 0, 0, nullptr},                // no such major version
  };
  for (const Row& r : rows) {
    BSTR path = nullptr;
    HRESULT hr = QueryPathOfRegTypeLib(kShapesLibid, r.major, r.minor, r.lcid, &path);
    if (r.path) {
      ASSERT_EQ(hr, S_OK) << r.major << "." << r.minor;
      EXPECT_EQ(Text(path), r.path);
    } else {
      EXPECT_EQ(hr, TYPE_E_LIBNOTREGISTERED) << r.major << "." << r.minor;
    }
  }
  // Within one version: the exact locale, then its primary language, then neutral.
  registry::Transaction t;
  t.DeleteTree(base + "\\1.a");
  ASSERT_EQ(t.Commit(), S_OK);
  const std::pair<LCID, const char*> locales[] = {{0x409, "/v12-us.so"}, {0x809, "/v12-english.so"}, {0x415, "/v12-neutral.so"}};
  for (const auto& [lcid, want] : locales) {
    BSTR path = nullptr;
    ASSERT_EQ(QueryPathOfRegTypeLib(kShapesLibid, 1, 1, lcid, &path), S_OK) << lcid;
    EXPECT_EQ(Text(path), want) << lcid;
  }

  ITypeLib* loaded = nullptr;
  EXPECT_EQ(LoadRegTypeLib(kShapesLibid, 1, 2, 0x409, &loaded), TYPE_E_CANTLOADLIBRARY) << "no such file";
  EXPECT_EQ(LoadRegTypeLib(kShapesLibid, 4, 0, 0, &loaded), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(loaded, nullptr);
  ASSERT_EQ(LoadRegTypeLib(kStdOle, 2, 0, 0, &loaded), S_OK) << "the standard library is built in";
  ComPtr<ITypeInfo> dispatch;
  EXPECT_EQ(loaded->GetTypeInfoOfGuid(IDispatch::Iid, dispatch.Out()), S_OK);
  loaded->Release();
}

}  // namespace
