// Flows: the scripts of the exchanges with a device. A flow is a list of flow
// items; items sharing one ID are the alternatives of one step. The collection
// of items carries two cursors, one over the steps and one over the items of a
// step, by which the flow interpreter walks a flow. The model stores directions,
// data and flags and gives them no meaning of its own.
#pragma once

#include <string>
#include <vector>

#include "platform/com/variant.h"
#include "zelvani/model/DispatchCollection.h"
#include "zelvani/model/QAVZLVValue.h"

namespace zelvani {

class TQAVZLVFlowItem final : public ZelvaniObject<IQAVZLVFlowItem> {
 public:
  TQAVZLVFlowItem();

  HRESULT get_Index(LONG* result) override;
  HRESULT put_Index(LONG value) override;
  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_Direction(LONG* result) override;
  HRESULT put_Direction(LONG value) override;
  HRESULT get_Data(VARIANT* result) override;
  HRESULT put_Data(VARIANT value) override;
  HRESULT get_PacketType(LONG* result) override;
  HRESULT put_PacketType(LONG value) override;
  HRESULT get_PacketDelimiters(IQAVZLVValues** result) override;
  HRESULT get_CharsAfterDelimiter(LONG* result) override;
  HRESULT put_CharsAfterDelimiter(LONG value) override;
  HRESULT get_RetryCount(LONG* result) override;
  HRESULT put_RetryCount(LONG value) override;
  HRESULT get_Interval(LONG* result) override;
  HRESULT put_Interval(LONG value) override;
  HRESULT get_NextFlowItemID(BSTR* result) override;
  HRESULT put_NextFlowItemID(BSTR value) override;
  HRESULT get_Flags(LONG* result) override;
  HRESULT put_Flags(LONG value) override;
  HRESULT Edit(VARIANT_BOOL* result) override;
  HRESULT CopyFrom(IQAVZLVFlowItem* source, VARIANT_BOOL* result) override;

  // C++ access (texts are ANSI).
  LONG Index() const { return index_; }
  void SetIndex(LONG v) { index_ = v; }
  const std::string& ID() const { return id_; }
  void SetID(std::string v) { id_ = std::move(v); }
  LONG Direction() const { return direction_; }
  void SetDirection(LONG v) { direction_ = v; }
  const Variant& Data() const { return data_; }
  void SetData(const VARIANT& v) { data_ = CopyOfValue(v); }
  // The data coerced to text; throws ComError when the value has no text form.
  std::string DataText() const;
  LONG PacketType() const { return packetType_; }
  void SetPacketType(LONG v) { packetType_ = v; }
  LONG CharsAfterDelimiter() const { return charsAfterDelimiter_; }
  void SetCharsAfterDelimiter(LONG v) { charsAfterDelimiter_ = v; }
  LONG RetryCount() const { return retryCount_; }
  void SetRetryCount(LONG v) { retryCount_ = v; }
  LONG Interval() const { return interval_; }
  void SetInterval(LONG v) { interval_ = v; }
  const std::string& NextFlowItemID() const { return nextFlowItemId_; }
  void SetNextFlowItemID(std::string v) { nextFlowItemId_ = std::move(v); }
  LONG Flags() const { return flags_; }
  void SetFlags(LONG v) { flags_ = v; }
  bool HasFlag(LONG flag) const { return (flags_ & flag) != 0; }

  // The owned delimiter collection.
  IQAVZLVValues* PacketDelimiters() const { return delimiters_.Get(); }
  // The delimiters in list order, as stored and coerced to text.
  std::vector<Variant> DelimiterValues() const;
  std::vector<std::string> DelimiterTexts() const;
  // Appends a delimiter value.
  void AddDelimiter(const VARIANT& v);

  // Copies every property of the source, the delimiters deeply. False, changing
  // nothing, for null.
  bool CopyFromSource(IQAVZLVFlowItem* source);

 private:
  LONG index_ = -1;
  std::string id_;
  LONG direction_ = -1;
  Variant data_;
  LONG packetType_ = -1;
  ComPtr<IQAVZLVValues> delimiters_;
  LONG charsAfterDelimiter_ = 0;
  LONG retryCount_ = -1;
  LONG interval_ = 0;
  std::string nextFlowItemId_;
  LONG flags_ = 0;
};

class TQAVZLVFlowItems final : public DispatchCollectionBase<IQAVZLVFlowItems, IQAVZLVFlowItem> {
 public:
  HRESULT get_Items(LONG i, IQAVZLVFlowItem** result) override;
  HRESULT get_CurrentID(BSTR* result) override;
  HRESULT put_CurrentID(BSTR value) override;
  HRESULT FindFirstID(BSTR* result) override;
  HRESULT FindNextID(BSTR* result) override;
  HRESULT FindFirstByID(BSTR id, IQAVZLVFlowItem** result) override;
  HRESULT FindNextByID(BSTR id, IQAVZLVFlowItem** result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;
  HRESULT CopyFrom(IQAVZLVFlowItems* source, VARIANT_BOOL* result) override;
  HRESULT Clear() override;

  // The step cursor: walks the distinct steps in list order. A run of items with
  // one ID is one step; a later item with an ID met before is a step again.
  // FirstID starts over; NextID moves to the first later item whose ID differs
  // from CurrentID and returns that ID, or returns "" leaving the cursor as it
  // was when there is none.
  std::string FirstID();
  std::string NextID();
  const std::string& CurrentID() const { return currentId_; }
  // Moves the step cursor to the first item of the list with that ID; an ID no
  // item has changes nothing.
  void SetCurrentID(const std::string& id);

  // The alternative cursor: walks the items with one ID, to the end of the list.
  // Null when there is no further such item (the cursor then stays).
  ComPtr<IQAVZLVFlowItem> FirstByID(const std::string& id);
  ComPtr<IQAVZLVFlowItem> NextByID(const std::string& id);

  // Cursor positions (-1 before the first search).
  LONG StepCursor() const { return stepCursor_; }
  LONG AlternativeCursor() const { return alternativeCursor_; }

  // Deep copy: cleared, then a new item per source item, then CurrentID taken
  // over by the rule of SetCurrentID. False, changing nothing, for null.
  bool CopyFromSource(IQAVZLVFlowItems* source);

 protected:
  void ItemAdded(IQAVZLVFlowItem* item, LONG index) override;

 private:
  std::string currentId_;
  LONG stepCursor_ = -1;
  LONG alternativeCursor_ = -1;
};

class TQAVZLVFlow final : public ZelvaniObject<IQAVZLVFlow> {
 public:
  TQAVZLVFlow();

  HRESULT get_FlowType(LONG* result) override;
  HRESULT put_FlowType(LONG value) override;
  HRESULT get_Index(LONG* result) override;
  HRESULT put_Index(LONG value) override;
  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_FlowItems(IQAVZLVFlowItems** result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;
  HRESULT CopyFrom(IQAVZLVFlow* source, VARIANT_BOOL* result) override;

  LONG FlowType() const { return flowType_; }
  void SetFlowType(LONG v) { flowType_ = v; }
  LONG Index() const { return index_; }
  void SetIndex(LONG v) { index_ = v; }
  const std::string& ID() const { return id_; }
  void SetID(std::string v) { id_ = std::move(v); }
  // The owned item collection, and its class (null only if an object of another
  // module stood in for it).
  IQAVZLVFlowItems* FlowItems() const { return items_.Get(); }
  TQAVZLVFlowItems* Items() const { return OwnClass<TQAVZLVFlowItems>(items_.Get()); }

  bool CopyFromSource(IQAVZLVFlow* source);

 private:
  ComPtr<IQAVZLVFlowItems> items_;
  LONG flowType_ = -1;
  std::string id_;
  LONG index_ = -1;
};

class TQAVZLVFlows final : public DispatchCollectionBase<IQAVZLVFlows, IQAVZLVFlow> {
 public:
  HRESULT get_ConnectionRepetitionsLimit(LONG* result) override;
  HRESULT put_ConnectionRepetitionsLimit(LONG value) override;
  HRESULT get_DataSendRepetitionsLimit(LONG* result) override;
  HRESULT put_DataSendRepetitionsLimit(LONG value) override;
  HRESULT get_WCKLimit(LONG* result) override;
  HRESULT put_WCKLimit(LONG value) override;
  HRESULT get_NAKLimit(LONG* result) override;
  HRESULT put_NAKLimit(LONG value) override;
  HRESULT get_Items(LONG i, IQAVZLVFlow** result) override;
  HRESULT FindByFlowType(LONG flowType, IQAVZLVFlow** result) override;
  HRESULT LoadFromFile(BSTR fileName, VARIANT_BOOL* result) override;
  HRESULT SaveToFile(BSTR fileName, VARIANT_BOOL* result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;
  HRESULT CopyFrom(IQAVZLVFlows* source, VARIANT_BOOL* result) override;
  HRESULT Clear() override;

  LONG ConnectionRepetitionsLimit() const { return connectionRepetitionsLimit_; }
  void SetConnectionRepetitionsLimit(LONG v) { connectionRepetitionsLimit_ = v; }
  LONG DataSendRepetitionsLimit() const { return dataSendRepetitionsLimit_; }
  void SetDataSendRepetitionsLimit(LONG v) { dataSendRepetitionsLimit_ = v; }
  LONG WCKLimit() const { return wckLimit_; }
  void SetWCKLimit(LONG v) { wckLimit_ = v; }
  LONG NAKLimit() const { return nakLimit_; }
  void SetNAKLimit(LONG v) { nakLimit_ = v; }

  // The first flow in list order with that flow type, or null.
  ComPtr<IQAVZLVFlow> FindByType(LONG flowType) const;

  bool CopyFromSource(IQAVZLVFlows* source);

 protected:
  void ItemAdded(IQAVZLVFlow* item, LONG index) override;

 private:
  LONG connectionRepetitionsLimit_ = -1;
  LONG dataSendRepetitionsLimit_ = -1;
  LONG wckLimit_ = -1;
  LONG nakLimit_ = -1;
};

}  // namespace zelvani
