// The driver engine of the cash-register control: it holds one Zelvani device,
// one Zelvani protocol object with its packet library, and the current packet,
// and carries the whole conversation with the register (connecting, starting a
// read or a write of one data type, fetching and sending records one packet at
// a time, reading the register's own error record) and turns result codes into
// Polish messages.
//
// The engine reaches Zelvani only through objects created by class identifier
// and their interfaces. It implements IQAVECR without a reference count of its
// own: the control owns it and forwards every member to it. Each member runs
// its body under a guard: an exception (a failing call on another object, a
// value that does not convert) becomes the failing HRESULT of the member with
// the exception's message as its description.
//
// Every operation answers a Boolean and keeps LastErrorCode: the control's own
// codes 10000 to 10007 or the device's result code. A record whose value has
// no place in its field on the register (a number wider than its field, a
// negative tax rate) is refused the same way, with qzlvpeInvalidPacket, and
// nothing of it is sent. After a failed ChangeDevice there is no device: every
// member that needs one answers False with 10007 (texts empty, no statistics
// object) without touching it.
//
// Texts are 8-bit (Windows-1250) inside the engine.
#pragma once

#include <cstdint>
#include <string>

#include "corvatin/Corvatin.h"
#include "platform/com/comptr.h"
#include "platform/com/variant.h"

namespace corvatin {

// The 18-character range text of a read's start packet for BOUND under
// RANGETYPE: codes as text and dates as "yymmdd", padded on the left with
// blanks; numbers as a decimal integer padded on the left with "0"; 18 blanks
// for any other range type. A longer text is kept whole. Throws ComError when
// the bound does not convert.
std::string RangeText(const VARIANT& bound, LONG rangeType);

// The record kind that a packet identifier names during a report read of
// DATATYPE: the QAVECRNextRecordType value in `kind`, or 0 there and the
// result code in `error` (10000 for a data type without record kinds, 10005 for
// a character that names no kind of that data type). The second character of
// the identifier tells the kind.
struct RecordKind {
  LONG kind = -1;
  LONG error = 0;
};
RecordKind RecordKindOf(LONG dataType, const std::string& packetId);

// The settings strings of the device: a serial device's from the options'
// line and multiplexer settings, a modem's from its speed, telephone number,
// device number and remote multiplexer. The options' texts are taken as they
// are: the strings have no escaping.
std::u16string SerialSettings(IQAVECRCommOptions* options);
std::u16string ModemSettings(IQAVECRCommOptions* options);

class TQAVECRObj : public IQAVECR {
 public:
  // Creates the options and flags objects, a serial device and a protocol
  // object by class identifier and gives the device the protocol. Throws when
  // any of them cannot be created. No packet library is loaded.
  TQAVECRObj();
  virtual ~TQAVECRObj();
  TQAVECRObj(const TQAVECRObj&) = delete;
  TQAVECRObj& operator=(const TQAVECRObj&) = delete;

  // IUnknown: the engine's lifetime is its owner's; AddRef and Release count
  // nothing.
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }

  // IDispatch, served from the control's type library.
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) override;

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

  // ---- Internal operations of the readers and writers.

  // The packet identifier of DATATYPE for a read of RANGETYPE; empty for an
  // unknown data type.
  virtual std::string GetPacketID(LONG dataType, LONG rangeType);
  // Receives the next packet of the running read into the current packet.
  // True on a packet or on end of data (EOF then True), LastErrorCode 0; else
  // False with the device's code. Throws when there is no current packet.
  virtual bool ReadPacket();
  // Makes an empty write packet for the current data type into the current
  // packet. A failure flag: True when no packet was made (10000 or 10003
  // stored), False on success.
  virtual bool CreateWritePacket();
  // Sends the current packet; True when the register accepted it. A refusal
  // (64) with AutoReadNativeError reads the register's error code into
  // LastNativeErrorCode, acknowledges and reconnects. Throws when there is no
  // current packet.
  virtual bool WritePacket();
  // Sends the current packet as WritePacket does, once every number in it
  // fits its field. The packet cuts a value's text to its field's width, so a
  // number too wide for its field would reach the register as another number
  // (123 as 12, 1.05 in two characters of hundredths as 0.10) while the write
  // reported success: such a write throws ValueRefused and sends nothing. The
  // field definition says whether a value fits (its PasteValue answer); texts
  // keep their cut, but fields FIRSTNUMBERTEXT to LASTNUMBERTEXT hold numbers
  // that the writer made into texts and are checked as numbers.
  bool SendWritePacket(LONG firstNumberText = 1, LONG lastNumberText = 0);

  // ---- The members as C++ operations (the COM members call these).

  bool DoConnect();
  bool DoDisconnect();
  bool DoResetCommunication();
  bool DoBeginRead(LONG dataType, const VARIANT& rangeBeg, const VARIANT& rangeEnd, LONG rangeType,
                   LONG readMode);
  bool DoBeginWrite(LONG dataType);
  bool DoConfirmRead();
  bool DoReadNextRecordType(LONG& nextRecordType);
  bool DoReadText(std::string& text);
  bool DoWriteText(const std::string& text);
  bool DoReadIdentifier(Variant& identifier);
  bool DoSetCurrentReceipt(LONG receiptNumber);
  bool DoRefresh();
  // TransmissionType from field 2, the register's code (hexadecimal text) from
  // field 3, the range texts from fields 4 and 5; the arguments are changed
  // only on success.
  bool DoReadError(LONG& transmissionType, std::string& errorCode, std::string& rangeBeg,
                   std::string& rangeEnd);
  bool DoChangeDevice(LONG deviceType);
  // Stores the path (an empty one: the system directory's "Quelm.pkd") and
  // loads the library; a library that does not load is reported in a message
  // box.
  void SetPacketLibraryFile(const std::string& fileName);

  // ---- State.

  const std::string& PacketLibraryFile() const { return packetLibraryFile_; }
  IQAVECRCommOptions* CommOptions() const { return commOptions_.Get(); }
  IQAVECRFlags* Flags() const { return flags_.Get(); }
  // The device; null after a failed ChangeDevice.
  IQAVZLVDevice* Device() const { return device_.Get(); }
  IQAVZLVProtocol* Protocol() const { return protocol_.Get(); }
  // The current packet; null until a transfer made one.
  IQAVZLVPacket* Packet() const { return packet_.Get(); }
  bool Eof() const { return eof_; }
  LONG LastErrorCode() const { return lastErrorCode_; }
  // The text of LastErrorCode.
  std::string LastErrorMessage() const;
  const std::string& LastNativeErrorCode() const { return lastNativeErrorCode_; }
  std::string LastNativeErrorMessage() const;
  bool AutoReadNativeError() const { return autoReadNativeError_; }
  void SetAutoReadNativeError(bool on) { autoReadNativeError_ = on; }
  const std::string& ECRNumber() const { return ecrNumber_; }
  const std::string& ID() const { return id_; }
  LONG DataType() const { return dataType_; }
  LONG RangeType() const { return rangeType_; }
  LONG ReadMode() const { return readMode_; }
  const Variant& RangeBeg() const { return rangeBeg_; }
  const Variant& RangeEnd() const { return rangeEnd_; }

  // The flag word built from the Flags object, and stored into it.
  std::uint64_t GetFlagsWord() const;
  void SetFlagsWord(std::uint64_t word);

  // Field N (1-based) of the current packet, and its change. Throw when there
  // is no current packet.
  Variant FieldValue(LONG n) const;
  void SetFieldValue(LONG n, const VARIANT& value);

 protected:
  // Stores one of the control's own codes.
  void SetEngineError(LONG code);
  // Stores a code that the device returned, with a copy of the device's
  // message, which LastErrorMessage answers later.
  void SetDeviceError(LONG code);
  // The device, or null after storing 10007 when there is none.
  IQAVZLVDevice* RequireDevice();
  // The current packet; throws when there is none.
  IQAVZLVPacket* RequirePacket() const;
  // The packet library's packet ID of PACKETTYPE as the current packet; 10003
  // stored and false when the library makes none.
  bool CreateCurrentPacket(const std::string& id, LONG packetType);

 private:
  template <class F>
  HRESULT Guard(F&& body) noexcept;
  template <class T, class F>
  HRESULT Get(T* out, F&& body) noexcept;
  // Runs a record reader or writer (CalleeCalls.h): a refused value answers
  // False through RefuseValue, any other failure the member's HRESULT.
  template <class F>
  HRESULT RecordMember(VARIANT_BOOL* result, const void* record, F&& body) noexcept;
  // Stores the refusal of a record's value that its field on the register
  // cannot take: qzlvpeInvalidPacket, with the packet engine's text for it.
  void RefuseValue();

  // The report and receipt readers (ReportReaders.cpp): each reader is a
  // table of field number to record property per layout, and ReadRecord the
  // one interpreter of those tables.
  template <class Itf>
  struct RecordReader;
  template <class Itf>
  bool ReadRecord(Itf* record, const RecordReader<Itf>& reader);
  template <class Itf>
  HRESULT RunReader(Itf* record, const RecordReader<Itf>& reader, VARIANT_BOOL* result);

  std::string packetLibraryFile_;
  ComPtr<IQAVECRCommOptions> commOptions_;
  bool eof_ = true;
  ComPtr<IQAVECRFlags> flags_;
  std::string ecrNumber_;
  std::string id_;
  std::string driver_;
  LONG lastErrorCode_ = 0;
  // The device's message when the engine stored the device's code (or the
  // text of a refused value); without one (no code stored yet) the device's
  // current message answers.
  bool haveDeviceMessage_ = false;
  std::string deviceMessage_;
  bool autoReadNativeError_ = false;
  std::string lastNativeErrorCode_ = "00";
  LONG dataType_ = 0;
  Variant rangeBeg_;
  Variant rangeEnd_;
  LONG rangeType_ = 0;
  LONG readMode_ = 0;
  ComPtr<IQAVZLVDevice> device_;
  ComPtr<IQAVZLVProtocol> protocol_;
  ComPtr<IQAVZLVPacket> packet_;
};

}  // namespace corvatin
