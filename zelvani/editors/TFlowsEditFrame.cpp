#include "zelvani/editors/TFlowsEditFrame.h"

namespace zelvani::editors {

namespace {

constexpr char kWhat[] = "Cannot write the flows' limits";

}  // namespace

TFlowsEditFrame::TFlowsEditFrame()
    : TListEditFrame(CLSID_QAVZLVFlows, "Flows", "FlowsTV", "FlowEditFrame", false),
      limits_{{{&LabeledEdit(*this, "ConnectionRepetitionsLimitED", "Connection repetitions limit", 0, 250, 149, true),
                &IQAVZLVFlows::get_ConnectionRepetitionsLimit, &IQAVZLVFlows::put_ConnectionRepetitionsLimit},
               {&LabeledEdit(*this, "DataSendRepetitionsLimitED", "Data send repetitions limit", 0, 290, 149, true),
                &IQAVZLVFlows::get_DataSendRepetitionsLimit, &IQAVZLVFlows::put_DataSendRepetitionsLimit},
               {&LabeledEdit(*this, "WCKLimitED", "WCK limit", 0, 330, 149, true), &IQAVZLVFlows::get_WCKLimit,
                &IQAVZLVFlows::put_WCKLimit},
               {&LabeledEdit(*this, "NAKLimitED", "NAK limit", 0, 370, 149, true), &IQAVZLVFlows::get_NAKLimit,
                &IQAVZLVFlows::put_NAKLimit}}} {
  Tree().SetBounds(0, 40, 149, 200);
}

std::string TFlowsEditFrame::NodeCaption(IQAVZLVFlow* flow) {
  return ReadText(flow, &IQAVZLVFlow::get_ID, "Cannot read the flow's ID");
}

void TFlowsEditFrame::ListLoaded(IQAVZLVFlows* flows) {
  for (const Limit& limit : limits_) limit.edit->SetText(IntegerText(ReadLong(flows, limit.get, kWhat)));
}

void TFlowsEditFrame::ValidateList() const {
  for (const Limit& limit : limits_) ParseInteger(limit.edit->Text());
}

void TFlowsEditFrame::ListSaving(IQAVZLVFlows* flows) {
  ValidateList();
  for (const Limit& limit : limits_) Put(flows, limit.put, ParseInteger(limit.edit->Text()), kWhat);
}

}  // namespace zelvani::editors
