// The public C++ header of the Corvatin cash-register control: its interfaces,
// class identifiers and enumerations, for hosts that create the control and its
// record objects with CoCreateInstance and call them through their vtables or
// IDispatch. The device statistics interface comes from Zelvani's header; the
// control reaches Zelvani's objects only through the object layer.
#pragma once

#include "platform/com/activation.h"
#include "platform/com/interfaces.h"
#include "platform/com/variant.h"
#include "zelvani/Zelvani.h"

// ---------------------------------------------------------------------------
// Library

constexpr GUID LIBID_Corvatin = MakeGuid("{F12219B3-3DCC-4BE2-918A-4198087115C7}");

// ---------------------------------------------------------------------------
// Enumerations

enum QAVECRDiscountType : LONG {
  ecrdtStdPercentageDiscount = 0,
  ecrdtMaxPercentageDiscount = 1,
  ecrdtStdPercentageMarkUp = 2,
  ecrdtMaxPercentageMarkUp = 3,
  ecrdtStdAmountDiscount = 4,
  ecrdtMaxAmountDiscount = 5,
  ecrdtStdAmountMarkUp = 6,
  ecrdtMaxAmountMarkUp = 7,
  ecrdtPercentage = 8,
  ecrdtAmount = 9,
};

enum QAVECRAmountType : LONG {
  ecratCash = 0,
  ecratVoucher = 1,
  ecratCheque = 2,
  ecratCreditCard = 3,
  ecratCredit = 4,
  ecratSale = 5,
  ecratRest = 6,
  ecratDepositIn = 7,
  ecratDepositOut = 8,
  ecratCashPaidIn = 9,
  ecratCashPaidOut = 10,
  ecratCashLevel = 11,
  ecratTransfer = 12,
  ecratDiscounts = 13,
  ecratReceiptDiscounts = 14,
  ecratItemDiscounts = 15,
  ecratMarkUps = 16,
  ecratItemMarkUps = 17,
  ecratStorno = 18,
  ecratCancelled = 19,
  ecratTotal = 20,
  ecratPackingBalance = 21,
};

enum QAVECRResetType : LONG {
  ecrrtRAMReset = 0,
  ecrrtPLUReset = 1,
};

enum QAVECRRangeType : LONG {
  ecrrtNone = 0,
  ecrrtCodes = 1,
  ecrrtNumbers = 2,
  ecrrtDates = 3,
};

enum QAVECRTransmissionType : LONG {
  ecrttReading = 0,
  ecrttWriting = 1,
  ecrttReadingResettingReport = 2,
};

enum QAVECRReceiptItemType : LONG {
  ecritDepartmentSale = 0,
  ecritPLUSale = 1,
  ecritPackingSale = 2,
  ecritPackingReturn = 3,
};

enum QAVECRDataType : LONG {
  ecrdtFlags = 0,
  ecrdtFlagsEx = 1,
  ecrdtHeader = 2,
  ecrdtFooter = 3,
  ecrdtCashier = 4,
  ecrdtHALO = 5,
  ecrdtDiscounts = 6,
  ecrdtDepartment = 7,
  ecrdtPLU = 8,
  ecrdtPLUShortcuts = 9,
  ecrdtTaxRates = 10,
  ecrdtDateTime = 11,
  ecrdtUniqueID = 12,
  ecrdtTaxPayerID = 13,
  ecrdtECRNumber = 14,
  ecrdtCashReport = 15,
  ecrdtCashReportEx = 16,
  ecrdtCashReportExEx = 17,
  ecrdtCashierSale = 18,
  ecrdtCashierSaleEx = 19,
  ecrdtCashierSaleExEx = 20,
  ecrdtDepartmentSale = 21,
  ecrdtPLUSale = 22,
  ecrdtDailyReport = 23,
  ecrdtLastFiscalReport = 24,
  ecrdtPeriodicalReport = 25,
  ecrdtPeriodicalSummaryReport = 26,
  ecrdtPackingReport = 27,
  ecrdtVersion = 28,
  ecrdtReceiptReport = 29,
  ecrdtReceiptReportEx = 30,
  ecrdtHourlyReport = 31,
  ecrdtStatus = 32,
  ecrdtLinkedCodes = 33,
  ecrdtDiscountCard = 34,
  ecrdtReceiptNumber = 35,
  ecrdtPLUChange = 36,
  ecrdtDailyReportEx = 37,
  ecrdtPeriodicalReportEx = 38,
  ecrdtPeriodicalSummaryReportEx = 39,
  ecrdtTaxRatesEx = 40,
  ecrdtUniqueIDEx = 41,
};

enum QAVECRReadMode : LONG {
  ecrrmNotResetting = 0,
  ecrrmResetting = 1,
};

enum QAVECRWriteMode : LONG {
  ecrwmInsertOrUpdate = 0,
  ecrwmInsert = 1,
  ecrwmUpdate = 2,
  ecrwmDelete = 3,
};

enum QAVECRCounterType : LONG {
  ecrctReceipts = 0,
  ecrctCancelledReceipts = 1,
  ecrctDiscountedReceipts = 2,
  ecrctLastReceipt = 3,
  ecrctReceiptItems = 4,
  ecrctStornoItems = 5,
  ecrctDiscountedItems = 6,
  ecrctPrintouts = 7,
  ecrctLastPrintout = 8,
  ecrctRAMResets = 9,
  ecrctFiscalBaseResets = 10,
  ecrctPLUResets = 11,
  ecrctPLUChanges = 12,
};

enum QAVECRSaleRecAttributes : LONG {
  ecratResetOccured = 1,
  ecratPLUResetOccured = 2,
  ecratPLUChangeOccured = 4,
};

enum QAVECRPrintFlags : LONG {
  ecrpfPrintTOTAL = 1,
  ecrpfPrintDepartmentShare = 2,
  ecrpfPrintPLUShare = 4,
  ecrpfPrintPLUCode = 8,
  ecrpfPrintPLUDepartment = 16,
  ecrpfPrintPLUAveragePrice = 32,
  ecrpfPrintCashierIndex = 64,
  ecrpfPrintUnusedCode = 128,
  ecrpfPrintUnusedDepartment = 256,
  ecrpfPrintInaccessibleDirectly = 512,
  ecrpfReportNeedsPassword = 1024,
  ecrpfPLUSaleReportPermitted = 2048,
  ecrpfEconomyPrint = 4096,
};

enum QAVECRKeyboardFlags : LONG {
  ecrkfCodeKeysOnly = 1,
  ecrkfDepartmentKeysOnly = 2,
  ecrkfNeedsKeyTOTAL = 4,
  ecrkfPLUChangesLocked = 8,
};

enum QAVECRScalesFlags : LONG {
  ecrsfScalesConnected = 1,
  ecrsfScales2Connected = 2,
};

enum QAVECRPowerFlags : LONG {
  ecrpfBatteryIllumination = 1,
};

enum QAVECRSaleFlags : LONG {
  ecrsfPriceInPennies = 1,
  ecrsfDepartment41WithoutDiscount = 2,
  ecrsfDepartment42WithoutDiscount = 4,
};

enum QAVECRMiscFlags : LONG {
  ecrftCheckDrawer = 1,
  ecrftTestEANCodes = 2,
  ecrftOnline = 4,
  ecrftEFTService = 8,
  ecrftPCBeforeDailyReport = 16,
  ecrftNoPLUTurnoverControl = 32,
  ecrftOnlineBufferOverwrite = 64,
  ecrftNoTurnoverOverflowControl = 128,
  ecrftNoDiscountsFromCard = 256,
};

enum QAVECRErrorCode : LONG {
  ecrecUnknownDataType = 10000,
  ecrecConnectFailed = 10001,
  ecrecDisconnectFailed = 10002,
  ecrecCreatePacketFailed = 10003,
  ecrecModeSwitchFailed = 10004,
  ecrecUnknownRecordType = 10005,
  ecrecNotSupported = 10006,
  ecrecUnknownDeviceType = 10007,
};

enum QAVECRPLUAttributes : LONG {
  ecrpaPriceOpen = 1,
  ecrpaPriceFixed = 2,
  ecrpaAutoRepeat = 4,
  ecrpaSingleSale = 8,
};

enum QAVECRNextRecordType : LONG {
  ecrnrSaleRec = 0,
  ecrnrResetRec = 1,
  ecrnrTaxChangeRec = 2,
  ecrnrSaleSummaryRec = 3,
  ecrnrReceiptItem = 4,
  ecrnrReceiptSummary = 5,
  ecrnrReceiptDiscountCard = 6,
};

enum QAVECRResetReason : LONG {
  ecrrrError = 0,
  ecrrrForced = 1,
};

enum QAVECRParity : LONG {
  ecrptNone = 0,
  ecrptOdd = 1,
  ecrptEven = 2,
};

enum QAVECRFlowControl : LONG {
  ecrfcNone = 0,
  ecrfcXON_XOFF = 1,
  ecrfcRTS_CTS = 2,
};

enum QAVECRDeviceType : LONG {
  ecrdtCommDevice = 0,
  ecrdtTAPIDevice = 1,
  ecrdtQAVTandrelDevice = 2,
};

enum QAVECRPLUType : LONG {
  ecrptPLU = 0,
  ecrptDepartment = 1,
  ecrptPacking = 2,
};

// ---------------------------------------------------------------------------
// Interfaces. Every member returns an HRESULT; a result comes through the last
// parameter. Members are in slot order, each property as a get then a put.

// Programming records: articles, cashiers, linked codes, key shortcuts.

struct IQAVECRPLU : IDispatch {
  static constexpr IID Iid = MakeGuid("{881ABC11-7EB8-42BE-A59C-DC6B1F6DBA8C}");
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_Code(BSTR* result) = 0;
  virtual HRESULT put_Code(BSTR value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
  virtual HRESULT get_EAN(BSTR* result) = 0;
  virtual HRESULT put_EAN(BSTR value) = 0;
  virtual HRESULT get_ShortName(BSTR* result) = 0;
  virtual HRESULT put_ShortName(BSTR value) = 0;
  virtual HRESULT get_PLUType(LONG* result) = 0;
  virtual HRESULT put_PLUType(LONG value) = 0;
  virtual HRESULT get_Price(CY* result) = 0;
  virtual HRESULT put_Price(CY value) = 0;
  virtual HRESULT get_DepartmentIndex(LONG* result) = 0;
  virtual HRESULT put_DepartmentIndex(LONG value) = 0;
  virtual HRESULT get_DepartmentCode(BSTR* result) = 0;
  virtual HRESULT put_DepartmentCode(BSTR value) = 0;
  virtual HRESULT get_ContainerIndex(LONG* result) = 0;
  virtual HRESULT put_ContainerIndex(LONG value) = 0;
  virtual HRESULT get_ContainerCode(BSTR* result) = 0;
  virtual HRESULT put_ContainerCode(BSTR value) = 0;
  virtual HRESULT get_LinkedIndex(LONG* result) = 0;
  virtual HRESULT put_LinkedIndex(LONG value) = 0;
  virtual HRESULT get_LinkedCode(BSTR* result) = 0;
  virtual HRESULT put_LinkedCode(BSTR value) = 0;
  virtual HRESULT get_TaxRateIndex(LONG* result) = 0;
  virtual HRESULT put_TaxRateIndex(LONG value) = 0;
  virtual HRESULT get_TaxRateName(BSTR* result) = 0;
  virtual HRESULT put_TaxRateName(BSTR value) = 0;
  virtual HRESULT get_TaxRate(CY* result) = 0;
  virtual HRESULT put_TaxRate(CY value) = 0;
  virtual HRESULT get_PLUAttributes(LONG* result) = 0;
  virtual HRESULT put_PLUAttributes(LONG value) = 0;
  virtual HRESULT get_HALOIndex(LONG* result) = 0;
  virtual HRESULT put_HALOIndex(LONG value) = 0;
  virtual HRESULT get_HALOAmount(LONG* result) = 0;
  virtual HRESULT put_HALOAmount(LONG value) = 0;
  virtual HRESULT get_Precision(LONG* result) = 0;
  virtual HRESULT put_Precision(LONG value) = 0;
};

struct IQAVECRCashier : IDispatch {
  static constexpr IID Iid = MakeGuid("{5F6450C4-5E79-4FB8-AF0D-AE5E03C23787}");
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_Password(BSTR* result) = 0;
  virtual HRESULT put_Password(BSTR value) = 0;
  virtual HRESULT get_FirstName(BSTR* result) = 0;
  virtual HRESULT put_FirstName(BSTR value) = 0;
  virtual HRESULT get_Surname(BSTR* result) = 0;
  virtual HRESULT put_Surname(BSTR value) = 0;
  virtual HRESULT get_Code(BSTR* result) = 0;
  virtual HRESULT put_Code(BSTR value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
};

struct IQAVECRLinkedCodeRec : IDispatch {
  static constexpr IID Iid = MakeGuid("{2883C199-8DC3-4994-A802-40EA4435A823}");
  virtual HRESULT get_Code(BSTR* result) = 0;
  virtual HRESULT put_Code(BSTR value) = 0;
  virtual HRESULT get_LinkedCode(BSTR* result) = 0;
  virtual HRESULT put_LinkedCode(BSTR value) = 0;
};

struct IQAVECRPLUShortcutRec : IDispatch {
  static constexpr IID Iid = MakeGuid("{36A3222E-B0F0-4A1D-B664-14C0C4F98066}");
  virtual HRESULT get_KeyIndex(LONG* result) = 0;
  virtual HRESULT put_KeyIndex(LONG value) = 0;
  virtual HRESULT get_Code(BSTR* result) = 0;
  virtual HRESULT put_Code(BSTR value) = 0;
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_EAN(BSTR* result) = 0;
  virtual HRESULT put_EAN(BSTR value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
};

// Programming lists: tax rates, HALO limits, discounts, discount cards, flags.

struct IQAVECRTaxRates : IDispatch {
  static constexpr IID Iid = MakeGuid("{E26DACD5-10B6-4AB8-B9D4-963803D73F11}");
  virtual HRESULT get_Count(LONG* result) = 0;
  virtual HRESULT get_Values(LONG i, CY* result) = 0;
  virtual HRESULT put_Values(LONG i, CY value) = 0;
  virtual HRESULT get_Names(LONG i, BSTR* result) = 0;
  virtual HRESULT put_Names(LONG i, BSTR value) = 0;
  virtual HRESULT Add(CY value, BSTR name, VARIANT_BOOL* result) = 0;
  virtual HRESULT Delete(LONG i, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear(VARIANT_BOOL* result) = 0;
};

struct IQAVECRHALO : IDispatch {
  static constexpr IID Iid = MakeGuid("{0A1F8C24-0FF4-4E90-AC77-BFD03810691F}");
  virtual HRESULT get_Count(LONG* result) = 0;
  virtual HRESULT get_Values(LONG i, CY* result) = 0;
  virtual HRESULT put_Values(LONG i, CY value) = 0;
  virtual HRESULT Add(CY value, VARIANT_BOOL* result) = 0;
  virtual HRESULT Delete(LONG i, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear(VARIANT_BOOL* result) = 0;
};

struct IQAVECRDiscount : IDispatch {
  static constexpr IID Iid = MakeGuid("{ED2B588A-95A0-45C2-9358-8EB702E9D1C4}");
  virtual HRESULT get_DiscountType(LONG* result) = 0;
  virtual HRESULT put_DiscountType(LONG value) = 0;
  virtual HRESULT get_Value(CY* result) = 0;
  virtual HRESULT put_Value(CY value) = 0;
  virtual HRESULT get_Info(BSTR* result) = 0;
  virtual HRESULT put_Info(BSTR value) = 0;
};

struct IQAVECRDiscounts : IDispatch {
  static constexpr IID Iid = MakeGuid("{61C3397F-E2DE-429E-AE58-999DAF96FD81}");
  virtual HRESULT get_Count(LONG* result) = 0;
  virtual HRESULT get_Items(LONG i, IQAVECRDiscount** result) = 0;
  virtual HRESULT Add(LONG discountType, CY value, BSTR info, VARIANT_BOOL* result) = 0;
  virtual HRESULT Delete(LONG i, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear(VARIANT_BOOL* result) = 0;
  virtual HRESULT FindFirst(LONG discountType, IQAVECRDiscount** result) = 0;
  virtual HRESULT FindNext(IQAVECRDiscount** result) = 0;
};

struct IQAVECRDiscountCard : IDispatch {
  static constexpr IID Iid = MakeGuid("{1926EF85-0A37-49EF-8BA9-28AE62428C3B}");
  virtual HRESULT get_DiscountsCount(LONG* result) = 0;
  virtual HRESULT get_Discounts(LONG i, CY* result) = 0;
  virtual HRESULT AddDiscount(CY discount, VARIANT_BOOL* result) = 0;
  virtual HRESULT DeleteDiscount(LONG i, VARIANT_BOOL* result) = 0;
  virtual HRESULT ClearDiscounts(VARIANT_BOOL* result) = 0;
  virtual HRESULT get_CardName(BSTR* result) = 0;
  virtual HRESULT put_CardName(BSTR value) = 0;
  virtual HRESULT get_IdentifierPosition(LONG* result) = 0;
  virtual HRESULT put_IdentifierPosition(LONG value) = 0;
  virtual HRESULT get_IdentifierLength(LONG* result) = 0;
  virtual HRESULT put_IdentifierLength(LONG value) = 0;
  virtual HRESULT get_IdentifierTemplate(BSTR* result) = 0;
  virtual HRESULT put_IdentifierTemplate(BSTR value) = 0;
  virtual HRESULT get_DatePosition(LONG* result) = 0;
  virtual HRESULT put_DatePosition(LONG value) = 0;
  virtual HRESULT get_DateLength(LONG* result) = 0;
  virtual HRESULT put_DateLength(LONG value) = 0;
  virtual HRESULT get_DiscountIdentifierPosition(LONG* result) = 0;
  virtual HRESULT put_DiscountIdentifierPosition(LONG value) = 0;
};

struct IQAVECRFlags : IDispatch {
  static constexpr IID Iid = MakeGuid("{55E30494-9FFA-4DAC-AFF5-F3A26FC866A6}");
  virtual HRESULT get_Sale(LONG* result) = 0;
  virtual HRESULT put_Sale(LONG value) = 0;
  virtual HRESULT get_Print(LONG* result) = 0;
  virtual HRESULT put_Print(LONG value) = 0;
  virtual HRESULT get_Keyboard(LONG* result) = 0;
  virtual HRESULT put_Keyboard(LONG value) = 0;
  virtual HRESULT get_Scales(LONG* result) = 0;
  virtual HRESULT put_Scales(LONG value) = 0;
  virtual HRESULT get_Power(LONG* result) = 0;
  virtual HRESULT put_Power(LONG value) = 0;
  virtual HRESULT get_Misc(LONG* result) = 0;
  virtual HRESULT put_Misc(LONG value) = 0;
  virtual HRESULT get_ScalesCodeType(LONG* result) = 0;
  virtual HRESULT put_ScalesCodeType(LONG value) = 0;
  virtual HRESULT get_ScalesType(LONG* result) = 0;
  virtual HRESULT put_ScalesType(LONG value) = 0;
  virtual HRESULT get_PLUStaling(LONG* result) = 0;
  virtual HRESULT put_PLUStaling(LONG value) = 0;
};

// Communication options.

struct IQAVECRCommOptions : IDispatch {
  static constexpr IID Iid = MakeGuid("{B7260F1F-E17C-4CF0-9FC3-4513538F7D79}");
  virtual HRESULT get_Port(BSTR* result) = 0;
  virtual HRESULT put_Port(BSTR value) = 0;
  virtual HRESULT get_Speed(LONG* result) = 0;
  virtual HRESULT put_Speed(LONG value) = 0;
  virtual HRESULT get_DataBits(LONG* result) = 0;
  virtual HRESULT put_DataBits(LONG value) = 0;
  virtual HRESULT get_StopBits(LONG* result) = 0;
  virtual HRESULT put_StopBits(LONG value) = 0;
  virtual HRESULT get_Parity(LONG* result) = 0;
  virtual HRESULT put_Parity(LONG value) = 0;
  virtual HRESULT get_TimeOut(LONG* result) = 0;
  virtual HRESULT put_TimeOut(LONG value) = 0;
  virtual HRESULT get_WaitTimeOut(LONG* result) = 0;
  virtual HRESULT put_WaitTimeOut(LONG value) = 0;
  virtual HRESULT get_ConnectionTimeOut(LONG* result) = 0;
  virtual HRESULT put_ConnectionTimeOut(LONG value) = 0;
  virtual HRESULT get_FlowControl(LONG* result) = 0;
  virtual HRESULT put_FlowControl(LONG value) = 0;
  virtual HRESULT get_MultiplexerName(BSTR* result) = 0;
  virtual HRESULT put_MultiplexerName(BSTR value) = 0;
  virtual HRESULT get_MultiplexerChannel(LONG* result) = 0;
  virtual HRESULT put_MultiplexerChannel(LONG value) = 0;
  virtual HRESULT get_MultiplexerControlString(BSTR* result) = 0;
  virtual HRESULT put_MultiplexerControlString(BSTR value) = 0;
  virtual HRESULT get_DeviceID(LONG* result) = 0;
  virtual HRESULT put_DeviceID(LONG value) = 0;
  virtual HRESULT get_DeviceAddress(BSTR* result) = 0;
  virtual HRESULT put_DeviceAddress(BSTR value) = 0;
  virtual HRESULT get_RemoteMultiplexerName(BSTR* result) = 0;
  virtual HRESULT put_RemoteMultiplexerName(BSTR value) = 0;
  virtual HRESULT get_RemoteMultiplexerChannel(LONG* result) = 0;
  virtual HRESULT put_RemoteMultiplexerChannel(LONG value) = 0;
  virtual HRESULT get_RemoteMultiplexerControlString(BSTR* result) = 0;
  virtual HRESULT put_RemoteMultiplexerControlString(BSTR value) = 0;
};

// Amounts, counters and sale lines.

struct IQAVECRAmount : IDispatch {
  static constexpr IID Iid = MakeGuid("{C62D3DED-D68A-4F12-9246-CFCF5FBBAEC1}");
  virtual HRESULT get_AmountType(LONG* result) = 0;
  virtual HRESULT put_AmountType(LONG value) = 0;
  virtual HRESULT get_Value(CY* result) = 0;
  virtual HRESULT put_Value(CY value) = 0;
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_Info(BSTR* result) = 0;
  virtual HRESULT put_Info(BSTR value) = 0;
};

struct IQAVECRCounter : IDispatch {
  static constexpr IID Iid = MakeGuid("{D460AD76-9D94-4B97-84D9-7F5B1E9D9762}");
  virtual HRESULT get_CounterType(LONG* result) = 0;
  virtual HRESULT put_CounterType(LONG value) = 0;
  virtual HRESULT get_Value(LONG* result) = 0;
  virtual HRESULT put_Value(LONG value) = 0;
  virtual HRESULT get_Info(BSTR* result) = 0;
  virtual HRESULT put_Info(BSTR value) = 0;
};

struct IQAVECRAmounts : IDispatch {
  static constexpr IID Iid = MakeGuid("{358E792B-1765-4A5F-916B-8F1C6C46D209}");
  virtual HRESULT get_Count(LONG* result) = 0;
  virtual HRESULT get_Items(LONG i, IQAVECRAmount** result) = 0;
  // Name and Info are optional and default to the empty text.
  virtual HRESULT Add(LONG amountType, CY value, BSTR name, BSTR info, VARIANT_BOOL* result) = 0;
  virtual HRESULT Delete(LONG i, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear(VARIANT_BOOL* result) = 0;
};

struct IQAVECRCounters : IDispatch {
  static constexpr IID Iid = MakeGuid("{544C60F8-6D49-41E7-854B-9494AEBCA69A}");
  virtual HRESULT get_Count(LONG* result) = 0;
  virtual HRESULT get_Items(LONG i, IQAVECRCounter** result) = 0;
  virtual HRESULT Add(LONG counterType, LONG value, BSTR info, VARIANT_BOOL* result) = 0;
  virtual HRESULT Delete(LONG i, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear(VARIANT_BOOL* result) = 0;
};

struct IQAVECRSale : IDispatch {
  static constexpr IID Iid = MakeGuid("{3BA07BEF-75DF-425F-89BC-1E6626FB0BE1}");
  virtual HRESULT get_SaleTotal(CY* result) = 0;
  virtual HRESULT put_SaleTotal(CY value) = 0;
  virtual HRESULT get_TaxesTotal(CY* result) = 0;
  virtual HRESULT put_TaxesTotal(CY value) = 0;
  virtual HRESULT get_Count(LONG* result) = 0;
  virtual HRESULT get_Grosses(LONG i, CY* result) = 0;
  virtual HRESULT get_Netts(LONG i, CY* result) = 0;
  virtual HRESULT get_Taxes(LONG i, CY* result) = 0;
  virtual HRESULT get_Infos(LONG i, BSTR* result) = 0;
  virtual HRESULT Add(CY gross, CY nett, CY tax, BSTR info, VARIANT_BOOL* result) = 0;
  virtual HRESULT Delete(LONG i, VARIANT_BOOL* result) = 0;
  virtual HRESULT Clear(VARIANT_BOOL* result) = 0;
};

// Version and status records.

struct IQAVECRVersion : IDispatch {
  static constexpr IID Iid = MakeGuid("{6571ED73-B000-491A-ABEC-3AA43800D37F}");
  virtual HRESULT get_ApplicationModule(BSTR* result) = 0;
  virtual HRESULT put_ApplicationModule(BSTR value) = 0;
  virtual HRESULT get_FiscalModule(BSTR* result) = 0;
  virtual HRESULT put_FiscalModule(BSTR value) = 0;
  virtual HRESULT get_PrintingDevice(BSTR* result) = 0;
  virtual HRESULT put_PrintingDevice(BSTR value) = 0;
};

struct IQAVECRStatus : IDispatch {
  static constexpr IID Iid = MakeGuid("{88596218-9651-40AD-96AA-FA9EB618A8E1}");
  virtual HRESULT get_ReceiptBufferFreeMemory(LONG* result) = 0;
  virtual HRESULT put_ReceiptBufferFreeMemory(LONG value) = 0;
  virtual HRESULT get_FirstReceiptInBuffer(LONG* result) = 0;
  virtual HRESULT put_FirstReceiptInBuffer(LONG value) = 0;
  virtual HRESULT get_LastReceiptInBuffer(LONG* result) = 0;
  virtual HRESULT put_LastReceiptInBuffer(LONG value) = 0;
  virtual HRESULT get_Fiscal(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_Fiscal(VARIANT_BOOL value) = 0;
  virtual HRESULT get_ReadOnly(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_ReadOnly(VARIANT_BOOL value) = 0;
  virtual HRESULT get_ClientDisplay(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_ClientDisplay(VARIANT_BOOL value) = 0;
  virtual HRESULT get_PaperOut(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_PaperOut(VARIANT_BOOL value) = 0;
  virtual HRESULT get_PrintingDeviceError(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_PrintingDeviceError(VARIANT_BOOL value) = 0;
  virtual HRESULT get_Version(IQAVECRVersion** result) = 0;
};

// Report records.

struct IQAVECRCashReport : IDispatch {
  static constexpr IID Iid = MakeGuid("{D69500F2-48DA-4485-9F33-3E028EC474BE}");
  virtual HRESULT get_Amounts(IQAVECRAmounts** result) = 0;
  virtual HRESULT get_Counters(IQAVECRCounters** result) = 0;
};

struct IQAVECRCashierSaleRec : IDispatch {
  static constexpr IID Iid = MakeGuid("{0E8EC062-12F6-451F-A60D-69877E20865F}");
  virtual HRESULT get_Cashier(IQAVECRCashier** result) = 0;
  virtual HRESULT get_Amounts(IQAVECRAmounts** result) = 0;
  virtual HRESULT get_Counters(IQAVECRCounters** result) = 0;
};

struct IQAVECRPLUSaleRec : IDispatch {
  static constexpr IID Iid = MakeGuid("{B9279C31-D317-47CA-8720-5A778BD8AF97}");
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_Code(BSTR* result) = 0;
  virtual HRESULT put_Code(BSTR value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
  virtual HRESULT get_EAN(BSTR* result) = 0;
  virtual HRESULT put_EAN(BSTR value) = 0;
  virtual HRESULT get_Quantity(double* result) = 0;
  virtual HRESULT put_Quantity(double value) = 0;
  virtual HRESULT get_ReturnedQuantity(double* result) = 0;
  virtual HRESULT put_ReturnedQuantity(double value) = 0;
  virtual HRESULT get_Price(CY* result) = 0;
  virtual HRESULT put_Price(CY value) = 0;
  virtual HRESULT get_AveragePrice(CY* result) = 0;
  virtual HRESULT put_AveragePrice(CY value) = 0;
  virtual HRESULT get_Amount(CY* result) = 0;
  virtual HRESULT put_Amount(CY value) = 0;
  virtual HRESULT get_ReturnedAmount(CY* result) = 0;
  virtual HRESULT put_ReturnedAmount(CY value) = 0;
  virtual HRESULT get_Discount(IQAVECRDiscounts** result) = 0;
  virtual HRESULT get_Share(double* result) = 0;
  virtual HRESULT put_Share(double value) = 0;
  virtual HRESULT get_PLUType(LONG* result) = 0;
  virtual HRESULT put_PLUType(LONG value) = 0;
};

struct IQAVECRHourlyReportRec : IDispatch {
  static constexpr IID Iid = MakeGuid("{832D8812-5CB0-432C-A7A0-058FC0E0DF5E}");
  virtual HRESULT get_Hour(LONG* result) = 0;
  virtual HRESULT put_Hour(LONG value) = 0;
  virtual HRESULT get_Amounts(IQAVECRAmounts** result) = 0;
  virtual HRESULT get_Counters(IQAVECRCounters** result) = 0;
};

struct IQAVECRSaleRec : IDispatch {
  static constexpr IID Iid = MakeGuid("{156DD55E-88AE-46DA-AAED-E711B7EE36B8}");
  virtual HRESULT get_ReportType(LONG* result) = 0;
  virtual HRESULT put_ReportType(LONG value) = 0;
  virtual HRESULT get_Date(DATE* result) = 0;
  virtual HRESULT put_Date(DATE value) = 0;
  virtual HRESULT get_Number(LONG* result) = 0;
  virtual HRESULT put_Number(LONG value) = 0;
  virtual HRESULT get_Sale(IQAVECRSale** result) = 0;
  virtual HRESULT get_Counters(IQAVECRCounters** result) = 0;
  virtual HRESULT get_Amounts(IQAVECRAmounts** result) = 0;
  virtual HRESULT get_TaxRates(IQAVECRTaxRates** result) = 0;
  virtual HRESULT get_Attributes(LONG* result) = 0;
  virtual HRESULT put_Attributes(LONG value) = 0;
};

struct IQAVECRResetRec : IDispatch {
  static constexpr IID Iid = MakeGuid("{2E9CBA06-D770-4267-8134-C9F268BA2A84}");
  virtual HRESULT get_ResetType(LONG* result) = 0;
  virtual HRESULT put_ResetType(LONG value) = 0;
  virtual HRESULT get_Date(DATE* result) = 0;
  virtual HRESULT put_Date(DATE value) = 0;
  virtual HRESULT get_Time(DATE* result) = 0;
  virtual HRESULT put_Time(DATE value) = 0;
  virtual HRESULT get_Reason(LONG* result) = 0;
  virtual HRESULT put_Reason(LONG value) = 0;
  virtual HRESULT get_Number(LONG* result) = 0;
  virtual HRESULT put_Number(LONG value) = 0;
};

struct IQAVECRTaxChangeRec : IDispatch {
  static constexpr IID Iid = MakeGuid("{DE6E95AD-87D3-46AB-BF71-27F839231195}");
  virtual HRESULT get_Date(DATE* result) = 0;
  virtual HRESULT put_Date(DATE value) = 0;
  virtual HRESULT get_TaxRates(IQAVECRTaxRates** result) = 0;
};

// Receipt records.

struct IQAVECRReceiptItem : IDispatch {
  static constexpr IID Iid = MakeGuid("{AD3E9BD3-A5D4-40A0-863E-F22F72A4FC96}");
  virtual HRESULT get_ItemType(LONG* result) = 0;
  virtual HRESULT put_ItemType(LONG value) = 0;
  virtual HRESULT get_Name(BSTR* result) = 0;
  virtual HRESULT put_Name(BSTR value) = 0;
  virtual HRESULT get_Code(BSTR* result) = 0;
  virtual HRESULT put_Code(BSTR value) = 0;
  virtual HRESULT get_EAN(LONG* result) = 0;
  virtual HRESULT put_EAN(LONG value) = 0;
  virtual HRESULT get_Index(LONG* result) = 0;
  virtual HRESULT put_Index(LONG value) = 0;
  virtual HRESULT get_TaxRateIndex(LONG* result) = 0;
  virtual HRESULT put_TaxRateIndex(LONG value) = 0;
  virtual HRESULT get_TaxRateName(BSTR* result) = 0;
  virtual HRESULT put_TaxRateName(BSTR value) = 0;
  virtual HRESULT get_TaxRate(CY* result) = 0;
  virtual HRESULT put_TaxRate(CY value) = 0;
  virtual HRESULT get_QuantityPrecision(LONG* result) = 0;
  virtual HRESULT put_QuantityPrecision(LONG value) = 0;
  virtual HRESULT get_Quantity(double* result) = 0;
  virtual HRESULT put_Quantity(double value) = 0;
  virtual HRESULT get_Price(CY* result) = 0;
  virtual HRESULT put_Price(CY value) = 0;
  virtual HRESULT get_Value(CY* result) = 0;
  virtual HRESULT put_Value(CY value) = 0;
  virtual HRESULT get_DiscountValue(LONG* result) = 0;
  virtual HRESULT put_DiscountValue(LONG value) = 0;
  virtual HRESULT get_DiscountType(LONG* result) = 0;
  virtual HRESULT put_DiscountType(LONG value) = 0;
};

struct IQAVECRReceiptSummary : IDispatch {
  static constexpr IID Iid = MakeGuid("{AAFFB98A-6334-4DD1-BB55-C12DF8E1847A}");
  virtual HRESULT get_ItemsCount(LONG* result) = 0;
  virtual HRESULT put_ItemsCount(LONG value) = 0;
  virtual HRESULT get_Date(DATE* result) = 0;
  virtual HRESULT put_Date(DATE value) = 0;
  virtual HRESULT get_Time(DATE* result) = 0;
  virtual HRESULT put_Time(DATE value) = 0;
  virtual HRESULT get_Cashier(IQAVECRCashier** result) = 0;
  virtual HRESULT get_Amounts(IQAVECRAmounts** result) = 0;
  virtual HRESULT get_ReceiptNumber(LONG* result) = 0;
  virtual HRESULT put_ReceiptNumber(LONG value) = 0;
  virtual HRESULT get_PrintOutNumber(LONG* result) = 0;
  virtual HRESULT put_PrintOutNumber(LONG value) = 0;
  virtual HRESULT get_ECRNumber(LONG* result) = 0;
  virtual HRESULT put_ECRNumber(LONG value) = 0;
};

struct IQAVECRReceiptDiscountCard : IDispatch {
  static constexpr IID Iid = MakeGuid("{3FE041A9-4F32-4F18-B7B1-77BA8EEEA303}");
  virtual HRESULT get_CardName(BSTR* result) = 0;
  virtual HRESULT put_CardName(BSTR value) = 0;
  virtual HRESULT get_CardCode(BSTR* result) = 0;
  virtual HRESULT put_CardCode(BSTR value) = 0;
  virtual HRESULT get_Discount(CY* result) = 0;
  virtual HRESULT put_Discount(CY value) = 0;
};

// The control.

struct IQAVECR : IDispatch {
  static constexpr IID Iid = MakeGuid("{58E4AA82-A409-4591-BAE7-DF9FE476F4BD}");
  virtual HRESULT get_Version(BSTR* result) = 0;
  virtual HRESULT get_PacketLibraryFile(BSTR* result) = 0;
  virtual HRESULT put_PacketLibraryFile(BSTR value) = 0;
  virtual HRESULT get_CommOptions(IQAVECRCommOptions** result) = 0;
  virtual HRESULT get_Flags(IQAVECRFlags** result) = 0;
  virtual HRESULT get_ECRNumber(BSTR* result) = 0;
  virtual HRESULT put_ECRNumber(BSTR value) = 0;
  virtual HRESULT get_ID(BSTR* result) = 0;
  virtual HRESULT put_ID(BSTR value) = 0;
  virtual HRESULT get_EOF(VARIANT_BOOL* result) = 0;
  virtual HRESULT get_LastPacketSent(BSTR* result) = 0;
  virtual HRESULT get_LastPacketReceived(BSTR* result) = 0;
  virtual HRESULT get_LastErrorCode(LONG* result) = 0;
  virtual HRESULT get_LastErrorMessage(BSTR* result) = 0;
  virtual HRESULT get_AutoReadNativeError(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_AutoReadNativeError(VARIANT_BOOL value) = 0;
  virtual HRESULT get_LastNativeErrorCode(BSTR* result) = 0;
  virtual HRESULT get_LastNativeErrorMessage(BSTR* result) = 0;
  virtual HRESULT get_Driver(BSTR* result) = 0;
  virtual HRESULT put_Driver(BSTR value) = 0;
  virtual HRESULT get_KeepConnection(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_KeepConnection(VARIANT_BOOL value) = 0;
  virtual HRESULT get_Statistics(IQAVZLVDeviceStatistics** result) = 0;
  virtual HRESULT BeginRead(LONG dataType, VARIANT rangeBeg, VARIANT rangeEnd, LONG rangeType, LONG readMode,
                            VARIANT_BOOL* result) = 0;
  virtual HRESULT ConfirmRead(VARIANT_BOOL* result) = 0;
  virtual HRESULT Connect(VARIANT_BOOL* result) = 0;
  virtual HRESULT Disconnect(VARIANT_BOOL* result) = 0;
  virtual HRESULT ResetCommunication(VARIANT_BOOL* result) = 0;
  virtual HRESULT BeginWrite(LONG dataType, VARIANT_BOOL* result) = 0;
  virtual HRESULT EndWrite(VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadNextRecordType(LONG* nextRecordType, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadFlags(VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteFlags(VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadText(BSTR* text, VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteText(BSTR text, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadIdentifier(VARIANT* identifier, VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteIdentifier(VARIANT identifier, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadCashier(IQAVECRCashier* cashier, VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteCashier(IQAVECRCashier* cashier, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadDiscounts(IQAVECRDiscounts* discounts, VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteDiscounts(IQAVECRDiscounts* discounts, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadTaxRates(IQAVECRTaxRates* taxRates, VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteTaxRates(IQAVECRTaxRates* taxRates, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadHALO(IQAVECRHALO* halo, VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteHALO(IQAVECRHALO* halo, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadPLU(IQAVECRPLU* plu, VARIANT_BOOL* result) = 0;
  virtual HRESULT WritePLU(IQAVECRPLU* plu, LONG writeMode, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadPLUShortcutRec(IQAVECRPLUShortcutRec* pluShortcut, VARIANT_BOOL* result) = 0;
  virtual HRESULT WritePLUShortcutRec(IQAVECRPLUShortcutRec* pluShortcut, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadDateTime(DATE* dateTime, VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteDateTime(DATE dateTime, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadCashReport(IQAVECRCashReport* cashReport, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadCashierSaleRec(IQAVECRCashierSaleRec* saleRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadPLUSaleRec(IQAVECRPLUSaleRec* saleRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadSaleRec(IQAVECRSaleRec* saleRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadResetRec(IQAVECRResetRec* resetRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadTaxChangeRec(IQAVECRTaxChangeRec* taxChangeRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadSaleSummaryRec(IQAVECRSaleRec* saleRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadSummaryReport(IQAVECRSaleRec* saleRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT SetCurrentReceipt(LONG receiptNumber, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadReceiptItem(IQAVECRReceiptItem* receiptItem, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadReceiptSummary(IQAVECRReceiptSummary* receiptSummary, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadReceiptDiscountCard(IQAVECRReceiptDiscountCard* receiptDiscountCard, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadHourlyReportRec(IQAVECRHourlyReportRec* hourlyReportRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadLinkedCodeRec(IQAVECRLinkedCodeRec* linkedCodeRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteLinkedCodeRec(IQAVECRLinkedCodeRec* linkedCodeRec, VARIANT_BOOL* result) = 0;
  virtual HRESULT WriteDiscountCard(IQAVECRDiscountCard* discountCard, LONG writeMode, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadDiscountCard(IQAVECRDiscountCard* discountCard, VARIANT_BOOL* result) = 0;
  virtual HRESULT Refresh(VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadVersion(IQAVECRVersion* version, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadStatus(IQAVECRStatus* status, VARIANT_BOOL* result) = 0;
  virtual HRESULT ReadError(LONG* transmissionType, BSTR* errorCode, BSTR* rangeBeg, BSTR* rangeEnd,
                            VARIANT_BOOL* result) = 0;
  virtual HRESULT ChangeDevice(LONG deviceType, VARIANT_BOOL* result) = 0;
  virtual HRESULT AboutBox() = 0;
  virtual HRESULT EditPacketLibraryFile(VARIANT_BOOL* result) = 0;
};

// The control's events: a pure dispatch interface; a host's sink answers it
// through IDispatch::Invoke only.
constexpr DISPID DISPID_QAVECREvents_OnClick = 2;

struct IQAVECREvents : IDispatch {
  static constexpr IID Iid = MakeGuid("{9F36EBE1-95ED-4372-84C3-38A02CB98D11}");
};

// ---------------------------------------------------------------------------
// Class identifiers

constexpr CLSID CLSID_QAVECR = MakeGuid("{B4F82C16-873D-4120-9731-227DB4A13B0F}");
constexpr CLSID CLSID_QAVECRPLU = MakeGuid("{1970C9D5-9670-41DD-B39B-CC17BD6EB660}");
constexpr CLSID CLSID_QAVECRHALO = MakeGuid("{4AB4D287-C340-40A8-822D-1F4C7874C263}");
constexpr CLSID CLSID_QAVECRTaxRates = MakeGuid("{C8D2F86B-6ED7-48E0-B46F-910CD79D727F}");
constexpr CLSID CLSID_QAVECRDiscounts = MakeGuid("{1ACFA5AB-29F1-4809-92BF-C3B56ACA861B}");
constexpr CLSID CLSID_QAVECRCashier = MakeGuid("{E0BD0445-D71F-41FD-A9D8-2C5113208F21}");
constexpr CLSID CLSID_QAVECRSale = MakeGuid("{87D843CC-ABDE-475F-BC05-3BE6C848B35D}");
constexpr CLSID CLSID_QAVECRPLUSaleRec = MakeGuid("{2E484962-C89F-4F3F-A637-A293955C8F81}");
constexpr CLSID CLSID_QAVECRCounter = MakeGuid("{781BDF39-28CA-4761-A412-564467987243}");
constexpr CLSID CLSID_QAVECRCounters = MakeGuid("{08ACB5C5-3D78-438C-BA9E-537C129874D6}");
constexpr CLSID CLSID_QAVECRAmount = MakeGuid("{6219DC92-C12A-4116-81DE-0986624582E1}");
constexpr CLSID CLSID_QAVECRAmounts = MakeGuid("{D5C07719-5080-4E56-ACC4-E6921CFA9954}");
constexpr CLSID CLSID_QAVECRReceiptDiscountCard = MakeGuid("{66C2F748-A7ED-4E0D-ACAE-9C7E72B7BEB0}");
constexpr CLSID CLSID_QAVECRSaleRec = MakeGuid("{6425BAF4-353A-4631-9D0B-5109D51CA6BB}");
constexpr CLSID CLSID_QAVECRResetRec = MakeGuid("{02D4C790-056C-4C7E-A6F2-4CC72EAB9BA8}");
constexpr CLSID CLSID_QAVECRReceiptItem = MakeGuid("{D0AB758B-4456-4BFF-8510-E5C8F3BC81A1}");
constexpr CLSID CLSID_QAVECRReceiptSummary = MakeGuid("{C767B3FB-0D85-4EA1-80DE-A5AE7E7973B5}");
constexpr CLSID CLSID_QAVECRCashReport = MakeGuid("{71533939-A6C0-4DE0-AA00-4CB2105F17B9}");
constexpr CLSID CLSID_QAVECRFlags = MakeGuid("{CC12F6D8-C8B4-4F75-BF28-C260A04159C8}");
constexpr CLSID CLSID_QAVECRPLUShortcutRec = MakeGuid("{D1020F89-E4FE-45C3-AECD-773F7260C730}");
constexpr CLSID CLSID_QAVECRCommOptions = MakeGuid("{01754B1F-14BA-4783-8124-371B819D65F8}");
constexpr CLSID CLSID_QAVECRDiscount = MakeGuid("{F02604B8-01C2-4EF1-A47B-75A2FAA66424}");
constexpr CLSID CLSID_QAVECRCashierSaleRec = MakeGuid("{FEF7EDFF-2824-463C-9ECB-1DF9B24A8645}");
constexpr CLSID CLSID_QAVECRVersion = MakeGuid("{12EE97E3-A3BB-4B3F-8A01-9D5D59ABAE24}");
constexpr CLSID CLSID_QAVECRTaxChangeRec = MakeGuid("{A51D8A74-00AD-4609-B1E2-81996B886907}");
constexpr CLSID CLSID_QAVECRHourlyReportRec = MakeGuid("{1380BA7E-BC57-48F2-98C8-E75A783C49CC}");
constexpr CLSID CLSID_QAVECRStatus = MakeGuid("{49740F3C-C580-4E12-81F2-3402E6F045EF}");
constexpr CLSID CLSID_QAVECRLinkedCodeRec = MakeGuid("{3B816EC8-53F8-458C-8AE5-B2A4DAF92050}");
constexpr CLSID CLSID_QAVECRDiscountCard = MakeGuid("{9E296175-C0DA-491B-9411-464DEB7592B7}");
// END OF INTERFACES
