#include "zelvani/editors/TFlowEditFrame.h"

namespace zelvani::editors {

namespace {

constexpr std::array<const char*, 18> kFlowTypeNames{
    "qzlvftUnknown",          "qzlvftSendMsgOpen",        "qzlvftSendMsgModeSwitch", "qzlvftSendMsgCloseWrite",
    "qzlvftSendMsgCloseRead", "qzlvftSendMsgACK",         "qzlvftSendMsgNAK",        "qzlvftSendPacket",
    "qzlvftReceivePacket",    "qzlvftESendMsgOpen",       "qzlvftESendMsgModeSwitch", "qzlvftESendMsgCloseWrite",
    "qzlvftESendMsgCloseRead", "qzlvftESendMsgACK",       "qzlvftESendMsgNAK",       "qzlvftESendPacket",
    "qzlvftEReceivePacket",   "qzlvftESendErrorPacket"};

constexpr char kWhat[] = "Cannot write the flow";

}  // namespace

TFlowEditFrame::TFlowEditFrame() {
  SetBounds(0, 0, 535, 430);
  IndexED = &LabeledEdit(*this, "IndexED", "Index", 8, 0, 60, true);
  IDED = &LabeledEdit(*this, "IDED", "ID", 76, 0, 120);
  AddLabel(*this, "FlowTypeLA", "Flow type", 204, 0);
  FlowTypeCO = &Add<ui::ComboBox>("FlowTypeCO");
  FlowTypeCO->SetBounds(204, 16, 200, 21);
  FlowTypeCO->SetItems({kFlowTypeNames.begin(), kFlowTypeNames.end()});
  auto& line = Add<ui::Bevel>("Bevel1");
  line.SetShape(ui::Bevel::Shape::TopLine);
  line.SetBounds(0, 44, 535, 2);
  items_ = &Add<TFlowItemsEditFrame>("FlowItemsEditFrame");
  items_->SetBounds(0, 50, 535, 380);
}

void TFlowEditFrame::LoadItem(IQAVZLVFlow* flow) {
  if (!flow) {
    SetVisible(false);
    return;
  }
  SetVisible(true);
  IndexED->SetText(IntegerText(ReadLong(flow, &IQAVZLVFlow::get_Index, kWhat)));
  IDED->SetText(ReadText(flow, &IQAVZLVFlow::get_ID, kWhat));
  const LONG type = ReadLong(flow, &IQAVZLVFlow::get_FlowType, kWhat);
  FlowTypeCO->SetItemIndex(type >= 1 && type <= 17 ? static_cast<int>(type) : 0);
  items_->LoadList(ReadObject(flow, &IQAVZLVFlow::get_FlowItems, kWhat).Get());
}

void TFlowEditFrame::Validate() const {
  ParseInteger(IndexED->Text());
  items_->Validate();
}

void TFlowEditFrame::FitCaptions(IQAVZLVFlow* flow) {
  items_->FitCaptions(ReadObject(flow, &IQAVZLVFlow::get_FlowItems, kWhat).Get());
}

void TFlowEditFrame::SaveItem(IQAVZLVFlow* flow) {
  if (!flow) return;
  Validate();
  Put(flow, &IQAVZLVFlow::put_Index, ParseInteger(IndexED->Text()), kWhat);
  PutText(flow, &IQAVZLVFlow::put_ID, IDED->Text(), kWhat);
  Put(flow, &IQAVZLVFlow::put_FlowType, LONG{std::max(FlowTypeCO->ItemIndex(), 0)}, kWhat);
  items_->SaveList(ReadObject(flow, &IQAVZLVFlow::get_FlowItems, kWhat).Get());
}

}  // namespace zelvani::editors
