#include "zelvani/model/InterfaceCalls.h"
#include "zelvani/model/QAVZLVFlow.h"

#include <string_view>

#include "zelvani/model/EditorHook.h"
#include "zelvani/model/PacketLibraryReader.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVFlowItem, CLSID_QAVZLVFlowItem);
ZELVANI_CLASS(TQAVZLVFlowItems, CLSID_QAVZLVFlowItems);
ZELVANI_CLASS(TQAVZLVFlow, CLSID_QAVZLVFlow);
ZELVANI_CLASS(TQAVZLVFlows, CLSID_QAVZLVFlows);

namespace {

// An item's ID: the ID itself for an item of this module, else the ID read
// through the interface into `scratch`.
std::string_view ItemID(IQAVZLVFlowItem* item, std::string& scratch) {
  if (auto* own = OwnClass<TQAVZLVFlowItem>(item)) return own->ID();
  scratch = ReadText(item, &IQAVZLVFlowItem::get_ID, "Cannot read the flow item's ID");
  return scratch;
}

bool HasID(IQAVZLVFlowItem* item, const std::string& id) {
  std::string scratch;
  return ItemID(item, scratch) == id;
}

LONG FlowTypeOf(IQAVZLVFlow* flow) {
  if (auto* own = OwnClass<TQAVZLVFlow>(flow)) return own->FlowType();
  return ReadLong(flow, &IQAVZLVFlow::get_FlowType, "Cannot read the flow's type");
}

// The elements of a source collection, taken before the target is cleared so
// that copying a collection onto itself keeps its elements.
template <class Coll, class Item>
std::vector<ComPtr<Item>> Snapshot(Coll* source) {
  LONG count = ReadLong<IDispatchCollection>(source, &IDispatchCollection::get_Count, "Cannot read the source's count");
  std::vector<ComPtr<Item>> items;
  items.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (LONG i = 0; i < count; ++i) {
    ComPtr<Item> item;
    CheckCall(source->get_Items(i, item.Out()), "Cannot read the source's item");
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace

// ---------------------------------------------------------------------------
// TQAVZLVFlowItem

TQAVZLVFlowItem::TQAVZLVFlowItem()
    : data_(Variant::I4(1)), delimiters_(Create<IQAVZLVValues>(CLSID_QAVZLVValues)) {}

HRESULT TQAVZLVFlowItem::get_Index(LONG* result) {
  return Get(result, [&] { return index_; });
}
HRESULT TQAVZLVFlowItem::put_Index(LONG value) {
  return Guard([&] { index_ = value; });
}
HRESULT TQAVZLVFlowItem::get_ID(BSTR* result) {
  return Get(result, [&]() -> const std::string& { return id_; });
}
HRESULT TQAVZLVFlowItem::put_ID(BSTR value) {
  return Guard([&] { id_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVFlowItem::get_Direction(LONG* result) {
  return Get(result, [&] { return direction_; });
}
HRESULT TQAVZLVFlowItem::put_Direction(LONG value) {
  return Guard([&] { direction_ = value; });
}
HRESULT TQAVZLVFlowItem::get_Data(VARIANT* result) {
  return Get(result, [&]() -> const VARIANT& { return data_; });
}
HRESULT TQAVZLVFlowItem::put_Data(VARIANT value) {
  return Guard([&] { data_ = CopyOfValue(value); });
}
HRESULT TQAVZLVFlowItem::get_PacketType(LONG* result) {
  return Get(result, [&] { return packetType_; });
}
HRESULT TQAVZLVFlowItem::put_PacketType(LONG value) {
  return Guard([&] { packetType_ = value; });
}
HRESULT TQAVZLVFlowItem::get_PacketDelimiters(IQAVZLVValues** result) {
  return Get(result, [&] { return delimiters_; });
}
HRESULT TQAVZLVFlowItem::get_CharsAfterDelimiter(LONG* result) {
  return Get(result, [&] { return charsAfterDelimiter_; });
}
HRESULT TQAVZLVFlowItem::put_CharsAfterDelimiter(LONG value) {
  return Guard([&] { charsAfterDelimiter_ = value; });
}
HRESULT TQAVZLVFlowItem::get_RetryCount(LONG* result) {
  return Get(result, [&] { return retryCount_; });
}
HRESULT TQAVZLVFlowItem::put_RetryCount(LONG value) {
  return Guard([&] { retryCount_ = value; });
}
HRESULT TQAVZLVFlowItem::get_Interval(LONG* result) {
  return Get(result, [&] { return interval_; });
}
HRESULT TQAVZLVFlowItem::put_Interval(LONG value) {
  return Guard([&] { interval_ = value; });
}
HRESULT TQAVZLVFlowItem::get_NextFlowItemID(BSTR* result) {
  return Get(result, [&]() -> const std::string& { return nextFlowItemId_; });
}
HRESULT TQAVZLVFlowItem::put_NextFlowItemID(BSTR value) {
  return Guard([&] { nextFlowItemId_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVFlowItem::get_Flags(LONG* result) {
  return Get(result, [&] { return flags_; });
}
HRESULT TQAVZLVFlowItem::put_Flags(LONG value) {
  return Guard([&] { flags_ = value; });
}
HRESULT TQAVZLVFlowItem::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::FlowItem, this); });
}
HRESULT TQAVZLVFlowItem::CopyFrom(IQAVZLVFlowItem* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

std::string TQAVZLVFlowItem::DataText() const { return BstrToAnsi(data_.As(VT_BSTR, VARIANT_ALPHABOOL).bstrVal); }

std::vector<Variant> TQAVZLVFlowItem::DelimiterValues() const {
  std::vector<ComPtr<IQAVZLVValue>> items = Snapshot<IQAVZLVValues, IQAVZLVValue>(delimiters_.Get());
  std::vector<Variant> values;
  values.reserve(items.size());
  for (const auto& item : items) {
    Variant v;
    CheckCall(item->get_Value(&v), "Cannot read a packet delimiter");
    values.push_back(std::move(v));
  }
  return values;
}

std::vector<std::string> TQAVZLVFlowItem::DelimiterTexts() const {
  std::vector<std::string> texts;
  for (const Variant& v : DelimiterValues()) texts.push_back(BstrToAnsi(v.As(VT_BSTR, VARIANT_ALPHABOOL).bstrVal));
  return texts;
}

void TQAVZLVFlowItem::AddDelimiter(const VARIANT& v) {
  ComPtr<IQAVZLVValue> value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
  CheckCall(value->put_Value(v), "Cannot set the packet delimiter");
  LONG position = 0;
  CheckCall(delimiters_->Add(value.Get(), &position), "Cannot add the packet delimiter");
}

bool TQAVZLVFlowItem::CopyFromSource(IQAVZLVFlowItem* source) {
  if (!source) return false;
  using I = IQAVZLVFlowItem;
  charsAfterDelimiter_ = ReadLong(source, &I::get_CharsAfterDelimiter, "Cannot read the source's CharsAfterDelimiter");
  Variant data;
  CheckCall(source->get_Data(&data), "Cannot read the source's Data");
  data_ = std::move(data);
  direction_ = ReadLong(source, &I::get_Direction, "Cannot read the source's Direction");
  flags_ = ReadLong(source, &I::get_Flags, "Cannot read the source's Flags");
  id_ = ReadText(source, &I::get_ID, "Cannot read the source's ID");
  index_ = ReadLong(source, &I::get_Index, "Cannot read the source's Index");
  interval_ = ReadLong(source, &I::get_Interval, "Cannot read the source's Interval");
  nextFlowItemId_ = ReadText(source, &I::get_NextFlowItemID, "Cannot read the source's NextFlowItemID");
  ComPtr<IQAVZLVValues> delimiters;
  CheckCall(source->get_PacketDelimiters(delimiters.Out()), "Cannot read the source's PacketDelimiters");
  VARIANT_BOOL copied = VARIANT_FALSE;
  CheckCall(delimiters_->CopyFrom(delimiters.Get(), &copied), "Cannot copy the packet delimiters");
  packetType_ = ReadLong(source, &I::get_PacketType, "Cannot read the source's PacketType");
  retryCount_ = ReadLong(source, &I::get_RetryCount, "Cannot read the source's RetryCount");
  return true;
}

// ---------------------------------------------------------------------------
// TQAVZLVFlowItems

HRESULT TQAVZLVFlowItems::get_Items(LONG i, IQAVZLVFlowItem** result) {
  return Get(result, [&] { return At(i); });
}
HRESULT TQAVZLVFlowItems::get_CurrentID(BSTR* result) {
  return Get(result, [&]() -> const std::string& { return currentId_; });
}
HRESULT TQAVZLVFlowItems::put_CurrentID(BSTR value) {
  return Guard([&] { SetCurrentID(BstrToAnsi(value)); });
}
HRESULT TQAVZLVFlowItems::FindFirstID(BSTR* result) {
  return Get(result, [&] { return FirstID(); });
}
HRESULT TQAVZLVFlowItems::FindNextID(BSTR* result) {
  return Get(result, [&] { return NextID(); });
}
HRESULT TQAVZLVFlowItems::FindFirstByID(BSTR id, IQAVZLVFlowItem** result) {
  return Get(result, [&] { return FirstByID(BstrToAnsi(id)); });
}
HRESULT TQAVZLVFlowItems::FindNextByID(BSTR id, IQAVZLVFlowItem** result) {
  return Get(result, [&] { return NextByID(BstrToAnsi(id)); });
}
HRESULT TQAVZLVFlowItems::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::FlowItems, this); });
}
HRESULT TQAVZLVFlowItems::CopyFrom(IQAVZLVFlowItems* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}
HRESULT TQAVZLVFlowItems::Clear() {
  // Only the list: CurrentID and both cursors keep their values. The searches
  // start after a cursor and never read the item at it, so a cursor beyond a
  // shorter list only makes the next search find nothing.
  return Guard([&] { RemoveAll(); });
}

std::string TQAVZLVFlowItems::FirstID() {
  stepCursor_ = -1;
  currentId_.clear();
  return NextID();
}

std::string TQAVZLVFlowItems::NextID() {
  for (LONG i = stepCursor_ + 1; i < Size(); ++i) {
    std::string scratch;
    const std::string_view id = ItemID(items_[static_cast<std::size_t>(i)].Get(), scratch);
    if (id != currentId_) {
      stepCursor_ = i;
      currentId_ = id;
      return currentId_;
    }
  }
  return std::string();
}

void TQAVZLVFlowItems::SetCurrentID(const std::string& id) {
  for (LONG i = 0; i < Size(); ++i) {
    if (HasID(items_[static_cast<std::size_t>(i)].Get(), id)) {
      stepCursor_ = i;
      currentId_ = id;
      return;
    }
  }
}

ComPtr<IQAVZLVFlowItem> TQAVZLVFlowItems::FirstByID(const std::string& id) {
  alternativeCursor_ = -1;
  return NextByID(id);
}

ComPtr<IQAVZLVFlowItem> TQAVZLVFlowItems::NextByID(const std::string& id) {
  for (LONG i = alternativeCursor_ + 1; i < Size(); ++i) {
    const ComPtr<IQAVZLVFlowItem>& item = items_[static_cast<std::size_t>(i)];
    if (HasID(item.Get(), id)) {
      alternativeCursor_ = i;
      return item;
    }
  }
  return nullptr;
}

bool TQAVZLVFlowItems::CopyFromSource(IQAVZLVFlowItems* source) {
  if (!source) return false;
  std::vector<ComPtr<IQAVZLVFlowItem>> from = Snapshot<IQAVZLVFlowItems, IQAVZLVFlowItem>(source);
  std::string currentId = ReadText(source, &IQAVZLVFlowItems::get_CurrentID, "Cannot read the source's CurrentID");
  RemoveAll();
  for (const auto& item : from) {
    ComPtr<IQAVZLVFlowItem> copy = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
    Append(copy.Get());
    VARIANT_BOOL copied = VARIANT_FALSE;
    CheckCall(copy->CopyFrom(item.Get(), &copied), "Cannot copy the flow item");
  }
  SetCurrentID(currentId);
  return true;
}

void TQAVZLVFlowItems::ItemAdded(IQAVZLVFlowItem* item, LONG index) {
  CheckCall(item->put_Index(index), "Cannot set the flow item's Index");
}

// ---------------------------------------------------------------------------
// TQAVZLVFlow

TQAVZLVFlow::TQAVZLVFlow() : items_(Create<IQAVZLVFlowItems>(CLSID_QAVZLVFlowItems)) {}

HRESULT TQAVZLVFlow::get_FlowType(LONG* result) {
  return Get(result, [&] { return flowType_; });
}
HRESULT TQAVZLVFlow::put_FlowType(LONG value) {
  return Guard([&] { flowType_ = value; });
}
HRESULT TQAVZLVFlow::get_Index(LONG* result) {
  return Get(result, [&] { return index_; });
}
HRESULT TQAVZLVFlow::put_Index(LONG value) {
  return Guard([&] { index_ = value; });
}
HRESULT TQAVZLVFlow::get_ID(BSTR* result) {
  return Get(result, [&]() -> const std::string& { return id_; });
}
HRESULT TQAVZLVFlow::put_ID(BSTR value) {
  return Guard([&] { id_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVFlow::get_FlowItems(IQAVZLVFlowItems** result) {
  return Get(result, [&] { return items_; });
}
HRESULT TQAVZLVFlow::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::Flow, this); });
}
HRESULT TQAVZLVFlow::CopyFrom(IQAVZLVFlow* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

bool TQAVZLVFlow::CopyFromSource(IQAVZLVFlow* source) {
  if (!source) return false;
  ComPtr<IQAVZLVFlowItems> items;
  CheckCall(source->get_FlowItems(items.Out()), "Cannot read the source's FlowItems");
  VARIANT_BOOL copied = VARIANT_FALSE;
  CheckCall(items_->CopyFrom(items.Get(), &copied), "Cannot copy the flow items");
  flowType_ = ReadLong(source, &IQAVZLVFlow::get_FlowType, "Cannot read the source's FlowType");
  id_ = ReadText(source, &IQAVZLVFlow::get_ID, "Cannot read the source's ID");
  index_ = ReadLong(source, &IQAVZLVFlow::get_Index, "Cannot read the source's Index");
  return true;
}

// ---------------------------------------------------------------------------
// TQAVZLVFlows

HRESULT TQAVZLVFlows::get_ConnectionRepetitionsLimit(LONG* result) {
  return Get(result, [&] { return connectionRepetitionsLimit_; });
}
HRESULT TQAVZLVFlows::put_ConnectionRepetitionsLimit(LONG value) {
  return Guard([&] { connectionRepetitionsLimit_ = value; });
}
HRESULT TQAVZLVFlows::get_DataSendRepetitionsLimit(LONG* result) {
  return Get(result, [&] { return dataSendRepetitionsLimit_; });
}
HRESULT TQAVZLVFlows::put_DataSendRepetitionsLimit(LONG value) {
  return Guard([&] { dataSendRepetitionsLimit_ = value; });
}
HRESULT TQAVZLVFlows::get_WCKLimit(LONG* result) {
  return Get(result, [&] { return wckLimit_; });
}
HRESULT TQAVZLVFlows::put_WCKLimit(LONG value) {
  return Guard([&] { wckLimit_ = value; });
}
HRESULT TQAVZLVFlows::get_NAKLimit(LONG* result) {
  return Get(result, [&] { return nakLimit_; });
}
HRESULT TQAVZLVFlows::put_NAKLimit(LONG value) {
  return Guard([&] { nakLimit_ = value; });
}
HRESULT TQAVZLVFlows::get_Items(LONG i, IQAVZLVFlow** result) {
  return Get(result, [&] { return At(i); });
}
HRESULT TQAVZLVFlows::FindByFlowType(LONG flowType, IQAVZLVFlow** result) {
  return Get(result, [&] { return FindByType(flowType); });
}
HRESULT TQAVZLVFlows::LoadFromFile(BSTR fileName, VARIANT_BOOL* result) {
  return Get(result, [&] { return LoadFlowsFromFile(*this, BstrToAnsi(fileName)); });
}
HRESULT TQAVZLVFlows::SaveToFile(BSTR, VARIANT_BOOL* result) {
  // Flows are not written back: the file is edited only as text.
  return Get(result, [] { return false; });
}
HRESULT TQAVZLVFlows::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::Flows, this); });
}
HRESULT TQAVZLVFlows::CopyFrom(IQAVZLVFlows* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}
HRESULT TQAVZLVFlows::Clear() {
  return Guard([&] { RemoveAll(); });
}

ComPtr<IQAVZLVFlow> TQAVZLVFlows::FindByType(LONG flowType) const {
  for (const auto& flow : items_)
    if (FlowTypeOf(flow.Get()) == flowType) return flow;
  return nullptr;
}

bool TQAVZLVFlows::CopyFromSource(IQAVZLVFlows* source) {
  if (!source) return false;
  std::vector<ComPtr<IQAVZLVFlow>> from = Snapshot<IQAVZLVFlows, IQAVZLVFlow>(source);
  RemoveAll();
  for (const auto& flow : from) {
    ComPtr<IQAVZLVFlow> copy = Create<IQAVZLVFlow>(CLSID_QAVZLVFlow);
    Append(copy.Get());
    VARIANT_BOOL copied = VARIANT_FALSE;
    CheckCall(copy->CopyFrom(flow.Get(), &copied), "Cannot copy the flow");
  }
  using I = IQAVZLVFlows;
  connectionRepetitionsLimit_ =
      ReadLong(source, &I::get_ConnectionRepetitionsLimit, "Cannot read the source's ConnectionRepetitionsLimit");
  dataSendRepetitionsLimit_ =
      ReadLong(source, &I::get_DataSendRepetitionsLimit, "Cannot read the source's DataSendRepetitionsLimit");
  nakLimit_ = ReadLong(source, &I::get_NAKLimit, "Cannot read the source's NAKLimit");
  wckLimit_ = ReadLong(source, &I::get_WCKLimit, "Cannot read the source's WCKLimit");
  return true;
}

void TQAVZLVFlows::ItemAdded(IQAVZLVFlow* item, LONG index) {
  CheckCall(item->put_Index(index), "Cannot set the flow's Index");
}

}  // namespace zelvani
