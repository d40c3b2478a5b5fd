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

// Interfaces whose members come with the classes that implement them.
struct IQAVZLVDevice : IDispatch {
  static constexpr IID Iid = MakeGuid("{3682FAEB-B42A-40BD-90FC-3CA8AAC79717}");
};
struct IQAVZLVProtocol : IDispatch {
  static constexpr IID Iid = MakeGuid("{6CDE30D1-0E4F-4F70-AB44-AFF2369D3357}");
};
struct IQAVZLVPacketLibrary : IDispatch {
  static constexpr IID Iid = MakeGuid("{7BE115AE-028C-4022-BF90-F45028328E9D}");
};
struct IQAVZLVPacketDef : IDispatch {
  static constexpr IID Iid = MakeGuid("{5D8567E0-2A6A-4633-AFD6-FC68AD16E174}");
};
struct IQAVZLVFieldDef : IDispatch {
  static constexpr IID Iid = MakeGuid("{2F8870FA-739F-4116-8C58-B56F15EFF598}");
};
struct IQAVZLVPacket : IDispatch {
  static constexpr IID Iid = MakeGuid("{D96D00FC-15A3-4625-A86F-508FD35D9F63}");
};
struct IQAVZLVFieldDefs : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{31BADCE2-878A-49FF-87F7-4719C2ACE635}");
};
struct IQAVZLVPacketDefs : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{15B4B75E-8F78-4C14-8987-DE8FA4053604}");
};
struct IQAVZLVFileDriver : IDispatch {
  static constexpr IID Iid = MakeGuid("{85ECD6CC-7BF5-4AA7-83EF-C44E31B35EDC}");
};
struct IQAVZLVDeviceStatistics : IDispatch {
  static constexpr IID Iid = MakeGuid("{3A2F9238-DDB1-4C4E-BF5B-7D1E4AC2EF3D}");
};
struct IQAVZLVFrame : IDispatch {
  static constexpr IID Iid = MakeGuid("{5C0F7AFB-A5EA-44B9-B255-D28A8FA89BCF}");
};
struct IQAVZLVFrameItem : IDispatch {
  static constexpr IID Iid = MakeGuid("{F962AD15-7EE7-46E9-81E4-6949616F6E5F}");
};
struct IQAVZLVFrameItems : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{8DC8687D-2300-4B59-B3B3-39194A9156D4}");
};
struct IQAVZLVFrames : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{093419CF-B886-458C-ADF1-9D9EDFD37EA5}");
};
struct IQAVZLVFlowItem : IDispatch {
  static constexpr IID Iid = MakeGuid("{C031F029-0709-489B-AA15-9F8A94A80C79}");
};
struct IQAVZLVFlowItems : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{4FF9A09E-9B8F-4192-97BE-90B8FB165DA1}");
};
struct IQAVZLVFlow : IDispatch {
  static constexpr IID Iid = MakeGuid("{C1444D91-E11D-40E3-9290-A47F892D99A9}");
};
struct IQAVZLVFlows : IDispatchCollection {
  static constexpr IID Iid = MakeGuid("{75C4D15D-9C1E-44BA-B1CD-44A165A8CF37}");
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
