// The memory stream and the memory storage: reading, writing and seeking over a
// byte buffer, Stat, refused calls, named streams of a storage sharing their
// bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/activation.h"
#include "platform/ole/MemoryStorage.h"

namespace {

using ole::MemoryStorage;
using ole::MemoryStream;

std::vector<BYTE> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

HRESULT SeekTo(IStream* s, LONGLONG move, DWORD origin, ULONGLONG* at = nullptr) {
  ULARGE_INTEGER pos{};
  HRESULT hr = s->Seek(LARGE_INTEGER{move}, origin, &pos);
  if (at) *at = pos.QuadPart;
  return hr;
}

TEST(MemoryStream, WriteSeekReadRoundTrip) {
  auto s = MemoryStream::Create();
  ULONG n = 0;
  ASSERT_EQ(s->Write("hello world", 11, &n), S_OK);
  EXPECT_EQ(n, 11u);
  EXPECT_EQ(s->Bytes(), Bytes("hello world"));
  ASSERT_EQ(SeekTo(s.Get(), 6, STREAM_SEEK_SET), S_OK);
  char buf[16] = {};
  ASSERT_EQ(s->Read(buf, sizeof buf, &n), S_OK);
  EXPECT_EQ(n, 5u) << "a read stops at the end of the data";
  EXPECT_EQ(std::string(buf, n), "world");
  ASSERT_EQ(s->Read(buf, 4, &n), S_OK);
  EXPECT_EQ(n, 0u) << "at the end nothing more is read";
  // Overwriting in the middle keeps the rest.
  ASSERT_EQ(SeekTo(s.Get(), 0, STREAM_SEEK_SET), S_OK);
  ASSERT_EQ(s->Write("J", 1, nullptr), S_OK);
  EXPECT_EQ(s->Bytes(), Bytes("Jello world"));
}

TEST(MemoryStream, SeekRules) {
  struct Case {
    const char* name;
    LONGLONG move;
    DWORD origin;
    HRESULT hr;
    ULONGLONG position;  // after the call
  };
  // The stream holds 10 bytes and stands at position 4 before each row.
  const Case cases[] = {
      {"from the start", 7, STREAM_SEEK_SET, S_OK, 7},
      {"from the current position", 3, STREAM_SEEK_CUR, S_OK, 7},
      {"backwards from the current position", -4, STREAM_SEEK_CUR, S_OK, 0},
      {"from the end", -2, STREAM_SEEK_END, S_OK, 8},
      {"past the end is allowed", 5, STREAM_SEEK_END, S_OK, 15},
      {"before the start is refused", -5, STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 4},
      {"an unknown origin is refused", 0, 3, STG_E_INVALIDFUNCTION, 4},
      {"an overflowing move is refused", 0x7FFFFFFFFFFFFFFFLL, STREAM_SEEK_END, STG_E_INVALIDFUNCTION, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = MemoryStream::FromBytes(Bytes("0123456789"));
    ASSERT_EQ(SeekTo(s.Get(), 4, STREAM_SEEK_SET), S_OK);
    EXPECT_EQ(SeekTo(s.Get(), c.move, c.origin), c.hr);
    EXPECT_EQ(s->Position(), c.position);
  }
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
  auto s = MemoryStream::FromBytes(Bytes("ab"));
  ASSERT_EQ(SeekTo(s.Get(), 4, STREAM_SEEK_SET), S_OK);
  ASSERT_EQ(s->Write("z", 1, nullptr), S_OK);
  EXPECT_EQ(s->Bytes(), (std::vector<BYTE>{'a', 'b', 0, 0, 'z'}));
  ASSERT_EQ(s->SetSize(ULARGE_INTEGER{1}), S_OK);
  EXPECT_EQ(s->Bytes(), Bytes("a"));
  EXPECT_EQ(s->SetSize(ULARGE_INTEGER{0x1'0000'0000ULL}), STG_E_MEDIUMFULL);
  EXPECT_EQ(s->Bytes(), Bytes("a")) << "a refused size leaves the data";
}

TEST(MemoryStream, NullBuffersAndReadOnlyStreamsAreRefused) {
  auto s = MemoryStream::FromBytes(Bytes("abc"));
  ULONG n = 99;
  EXPECT_EQ(s->Read(nullptr, 1, &n), STG_E_INVALIDPOINTER);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(s->Write(nullptr, 1, &n), STG_E_INVALIDPOINTER);
  auto ro = MemoryStream::Create(s->SharedBuffer(), u"", false);
  EXPECT_EQ(ro->Write("x", 1, &n), STG_E_ACCESSDENIED);
  EXPECT_EQ(ro->SetSize(ULARGE_INTEGER{0}), STG_E_ACCESSDENIED);
  EXPECT_EQ(s->Bytes(), Bytes("abc"));
}

TEST(MemoryStream, StatGivesSizeTypeAndName) {
  auto s = MemoryStream::Create(nullptr, u"Contents");
  ASSERT_EQ(s->Write("12345", 5, nullptr), S_OK);
  STATSTG st{};
  ASSERT_EQ(s->Stat(&st, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(st.type, STGTY_STREAM);
  EXPECT_EQ(st.cbSize.QuadPart, 5u);
  ASSERT_NE(st.pwcsName, nullptr);
  EXPECT_EQ(std::u16string(st.pwcsName), u"Contents");
  CoTaskMemFree(st.pwcsName);
  ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.pwcsName, nullptr);
  EXPECT_EQ(s->Stat(nullptr, STATFLAG_DEFAULT), STG_E_INVALIDPOINTER);
}

TEST(MemoryStream, UnusedMembersAnswerNotImplemented) {
  auto s = MemoryStream::Create();
  IStream* clone = reinterpret_cast<IStream*>(1);
  EXPECT_EQ(s->Clone(&clone), E_NOTIMPL);
  EXPECT_EQ(clone, nullptr);
  EXPECT_EQ(s->CopyTo(nullptr, ULARGE_INTEGER{1}, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(s->LockRegion(ULARGE_INTEGER{0}, ULARGE_INTEGER{1}, 0), E_NOTIMPL);
  EXPECT_EQ(s->UnlockRegion(ULARGE_INTEGER{0}, ULARGE_INTEGER{1}, 0), E_NOTIMPL);
  EXPECT_EQ(s->Revert(), E_NOTIMPL);
  EXPECT_EQ(s->Commit(0), S_OK);
}

TEST(MemoryStream, AnswersItsInterfacesOnly) {
  auto s = MemoryStream::Create();
  ComPtr<IStream> stream = QueryAs<IStream>(s.Get());
  ComPtr<ISequentialStream> sequential = QueryAs<ISequentialStream>(s.Get());
  ASSERT_TRUE(stream);
  ASSERT_TRUE(sequential);
  EXPECT_EQ(static_cast<void*>(stream.Get()), static_cast<void*>(sequential.Get()));
  EXPECT_FALSE(QueryAs<IStorage>(s.Get()));
}

TEST(MemoryStorage, CreateOpenAndShareStreamBytes) {
  auto stg = MemoryStorage::Create();
  ComPtr<IStream> created;
  ASSERT_EQ(stg->CreateStream(u"Data", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, created.Out()),
            S_OK);
  ASSERT_EQ(created->Write("xyz", 3, nullptr), S_OK);
  EXPECT_EQ(stg->StreamBytes(u"Data"), Bytes("xyz"));

  ComPtr<IStream> opened;
  ASSERT_EQ(stg->OpenStream(u"data", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, opened.Out()), S_OK)
      << "names compare without case";
  char buf[4] = {};
  ULONG n = 0;
  ASSERT_EQ(opened->Read(buf, 3, &n), S_OK);
  EXPECT_EQ(std::string(buf, n), "xyz") << "an opened stream starts at the beginning";
  EXPECT_EQ(opened->Write("q", 1, &n), STG_E_ACCESSDENIED) << "opened for reading";
  STATSTG st{};
  ASSERT_EQ(opened->Stat(&st, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(std::u16string(st.pwcsName), u"Data") << "the name as first created";
  CoTaskMemFree(st.pwcsName);
  EXPECT_EQ(stg->StreamNames(), std::vector<std::u16string>{u"Data"});
}

TEST(MemoryStorage, CreateAndOpenRules) {
  struct Case {
    const char* name;
    const char16_t* stream;
    bool create;  // CreateStream, else OpenStream
    DWORD mode;
    HRESULT hr;
  };
  // The storage holds the stream "Old" before each row.
  const Case cases[] = {
      {"create a new name", u"New", true, STGM_READWRITE, S_OK},
      {"create over an existing name without STGM_CREATE", u"Old", true, STGM_READWRITE, STG_E_FILEALREADYEXISTS},
      {"create over an existing name with STGM_CREATE", u"OLD", true, STGM_CREATE | STGM_READWRITE, S_OK},
      {"open an existing name", u"Old", false, STGM_READ, S_OK},
      {"open a missing name", u"Missing", false, STGM_READ, STG_E_FILENOTFOUND},
      {"an empty name", u"", true, STGM_READWRITE, STG_E_INVALIDPARAMETER},
      {"a name of 32 characters", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", true, STGM_READWRITE, STG_E_INVALIDPARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto stg = MemoryStorage::Create();
    stg->PutStream(u"Old", Bytes("old"));
    ComPtr<IStream> s;
    HRESULT hr = c.create ? stg->CreateStream(c.stream, c.mode, 0, 0, s.Out())
                          : stg->OpenStream(c.stream, nullptr, c.mode, 0, s.Out());
    EXPECT_EQ(hr, c.hr);
    EXPECT_EQ(static_cast<bool>(s), SUCCEEDED(c.hr));
  }
  auto stg = MemoryStorage::Create();
  stg->PutStream(u"Old", Bytes("old"));
  ComPtr<IStream> s;
  ASSERT_EQ(stg->CreateStream(u"old", STGM_CREATE | STGM_READWRITE, 0, 0, s.Out()), S_OK);
  EXPECT_EQ(stg->StreamBytes(u"Old"), std::vector<BYTE>{}) << "re-creating empties the stream";
  EXPECT_EQ(stg->CreateStream(u"x", STGM_READWRITE, 0, 0, nullptr), STG_E_INVALIDPOINTER);
}

TEST(MemoryStorage, ClassAndUnusedMembers) {
  auto stg = MemoryStorage::Create();
  constexpr CLSID kClass = MakeGuid("{11111111-2222-3333-4444-555555555555}");
  ASSERT_EQ(stg->SetClass(kClass), S_OK);
  STATSTG st{};
  ASSERT_EQ(stg->Stat(&st, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(st.type, STGTY_STORAGE);
  EXPECT_EQ(st.clsid, kClass);
  IStorage* sub = reinterpret_cast<IStorage*>(1);
  EXPECT_EQ(stg->CreateStorage(u"Sub", STGM_READWRITE, 0, 0, &sub), E_NOTIMPL);
  EXPECT_EQ(sub, nullptr);
  EXPECT_EQ(stg->DestroyElement(u"Sub"), E_NOTIMPL);
  EXPECT_EQ(stg->RenameElement(u"a", u"b"), E_NOTIMPL);
  EXPECT_EQ(stg->Revert(), E_NOTIMPL);
  EXPECT_EQ(stg->Commit(0), S_OK);
}

}  // namespace
