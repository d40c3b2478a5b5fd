// The public C++ header of the Zelvani packet engine: its interfaces, class
// identifiers and enumerations, for hosts that create its objects with
// CoCreateInstance and call them through their vtables or IDispatch.
#pragma once

#include "platform/com/activation.h"
#include "platform/com/interfaces.h"
#include "platform/com/variant.h"

// ---------------------------------------------------------------------------
// Library

constexpr GUID LIBID_Zelvani = MakeGuid("{3F17E13E-DFAB-42E2-9B5C-56D4900C0962}");

// ---------------------------------------------------------------------------
// Enumerations

enum QAVZLVDeviceType : LONG {
  qzlvdtUnknown = 0,
  qzlvdtComDevice = 1,
  qzlvdtTAPIDevice = 2,
  qzlvdtSocketDevice = 3,
  qzlvdtQAVTandrelDevice = 4,
};

enum QAVZLVDataType : LONG {
  qzlvdaString = 1,
  qzlvdaChar = 2,
  qzlvdaBool = 3,
  qzlvdaCurrency = 4,
  qzlvdaInteger = 5,
  qzlvdaDate = 6,
  qzlvdaTime = 7,
};

enum QAVZLVDataConversion : LONG {
  qzlvdcNone = 0,
  qzlvdcShortDate = 1,
  qzlvdcHundredths = 2,
  qzlvdcThousands = 4,
  qzlvdcSigned = 8,
  qzlvdcZeroPadded = 16,
  qzlvdcLeftJustify = 32,
  qzlvdcRightJustify = 64,
  qzlvdcHex = 128,
  qzlvdcStringTerminated = 256,
  qzlvdcFitFieldToData = 512,
};

enum QAVZLVProtocolError : LONG {
  qzlvpeOK = 0,
  qzlvpeUnknownPacket = 1,
  qzlvpeBadPacketLen = 2,
  qzlvpeInvalidPacket = 3,
  qzlvpeBadChecksum = 4,
  qzlvpeUnknownPacketStructure = 5,
  qzlvpeUndefinedFlow = 6,
  qzlvpeInvalidData = 7,
  qzlvpeEndOfData = 16,
  qzlvpeNoData = 17,
  qzlvpeEndOfTransmission = 18,
  qzlvpeNak = 32,
  qzlvpeTimeout = 33,
  qzlvpeRejected = 64,
  qzlvpeUnexpected = 65,
  qzlvpeDeviceDoesntRespond = 66,
  qzlvpeCantConnect = 67,
  qzlvpeDisconnected = 68,
  qzlvpeDeviceBusy = 69,
  qzlvpeDeviceError = 70,
  qzlvpeUserBreak = 100,
};

enum QAVZLVPacketType : LONG {
  qzlvptUnknown = 0,
  qzlvptStart = 1,
  qzlvptWrite = 2,
  qzlvptRead = 4,
  qzlvptError = 8,
};

enum QAVZLVDelimitedStrOptions : LONG {
  qzlvdsoPacketType = 1,
  qzlvdsoPacketID = 2,
  qzlvdsoPacketSubID = 4,
  qzlvdsoFieldsOnly = 0,
  qzlvdsoNoConversion = 4096,
  qzlvdsoSmartBrackets = 8192,
  qzlvdsoDefault = 12294,
};

enum QAVZLVFileType : LONG {
  qzlvftDelimited = 0,
  qzlvftPositional = 1,
};

enum QAVZLVFrameItemType : LONG {
  qzlvpstConst = 0,
  qzlvpstCounter = 1,
  qzlvpstReceiverID = 2,
  qzlvpstPacketID = 3,
  qzlvpstData = 4,
  qzlvpstChecksum = 5,
};

enum QAVZLVFrameItemFlags : LONG {
  qzlvpsfNone = 0,
  qzlvpsfLeftJustify = 1,
  qzlvpsfRightJustify = 2,
  qzlvpsfZeroPadded = 4,
  qzlvpsfUseToCRCCalculation = 16,
  qzlvcrcECR = 32,
  qzlvcrcTRX810 = 64,
  qzlvcrcVORDAN = 128,
  qzlvpsEndOfDataIfFirst = 1024,
};

enum QAVZLVFlowDirections : LONG {
  qzlvfdtFromPC = 0,
  qzlvfdtToPC = 1,
};

enum QAVZLVFlowFlags : LONG {
  qzlvffSendIfOK = 1,
  qzlvffSendIfNotOK = 2,
  qzlvffOKIfReceived = 4,
  qzlvffNotOKIfReceived = 8,
  qzlvffWaitIfReceived = 16,
  qzlvffRejectedIfReceived = 32,
  qzlvffEndOfDataIfReceived = 64,
  qzlvffResetPortIfReceived = 128,
  qzlvffNoDataIfReceived = 256,
  qzlvffResetPortBeforeSend = 512,
  qzlvffEndTransmission = 1024,
};

enum QAVZLVFlowTypes : LONG {
  qzlvftUnknown = 0,
  qzlvftSendMsgOpen = 1,
  qzlvftSendMsgModeSwitch = 2,
  qzlvftSendMsgCloseWrite = 3,
  qzlvftSendMsgCloseRead = 4,
  qzlvftSendMsgACK = 5,
  qzlvftSendMsgNAK = 6,
  qzlvftSendPacket = 7,
  qzlvftReceivePacket = 8,
  qzlvftESendMsgOpen = 9,
  qzlvftESendMsgModeSwitch = 10,
  qzlvftESendMsgCloseWrite = 11,
  qzlvftESendMsgCloseRead = 12,
  qzlvftESendMsgACK = 13,
  qzlvftESendMsgNAK = 14,
  qzlvftESendPacket = 15,
  qzlvftEReceivePacket = 16,
  qzlvftESendErrorPacket = 17,
};

// ---------------------------------------------------------------------------
// Interfaces. Every member returns an HRESULT; a result comes through the last
// parameter. Members are in slot order.

struct IDispatchCollection : IDispatch {
  static constexpr IID Iid = MakeGuid("{F5CED7D5-A77D-4E04-9E21-4F06F27EB59B}");
  virtual HRESULT get_Count(LONG* result) = 0;
  virtual HRESULT get__Items(LONG i, IDispatch** result) = 0;
  virtual HRESULT Add(IUnknown* item, LONG* result) = 0;
};

struct IQAVZLVValue : IDispatch {
  static constexpr IID Iid = MakeGuid("{82BB545F-E443-4D7B-B070-DAD47FF95054}");
  virtual HRESULT get_Value(VARIANT* result) = 0;
  virtual HRESULT put_Value(VARIANT value) = 0;
};

struct IQAVZLVValues : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{A91FF574-E9A3-449B-97A1-8E22DA647905}");
  virtual HRESULT get_Items(LONG i, IQAVZLVValue** result) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT CopyFrom(IQAVZLVValues* source, VARIANT_BOOL* result) = 0;
};

// Forward declarations for the interfaces that refer to one another.
struct IQAVZLVPacketLibrary;
struct IQAVZLVPacket;
struct IQAVZLVFrame;
struct IQAVZLVPacketDef;

struct IQAVZLVFieldDef : IDispatch {
  static constexpr IID Iid = MakeGuid("{2F8870FA-739F-4116-8C58-B56F15EFF598}");
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
  virtual HRESULT get_Size(LONG* result) = 0;
  virtual HRESULT put_Size(LONG value) = 0;
  virtual HRESULT get_DataType(LONG* result) = 0;
  virtual HRESULT put_DataType(LONG value) = 0;
  virtual HRESULT get_Constraints(LONG* result) = 0;
  virtual HRESULT put_Constraints(LONG value) = 0;
  virtual HRESULT get_MinValue(VARIANT* result) = 0;
  virtual HRESULT put_MinValue(VARIANT value) = 0;
  virtual HRESULT get_MaxValue(VARIANT* result) = 0;
  virtual HRESULT put_MaxValue(VARIANT value) = 0;
  virtual HRESULT get_DefaultValue(VARIANT* result) = 0;
  virtual HRESULT put_DefaultValue(VARIANT value) = 0;
  virtual HRESULT get_Separator(BSTR* result) = 0;
  virtual HRESULT put_Separator(BSTR value) = 0;
  virtual HRESULT get_Required(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_Required(VARIANT_BOOL value) = 0;
  virtual HRESULT get_Conversions(LONG* result) = 0;
  virtual HRESULT put_Conversions(LONG value) = 0;
  virtual HRESULT get_Offset(LONG* result) = 0;
  virtual HRESULT put_Offset(LONG value) = 0;
  virtual HRESULT PasteValue(BSTR* buffer, VARIANT value, LONG offset, VARIANT_BOOL* result) = 0;
  virtual HRESULT ExtractValue(BSTR buffer, VARIANT* value, VARIANT_BOOL* result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
  virtual HRESULT CopyFrom(IQAVZLVFieldDef* source, VARIANT_BOOL* result) = 0;
};

struct IQAVZLVFieldDefs : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{31BADCE2-878A-49FF-87F7-4719C2ACE635}");
  virtual HRESULT get_Items(LONG i, IQAVZLVFieldDef** result) = 0;
  virtual HRESULT FindByName(BSTR name, IQAVZLVFieldDef** result) = 0;
  virtual HRESULT FindByID(BSTR id, IQAVZLVFieldDef** result) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT CopyFrom(IQAVZLVFieldDefs* source, VARIANT_BOOL* result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVFrameItem : IDispatch {
  static constexpr IID Iid = MakeGuid("{F962AD15-7EE7-46E9-81E4-6949616F6E5F}");
  virtual HRESULT get_ItemType(LONG* result) = 0;
  virtual HRESULT put_ItemType(LONG value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_DataType(LONG* result) = 0;
  virtual HRESULT put_DataType(LONG value) = 0;
  virtual HRESULT get_Offset(LONG* result) = 0;
  virtual HRESULT put_Offset(LONG value) = 0;
  virtual HRESULT get_Size(LONG* result) = 0;
  virtual HRESULT put_Size(LONG value) = 0;
  virtual HRESULT get_Values(IQAVZLVValues** result) = 0;
  virtual HRESULT get_Flags(LONG* result) = 0;
  virtual HRESULT put_Flags(LONG value) = 0;
  virtual HRESULT ValueToStr(LONG valueIndex, BSTR* result) = 0;
  virtual HRESULT Format(BSTR itemStr, BSTR* result) = 0;
  virtual HRESULT CalculateChecksum(BSTR buff, BSTR* result) = 0;
  virtual HRESULT CounterToStr(BSTR* result) = 0;
  virtual HRESULT CopyFrom(IQAVZLVFrameItem* source, VARIANT_BOOL* result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVFrameItems : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{8DC8687D-2300-4B59-B3B3-39194A9156D4}");
  virtual HRESULT get_Items(LONG i, IQAVZLVFrameItem** result) = 0;
  virtual HRESULT FindByID(BSTR id, LONG itemType, IQAVZLVFrameItem** result) = 0;
  virtual HRESULT FindByItemType(LONG itemType, IQAVZLVFrameItem** result) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT CopyFrom(IQAVZLVFrameItems* source, VARIANT_BOOL* result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVFrame : IDispatch {
  static constexpr IID Iid = MakeGuid("{5C0F7AFB-A5EA-44B9-B255-D28A8FA89BCF}");
  virtual HRESULT get_PacketType(LONG* result) = 0;
  virtual HRESULT put_PacketType(LONG value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_PacketStructItems(IQAVZLVFrameItems** result) = 0;
  virtual HRESULT CopyFrom(IQAVZLVFrame* source, VARIANT_BOOL* result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVFrames : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{093419CF-B886-458C-ADF1-9D9EDFD37EA5}");
  virtual HRESULT get_PacketLibraray(IQAVZLVPacketLibrary** result) = 0;
  virtual HRESULT put_PacketLibraray(IQAVZLVPacketLibrary* value) = 0;
  virtual HRESULT get_Items(LONG i, IQAVZLVFrame** result) = 0;
  virtual HRESULT FindByPacketType(LONG packetType, IQAVZLVFrame** result) = 0;
  virtual HRESULT FindByPacketID(BSTR id, LONG packetType, IQAVZLVFrame** result) = 0;
  virtual HRESULT LoadFromFile(BSTR fileName, VARIANT_BOOL* result) = 0;
  virtual HRESULT SaveToFile(BSTR fileName, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT CopyFrom(IQAVZLVFrames* source, VARIANT_BOOL* result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVPacketDef : IDispatch {
  static constexpr IID Iid = MakeGuid("{5D8567E0-2A6A-4633-AFD6-FC68AD16E174}");
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_PacketType(LONG* result) = 0;
  virtual HRESULT put_PacketType(LONG value) = 0;
  virtual HRESULT get_PacketStructID(BSTR* result) = 0;
  virtual HRESULT put_PacketStructID(BSTR value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
  virtual HRESULT get_FieldDefs(IQAVZLVFieldDefs** result) = 0;
  virtual HRESULT CopyFrom(IQAVZLVPacketDef* source, VARIANT_BOOL* result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVPacketDefs : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{15B4B75E-8F78-4C14-8987-DE8FA4053604}");
  virtual HRESULT get_Items(LONG i, IQAVZLVPacketDef** result) = 0;
  virtual HRESULT FindByName(BSTR name, LONG pktType, IQAVZLVPacketDef** result) = 0;
  virtual HRESULT FindByID(BSTR id, LONG pktType, IQAVZLVPacketDef** result) = 0;
  virtual HRESULT LoadFromFile(BSTR fileName, VARIANT_BOOL* result) = 0;
  virtual HRESULT SaveToFile(BSTR fileName, VARIANT_BOOL* result) = 0;
  virtual HRESULT CopyFrom(IQAVZLVPacketDefs* source, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVFlowItem : IDispatch {
  static constexpr IID Iid = MakeGuid("{C031F029-0709-489B-AA15-9F8A94A80C79}");
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_Direction(LONG* result) = 0;
  virtual HRESULT put_Direction(LONG value) = 0;
  virtual HRESULT get_Data(VARIANT* result) = 0;
  virtual HRESULT put_Data(VARIANT value) = 0;
  virtual HRESULT get_PacketType(LONG* result) = 0;
  virtual HRESULT put_PacketType(LONG value) = 0;
  virtual HRESULT get_PacketDelimiters(IQAVZLVValues** result) = 0;
  virtual HRESULT get_CharsAfterDelimiter(LONG* result) = 0;
  virtual HRESULT put_CharsAfterDelimiter(LONG value) = 0;
  virtual HRESULT get_RetryCount(LONG* result) = 0;
  virtual HRESULT put_RetryCount(LONG value) = 0;
  virtual HRESULT get_Interval(LONG* result) = 0;
  virtual HRESULT put_Interval(LONG value) = 0;
  virtual HRESULT get_NextFlowItemID(BSTR* result) = 0;
  virtual HRESULT put_NextFlowItemID(BSTR value) = 0;
  virtual HRESULT get_Flags(LONG* result) = 0;
  virtual HRESULT put_Flags(LONG value) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
  virtual HRESULT CopyFrom(IQAVZLVFlowItem* source, VARIANT_BOOL* result) = 0;
};

struct IQAVZLVFlowItems : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{4FF9A09E-9B8F-4192-97BE-90B8FB165DA1}");
  virtual HRESULT get_Items(LONG i, IQAVZLVFlowItem** result) = 0;
  virtual HRESULT get_CurrentID(BSTR* result) = 0;
  virtual HRESULT put_CurrentID(BSTR value) = 0;
  virtual HRESULT FindFirstID(BSTR* result) = 0;
  virtual HRESULT FindNextID(BSTR* result) = 0;
  virtual HRESULT FindFirstByID(BSTR id, IQAVZLVFlowItem** result) = 0;
  virtual HRESULT FindNextByID(BSTR id, IQAVZLVFlowItem** result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
  virtual HRESULT CopyFrom(IQAVZLVFlowItems* source, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear() = 0;
};

struct IQAVZLVFlow : IDispatch {
  static constexpr IID Iid = MakeGuid("{C1444D91-E11D-40E3-9290-A47F892D99A9}");
  virtual HRESULT get_FlowType(LONG* result) = 0;
  virtual HRESULT put_FlowType(LONG value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_FlowItems(IQAVZLVFlowItems** result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
  virtual HRESULT CopyFrom(IQAVZLVFlow* source, VARIANT_BOOL* result) = 0;
};

struct IQAVZLVFlows : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{75C4D15D-9C1E-44BA-B1CD-44A165A8CF37}");
  virtual HRESULT get_ConnectionRepetitionsLimit(LONG* result) = 0;
  virtual HRESULT put_ConnectionRepetitionsLimit(LONG value) = 0;
  virtual HRESULT get_DataSendRepetitionsLimit(LONG* result) = 0;
  virtual HRESULT put_DataSendRepetitionsLimit(LONG value) = 0;
  virtual HRESULT get_WCKLimit(LONG* result) = 0;
  virtual HRESULT put_WCKLimit(LONG value) = 0;
  virtual HRESULT get_NAKLimit(LONG* result) = 0;
  virtual HRESULT put_NAKLimit(LONG value) = 0;
  virtual HRESULT get_Items(LONG i, IQAVZLVFlow** result) = 0;
  virtual HRESULT FindByFlowType(LONG flowType, IQAVZLVFlow** result) = 0;
  virtual HRESULT LoadFromFile(BSTR fileName, VARIANT_BOOL* result) = 0;
  virtual HRESULT SaveToFile(BSTR fileName, VARIANT_BOOL* result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
  virtual HRESULT CopyFrom(IQAVZLVFlows* source, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear() = 0;
};

struct IQAVZLVPacketLibrary : IDispatch {
  static constexpr IID Iid = MakeGuid("{7BE115AE-028C-4022-BF90-F45028328E9D}");
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_Version(BSTR* result) = 0;
  virtual HRESULT put_Version(BSTR value) = 0;
  virtual HRESULT get_Flows(IQAVZLVFlows** result) = 0;
  virtual HRESULT get_PacketDefs(IQAVZLVPacketDefs** result) = 0;
  virtual HRESULT get_PacketStructs(IQAVZLVFrames** result) = 0;
  virtual HRESULT get_CreateReport(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_CreateReport(VARIANT_BOOL value) = 0;
  virtual HRESULT get_FileName(BSTR* result) = 0;
  virtual HRESULT put_FileName(BSTR value) = 0;
  virtual HRESULT SaveToFile(BSTR fileName, VARIANT_BOOL* result) = 0;
  virtual HRESULT LoadFromFile(BSTR fileName, VARIANT_BOOL* result) = 0;
  virtual HRESULT CreatePacket(BSTR pktId, VARIANT pktDef, LONG pktType, IQAVZLVPacket** result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVPacket : IDispatch {
  static constexpr IID Iid = MakeGuid("{D96D00FC-15A3-4625-A86F-508FD35D9F63}");
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_PacketType(LONG* result) = 0;
  virtual HRESULT put_PacketType(LONG value) = 0;
  virtual HRESULT get_PacketStruct(IQAVZLVFrame** result) = 0;
  virtual HRESULT get_PacketDef(IQAVZLVPacketDef** result) = 0;
  virtual HRESULT get_DefinitionIndex(LONG* result) = 0;
  virtual HRESULT get_FieldsCount(LONG* result) = 0;
  virtual HRESULT get_FieldValues(VARIANT index, VARIANT* result) = 0;
  virtual HRESULT put_FieldValues(VARIANT index, VARIANT value) = 0;
  virtual HRESULT get_DataString(BSTR* result) = 0;
  virtual HRESULT put_DataString(BSTR value) = 0;
  virtual HRESULT get_PacketLibrary(IQAVZLVPacketLibrary** result) = 0;
  virtual HRESULT put_PacketLibrary(IQAVZLVPacketLibrary* value) = 0;
  virtual HRESULT get_Length(LONG* result) = 0;
  virtual HRESULT get_IsLast(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_IsLast(VARIANT_BOOL value) = 0;
  virtual HRESULT LoadDefaults() = 0;
  virtual HRESULT GetDelimitedString(BSTR delimiter, BSTR brackets, BSTR newLineChar, LONG options,
                                     BSTR* result) = 0;
  virtual HRESULT SetFromDelimitedString(BSTR str, BSTR delimiter, BSTR brackets, BSTR newLineChar, LONG options,
                                         LONG* result) = 0;
};

struct IQAVZLVProtocol : IDispatch {
  static constexpr IID Iid = MakeGuid("{6CDE30D1-0E4F-4F70-AB44-AFF2369D3357}");
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_Version(BSTR* result) = 0;
  virtual HRESULT put_Version(BSTR value) = 0;
  virtual HRESULT get_PacketLibrary(IQAVZLVPacketLibrary** result) = 0;
  virtual HRESULT put_PacketLibrary(IQAVZLVPacketLibrary* value) = 0;
  virtual HRESULT PackPacket(IQAVZLVPacket* packet, BSTR* pktStr, LONG* result) = 0;
  virtual HRESULT UnpackPacket(BSTR pktStr, IQAVZLVPacket* packet, LONG* result) = 0;
  virtual HRESULT CreatePacket(BSTR pktId, VARIANT pktDef, LONG pktType, IQAVZLVPacket** result) = 0;
  virtual HRESULT Edit(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVDeviceStatistics : IDispatch {
  static constexpr IID Iid = MakeGuid("{3A2F9238-DDB1-4C4E-BF5B-7D1E4AC2EF3D}");
  virtual HRESULT get_PacketsSent(LONG* result) = 0;
  virtual HRESULT get_PacketsReceived(LONG* result) = 0;
  virtual HRESULT get_Retransmissions(LONG* result) = 0;
  virtual HRESULT get_AverageSpeed(double* result) = 0;
  virtual HRESULT ResetStatistics() = 0;
};

struct IQAVZLVDevice : IDispatch {
  static constexpr IID Iid = MakeGuid("{3682FAEB-B42A-40BD-90FC-3CA8AAC79717}");
  virtual HRESULT get_Address(BSTR* result) = 0;
  virtual HRESULT put_Address(BSTR value) = 0;
  virtual HRESULT get_Port(BSTR* result) = 0;
  virtual HRESULT put_Port(BSTR value) = 0;
  virtual HRESULT get_DeviceType(LONG* result) = 0;
  virtual HRESULT get_Master(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_Master(VARIANT_BOOL value) = 0;
  virtual HRESULT get_Protocol(IQAVZLVProtocol** result) = 0;
  virtual HRESULT put_Protocol(IQAVZLVProtocol* value) = 0;
  virtual HRESULT get_KeepConnection(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_KeepConnection(VARIANT_BOOL value) = 0;
  virtual HRESULT get_IsConnected(VARIANT_BOOL* result) = 0;
  virtual HRESULT get_LastError(LONG* result) = 0;
  virtual HRESULT get_LastErrorMessage(BSTR* result) = 0;
  virtual HRESULT get_Statistics(IQAVZLVDeviceStatistics** result) = 0;
  virtual HRESULT get_LastPacketSent(BSTR* result) = 0;
  virtual HRESULT get_LastPacketReceived(BSTR* result) = 0;
  virtual HRESULT Connect(VARIANT_BOOL* result) = 0;
  virtual HRESULT Disconnect(VARIANT_BOOL* result) = 0;
  virtual HRESULT ModeSwitch(VARIANT_BOOL* result) = 0;
  virtual HRESULT WritePacket(IQAVZLVPacket* packet, LONG* result) = 0;
  virtual HRESULT ReadPacket(IQAVZLVPacket* packet, LONG* result) = 0;
  virtual HRESULT SendString(BSTR buffer, LONG* result) = 0;
  virtual HRESULT SendACK() = 0;
  virtual HRESULT SendNAK() = 0;
  virtual HRESULT Abort() = 0;
  virtual HRESULT Listen(VARIANT_BOOL* result) = 0;
  virtual HRESULT Reset(VARIANT_BOOL* result) = 0;
};

struct IQAVZLVFileDriver : IDispatch {
  static constexpr IID Iid = MakeGuid("{85ECD6CC-7BF5-4AA7-83EF-C44E31B35EDC}");
  virtual HRESULT get_InputFile(BSTR* result) = 0;
  virtual HRESULT put_InputFile(BSTR value) = 0;
  virtual HRESULT get_OutputFile(BSTR* result) = 0;
  virtual HRESULT put_OutputFile(BSTR value) = 0;
  virtual HRESULT get_ErrorFile(BSTR* result) = 0;
  virtual HRESULT put_ErrorFile(BSTR value) = 0;
  virtual HRESULT get_PortName(BSTR* result) = 0;
  virtual HRESULT put_PortName(BSTR value) = 0;
  virtual HRESULT get_PortParams(BSTR* result) = 0;
  virtual HRESULT put_PortParams(BSTR value) = 0;
  virtual HRESULT get_InputFormat(LONG* result) = 0;
  virtual HRESULT put_InputFormat(LONG value) = 0;
  virtual HRESULT get_OutputFormat(LONG* result) = 0;
  virtual HRESULT put_OutputFormat(LONG value) = 0;
  virtual HRESULT get_Timeout(LONG* result) = 0;
  virtual HRESULT put_Timeout(LONG value) = 0;
  virtual HRESULT get_MaxWackCount(LONG* result) = 0;
  virtual HRESULT put_MaxWackCount(LONG value) = 0;
  virtual HRESULT get_DataPath(BSTR* result) = 0;
  virtual HRESULT put_DataPath(BSTR value) = 0;
  virtual HRESULT get_StartLine(LONG* result) = 0;
  virtual HRESULT put_StartLine(LONG value) = 0;
  virtual HRESULT get_SeparatorChar(BSTR* result) = 0;
  virtual HRESULT put_SeparatorChar(BSTR value) = 0;
  virtual HRESULT get_BracketOpen(BSTR* result) = 0;
  virtual HRESULT put_BracketOpen(BSTR value) = 0;
  virtual HRESULT get_BracketClose(BSTR* result) = 0;
  virtual HRESULT put_BracketClose(BSTR value) = 0;
  virtual HRESULT get_BracketMode(LONG* result) = 0;
  virtual HRESULT put_BracketMode(LONG value) = 0;
  virtual HRESULT get_NewLineChar(BSTR* result) = 0;
  virtual HRESULT put_NewLineChar(BSTR value) = 0;
  virtual HRESULT Execute(LONG* result) = 0;
  virtual HRESULT get_PacketsSent(LONG* result) = 0;
  virtual HRESULT get_PacketsReceived(LONG* result) = 0;
  virtual HRESULT get_ReceiveCache(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_ReceiveCache(VARIANT_BOOL value) = 0;
  virtual HRESULT get_PacketDefFile(BSTR* result) = 0;
  virtual HRESULT put_PacketDefFile(BSTR value) = 0;
  virtual HRESULT get_Statistics(IQAVZLVDeviceStatistics** result) = 0;
};

// ---------------------------------------------------------------------------
// Class identifiers

constexpr CLSID CLSID_QAVZLVDevice = MakeGuid("{2EA02094-104A-4A35-861E-F6DBD8E6497C}");
constexpr CLSID CLSID_QAVZLVComDevice = MakeGuid("{2775E8AE-6F09-4257-93BD-B47F2CBA0987}");
constexpr CLSID CLSID_QAVZLVProtocol = MakeGuid("{E6F8262E-EB0D-418D-9170-A5D6B6576573}");
constexpr CLSID CLSID_QAVZLVPacketLibrary = MakeGuid("{3D1DB45A-DD22-4060-ADD8-517B5A6A52D2}");
constexpr CLSID CLSID_QAVZLVPacketDef = MakeGuid("{B8458C6A-8676-4023-8BAF-F9EE259FB6A2}");
constexpr CLSID CLSID_QAVZLVFieldDef = MakeGuid("{AEC912E2-9E34-4940-A6DD-E4A3EF203364}");
constexpr CLSID CLSID_QAVZLVPacket = MakeGuid("{D794BD1C-B425-4670-9210-EF53250796A8}");
constexpr CLSID CLSID_DispatchCollection = MakeGuid("{86E51E11-6BC7-4C2F-B07B-995E63B51935}");
constexpr CLSID CLSID_QAVZLVFieldDefs = MakeGuid("{4FE37096-72CA-4054-B714-678D93466F24}");
constexpr CLSID CLSID_QAVZLVPacketDefs = MakeGuid("{63261CE1-404D-44F7-9C6A-BE47FF413DB5}");
constexpr CLSID CLSID_QAVZLVFileDriver = MakeGuid("{ABB1FF2E-088E-4553-96F0-24193430644A}");
constexpr CLSID CLSID_QAVZLVTapiDevice = MakeGuid("{AD6D67A9-4981-4945-B2E9-250D175C2486}");
constexpr CLSID CLSID_QAVZLVDeviceStatistics = MakeGuid("{239FFC89-3E9C-4EB9-A135-035AC5175BB1}");
constexpr CLSID CLSID_QAVZLVFrame = MakeGuid("{BD14B42B-310D-42C0-89FE-3ED7B165ACE4}");
constexpr CLSID CLSID_QAVZLVFrameItem = MakeGuid("{09CF6F83-3FC6-4496-8E4E-C91A0C69BD48}");
constexpr CLSID CLSID_QAVZLVFrameItems = MakeGuid("{125FBFD4-B688-4319-81B7-791CB5B74C05}");
constexpr CLSID CLSID_QAVZLVFrames = MakeGuid("{FB4105AD-2A5C-4D86-A33A-29E7408FDEF8}");
constexpr CLSID CLSID_QAVZLVValue = MakeGuid("{5A652A92-691C-4CC4-A425-7FD0E415DE36}");
constexpr CLSID CLSID_QAVZLVValues = MakeGuid("{4ED6460A-3991-4B3F-8A71-1A9F1A114979}");
constexpr CLSID CLSID_QAVZLVFlowItem = MakeGuid("{AEAEDDEE-B97C-4AFD-B8E2-7A65E07AE692}");
constexpr CLSID CLSID_QAVZLVFlowItems = MakeGuid("{2F6E8C86-0E30-4FCF-A4A2-78053F4DB953}");
constexpr CLSID CLSID_QAVZLVFlow = MakeGuid("{80A8DF96-111B-4A92-A4B9-D4A980D22741}");
constexpr CLSID CLSID_QAVZLVFlows = MakeGuid("{0EB51F47-4F90-4DC8-A898-FAB720A04403}");
constexpr CLSID CLSID_QAVZLVTandrelDevice = MakeGuid("{AD9A0C41-9DA6-4E34-B1CA-6A2F3F5306F9}");
