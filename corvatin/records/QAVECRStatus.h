// The register's status: fiscal or read-only state, the receipt buffer's
// counters, paper and printer state, and the register's versions in an inner
// version record. The status record owns that version record for its whole
// life and hands out the same one on every read, so a reader fills it in
// place. The register reports paper, printer and client display as a text of
// one-character flags, taken apart here.
#pragma once

#include <string_view>

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct StatusProperty {
  enum : std::size_t {
    ReceiptBufferFreeMemory,
    FirstReceiptInBuffer,
    LastReceiptInBuffer,
    Fiscal,
    ReadOnly,
    ClientDisplay,
    PaperOut,
    PrintingDeviceError,
  };
};

inline constexpr PropertyRow kStatusRows[] = {
    {StatusProperty::ReceiptBufferFreeMemory, "ReceiptBufferFreeMemory", PropertyType::Long, -1},
    {StatusProperty::FirstReceiptInBuffer, "FirstReceiptInBuffer", PropertyType::Long, -1},
    {StatusProperty::LastReceiptInBuffer, "LastReceiptInBuffer", PropertyType::Long, -1},
    {StatusProperty::Fiscal, "Fiscal", PropertyType::Bool, 0},
    {StatusProperty::ReadOnly, "ReadOnly", PropertyType::Bool, 0},
    {StatusProperty::ClientDisplay, "ClientDisplay", PropertyType::Bool, 0},
    {StatusProperty::PaperOut, "PaperOut", PropertyType::Bool, 0},
    {StatusProperty::PrintingDeviceError, "PrintingDeviceError", PropertyType::Bool, 0},
};
static_assert(RowsInOrder(kStatusRows));

// The flags of the register's state text. The first character is "0" when a
// client display is present; the second and third are other than "0" when
// the paper is out and when the printing device has failed. A character the
// text does not have (a text the register sent short) means "not set".
struct StatusStateFlags {
  bool ClientDisplay = false;
  bool PaperOut = false;
  bool PrintingDeviceError = false;
};
StatusStateFlags ParseStatusStateText(std::u16string_view text);

class TQAVECRStatus final : public TableRecord<IQAVECRStatus> {
 public:
  // Creates the inner version record by its class identifier; when that
  // fails, the status record is not made.
  TQAVECRStatus();

  HRESULT get_ReceiptBufferFreeMemory(LONG* r) override {
    return GetLong(StatusProperty::ReceiptBufferFreeMemory, r);
  }
  HRESULT put_ReceiptBufferFreeMemory(LONG v) override {
    return PutLong(StatusProperty::ReceiptBufferFreeMemory, v);
  }
  HRESULT get_FirstReceiptInBuffer(LONG* r) override { return GetLong(StatusProperty::FirstReceiptInBuffer, r); }
  HRESULT put_FirstReceiptInBuffer(LONG v) override { return PutLong(StatusProperty::FirstReceiptInBuffer, v); }
  HRESULT get_LastReceiptInBuffer(LONG* r) override { return GetLong(StatusProperty::LastReceiptInBuffer, r); }
  HRESULT put_LastReceiptInBuffer(LONG v) override { return PutLong(StatusProperty::LastReceiptInBuffer, v); }
  HRESULT get_Fiscal(VARIANT_BOOL* r) override { return GetBool(StatusProperty::Fiscal, r); }
  HRESULT put_Fiscal(VARIANT_BOOL v) override { return PutBool(StatusProperty::Fiscal, v); }
  HRESULT get_ReadOnly(VARIANT_BOOL* r) override { return GetBool(StatusProperty::ReadOnly, r); }
  HRESULT put_ReadOnly(VARIANT_BOOL v) override { return PutBool(StatusProperty::ReadOnly, v); }
  HRESULT get_ClientDisplay(VARIANT_BOOL* r) override { return GetBool(StatusProperty::ClientDisplay, r); }
  HRESULT put_ClientDisplay(VARIANT_BOOL v) override { return PutBool(StatusProperty::ClientDisplay, v); }
  HRESULT get_PaperOut(VARIANT_BOOL* r) override { return GetBool(StatusProperty::PaperOut, r); }
  HRESULT put_PaperOut(VARIANT_BOOL v) override { return PutBool(StatusProperty::PaperOut, v); }
  HRESULT get_PrintingDeviceError(VARIANT_BOOL* r) override { return GetBool(StatusProperty::PrintingDeviceError, r); }
  HRESULT put_PrintingDeviceError(VARIANT_BOOL v) override { return PutBool(StatusProperty::PrintingDeviceError, v); }
  HRESULT get_Version(IQAVECRVersion** r) override;

  // The inner version record (the status record keeps its reference).
  IQAVECRVersion* Version() const { return version_.Get(); }

 private:
  const ComPtr<IQAVECRVersion> version_;
};

}  // namespace corvatin
