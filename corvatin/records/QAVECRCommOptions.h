// The control's communication options: the serial-line and modem settings from
// which the engine builds the device settings text at every Connect. A plain
// settings holder with defaults; the multiplexer named "ASTER" brings its own
// control string, which reads back with the channel character put in.
#pragma once

#include <string>

#include "corvatin/records/TableRecord.h"

namespace corvatin {

// The options' properties, in the interface's order.
struct CommOption {
  enum : std::size_t {
    Port,
    Speed,
    DataBits,
    StopBits,
    Parity,
    TimeOut,
    WaitTimeOut,
    ConnectionTimeOut,
    FlowControl,
    MultiplexerName,
    MultiplexerChannel,
    MultiplexerControlString,
    DeviceID,
    DeviceAddress,
    RemoteMultiplexerName,
    RemoteMultiplexerChannel,
    RemoteMultiplexerControlString,
  };
};

// Name, type and default of every option.
inline constexpr PropertyRow kCommOptionRows[] = {
    {CommOption::Port, "Port", PropertyType::Text, 0, u"COM1"},
    {CommOption::Speed, "Speed", PropertyType::Long, 9600},
    {CommOption::DataBits, "DataBits", PropertyType::Long, 8},
    {CommOption::StopBits, "StopBits", PropertyType::Long, 1},
    {CommOption::Parity, "Parity", PropertyType::Long, ecrptNone},
    {CommOption::TimeOut, "TimeOut", PropertyType::Long, 20000},
    {CommOption::WaitTimeOut, "WaitTimeOut", PropertyType::Long, 300000},
    {CommOption::ConnectionTimeOut, "ConnectionTimeOut", PropertyType::Long, 40000},
    {CommOption::FlowControl, "FlowControl", PropertyType::Long, ecrfcRTS_CTS},
    {CommOption::MultiplexerName, "MultiplexerName", PropertyType::Text},
    {CommOption::MultiplexerChannel, "MultiplexerChannel", PropertyType::Long, 1},
    {CommOption::MultiplexerControlString, "MultiplexerControlString", PropertyType::Text},
    {CommOption::DeviceID, "DeviceID", PropertyType::Long, -1},
    {CommOption::DeviceAddress, "DeviceAddress", PropertyType::Text},
    {CommOption::RemoteMultiplexerName, "RemoteMultiplexerName", PropertyType::Text},
    {CommOption::RemoteMultiplexerChannel, "RemoteMultiplexerChannel", PropertyType::Long, 1},
    {CommOption::RemoteMultiplexerControlString, "RemoteMultiplexerControlString", PropertyType::Text},
};
static_assert(RowsInOrder(kCommOptionRows));

// The multiplexer whose name brings a control string of its own, and that string.
inline constexpr char16_t kAsterMultiplexer[] = u"ASTER";
inline constexpr char16_t kAsterControlString[] = u"$$$%s";

class TQAVECRCommOptions final : public TableRecord<IQAVECRCommOptions> {
 public:
  TQAVECRCommOptions() : TableRecord(kCommOptionRows) {}

  HRESULT get_Port(BSTR* r) override { return GetText(CommOption::Port, r); }
  HRESULT put_Port(BSTR v) override { return PutText(CommOption::Port, v); }
  HRESULT get_Speed(LONG* r) override { return GetLong(CommOption::Speed, r); }
  HRESULT put_Speed(LONG v) override { return PutLong(CommOption::Speed, v); }
  HRESULT get_DataBits(LONG* r) override { return GetLong(CommOption::DataBits, r); }
  HRESULT put_DataBits(LONG v) override { return PutLong(CommOption::DataBits, v); }
  HRESULT get_StopBits(LONG* r) override { return GetLong(CommOption::StopBits, r); }
  HRESULT put_StopBits(LONG v) override { return PutLong(CommOption::StopBits, v); }
  HRESULT get_Parity(LONG* r) override { return GetLong(CommOption::Parity, r); }
  HRESULT put_Parity(LONG v) override { return PutLong(CommOption::Parity, v); }
  HRESULT get_TimeOut(LONG* r) override { return GetLong(CommOption::TimeOut, r); }
  HRESULT put_TimeOut(LONG v) override { return PutLong(CommOption::TimeOut, v); }
  HRESULT get_WaitTimeOut(LONG* r) override { return GetLong(CommOption::WaitTimeOut, r); }
  HRESULT put_WaitTimeOut(LONG v) override { return PutLong(CommOption::WaitTimeOut, v); }
  HRESULT get_ConnectionTimeOut(LONG* r) override { return GetLong(CommOption::ConnectionTimeOut, r); }
  HRESULT put_ConnectionTimeOut(LONG v) override { return PutLong(CommOption::ConnectionTimeOut, v); }
  HRESULT get_FlowControl(LONG* r) override { return GetLong(CommOption::FlowControl, r); }
  HRESULT put_FlowControl(LONG v) override { return PutLong(CommOption::FlowControl, v); }
  HRESULT get_MultiplexerName(BSTR* r) override { return GetText(CommOption::MultiplexerName, r); }
  HRESULT put_MultiplexerName(BSTR v) override;
  HRESULT get_MultiplexerChannel(LONG* r) override { return GetLong(CommOption::MultiplexerChannel, r); }
  HRESULT put_MultiplexerChannel(LONG v) override { return PutLong(CommOption::MultiplexerChannel, v); }
  HRESULT get_MultiplexerControlString(BSTR* r) override;
  HRESULT put_MultiplexerControlString(BSTR v) override {
    return PutText(CommOption::MultiplexerControlString, v);
  }
  HRESULT get_DeviceID(LONG* r) override { return GetLong(CommOption::DeviceID, r); }
  HRESULT put_DeviceID(LONG v) override { return PutLong(CommOption::DeviceID, v); }
  HRESULT get_DeviceAddress(BSTR* r) override { return GetText(CommOption::DeviceAddress, r); }
  HRESULT put_DeviceAddress(BSTR v) override { return PutText(CommOption::DeviceAddress, v); }
  HRESULT get_RemoteMultiplexerName(BSTR* r) override { return GetText(CommOption::RemoteMultiplexerName, r); }
  HRESULT put_RemoteMultiplexerName(BSTR v) override;
  HRESULT get_RemoteMultiplexerChannel(LONG* r) override {
    return GetLong(CommOption::RemoteMultiplexerChannel, r);
  }
  HRESULT put_RemoteMultiplexerChannel(LONG v) override {
    return PutLong(CommOption::RemoteMultiplexerChannel, v);
  }
  HRESULT get_RemoteMultiplexerControlString(BSTR* r) override;
  HRESULT put_RemoteMultiplexerControlString(BSTR v) override {
    return PutText(CommOption::RemoteMultiplexerControlString, v);
  }

  // Stores a multiplexer name (local or remote: the name, channel and control
  // string options of one side). A name equal to the stored one changes
  // nothing; a new name "ASTER" also resets that side's control string to
  // "$$$%s", any other new name leaves it as it was.
  void SetMultiplexerName(std::size_t nameOption, std::u16string_view name);

  // The control string of one side as the device receives it: under the
  // name "ASTER" the stored pattern with the channel character (the low 8
  // bits of the channel, an ANSI code) put in; otherwise the stored text as
  // it is. Throws EConvertError for a pattern with any other specifier.
  std::u16string EffectiveControlString(std::size_t nameOption) const;
};

}  // namespace corvatin
