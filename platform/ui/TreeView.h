// The tree view of the headless model: nodes with a text, an opaque data
// pointer and children, and one selected node.
//
// TreeView.OnChange(sender, node) fires on every change of the selection, by a
// person (Select in UserActions.h) or by code (SetSelected), with the newly
// selected node or null. Selecting the node already selected fires nothing.
// Clearing the nodes drops the selection without an event, as the editors'
// lists rely on (they refill and select again at once).
#pragma once

#include <set>

#include "platform/ui/Control.h"

namespace ui {

class TreeView;

class COM_API TreeNode {
 public:
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;

  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }

  TreeNode* Parent() const { return parent_; }
  TreeView& Owner() const { return *tree_; }
  const std::vector<std::unique_ptr<TreeNode>>& Children() const { return children_; }
  int Count() const { return static_cast<int>(children_.size()); }
  // Position among its siblings.
  int Index() const;
  // Position in the whole tree, counting every node before it depth first (for
  // a tree of root nodes only, the node's position).
  int AbsoluteIndex() const;
  bool Selected() const;

 private:
  friend class TreeView;
  TreeNode(TreeView* tree, TreeNode* parent, std::string text) : tree_(tree), parent_(parent), text_(std::move(text)) {}

  TreeView* tree_;
  TreeNode* parent_;
  std::string text_;
  void* data_ = nullptr;
  std::vector<std::unique_ptr<TreeNode>> children_;
};

class COM_API TreeView : public Control {
 public:
  TreeView() { SetColor(clWindow); }
  ~TreeView() override;
  ControlKind Kind() const override { return ControlKind::TreeView; }

  // ---- nodes ------------------------------------------------------------------
  const std::vector<std::unique_ptr<TreeNode>>& Roots() const { return roots_; }
  // A new root node after the others.
  TreeNode& AddNode(std::string text);
  // A new last child of `parent`.
  TreeNode& AddChildNode(TreeNode& parent, std::string text);
  // Removes every node; the selection becomes null without an event.
  void Clear();
  // Number of nodes in the whole tree.
  int Count() const;
  // The node at an absolute position; std::out_of_range outside 0..Count()-1.
  TreeNode& Item(int absoluteIndex) const;

  // ---- selection ----------------------------------------------------------------
  TreeNode* Selected() const { return selected_; }
  // Fires OnChange when the selection changes. The node must be of this tree.
  void SetSelected(TreeNode* node);

  std::function<void(TreeView& sender, TreeNode* node)> OnChange;

  // ---- display settings (the renderer reads them) --------------------------
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool value);
  bool ShowLines() const { return showLines_; }
  void SetShowLines(bool value);
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool value);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool value);
  int Indent() const { return indent_; }
  void SetIndent(int value);
  // Captions the tree keeps room for besides its nodes' (those of the items a
  // list will show later): a renderer makes the tree wide enough for them and
  // its nodes once, when it first shows the tree, and keeps that width.
  const std::set<std::string>& CaptionsToFit() const { return captionsToFit_; }
  void FitCaption(std::string caption) { captionsToFit_.insert(std::move(caption)); }

 private:
  friend class TreeNode;
  void NodeChanged() { Changed(Property::Nodes); }

  std::vector<std::unique_ptr<TreeNode>> roots_;
  TreeNode* selected_ = nullptr;
  bool readOnly_ = false;
  bool rowSelect_ = false;
  bool showLines_ = true;
  bool showRoot_ = true;
  bool hideSelection_ = true;
  int indent_ = 19;
  std::set<std::string> captionsToFit_;
};

}  // namespace ui
