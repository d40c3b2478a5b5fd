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

// An interface whose members are described with the classes that implement it.
#define ZELVANI_INTERFACE(Name, Base, Help)                                   \
  const InterfaceDesc& Name##Desc() {                                         \
    static const InterfaceDesc d(#Name, Name::Iid, Base, Help, {});           \
    return d;                                                                 \
  }

ZELVANI_INTERFACE(IQAVZLVDevice, nullptr, "")
ZELVANI_INTERFACE(IQAVZLVProtocol, nullptr, "Dispatch interface for QAVZLVProtocol Object")
ZELVANI_INTERFACE(IQAVZLVPacketLibrary, nullptr, "Dispatch interface for QAVZLVPacketLibrary Object")
ZELVANI_INTERFACE(IQAVZLVPacketDef, nullptr, "Dispatch interface for QAVZLVPacketDef Object")
ZELVANI_INTERFACE(IQAVZLVFieldDef, nullptr, "Dispatch interface for QAVZLVFieldDef Object")
ZELVANI_INTERFACE(IQAVZLVPacket, nullptr, "Dispatch interface for QAVZLVPacket Object")
ZELVANI_INTERFACE(IQAVZLVFieldDefs, &DispatchCollectionDesc(), "Dispatch interface for QAVZLVFieldDefs Object")
ZELVANI_INTERFACE(IQAVZLVPacketDefs, &DispatchCollectionDesc(), "Dispatch interface for QAVZLVPacketDefs Object")
ZELVANI_INTERFACE(IQAVZLVFileDriver, nullptr, "Parser for standard text file compatible with DOS QuelmDrv")
ZELVANI_INTERFACE(IQAVZLVDeviceStatistics, nullptr, "Dispatch interface for QAVZLVDeviceStatistics Object")
ZELVANI_INTERFACE(IQAVZLVFrame, nullptr, "Dispatch interface for QAVZLVPacketStruct Object")
ZELVANI_INTERFACE(IQAVZLVFrameItem, nullptr, "Dispatch interface for QAVZLVPacketStructItem Object")
ZELVANI_INTERFACE(IQAVZLVFrameItems, &DispatchCollectionDesc(), "Dispatch interface for QAVZLVPacketStructItems Object")
ZELVANI_INTERFACE(IQAVZLVFrames, &DispatchCollectionDesc(), "Dispatch interface for QAVZLVPacketStructs Object")
ZELVANI_INTERFACE(IQAVZLVFlowItem, nullptr, "Dispatch interface for QAVZLVFlowDef Object")
ZELVANI_INTERFACE(IQAVZLVFlowItems, &DispatchCollectionDesc(), "Dispatch interface for QAVZLVFlowDefItems Object")
ZELVANI_INTERFACE(IQAVZLVFlow, nullptr, "Dispatch interface for QAVZLVFlowDef Object")
ZELVANI_INTERFACE(IQAVZLVFlows, &DispatchCollectionDesc(), "Dispatch interface for QAVZLVFlowDefs Object")

#undef ZELVANI_INTERFACE

com::TypeLibDesc BuildTypeLib() {
  com::TypeLibDesc lib;
  lib.name = "Zelvani";
  lib.helpString = "Zelvani Library";
  lib.libid = LIBID_Zelvani;
  lib.majorVersion = 1;
  lib.minorVersion = 0;
  lib.lcid = 0x409;
  lib.interfaces = {
      &IQAVZLVDeviceDesc(),     &IQAVZLVProtocolDesc(),         &IQAVZLVPacketLibraryDesc(),
      &IQAVZLVPacketDefDesc(),  &IQAVZLVFieldDefDesc(),         &IQAVZLVPacketDesc(),
      &DispatchCollectionDesc(), &IQAVZLVFieldDefsDesc(),        &IQAVZLVPacketDefsDesc(),
      &IQAVZLVFileDriverDesc(), &IQAVZLVDeviceStatisticsDesc(), &IQAVZLVFrameDesc(),
      &IQAVZLVFrameItemDesc(),  &IQAVZLVFrameItemsDesc(),       &IQAVZLVFramesDesc(),
      &ValueDesc(),             &ValuesDesc(),                  &IQAVZLVFlowItemDesc(),
      &IQAVZLVFlowItemsDesc(),  &IQAVZLVFlowDesc(),             &IQAVZLVFlowsDesc(),
  };
  lib.coclasses = {
      {"QAVZLVDevice", CLSID_QAVZLVDevice, &IQAVZLVDeviceDesc(), "", com::kTypeHidden},
      {"QAVZLVComDevice", CLSID_QAVZLVComDevice, &IQAVZLVDeviceDesc(), "QAVZLVCommDevice Object", 0},
      {"QAVZLVProtocol", CLSID_QAVZLVProtocol, &IQAVZLVProtocolDesc(), "QAVZLVProtocol Object", 0},
      {"QAVZLVPacketLibrary", CLSID_QAVZLVPacketLibrary, &IQAVZLVPacketLibraryDesc(), "QAVZLVPacketLibrary Object", 0},
      {"QAVZLVPacketDef", CLSID_QAVZLVPacketDef, &IQAVZLVPacketDefDesc(), "QAVZLVPacketDef Object", 0},
      {"QAVZLVFieldDef", CLSID_QAVZLVFieldDef, &IQAVZLVFieldDefDesc(), "QAVZLVFieldDef Object", 0},
      {"QAVZLVPacket", CLSID_QAVZLVPacket, &IQAVZLVPacketDesc(), "QAVZLVPacket Object", 0},
      {"DispatchCollection", CLSID_DispatchCollection, &DispatchCollectionDesc(), "DispatchCollection Object", 0},
      {"QAVZLVFieldDefs", CLSID_QAVZLVFieldDefs, &IQAVZLVFieldDefsDesc(), "QAVZLVFieldDefs Object", 0},
      {"QAVZLVPacketDefs", CLSID_QAVZLVPacketDefs, &IQAVZLVPacketDefsDesc(), "QAVZLVPacketDefs Object", 0},
      {"QAVZLVFileDriver", CLSID_QAVZLVFileDriver, &IQAVZLVFileDriverDesc(), "QAVZLVTFParser Object", 0},
      {"QAVZLVTapiDevice", CLSID_QAVZLVTapiDevice, &IQAVZLVDeviceDesc(), "", 0},
      {"QAVZLVDeviceStatistics", CLSID_QAVZLVDeviceStatistics, &IQAVZLVDeviceStatisticsDesc(),
       "QAVZLVDeviceStatistics Object", 0},
      {"QAVZLVFrame", CLSID_QAVZLVFrame, &IQAVZLVFrameDesc(), "QAVZLVPacketStruct Object", 0},
      {"QAVZLVFrameItem", CLSID_QAVZLVFrameItem, &IQAVZLVFrameItemDesc(), "QAVZLVPacketStructItem Object", 0},
      {"QAVZLVFrameItems", CLSID_QAVZLVFrameItems, &IQAVZLVFrameItemsDesc(), "QAVZLVPacketStructItems Object", 0},
      {"QAVZLVFrames", CLSID_QAVZLVFrames, &IQAVZLVFramesDesc(), "QAVZLVPacketStructs Object", 0},
      {"QAVZLVValue", CLSID_QAVZLVValue, &ValueDesc(), "QAVZLVValue Object", 0},
      {"QAVZLVValues", CLSID_QAVZLVValues, &ValuesDesc(), "QAVZLVValues Object", 0},
      {"QAVZLVFlowItem", CLSID_QAVZLVFlowItem, &IQAVZLVFlowItemDesc(), "QAVZLVFlowDef Object", 0},
      {"QAVZLVFlowItems", CLSID_QAVZLVFlowItems, &IQAVZLVFlowItemsDesc(), "QAVZLVFlowDefItems Object", 0},
      {"QAVZLVFlow", CLSID_QAVZLVFlow, &IQAVZLVFlowDesc(), "QAVZLVFlowDef Object", 0},
      {"QAVZLVFlows", CLSID_QAVZLVFlows, &IQAVZLVFlowsDesc(), "QAVZLVFlowDefs Object", 0},
      {"QAVZLVTandrelDevice", CLSID_QAVZLVTandrelDevice, &IQAVZLVDeviceDesc(), "", 0},
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
       {{"qzlvdcNone", qzlvdcNone},
        {"qzlvdcShortDate", qzlvdcShortDate},
        {"qzlvdcHundredths", qzlvdcHundredths},
        {"qzlvdcThousands", qzlvdcThousands},
        {"qzlvdcSigned", qzlvdcSigned},
        {"qzlvdcZeroPadded", qzlvdcZeroPadded},
        {"qzlvdcLeftJustify", qzlvdcLeftJustify},
        {"qzlvdcRightJustify", qzlvdcRightJustify},
        {"qzlvdcHex", qzlvdcHex},
        {"qzlvdcStringTerminated", qzlvdcStringTerminated},
        {"qzlvdcFitFieldToData", qzlvdcFitFieldToData}}},
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
       {{"qzlvffSendIfOK", qzlvffSendIfOK},
        {"qzlvffSendIfNotOK", qzlvffSendIfNotOK},
        {"qzlvffOKIfReceived", qzlvffOKIfReceived},
        {"qzlvffNotOKIfReceived", qzlvffNotOKIfReceived},
        {"qzlvffWaitIfReceived", qzlvffWaitIfReceived},
        {"qzlvffRejectedIfReceived", qzlvffRejectedIfReceived},
        {"qzlvffEndOfDataIfReceived", qzlvffEndOfDataIfReceived},
        {"qzlvffResetPortIfReceived", qzlvffResetPortIfReceived},
        {"qzlvffNoDataIfReceived", qzlvffNoDataIfReceived},
        {"qzlvffResetPortBeforeSend", qzlvffResetPortBeforeSend},
        {"qzlvffEndTransmission", qzlvffEndTransmission}}},
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
