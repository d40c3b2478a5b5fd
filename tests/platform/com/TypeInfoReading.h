// Reading a type info as a host does, for the tests of the generated type
// libraries: texts handed out as BSTRs, attributes and function descriptions
// released on scope exit, a referenced type and a type's documentation.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/ansi.h"
#include "platform/com/typeinfo.h"

namespace typeinfo_reading {

// The text of a BSTR the callee handed over, which is freed.
inline std::string Text(BSTR b) {
  std::string s = WideToUtf8(BstrView(b));
  SysFreeString(b);
  return s;
}

// The attributes of a type info, released on scope exit.
struct Attr {
  explicit Attr(ITypeInfo* i) : info(i) { EXPECT_EQ(info->GetTypeAttr(&a), S_OK); }
  ~Attr() { info->ReleaseTypeAttr(a); }
  Attr(const Attr&) = delete;
  Attr& operator=(const Attr&) = delete;
  const TYPEATTR* operator->() const { return a; }
  ITypeInfo* info;
  TYPEATTR* a = nullptr;
};

// A function description of a type info, released on scope exit.
struct Func {
  Func(ITypeInfo* i, UINT index) : info(i) { EXPECT_EQ(info->GetFuncDesc(index, &f), S_OK); }
  ~Func() { info->ReleaseFuncDesc(f); }
  Func(const Func&) = delete;
  Func& operator=(const Func&) = delete;
  const FUNCDESC* operator->() const { return f; }
  ITypeInfo* info;
  FUNCDESC* f = nullptr;
};

// The type that implementation IMPLINDEX of FROM refers to (-1: the other view
// of a dual interface).
inline ComPtr<ITypeInfo> Ref(ITypeInfo* from, UINT implIndex) {
  HREFTYPE ref = 0;
  ComPtr<ITypeInfo> to;
  EXPECT_EQ(from->GetRefTypeOfImplType(implIndex, &ref), S_OK);
  EXPECT_EQ(from->GetRefTypeInfo(ref, to.Out()), S_OK);
  return to;
}

// The name and the help string of a type (MEMBERID_NIL) or of one of its members.
inline std::string NameOf(ITypeInfo* info, MEMBERID memid = MEMBERID_NIL) {
  BSTR name = nullptr;
  EXPECT_EQ(info->GetDocumentation(memid, &name, nullptr, nullptr, nullptr), S_OK);
  return Text(name);
}
inline std::string HelpOf(ITypeInfo* info, MEMBERID memid = MEMBERID_NIL) {
  BSTR doc = nullptr;
  EXPECT_EQ(info->GetDocumentation(memid, nullptr, &doc, nullptr, nullptr), S_OK);
  return Text(doc);
}

// The names GetNames gives for a member of a type, which must answer: the
// member's, then its parameters'.
inline std::vector<std::string> NamesOf(ITypeInfo* info, MEMBERID memid) {
  BSTR names[32] = {};
  UINT count = 0;
  EXPECT_EQ(info->GetNames(memid, names, 32, &count), S_OK) << "member " << memid;
  std::vector<std::string> got;
  for (UINT i = 0; i < count; ++i) got.push_back(Text(names[i]));
  return got;
}

// Checks a library's attributes (locale 0x409) and its name and help string.
inline void ExpectLibrary(ITypeLib* lib, const GUID& libid, WORD major, WORD minor, WORD flags, const char* name,
                          const char* help) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, libid);
  EXPECT_EQ(attr->wMajorVerNum, major);
  EXPECT_EQ(attr->wMinorVerNum, minor);
  EXPECT_EQ(attr->lcid, 0x409u);
  EXPECT_EQ(attr->wLibFlags, flags);
  lib->ReleaseTLibAttr(attr);
  BSTR n = nullptr, d = nullptr;
  ASSERT_EQ(lib->GetDocumentation(-1, &n, &d, nullptr, nullptr), S_OK);
  EXPECT_EQ(Text(n), name);
  EXPECT_EQ(Text(d), help);
}

// Checks that TYPE comes from the standard OLE library (stdole2, version 2).
inline void ExpectFromStandardOleLibrary(ITypeInfo* type) {
  constexpr GUID kStdOle = MakeGuid("{00020430-0000-0000-C000-000000000046}");
  ComPtr<ITypeLib> stdole;
  UINT index = 0;
  ASSERT_EQ(type->GetContainingTypeLib(stdole.Out(), &index), S_OK);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(stdole->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, kStdOle);
  EXPECT_EQ(attr->wMajorVerNum, 2);
  stdole->ReleaseTLibAttr(attr);
}

}  // namespace typeinfo_reading
