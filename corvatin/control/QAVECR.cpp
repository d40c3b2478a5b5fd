// The cash-register control: the definitions of what QAVECR.h declares.
#include "corvatin/control/QAVECR.h"

#include "corvatin/control/QAVECRObj.h"
#include "platform/com/ansi.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECR, CLSID_QAVECR);

namespace {

const ControlClassInfo kQAVECRClass{CLSID_QAVECR, IQAVECREvents::Iid, kControlMiscStatus, kControlSaveStream};

// The answers of members without an engine.
HRESULT Answer(VARIANT_BOOL* result, bool value) {
  if (!result) return E_POINTER;
  *result = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT Answer(LONG* result, LONG value) {
  if (!result) return E_POINTER;
  *result = value;
  return S_OK;
}

HRESULT Answer(BSTR* result, const char* ansi) {
  if (!result) return E_POINTER;
  *result = AnsiToBstr(ansi);
  return S_OK;
}

template <class I>
HRESULT NoObject(I** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  return S_OK;
}

// A put without an engine is ignored.
constexpr HRESULT kIgnored = S_OK;

}  // namespace

TQAVECR::TQAVECR() : TQAVECR(std::make_unique<TQAVECRForm>()) {}

TQAVECR::TQAVECR(std::unique_ptr<TQAVECRForm> form) : TNVRActiveXControl(kQAVECRClass), form_(std::move(form)) {
  // A control always has its window; asked for none, it gets one without an engine.
  if (!form_) form_ = std::make_unique<TQAVECRForm>(nullptr);
  Initialize();
  InitializeControl();
}

TQAVECR::~TQAVECR() {
  // The window outlives no control: its click must not reach a control going away.
  form_->OnClick = nullptr;
}

void TQAVECR::InitializeControl() {
  form_->OnClick = [this] { Click(); };
}

void TQAVECR::EventSinkChanged(IUnknown* sink) {
  // The point keeps each sink as the events interface it answered. That is a
  // dispatch interface: a sink answers it with its IDispatch and need not be
  // a C++ IQAVECREvents at all, so it is held as what it is.
  events_ = ComPtr<IDispatch>(static_cast<IDispatch*>(sink));
}

void TQAVECR::Click() {
  // The sink stays alive through the call even if it disconnects inside it.
  ComPtr<IDispatch> sink = events_;
  if (!sink) return;
  DISPPARAMS noArguments{};
  sink->Invoke(DISPID_QAVECREvents_OnClick, GUID_NULL, 0, DISPATCH_METHOD, &noArguments, nullptr, nullptr,
               nullptr);
}

SIZE TQAVECR::WindowSize() const { return SIZE{form_->Width(), form_->Height()}; }

void TQAVECR::ResizeWindow(LONG width, LONG height) { form_->SetBounds(form_->Left(), form_->Top(), width, height); }

IQAVECR* TQAVECR::Engine() const { return form_->Engine(); }

// ---------------------------------------------------------------------------
// IQAVECR: each member is the engine's, or the answer without an engine.

HRESULT TQAVECR::get_Version(BSTR* result) { return Engine() ? Engine()->get_Version(result) : Answer(result, ""); }

HRESULT TQAVECR::get_PacketLibraryFile(BSTR* result) {
  return Engine() ? Engine()->get_PacketLibraryFile(result) : Answer(result, "");
}

HRESULT TQAVECR::put_PacketLibraryFile(BSTR value) {
  return Engine() ? Engine()->put_PacketLibraryFile(value) : kIgnored;
}

HRESULT TQAVECR::get_CommOptions(IQAVECRCommOptions** result) {
  return Engine() ? Engine()->get_CommOptions(result) : NoObject(result);
}

HRESULT TQAVECR::get_Flags(IQAVECRFlags** result) { return Engine() ? Engine()->get_Flags(result) : NoObject(result); }

HRESULT TQAVECR::get_ECRNumber(BSTR* result) { return Engine() ? Engine()->get_ECRNumber(result) : Answer(result, ""); }

HRESULT TQAVECR::put_ECRNumber(BSTR value) { return Engine() ? Engine()->put_ECRNumber(value) : kIgnored; }

HRESULT TQAVECR::get_ID(BSTR* result) { return Engine() ? Engine()->get_ID(result) : Answer(result, ""); }

HRESULT TQAVECR::put_ID(BSTR value) { return Engine() ? Engine()->put_ID(value) : kIgnored; }

HRESULT TQAVECR::get_EOF(VARIANT_BOOL* result) { return Engine() ? Engine()->get_EOF(result) : Answer(result, true); }

HRESULT TQAVECR::get_LastPacketSent(BSTR* result) {
  return Engine() ? Engine()->get_LastPacketSent(result) : Answer(result, "");
}

HRESULT TQAVECR::get_LastPacketReceived(BSTR* result) {
  return Engine() ? Engine()->get_LastPacketReceived(result) : Answer(result, "");
}

HRESULT TQAVECR::get_LastErrorCode(LONG* result) {
  return Engine() ? Engine()->get_LastErrorCode(result) : Answer(result, kNoEngineErrorCode);
}

HRESULT TQAVECR::get_LastErrorMessage(BSTR* result) {
  return Engine() ? Engine()->get_LastErrorMessage(result) : Answer(result, kNoEngineMessage);
}

HRESULT TQAVECR::get_AutoReadNativeError(VARIANT_BOOL* result) {
  return Engine() ? Engine()->get_AutoReadNativeError(result) : Answer(result, false);
}

HRESULT TQAVECR::put_AutoReadNativeError(VARIANT_BOOL value) {
  return Engine() ? Engine()->put_AutoReadNativeError(value) : kIgnored;
}

HRESULT TQAVECR::get_LastNativeErrorCode(BSTR* result) {
  return Engine() ? Engine()->get_LastNativeErrorCode(result) : Answer(result, kNoEngineNativeCode);
}

HRESULT TQAVECR::get_LastNativeErrorMessage(BSTR* result) {
  return Engine() ? Engine()->get_LastNativeErrorMessage(result) : Answer(result, kNoEngineMessage);
}

HRESULT TQAVECR::get_Driver(BSTR* result) { return Engine() ? Engine()->get_Driver(result) : Answer(result, ""); }

HRESULT TQAVECR::put_Driver(BSTR value) { return Engine() ? Engine()->put_Driver(value) : kIgnored; }

HRESULT TQAVECR::get_KeepConnection(VARIANT_BOOL* result) {
  return Engine() ? Engine()->get_KeepConnection(result) : Answer(result, false);
}

HRESULT TQAVECR::put_KeepConnection(VARIANT_BOOL value) {
  return Engine() ? Engine()->put_KeepConnection(value) : kIgnored;
}

HRESULT TQAVECR::get_Statistics(IQAVZLVDeviceStatistics** result) {
  return Engine() ? Engine()->get_Statistics(result) : NoObject(result);
}

HRESULT TQAVECR::BeginRead(LONG dataType, VARIANT rangeBeg, VARIANT rangeEnd, LONG rangeType, LONG readMode,
                           VARIANT_BOOL* result) {
  return Engine() ? Engine()->BeginRead(dataType, rangeBeg, rangeEnd, rangeType, readMode, result)
                  : Answer(result, false);
}

HRESULT TQAVECR::ConfirmRead(VARIANT_BOOL* result) {
  return Engine() ? Engine()->ConfirmRead(result) : Answer(result, false);
}

HRESULT TQAVECR::Connect(VARIANT_BOOL* result) { return Engine() ? Engine()->Connect(result) : Answer(result, false); }

HRESULT TQAVECR::Disconnect(VARIANT_BOOL* result) {
  return Engine() ? Engine()->Disconnect(result) : Answer(result, false);
}

HRESULT TQAVECR::ResetCommunication(VARIANT_BOOL* result) {
  return Engine() ? Engine()->ResetCommunication(result) : Answer(result, false);
}

HRESULT TQAVECR::BeginWrite(LONG dataType, VARIANT_BOOL* result) {
  return Engine() ? Engine()->BeginWrite(dataType, result) : Answer(result, false);
}

HRESULT TQAVECR::EndWrite(VARIANT_BOOL* result) { return Engine() ? Engine()->EndWrite(result) : Answer(result, false); }

HRESULT TQAVECR::ReadNextRecordType(LONG* nextRecordType, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadNextRecordType(nextRecordType, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadFlags(VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadFlags(result) : Answer(result, false);
}

HRESULT TQAVECR::WriteFlags(VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteFlags(result) : Answer(result, false);
}

HRESULT TQAVECR::ReadText(BSTR* text, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadText(text, result) : Answer(result, false);
}

HRESULT TQAVECR::WriteText(BSTR text, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteText(text, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadIdentifier(VARIANT* identifier, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadIdentifier(identifier, result) : Answer(result, false);
}

HRESULT TQAVECR::WriteIdentifier(VARIANT identifier, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteIdentifier(identifier, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadCashier(IQAVECRCashier* cashier, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadCashier(cashier, result) : Answer(result, false);
}

HRESULT TQAVECR::WriteCashier(IQAVECRCashier* cashier, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteCashier(cashier, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadDiscounts(IQAVECRDiscounts* discounts, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadDiscounts(discounts, result) : Answer(result, false);
}

HRESULT TQAVECR::WriteDiscounts(IQAVECRDiscounts* discounts, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteDiscounts(discounts, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadTaxRates(IQAVECRTaxRates* taxRates, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadTaxRates(taxRates, result) : Answer(result, false);
}

HRESULT TQAVECR::WriteTaxRates(IQAVECRTaxRates* taxRates, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteTaxRates(taxRates, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadHALO(IQAVECRHALO* halo, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadHALO(halo, result) : Answer(result, false);
}

HRESULT TQAVECR::WriteHALO(IQAVECRHALO* halo, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteHALO(halo, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadPLU(IQAVECRPLU* plu, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadPLU(plu, result) : Answer(result, false);
}

HRESULT TQAVECR::WritePLU(IQAVECRPLU* plu, LONG writeMode, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WritePLU(plu, writeMode, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadPLUShortcutRec(IQAVECRPLUShortcutRec* pluShortcut, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadPLUShortcutRec(pluShortcut, result) : Answer(result, false);
}

HRESULT TQAVECR::WritePLUShortcutRec(IQAVECRPLUShortcutRec* pluShortcut, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WritePLUShortcutRec(pluShortcut, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadDateTime(DATE* dateTime, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadDateTime(dateTime, result) : Answer(result, false);
}

HRESULT TQAVECR::WriteDateTime(DATE dateTime, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteDateTime(dateTime, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadCashReport(IQAVECRCashReport* cashReport, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadCashReport(cashReport, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadCashierSaleRec(IQAVECRCashierSaleRec* saleRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadCashierSaleRec(saleRec, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadPLUSaleRec(IQAVECRPLUSaleRec* saleRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadPLUSaleRec(saleRec, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadSaleRec(IQAVECRSaleRec* saleRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadSaleRec(saleRec, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadResetRec(IQAVECRResetRec* resetRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadResetRec(resetRec, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadTaxChangeRec(IQAVECRTaxChangeRec* taxChangeRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadTaxChangeRec(taxChangeRec, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadSaleSummaryRec(IQAVECRSaleRec* saleRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadSaleSummaryRec(saleRec, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadSummaryReport(IQAVECRSaleRec* saleRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadSummaryReport(saleRec, result) : Answer(result, false);
}

HRESULT TQAVECR::SetCurrentReceipt(LONG receiptNumber, VARIANT_BOOL* result) {
  return Engine() ? Engine()->SetCurrentReceipt(receiptNumber, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadReceiptItem(IQAVECRReceiptItem* receiptItem, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadReceiptItem(receiptItem, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadReceiptSummary(IQAVECRReceiptSummary* receiptSummary, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadReceiptSummary(receiptSummary, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadReceiptDiscountCard(IQAVECRReceiptDiscountCard* receiptDiscountCard, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadReceiptDiscountCard(receiptDiscountCard, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadHourlyReportRec(IQAVECRHourlyReportRec* hourlyReportRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadHourlyReportRec(hourlyReportRec, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadLinkedCodeRec(IQAVECRLinkedCodeRec* linkedCodeRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadLinkedCodeRec(linkedCodeRec, result) : Answer(result, false);
}

HRESULT TQAVECR::WriteLinkedCodeRec(IQAVECRLinkedCodeRec* linkedCodeRec, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteLinkedCodeRec(linkedCodeRec, result) : Answer(result, false);
}

HRESULT TQAVECR::WriteDiscountCard(IQAVECRDiscountCard* discountCard, LONG writeMode, VARIANT_BOOL* result) {
  return Engine() ? Engine()->WriteDiscountCard(discountCard, writeMode, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadDiscountCard(IQAVECRDiscountCard* discountCard, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadDiscountCard(discountCard, result) : Answer(result, false);
}

HRESULT TQAVECR::Refresh(VARIANT_BOOL* result) { return Engine() ? Engine()->Refresh(result) : Answer(result, false); }

HRESULT TQAVECR::ReadVersion(IQAVECRVersion* version, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadVersion(version, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadStatus(IQAVECRStatus* status, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadStatus(status, result) : Answer(result, false);
}

HRESULT TQAVECR::ReadError(LONG* transmissionType, BSTR* errorCode, BSTR* rangeBeg, BSTR* rangeEnd,
                           VARIANT_BOOL* result) {
  return Engine() ? Engine()->ReadError(transmissionType, errorCode, rangeBeg, rangeEnd, result)
                  : Answer(result, false);
}

HRESULT TQAVECR::ChangeDevice(LONG deviceType, VARIANT_BOOL* result) {
  return Engine() ? Engine()->ChangeDevice(deviceType, result) : Answer(result, false);
}

HRESULT TQAVECR::AboutBox() { return Engine() ? Engine()->AboutBox() : S_OK; }

HRESULT TQAVECR::EditPacketLibraryFile(VARIANT_BOOL* result) {
  return Engine() ? Engine()->EditPacketLibraryFile(result) : Answer(result, false);
}

}  // namespace corvatin
