// The type library description checked against the published tables.
#include <gtest/gtest.h>

#include <map>

#include "zelvani/model/ZelvaniTypeLib.h"

namespace zelvani {
namespace {

const com::TypeLibDesc& Lib() { return ZelvaniTypeLib(); }

TEST(TypeLibTest, LibraryIdentity) {
  EXPECT_EQ(Lib().name, "Zelvani");
  EXPECT_EQ(Lib().helpString, "Zelvani Library");
  EXPECT_EQ(GuidToString(Lib().libid), "{3F17E13E-DFAB-42E2-9B5C-56D4900C0962}");
  EXPECT_EQ(Lib().Version(), "1.0");
  EXPECT_EQ(Lib().lcid, 0x409u);
}

TEST(TypeLibTest, Interfaces) {
  struct Row {
    const char* name;
    const char* iid;
    const char* base;
    const char* help;
  } rows[] = {
      {"IQAVZLVDevice", "{3682FAEB-B42A-40BD-90FC-3CA8AAC79717}", "", ""},
      {"IQAVZLVProtocol", "{6CDE30D1-0E4F-4F70-AB44-AFF2369D3357}", "", "Dispatch interface for QAVZLVProtocol Object"},
      {"IQAVZLVPacketLibrary", "{7BE115AE-028C-4022-BF90-F45028328E9D}", "",
       "Dispatch interface for QAVZLVPacketLibrary Object"},
      {"IQAVZLVPacketDef", "{5D8567E0-2A6A-4633-AFD6-FC68AD16E174}", "", "Dispatch interface for QAVZLVPacketDef Object"},
      {"IQAVZLVFieldDef", "{2F8870FA-739F-4116-8C58-B56F15EFF598}", "", "Dispatch interface for QAVZLVFieldDef Object"},
      {"IQAVZLVPacket", "{D96D00FC-15A3-4625-A86F-508FD35D9F63}", "", "Dispatch interface for QAVZLVPacket Object"},
      {"IDispatchCollection", "{F5CED7D5-A77D-4E04-9E21-4F06F27EB59B}", "", ""},
      {"IQAVZLVFieldDefs", "{31BADCE2-878A-49FF-87F7-4719C2ACE635}", "IDispatchCollection",
       "Dispatch interface for QAVZLVFieldDefs Object"},
      {"IQAVZLVPacketDefs", "{15B4B75E-8F78-4C14-8987-DE8FA4053604}", "IDispatchCollection",
       "Dispatch interface for QAVZLVPacketDefs Object"},
      {"IQAVZLVFileDriver", "{85ECD6CC-7BF5-4AA7-83EF-C44E31B35EDC}", "",
       "Parser for standard text file compatible with DOS QuelmDrv"},
      {"IQAVZLVDeviceStatistics", "{3A2F9238-DDB1-4C4E-BF5B-7D1E4AC2EF3D}", "",
       "Dispatch interface for QAVZLVDeviceStatistics Object"},
      {"IQAVZLVFrame", "{5C0F7AFB-A5EA-44B9-B255-D28A8FA89BCF}", "", "Dispatch interface for QAVZLVPacketStruct Object"},
      {"IQAVZLVFrameItem", "{F962AD15-7EE7-46E9-81E4-6949616F6E5F}", "",
       "Dispatch interface for QAVZLVPacketStructItem Object"},
      {"IQAVZLVFrameItems", "{8DC8687D-2300-4B59-B3B3-39194A9156D4}", "IDispatchCollection",
       "Dispatch interface for QAVZLVPacketStructItems Object"},
      {"IQAVZLVFrames", "{093419CF-B886-458C-ADF1-9D9EDFD37EA5}", "IDispatchCollection",
       "Dispatch interface for QAVZLVPacketStructs Object"},
      {"IQAVZLVValue", "{82BB545F-E443-4D7B-B070-DAD47FF95054}", "", "Dispatch interface for QAVZLVValue Object"},
      {"IQAVZLVValues", "{A91FF574-E9A3-449B-97A1-8E22DA647905}", "IDispatchCollection",
       "Dispatch interface for QAVZLVValues Object"},
      {"IQAVZLVFlowItem", "{C031F029-0709-489B-AA15-9F8A94A80C79}", "", "Dispatch interface for QAVZLVFlowDef Object"},
      {"IQAVZLVFlowItems", "{4FF9A09E-9B8F-4192-97BE-90B8FB165DA1}", "IDispatchCollection",
       "Dispatch interface for QAVZLVFlowDefItems Object"},
      {"IQAVZLVFlow", "{C1444D91-E11D-40E3-9290-A47F892D99A9}", "", "Dispatch interface for QAVZLVFlowDef Object"},
      {"IQAVZLVFlows", "{75C4D15D-9C1E-44BA-B1CD-44A165A8CF37}", "IDispatchCollection",
       "Dispatch interface for QAVZLVFlowDefs Object"},
  };
  ASSERT_EQ(Lib().interfaces.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const com::InterfaceDesc* d = Lib().interfaces[i];
    EXPECT_EQ(d->name, rows[i].name);
    EXPECT_EQ(GuidToString(d->iid), rows[i].iid) << rows[i].name;
    EXPECT_EQ(d->base ? d->base->name : "", rows[i].base) << rows[i].name;
    EXPECT_EQ(d->helpString, rows[i].help) << rows[i].name;
  }
}

// Members in slot order as "name/kind/DISPID" with kind g (get), p (put), m (method).
TEST(TypeLibTest, MembersInSlotOrder) {
  std::map<std::string, std::string> expected = {
      {"IDispatchCollection", "Count/g/1 _Items/g/2 Add/m/3"},
      {"IQAVZLVValue", "Value/g/4 Value/p/4"},
      {"IQAVZLVValues", "Items/g/4 Clear/m/5 CopyFrom/m/6"},
      {"IQAVZLVFieldDef",
       "ID/g/1 ID/p/1 Name/g/2 Name/p/2 Index/g/3 Index/p/3 Size/g/4 Size/p/4 DataType/g/5 DataType/p/5 "
       "Constraints/g/6 Constraints/p/6 MinValue/g/7 MinValue/p/7 MaxValue/g/8 MaxValue/p/8 DefaultValue/g/9 "
       "DefaultValue/p/9 Separator/g/10 Separator/p/10 Required/g/11 Required/p/11 Conversions/g/12 "
       "Conversions/p/12 Offset/g/13 Offset/p/13 PasteValue/m/14 ExtractValue/m/15 Edit/m/16 CopyFrom/m/17"},
      {"IQAVZLVFieldDefs", "Items/g/4 FindByName/m/5 FindByID/m/6 Clear/m/7 CopyFrom/m/8 Edit/m/9"},
      {"IQAVZLVFrame",
       "PacketType/g/1 PacketType/p/1 Index/g/3 Index/p/3 ID/g/5 ID/p/5 Name/g/6 Name/p/6 PacketStructItems/g/2 "
       "CopyFrom/m/4 Edit/m/7"},
      {"IQAVZLVFrameItem",
       "ItemType/g/1 ItemType/p/1 Index/g/2 Index/p/2 ID/g/4 ID/p/4 DataType/g/3 DataType/p/3 Offset/g/11 "
       "Offset/p/11 Size/g/5 Size/p/5 Values/g/6 Flags/g/7 Flags/p/7 ValueToStr/m/8 Format/m/9 "
       "CalculateChecksum/m/10 CounterToStr/m/12 CopyFrom/m/13 Edit/m/14"},
      {"IQAVZLVFrameItems", "Items/g/4 FindByID/m/6 FindByItemType/m/5 Clear/m/7 CopyFrom/m/8 Edit/m/9"},
      {"IQAVZLVFrames",
       "PacketLibraray/g/9 PacketLibraray/p/9 Items/g/4 FindByPacketType/m/5 FindByPacketID/m/6 LoadFromFile/m/7 "
       "SaveToFile/m/8 Clear/m/10 CopyFrom/m/11 Edit/m/12"},
      {"IQAVZLVPacketDef",
       "ID/g/1 ID/p/1 Name/g/2 Name/p/2 PacketType/g/3 PacketType/p/3 PacketStructID/g/5 PacketStructID/p/5 "
       "Index/g/4 Index/p/4 FieldDefs/g/7 CopyFrom/m/6 Edit/m/8"},
      {"IQAVZLVPacketDefs",
       "Items/g/4 FindByName/m/5 FindByID/m/6 LoadFromFile/m/7 SaveToFile/m/8 CopyFrom/m/9 Clear/m/10 Edit/m/11"},
      {"IQAVZLVFlowItem",
       "Index/g/3 Index/p/3 ID/g/1 ID/p/1 Direction/g/4 Direction/p/4 Data/g/6 Data/p/6 PacketType/g/7 "
       "PacketType/p/7 PacketDelimiters/g/12 CharsAfterDelimiter/g/5 CharsAfterDelimiter/p/5 RetryCount/g/8 "
       "RetryCount/p/8 Interval/g/9 Interval/p/9 NextFlowItemID/g/10 NextFlowItemID/p/10 Flags/g/11 Flags/p/11 "
       "Edit/m/2 CopyFrom/m/13"},
      {"IQAVZLVFlowItems",
       "Items/g/4 CurrentID/g/9 CurrentID/p/9 FindFirstID/m/7 FindNextID/m/8 FindFirstByID/m/5 FindNextByID/m/6 "
       "Edit/m/10 CopyFrom/m/11 Clear/m/12"},
      {"IQAVZLVFlow", "FlowType/g/1 FlowType/p/1 Index/g/2 Index/p/2 ID/g/3 ID/p/3 FlowItems/g/4 Edit/m/5 CopyFrom/m/6"},
      {"IQAVZLVFlows",
       "ConnectionRepetitionsLimit/g/10 ConnectionRepetitionsLimit/p/10 DataSendRepetitionsLimit/g/11 "
       "DataSendRepetitionsLimit/p/11 WCKLimit/g/4 WCKLimit/p/4 NAKLimit/g/9 NAKLimit/p/9 Items/g/5 "
       "FindByFlowType/m/6 LoadFromFile/m/7 SaveToFile/m/8 Edit/m/12 CopyFrom/m/13 Clear/m/14"},
      {"IQAVZLVPacketLibrary",
       "ID/g/1 ID/p/1 Name/g/2 Name/p/2 Version/g/3 Version/p/3 Flows/g/9 PacketDefs/g/4 PacketStructs/g/8 "
       "CreateReport/g/10 CreateReport/p/10 FileName/g/12 FileName/p/12 SaveToFile/m/6 LoadFromFile/m/5 "
       "CreatePacket/m/7 Edit/m/11"},
      {"IQAVZLVPacket",
       "ID/g/1 ID/p/1 Name/g/2 Name/p/2 PacketType/g/8 PacketType/p/8 PacketStruct/g/15 PacketDef/g/14 "
       "DefinitionIndex/g/3 FieldsCount/g/4 FieldValues/g/5 FieldValues/p/5 DataString/g/6 DataString/p/6 "
       "PacketLibrary/g/7 PacketLibrary/p/7 Length/g/9 IsLast/g/201 IsLast/p/201 LoadDefaults/m/10 "
       "GetDelimitedString/m/11 SetFromDelimitedString/m/13"},
      {"IQAVZLVProtocol",
       "ID/g/1 ID/p/1 Name/g/2 Name/p/2 Version/g/3 Version/p/3 PacketLibrary/g/4 PacketLibrary/p/4 "
       "PackPacket/m/7 UnpackPacket/m/8 CreatePacket/m/9 Edit/m/5"},
  };
  expected["IQAVZLVDeviceStatistics"] =
      "PacketsSent/g/1 PacketsReceived/g/2 Retransmissions/g/3 AverageSpeed/g/4 ResetStatistics/m/5";
  expected["IQAVZLVDevice"] =
      "Address/g/1 Address/p/1 Port/g/2 Port/p/2 DeviceType/g/3 Master/g/18 Master/p/18 Protocol/g/10 "
      "Protocol/p/10 KeepConnection/g/201 KeepConnection/p/201 IsConnected/g/14 LastError/g/15 "
      "LastErrorMessage/g/16 Statistics/g/17 LastPacketSent/g/203 LastPacketReceived/g/204 Connect/m/4 "
      "Disconnect/m/5 ModeSwitch/m/6 WritePacket/m/8 ReadPacket/m/9 SendString/m/19 SendACK/m/11 SendNAK/m/12 "
      "Abort/m/13 Listen/m/7 Reset/m/202";
  // The member counts of the published interface table (reads and writes counted apart).
  std::map<std::string, std::size_t> counts = {
      {"IDispatchCollection", 3}, {"IQAVZLVValue", 2},      {"IQAVZLVValues", 3},     {"IQAVZLVFieldDef", 30},
      {"IQAVZLVFieldDefs", 6},    {"IQAVZLVFrame", 11},     {"IQAVZLVFrameItem", 21}, {"IQAVZLVFrameItems", 6},
      {"IQAVZLVFrames", 10},      {"IQAVZLVPacketDef", 13}, {"IQAVZLVPacketDefs", 8}, {"IQAVZLVFlowItem", 23},
      {"IQAVZLVFlowItems", 10},   {"IQAVZLVFlow", 9},       {"IQAVZLVFlows", 15},     {"IQAVZLVPacketLibrary", 17},
      {"IQAVZLVPacket", 22},      {"IQAVZLVProtocol", 12},  {"IQAVZLVDeviceStatistics", 5},
      {"IQAVZLVDevice", 28},
  };
  auto kindLetter = [](com::MemberKind k) {
    return k == com::MemberKind::PropGet ? "g" : k == com::MemberKind::PropPut ? "p" : "m";
  };
  for (const auto& [name, members] : expected) {
    const com::InterfaceDesc* d = nullptr;
    for (auto* i : Lib().interfaces)
      if (i->name == name) d = i;
    ASSERT_NE(d, nullptr) << name;
    std::string actual;
    for (const com::MemberDesc& m : d->members) {
      if (!actual.empty()) actual += " ";
      actual += m.name + "/" + kindLetter(m.kind) + "/" + std::to_string(m.dispid);
    }
    EXPECT_EQ(actual, members) << name;
    EXPECT_EQ(d->members.size(), counts.at(name)) << name;
  }
  // _Items is hidden from browsers and its index defaults to 0.
  const com::MemberDesc* items = Lib().FindInterface(IDispatchCollection::Iid)->Find(2, com::MemberKind::PropGet);
  ASSERT_NE(items, nullptr);
  EXPECT_TRUE(items->flags & com::kMemberHidden);
  EXPECT_TRUE(items->params[0].hasDefault);
  EXPECT_EQ(items->params[0].defaultValue.lVal, 0);
  // Derived collections inherit the base members.
  EXPECT_NE(Lib().FindInterface(IQAVZLVValues::Iid)->Find(1, com::MemberKind::PropGet), nullptr);
  // Optional arguments and their defaults.
  const com::MemberDesc* paste = Lib().FindInterface(IQAVZLVFieldDef::Iid)->Find(14, com::MemberKind::Method);
  ASSERT_NE(paste, nullptr);
  EXPECT_EQ(paste->params[0].vt, VT_BSTR | VT_BYREF);
  EXPECT_EQ(paste->params[2].defaultValue.lVal, -1);
  const com::MemberDesc* pack = Lib().FindInterface(IQAVZLVProtocol::Iid)->Find(7, com::MemberKind::Method);
  ASSERT_NE(pack, nullptr);
  EXPECT_EQ(pack->params[1].vt, VT_BSTR | VT_BYREF);
  EXPECT_EQ(pack->result, VT_I4);
}

TEST(TypeLibTest, Coclasses) {
  struct Row {
    const char* name;
    const char* clsid;
    const char* itf;
    const char* help;
  } rows[] = {
      {"QAVZLVDevice", "{2EA02094-104A-4A35-861E-F6DBD8E6497C}", "IQAVZLVDevice", ""},
      {"QAVZLVComDevice", "{2775E8AE-6F09-4257-93BD-B47F2CBA0987}", "IQAVZLVDevice", "QAVZLVCommDevice Object"},
      {"QAVZLVProtocol", "{E6F8262E-EB0D-418D-9170-A5D6B6576573}", "IQAVZLVProtocol", "QAVZLVProtocol Object"},
      {"QAVZLVPacketLibrary", "{3D1DB45A-DD22-4060-ADD8-517B5A6A52D2}", "IQAVZLVPacketLibrary",
       "QAVZLVPacketLibrary Object"},
      {"QAVZLVPacketDef", "{B8458C6A-8676-4023-8BAF-F9EE259FB6A2}", "IQAVZLVPacketDef", "QAVZLVPacketDef Object"},
      {"QAVZLVFieldDef", "{AEC912E2-9E34-4940-A6DD-E4A3EF203364}", "IQAVZLVFieldDef", "QAVZLVFieldDef Object"},
      {"QAVZLVPacket", "{D794BD1C-B425-4670-9210-EF53250796A8}", "IQAVZLVPacket", "QAVZLVPacket Object"},
      {"DispatchCollection", "{86E51E11-6BC7-4C2F-B07B-995E63B51935}", "IDispatchCollection",
       "DispatchCollection Object"},
      {"QAVZLVFieldDefs", "{4FE37096-72CA-4054-B714-678D93466F24}", "IQAVZLVFieldDefs", "QAVZLVFieldDefs Object"},
      {"QAVZLVPacketDefs", "{63261CE1-404D-44F7-9C6A-BE47FF413DB5}", "IQAVZLVPacketDefs", "QAVZLVPacketDefs Object"},
      {"QAVZLVFileDriver", "{ABB1FF2E-088E-4553-96F0-24193430644A}", "IQAVZLVFileDriver", "QAVZLVTFParser Object"},
      {"QAVZLVTapiDevice", "{AD6D67A9-4981-4945-B2E9-250D175C2486}", "IQAVZLVDevice", ""},
      {"QAVZLVDeviceStatistics", "{239FFC89-3E9C-4EB9-A135-035AC5175BB1}", "IQAVZLVDeviceStatistics",
       "QAVZLVDeviceStatistics Object"},
      {"QAVZLVFrame", "{BD14B42B-310D-42C0-89FE-3ED7B165ACE4}", "IQAVZLVFrame", "QAVZLVPacketStruct Object"},
      {"QAVZLVFrameItem", "{09CF6F83-3FC6-4496-8E4E-C91A0C69BD48}", "IQAVZLVFrameItem", "QAVZLVPacketStructItem Object"},
      {"QAVZLVFrameItems", "{125FBFD4-B688-4319-81B7-791CB5B74C05}", "IQAVZLVFrameItems",
       "QAVZLVPacketStructItems Object"},
      {"QAVZLVFrames", "{FB4105AD-2A5C-4D86-A33A-29E7408FDEF8}", "IQAVZLVFrames", "QAVZLVPacketStructs Object"},
      {"QAVZLVValue", "{5A652A92-691C-4CC4-A425-7FD0E415DE36}", "IQAVZLVValue", "QAVZLVValue Object"},
      {"QAVZLVValues", "{4ED6460A-3991-4B3F-8A71-1A9F1A114979}", "IQAVZLVValues", "QAVZLVValues Object"},
      {"QAVZLVFlowItem", "{AEAEDDEE-B97C-4AFD-B8E2-7A65E07AE692}", "IQAVZLVFlowItem", "QAVZLVFlowDef Object"},
      {"QAVZLVFlowItems", "{2F6E8C86-0E30-4FCF-A4A2-78053F4DB953}", "IQAVZLVFlowItems", "QAVZLVFlowDefItems Object"},
      {"QAVZLVFlow", "{80A8DF96-111B-4A92-A4B9-D4A980D22741}", "IQAVZLVFlow", "QAVZLVFlowDef Object"},
      {"QAVZLVFlows", "{0EB51F47-4F90-4DC8-A898-FAB720A04403}", "IQAVZLVFlows", "QAVZLVFlowDefs Object"},
      {"QAVZLVTandrelDevice", "{AD9A0C41-9DA6-4E34-B1CA-6A2F3F5306F9}", "IQAVZLVDevice", ""},
  };
  ASSERT_EQ(Lib().coclasses.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const com::CoclassDesc& c = Lib().coclasses[i];
    EXPECT_EQ(c.name, rows[i].name);
    EXPECT_EQ(GuidToString(c.clsid), rows[i].clsid) << rows[i].name;
    EXPECT_EQ(c.defaultInterface->name, rows[i].itf) << rows[i].name;
    EXPECT_EQ(c.helpString, rows[i].help) << rows[i].name;
    EXPECT_EQ((c.flags & com::kTypeHidden) != 0, i == 0) << rows[i].name;
  }
}

TEST(TypeLibTest, Enumerations) {
  struct Row {
    const char* name;
    const char* guid;
    const char* help;
    std::vector<std::pair<std::string, LONG>> constants;
  } rows[] = {
      {"QAVZLVDeviceType",
       "{24284BC1-2E3F-40EE-AC80-D339B256E5BB}",
       "",
       {{"qzlvdtUnknown", 0}, {"qzlvdtComDevice", 1}, {"qzlvdtTAPIDevice", 2}, {"qzlvdtSocketDevice", 3},
        {"qzlvdtQAVTandrelDevice", 4}}},
      {"QAVZLVDataType",
       "{E27B6188-C143-43A0-81E0-AD179FE8EE21}",
       "data type constants",
       {{"qzlvdaString", 1}, {"qzlvdaChar", 2}, {"qzlvdaBool", 3}, {"qzlvdaCurrency", 4}, {"qzlvdaInteger", 5},
        {"qzlvdaDate", 6}, {"qzlvdaTime", 7}}},
      {"QAVZLVDataConversion",
       "{26FD1FAD-99FB-4520-A164-3E35D21FF8AC}",
       "data conversion constants",
       {{"qzlvdcNone", 0}, {"qzlvdcShortDate", 1}, {"qzlvdcHundredths", 2}, {"qzlvdcThousands", 4},
        {"qzlvdcSigned", 8}, {"qzlvdcZeroPadded", 16}, {"qzlvdcLeftJustify", 32}, {"qzlvdcRightJustify", 64},
        {"qzlvdcHex", 128}, {"qzlvdcStringTerminated", 256}, {"qzlvdcFitFieldToData", 512}}},
      {"QAVZLVProtocolError",
       "{62348443-7FB2-48B2-9327-1378BC395880}",
       "",
       {{"qzlvpeOK", 0},           {"qzlvpeUnknownPacket", 1},     {"qzlvpeBadPacketLen", 2},
        {"qzlvpeInvalidPacket", 3}, {"qzlvpeBadChecksum", 4},       {"qzlvpeUnknownPacketStructure", 5},
        {"qzlvpeUndefinedFlow", 6}, {"qzlvpeInvalidData", 7},       {"qzlvpeEndOfData", 16},
        {"qzlvpeNoData", 17},       {"qzlvpeEndOfTransmission", 18}, {"qzlvpeNak", 32},
        {"qzlvpeTimeout", 33},      {"qzlvpeRejected", 64},         {"qzlvpeUnexpected", 65},
        {"qzlvpeDeviceDoesntRespond", 66}, {"qzlvpeCantConnect", 67}, {"qzlvpeDisconnected", 68},
        {"qzlvpeDeviceBusy", 69},   {"qzlvpeDeviceError", 70},      {"qzlvpeUserBreak", 100}}},
      {"QAVZLVPacketType",
       "{71A36D0D-1DD3-4315-9482-329295C68357}",
       "",
       {{"qzlvptUnknown", 0}, {"qzlvptStart", 1}, {"qzlvptWrite", 2}, {"qzlvptRead", 4}, {"qzlvptError", 8}}},
      {"QAVZLVDelimitedStrOptions",
       "{356EE39F-025E-40A7-A045-BC0C40DB2646}",
       "",
       {{"qzlvdsoPacketType", 1}, {"qzlvdsoPacketID", 2}, {"qzlvdsoPacketSubID", 4}, {"qzlvdsoFieldsOnly", 0},
        {"qzlvdsoNoConversion", 4096}, {"qzlvdsoSmartBrackets", 8192}, {"qzlvdsoDefault", 12294}}},
      {"QAVZLVFileType", "{9309005A-9EAB-44FB-8700-442BA006786A}", "", {{"qzlvftDelimited", 0}, {"qzlvftPositional", 1}}},
      {"QAVZLVFrameItemType",
       "{65489A9E-D6C3-4C5C-9757-618D8CBCB36B}",
       "",
       {{"qzlvpstConst", 0}, {"qzlvpstCounter", 1}, {"qzlvpstReceiverID", 2}, {"qzlvpstPacketID", 3},
        {"qzlvpstData", 4}, {"qzlvpstChecksum", 5}}},
      {"QAVZLVFrameItemFlags",
       "{973D6BD5-08DA-44F7-AD9F-33551CF9716B}",
       "",
       {{"qzlvpsfNone", 0}, {"qzlvpsfLeftJustify", 1}, {"qzlvpsfRightJustify", 2}, {"qzlvpsfZeroPadded", 4},
        {"qzlvpsfUseToCRCCalculation", 16}, {"qzlvcrcECR", 32}, {"qzlvcrcTRX810", 64}, {"qzlvcrcVORDAN", 128},
        {"qzlvpsEndOfDataIfFirst", 1024}}},
      {"QAVZLVFlowDirections", "{AB3EB486-CD06-4F54-BB93-9C8CFF7CF982}", "", {{"qzlvfdtFromPC", 0}, {"qzlvfdtToPC", 1}}},
      {"QAVZLVFlowFlags",
       "{BE10D972-B0B2-4FD4-A580-FDF7CFB5E300}",
       "",
       {{"qzlvffSendIfOK", 1}, {"qzlvffSendIfNotOK", 2}, {"qzlvffOKIfReceived", 4}, {"qzlvffNotOKIfReceived", 8},
        {"qzlvffWaitIfReceived", 16}, {"qzlvffRejectedIfReceived", 32}, {"qzlvffEndOfDataIfReceived", 64},
        {"qzlvffResetPortIfReceived", 128}, {"qzlvffNoDataIfReceived", 256}, {"qzlvffResetPortBeforeSend", 512},
        {"qzlvffEndTransmission", 1024}}},
      {"QAVZLVFlowTypes",
       "{33ADD6D1-84D1-4452-A54E-33044892679B}",
       "",
       {{"qzlvftUnknown", 0}, {"qzlvftSendMsgOpen", 1}, {"qzlvftSendMsgModeSwitch", 2},
        {"qzlvftSendMsgCloseWrite", 3}, {"qzlvftSendMsgCloseRead", 4}, {"qzlvftSendMsgACK", 5},
        {"qzlvftSendMsgNAK", 6}, {"qzlvftSendPacket", 7}, {"qzlvftReceivePacket", 8},
        {"qzlvftESendMsgOpen", 9}, {"qzlvftESendMsgModeSwitch", 10}, {"qzlvftESendMsgCloseWrite", 11},
        {"qzlvftESendMsgCloseRead", 12}, {"qzlvftESendMsgACK", 13}, {"qzlvftESendMsgNAK", 14},
        {"qzlvftESendPacket", 15}, {"qzlvftEReceivePacket", 16}, {"qzlvftESendErrorPacket", 17}}},
  };
  ASSERT_EQ(Lib().enums.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const com::EnumDesc& e = Lib().enums[i];
    EXPECT_EQ(e.name, rows[i].name);
    EXPECT_EQ(GuidToString(e.guid), rows[i].guid) << rows[i].name;
    EXPECT_EQ(e.helpString, rows[i].help) << rows[i].name;
    std::vector<std::pair<std::string, LONG>> constants;
    for (const com::EnumConstant& c : e.constants) constants.emplace_back(c.name, c.value);
    EXPECT_EQ(constants, rows[i].constants) << rows[i].name;
  }
}

}  // namespace
}  // namespace zelvani
