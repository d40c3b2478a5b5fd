// The protocol editor: a library's file shown in three lists and as text, the
// text written to the file, with the line ends the file had, when the person
// leaves the changed text tab or presses OK on it, and OK copying the lists
// into the caller's library. Each failure of the file (no name, no load,
// read-only, gone, a text that does not load) is shown and leaves the file and
// the caller's library whole.
#include <sys/stat.h>

#include <algorithm>

#include "platform/com/ansi.h"
#include "tests/zelvani/editors/EditorTestSupport.h"
#include "zelvani/model/QAVZLVProtocol.h"

namespace zelvani::editors::test {
namespace {

using ui::Edit;

const std::string kLibrary =
    "FlowOpen;OPEN;\n"
    "{\n"
    "1;PC->;<ENQ>;0;;0;0;0;;0;\n"
    "2;PC<-;<ACK>;0;;0;3;0;;4;\n"
    "}\n"
    "FrameData;Write frame;W;\n"
    "{\n"
    "1;Const;String;1;<STX>;0;\n"
    "2;PacketID;String;1;;16;\n"
    "3;Data;String;0;;16;\n"
    "}\n"
    "P;Plu;W;FrameData;\n"
    "{\n"
    "1;Name;String;6;;;0;\n"
    "}\n";

// The same library with its flow renamed, as a person would type it.
std::string Renamed(const std::string& flow) {
  std::string text = kLibrary;
  text.replace(0, 8, flow);
  return text;
}

// The text without the line end after its last line.
std::string Unended(const std::string& text) { return text.substr(0, text.size() - 1); }

// The text with every line ended by CR LF.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

class ProtocolEditorTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    path_ = WriteFile("Lib.PKD", kLibrary);
    library_ = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
    lib_ = dynamic_cast<TQAVZLVPacketLibrary*>(library_.Get());
    ASSERT_TRUE(lib_->Load(path_));
  }

  static ui::PageControl& Pages(ui::Form& f) { return f.FindAs<ui::PageControl>("PageControl"); }
  static ui::RichEdit& Text(ui::Form& f) { return f.FindAs<ui::RichEdit>("RTF"); }
  static std::string FirstFlowCaption(ui::Form& f) { return f.FindAs<ui::TreeView>("FlowsTV").Item(0).Text(); }
  std::string CallerFlowID() const {
    return dynamic_cast<TQAVZLVFlow*>(lib_->FlowList()->At(0).Get())->ID();
  }
  std::vector<std::string> Messages() const { return MessageTexts(*rec_); }

  std::string path_;
  ComPtr<IQAVZLVPacketLibrary> library_;
  TQAVZLVPacketLibrary* lib_ = nullptr;
};

TEST_F(ProtocolEditorTest, ShowsTheFileAndOkReplacesTheCallersLists) {
  // A change in memory that the file does not hold.
  dynamic_cast<TQAVZLVFlow*>(lib_->FlowList()->At(0).Get())->SetID("InMemory");
  ComPtr<IQAVZLVFrame> oldFrame = lib_->FrameList()->At(0);
  Play([&](ui::Form& f) {
    EXPECT_EQ(f.Caption(), "Protocol Editor");
    EXPECT_EQ(Pages(f).ActivePage()->Caption(), "Flows");
    std::string lowered = path_;
    for (char& c : lowered) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    EXPECT_EQ(Pages(f).Page(3).Caption(), lowered);
    EXPECT_EQ(Pages(f).Page(1).Caption(), "Frames");
    EXPECT_EQ(Pages(f).Page(2).Caption(), "Packets");
    EXPECT_EQ(FirstFlowCaption(f), "FlowOpen");
    EXPECT_EQ(Text(f).Text() + "\r\n", WithCrLf(kLibrary));
    EXPECT_EQ(Text(f).FontName(), "Courier New");
    ASSERT_TRUE(ui::SelectPage(Pages(f), 2));
    EXPECT_EQ(f.FindAs<ui::TreeView>("PacketDefsTV").Item(0).Text(), "ID = P: Plu");
    ui::TypeInto(In<Edit>(f, "PacketDefEditFrame", "NameED"), "Towar");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, true));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(CallerFlowID(), "FlowOpen");
  EXPECT_EQ(dynamic_cast<TQAVZLVPacketDef*>(lib_->PacketDefList()->At(0).Get())->Name(), "Towar");
  EXPECT_NE(lib_->FrameList()->At(0).Get(), oldFrame.Get());
  // The frames look definitions up in the caller's library, not the editor's.
  ComPtr<IQAVZLVPacketLibrary> owner;
  ASSERT_EQ(lib_->PacketStructs()->get_PacketLibraray(owner.Out()), S_OK);
  EXPECT_EQ(owner.Get(), library_.Get());
  ComPtr<IQAVZLVFrame> found = lib_->FrameList()->FindPacketID("P", qzlvptWrite);
  EXPECT_EQ(found.Get(), lib_->FrameList()->At(0).Get());
  EXPECT_EQ(ReadFile(AnsiToUtf8(path_)), kLibrary) << "no file is written without the text tab";
}

// Only the letters A to Z are lowered in the text tab's caption: a Polish
// capital (Windows-1250) keeps its case.
TEST_F(ProtocolEditorTest, TextTabCaptionLowersOnlyLatinCapitals) {
  const std::string name = dir_.string() + "/Lib\xA3\xAF.PKD";
  std::ofstream(AnsiToUtf8(name), std::ios::binary) << kLibrary;
  ASSERT_TRUE(lib_->Load(name));
  std::string expected = dir_.string();
  for (char& c : expected) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  expected += "/lib\xA3\xAF.pkd";
  Play([&](ui::Form& f) {
    EXPECT_EQ(Pages(f).Page(3).Caption(), expected);
    EXPECT_EQ(FirstFlowCaption(f), "FlowOpen");
    ui::PressEscape(f);
  });
  EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, false));
}

// What leaving the text tab does, by what the person did there and how the
// editor was closed.
TEST_F(ProtocolEditorTest, TextTabWritesTheFileWhenLeftOrOkAfterAChange) {
  struct Row {
    const char* name;
    bool type;   // type a renamed flow into the text
    bool leave;  // go back to the Flows tab
    bool ok;
    std::string file;    // the file afterwards
    std::string caller;  // the caller's first flow afterwards
  };
  const Row rows[] = {
      {"typed and OK on the text tab: file written, caller takes it", true, false, true, Renamed("FlowNew"),
       "FlowNew"},
      {"typed, left and Cancel: file written, caller as it was", true, true, false, Renamed("FlowNew"), "FlowOld"},
      {"visited, typed and Cancel on the text tab: nothing written", true, false, false, kLibrary, "FlowOld"},
      {"typed, left and OK: file written, caller takes it", true, true, true, Renamed("FlowNew"), "FlowNew"},
      {"visited without typing: nothing written", false, true, true, kLibrary, "FlowOpen"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile("Lib.PKD", kLibrary);
    ASSERT_TRUE(lib_->Load(path_));
    dynamic_cast<TQAVZLVFlow*>(lib_->FlowList()->At(0).Get())->SetID("FlowOld");
    Play([&](ui::Form& f) {
      ASSERT_TRUE(ui::SelectPage(Pages(f), 3));
      EXPECT_EQ(f.ActiveControl(), &Text(f));
      if (row.type) ui::TypeInto(Text(f), Renamed("FlowNew"));
      if (row.leave) {
        ASSERT_TRUE(ui::SelectPage(Pages(f), 0));
        EXPECT_EQ(FirstFlowCaption(f), row.type ? "FlowNew" : "FlowOpen");
      }
      ui::Click(f.FindAs<ui::Button>(row.ok ? "OKBT" : "CancelBT"));
    });
    EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, row.ok));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(ReadFile(AnsiToUtf8(path_)), row.file);
    EXPECT_EQ(CallerFlowID(), row.caller);
    rec_->Clear();
  }
}

// A text that does not load is written, shown as a failure, and keeps the
// person on the text tab with the lists as they were; mended text then loads.
TEST_F(ProtocolEditorTest, TextThatDoesNotLoadKeepsTheListsAndThePendingChange) {
  Play([&](ui::Form& f) {
    ASSERT_TRUE(ui::SelectPage(Pages(f), 3));
    ui::TypeInto(Text(f), "FlowX;OPEN;\n{\n1;PC=>;x;0;;0;0;0;;0;\n}\n");
    EXPECT_FALSE(ui::SelectPage(Pages(f), 0));
    EXPECT_EQ(Pages(f).ActivePageIndex(), 3);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("cannot be loaded"), std::string::npos) << Messages()[0];
    EXPECT_EQ(FirstFlowCaption(f), "FlowOpen");
    // Still pending: leaving again tries again.
    EXPECT_FALSE(ui::SelectPage(Pages(f), 1));
    EXPECT_EQ(Messages().size(), 2u);
    ui::TypeInto(Text(f), Renamed("FlowFix"));
    EXPECT_TRUE(ui::SelectPage(Pages(f), 0));
    EXPECT_EQ(FirstFlowCaption(f), "FlowFix");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, true));
  EXPECT_EQ(Messages().size(), 2u);
  EXPECT_EQ(CallerFlowID(), "FlowFix");
  EXPECT_EQ(ReadFile(AnsiToUtf8(path_)), Renamed("FlowFix"));
}

// OK on the text tab with a text that does not load shows why and keeps the
// editor open; Cancel then leaves the caller's library as it was.
TEST_F(ProtocolEditorTest, OkWithATextThatDoesNotLoadKeepsTheEditorOpen) {
  const std::string bad = "FlowX;OPEN;\n{\n1;PC=>;x;0;;0;0;0;;0;\n}\n";
  Play([&](ui::Form& f) {
    ASSERT_TRUE(ui::SelectPage(Pages(f), 3));
    ui::TypeInto(Text(f), bad);
    ui::Click(f.FindAs<ui::Button>("OKBT"));
    EXPECT_FALSE(f.ModalDone());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("cannot be loaded"), std::string::npos) << Messages()[0];
    EXPECT_EQ(Pages(f).ActivePageIndex(), 3);
    EXPECT_EQ(FirstFlowCaption(f), "FlowOpen");
    ui::Click(f.FindAs<ui::Button>("CancelBT"));
  });
  EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, false));
  EXPECT_EQ(ReadFile(AnsiToUtf8(path_)), bad);
  EXPECT_EQ(CallerFlowID(), "FlowOpen");
}

// A one-line change in the text tab changes that line only: every other byte
// of the file, its line ends and the end of its last line included, stays as
// it was. A file without a line end (emptied while the editor was open) takes
// CR LF.
TEST_F(ProtocolEditorTest, TheFileKeepsItsLineEnds) {
  struct Row {
    const char* name;
    std::string file;   // on disk when the editor opens
    bool emptied;       // the file is emptied once the editor is open
    std::string after;  // the file after the first flow was renamed in the text
  };
  const Row rows[] = {
      {"LF", kLibrary, false, Renamed("FlowNew")},
      {"CR LF", WithCrLf(kLibrary), false, WithCrLf(Renamed("FlowNew"))},
      {"LF without one after the last line", Unended(kLibrary), false, Unended(Renamed("FlowNew"))},
      {"an empty file", kLibrary, true, WithCrLf(Renamed("FlowNew"))},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile("Lib.PKD", row.file);
    ASSERT_TRUE(lib_->Load(path_));
    Play([&](ui::Form& f) {
      if (row.emptied) WriteFile("Lib.PKD", "");
      ASSERT_TRUE(ui::SelectPage(Pages(f), 3));
      std::string text = Text(f).Text();
      text.replace(text.find("FlowOpen"), 8, "FlowNew");
      ui::TypeInto(Text(f), text);
      ASSERT_TRUE(ui::SelectPage(Pages(f), 0));
      ui::Click(f.FindAs<ui::Button>("CancelBT"));
    });
    EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, false));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(ReadFile(AnsiToUtf8(path_)), row.after);
    rec_->Clear();
  }
}

TEST_F(ProtocolEditorTest, FileProblemsWhileOpenAreShownAndLeaveTheFileWhole) {
  struct Row {
    const char* name;
    std::function<void(const std::string&)> harm;  // done to the file once the editor is open
    bool written;
    const char* message;  // part of the message, or "" for none
    std::string file;     // the file written
  };
  const Row rows[] = {
      {"read-only file", [](const std::string& p) { ::chmod(p.c_str(), 0444); }, false, "read-only", ""},
      {"file gone: written anew, with CR LF", [](const std::string& p) { ::unlink(p.c_str()); }, true, "",
       WithCrLf(Renamed("FlowNew"))},
      {"permissions kept", [](const std::string& p) { ::chmod(p.c_str(), 0640); }, true, "", Renamed("FlowNew")},
      {"folder not writable",
       [this](const std::string&) { ::chmod(dir_.c_str(), 0555); }, false, "Cannot write file", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // Root writes into a folder without write permission: that row only
    // counts for other users.
    if (std::string(row.name) == "folder not writable" && ::geteuid() == 0) continue;
    const std::string disk = AnsiToUtf8(path_);
    ::chmod(dir_.c_str(), 0755);
    ::chmod(disk.c_str(), 0644);
    WriteFile("Lib.PKD", kLibrary);
    ASSERT_TRUE(lib_->Load(path_));
    struct stat before {};
    Play([&](ui::Form& f) {
      row.harm(disk);
      ::stat(disk.c_str(), &before);
      ASSERT_TRUE(ui::SelectPage(Pages(f), 3));
      ui::TypeInto(Text(f), Renamed("FlowNew"));
      EXPECT_EQ(ui::SelectPage(Pages(f), 0), row.written);
      EXPECT_EQ(FirstFlowCaption(f), row.written ? "FlowNew" : "FlowOpen");
      ui::Click(f.FindAs<ui::Button>("CancelBT"));
    });
    EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, false));
    if (*row.message) {
      ASSERT_EQ(Messages().size(), 1u);
      EXPECT_NE(Messages()[0].find(row.message), std::string::npos) << Messages()[0];
      EXPECT_EQ(ReadFile(disk), kLibrary);
    } else {
      EXPECT_TRUE(Messages().empty());
      EXPECT_EQ(ReadFile(disk), row.file);
      struct stat after {};
      ASSERT_EQ(::stat(disk.c_str(), &after), 0);
      if (before.st_mode) {
        EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
      }
    }
    EXPECT_EQ(CallerFlowID(), "FlowOpen");
    // No temporary file is left beside the library.
    ::chmod(dir_.c_str(), 0755);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_)) ++files;
    EXPECT_EQ(files, 1);
    rec_->Clear();
  }
}

// A library file reached through a link: the file it names gets the text and
// the link stays.
TEST_F(ProtocolEditorTest, LinkedFileIsWrittenThroughTheLink) {
  const std::string target = WriteFile("real.pkd", kLibrary);
  const std::string link = (dir_ / "link.pkd").string();
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  ASSERT_TRUE(lib_->Load(link));
  Play([&](ui::Form& f) {
    ASSERT_TRUE(ui::SelectPage(Pages(f), 3));
    ui::TypeInto(Text(f), Renamed("FlowNew"));
    ASSERT_TRUE(ui::SelectPage(Pages(f), 0));
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, true));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFile(target), Renamed("FlowNew"));
  EXPECT_EQ(CallerFlowID(), "FlowNew");
}

// An invalid number left in a list's item frame does not stop the lists from
// being reloaded from the text: the values of the item shown before are
// forgotten with the old lists.
TEST_F(ProtocolEditorTest, ReloadForgetsABadNumberLeftInTheLists) {
  Play([&](ui::Form& f) {
    ui::Select(f.FindAs<ui::TreeView>("FlowItemsTV").Item(1));
    ui::TypeInto(In<Edit>(f, "FlowItemEditFrame", "RetryCountED"), "three");
    ASSERT_TRUE(ui::SelectPage(Pages(f), 3));
    ui::TypeInto(Text(f), Renamed("FlowNew"));
    ASSERT_TRUE(ui::SelectPage(Pages(f), 0));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(FirstFlowCaption(f), "FlowNew");
    ui::Select(f.FindAs<ui::TreeView>("FlowItemsTV").Item(1));
    EXPECT_EQ(In<Edit>(f, "FlowItemEditFrame", "RetryCountED").Text(), "3");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, true));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(CallerFlowID(), "FlowNew");
}

TEST_F(ProtocolEditorTest, BadNumberAtOkKeepsTheEditorOpen) {
  Play([&](ui::Form& f) {
    ASSERT_TRUE(ui::SelectPage(Pages(f), 1));
    ui::TypeInto(In<Edit>(f, "PacketStructItemEditFrame", "SizeED"), "");
    ui::TypeInto(In<Edit>(f, "PacketStructEditFrame", "NameED"), "changed");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
    EXPECT_FALSE(f.ModalDone());
    ui::Click(f.FindAs<ui::Button>("CancelBT"));
  });
  EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, false));
  EXPECT_EQ(Messages(), std::vector<std::string>{"'' is not a valid integer value"});
  EXPECT_EQ(dynamic_cast<TQAVZLVFrame*>(lib_->FrameList()->At(0).Get())->Name(), "Write frame");
}

// A library whose file cannot be shown fails the Edit call with the reason and
// shows no window.
TEST_F(ProtocolEditorTest, LibraryWithoutAFileFailsWithoutAWindow) {
  struct Row {
    const char* name;
    std::function<void()> setup;
    const char* message;
  };
  const Row rows[] = {
      {"never loaded", [this] { lib_->SetFileName(""); }, "The packet library has no file name"},
      {"file gone", [this] { ::unlink(AnsiToUtf8(path_).c_str()); }, "cannot be loaded"},
      {"file does not load", [this] { WriteFile("Lib.PKD", "garbage\n"); }, "cannot be loaded"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile("Lib.PKD", kLibrary);
    ASSERT_TRUE(lib_->Load(path_));
    row.setup();
    VARIANT_BOOL result = VARIANT_TRUE;
    EXPECT_TRUE(FAILED(library_->Edit(&result)));
    EXPECT_NE(WideToAnsi(TakeErrorDescription()).find(row.message), std::string::npos);
    EXPECT_TRUE(rec_->Forms().empty());
  }
}

// Tab walks the controls of the page shown, from a list's tree into its item
// editor and on, and never stops on the tool bars' buttons, which a person
// reaches by mouse and by their shortcuts; Shift+Tab walks back.
TEST_F(ProtocolEditorTest, TabGoesFromEachTreeToItsItemEditorPastTheToolButtons) {
  const std::vector<std::string> flowsPage = {
      "TPacketLibraryEditForm.PageControl",
      "FlowsEditFrame.FlowsTV",
      "FlowEditFrame.IndexED",
      "FlowEditFrame.IDED",
      "FlowEditFrame.FlowTypeCO",
      "FlowItemsEditFrame.FlowItemsTV",
      "FlowItemEditFrame.IndexED",
      "FlowItemEditFrame.IDED",
      "FlowItemEditFrame.DirectionCO",
      "FlowItemEditFrame.DataValueRB",
      "FlowItemEditFrame.DataED",
      "FlowItemEditFrame.PacketTypeRB",
      "FlowItemEditFrame.RetryCountED",
      "FlowItemEditFrame.IntervalED",
      "FlowItemEditFrame.NextFlowItemIDED",
      "FlowItemEditFrame.FlagsLB",
      "FlowsEditFrame.ConnectionRepetitionsLimitED",
      "FlowsEditFrame.DataSendRepetitionsLimitED",
      "FlowsEditFrame.WCKLimitED",
      "FlowsEditFrame.NAKLimitED",
      "Panel.OKBT",
      "Panel.CancelBT",
  };
  // The stops met from the start until the walk comes round again.
  auto walk = [](ui::Form& f, bool back) {
    std::vector<std::string> stops;
    do {
      ui::PressTab(f, back);
      const ui::Control* c = f.ActiveControl();
      if (!c) break;
      stops.push_back(c->Parent()->Name() + "." + c->Name());
    } while (stops.size() < 2 || stops.back() != stops.front());
    stops.pop_back();
    return stops;
  };
  Play([&](ui::Form& f) {
    EXPECT_EQ(walk(f, false), flowsPage);
    EXPECT_EQ(walk(f, true), std::vector<std::string>(flowsPage.rbegin(), flowsPage.rend()));
    // On the packets page the nested field tree leads into the field editor.
    ASSERT_TRUE(ui::SelectPage(Pages(f), 2));
    const std::vector<std::string> stops = walk(f, false);
    auto tree = std::find(stops.begin(), stops.end(), "FieldDefsEditFrame.FieldDefsTV");
    ASSERT_NE(tree, stops.end());
    EXPECT_EQ(*std::next(tree), "FieldDefEditFrame.IndexED");
    for (const std::string& stop : stops) EXPECT_EQ(stop.find("ToolButton"), std::string::npos) << stop;
    ui::PressEscape(f);
  });
  EXPECT_EQ(RunEdit(library_.Get()), std::make_pair(S_OK, false));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ProtocolEditorTest, ProtocolEditOpensItsLibrarysEditor) {
  auto protocol = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ComPtr<IQAVZLVPacketLibrary> library;
  ASSERT_EQ(protocol->get_PacketLibrary(library.Out()), S_OK);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  ASSERT_EQ(library->LoadFromFile(B(path_).Get(), &loaded), S_OK);
  Play([&](ui::Form& f) {
    EXPECT_EQ(f.Caption(), "Protocol Editor");
    ui::PressEscape(f);
  });
  VARIANT_BOOL result = VARIANT_TRUE;
  EXPECT_EQ(protocol->Edit(&result), S_OK);
  EXPECT_EQ(result, VARIANT_FALSE);
}

}  // namespace
}  // namespace zelvani::editors::test
