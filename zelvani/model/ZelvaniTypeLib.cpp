// The one description of the engine's type library: every interface with its
// members in slot order (names, DISPIDs, parameters, defaults and help
// strings), the coclasses and the enumerations with their constants' texts.
// Dispatch, registration and the ITypeLib that hosts load all read it.
#include "zelvani/model/ZelvaniTypeLib.h"

namespace zelvani {

using com::InterfaceDesc;
using com::Method;
using com::Param;
using com::Procedure;
using com::PropGet;
using com::PropPut;

namespace {

// Interfaces; a base must be defined before the interfaces deriving from it.

const InterfaceDesc& DispatchCollectionDesc() {
  static const InterfaceDesc d("IDispatchCollection", IDispatchCollection::Iid, nullptr, "",
                               {
                                   PropGet<&IDispatchCollection::get_Count>("Count", 1),
                                   PropGet<&IDispatchCollection::get__Items>("_Items", 2, {Param("i").Default(0)})
                                       .Hidden(),
                                   Method<&IDispatchCollection::Add>("Add", 3, {Param("Item")}),
                               });
  return d;
}

const InterfaceDesc& ValueDesc() {
  static const InterfaceDesc d("IQAVZLVValue", IQAVZLVValue::Iid, nullptr,
                               "Dispatch interface for QAVZLVValue Object",
                               {
                                   PropGet<&IQAVZLVValue::get_Value>("Value", 4),
                                   PropPut<&IQAVZLVValue::put_Value>("Value", 4, {Param("Value")}),
                               });
  return d;
}

const InterfaceDesc& ValuesDesc() {
  static const InterfaceDesc d("IQAVZLVValues", IQAVZLVValues::Iid, &DispatchCollectionDesc(),
                               "Dispatch interface for QAVZLVValues Object",
                               {
                                   PropGet<&IQAVZLVValues::get_Items>("Items", 4, {Param("i")}),
                                   Procedure<&IQAVZLVValues::Clear>("Clear", 5),
                                   Method<&IQAVZLVValues::CopyFrom>("CopyFrom", 6, {Param("Source")}),
                               });
  return d;
}

const InterfaceDesc& FieldDefDesc() {
  using I = IQAVZLVFieldDef;
  static const InterfaceDesc d(
      "IQAVZLVFieldDef", I::Iid, nullptr, "Dispatch interface for QAVZLVFieldDef Object",
      {
          COM_PROP(I, ID, 1),
          COM_PROP(I, Name, 2),
          COM_PROP(I, Index, 3),
          COM_PROP(I, Size, 4),
          COM_PROP(I, DataType, 5),
          COM_PROP(I, Constraints, 6),
          COM_PROP(I, MinValue, 7),
          COM_PROP(I, MaxValue, 8),
          COM_PROP(I, DefaultValue, 9),
          COM_PROP(I, Separator, 10),
          COM_PROP(I, Required, 11),
          COM_PROP(I, Conversions, 12),
          COM_PROP(I, Offset, 13),
          Method<&I::PasteValue>("PasteValue", 14, {Param("Buffer"), Param("Value"), Param("Offset").Default(-1)}),
          Method<&I::ExtractValue>("ExtractValue", 15, {Param("Buffer"), Param("Value")}),
          Method<&I::Edit>("Edit", 16),
          Method<&I::CopyFrom>("CopyFrom", 17, {Param("Source")}),
      });
  return d;
}

const InterfaceDesc& FieldDefsDesc() {
  using I = IQAVZLVFieldDefs;
  static const InterfaceDesc d("IQAVZLVFieldDefs", I::Iid, &DispatchCollectionDesc(),
                               "Dispatch interface for QAVZLVFieldDefs Object",
                               {
                                   PropGet<&I::get_Items>("Items", 4, {Param("i").Default(0)}),
                                   Method<&I::FindByName>("FindByName", 5, {Param("Name")}),
                                   Method<&I::FindByID>("FindByID", 6, {Param("ID")}),
                                   Procedure<&I::Clear>("Clear", 7),
                                   Method<&I::CopyFrom>("CopyFrom", 8, {Param("Source")}),
                                   Method<&I::Edit>("Edit", 9),
                               });
  return d;
}

const InterfaceDesc& FrameItemDesc() {
  using I = IQAVZLVFrameItem;
  static const InterfaceDesc d("IQAVZLVFrameItem", I::Iid, nullptr,
                               "Dispatch interface for QAVZLVPacketStructItem Object",
                               {
                                   COM_PROP(I, ItemType, 1),
                                   COM_PROP(I, Index, 2),
                                   COM_PROP(I, ID, 4),
                                   COM_PROP(I, DataType, 3),
                                   COM_PROP(I, Offset, 11),
                                   COM_PROP(I, Size, 5),
                                   PropGet<&I::get_Values>("Values", 6),
                                   COM_PROP(I, Flags, 7),
                                   Method<&I::ValueToStr>("ValueToStr", 8, {Param("ValueIndex")}),
                                   Method<&I::Format>("Format", 9, {Param("ItemStr")}),
                                   Method<&I::CalculateChecksum>("CalculateChecksum", 10, {Param("buff")}),
                                   Method<&I::CounterToStr>("CounterToStr", 12),
                                   Method<&I::CopyFrom>("CopyFrom", 13, {Param("Source")}),
                                   Method<&I::Edit>("Edit", 14),
                               });
  return d;
}

const InterfaceDesc& FrameItemsDesc() {
  using I = IQAVZLVFrameItems;
  static const InterfaceDesc d("IQAVZLVFrameItems", I::Iid, &DispatchCollectionDesc(),
                               "Dispatch interface for QAVZLVPacketStructItems Object",
                               {
                                   PropGet<&I::get_Items>("Items", 4, {Param("i")}),
                                   Method<&I::FindByID>("FindByID", 6, {Param("ID"), Param("ItemType").Default(0)}),
                                   Method<&I::FindByItemType>("FindByItemType", 5, {Param("ItemType")}),
                                   Procedure<&I::Clear>("Clear", 7),
                                   Method<&I::CopyFrom>("CopyFrom", 8, {Param("Source")}),
                                   Method<&I::Edit>("Edit", 9),
                               });
  return d;
}

const InterfaceDesc& FrameDesc() {
  using I = IQAVZLVFrame;
  static const InterfaceDesc d("IQAVZLVFrame", I::Iid, nullptr, "Dispatch interface for QAVZLVPacketStruct Object",
                               {
                                   COM_PROP(I, PacketType, 1),
                                   COM_PROP(I, Index, 3),
                                   COM_PROP(I, ID, 5),
                                   COM_PROP(I, Name, 6),
                                   PropGet<&I::get_PacketStructItems>("PacketStructItems", 2),
                                   Method<&I::CopyFrom>("CopyFrom", 4, {Param("Source")}),
                                   Method<&I::Edit>("Edit", 7),
                               });
  return d;
}

const InterfaceDesc& FramesDesc() {
  using I = IQAVZLVFrames;
  static const InterfaceDesc d(
      "IQAVZLVFrames", I::Iid, &DispatchCollectionDesc(), "Dispatch interface for QAVZLVPacketStructs Object",
      {
          COM_PROP(I, PacketLibraray, 9),
          PropGet<&I::get_Items>("Items", 4, {Param("i")}),
          Method<&I::FindByPacketType>("FindByPacketType", 5, {Param("PacketType").Default(0)}),
          Method<&I::FindByPacketID>("FindByPacketID", 6, {Param("ID"), Param("PacketType")}),
          Method<&I::LoadFromFile>("LoadFromFile", 7, {Param("FileName")}),
          Method<&I::SaveToFile>("SaveToFile", 8, {Param("FileName")}),
          Procedure<&I::Clear>("Clear", 10),
          Method<&I::CopyFrom>("CopyFrom", 11, {Param("Source")}),
          Method<&I::Edit>("Edit", 12),
      });
  return d;
}

const InterfaceDesc& PacketDefDesc() {
  using I = IQAVZLVPacketDef;
  static const InterfaceDesc d("IQAVZLVPacketDef", I::Iid, nullptr, "Dispatch interface for QAVZLVPacketDef Object",
                               {
                                   COM_PROP(I, ID, 1),
                                   COM_PROP(I, Name, 2),
                                   COM_PROP(I, PacketType, 3),
                                   COM_PROP(I, PacketStructID, 5),
                                   COM_PROP(I, Index, 4),
                                   PropGet<&I::get_FieldDefs>("FieldDefs", 7),
                                   Method<&I::CopyFrom>("CopyFrom", 6, {Param("Source")}),
                                   Method<&I::Edit>("Edit", 8),
                               });
  return d;
}

const InterfaceDesc& PacketDefsDesc() {
  using I = IQAVZLVPacketDefs;
  static const InterfaceDesc d(
      "IQAVZLVPacketDefs", I::Iid, &DispatchCollectionDesc(), "Dispatch interface for QAVZLVPacketDefs Object",
      {
          PropGet<&I::get_Items>("Items", 4, {Param("i").Default(0)}),
          Method<&I::FindByName>("FindByName", 5, {Param("Name"), Param("PktType").Default(0)}),
          Method<&I::FindByID>("FindByID", 6, {Param("ID"), Param("PktType").Default(0)}),
          Method<&I::LoadFromFile>("LoadFromFile", 7, {Param("FileName")}),
          Method<&I::SaveToFile>("SaveToFile", 8, {Param("FileName")}),
          Method<&I::CopyFrom>("CopyFrom", 9, {Param("Source")}),
          Procedure<&I::Clear>("Clear", 10),
          Method<&I::Edit>("Edit", 11),
      });
  return d;
}

const InterfaceDesc& FlowItemDesc() {
  using I = IQAVZLVFlowItem;
  static const InterfaceDesc d("IQAVZLVFlowItem", I::Iid, nullptr, "Dispatch interface for QAVZLVFlowDef Object",
                               {
                                   COM_PROP(I, Index, 3),
                                   COM_PROP(I, ID, 1),
                                   COM_PROP(I, Direction, 4),
                                   COM_PROP(I, Data, 6),
                                   COM_PROP(I, PacketType, 7),
                                   PropGet<&I::get_PacketDelimiters>("PacketDelimiters", 12),
                                   COM_PROP(I, CharsAfterDelimiter, 5),
                                   COM_PROP(I, RetryCount, 8),
                                   COM_PROP(I, Interval, 9),
                                   COM_PROP(I, NextFlowItemID, 10),
                                   COM_PROP(I, Flags, 11),
                                   Method<&I::Edit>("Edit", 2),
                                   Method<&I::CopyFrom>("CopyFrom", 13, {Param("Source")}),
                               });
  return d;
}

const InterfaceDesc& FlowItemsDesc() {
  using I = IQAVZLVFlowItems;
  static const InterfaceDesc d("IQAVZLVFlowItems", I::Iid, &DispatchCollectionDesc(),
                               "Dispatch interface for QAVZLVFlowDefItems Object",
                               {
                                   PropGet<&I::get_Items>("Items", 4, {Param("i")}),
                                   COM_PROP(I, CurrentID, 9),
                                   Method<&I::FindFirstID>("FindFirstID", 7),
                                   Method<&I::FindNextID>("FindNextID", 8),
                                   Method<&I::FindFirstByID>("FindFirstByID", 5, {Param("ID")}),
                                   Method<&I::FindNextByID>("FindNextByID", 6, {Param("ID")}),
                                   Method<&I::Edit>("Edit", 10),
                                   Method<&I::CopyFrom>("CopyFrom", 11, {Param("Source")}),
                                   Procedure<&I::Clear>("Clear", 12),
                               });
  return d;
}

const InterfaceDesc& FlowDesc() {
  using I = IQAVZLVFlow;
  static const InterfaceDesc d("IQAVZLVFlow", I::Iid, nullptr, "Dispatch interface for QAVZLVFlowDef Object",
                               {
                                   COM_PROP(I, FlowType, 1),
                                   COM_PROP(I, Index, 2),
                                   COM_PROP(I, ID, 3),
                                   PropGet<&I::get_FlowItems>("FlowItems", 4),
                                   Method<&I::Edit>("Edit", 5),
                                   Method<&I::CopyFrom>("CopyFrom", 6, {Param("Source")}),
                               });
  return d;
}

const InterfaceDesc& FlowsDesc() {
  using I = IQAVZLVFlows;
  static const InterfaceDesc d("IQAVZLVFlows", I::Iid, &DispatchCollectionDesc(),
                               "Dispatch interface for QAVZLVFlowDefs Object",
                               {
                                   COM_PROP(I, ConnectionRepetitionsLimit, 10),
                                   COM_PROP(I, DataSendRepetitionsLimit, 11),
                                   COM_PROP(I, WCKLimit, 4),
                                   COM_PROP(I, NAKLimit, 9),
                                   PropGet<&I::get_Items>("Items", 5, {Param("i")}),
                                   Method<&I::FindByFlowType>("FindByFlowType", 6, {Param("FlowType").Default(0)}),
                                   Method<&I::LoadFromFile>("LoadFromFile", 7, {Param("FileName")}),
                                   Method<&I::SaveToFile>("SaveToFile", 8, {Param("FileName")}),
                                   Method<&I::Edit>("Edit", 12),
                                   Method<&I::CopyFrom>("CopyFrom", 13, {Param("Source")}),
                                   Procedure<&I::Clear>("Clear", 14),
                               });
  return d;
}

const InterfaceDesc& PacketLibraryDesc() {
  using I = IQAVZLVPacketLibrary;
  static const InterfaceDesc d(
      "IQAVZLVPacketLibrary", I::Iid, nullptr, "Dispatch interface for QAVZLVPacketLibrary Object",
      {
          COM_PROP(I, ID, 1),
          COM_PROP(I, Name, 2),
          COM_PROP(I, Version, 3),
          PropGet<&I::get_Flows>("Flows", 9),
          PropGet<&I::get_PacketDefs>("PacketDefs", 4),
          PropGet<&I::get_PacketStructs>("PacketStructs", 8),
          COM_PROP(I, CreateReport, 10),
          COM_PROP(I, FileName, 12),
          Method<&I::SaveToFile>("SaveToFile", 6, {Param("FileName")}),
          Method<&I::LoadFromFile>("LoadFromFile", 5, {Param("FileName")}),
          Method<&I::CreatePacket>("CreatePacket", 7, {Param("PktID"), Param("PktDef"), Param("PktType")}),
          Method<&I::Edit>("Edit", 11),
      });
  return d;
}

const InterfaceDesc& PacketDesc() {
  using I = IQAVZLVPacket;
  static const InterfaceDesc d(
      "IQAVZLVPacket", I::Iid, nullptr, "Dispatch interface for QAVZLVPacket Object",
      {
          COM_PROP(I, ID, 1),
          COM_PROP(I, Name, 2),
          COM_PROP(I, PacketType, 8),
          PropGet<&I::get_PacketStruct>("PacketStruct", 15),
          PropGet<&I::get_PacketDef>("PacketDef", 14),
          PropGet<&I::get_DefinitionIndex>("DefinitionIndex", 3)
              .Help("Index of packet definition object for this packet in the packetdefs collection"),
          PropGet<&I::get_FieldsCount>("FieldsCount", 4).Help("Count of packets fields"),
          PropGet<&I::get_FieldValues>("FieldValues", 5, {Param("Index")}),
          PropPut<&I::put_FieldValues>("FieldValues", 5, {Param("Index"), Param("Value")}),
          COM_PROP(I, DataString, 6),
          COM_PROP(I, PacketLibrary, 7),
          PropGet<&I::get_Length>("Length", 9).Help("Returns length of packet data"),
          COM_PROP(I, IsLast, 201),
          Procedure<&I::LoadDefaults>("LoadDefaults", 10).Help("Loads default values for packet fields"),
          Method<&I::GetDelimitedString>(
              "GetDelimitedString", 11,
              {Param("Delimiter"), Param("Brackets"), Param("NewLineChar"), Param("Options")}),
          Method<&I::SetFromDelimitedString>(
              "SetFromDelimitedString", 13,
              {Param("Str"), Param("Delimiter"), Param("Brackets"), Param("NewLineChar"), Param("Options")}),
      });
  return d;
}

const InterfaceDesc& ProtocolDesc() {
  using I = IQAVZLVProtocol;
  static const InterfaceDesc d(
      "IQAVZLVProtocol", I::Iid, nullptr, "Dispatch interface for QAVZLVProtocol Object",
      {
          COM_PROP(I, ID, 1),
          COM_PROP(I, Name, 2),
          COM_PROP(I, Version, 3),
          COM_PROP(I, PacketLibrary, 4),
          Method<&I::PackPacket>("PackPacket", 7, {Param("Packet"), Param("PktStr")}),
          Method<&I::UnpackPacket>("UnpackPacket", 8, {Param("PktStr"), Param("Packet")}),
          Method<&I::CreatePacket>("CreatePacket", 9, {Param("PktID"), Param("PktDef"), Param("PktType")}),
          Method<&I::Edit>("Edit", 5),
      });
  return d;
}

const InterfaceDesc& DeviceStatisticsDesc() {
  using I = IQAVZLVDeviceStatistics;
  static const InterfaceDesc d("IQAVZLVDeviceStatistics", I::Iid, nullptr,
                               "Dispatch interface for QAVZLVDeviceStatistics Object",
                               {
                                   PropGet<&I::get_PacketsSent>("PacketsSent", 1),
                                   PropGet<&I::get_PacketsReceived>("PacketsReceived", 2),
                                   PropGet<&I::get_Retransmissions>("Retransmissions", 3),
                                   PropGet<&I::get_AverageSpeed>("AverageSpeed", 4),
                                   Procedure<&I::ResetStatistics>("ResetStatistics", 5),
                               });
  return d;
}

const InterfaceDesc& DeviceDesc() {
  using I = IQAVZLVDevice;
  static const InterfaceDesc d("IQAVZLVDevice", I::Iid, nullptr, "",
                               {
                                   COM_PROP(I, Address, 1),
                                   COM_PROP(I, Port, 2),
                                   PropGet<&I::get_DeviceType>("DeviceType", 3),
                                   COM_PROP(I, Master, 18),
                                   COM_PROP(I, Protocol, 10),
                                   COM_PROP(I, KeepConnection, 201),
                                   PropGet<&I::get_IsConnected>("IsConnected", 14),
                                   PropGet<&I::get_LastError>("LastError", 15),
                                   PropGet<&I::get_LastErrorMessage>("LastErrorMessage", 16),
                                   PropGet<&I::get_Statistics>("Statistics", 17),
                                   PropGet<&I::get_LastPacketSent>("LastPacketSent", 203),
                                   PropGet<&I::get_LastPacketReceived>("LastPacketReceived", 204),
                                   Method<&I::Connect>("Connect", 4),
                                   Method<&I::Disconnect>("Disconnect", 5),
                                   Method<&I::ModeSwitch>("ModeSwitch", 6),
                                   Method<&I::WritePacket>("WritePacket", 8, {Param("Packet")}),
                                   Method<&I::ReadPacket>("ReadPacket", 9, {Param("Packet")}),
                                   Method<&I::SendString>("SendString", 19, {Param("Buffer")}),
                                   Procedure<&I::SendACK>("SendACK", 11),
                                   Procedure<&I::SendNAK>("SendNAK", 12),
                                   Procedure<&I::Abort>("Abort", 13),
                                   Method<&I::Listen>("Listen", 7),
                                   Method<&I::Reset>("Reset", 202),
                               });
  return d;
}

// The batch file driver.
const InterfaceDesc& IQAVZLVFileDriverDesc() {
  using I = IQAVZLVFileDriver;
  static const InterfaceDesc d("IQAVZLVFileDriver", I::Iid, nullptr,
                               "Parser for standard text file compatible with DOS QuelmDrv",
                               {
                                   COM_PROP(I, InputFile, 1),
                                   COM_PROP(I, OutputFile, 2),
                                   COM_PROP(I, ErrorFile, 3),
                                   COM_PROP(I, PortName, 4),
                                   COM_PROP(I, PortParams, 5),
                                   COM_PROP(I, InputFormat, 6),
                                   COM_PROP(I, OutputFormat, 7),
                                   COM_PROP(I, Timeout, 8),
                                   COM_PROP(I, MaxWackCount, 9),
                                   COM_PROP(I, DataPath, 10),
                                   COM_PROP(I, StartLine, 11),
                                   COM_PROP(I, SeparatorChar, 12),
                                   COM_PROP(I, BracketOpen, 13),
                                   COM_PROP(I, BracketClose, 14),
                                   COM_PROP(I, BracketMode, 15),
                                   COM_PROP(I, NewLineChar, 16),
                                   Method<&I::Execute>("Execute", 17),
                                   PropGet<&I::get_PacketsSent>("PacketsSent", 18),
                                   PropGet<&I::get_PacketsReceived>("PacketsReceived", 19),
                                   COM_PROP(I, ReceiveCache, 20),
                                   COM_PROP(I, PacketDefFile, 21),
                                   PropGet<&I::get_Statistics>("Statistics", 22),
                               });
  return d;
}

com::TypeLibDesc BuildTypeLib() {
  com::TypeLibDesc lib;
  lib.name = "Zelvani";
  lib.helpString = "Zelvani Library";
  lib.libid = LIBID_Zelvani;
  lib.majorVersion = 1;
  lib.minorVersion = 0;
  lib.lcid = 0x409;
  lib.imports = {
      {"stdole", MakeGuid("{00020430-0000-0000-C000-000000000046}"), 2, 0, "stdole2.tlb", {}},
  };
  lib.interfaces = {
      &DeviceDesc(),     &ProtocolDesc(),         &PacketLibraryDesc(),
      &PacketDefDesc(),  &FieldDefDesc(),         &PacketDesc(),
      &DispatchCollectionDesc(), &FieldDefsDesc(),        &PacketDefsDesc(),
      &IQAVZLVFileDriverDesc(), &DeviceStatisticsDesc(), &FrameDesc(),
      &FrameItemDesc(),  &FrameItemsDesc(),       &FramesDesc(),
      &ValueDesc(),             &ValuesDesc(),                  &FlowItemDesc(),
      &FlowItemsDesc(),  &FlowDesc(),             &FlowsDesc(),
  };
  lib.coclasses = {
      {"QAVZLVDevice", CLSID_QAVZLVDevice, &DeviceDesc(), "", com::kTypeHidden},
      {"QAVZLVComDevice", CLSID_QAVZLVComDevice, &DeviceDesc(), "QAVZLVCommDevice Object", 0},
      {"QAVZLVProtocol", CLSID_QAVZLVProtocol, &ProtocolDesc(), "QAVZLVProtocol Object", 0},
      {"QAVZLVPacketLibrary", CLSID_QAVZLVPacketLibrary, &PacketLibraryDesc(), "QAVZLVPacketLibrary Object", 0},
      {"QAVZLVPacketDef", CLSID_QAVZLVPacketDef, &PacketDefDesc(), "QAVZLVPacketDef Object", 0},
      {"QAVZLVFieldDef", CLSID_QAVZLVFieldDef, &FieldDefDesc(), "QAVZLVFieldDef Object", 0},
      {"QAVZLVPacket", CLSID_QAVZLVPacket, &PacketDesc(), "QAVZLVPacket Object", 0},
      {"DispatchCollection", CLSID_DispatchCollection, &DispatchCollectionDesc(), "DispatchCollection Object", 0},
      {"QAVZLVFieldDefs", CLSID_QAVZLVFieldDefs, &FieldDefsDesc(), "QAVZLVFieldDefs Object", 0},
      {"QAVZLVPacketDefs", CLSID_QAVZLVPacketDefs, &PacketDefsDesc(), "QAVZLVPacketDefs Object", 0},
      {"QAVZLVFileDriver", CLSID_QAVZLVFileDriver, &IQAVZLVFileDriverDesc(), "QAVZLVTFParser Object", 0},
      {"QAVZLVTapiDevice", CLSID_QAVZLVTapiDevice, &DeviceDesc(), "", 0},
      {"QAVZLVDeviceStatistics", CLSID_QAVZLVDeviceStatistics, &DeviceStatisticsDesc(),
       "QAVZLVDeviceStatistics Object", 0},
      {"QAVZLVFrame", CLSID_QAVZLVFrame, &FrameDesc(), "QAVZLVPacketStruct Object", 0},
      {"QAVZLVFrameItem", CLSID_QAVZLVFrameItem, &FrameItemDesc(), "QAVZLVPacketStructItem Object", 0},
      {"QAVZLVFrameItems", CLSID_QAVZLVFrameItems, &FrameItemsDesc(), "QAVZLVPacketStructItems Object", 0},
      {"QAVZLVFrames", CLSID_QAVZLVFrames, &FramesDesc(), "QAVZLVPacketStructs Object", 0},
      {"QAVZLVValue", CLSID_QAVZLVValue, &ValueDesc(), "QAVZLVValue Object", 0},
      {"QAVZLVValues", CLSID_QAVZLVValues, &ValuesDesc(), "QAVZLVValues Object", 0},
      {"QAVZLVFlowItem", CLSID_QAVZLVFlowItem, &FlowItemDesc(), "QAVZLVFlowDef Object", 0},
      {"QAVZLVFlowItems", CLSID_QAVZLVFlowItems, &FlowItemsDesc(), "QAVZLVFlowDefItems Object", 0},
      {"QAVZLVFlow", CLSID_QAVZLVFlow, &FlowDesc(), "QAVZLVFlowDef Object", 0},
      {"QAVZLVFlows", CLSID_QAVZLVFlows, &FlowsDesc(), "QAVZLVFlowDefs Object", 0},
      {"QAVZLVTandrelDevice", CLSID_QAVZLVTandrelDevice, &DeviceDesc(), "", 0},
  };
  lib.enums = {
      {"QAVZLVDeviceType",
       MakeGuid("{24284BC1-2E3F-40EE-AC80-D339B256E5BB}"),
       "",
       {{"qzlvdtUnknown", qzlvdtUnknown},
        {"qzlvdtComDevice", qzlvdtComDevice},
        {"qzlvdtTAPIDevice", qzlvdtTAPIDevice},
        {"qzlvdtSocketDevice", qzlvdtSocketDevice},
        {"qzlvdtQAVTandrelDevice", qzlvdtQAVTandrelDevice}}},
      {"QAVZLVDataType",
       MakeGuid("{E27B6188-C143-43A0-81E0-AD179FE8EE21}"),
       "data type constants",
       {{"qzlvdaString", qzlvdaString},
        {"qzlvdaChar", qzlvdaChar},
        {"qzlvdaBool", qzlvdaBool},
        {"qzlvdaCurrency", qzlvdaCurrency},
        {"qzlvdaInteger", qzlvdaInteger},
        {"qzlvdaDate", qzlvdaDate},
        {"qzlvdaTime", qzlvdaTime}}},
      {"QAVZLVDataConversion",
       MakeGuid("{26FD1FAD-99FB-4520-A164-3E35D21FF8AC}"),
       "data conversion constants",
       {{"qzlvdcNone", qzlvdcNone, "no conversion is needed"},
        {"qzlvdcShortDate", qzlvdcShortDate, "convert from/to ECR short date format"},
        {"qzlvdcHundredths", qzlvdcHundredths, "convert from/to hundredths of monetary unit"},
        {"qzlvdcThousands", qzlvdcThousands, "convert from/to hundredths of monetary unit"},
        {"qzlvdcSigned", qzlvdcSigned, "signed value"},
        {"qzlvdcZeroPadded", qzlvdcZeroPadded, "result is zero-padded"},
        {"qzlvdcLeftJustify", qzlvdcLeftJustify, "left justify field"},
        {"qzlvdcRightJustify", qzlvdcRightJustify, "right justify field"},
        {"qzlvdcHex", qzlvdcHex, "hexadecimal value"},
        {"qzlvdcStringTerminated", qzlvdcStringTerminated,
         "string is terminated with specific char if shorter than field size"},
        {"qzlvdcFitFieldToData", qzlvdcFitFieldToData, "field size is fit to data size"}}},
      {"QAVZLVProtocolError",
       MakeGuid("{62348443-7FB2-48B2-9327-1378BC395880}"),
       "",
       {{"qzlvpeOK", qzlvpeOK},
        {"qzlvpeUnknownPacket", qzlvpeUnknownPacket},
        {"qzlvpeBadPacketLen", qzlvpeBadPacketLen},
        {"qzlvpeInvalidPacket", qzlvpeInvalidPacket},
        {"qzlvpeBadChecksum", qzlvpeBadChecksum},
        {"qzlvpeUnknownPacketStructure", qzlvpeUnknownPacketStructure},
        {"qzlvpeUndefinedFlow", qzlvpeUndefinedFlow},
        {"qzlvpeInvalidData", qzlvpeInvalidData},
        {"qzlvpeEndOfData", qzlvpeEndOfData},
        {"qzlvpeNoData", qzlvpeNoData},
        {"qzlvpeEndOfTransmission", qzlvpeEndOfTransmission},
        {"qzlvpeNak", qzlvpeNak},
        {"qzlvpeTimeout", qzlvpeTimeout},
        {"qzlvpeRejected", qzlvpeRejected},
        {"qzlvpeUnexpected", qzlvpeUnexpected},
        {"qzlvpeDeviceDoesntRespond", qzlvpeDeviceDoesntRespond},
        {"qzlvpeCantConnect", qzlvpeCantConnect},
        {"qzlvpeDisconnected", qzlvpeDisconnected},
        {"qzlvpeDeviceBusy", qzlvpeDeviceBusy},
        {"qzlvpeDeviceError", qzlvpeDeviceError},
        {"qzlvpeUserBreak", qzlvpeUserBreak}}},
      {"QAVZLVPacketType",
       MakeGuid("{71A36D0D-1DD3-4315-9482-329295C68357}"),
       "",
       {{"qzlvptUnknown", qzlvptUnknown},
        {"qzlvptStart", qzlvptStart},
        {"qzlvptWrite", qzlvptWrite},
        {"qzlvptRead", qzlvptRead},
        {"qzlvptError", qzlvptError}}},
      {"QAVZLVDelimitedStrOptions",
       MakeGuid("{356EE39F-025E-40A7-A045-BC0C40DB2646}"),
       "",
       {{"qzlvdsoPacketType", qzlvdsoPacketType},
        {"qzlvdsoPacketID", qzlvdsoPacketID},
        {"qzlvdsoPacketSubID", qzlvdsoPacketSubID},
        {"qzlvdsoFieldsOnly", qzlvdsoFieldsOnly},
        {"qzlvdsoNoConversion", qzlvdsoNoConversion},
        {"qzlvdsoSmartBrackets", qzlvdsoSmartBrackets},
        {"qzlvdsoDefault", qzlvdsoDefault}}},
      {"QAVZLVFileType",
       MakeGuid("{9309005A-9EAB-44FB-8700-442BA006786A}"),
       "",
       {{"qzlvftDelimited", qzlvftDelimited}, {"qzlvftPositional", qzlvftPositional}}},
      {"QAVZLVFrameItemType",
       MakeGuid("{65489A9E-D6C3-4C5C-9757-618D8CBCB36B}"),
       "",
       {{"qzlvpstConst", qzlvpstConst},
        {"qzlvpstCounter", qzlvpstCounter},
        {"qzlvpstReceiverID", qzlvpstReceiverID},
        {"qzlvpstPacketID", qzlvpstPacketID},
        {"qzlvpstData", qzlvpstData},
        {"qzlvpstChecksum", qzlvpstChecksum}}},
      {"QAVZLVFrameItemFlags",
       MakeGuid("{973D6BD5-08DA-44F7-AD9F-33551CF9716B}"),
       "",
       {{"qzlvpsfNone", qzlvpsfNone},
        {"qzlvpsfLeftJustify", qzlvpsfLeftJustify},
        {"qzlvpsfRightJustify", qzlvpsfRightJustify},
        {"qzlvpsfZeroPadded", qzlvpsfZeroPadded},
        {"qzlvpsfUseToCRCCalculation", qzlvpsfUseToCRCCalculation},
        {"qzlvcrcECR", qzlvcrcECR},
        {"qzlvcrcTRX810", qzlvcrcTRX810},
        {"qzlvcrcVORDAN", qzlvcrcVORDAN},
        {"qzlvpsEndOfDataIfFirst", qzlvpsEndOfDataIfFirst}}},
      {"QAVZLVFlowDirections",
       MakeGuid("{AB3EB486-CD06-4F54-BB93-9C8CFF7CF982}"),
       "",
       {{"qzlvfdtFromPC", qzlvfdtFromPC}, {"qzlvfdtToPC", qzlvfdtToPC}}},
      {"QAVZLVFlowFlags",
       MakeGuid("{BE10D972-B0B2-4FD4-A580-FDF7CFB5E300}"),
       "",
       {{"qzlvffSendIfOK", qzlvffSendIfOK, "wyślij jeżeli odebrano prawidłowe dane"},
        {"qzlvffSendIfNotOK", qzlvffSendIfNotOK, "wyślij jeżeli nie odebrano prawidłowych danych"},
        {"qzlvffOKIfReceived", qzlvffOKIfReceived, "jeżeli odebrano, to wysłane dane zostały zaakceptowane"},
        {"qzlvffNotOKIfReceived", qzlvffNotOKIfReceived,
         "jeżeli odebrano, to wysłane dane nie zostały zaakceptowane"},
        {"qzlvffWaitIfReceived", qzlvffWaitIfReceived, "jeżeli odebrano, to należy poczekać i ponowić odczyt"},
        {"qzlvffRejectedIfReceived", qzlvffRejectedIfReceived,
         "jeżeli odebrano, to wysłane dane zostały zaakceptowane, ale z powodu błedu w nich zostały odrzucone"},
        {"qzlvffEndOfDataIfReceived", qzlvffEndOfDataIfReceived,
         "jeżeli odebrano, to nie ma więcej danych do odebrania"},
        {"qzlvffResetPortIfReceived", qzlvffResetPortIfReceived, "jeżeli odebrano, to wykonaj reset portu"},
        {"qzlvffNoDataIfReceived", qzlvffNoDataIfReceived, "jeżeli odebrano, to brak danych do odebrania"},
        {"qzlvffResetPortBeforeSend", qzlvffResetPortBeforeSend, "przed wysłaniem wykonaj reset portu"},
        {"qzlvffEndTransmission", qzlvffEndTransmission, "po wykonaniu zakończ transmisję"}}},
      {"QAVZLVFlowTypes",
       MakeGuid("{33ADD6D1-84D1-4452-A54E-33044892679B}"),
       "",
       {{"qzlvftUnknown", qzlvftUnknown},
        {"qzlvftSendMsgOpen", qzlvftSendMsgOpen},
        {"qzlvftSendMsgModeSwitch", qzlvftSendMsgModeSwitch},
        {"qzlvftSendMsgCloseWrite", qzlvftSendMsgCloseWrite},
        {"qzlvftSendMsgCloseRead", qzlvftSendMsgCloseRead},
        {"qzlvftSendMsgACK", qzlvftSendMsgACK},
        {"qzlvftSendMsgNAK", qzlvftSendMsgNAK},
        {"qzlvftSendPacket", qzlvftSendPacket},
        {"qzlvftReceivePacket", qzlvftReceivePacket},
        {"qzlvftESendMsgOpen", qzlvftESendMsgOpen},
        {"qzlvftESendMsgModeSwitch", qzlvftESendMsgModeSwitch},
        {"qzlvftESendMsgCloseWrite", qzlvftESendMsgCloseWrite},
        {"qzlvftESendMsgCloseRead", qzlvftESendMsgCloseRead},
        {"qzlvftESendMsgACK", qzlvftESendMsgACK},
        {"qzlvftESendMsgNAK", qzlvftESendMsgNAK},
        {"qzlvftESendPacket", qzlvftESendPacket},
        {"qzlvftEReceivePacket", qzlvftEReceivePacket},
        {"qzlvftESendErrorPacket", qzlvftESendErrorPacket}}},
  };
  return lib;
}

}  // namespace

const com::TypeLibDesc& ZelvaniTypeLib() {
  static const com::TypeLibDesc lib = BuildTypeLib();
  return lib;
}

}  // namespace zelvani
