// The single-object editors driven as a person would: what each control shows
// of the object, what OK writes back, and that Cancel and a bad number leave
// the object as it was.
#include <functional>
#include <thread>

#include "tests/zelvani/editors/EditorTestSupport.h"

namespace zelvani::editors::test {
namespace {

using ui::Edit;

struct FlowItem {
  FlowItem() : itf(Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem)), item(dynamic_cast<TQAVZLVFlowItem*>(itf.Get())) {}
  ComPtr<IQAVZLVFlowItem> itf;
  TQAVZLVFlowItem* item;
};

constexpr char kFlowItemFrame[] = "FlowItemEditFrame";

// One row: the item before, what the person does, the item after OK.
struct FlowItemCase {
  const char* name;
  std::function<void(TQAVZLVFlowItem&)> setup;
  std::function<void(ui::Form&)> act;
  std::function<void(TQAVZLVFlowItem&)> check;
};

class FlowItemEditorTest : public EditorTest {};

TEST_F(FlowItemEditorTest, ShowsAndWritesBackEachProperty) {
  auto ed = [](ui::Form& f, const char* name) -> Edit& { return In<Edit>(f, kFlowItemFrame, name); };
  const FlowItemCase cases[] = {
      {"a data item drops its packet types, delimiters and characters after the delimiter",
       [](TQAVZLVFlowItem& i) {
         i.SetData(Variant::Ansi("\x05"));
         i.SetPacketType(6);
         i.SetCharsAfterDelimiter(3);
         i.AddDelimiter(Variant::Ansi("x"));
       },
       [&](ui::Form& f) { EXPECT_EQ(ed(f, "DataED").Text(), "<ENQ>"); },
       [](TQAVZLVFlowItem& i) {
         EXPECT_EQ(i.DataText(), "\x05");
         EXPECT_EQ(i.PacketType(), 0);
         EXPECT_EQ(i.CharsAfterDelimiter(), 0);
         EXPECT_TRUE(i.DelimiterTexts().empty());
       }},
      {"a packet item keeps the four type bits and rebuilds the delimiters line by line",
       [](TQAVZLVFlowItem& i) {
         i.SetData(Variant::Ansi(""));
         i.SetPacketType(0x1F);
         i.AddDelimiter(Variant::Ansi("\x03"));
         i.SetCharsAfterDelimiter(2);
       },
       [&](ui::Form& f) {
         auto& memo = In<ui::Memo>(f, kFlowItemFrame, "PacketDelimitersME");
         EXPECT_EQ(memo.Lines(), std::vector<std::string>{"<ETX>"});
         ui::TypeInto(memo, "<ETX>\r\n\r\n<ACK>");
       },
       [](TQAVZLVFlowItem& i) {
         EXPECT_EQ(i.DataText(), "");
         EXPECT_EQ(i.PacketType(), 0xF);
         EXPECT_EQ(i.DelimiterTexts(), (std::vector<std::string>{"\x03", "", "\x06"}));
         EXPECT_EQ(i.CharsAfterDelimiter(), 2);
       }},
      {"direction 5 shows as to the PC and comes back as 1", [](TQAVZLVFlowItem& i) { i.SetDirection(5); },
       [](ui::Form& f) { EXPECT_EQ(In<ui::ComboBox>(f, kFlowItemFrame, "DirectionCO").Text(), "qzlvfdtToPC"); },
       [](TQAVZLVFlowItem& i) { EXPECT_EQ(i.Direction(), 1); }},
      {"the flag label follows the checks", [](TQAVZLVFlowItem& i) { i.SetFlags(1 | 1024); },
       [](ui::Form& f) {
         auto& label = In<ui::Label>(f, kFlowItemFrame, "FlagsLA");
         EXPECT_EQ(label.Caption(), "Flags: 1025");
         ui::Toggle(In<ui::CheckListBox>(f, kFlowItemFrame, "FlagsLB"), 1);
         EXPECT_EQ(label.Caption(), "Flags: 1027");
       },
       [](TQAVZLVFlowItem& i) { EXPECT_EQ(i.Flags(), 1027); }},
      {"typed escapes become the bytes they name", [](TQAVZLVFlowItem& i) { i.SetData(Variant::Ansi("a")); },
       [&](ui::Form& f) {
         ui::TypeInto(ed(f, "DataED"), "<ETX>x<#$1e>");
         ui::TypeInto(ed(f, "IDED"), "7");
         ui::TypeInto(ed(f, "NextFlowItemIDED"), "9");
         ui::TypeInto(ed(f, "RetryCountED"), "-3");
         ui::TypeInto(ed(f, "IntervalED"), "250");
       },
       [](TQAVZLVFlowItem& i) {
         EXPECT_EQ(i.DataText(), "\x03x\x1e");
         EXPECT_EQ(i.ID(), "7");
         EXPECT_EQ(i.NextFlowItemID(), "9");
         EXPECT_EQ(i.RetryCount(), -3);
         EXPECT_EQ(i.Interval(), 250);
       }},
      // Packet mode reads the number after the delimiter; an item switched to
      // it starts at 0 instead of an edit that cannot be saved.
      {"switching a data item to packet mode puts 0 characters after the delimiter",
       [](TQAVZLVFlowItem& i) { i.SetData(Variant::Ansi("<x>")); },
       [](ui::Form& f) {
         ui::Check(In<ui::RadioButton>(f, kFlowItemFrame, "PacketTypeRB"));
         EXPECT_EQ(In<Edit>(f, kFlowItemFrame, "CharsAfterDelimiterED").Text(), "0");
         ui::Toggle(In<ui::CheckListBox>(f, kFlowItemFrame, "PacketTypeLB"), 2);
       },
       [](TQAVZLVFlowItem& i) {
         EXPECT_EQ(i.DataText(), "");
         EXPECT_EQ(i.PacketType(), 4);
         EXPECT_EQ(i.CharsAfterDelimiter(), 0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FlowItem fi;
    c.setup(*fi.item);
    Play([&](ui::Form& f) {
      EXPECT_EQ(f.Caption(), "FlowItemEditForm");
      c.act(f);
      ui::Click(f.FindAs<ui::Button>("OKBT"));
    });
    auto [hr, ok] = RunEdit(fi.itf.Get());
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(ok);
    c.check(*fi.item);
    EXPECT_TRUE(MessageTexts(*rec_).empty());
    rec_->Clear();
  }
}

TEST_F(FlowItemEditorTest, ModeDecidesWhichControlsAPersonCanUse) {
  FlowItem fi;
  fi.item->SetData(Variant::Ansi("d"));
  Play([](ui::Form& f) {
    auto& data = In<Edit>(f, kFlowItemFrame, "DataED");
    auto& types = In<ui::CheckListBox>(f, kFlowItemFrame, "PacketTypeLB");
    EXPECT_TRUE(data.Enabled());
    EXPECT_FALSE(types.Enabled());
    EXPECT_THROW(ui::Toggle(types, 0), ui::ActionRefused);
    ui::Check(In<ui::RadioButton>(f, kFlowItemFrame, "PacketTypeRB"));
    EXPECT_FALSE(data.Enabled());
    EXPECT_TRUE(data.ParentColor());
    EXPECT_TRUE(types.Enabled());
    EXPECT_EQ(types.ControlColor(), ui::clWindow);
    EXPECT_THROW(ui::TypeInto(data, "x"), ui::ActionRefused);
    EXPECT_THROW(ui::TypeInto(In<Edit>(f, kFlowItemFrame, "IndexED"), "5"), ui::ActionRefused);
    ui::Click(f.FindAs<ui::Button>("CancelBT"));
  });
  auto [hr, ok] = RunEdit(fi.itf.Get());
  EXPECT_EQ(hr, S_OK);
  EXPECT_FALSE(ok);
  EXPECT_EQ(fi.item->DataText(), "d");
}

// Every number edit of every single-object editor, given a text that is no
// 32-bit integer, shows the conversion error and keeps the form open with
// nothing written; a valid number after it is written with the rest.
TEST_F(FlowItemEditorTest, BadNumberAtOkKeepsTheFormOpenAndWritesNothing) {
  struct Row {
    const char* text;
    bool valid;
    LONG value;
  };
  const Row rows[] = {
      {"12x", false, 0}, {"", false, 0},          {"2147483648", false, 0}, {" 5", false, 0},
      {"0x10", false, 0}, {"-2147483648", true, INT32_MIN}, {"-5", true, -5}, {"+7", true, 7},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    FlowItem fi;
    fi.item->SetID("old");
    fi.item->SetRetryCount(4);
    Play([&](ui::Form& f) {
      ui::TypeInto(In<Edit>(f, kFlowItemFrame, "IDED"), "new");
      ui::TypeInto(In<Edit>(f, kFlowItemFrame, "RetryCountED"), row.text);
      ui::Click(f.FindAs<ui::Button>("OKBT"));
      if (row.valid) return;
      EXPECT_FALSE(f.ModalDone());
      EXPECT_EQ(fi.item->ID(), "old") << "nothing is written before every number reads";
      EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>{"'" + std::string(row.text) +
                                                              "' is not a valid integer value"});
      ui::TypeInto(In<Edit>(f, kFlowItemFrame, "RetryCountED"), "9");
      ui::Click(f.FindAs<ui::Button>("OKBT"));
    });
    auto [hr, ok] = RunEdit(fi.itf.Get());
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(ok);
    EXPECT_EQ(fi.item->ID(), "new");
    EXPECT_EQ(fi.item->RetryCount(), row.valid ? row.value : 9);
    rec_->Clear();
  }
}

TEST_F(FlowItemEditorTest, CancelAndEscapeLeaveTheItemAsItWas) {
  for (const char* how : {"Cancel", "Escape", "close box"}) {
    SCOPED_TRACE(how);
    FlowItem fi;
    fi.item->SetID("1");
    fi.item->SetData(Variant::Ansi("d"));
    Play([&](ui::Form& f) {
      ui::TypeInto(In<Edit>(f, kFlowItemFrame, "IDED"), "2");
      ui::Check(In<ui::RadioButton>(f, kFlowItemFrame, "PacketTypeRB"));
      ui::Toggle(In<ui::CheckListBox>(f, kFlowItemFrame, "FlagsLB"), 3);
      if (std::string(how) == "Cancel") ui::Click(f.FindAs<ui::Button>("CancelBT"));
      if (std::string(how) == "Escape") ui::PressEscape(f);
      if (std::string(how) == "close box") ui::CloseBox(f);
    });
    auto [hr, ok] = RunEdit(fi.itf.Get());
    EXPECT_EQ(hr, S_OK);
    EXPECT_FALSE(ok);
    EXPECT_EQ(fi.item->ID(), "1");
    EXPECT_EQ(fi.item->DataText(), "d");
    EXPECT_EQ(fi.item->Flags(), 0);
  }
}

class FieldDefEditorTest : public EditorTest {};

constexpr char kFieldFrame[] = "FieldDefEditFrame";

TEST_F(FieldDefEditorTest, ShowsAndWritesBackEachProperty) {
  struct Row {
    const char* name;
    std::function<void(TQAVZLVFieldDef&)> setup;
    std::function<void(ui::Form&)> act;
    std::function<void(TQAVZLVFieldDef&)> check;
  };
  auto type = [](ui::Form& f) -> ui::ComboBox& { return In<ui::ComboBox>(f, kFieldFrame, "DataTypeCO"); };
  const Row rows[] = {
      {"string type shows the first name, padded", [](TQAVZLVFieldDef& d) { d.SetDataType(1); },
       [&](ui::Form& f) { EXPECT_EQ(type(f).Text(), "qzlvdaString                  "); },
       [](TQAVZLVFieldDef& d) { EXPECT_EQ(d.DataType(), 1); }},
      {"an unknown type is shown and saved as string", [](TQAVZLVFieldDef& d) { d.SetDataType(9); },
       [&](ui::Form& f) { EXPECT_EQ(type(f).ItemIndex(), 0); }, [](TQAVZLVFieldDef& d) { EXPECT_EQ(d.DataType(), 1); }},
      {"integer type is the fifth name", [](TQAVZLVFieldDef& d) { d.SetDataType(5); },
       [&](ui::Form& f) { EXPECT_EQ(type(f).ItemIndex(), 4); }, [](TQAVZLVFieldDef& d) { EXPECT_EQ(d.DataType(), 5); }},
      {"choosing the date type", [](TQAVZLVFieldDef& d) { d.SetDataType(1); },
       [&](ui::Form& f) { ui::ChooseItem(type(f), 5); }, [](TQAVZLVFieldDef& d) { EXPECT_EQ(d.DataType(), 6); }},
      {"a number minimum comes back as its digits in a string",
       [](TQAVZLVFieldDef& d) {
         d.SetMinValue(Variant::I4(42));
         d.SetMaxValue(Variant());
       },
       [](ui::Form& f) { EXPECT_EQ(In<Edit>(f, kFieldFrame, "MinValueED").Text(), "42"); },
       [](TQAVZLVFieldDef& d) {
         EXPECT_EQ(d.MinValue().vt, VT_BSTR);
         EXPECT_EQ(BstrToAnsi(d.MinValue().bstrVal), "42");
         EXPECT_EQ(d.MaxValue().vt, VT_BSTR);
         EXPECT_EQ(BstrToAnsi(d.MaxValue().bstrVal), "");
       }},
      {"a control character separator is shown raw", [](TQAVZLVFieldDef& d) { d.SetSeparator("\x1e"); },
       [](ui::Form& f) { EXPECT_EQ(In<Edit>(f, kFieldFrame, "SeparatorED").Text(), "\x1e"); },
       [](TQAVZLVFieldDef& d) { EXPECT_EQ(d.Separator(), "\x1e"); }},
      {"conversion bits above 512 are dropped, required stays True",
       [](TQAVZLVFieldDef& d) {
         d.SetConversions(1024 | 512 | 3);
         d.SetRequired(true);
       },
       [](ui::Form& f) { EXPECT_TRUE(In<ui::CheckBox>(f, kFieldFrame, "RequiredCB").Checked()); },
       [](TQAVZLVFieldDef& d) {
         EXPECT_EQ(d.Conversions(), 512 | 3);
         VARIANT_BOOL required = 0;
         EXPECT_EQ(d.get_Required(&required), S_OK);
         EXPECT_EQ(required, VARIANT_TRUE);
       }},
      {"numbers typed", [](TQAVZLVFieldDef&) {},
       [](ui::Form& f) {
         ui::TypeInto(In<Edit>(f, kFieldFrame, "SizeED"), "12");
         ui::TypeInto(In<Edit>(f, kFieldFrame, "OffsetED"), "3");
         ui::TypeInto(In<Edit>(f, kFieldFrame, "ConstraintsED"), "-1");
         ui::TypeInto(In<Edit>(f, kFieldFrame, "NameED"), "Cena");
       },
       [](TQAVZLVFieldDef& d) {
         EXPECT_EQ(d.Size(), 12);
         EXPECT_EQ(d.Offset(), 3);
         EXPECT_EQ(d.Constraints(), -1);
         EXPECT_EQ(d.Name(), "Cena");
       }},
      {"a currency default is written as its amount",
       [](TQAVZLVFieldDef& d) { d.SetDataType(qzlvdaCurrency); },
       [](ui::Form& f) { ui::TypeInto(In<Edit>(f, kFieldFrame, "DefaultValueED"), "12.50"); },
       [](TQAVZLVFieldDef& d) {
         EXPECT_EQ(d.DefaultValue().vt, VT_CY);
         EXPECT_EQ(d.DefaultValue().cyVal.int64, 125000);
       }},
      // The definitions file and the editor share one rule: an empty currency
      // default is no default.
      {"a currency field with an empty default saves", [](TQAVZLVFieldDef& d) { d.SetDataType(qzlvdaCurrency); },
       [](ui::Form& f) { EXPECT_EQ(In<Edit>(f, kFieldFrame, "DefaultValueED").Text(), ""); },
       [](TQAVZLVFieldDef& d) { EXPECT_EQ(d.DefaultValue().vt, VT_EMPTY); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto itf = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
    auto* def = dynamic_cast<TQAVZLVFieldDef*>(itf.Get());
    row.setup(*def);
    Play([&](ui::Form& f) {
      row.act(f);
      ui::Click(f.FindAs<ui::Button>("OKBT"));
    });
    auto [hr, ok] = RunEdit(itf.Get());
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(MessageTexts(*rec_).empty()) << (MessageTexts(*rec_).empty() ? "" : MessageTexts(*rec_)[0]);
    row.check(*def);
    rec_->Clear();
  }
}

TEST_F(FieldDefEditorTest, CurrencyDefaultThatIsNoNumberKeepsTheFormOpen) {
  auto itf = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  auto* def = dynamic_cast<TQAVZLVFieldDef*>(itf.Get());
  def->SetName("before");
  Play([&](ui::Form& f) {
    ui::TypeInto(In<Edit>(f, kFieldFrame, "NameED"), "after");
    ui::ChooseItem(In<ui::ComboBox>(f, kFieldFrame, "DataTypeCO"), 3);
    ui::TypeInto(In<Edit>(f, kFieldFrame, "DefaultValueED"), "abc");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
    EXPECT_FALSE(f.ModalDone());
    EXPECT_EQ(def->Name(), "before");
    EXPECT_EQ(def->DataType(), 0);
    ui::Click(f.FindAs<ui::Button>("CancelBT"));
  });
  auto [hr, ok] = RunEdit(itf.Get());
  EXPECT_EQ(hr, S_OK);
  EXPECT_FALSE(ok);
  ASSERT_EQ(rec_->Messages().size(), 1u);
  EXPECT_NE(rec_->Messages()[0].text.find("'abc'"), std::string::npos) << rec_->Messages()[0].text;
}

class FrameItemEditorTest : public EditorTest {};

constexpr char kFrameItemFrame[] = "PacketStructItemEditFrame";

TEST_F(FrameItemEditorTest, ShowsAndWritesBackEachProperty) {
  struct Row {
    const char* name;
    std::function<void(TQAVZLVFrameItem&)> setup;
    std::function<void(ui::Form&)> act;
    std::function<void(TQAVZLVFrameItem&)> check;
  };
  auto values = [](TQAVZLVFrameItem& i) {
    std::vector<Variant> v;
    auto* list = dynamic_cast<TQAVZLVValues*>(i.Values());
    for (const auto& value : list->Items()) v.push_back(dynamic_cast<TQAVZLVValue*>(value.Get())->Value());
    return v;
  };
  auto addValue = [](TQAVZLVFrameItem& i, const Variant& v) {
    auto value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
    EXPECT_EQ(value->put_Value(v), S_OK);
    LONG at = 0;
    EXPECT_EQ(i.Values()->Add(value.Get(), &at), S_OK);
  };
  const Row rows[] = {
      {"an item type outside the list shows none and stays", [](TQAVZLVFrameItem& i) { i.SetItemType(7); },
       [](ui::Form& f) { EXPECT_EQ(In<ui::ComboBox>(f, kFrameItemFrame, "ItemTypeCO").ItemIndex(), -1); },
       [](TQAVZLVFrameItem& i) { EXPECT_EQ(i.ItemType(), 7); }},
      {"data type 0 shows none and is saved as string", [](TQAVZLVFrameItem& i) { i.SetDataType(0); },
       [](ui::Form& f) { EXPECT_EQ(In<ui::ComboBox>(f, kFrameItemFrame, "DataTypeCO").ItemIndex(), -1); },
       [](TQAVZLVFrameItem& i) { EXPECT_EQ(i.DataType(), 1); }},
      {"constant bytes in the escape notation, numbers back as strings",
       [&](TQAVZLVFrameItem& i) {
         addValue(i, Variant::Ansi("\x02\x03"));
         addValue(i, Variant::I4(5));
       },
       [](ui::Form& f) {
         EXPECT_EQ(In<ui::Memo>(f, kFrameItemFrame, "ValuesME").Lines(),
                   (std::vector<std::string>{"<STX><ETX>", "5"}));
       },
       [&](TQAVZLVFrameItem& i) {
         auto v = values(i);
         ASSERT_EQ(v.size(), 2u);
         EXPECT_EQ(BstrToAnsi(v[0].bstrVal), "\x02\x03");
         EXPECT_EQ(v[1].vt, VT_BSTR);
         EXPECT_EQ(BstrToAnsi(v[1].bstrVal), "5");
       }},
      {"an empty memo leaves no values", [&](TQAVZLVFrameItem& i) { addValue(i, Variant::Ansi("x")); },
       [](ui::Form& f) { ui::TypeInto(In<ui::Memo>(f, kFrameItemFrame, "ValuesME"), ""); },
       [&](TQAVZLVFrameItem& i) { EXPECT_TRUE(values(i).empty()); }},
      {"flag bits 8, 256 and 512 are dropped", [](TQAVZLVFrameItem& i) { i.SetFlags(2047); },
       [](ui::Form&) {}, [](TQAVZLVFrameItem& i) { EXPECT_EQ(i.Flags(), 2047 - 8 - 256 - 512); }},
      {"choosing the checksum type and typing the slot",
       [](TQAVZLVFrameItem& i) { i.SetItemType(0); },
       [](ui::Form& f) {
         ui::ChooseItem(In<ui::ComboBox>(f, kFrameItemFrame, "ItemTypeCO"), "qzlvpstChecksum");
         ui::TypeInto(In<Edit>(f, kFrameItemFrame, "SizeED"), "4");
         ui::TypeInto(In<Edit>(f, kFrameItemFrame, "OffsetED"), "10");
       },
       [](TQAVZLVFrameItem& i) {
         EXPECT_EQ(i.ItemType(), 5);
         EXPECT_EQ(i.Size(), 4);
         EXPECT_EQ(i.Offset(), 10);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto itf = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
    auto* item = dynamic_cast<TQAVZLVFrameItem*>(itf.Get());
    item->SetSize(1);
    item->SetOffset(0);
    row.setup(*item);
    Play([&](ui::Form& f) {
      EXPECT_EQ(f.Caption(), "PacketStructItemEditForm");
      row.act(f);
      ui::Click(f.FindAs<ui::Button>("OKBT"));
    });
    auto [hr, ok] = RunEdit(itf.Get());
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(MessageTexts(*rec_).empty());
    row.check(*item);
    rec_->Clear();
  }
}

TEST_F(FrameItemEditorTest, BadSizeWritesNeitherTypeNorValues) {
  auto itf = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
  auto* item = dynamic_cast<TQAVZLVFrameItem*>(itf.Get());
  item->SetItemType(0);
  item->SetSize(1);
  Play([&](ui::Form& f) {
    ui::ChooseItem(In<ui::ComboBox>(f, kFrameItemFrame, "ItemTypeCO"), 4);
    ui::TypeInto(In<Edit>(f, kFrameItemFrame, "SizeED"), "big");
    ui::PressEnter(f);  // no default button: nothing happens
    ui::Click(f.FindAs<ui::Button>("OKBT"));
    EXPECT_FALSE(f.ModalDone());
    ui::Click(f.FindAs<ui::Button>("CancelBT"));
  });
  auto [hr, ok] = RunEdit(itf.Get());
  EXPECT_EQ(hr, S_OK);
  EXPECT_FALSE(ok);
  EXPECT_EQ(item->ItemType(), 0);
  EXPECT_EQ(item->Size(), 1);
  EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>{"'big' is not a valid integer value"});
}

// Every number edit of the item frames refuses a text that is no 32-bit
// integer at OK and leaves the object untouched.
TEST_F(EditorTest, EveryNumberEditRefusesBadText) {
  struct Row {
    const char* frame;
    const char* edit;
    std::function<ComPtr<IDispatch>()> make;
    std::function<HRESULT(IDispatch*, VARIANT_BOOL*)> edit_;
    const char* packetModeRadio;  // checked first when the edit belongs to packet mode
  };
  auto flowItem = [] { return QueryAs<IDispatch>(Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem).Get()); };
  auto fieldDef = [] { return QueryAs<IDispatch>(Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef).Get()); };
  auto frameItem = [] { return QueryAs<IDispatch>(Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem).Get()); };
  auto editFlowItem = [](IDispatch* d, VARIANT_BOOL* r) { return QueryAs<IQAVZLVFlowItem>(d)->Edit(r); };
  auto editFieldDef = [](IDispatch* d, VARIANT_BOOL* r) { return QueryAs<IQAVZLVFieldDef>(d)->Edit(r); };
  auto editFrameItem = [](IDispatch* d, VARIANT_BOOL* r) { return QueryAs<IQAVZLVFrameItem>(d)->Edit(r); };
  const Row rows[] = {
      {"FlowItemEditFrame", "IntervalED", flowItem, editFlowItem, nullptr},
      {"FlowItemEditFrame", "CharsAfterDelimiterED", flowItem, editFlowItem, "PacketTypeRB"},
      {"FieldDefEditFrame", "SizeED", fieldDef, editFieldDef, nullptr},
      {"FieldDefEditFrame", "OffsetED", fieldDef, editFieldDef, nullptr},
      {"FieldDefEditFrame", "ConstraintsED", fieldDef, editFieldDef, nullptr},
      {"PacketStructItemEditFrame", "OffsetED", frameItem, editFrameItem, nullptr},
      {"PacketStructItemEditFrame", "SizeED", frameItem, editFrameItem, nullptr},
  };
  for (const auto& row : rows) {
    for (const char* text : {"ten", "99999999999", "", "1.5"}) {
      SCOPED_TRACE(std::string(row.frame) + "." + row.edit + " = '" + text + "'");
      ComPtr<IDispatch> object = row.make();
      Play([&](ui::Form& f) {
        if (row.packetModeRadio) ui::Check(In<ui::RadioButton>(f, row.frame, row.packetModeRadio));
        ui::TypeInto(In<Edit>(f, row.frame, "IDED"), "changed");
        ui::TypeInto(In<Edit>(f, row.frame, row.edit), text);
        ui::Click(f.FindAs<ui::Button>("OKBT"));
        EXPECT_FALSE(f.ModalDone());
        ui::Click(f.FindAs<ui::Button>("CancelBT"));
      });
      VARIANT_BOOL r = VARIANT_TRUE;
      EXPECT_EQ(row.edit_(object.Get(), &r), S_OK);
      EXPECT_EQ(r, VARIANT_FALSE);
      EXPECT_EQ(MessageTexts(*rec_), std::vector<std::string>{"'" + std::string(text) + "' is not a valid integer value"});
      std::string id = "?";
      if (auto i = QueryAs<IQAVZLVFlowItem>(object.Get())) id = ReadText(i.Get(), &IQAVZLVFlowItem::get_ID, "id");
      if (auto i = QueryAs<IQAVZLVFieldDef>(object.Get())) id = ReadText(i.Get(), &IQAVZLVFieldDef::get_ID, "id");
      if (auto i = QueryAs<IQAVZLVFrameItem>(object.Get())) id = ReadText(i.Get(), &IQAVZLVFrameItem::get_ID, "id");
      EXPECT_EQ(id, "") << "nothing written";
      rec_->Clear();
    }
  }
}

// Editors are shown on the forms' thread only: an Edit called on another
// thread fails with a clear error and changes nothing.
TEST_F(EditorTest, EditOnAnotherThreadFailsClearly) {
  auto item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  Play([](ui::Form& f) { ui::PressEscape(f); });
  EXPECT_EQ(RunEdit(item.Get()), std::make_pair(S_OK, false));  // the forms' thread is this one
  HRESULT hr = S_OK;
  std::string description;
  std::thread other([&] {
    VARIANT_BOOL r = VARIANT_TRUE;
    hr = item->Edit(&r);
    description = WideToAnsi(TakeErrorDescription());
  });
  other.join();
  EXPECT_TRUE(FAILED(hr));
  EXPECT_NE(description.find("thread"), std::string::npos) << description;
  EXPECT_TRUE(rec_->Forms().size() <= 1u);
}

// What a person types on screen where the edits show control bytes in the
// escape notation: identifiers and names keep exactly the characters typed,
// values that go on the wire (a flow item's data, a separator) read the
// notation as bytes, and a control byte an identifier already held is kept
// where the person did not touch it.
TEST_F(EditorTest, IdsAndNamesKeepWhatWasTypedAndWireValuesReadTheNotation) {
  FlowItem fi;
  fi.item->SetID("\r");
  Play([](ui::Form& f) {
    Edit& id = In<Edit>(f, kFlowItemFrame, "IDED");
    EXPECT_EQ(ui::ShowControlBytes(id.Text()), "<CR>");
    ui::TypeShown(id, "<CR>1");
    ui::TypeShown(In<Edit>(f, kFlowItemFrame, "NextFlowItemIDED"), "<ACK>x");
    ui::TypeShown(In<Edit>(f, kFlowItemFrame, "DataED"), "<ACK>x");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  EXPECT_EQ(RunEdit(fi.itf.Get()), std::make_pair(S_OK, true));
  EXPECT_EQ(fi.item->ID(), "\r1");
  EXPECT_EQ(fi.item->NextFlowItemID(), "<ACK>x");
  EXPECT_EQ(fi.item->DataText(), "\x06x");

  auto field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  auto* def = dynamic_cast<TQAVZLVFieldDef*>(field.Get());
  Play([](ui::Form& f) {
    ui::TypeShown(In<Edit>(f, kFieldFrame, "IDED"), "<CR>");
    ui::TypeShown(In<Edit>(f, kFieldFrame, "NameED"), "Cena <#$1C>");
    ui::TypeShown(In<Edit>(f, kFieldFrame, "DefaultValueED"), "<FS>");
    ui::TypeShown(In<Edit>(f, kFieldFrame, "SeparatorED"), "<FS>");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  EXPECT_EQ(RunEdit(field.Get()), std::make_pair(S_OK, true));
  EXPECT_EQ(def->ID(), "<CR>");
  EXPECT_EQ(def->Name(), "Cena <#$1C>");
  ASSERT_EQ(def->DefaultValue().vt, VT_BSTR);
  EXPECT_EQ(BstrToAnsi(def->DefaultValue().bstrVal), "<FS>");
  EXPECT_EQ(def->Separator(), "\x1C");

  auto frameItem = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
  Play([](ui::Form& f) {
    ui::TypeShown(In<Edit>(f, "PacketStructItemEditFrame", "IDED"), "<STX>");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  EXPECT_EQ(RunEdit(frameItem.Get()), std::make_pair(S_OK, true));
  EXPECT_EQ(dynamic_cast<TQAVZLVFrameItem*>(frameItem.Get())->ID(), "<STX>");
}

// The flow item frame speaks of the flow's items more shortly inside their
// list than in its own form.
TEST_F(EditorTest, FlowItemLabelsDependOnWhereTheFrameSits) {
  auto item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  Play([](ui::Form& f) {
    EXPECT_EQ(In<ui::Label>(f, "FlowItemEditFrame", "RetryCountLA").Caption(), "Number of retries");
    EXPECT_EQ(In<ui::Label>(f, "FlowItemEditFrame", "IntervalLA").Caption(), "Time to wait before next flow item");
    EXPECT_EQ(In<ui::Label>(f, "FlowItemEditFrame", "NextFlowItemIDLA").Caption(), "Next flow item ID");
    ui::PressEscape(f);
  });
  EXPECT_EQ(RunEdit(item.Get()), std::make_pair(S_OK, false));
  auto items = Create<IQAVZLVFlowItems>(CLSID_QAVZLVFlowItems);
  dynamic_cast<TQAVZLVFlowItems*>(items.Get())->Append(item.Get());
  Play([](ui::Form& f) {
    EXPECT_EQ(In<ui::Label>(f, "FlowItemEditFrame", "RetryCountLA").Caption(), "Repetitions limit");
    EXPECT_EQ(In<ui::Label>(f, "FlowItemEditFrame", "IntervalLA").Caption(), "Wait before next item [ms]");
    EXPECT_EQ(In<ui::Label>(f, "FlowItemEditFrame", "NextFlowItemIDLA").Caption(), "Next item ID");
    ui::PressEscape(f);
  });
  EXPECT_EQ(RunEdit(items.Get()), std::make_pair(S_OK, false));
}

// The editors of the objects that own a list: their own fields, then the
// nested list, written only on OK.
TEST_F(EditorTest, ObjectsWithNestedListsWriteTheirFieldsAndTheShownItem) {
  // A flow: flow types outside 1..17 show as unknown and come back as 0.
  for (LONG type : {0, 18, -1}) {
    auto flow = Create<IQAVZLVFlow>(CLSID_QAVZLVFlow);
    dynamic_cast<TQAVZLVFlow*>(flow.Get())->SetFlowType(type);
    Play([](ui::Form& f) {
      EXPECT_EQ(f.Caption(), "FlowEditForm");
      EXPECT_EQ(In<ui::ComboBox>(f, "FlowEditFrame", "FlowTypeCO").Text(), "qzlvftUnknown");
      ui::Click(f.FindAs<ui::Button>("OKBT"));
    });
    EXPECT_EQ(RunEdit(flow.Get()), std::make_pair(S_OK, true));
    EXPECT_EQ(dynamic_cast<TQAVZLVFlow*>(flow.Get())->FlowType(), 0);
  }
  // A packet definition: type bits other than 1, 2, 4, 8 dropped; the field
  // shown is committed and the nested list copied in.
  auto def = Create<IQAVZLVPacketDef>(CLSID_QAVZLVPacketDef);
  auto* d = dynamic_cast<TQAVZLVPacketDef*>(def.Get());
  d->SetPacketType(0x30 | 6);
  auto field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
  LONG at = 0;
  ASSERT_EQ(d->FieldDefs()->Add(field.Get(), &at), S_OK);
  Play([](ui::Form& f) {
    EXPECT_EQ(f.Caption(), "PacketDefEditForm");
    ui::TypeInto(In<Edit>(f, "FieldDefEditFrame", "NameED"), "Ilo\xB6\xE6");  // Polish letters, Windows-1250
    ui::TypeInto(In<Edit>(f, "PacketDefEditFrame", "PacketStructIDED"), "FrameData");
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  EXPECT_EQ(RunEdit(def.Get()), std::make_pair(S_OK, true));
  EXPECT_EQ(d->PacketType(), 6);
  EXPECT_EQ(d->PacketStructID(), "FrameData");
  auto* fields = dynamic_cast<TQAVZLVFieldDefs*>(d->FieldDefs().Get());
  ASSERT_EQ(fields->Size(), 1);
  EXPECT_EQ(dynamic_cast<TQAVZLVFieldDef*>(fields->At(0).Get())->Name(), "Ilo\xB6\xE6");
  EXPECT_NE(fields->At(0).Get(), field.Get()) << "the nested list is copied in as new objects";

  // A frame: packet type bits other than 1, 2, 4, 8 dropped.
  auto frame = Create<IQAVZLVFrame>(CLSID_QAVZLVFrame);
  dynamic_cast<TQAVZLVFrame*>(frame.Get())->SetPacketType(0xFF);
  Play([](ui::Form& f) {
    ui::Toggle(In<ui::CheckListBox>(f, "PacketStructEditFrame", "PacketTypeLB"), 0);
    ui::Click(f.FindAs<ui::Button>("OKBT"));
  });
  EXPECT_EQ(RunEdit(frame.Get()), std::make_pair(S_OK, true));
  EXPECT_EQ(dynamic_cast<TQAVZLVFrame*>(frame.Get())->PacketType(), 0xE);
}

}  // namespace
}  // namespace zelvani::editors::test
