// The control's communication options: the definitions of what
// QAVECRCommOptions.h declares.
#include "corvatin/records/QAVECRCommOptions.h"

#include "corvatin/records/ControlStringFormat.h"
#include "platform/com/ansi.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRCommOptions, CLSID_QAVECRCommOptions);

namespace {

// The channel and control-string options that belong to a multiplexer name.
struct MultiplexerSide {
  std::size_t channel;
  std::size_t controlString;
};

MultiplexerSide SideOf(std::size_t nameOption) {
  if (nameOption == CommOption::RemoteMultiplexerName) {
    return {CommOption::RemoteMultiplexerChannel, CommOption::RemoteMultiplexerControlString};
  }
  return {CommOption::MultiplexerChannel, CommOption::MultiplexerControlString};
}

}  // namespace

void TQAVECRCommOptions::SetMultiplexerName(std::size_t nameOption, std::u16string_view name) {
  if (values_.Text(nameOption) == name) return;
  values_.SetText(nameOption, name);
  if (name == kAsterMultiplexer) values_.SetText(SideOf(nameOption).controlString, kAsterControlString);
}

std::u16string TQAVECRCommOptions::EffectiveControlString(std::size_t nameOption) const {
  const MultiplexerSide side = SideOf(nameOption);
  const std::u16string& stored = values_.Text(side.controlString);
  if (values_.Text(nameOption) != kAsterMultiplexer) return stored;
  const auto code = static_cast<unsigned char>(values_.Long(side.channel) & 0xFF);
  return FormatControlString(stored, AnsiCharToWide(code));
}

HRESULT TQAVECRCommOptions::put_MultiplexerName(BSTR v) {
  return Guard([&] { SetMultiplexerName(CommOption::MultiplexerName, BstrView(v)); });
}

HRESULT TQAVECRCommOptions::get_MultiplexerControlString(BSTR* r) {
  return Get(r, [&] { return Bstr(EffectiveControlString(CommOption::MultiplexerName)); });
}

HRESULT TQAVECRCommOptions::put_RemoteMultiplexerName(BSTR v) {
  return Guard([&] { SetMultiplexerName(CommOption::RemoteMultiplexerName, BstrView(v)); });
}

HRESULT TQAVECRCommOptions::get_RemoteMultiplexerControlString(BSTR* r) {
  return Get(r, [&] { return Bstr(EffectiveControlString(CommOption::RemoteMultiplexerName)); });
}

}  // namespace corvatin
