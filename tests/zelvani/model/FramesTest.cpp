// Frames: the lookups by packet type and by received packet identifier, the
// library back reference and its lifetime, and the deep copy.
#include <gtest/gtest.h>

#include <vector>

#include "zelvani/model/QAVZLVFrames.h"
#include "zelvani/model/QAVZLVPacketDef.h"
#include "zelvani/model/ZelvaniTypeLib.h"

namespace zelvani {
namespace {

com::ComModule& TestModule() {
  static com::ComModule module(&ZelvaniTypeLib);
  return module;
}

// A packet library that serves its packet definitions and, when it owns frames,
// its frames, the way the real library does; nothing else.
class TestLibrary final : public com::ComObject<IQAVZLVPacketLibrary> {
 public:
  explicit TestLibrary(bool* destroyed = nullptr, bool ownsFrames = false)
      : ComObject(TestModule()), destroyed_(destroyed), defs_(Create<IQAVZLVPacketDefs>(CLSID_QAVZLVPacketDefs)) {
    if (ownsFrames) {
      frames_ = Create<IQAVZLVFrames>(CLSID_QAVZLVFrames);
      dynamic_cast<TQAVZLVFrames&>(*frames_).SetOwnerLibrary(this);
    }
  }
  ~TestLibrary() override {
    if (frames_) dynamic_cast<TQAVZLVFrames&>(*frames_).ClearOwnerLibrary();
    if (destroyed_) *destroyed_ = true;
  }

  IQAVZLVPacketDefs* Defs() const { return defs_.Get(); }
  IQAVZLVFrames* Frames() const { return frames_.Get(); }

  HRESULT get_PacketDefs(IQAVZLVPacketDefs** r) override {
    return Get(r, [&] { return defs_; });
  }
  HRESULT get_PacketStructs(IQAVZLVFrames** r) override {
    return Get(r, [&] { return frames_; });
  }
  HRESULT get_ID(BSTR*) override { return E_NOTIMPL; }
  HRESULT put_ID(BSTR) override { return E_NOTIMPL; }
  HRESULT get_Name(BSTR*) override { return E_NOTIMPL; }
  HRESULT put_Name(BSTR) override { return E_NOTIMPL; }
  HRESULT get_Version(BSTR*) override { return E_NOTIMPL; }
  HRESULT put_Version(BSTR) override { return E_NOTIMPL; }
  HRESULT get_Flows(IQAVZLVFlows**) override { return E_NOTIMPL; }
  HRESULT get_CreateReport(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT put_CreateReport(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT get_FileName(BSTR*) override { return E_NOTIMPL; }
  HRESULT put_FileName(BSTR) override { return E_NOTIMPL; }
  HRESULT SaveToFile(BSTR, VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT LoadFromFile(BSTR, VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT CreatePacket(BSTR, VARIANT, LONG, IQAVZLVPacket**) override { return E_NOTIMPL; }
  HRESULT Edit(VARIANT_BOOL*) override { return E_NOTIMPL; }

 private:
  bool* destroyed_;
  ComPtr<IQAVZLVPacketDefs> defs_;
  ComPtr<IQAVZLVFrames> frames_;
};

struct FrameRow {
  const char16_t* id;
  LONG type;
};

struct DefRow {
  const char16_t* id;
  LONG type;
  const char16_t* frameId;
};

void AddFrames(IQAVZLVFrames* frames, const std::vector<FrameRow>& rows) {
  for (const auto& s : rows) {
    auto frame = Create<IQAVZLVFrame>(CLSID_QAVZLVFrame);
    ASSERT_EQ(frame->put_ID(Bstr(s.id).Get()), S_OK);
    ASSERT_EQ(frame->put_PacketType(s.type), S_OK);
    LONG pos;
    ASSERT_EQ(frames->Add(frame.Get(), &pos), S_OK);
  }
}

void AddDefs(IQAVZLVPacketDefs* defs, const std::vector<DefRow>& rows) {
  for (const auto& s : rows) {
    auto def = Create<IQAVZLVPacketDef>(CLSID_QAVZLVPacketDef);
    def->put_ID(Bstr(s.id).Get());
    def->put_PacketType(s.type);
    def->put_PacketStructID(Bstr(s.frameId).Get());
    LONG pos;
    ASSERT_EQ(defs->Add(def.Get(), &pos), S_OK);
  }
}

ComPtr<IQAVZLVFrames> NewFrames(const std::vector<FrameRow>& rows) {
  auto frames = Create<IQAVZLVFrames>(CLSID_QAVZLVFrames);
  AddFrames(frames.Get(), rows);
  return frames;
}

LONG IndexOf(IQAVZLVFrame* frame) {
  if (!frame) return -1;
  LONG index = -2;
  frame->get_Index(&index);
  return index;
}

LONG CountOf(IDispatchCollection* c) {
  LONG n = -1;
  c->get_Count(&n);
  return n;
}

IQAVZLVPacketLibrary* LibraryOf(IQAVZLVFrames* frames) {
  ComPtr<IQAVZLVPacketLibrary> lib;
  EXPECT_EQ(frames->get_PacketLibraray(lib.Out()), S_OK);
  return lib.Get();  // only compared, never used after the reference is gone
}

LONG FindByPacketID(IQAVZLVFrames* frames, const char16_t* id, LONG type) {
  ComPtr<IQAVZLVFrame> found;
  EXPECT_EQ(frames->FindByPacketID(Bstr(id).Get(), type, found.Out()), S_OK);
  return IndexOf(found.Get());
}

TEST(FramesTest, AddSetsIndexAndBadIndexesFail) {
  auto frames = NewFrames({{u"F0", 1}, {u"F1", 2}});
  for (LONG i = 0; i < 2; ++i) {
    ComPtr<IQAVZLVFrame> frame;
    ASSERT_EQ(frames->get_Items(i, frame.Out()), S_OK);
    EXPECT_EQ(IndexOf(frame.Get()), i);
  }
  for (LONG bad : {-1, 2}) {
    ComPtr<IQAVZLVFrame> frame;
    EXPECT_EQ(frames->get_Items(bad, frame.Out()), DISP_E_BADINDEX);
    EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "List index out of bounds (" + std::to_string(bad) + ")");
  }
  VARIANT_BOOL saved = VARIANT_TRUE;
  ASSERT_EQ(frames->SaveToFile(Bstr(u"x.pkd").Get(), &saved), S_OK);
  EXPECT_EQ(saved, VARIANT_FALSE);
}

TEST(FramesTest, FindByPacketTypeIsPlainEquality) {
  auto frames = NewFrames({{u"S", 1}, {u"D", 6}, {u"N", 0}, {u"W", 2}});
  const struct {
    LONG type;
    LONG expected;
  } cases[] = {{0, 2}, {1, 0}, {2, 3}, {4, -1}, {6, 1}, {7, -1}};
  for (const auto& c : cases) {
    ComPtr<IQAVZLVFrame> found;
    ASSERT_EQ(frames->FindByPacketType(c.type, found.Out()), S_OK);
    EXPECT_EQ(IndexOf(found.Get()), c.expected) << "type " << c.type;
  }
}

TEST(FramesTest, FindByPacketIDThroughTheLibrarysDefinitions) {
  struct Case {
    const char* what;
    std::vector<DefRow> defs;
    const char16_t* id;
    LONG type;
    LONG expected;  // position of the frame found, -1 for none
  };
  const Case cases[] = {
      {"identifier and type equal", {{u"X", 2, u"FW"}}, u"X", 2, 1},
      {"type must be equal, not share a bit", {{u"X", 2, u"FW"}}, u"X", 6, -1},
      {"identifier must be equal, not a prefix", {{u"XY", 2, u"FW"}}, u"X", 2, -1},
      {"first definition names a missing frame", {{u"X", 2, u"gone"}, {u"X", 2, u"FR"}}, u"X", 2, 2},
      {"first qualifying definition wins", {{u"X", 2, u"FR"}, {u"X", 2, u"FW"}}, u"X", 2, 2},
      {"negative type matches nothing", {{u"X", -1, u"FW"}}, u"X", -1, -1},
      {"no definitions", {}, u"X", 2, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto lib = com::MakeObject<TestLibrary>();
    AddDefs(lib->Defs(), c.defs);
    auto frames = NewFrames({{u"FS", 1}, {u"FW", 2}, {u"FR", 4}});
    ASSERT_EQ(frames->put_PacketLibraray(lib.Get()), S_OK);
    EXPECT_EQ(FindByPacketID(frames.Get(), c.id, c.type), c.expected);
  }

  // Where FindByID matches by prefix and shared bits, FindByPacketID does not.
  auto lib = com::MakeObject<TestLibrary>();
  AddDefs(lib->Defs(), {{u"X", 2, u"FW"}});
  ComPtr<IQAVZLVPacketDef> def;
  ASSERT_EQ(lib->Defs()->FindByID(Bstr(u"X").Get(), 6, def.Out()), S_OK);
  EXPECT_TRUE(def);
}

TEST(FramesTest, FindByPacketIDWithoutALibraryFailsCleanly) {
  auto frames = NewFrames({{u"F", 2}});
  ComPtr<IQAVZLVFrame> found;
  EXPECT_EQ(frames->FindByPacketID(Bstr(u"X").Get(), 2, found.Out()), E_UNEXPECTED);
  EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "The frames have no packet library to look packet definitions up in");
  EXPECT_FALSE(found);
}

TEST(FramesTest, AnOwningLibraryIsNotKeptAliveByItsFrames) {
  bool destroyed = false;
  auto lib = com::MakeObject<TestLibrary>(&destroyed, true);
  ComPtr<IQAVZLVFrames> frames(lib->Frames());
  EXPECT_EQ(LibraryOf(frames.Get()), lib.Get());

  // A put of the owner itself stays a plain back pointer.
  ASSERT_EQ(frames->put_PacketLibraray(lib.Get()), S_OK);
  EXPECT_EQ(LibraryOf(frames.Get()), lib.Get());
  // Clear keeps the library.
  ASSERT_EQ(frames->Clear(), S_OK);
  EXPECT_EQ(LibraryOf(frames.Get()), lib.Get());

  lib = nullptr;
  EXPECT_TRUE(destroyed);
  // The frames outlive their library and then have none.
  EXPECT_EQ(LibraryOf(frames.Get()), nullptr);
  ComPtr<IQAVZLVFrame> found;
  EXPECT_EQ(frames->FindByPacketID(Bstr(u"X").Get(), 2, found.Out()), E_UNEXPECTED);
  TakeErrorDescription();
}

TEST(FramesTest, AClientsLibraryIsHeldUntilReplaced) {
  bool destroyed = false;
  auto frames = Create<IQAVZLVFrames>(CLSID_QAVZLVFrames);
  {
    auto lib = com::MakeObject<TestLibrary>(&destroyed);
    ASSERT_EQ(frames->put_PacketLibraray(lib.Get()), S_OK);
  }
  EXPECT_FALSE(destroyed);
  EXPECT_NE(LibraryOf(frames.Get()), nullptr);
  ASSERT_EQ(frames->put_PacketLibraray(nullptr), S_OK);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(LibraryOf(frames.Get()), nullptr);

  // A library's own frames hold another library a client puts, and get it back.
  bool ownerGone = false, otherGone = false;
  auto owner = com::MakeObject<TestLibrary>(&ownerGone, true);
  {
    auto other = com::MakeObject<TestLibrary>(&otherGone);
    ASSERT_EQ(owner->Frames()->put_PacketLibraray(other.Get()), S_OK);
    EXPECT_EQ(LibraryOf(owner->Frames()), other.Get());
  }
  EXPECT_FALSE(otherGone);
  owner = nullptr;
  EXPECT_TRUE(ownerGone);
  EXPECT_TRUE(otherGone);
}

TEST(FramesTest, CopyFromIsDeep) {
  auto source = NewFrames({{u"FS", 1}, {u"FW", 2}});
  ComPtr<IQAVZLVFrame> second;
  source->get_Items(1, second.Out());
  second->put_Index(9);
  auto copy = NewFrames({{u"old", 4}});
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(copy->CopyFrom(source.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(CountOf(copy.Get()), 2);
  for (LONG i = 0; i < 2; ++i) {
    ComPtr<IQAVZLVFrame> a, b;
    source->get_Items(i, a.Out());
    copy->get_Items(i, b.Out());
    EXPECT_NE(a.Get(), b.Get());
    ComPtr<IQAVZLVFrameItems> ai, bi;
    a->get_PacketStructItems(ai.Out());
    b->get_PacketStructItems(bi.Out());
    EXPECT_NE(ai.Get(), bi.Get());
  }
  ComPtr<IQAVZLVFrame> copied;
  copy->get_Items(1, copied.Out());
  EXPECT_EQ(IndexOf(copied.Get()), 9);
  second->put_ID(Bstr(u"changed").Get());
  Bstr id;
  copied->get_ID(id.Out());
  EXPECT_EQ(id.View(), u"FW");

  ASSERT_EQ(copy->CopyFrom(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(CountOf(copy.Get()), 2);

  ASSERT_EQ(copy->CopyFrom(copy.Get(), &ok), S_OK);
  EXPECT_EQ(CountOf(copy.Get()), 2);
}

TEST(FramesTest, CopyFromTakesTheSourcesLibraryOnlyIntoFreeCollections) {
  auto editorLib = com::MakeObject<TestLibrary>(nullptr, true);
  AddDefs(editorLib->Defs(), {{u"X", 2, u"FW"}});
  AddFrames(editorLib->Frames(), {{u"FS", 1}, {u"FW", 2}});

  // A working copy that no library owns consults the source's library.
  auto working = Create<IQAVZLVFrames>(CLSID_QAVZLVFrames);
  VARIANT_BOOL ok;
  ASSERT_EQ(working->CopyFrom(editorLib->Frames(), &ok), S_OK);
  EXPECT_EQ(LibraryOf(working.Get()), editorLib.Get());
  EXPECT_EQ(FindByPacketID(working.Get(), u"X", 2), 1);

  // A library's own frames keep their library when copied from another's.
  bool mainGone = false;
  auto mainLib = com::MakeObject<TestLibrary>(&mainGone, true);
  AddDefs(mainLib->Defs(), {{u"X", 2, u"FS"}});
  ASSERT_EQ(mainLib->Frames()->CopyFrom(working.Get(), &ok), S_OK);
  EXPECT_EQ(LibraryOf(mainLib->Frames()), mainLib.Get());
  EXPECT_EQ(FindByPacketID(mainLib->Frames(), u"X", 2), 0);
  mainLib = nullptr;
  EXPECT_TRUE(mainGone);
}

}  // namespace
}  // namespace zelvani
