// The cash-register control: the object a host places on a form or creates by
// its class identifier. It passes every member of IQAVECR unchanged to the
// engine owned by its window and decides only what a member answers when there
// is no engine. It is the source of IQAVECREvents: a click on its window fires
// OnClick to the one connected sink. The host's side of the embedding (object,
// persistence, connection point, class information, property browsing) is its
// base's.
#pragma once

#include <memory>

#include "corvatin/control/CorvatinServer.h"
#include "corvatin/control/NVRActiveXControl.h"
#include "corvatin/control/QAVECRForm.h"

namespace corvatin {

// The control's own miscellaneous status (kControlOwnMiscStatus, registered with
// the class) in flags: shown only as an icon, invisible at run time, acting like
// a label, a simple frame.
static_assert(kControlOwnMiscStatus ==
              (OLEMISC_ONLYICONIC | OLEMISC_INVISIBLEATRUNTIME | OLEMISC_ACTSLIKELABEL | OLEMISC_SIMPLEFRAME));

// The storage stream holding the control's state.
inline constexpr char16_t kControlSaveStream[] = u"CONTROLSAVESTREAM";

// What the members answer without an engine.
inline constexpr char kNoEngineMessage[] = "ECR object not assigned...";
inline constexpr char kNoEngineNativeCode[] = "00";
constexpr LONG kNoEngineErrorCode = -1;

class TQAVECR final : public CorvatinObject<IQAVECR>, public TNVRActiveXControl {
 public:
  // A control with its window and the window's engine; throws when the engine
  // cannot be made.
  TQAVECR();
  // A control on the given window (a test gives a window without an engine).
  explicit TQAVECR(std::unique_ptr<TQAVECRForm> form);
  ~TQAVECR() override;

  TQAVECRForm& Form() const { return *form_; }

  // IUnknown, once for the dual interface and every interface of the base.
  HRESULT QueryInterface(REFIID riid, void** ppv) override { return CorvatinObject::QueryInterface(riid, ppv); }
  ULONG AddRef() override { return CorvatinObject::AddRef(); }
  ULONG Release() override { return CorvatinObject::Release(); }

  // IQAVECR
  HRESULT get_Version(BSTR* result) override;
  HRESULT get_PacketLibraryFile(BSTR* result) override;
  HRESULT put_PacketLibraryFile(BSTR value) override;
  HRESULT get_CommOptions(IQAVECRCommOptions** result) override;
  HRESULT get_Flags(IQAVECRFlags** result) override;
  HRESULT get_ECRNumber(BSTR* result) override;
  HRESULT put_ECRNumber(BSTR value) override;
  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_EOF(VARIANT_BOOL* result) override;
  HRESULT get_LastPacketSent(BSTR* result) override;
  HRESULT get_LastPacketReceived(BSTR* result) override;
  HRESULT get_LastErrorCode(LONG* result) override;
  HRESULT get_LastErrorMessage(BSTR* result) override;
  HRESULT get_AutoReadNativeError(VARIANT_BOOL* result) override;
  HRESULT put_AutoReadNativeError(VARIANT_BOOL value) override;
  HRESULT get_LastNativeErrorCode(BSTR* result) override;
  HRESULT get_LastNativeErrorMessage(BSTR* result) override;
  HRESULT get_Driver(BSTR* result) override;
  HRESULT put_Driver(BSTR value) override;
  HRESULT get_KeepConnection(VARIANT_BOOL* result) override;
  HRESULT put_KeepConnection(VARIANT_BOOL value) override;
  HRESULT get_Statistics(IQAVZLVDeviceStatistics** result) override;
  HRESULT BeginRead(LONG dataType, VARIANT rangeBeg, VARIANT rangeEnd, LONG rangeType, LONG readMode,
                    VARIANT_BOOL* result) override;
  HRESULT ConfirmRead(VARIANT_BOOL* result) override;
  HRESULT Connect(VARIANT_BOOL* result) override;
  HRESULT Disconnect(VARIANT_BOOL* result) override;
  HRESULT ResetCommunication(VARIANT_BOOL* result) override;
  HRESULT BeginWrite(LONG dataType, VARIANT_BOOL* result) override;
  HRESULT EndWrite(VARIANT_BOOL* result) override;
  HRESULT ReadNextRecordType(LONG* nextRecordType, VARIANT_BOOL* result) override;
  HRESULT ReadFlags(VARIANT_BOOL* result) override;
  HRESULT WriteFlags(VARIANT_BOOL* result) override;
  HRESULT ReadText(BSTR* text, VARIANT_BOOL* result) override;
  HRESULT WriteText(BSTR text, VARIANT_BOOL* result) override;
  HRESULT ReadIdentifier(VARIANT* identifier, VARIANT_BOOL* result) override;
  HRESULT WriteIdentifier(VARIANT identifier, VARIANT_BOOL* result) override;
  HRESULT ReadCashier(IQAVECRCashier* cashier, VARIANT_BOOL* result) override;
  HRESULT WriteCashier(IQAVECRCashier* cashier, VARIANT_BOOL* result) override;
  HRESULT ReadDiscounts(IQAVECRDiscounts* discounts, VARIANT_BOOL* result) override;
  HRESULT WriteDiscounts(IQAVECRDiscounts* discounts, VARIANT_BOOL* result) override;
  HRESULT ReadTaxRates(IQAVECRTaxRates* taxRates, VARIANT_BOOL* result) override;
  HRESULT WriteTaxRates(IQAVECRTaxRates* taxRates, VARIANT_BOOL* result) override;
  HRESULT ReadHALO(IQAVECRHALO* halo, VARIANT_BOOL* result) override;
  HRESULT WriteHALO(IQAVECRHALO* halo, VARIANT_BOOL* result) override;
  HRESULT ReadPLU(IQAVECRPLU* plu, VARIANT_BOOL* result) override;
  HRESULT WritePLU(IQAVECRPLU* plu, LONG writeMode, VARIANT_BOOL* result) override;
  HRESULT ReadPLUShortcutRec(IQAVECRPLUShortcutRec* pluShortcut, VARIANT_BOOL* result) override;
  HRESULT WritePLUShortcutRec(IQAVECRPLUShortcutRec* pluShortcut, VARIANT_BOOL* result) override;
  HRESULT ReadDateTime(DATE* dateTime, VARIANT_BOOL* result) override;
  HRESULT WriteDateTime(DATE dateTime, VARIANT_BOOL* result) override;
  HRESULT ReadCashReport(IQAVECRCashReport* cashReport, VARIANT_BOOL* result) override;
  HRESULT ReadCashierSaleRec(IQAVECRCashierSaleRec* saleRec, VARIANT_BOOL* result) override;
  HRESULT ReadPLUSaleRec(IQAVECRPLUSaleRec* saleRec, VARIANT_BOOL* result) override;
  HRESULT ReadSaleRec(IQAVECRSaleRec* saleRec, VARIANT_BOOL* result) override;
  HRESULT ReadResetRec(IQAVECRResetRec* resetRec, VARIANT_BOOL* result) override;
  HRESULT ReadTaxChangeRec(IQAVECRTaxChangeRec* taxChangeRec, VARIANT_BOOL* result) override;
  HRESULT ReadSaleSummaryRec(IQAVECRSaleRec* saleRec, VARIANT_BOOL* result) override;
  HRESULT ReadSummaryReport(IQAVECRSaleRec* saleRec, VARIANT_BOOL* result) override;
  HRESULT SetCurrentReceipt(LONG receiptNumber, VARIANT_BOOL* result) override;
  HRESULT ReadReceiptItem(IQAVECRReceiptItem* receiptItem, VARIANT_BOOL* result) override;
  HRESULT ReadReceiptSummary(IQAVECRReceiptSummary* receiptSummary, VARIANT_BOOL* result) override;
  HRESULT ReadReceiptDiscountCard(IQAVECRReceiptDiscountCard* receiptDiscountCard, VARIANT_BOOL* result) override;
  HRESULT ReadHourlyReportRec(IQAVECRHourlyReportRec* hourlyReportRec, VARIANT_BOOL* result) override;
  HRESULT ReadLinkedCodeRec(IQAVECRLinkedCodeRec* linkedCodeRec, VARIANT_BOOL* result) override;
  HRESULT WriteLinkedCodeRec(IQAVECRLinkedCodeRec* linkedCodeRec, VARIANT_BOOL* result) override;
  HRESULT WriteDiscountCard(IQAVECRDiscountCard* discountCard, LONG writeMode, VARIANT_BOOL* result) override;
  HRESULT ReadDiscountCard(IQAVECRDiscountCard* discountCard, VARIANT_BOOL* result) override;
  HRESULT Refresh(VARIANT_BOOL* result) override;
  HRESULT ReadVersion(IQAVECRVersion* version, VARIANT_BOOL* result) override;
  HRESULT ReadStatus(IQAVECRStatus* status, VARIANT_BOOL* result) override;
  HRESULT ReadError(LONG* transmissionType, BSTR* errorCode, BSTR* rangeBeg, BSTR* rangeEnd,
                    VARIANT_BOOL* result) override;
  HRESULT ChangeDevice(LONG deviceType, VARIANT_BOOL* result) override;
  HRESULT AboutBox() override;
  HRESULT EditPacketLibraryFile(VARIANT_BOOL* result) override;

 protected:
  HRESULT QueryOtherInterface(REFIID riid, void** ppv) override { return QueryControlInterface(riid, ppv); }
  void EventSinkChanged(IUnknown* sink) override;
  SIZE WindowSize() const override;
  void ResizeWindow(LONG width, LONG height) override;

 private:
  // Takes the window, binds its click to the control.
  void InitializeControl();
  // The window's click: OnClick to the sink, its result ignored.
  void Click();
  // The engine as the interface the members forward to (null without one).
  IQAVECR* Engine() const;

  std::unique_ptr<TQAVECRForm> form_;
  // The sink as the dispatch interface it answered for the events.
  ComPtr<IDispatch> events_;
};

}  // namespace corvatin
