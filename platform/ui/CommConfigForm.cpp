#include "platform/ui/CommConfigForm.h"

#include <algorithm>
#include <array>
#include <string>

namespace ui {

namespace {

constexpr std::array<DWORD, 15> kRates = {CBR_110,   CBR_300,   CBR_600,   CBR_1200,   CBR_2400,
                                          CBR_4800,  CBR_9600,  CBR_14400, CBR_19200,  CBR_38400,
                                          CBR_56000, CBR_57600, CBR_115200, CBR_128000, CBR_256000};
constexpr std::array<BYTE, 4> kDataBits = {5, 6, 7, 8};

// The parity list in its order, with the DCB code of each item.
struct Named {
  const char* text;
  BYTE code;
};
constexpr Named kParities[] = {
    {"Even", EVENPARITY}, {"Odd", ODDPARITY}, {"None", NOPARITY}, {"Mark", MARKPARITY}, {"Space", SPACEPARITY}};
constexpr Named kStopBits[] = {{"1", ONESTOPBIT}, {"1.5", ONE5STOPBITS}, {"2", TWOSTOPBITS}};

// The kind of flow control the DCB's flags amount to; -1 when none of the three.
int FlowOf(const DCB& d) {
  const bool xon = d.fOutX && d.fInX;
  const bool noXon = !d.fOutX && !d.fInX;
  const bool hardware = d.fOutxCtsFlow && d.fRtsControl == RTS_CONTROL_HANDSHAKE;
  const bool noHardware = !d.fOutxCtsFlow && d.fRtsControl != RTS_CONTROL_HANDSHAKE;
  if (d.fOutxDsrFlow || d.fDtrControl == DTR_CONTROL_HANDSHAKE) return -1;
  if (xon && noHardware) return CommConfigForm::kXonXoff;
  if (hardware && noXon) return CommConfigForm::kHardware;
  if (noXon && noHardware) return CommConfigForm::kNoFlow;
  return -1;
}

void SetFlow(DCB& d, int flow) {
  d.fOutxDsrFlow = 0;
  d.fDtrControl = DTR_CONTROL_ENABLE;
  d.fOutX = d.fInX = flow == CommConfigForm::kXonXoff;
  d.fOutxCtsFlow = flow == CommConfigForm::kHardware;
  d.fRtsControl = flow == CommConfigForm::kHardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
}

// Selects the item showing `value`, adding it at the end when the list lacks it.
void ShowNumber(ComboBox& combo, DWORD value) {
  const std::string text = std::to_string(value);
  const auto& items = combo.Items();
  auto it = std::find(items.begin(), items.end(), text);
  if (it == items.end()) {
    combo.AddItem(text);
    combo.SetItemIndex(combo.ItemCount() - 1);
  } else {
    combo.SetItemIndex(static_cast<int>(it - items.begin()));
  }
}

template <size_t N>
void ShowCode(ComboBox& combo, const Named (&table)[N], BYTE code) {
  int index = -1;
  for (size_t i = 0; i < N; ++i)
    if (table[i].code == code) index = static_cast<int>(i);
  combo.SetItemIndex(index);
}

template <size_t N>
std::vector<std::string> Texts(const Named (&table)[N]) {
  std::vector<std::string> texts;
  for (const auto& n : table) texts.emplace_back(n.text);
  return texts;
}

}  // namespace

CommConfigForm::CommConfigForm(std::string_view portName) {
  SetName("CommConfigForm");
  SetCaption(std::string(portName) + " Properties");
  SetPosition(FormPosition::ScreenCenter);
  SetClientSize(300, 230);
  BaudRateLA.SetCaption("Bits per second:");
  DataBitsLA.SetCaption("Data bits:");
  ParityLA.SetCaption("Parity:");
  StopBitsLA.SetCaption("Stop bits:");
  FlowControlLA.SetCaption("Flow control:");
  std::vector<std::string> rates, bits;
  for (DWORD r : kRates) rates.push_back(std::to_string(r));
  for (BYTE b : kDataBits) bits.push_back(std::to_string(b));
  BaudRateCO.SetItems(rates);
  DataBitsCO.SetItems(bits);
  ParityCO.SetItems(Texts(kParities));
  StopBitsCO.SetItems(Texts(kStopBits));
  FlowControlCO.SetItems({"Xon / Xoff", "Hardware", "None"});
  // One setting a row, its label left of its list; "Restore Defaults" under
  // the lists on the right, a line, then OK and Cancel at the bottom right.
  Label* labels[] = {&BaudRateLA, &DataBitsLA, &ParityLA, &StopBitsLA, &FlowControlLA};
  ComboBox* lists[] = {&BaudRateCO, &DataBitsCO, &ParityCO, &StopBitsCO, &FlowControlCO};
  for (int row = 0; row < 5; ++row) {
    labels[row]->SetBounds(12, 15 + row * 30, 110, 13);
    lists[row]->SetBounds(130, 12 + row * 30, 158, 21);
  }
  DefaultsBT.SetBounds(178, 162, 110, 23);
  Bevel1.SetShape(Bevel::Shape::TopLine);
  Bevel1.SetBounds(12, 192, 276, 2);
  OKBT.SetBounds(132, 200, 75, 25);
  CancelBT.SetBounds(213, 200, 75, 25);
  DefaultsBT.SetCaption("Restore Defaults");
  DefaultsBT.OnClick = [this](Control&) { RestoreDefaults(); };
  OKBT.SetCaption("OK");
  OKBT.SetModalResult(mrOk);
  OKBT.SetDefault(true);
  CancelBT.SetCaption("Cancel");
  CancelBT.SetModalResult(mrCancel);
  CancelBT.SetCancel(true);
}

void CommConfigForm::Load(const DCB& dcb) {
  ShowNumber(BaudRateCO, dcb.BaudRate);
  ShowNumber(DataBitsCO, dcb.ByteSize);
  ShowCode(ParityCO, kParities, dcb.Parity);
  ShowCode(StopBitsCO, kStopBits, dcb.StopBits);
  loadedFlow_ = FlowOf(dcb);
  FlowControlCO.SetItemIndex(loadedFlow_);
}

void CommConfigForm::Save(DCB& dcb) const {
  // The items are the decimal texts of the lists above, or of the value loaded.
  if (BaudRateCO.ItemIndex() >= 0) dcb.BaudRate = static_cast<DWORD>(std::stoul(BaudRateCO.Text()));
  if (DataBitsCO.ItemIndex() >= 0) dcb.ByteSize = static_cast<BYTE>(std::stoul(DataBitsCO.Text()));
  if (ParityCO.ItemIndex() >= 0) dcb.Parity = kParities[ParityCO.ItemIndex()].code;
  if (StopBitsCO.ItemIndex() >= 0) dcb.StopBits = kStopBits[StopBitsCO.ItemIndex()].code;
  if (FlowControlCO.ItemIndex() >= 0 && FlowControlCO.ItemIndex() != loadedFlow_)
    SetFlow(dcb, FlowControlCO.ItemIndex());
}

void CommConfigForm::RestoreDefaults() {
  ShowNumber(BaudRateCO, CBR_9600);
  ShowNumber(DataBitsCO, 8);
  ShowCode(ParityCO, kParities, NOPARITY);
  ShowCode(StopBitsCO, kStopBits, ONESTOPBIT);
  FlowControlCO.SetItemIndex(kNoFlow);
}

DWORD CommConfigDialog(std::string_view portName, COMMCONFIG& config) {
  try {
    CommConfigForm form(portName);
    form.Load(config.dcb);
    if (form.ShowModal() != mrOk) return ERROR_CANCELLED;
    DCB dcb = config.dcb;
    form.Save(dcb);
    config.dcb = dcb;
    return 0;
  } catch (const WrongThread&) {
    return ERROR_INVALID_THREAD_ID;
  } catch (...) {
    return ERROR_GEN_FAILURE;
  }
}

}  // namespace ui
