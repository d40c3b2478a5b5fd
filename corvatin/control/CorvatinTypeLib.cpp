// The one description of the control's type library: every interface with its
// members in slot order (names, DISPIDs, parameters and defaults), the coclasses
// and the enumerations. Dispatch, registration and the ITypeLib that hosts load
// read it; nothing else describes the control's types.
#include "corvatin/control/CorvatinTypeLib.h"

namespace corvatin {

using com::InterfaceDesc;
using com::MemberDesc;
using com::Method;
using com::Param;
using com::Procedure;
using com::PropGet;
using com::PropPut;

namespace {

std::string DispatchHelp(const char* coclassHelp) { return std::string("Dispatch interface for ") + coclassHelp; }

// Programming records.

const InterfaceDesc& PLUDesc() {
  using I = IQAVECRPLU;
  static const InterfaceDesc d("IQAVECRPLU", I::Iid, nullptr, DispatchHelp("QAVECRPLU Object"),
                               {
                                   COM_PROP(I, Name, 2),
                                   COM_PROP(I, Code, 3),
                                   COM_PROP(I, Index, 4),
                                   COM_PROP(I, EAN, 5),
                                   COM_PROP(I, ShortName, 6),
                                   COM_PROP(I, PLUType, 1),
                                   COM_PROP(I, Price, 7),
                                   COM_PROP(I, DepartmentIndex, 8),
                                   COM_PROP(I, DepartmentCode, 9),
                                   COM_PROP(I, ContainerIndex, 10),
                                   COM_PROP(I, ContainerCode, 11),
                                   COM_PROP(I, LinkedIndex, 12),
                                   COM_PROP(I, LinkedCode, 13),
                                   COM_PROP(I, TaxRateIndex, 14),
                                   COM_PROP(I, TaxRateName, 15),
                                   COM_PROP(I, TaxRate, 16),
                                   COM_PROP(I, PLUAttributes, 17),
                                   COM_PROP(I, HALOIndex, 18),
                                   COM_PROP(I, HALOAmount, 19),
                                   COM_PROP(I, Precision, 20),
                               });
  return d;
}

const InterfaceDesc& CashierDesc() {
  using I = IQAVECRCashier;
  static const InterfaceDesc d("IQAVECRCashier", I::Iid, nullptr, DispatchHelp("QAVECRCashier Object"),
                               {
                                   COM_PROP(I, Name, 1),
                                   COM_PROP(I, Password, 2),
                                   COM_PROP(I, FirstName, 3),
                                   COM_PROP(I, Surname, 4),
                                   COM_PROP(I, Code, 5),
                                   COM_PROP(I, Index, 6),
                               });
  return d;
}

const InterfaceDesc& LinkedCodeRecDesc() {
  using I = IQAVECRLinkedCodeRec;
  static const InterfaceDesc d("IQAVECRLinkedCodeRec", I::Iid, nullptr, DispatchHelp("QAVECRLinkedCode Object"),
                               {
                                   COM_PROP(I, Code, 1),
                                   COM_PROP(I, LinkedCode, 2),
                               });
  return d;
}

const InterfaceDesc& PLUShortcutRecDesc() {
  using I = IQAVECRPLUShortcutRec;
  // DISPID 4 is not used.
  static const InterfaceDesc d("IQAVECRPLUShortcutRec", I::Iid, nullptr, DispatchHelp("QAVECRPLUShortcut Object"),
                               {
                                   COM_PROP(I, KeyIndex, 1),
                                   COM_PROP(I, Code, 2),
                                   COM_PROP(I, Name, 3),
                                   COM_PROP(I, EAN, 5),
                                   COM_PROP(I, Index, 6),
                               });
  return d;
}

// Programming lists.

const InterfaceDesc& TaxRatesDesc() {
  using I = IQAVECRTaxRates;
  static const InterfaceDesc d("IQAVECRTaxRates", I::Iid, nullptr, DispatchHelp("QAVECRTaxRates Object"),
                               {
                                   PropGet<&I::get_Count>("Count", 1),
                                   COM_INDEXED_PROP(I, Values, 2),
                                   COM_INDEXED_PROP(I, Names, 3),
                                   Method<&I::Add>("Add", 4, {Param("Value"), Param("Name")}),
                                   Method<&I::Delete>("Delete", 5, {Param("i")}),
                                   Method<&I::Clear>("Clear", 6),
                               });
  return d;
}

const InterfaceDesc& HALODesc() {
  using I = IQAVECRHALO;
  static const InterfaceDesc d("IQAVECRHALO", I::Iid, nullptr, DispatchHelp("QAVECRHALO Object"),
                               {
                                   PropGet<&I::get_Count>("Count", 1),
                                   COM_INDEXED_PROP(I, Values, 5),
                                   Method<&I::Add>("Add", 6, {Param("Value")}),
                                   Method<&I::Delete>("Delete", 7, {Param("i")}),
                                   Method<&I::Clear>("Clear", 2),
                               });
  return d;
}

const InterfaceDesc& DiscountDesc() {
  using I = IQAVECRDiscount;
  static const InterfaceDesc d("IQAVECRDiscount", I::Iid, nullptr, DispatchHelp("QAVECRDiscount Object"),
                               {
                                   COM_PROP(I, DiscountType, 1),
                                   COM_PROP(I, Value, 2),
                                   COM_PROP(I, Info, 3),
                               });
  return d;
}

const InterfaceDesc& DiscountsDesc() {
  using I = IQAVECRDiscounts;
  static const InterfaceDesc d(
      "IQAVECRDiscounts", I::Iid, nullptr, DispatchHelp("QAVECRDiscounts Object"),
      {
          PropGet<&I::get_Count>("Count", 2),
          PropGet<&I::get_Items>("Items", 3, {Param("i")}),
          Method<&I::Add>("Add", 5, {Param("DiscountType"), Param("Value"), Param("Info")}),
          Method<&I::Delete>("Delete", 6, {Param("i")}),
          Method<&I::Clear>("Clear", 7),
          Method<&I::FindFirst>("FindFirst", 1, {Param("DiscountType")}),
          Method<&I::FindNext>("FindNext", 4),
      });
  return d;
}

const InterfaceDesc& DiscountCardDesc() {
  using I = IQAVECRDiscountCard;
  static const InterfaceDesc d("IQAVECRDiscountCard", I::Iid, nullptr, DispatchHelp("QAVECRDiscountCard Object"),
                               {
                                   PropGet<&I::get_DiscountsCount>("DiscountsCount", 1),
                                   PropGet<&I::get_Discounts>("Discounts", 2, {Param("i")}),
                                   Method<&I::AddDiscount>("AddDiscount", 3, {Param("Discount")}),
                                   Method<&I::DeleteDiscount>("DeleteDiscount", 4, {Param("i")}),
                                   Method<&I::ClearDiscounts>("ClearDiscounts", 5),
                                   COM_PROP(I, CardName, 12),
                                   COM_PROP(I, IdentifierPosition, 6),
                                   COM_PROP(I, IdentifierLength, 7),
                                   COM_PROP(I, IdentifierTemplate, 8),
                                   COM_PROP(I, DatePosition, 9),
                                   COM_PROP(I, DateLength, 10),
                                   COM_PROP(I, DiscountIdentifierPosition, 11),
                               });
  return d;
}

const InterfaceDesc& FlagsDesc() {
  using I = IQAVECRFlags;
  static const InterfaceDesc d("IQAVECRFlags", I::Iid, nullptr, DispatchHelp("QAVECRFlags Object"),
                               {
                                   COM_PROP(I, Sale, 9),
                                   COM_PROP(I, Print, 2),
                                   COM_PROP(I, Keyboard, 3),
                                   COM_PROP(I, Scales, 4),
                                   COM_PROP(I, Power, 5),
                                   COM_PROP(I, Misc, 6),
                                   COM_PROP(I, ScalesCodeType, 1),
                                   COM_PROP(I, ScalesType, 7),
                                   COM_PROP(I, PLUStaling, 8),
                               });
  return d;
}

// Communication options. The published table gives the slot order only; the
// DISPIDs are 1 to 17 in that order.
const InterfaceDesc& CommOptionsDesc() {
  using I = IQAVECRCommOptions;
  static const InterfaceDesc d("IQAVECRCommOptions", I::Iid, nullptr,
                               DispatchHelp("QAVECRCommunicationOptions Object"),
                               {
                                   COM_PROP(I, Port, 1),
                                   COM_PROP(I, Speed, 2),
                                   COM_PROP(I, DataBits, 3),
                                   COM_PROP(I, StopBits, 4),
                                   COM_PROP(I, Parity, 5),
                                   COM_PROP(I, TimeOut, 6),
                                   COM_PROP(I, WaitTimeOut, 7),
                                   COM_PROP(I, ConnectionTimeOut, 8),
                                   COM_PROP(I, FlowControl, 9),
                                   COM_PROP(I, MultiplexerName, 10),
                                   COM_PROP(I, MultiplexerChannel, 11),
                                   COM_PROP(I, MultiplexerControlString, 12),
                                   COM_PROP(I, DeviceID, 13),
                                   COM_PROP(I, DeviceAddress, 14),
                                   COM_PROP(I, RemoteMultiplexerName, 15),
                                   COM_PROP(I, RemoteMultiplexerChannel, 16),
                                   COM_PROP(I, RemoteMultiplexerControlString, 17),
                               });
  return d;
}

// Amounts, counters and sale lines. Their tables give the slot order only; the
// DISPIDs are numbered 1, 2, ... per property or method in slot order.

const InterfaceDesc& AmountDesc() {
  using I = IQAVECRAmount;
  static const InterfaceDesc d("IQAVECRAmount", I::Iid, nullptr, DispatchHelp("QAVECRAmount Object"),
                               {
                                   COM_PROP(I, AmountType, 1),
                                   COM_PROP(I, Value, 2),
                                   COM_PROP(I, Name, 3),
                                   COM_PROP(I, Info, 4),
                               });
  return d;
}

const InterfaceDesc& CounterDesc() {
  using I = IQAVECRCounter;
  static const InterfaceDesc d("IQAVECRCounter", I::Iid, nullptr, DispatchHelp("QAVECRCounter Object"),
                               {
                                   COM_PROP(I, CounterType, 1),
                                   COM_PROP(I, Value, 2),
                                   COM_PROP(I, Info, 3),
                               });
  return d;
}

const InterfaceDesc& AmountsDesc() {
  using I = IQAVECRAmounts;
  static const InterfaceDesc d(
      "IQAVECRAmounts", I::Iid, nullptr, DispatchHelp("QAVECRAmounts Object"),
      {
          PropGet<&I::get_Count>("Count", 1),
          PropGet<&I::get_Items>("Items", 2, {Param("i")}),
          Method<&I::Add>("Add", 3,
                          {Param("AmountType"), Param("Value"), Param("Name").Default(u""), Param("Info").Default(u"")}),
          Method<&I::Delete>("Delete", 4, {Param("i")}),
          Method<&I::Clear>("Clear", 5),
      });
  return d;
}

const InterfaceDesc& CountersDesc() {
  using I = IQAVECRCounters;
  static const InterfaceDesc d(
      "IQAVECRCounters", I::Iid, nullptr, DispatchHelp("QAVECRCounters Object"),
      {
          PropGet<&I::get_Count>("Count", 1),
          PropGet<&I::get_Items>("Items", 2, {Param("i")}),
          Method<&I::Add>("Add", 3, {Param("CounterType"), Param("Value"), Param("Info")}),
          Method<&I::Delete>("Delete", 4, {Param("i")}),
          Method<&I::Clear>("Clear", 5),
      });
  return d;
}

const InterfaceDesc& SaleDesc() {
  using I = IQAVECRSale;
  static const InterfaceDesc d(
      "IQAVECRSale", I::Iid, nullptr, DispatchHelp("QAVECRSale Object"),
      {
          COM_PROP(I, SaleTotal, 1),
          COM_PROP(I, TaxesTotal, 2),
          PropGet<&I::get_Count>("Count", 3),
          PropGet<&I::get_Grosses>("Grosses", 4, {Param("i")}),
          PropGet<&I::get_Netts>("Netts", 5, {Param("i")}),
          PropGet<&I::get_Taxes>("Taxes", 6, {Param("i")}),
          PropGet<&I::get_Infos>("Infos", 7, {Param("i")}),
          Method<&I::Add>("Add", 8, {Param("Gross"), Param("Nett"), Param("Tax"), Param("Info")}),
          Method<&I::Delete>("Delete", 9, {Param("i")}),
          Method<&I::Clear>("Clear", 10),
      });
  return d;
}

// Version and status records: DISPIDs 1, 2, ... per property in slot order.

const InterfaceDesc& VersionDesc() {
  using I = IQAVECRVersion;
  static const InterfaceDesc d("IQAVECRVersion", I::Iid, nullptr, DispatchHelp("QAVECRVersion Object"),
                               {
                                   COM_PROP(I, ApplicationModule, 1),
                                   COM_PROP(I, FiscalModule, 2),
                                   COM_PROP(I, PrintingDevice, 3),
                               });
  return d;
}

const InterfaceDesc& StatusDesc() {
  using I = IQAVECRStatus;
  static const InterfaceDesc d("IQAVECRStatus", I::Iid, nullptr, DispatchHelp("QAVECRStatus Object"),
                               {
                                   COM_PROP(I, ReceiptBufferFreeMemory, 1),
                                   COM_PROP(I, FirstReceiptInBuffer, 2),
                                   COM_PROP(I, LastReceiptInBuffer, 3),
                                   COM_PROP(I, Fiscal, 4),
                                   COM_PROP(I, ReadOnly, 5),
                                   COM_PROP(I, ClientDisplay, 6),
                                   COM_PROP(I, PaperOut, 7),
                                   COM_PROP(I, PrintingDeviceError, 8),
                                   PropGet<&I::get_Version>("Version", 9),
                               });
  return d;
}

// Report records.

const InterfaceDesc& CashReportDesc() {
  using I = IQAVECRCashReport;
  static const InterfaceDesc d("IQAVECRCashReport", I::Iid, nullptr, DispatchHelp("QAVECRCashReport Object"),
                               {
                                   PropGet<&I::get_Amounts>("Amounts", 3),
                                   PropGet<&I::get_Counters>("Counters", 1),
                               });
  return d;
}

const InterfaceDesc& CashierSaleRecDesc() {
  using I = IQAVECRCashierSaleRec;
  static const InterfaceDesc d("IQAVECRCashierSaleRec", I::Iid, nullptr,
                               DispatchHelp("QAVECRCashierReportRec Object"),
                               {
                                   PropGet<&I::get_Cashier>("Cashier", 3),
                                   PropGet<&I::get_Amounts>("Amounts", 4),
                                   PropGet<&I::get_Counters>("Counters", 5),
                               });
  return d;
}

const InterfaceDesc& PLUSaleRecDesc() {
  using I = IQAVECRPLUSaleRec;
  static const InterfaceDesc d("IQAVECRPLUSaleRec", I::Iid, nullptr, DispatchHelp("QAVECRPLUSale Object"),
                               {
                                   COM_PROP(I, Name, 2),
                                   COM_PROP(I, Code, 1),
                                   COM_PROP(I, Index, 7),
                                   COM_PROP(I, EAN, 8),
                                   COM_PROP(I, Quantity, 4),
                                   COM_PROP(I, ReturnedQuantity, 12),
                                   COM_PROP(I, Price, 9),
                                   COM_PROP(I, AveragePrice, 5),
                                   COM_PROP(I, Amount, 3),
                                   COM_PROP(I, ReturnedAmount, 13),
                                   PropGet<&I::get_Discount>("Discount", 10),
                                   COM_PROP(I, Share, 6),
                                   COM_PROP(I, PLUType, 11),
                               });
  return d;
}

const InterfaceDesc& HourlyReportRecDesc() {
  using I = IQAVECRHourlyReportRec;
  static const InterfaceDesc d("IQAVECRHourlyReportRec", I::Iid, nullptr,
                               DispatchHelp("QAVECRHourlyReport Object"),
                               {
                                   COM_PROP(I, Hour, 1),
                                   PropGet<&I::get_Amounts>("Amounts", 2),
                                   PropGet<&I::get_Counters>("Counters", 3),
                               });
  return d;
}

const InterfaceDesc& SaleRecDesc() {
  using I = IQAVECRSaleRec;
  static const InterfaceDesc d("IQAVECRSaleRec", I::Iid, nullptr, DispatchHelp("QAVECRSaleReportRec Object"),
                               {
                                   COM_PROP(I, ReportType, 11),
                                   COM_DATE_PROP(I, Date, 8),
                                   COM_PROP(I, Number, 1),
                                   PropGet<&I::get_Sale>("Sale", 2),
                                   PropGet<&I::get_Counters>("Counters", 12),
                                   PropGet<&I::get_Amounts>("Amounts", 3),
                                   PropGet<&I::get_TaxRates>("TaxRates", 10),
                                   COM_PROP(I, Attributes, 9),
                               });
  return d;
}

const InterfaceDesc& ResetRecDesc() {
  using I = IQAVECRResetRec;
  static const InterfaceDesc d("IQAVECRResetRec", I::Iid, nullptr, DispatchHelp("QAVECRResetRec Object"),
                               {
                                   COM_PROP(I, ResetType, 4),
                                   COM_DATE_PROP(I, Date, 5),
                                   COM_DATE_PROP(I, Time, 1),
                                   COM_PROP(I, Reason, 2),
                                   COM_PROP(I, Number, 3),
                               });
  return d;
}

const InterfaceDesc& TaxChangeRecDesc() {
  using I = IQAVECRTaxChangeRec;
  static const InterfaceDesc d("IQAVECRTaxChangeRec", I::Iid, nullptr,
                               DispatchHelp("QAVECRReportTaxRatesChangeRec Object"),
                               {
                                   COM_DATE_PROP(I, Date, 1),
                                   PropGet<&I::get_TaxRates>("TaxRates", 2),
                               });
  return d;
}

// Receipt records.

const InterfaceDesc& ReceiptItemDesc() {
  using I = IQAVECRReceiptItem;
  static const InterfaceDesc d("IQAVECRReceiptItem", I::Iid, nullptr, DispatchHelp("QAVECRReceiptItemRec Object"),
                               {
                                   COM_PROP(I, ItemType, 1),
                                   COM_PROP(I, Name, 3),
                                   COM_PROP(I, Code, 2),
                                   COM_PROP(I, EAN, 10),
                                   COM_PROP(I, Index, 9),
                                   COM_PROP(I, TaxRateIndex, 13),
                                   COM_PROP(I, TaxRateName, 12),
                                   COM_PROP(I, TaxRate, 4),
                                   COM_PROP(I, QuantityPrecision, 5),
                                   COM_PROP(I, Quantity, 6),
                                   COM_PROP(I, Price, 7),
                                   COM_PROP(I, Value, 8),
                                   COM_PROP(I, DiscountValue, 11),
                                   COM_PROP(I, DiscountType, 14),
                               });
  return d;
}

const InterfaceDesc& ReceiptSummaryDesc() {
  using I = IQAVECRReceiptSummary;
  static const InterfaceDesc d("IQAVECRReceiptSummary", I::Iid, nullptr, DispatchHelp("QAVECRReceiptRec Object"),
                               {
                                   COM_PROP(I, ItemsCount, 1),
                                   COM_DATE_PROP(I, Date, 3),
                                   COM_DATE_PROP(I, Time, 7),
                                   PropGet<&I::get_Cashier>("Cashier", 9),
                                   PropGet<&I::get_Amounts>("Amounts", 8),
                                   COM_PROP(I, ReceiptNumber, 4),
                                   COM_PROP(I, PrintOutNumber, 10),
                                   COM_PROP(I, ECRNumber, 11),
                               });
  return d;
}

const InterfaceDesc& ReceiptDiscountCardDesc() {
  using I = IQAVECRReceiptDiscountCard;
  static const InterfaceDesc d("IQAVECRReceiptDiscountCard", I::Iid, nullptr,
                               DispatchHelp("QAVECRDiscountCardRec Object"),
                               {
                                   COM_PROP(I, CardName, 12),
                                   COM_PROP(I, CardCode, 1),
                                   COM_PROP(I, Discount, 2),
                               });
  return d;
}

// The control. The readers and writers carry their published DISPIDs; the
// members published without one take the free numbers in slot order (2, 4, 5,
// 6, 7, 10, 19, ... as marked "free" below), and AboutBox the standard about-box
// DISPID.
constexpr DISPID kDispidAboutBox = -552;

const InterfaceDesc& ControlDesc() {
  using I = IQAVECR;
  static const InterfaceDesc d(
      "IQAVECR", I::Iid, nullptr, DispatchHelp("QAVECR Control"),
      {
          PropGet<&I::get_Version>("Version", 2),  // free
          COM_PROP(I, PacketLibraryFile, 4),        // free
          PropGet<&I::get_CommOptions>("CommOptions", 5),  // free
          PropGet<&I::get_Flags>("Flags", 6),              // free
          COM_PROP(I, ECRNumber, 7),                        // free
          COM_PROP(I, ID, 10),                              // free
          PropGet<&I::get_EOF>("EOF", 19),                 // free
          PropGet<&I::get_LastPacketSent>("LastPacketSent", 20),          // free
          PropGet<&I::get_LastPacketReceived>("LastPacketReceived", 21),  // free
          PropGet<&I::get_LastErrorCode>("LastErrorCode", 23),            // free
          PropGet<&I::get_LastErrorMessage>("LastErrorMessage", 30),      // free
          COM_PROP(I, AutoReadNativeError, 31),                            // free
          PropGet<&I::get_LastNativeErrorCode>("LastNativeErrorCode", 33),        // free
          PropGet<&I::get_LastNativeErrorMessage>("LastNativeErrorMessage", 35),  // free
          COM_PROP(I, Driver, 45),                                                 // free
          COM_PROP(I, KeepConnection, 46),                                         // free
          PropGet<&I::get_Statistics>("Statistics", 50),                          // free
          Method<&I::BeginRead>("BeginRead", 51,  // free
                                {Param("DataType"), Param("RangeBeg"), Param("RangeEnd"), Param("RangeType"),
                                 Param("ReadMode")}),
          Method<&I::ConfirmRead>("ConfirmRead", 52),                          // free
          Method<&I::Connect>("Connect", 53),                                  // free
          Method<&I::Disconnect>("Disconnect", 54),                            // free
          Method<&I::ResetCommunication>("ResetCommunication", 55),            // free
          Method<&I::BeginWrite>("BeginWrite", 56, {Param("DataType")}),       // free
          Method<&I::EndWrite>("EndWrite", 58),                                // free
          Method<&I::ReadNextRecordType>("ReadNextRecordType", 59, {Param("NextRecordType")}),  // free
          Method<&I::ReadFlags>("ReadFlags", 38),
          Method<&I::WriteFlags>("WriteFlags", 44),
          Method<&I::ReadText>("ReadText", 60, {Param("Text")}),    // free
          Method<&I::WriteText>("WriteText", 63, {Param("Text")}),  // free
          Method<&I::ReadIdentifier>("ReadIdentifier", 61, {Param("Identifier")}),
          Method<&I::WriteIdentifier>("WriteIdentifier", 62, {Param("Identifier")}),
          Method<&I::ReadCashier>("ReadCashier", 13, {Param("Cashier")}),
          Method<&I::WriteCashier>("WriteCashier", 15, {Param("Cashier")}),
          Method<&I::ReadDiscounts>("ReadDiscounts", 17, {Param("Discounts")}),
          Method<&I::WriteDiscounts>("WriteDiscounts", 18, {Param("Discounts")}),
          Method<&I::ReadTaxRates>("ReadTaxRates", 25, {Param("TaxRates")}),
          Method<&I::WriteTaxRates>("WriteTaxRates", 26, {Param("TaxRates")}),
          Method<&I::ReadHALO>("ReadHALO", 28, {Param("HALO")}),
          Method<&I::WriteHALO>("WriteHALO", 29, {Param("HALO")}),
          Method<&I::ReadPLU>("ReadPLU", 8, {Param("PLU")}),
          Method<&I::WritePLU>("WritePLU", 37, {Param("PLU"), Param("WriteMode")}),
          Method<&I::ReadPLUShortcutRec>("ReadPLUShortcutRec", 39, {Param("PLUShortcut")}),
          Method<&I::WritePLUShortcutRec>("WritePLUShortcutRec", 41, {Param("PLUShortcut")}),
          Method<&I::ReadDateTime>("ReadDateTime", 42, {Param("DateTime").As(VT_DATE | VT_BYREF)}),
          Method<&I::WriteDateTime>("WriteDateTime", 43, {Param("DateTime").As(VT_DATE)}),
          Method<&I::ReadCashReport>("ReadCashReport", 1, {Param("CashReport")}),
          Method<&I::ReadCashierSaleRec>("ReadCashierSaleRec", 3, {Param("SaleRec")}),
          Method<&I::ReadPLUSaleRec>("ReadPLUSaleRec", 16, {Param("SaleRec")}),
          Method<&I::ReadSaleRec>("ReadSaleRec", 11, {Param("SaleRec")}),
          Method<&I::ReadResetRec>("ReadResetRec", 12, {Param("ResetRec")}),
          Method<&I::ReadTaxChangeRec>("ReadTaxChangeRec", 14, {Param("TaxChangeRec")}),
          Method<&I::ReadSaleSummaryRec>("ReadSaleSummaryRec", 24, {Param("SaleRec")}),
          Method<&I::ReadSummaryReport>("ReadSummaryReport", 27, {Param("SaleRec")}),
          Method<&I::SetCurrentReceipt>("SetCurrentReceipt", 64, {Param("ReceiptNumber")}),  // free
          Method<&I::ReadReceiptItem>("ReadReceiptItem", 22, {Param("ReceiptItem")}),
          Method<&I::ReadReceiptSummary>("ReadReceiptSummary", 32, {Param("ReceiptSummary")}),
          Method<&I::ReadReceiptDiscountCard>("ReadReceiptDiscountCard", 34, {Param("ReceiptDiscountCard")}),
          Method<&I::ReadHourlyReportRec>("ReadHourlyReportRec", 36, {Param("HourlyReportRec")}),
          Method<&I::ReadLinkedCodeRec>("ReadLinkedCodeRec", 40, {Param("LinkedCodeRec")}),
          Method<&I::WriteLinkedCodeRec>("WriteLinkedCodeRec", 47, {Param("LinkedCodeRec")}),
          Method<&I::WriteDiscountCard>("WriteDiscountCard", 49, {Param("DiscountCard"), Param("WriteMode")}),
          Method<&I::ReadDiscountCard>("ReadDiscountCard", 48, {Param("DiscountCard")}),
          Method<&I::Refresh>("Refresh", 65),  // free
          Method<&I::ReadVersion>("ReadVersion", 9, {Param("Version")}),
          Method<&I::ReadStatus>("ReadStatus", 57, {Param("Status")}),
          Method<&I::ReadError>("ReadError", 66,  // free
                                {Param("TransmissionType"), Param("ErrorCode"), Param("RangeBeg"), Param("RangeEnd")}),
          Method<&I::ChangeDevice>("ChangeDevice", 67, {Param("DeviceType")}),  // free
          Procedure<&I::AboutBox>("AboutBox", kDispidAboutBox),
          Method<&I::EditPacketLibraryFile>("EditPacketLibraryFile", 68),  // free
      });
  return d;
}

// The events interface: a pure dispatch interface whose one event a host's sink
// answers through its own Invoke; the member has no thunk.
const InterfaceDesc& EventsDesc() {
  static const InterfaceDesc d("IQAVECREvents", IQAVECREvents::Iid, nullptr, "Events interface for QAVECR Control",
                               {[] {
                                 MemberDesc m;
                                 m.name = "OnClick";
                                 m.dispid = DISPID_QAVECREvents_OnClick;
                                 m.kind = com::MemberKind::Method;
                                 return m;
                               }()},
                               com::kInterfaceDispatchOnly);
  return d;
}


com::TypeLibDesc BuildTypeLib() {
  com::TypeLibDesc lib;
  lib.name = "Corvatin";
  lib.helpString = "Corvatin Library";
  lib.libid = LIBID_Corvatin;
  lib.majorVersion = 1;
  lib.minorVersion = 0;
  lib.lcid = 0x409;
  lib.flags = com::kLibControl;
  lib.imports = {
      {"stdole", MakeGuid("{00020430-0000-0000-C000-000000000046}"), 2, 0, "stdole2.tlb", {}},
      {"Zelvani", LIBID_Zelvani, 1, 0, "Zelvani.dll", {{"IQAVZLVDeviceStatistics", IQAVZLVDeviceStatistics::Iid}}},
  };
  lib.interfaces = {
      &ControlDesc(),         &EventsDesc(),         &PLUDesc(),           &HALODesc(),
      &TaxRatesDesc(),        &DiscountsDesc(),      &CashierDesc(),       &SaleDesc(),
      &PLUSaleRecDesc(),      &CounterDesc(),        &CountersDesc(),      &AmountDesc(),
      &AmountsDesc(),         &ReceiptDiscountCardDesc(), &SaleRecDesc(),  &ResetRecDesc(),
      &ReceiptItemDesc(),     &ReceiptSummaryDesc(), &CashReportDesc(),    &FlagsDesc(),
      &PLUShortcutRecDesc(),  &CommOptionsDesc(),    &DiscountDesc(),      &CashierSaleRecDesc(),
      &VersionDesc(),         &TaxChangeRecDesc(),   &HourlyReportRecDesc(), &StatusDesc(),
      &LinkedCodeRecDesc(),   &DiscountCardDesc(),
  };
  lib.coclasses = {
      {"QAVECR", CLSID_QAVECR, &ControlDesc(), "QAVECR Control", com::kTypeControl, &EventsDesc()},
      {"QAVECRPLU", CLSID_QAVECRPLU, &PLUDesc(), "QAVECRPLU Object", 0, nullptr},
      {"QAVECRHALO", CLSID_QAVECRHALO, &HALODesc(), "QAVECRHALO Object", 0, nullptr},
      {"QAVECRTaxRates", CLSID_QAVECRTaxRates, &TaxRatesDesc(), "QAVECRTaxRates Object", 0, nullptr},
      {"QAVECRDiscounts", CLSID_QAVECRDiscounts, &DiscountsDesc(), "QAVECRDiscounts Object", 0, nullptr},
      {"QAVECRCashier", CLSID_QAVECRCashier, &CashierDesc(), "QAVECRCashier Object", 0, nullptr},
      {"QAVECRSale", CLSID_QAVECRSale, &SaleDesc(), "QAVECRSale Object", 0, nullptr},
      {"QAVECRPLUSaleRec", CLSID_QAVECRPLUSaleRec, &PLUSaleRecDesc(), "QAVECRPLUSale Object", 0, nullptr},
      {"QAVECRCounter", CLSID_QAVECRCounter, &CounterDesc(), "QAVECRCounter Object", 0, nullptr},
      {"QAVECRCounters", CLSID_QAVECRCounters, &CountersDesc(), "QAVECRCounters Object", 0, nullptr},
      {"QAVECRAmount", CLSID_QAVECRAmount, &AmountDesc(), "QAVECRAmount Object", 0, nullptr},
      {"QAVECRAmounts", CLSID_QAVECRAmounts, &AmountsDesc(), "QAVECRAmounts Object", 0, nullptr},
      {"QAVECRReceiptDiscountCard", CLSID_QAVECRReceiptDiscountCard, &ReceiptDiscountCardDesc(),
       "QAVECRDiscountCardRec Object", 0, nullptr},
      {"QAVECRSaleRec", CLSID_QAVECRSaleRec, &SaleRecDesc(), "QAVECRSaleReportRec Object", 0, nullptr},
      {"QAVECRResetRec", CLSID_QAVECRResetRec, &ResetRecDesc(), "QAVECRResetRec Object", 0, nullptr},
      {"QAVECRReceiptItem", CLSID_QAVECRReceiptItem, &ReceiptItemDesc(), "QAVECRReceiptItemRec Object", 0, nullptr},
      {"QAVECRReceiptSummary", CLSID_QAVECRReceiptSummary, &ReceiptSummaryDesc(), "QAVECRReceiptRec Object", 0,
       nullptr},
      {"QAVECRCashReport", CLSID_QAVECRCashReport, &CashReportDesc(), "QAVECRCashReport Object", 0, nullptr},
      {"QAVECRFlags", CLSID_QAVECRFlags, &FlagsDesc(), "QAVECRFlags Object", 0, nullptr},
      {"QAVECRPLUShortcutRec", CLSID_QAVECRPLUShortcutRec, &PLUShortcutRecDesc(), "QAVECRPLUShortcut Object", 0,
       nullptr},
      {"QAVECRCommOptions", CLSID_QAVECRCommOptions, &CommOptionsDesc(), "QAVECRCommunicationOptions Object", 0,
       nullptr},
      {"QAVECRDiscount", CLSID_QAVECRDiscount, &DiscountDesc(), "QAVECRDiscount Object", 0, nullptr},
      {"QAVECRCashierSaleRec", CLSID_QAVECRCashierSaleRec, &CashierSaleRecDesc(), "QAVECRCashierReportRec Object", 0,
       nullptr},
      {"QAVECRVersion", CLSID_QAVECRVersion, &VersionDesc(), "QAVECRVersion Object", 0, nullptr},
      {"QAVECRTaxChangeRec", CLSID_QAVECRTaxChangeRec, &TaxChangeRecDesc(), "QAVECRReportTaxRatesChangeRec Object", 0,
       nullptr},
      {"QAVECRHourlyReportRec", CLSID_QAVECRHourlyReportRec, &HourlyReportRecDesc(), "QAVECRHourlyReport Object", 0,
       nullptr},
      {"QAVECRStatus", CLSID_QAVECRStatus, &StatusDesc(), "QAVECRStatus Object", 0, nullptr},
      {"QAVECRLinkedCodeRec", CLSID_QAVECRLinkedCodeRec, &LinkedCodeRecDesc(), "QAVECRLinkedCode Object", 0, nullptr},
      {"QAVECRDiscountCard", CLSID_QAVECRDiscountCard, &DiscountCardDesc(), "QAVECRDiscountCard Object", 0, nullptr},
  };
  lib.enums = {
      {"QAVECRDiscountType",
       MakeGuid("{450D4E77-EABE-4B38-90B5-936F3F809307}"),
       "",
       {{"ecrdtStdPercentageDiscount", ecrdtStdPercentageDiscount},
        {"ecrdtMaxPercentageDiscount", ecrdtMaxPercentageDiscount},
        {"ecrdtStdPercentageMarkUp", ecrdtStdPercentageMarkUp},
        {"ecrdtMaxPercentageMarkUp", ecrdtMaxPercentageMarkUp},
        {"ecrdtStdAmountDiscount", ecrdtStdAmountDiscount},
        {"ecrdtMaxAmountDiscount", ecrdtMaxAmountDiscount},
        {"ecrdtStdAmountMarkUp", ecrdtStdAmountMarkUp},
        {"ecrdtMaxAmountMarkUp", ecrdtMaxAmountMarkUp},
        {"ecrdtPercentage", ecrdtPercentage},
        {"ecrdtAmount", ecrdtAmount}}},
      {"QAVECRAmountType",
       MakeGuid("{D89351B3-9DCD-489B-BF66-C7AB905B1642}"),
       "",
       {{"ecratCash", ecratCash},
        {"ecratVoucher", ecratVoucher},
        {"ecratCheque", ecratCheque},
        {"ecratCreditCard", ecratCreditCard},
        {"ecratCredit", ecratCredit},
        {"ecratSale", ecratSale},
        {"ecratRest", ecratRest},
        {"ecratDepositIn", ecratDepositIn},
        {"ecratDepositOut", ecratDepositOut},
        {"ecratCashPaidIn", ecratCashPaidIn},
        {"ecratCashPaidOut", ecratCashPaidOut},
        {"ecratCashLevel", ecratCashLevel},
        {"ecratTransfer", ecratTransfer},
        {"ecratDiscounts", ecratDiscounts},
        {"ecratReceiptDiscounts", ecratReceiptDiscounts},
        {"ecratItemDiscounts", ecratItemDiscounts},
        {"ecratMarkUps", ecratMarkUps},
        {"ecratItemMarkUps", ecratItemMarkUps},
        {"ecratStorno", ecratStorno},
        {"ecratCancelled", ecratCancelled},
        {"ecratTotal", ecratTotal},
        {"ecratPackingBalance", ecratPackingBalance}}},
      {"QAVECRResetType",
       MakeGuid("{77494B55-FE6B-46D1-AA00-AA4F975ACC14}"),
       "",
       {{"ecrrtRAMReset", ecrrtRAMReset},
        {"ecrrtPLUReset", ecrrtPLUReset}}},
      {"QAVECRRangeType",
       MakeGuid("{09636739-47B1-437B-89DA-BBFD80CB9BD8}"),
       "",
       {{"ecrrtNone", ecrrtNone},
        {"ecrrtCodes", ecrrtCodes},
        {"ecrrtNumbers", ecrrtNumbers},
        {"ecrrtDates", ecrrtDates}}},
      {"QAVECRTransmissionType",
       MakeGuid("{CC3F8AE7-33CB-4BEC-A4E8-851150F67E15}"),
       "",
       {{"ecrttReading", ecrttReading},
        {"ecrttWriting", ecrttWriting},
        {"ecrttReadingResettingReport", ecrttReadingResettingReport}}},
      {"QAVECRReceiptItemType",
       MakeGuid("{5290DBCB-0A42-48CD-B822-789EBC515A9E}"),
       "",
       {{"ecritDepartmentSale", ecritDepartmentSale},
        {"ecritPLUSale", ecritPLUSale},
        {"ecritPackingSale", ecritPackingSale},
        {"ecritPackingReturn", ecritPackingReturn}}},
      {"QAVECRDataType",
       MakeGuid("{37961EBC-9DBD-41F4-887A-8B03DDE20EE5}"),
       "",
       {{"ecrdtFlags", ecrdtFlags},
        {"ecrdtFlagsEx", ecrdtFlagsEx},
        {"ecrdtHeader", ecrdtHeader},
        {"ecrdtFooter", ecrdtFooter},
        {"ecrdtCashier", ecrdtCashier},
        {"ecrdtHALO", ecrdtHALO},
        {"ecrdtDiscounts", ecrdtDiscounts},
        {"ecrdtDepartment", ecrdtDepartment},
        {"ecrdtPLU", ecrdtPLU},
        {"ecrdtPLUShortcuts", ecrdtPLUShortcuts},
        {"ecrdtTaxRates", ecrdtTaxRates},
        {"ecrdtDateTime", ecrdtDateTime},
        {"ecrdtUniqueID", ecrdtUniqueID},
        {"ecrdtTaxPayerID", ecrdtTaxPayerID},
        {"ecrdtECRNumber", ecrdtECRNumber},
        {"ecrdtCashReport", ecrdtCashReport},
        {"ecrdtCashReportEx", ecrdtCashReportEx},
        {"ecrdtCashReportExEx", ecrdtCashReportExEx},
        {"ecrdtCashierSale", ecrdtCashierSale},
        {"ecrdtCashierSaleEx", ecrdtCashierSaleEx},
        {"ecrdtCashierSaleExEx", ecrdtCashierSaleExEx},
        {"ecrdtDepartmentSale", ecrdtDepartmentSale},
        {"ecrdtPLUSale", ecrdtPLUSale},
        {"ecrdtDailyReport", ecrdtDailyReport},
        {"ecrdtLastFiscalReport", ecrdtLastFiscalReport},
        {"ecrdtPeriodicalReport", ecrdtPeriodicalReport},
        {"ecrdtPeriodicalSummaryReport", ecrdtPeriodicalSummaryReport},
        {"ecrdtPackingReport", ecrdtPackingReport},
        {"ecrdtVersion", ecrdtVersion},
        {"ecrdtReceiptReport", ecrdtReceiptReport},
        {"ecrdtReceiptReportEx", ecrdtReceiptReportEx},
        {"ecrdtHourlyReport", ecrdtHourlyReport},
        {"ecrdtStatus", ecrdtStatus},
        {"ecrdtLinkedCodes", ecrdtLinkedCodes},
        {"ecrdtDiscountCard", ecrdtDiscountCard},
        {"ecrdtReceiptNumber", ecrdtReceiptNumber},
        {"ecrdtPLUChange", ecrdtPLUChange},
        {"ecrdtDailyReportEx", ecrdtDailyReportEx},
        {"ecrdtPeriodicalReportEx", ecrdtPeriodicalReportEx},
        {"ecrdtPeriodicalSummaryReportEx", ecrdtPeriodicalSummaryReportEx},
        {"ecrdtTaxRatesEx", ecrdtTaxRatesEx},
        {"ecrdtUniqueIDEx", ecrdtUniqueIDEx}}},
      {"QAVECRReadMode",
       MakeGuid("{9D01AF15-2602-4ED1-AF63-5A5418D14E36}"),
       "",
       {{"ecrrmNotResetting", ecrrmNotResetting},
        {"ecrrmResetting", ecrrmResetting}}},
      {"QAVECRWriteMode",
       MakeGuid("{97B2F2B5-225B-4B11-A44E-5C304E7E4528}"),
       "",
       {{"ecrwmInsertOrUpdate", ecrwmInsertOrUpdate},
        {"ecrwmInsert", ecrwmInsert},
        {"ecrwmUpdate", ecrwmUpdate},
        {"ecrwmDelete", ecrwmDelete}}},
      {"QAVECRCounterType",
       MakeGuid("{564D653C-A5E3-4158-ADDC-DA646056B641}"),
       "",
       {{"ecrctReceipts", ecrctReceipts},
        {"ecrctCancelledReceipts", ecrctCancelledReceipts},
        {"ecrctDiscountedReceipts", ecrctDiscountedReceipts},
        {"ecrctLastReceipt", ecrctLastReceipt},
        {"ecrctReceiptItems", ecrctReceiptItems},
        {"ecrctStornoItems", ecrctStornoItems},
        {"ecrctDiscountedItems", ecrctDiscountedItems},
        {"ecrctPrintouts", ecrctPrintouts},
        {"ecrctLastPrintout", ecrctLastPrintout},
        {"ecrctRAMResets", ecrctRAMResets},
        {"ecrctFiscalBaseResets", ecrctFiscalBaseResets},
        {"ecrctPLUResets", ecrctPLUResets},
        {"ecrctPLUChanges", ecrctPLUChanges}}},
      {"QAVECRSaleRecAttributes",
       MakeGuid("{C98A13F9-E141-43DB-81FC-4F863D2B88D1}"),
       "",
       {{"ecratResetOccured", ecratResetOccured},
        {"ecratPLUResetOccured", ecratPLUResetOccured},
        {"ecratPLUChangeOccured", ecratPLUChangeOccured}}},
      {"QAVECRPrintFlags",
       MakeGuid("{49188473-3E81-416C-9D42-88EC05F6B372}"),
       "",
       {{"ecrpfPrintTOTAL", ecrpfPrintTOTAL},
        {"ecrpfPrintDepartmentShare", ecrpfPrintDepartmentShare},
        {"ecrpfPrintPLUShare", ecrpfPrintPLUShare},
        {"ecrpfPrintPLUCode", ecrpfPrintPLUCode},
        {"ecrpfPrintPLUDepartment", ecrpfPrintPLUDepartment},
        {"ecrpfPrintPLUAveragePrice", ecrpfPrintPLUAveragePrice},
        {"ecrpfPrintCashierIndex", ecrpfPrintCashierIndex},
        {"ecrpfPrintUnusedCode", ecrpfPrintUnusedCode},
        {"ecrpfPrintUnusedDepartment", ecrpfPrintUnusedDepartment},
        {"ecrpfPrintInaccessibleDirectly", ecrpfPrintInaccessibleDirectly},
        {"ecrpfReportNeedsPassword", ecrpfReportNeedsPassword},
        {"ecrpfPLUSaleReportPermitted", ecrpfPLUSaleReportPermitted},
        {"ecrpfEconomyPrint", ecrpfEconomyPrint}}},
      {"QAVECRKeyboardFlags",
       MakeGuid("{E88FF05D-BF2D-4815-8209-CF0DA1EE398B}"),
       "",
       {{"ecrkfCodeKeysOnly", ecrkfCodeKeysOnly},
        {"ecrkfDepartmentKeysOnly", ecrkfDepartmentKeysOnly},
        {"ecrkfNeedsKeyTOTAL", ecrkfNeedsKeyTOTAL},
        {"ecrkfPLUChangesLocked", ecrkfPLUChangesLocked}}},
      {"QAVECRScalesFlags",
       MakeGuid("{838E1E08-D145-4343-B0B9-A383AA7D1740}"),
       "",
       {{"ecrsfScalesConnected", ecrsfScalesConnected},
        {"ecrsfScales2Connected", ecrsfScales2Connected}}},
      {"QAVECRPowerFlags",
       MakeGuid("{E28149A8-7094-4E43-91B4-B890DC4CAD0B}"),
       "",
       {{"ecrpfBatteryIllumination", ecrpfBatteryIllumination}}},
      {"QAVECRSaleFlags",
       MakeGuid("{AEA3E93A-4A61-4408-BD00-7FCE3A93BC93}"),
       "",
       {{"ecrsfPriceInPennies", ecrsfPriceInPennies},
        {"ecrsfDepartment41WithoutDiscount", ecrsfDepartment41WithoutDiscount},
        {"ecrsfDepartment42WithoutDiscount", ecrsfDepartment42WithoutDiscount}}},
      {"QAVECRMiscFlags",
       MakeGuid("{D07C9BDA-81EF-49CC-96D2-2E922BFA59DB}"),
       "",
       {{"ecrftCheckDrawer", ecrftCheckDrawer},
        {"ecrftTestEANCodes", ecrftTestEANCodes},
        {"ecrftOnline", ecrftOnline},
        {"ecrftEFTService", ecrftEFTService},
        {"ecrftPCBeforeDailyReport", ecrftPCBeforeDailyReport},
        {"ecrftNoPLUTurnoverControl", ecrftNoPLUTurnoverControl},
        {"ecrftOnlineBufferOverwrite", ecrftOnlineBufferOverwrite},
        {"ecrftNoTurnoverOverflowControl", ecrftNoTurnoverOverflowControl},
        {"ecrftNoDiscountsFromCard", ecrftNoDiscountsFromCard}}},
      {"QAVECRErrorCode",
       MakeGuid("{A06289B4-D054-4B23-97D3-FE55354FB928}"),
       "",
       {{"ecrecUnknownDataType", ecrecUnknownDataType},
        {"ecrecConnectFailed", ecrecConnectFailed},
        {"ecrecDisconnectFailed", ecrecDisconnectFailed},
        {"ecrecCreatePacketFailed", ecrecCreatePacketFailed},
        {"ecrecModeSwitchFailed", ecrecModeSwitchFailed},
        {"ecrecUnknownRecordType", ecrecUnknownRecordType},
        {"ecrecNotSupported", ecrecNotSupported},
        {"ecrecUnknownDeviceType", ecrecUnknownDeviceType}}},
      {"QAVECRPLUAttributes",
       MakeGuid("{A615CCBE-8618-42FC-B4FD-255EB40C60E0}"),
       "",
       {{"ecrpaPriceOpen", ecrpaPriceOpen},
        {"ecrpaPriceFixed", ecrpaPriceFixed},
        {"ecrpaAutoRepeat", ecrpaAutoRepeat},
        {"ecrpaSingleSale", ecrpaSingleSale}}},
      {"QAVECRNextRecordType",
       MakeGuid("{0D791E7B-09DD-4DBF-9651-25E8B2836BE5}"),
       "",
       {{"ecrnrSaleRec", ecrnrSaleRec},
        {"ecrnrResetRec", ecrnrResetRec},
        {"ecrnrTaxChangeRec", ecrnrTaxChangeRec},
        {"ecrnrSaleSummaryRec", ecrnrSaleSummaryRec},
        {"ecrnrReceiptItem", ecrnrReceiptItem},
        {"ecrnrReceiptSummary", ecrnrReceiptSummary},
        {"ecrnrReceiptDiscountCard", ecrnrReceiptDiscountCard}}},
      {"QAVECRResetReason",
       MakeGuid("{93E25D12-E553-4A83-B4B3-7D5B537C6FAA}"),
       "",
       {{"ecrrrError", ecrrrError},
        {"ecrrrForced", ecrrrForced}}},
      {"QAVECRParity",
       MakeGuid("{E98F4832-6455-4C22-A3ED-D58E2ECF4B21}"),
       "",
       {{"ecrptNone", ecrptNone},
        {"ecrptOdd", ecrptOdd},
        {"ecrptEven", ecrptEven}}},
      {"QAVECRFlowControl",
       MakeGuid("{7DA3CC50-83C9-463A-B567-1278E4AB8316}"),
       "",
       {{"ecrfcNone", ecrfcNone},
        {"ecrfcXON_XOFF", ecrfcXON_XOFF},
        {"ecrfcRTS_CTS", ecrfcRTS_CTS}}},
      {"QAVECRDeviceType",
       MakeGuid("{BD851D19-27FF-42A4-B760-F5702E932BB6}"),
       "",
       {{"ecrdtCommDevice", ecrdtCommDevice},
        {"ecrdtTAPIDevice", ecrdtTAPIDevice},
        {"ecrdtQAVTandrelDevice", ecrdtQAVTandrelDevice}}},
      {"QAVECRPLUType",
       MakeGuid("{A5F7E1EF-703A-4C92-93CB-FC3E365596C6}"),
       "",
       {{"ecrptPLU", ecrptPLU},
        {"ecrptDepartment", ecrptDepartment},
        {"ecrptPacking", ecrptPacking}}},
  };
  return lib;
}

}  // namespace

const com::TypeLibDesc& CorvatinTypeLib() {
  static const com::TypeLibDesc lib = BuildTypeLib();
  return lib;
}

}  // namespace corvatin
