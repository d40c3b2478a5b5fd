// The list frame every list editor is made of: a tree with one root node per
// item of a collection beside the item frame of the selected item, over a
// private working copy of the collection.
//
// LoadList takes a deep copy of the caller's collection and shows its items;
// the item frame's values reach the working copy when another node is selected
// or SaveList runs, and the caller's collection only through SaveList, which
// copies the whole working copy back. The four actions of the tool bar never
// change the list: the editors change properties only, never the number or
// order of the items.
//
// A selection change reads every number of the shown item before it writes any
// of them: a bad number leaves the shown item untouched, puts the selection
// back on its node and raises the conversion error (the form shows it). When
// the working copy is refilled, the item shown before is forgotten, so values
// left in the item frame never go into an item that is no longer in the list.
#pragma once

#include <string>

#include "platform/ui/Form.h"
#include "zelvani/editors/EditorSupport.h"
#include "zelvani/model/ZelvaniServer.h"

namespace zelvani::editors {

// The tree and tool bar part, shared by all list frames.
class ListFrameBase : public ui::Frame {
 public:
  ui::TreeView& Tree() const { return *tree_; }
  ui::ToolBar& Tools() const { return *toolBar_; }
  ui::ActionList& Actions() const { return *actions_; }

 protected:
  // LABEL: the caption above the tree; TREE: the tree's name.
  ListFrameBase(const std::string& label, const std::string& tree);
  // The item frame's place, right of the vertical line.
  static constexpr int kItemLeft = 160;

 private:
  ui::TreeView* tree_ = nullptr;
  ui::ToolBar* toolBar_ = nullptr;
  ui::ActionList* actions_ = nullptr;
};

// Coll: the collection interface; Item: its item interface; ItemFrame: the
// item frame class (LoadItem, SaveItem, Validate). NESTED lists run the
// selection handler once more after loading, top-level lists do not.
template <class Coll, class Item, class ItemFrame>
class TListEditFrame : public ListFrameBase {
 public:
  void LoadList(Coll* collection) {
    if (!collection) {
      SetVisible(false);
      return;
    }
    SetVisible(true);
    VARIANT_BOOL copied = VARIANT_FALSE;
    CheckCall(items_->CopyFrom(collection, &copied), "Cannot copy the list");
    FitCaptions(items_.Get());
    ListLoaded(collection);
    // The items shown before belong to the content just replaced.
    current_ = nullptr;
    currentNode_ = -1;
    ui::TreeView& tree = Tree();
    tree.Clear();
    const LONG count = CountOf(items_.Get());
    for (LONG i = 0; i < count; ++i) tree.AddNode(NodeCaption(ItemAt<Coll, Item>(items_.Get(), i).Get()));
    if (count > 0) tree.SetSelected(&tree.Item(0));
    if (nested_) {
      SelectionChanged(tree.Selected());
    } else if (count == 0) {
      itemFrame_->LoadItem(nullptr);
    }
  }

  void SaveList(Coll* collection) {
    if (!collection) return;
    Validate();
    SelectionChanged(Tree().Selected());
    ListSaving(collection);
    VARIANT_BOOL copied = VARIANT_FALSE;
    CheckCall(collection->CopyFrom(items_.Get(), &copied), "Cannot copy the list back");
  }

  // The tree keeps room for the caption of every item of COLLECTION, and the
  // trees of the nested lists for those of their items, so that the trees
  // take their width once, for all that they will show, and keep it while a
  // person steps from item to item.
  void FitCaptions(Coll* collection) {
    const LONG count = CountOf(collection);
    for (LONG i = 0; i < count; ++i) {
      ComPtr<Item> item = ItemAt<Coll, Item>(collection, i);
      Tree().FitCaption(NodeCaption(item.Get()));
      if constexpr (requires { itemFrame_->FitCaptions(item.Get()); }) itemFrame_->FitCaptions(item.Get());
    }
  }

  // Reads every number of the shown item (and of the lists nested in it);
  // throws the conversion error of the first bad one and writes nothing.
  void Validate() const {
    ValidateList();
    if (current_) itemFrame_->Validate();
  }

  ItemFrame& ItemEditor() const { return *itemFrame_; }
  // The working copy and the item shown.
  Coll* WorkingCopy() const { return items_.Get(); }
  Item* Current() const { return current_.Get(); }

 protected:
  TListEditFrame(REFCLSID clsid, const std::string& label, const std::string& tree, const std::string& frameName,
                 bool nested)
      : ListFrameBase(label, tree), items_(Create<Coll>(clsid)), nested_(nested) {
    itemFrame_ = &Add<ItemFrame>(frameName);
    itemFrame_->SetBounds(kItemLeft, 0, 370, 380);
    Tree().OnChange = [this](ui::TreeView&, ui::TreeNode* node) { SelectionChanged(node); };
  }

  // The caption of an item's node.
  virtual std::string NodeCaption(Item* item) = 0;
  // Hooks of the flow list for its limits.
  virtual void ListLoaded(Coll*) {}
  virtual void ListSaving(Coll*) {}
  virtual void ValidateList() const {}

  // The selection handler: the shown values into the item shown, then the item
  // of NODE into the item frame.
  void SelectionChanged(ui::TreeNode* node) {
    if (reverting_) return;
    try {
      if (current_) itemFrame_->SaveItem(current_.Get());
    } catch (...) {
      if (currentNode_ >= 0 && currentNode_ < Tree().Count()) {
        reverting_ = true;
        Tree().SetSelected(&Tree().Item(currentNode_));
        reverting_ = false;
      }
      throw;
    }
    if (node) {
      currentNode_ = node->AbsoluteIndex();
      current_ = ItemAt<Coll, Item>(items_.Get(), currentNode_);
    } else {
      currentNode_ = -1;
      current_ = nullptr;
    }
    itemFrame_->LoadItem(current_.Get());
  }

 private:
  ComPtr<Coll> items_;
  ComPtr<Item> current_;
  int currentNode_ = -1;
  ItemFrame* itemFrame_ = nullptr;
  bool nested_;
  bool reverting_ = false;
};

}  // namespace zelvani::editors
