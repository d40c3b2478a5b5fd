#include "platform/ui/TreeView.h"

namespace ui {

namespace {

int CountNodes(const std::vector<std::unique_ptr<TreeNode>>& nodes) {
  int n = 0;
  for (const auto& node : nodes) n += 1 + CountNodes(node->Children());
  return n;
}

// The node `index` places after the start of `nodes`, depth first; `index` is
// decreased by the nodes passed.
TreeNode* NodeAt(const std::vector<std::unique_ptr<TreeNode>>& nodes, int& index) {
  for (const auto& node : nodes) {
    if (index == 0) return node.get();
    --index;
    if (TreeNode* found = NodeAt(node->Children(), index)) return found;
  }
  return nullptr;
}

}  // namespace

void TreeNode::SetText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  tree_->NodeChanged();
}

int TreeNode::Index() const {
  const auto& siblings = parent_ ? parent_->children_ : tree_->roots_;
  for (size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i].get() == this) return static_cast<int>(i);
  return -1;
}

int TreeNode::AbsoluteIndex() const {
  // Every node before this one among its siblings, with their subtrees, then
  // the same for the parent.
  int index = 0;
  const TreeNode* node = this;
  while (node) {
    const auto& siblings = node->parent_ ? node->parent_->children_ : tree_->roots_;
    for (const auto& s : siblings) {
      if (s.get() == node) break;
      index += 1 + CountNodes(s->children_);
    }
    node = node->parent_;
    if (node) ++index;
  }
  return index;
}

bool TreeNode::Selected() const { return tree_->Selected() == this; }

TreeView::~TreeView() = default;

TreeNode& TreeView::AddNode(std::string text) {
  roots_.push_back(std::unique_ptr<TreeNode>(new TreeNode(this, nullptr, std::move(text))));
  Changed(Property::Nodes);
  return *roots_.back();
}

TreeNode& TreeView::AddChildNode(TreeNode& parent, std::string text) {
  if (parent.tree_ != this) throw std::invalid_argument("the node is not one of " + Name());
  parent.children_.push_back(std::unique_ptr<TreeNode>(new TreeNode(this, &parent, std::move(text))));
  Changed(Property::Nodes);
  return *parent.children_.back();
}

void TreeView::Clear() {
  const bool hadSelection = selected_ != nullptr;
  selected_ = nullptr;
  roots_.clear();
  Changed(Property::Nodes);
  if (hadSelection) Changed(Property::Selected);
}

int TreeView::Count() const { return CountNodes(roots_); }

TreeNode& TreeView::Item(int absoluteIndex) const {
  int index = absoluteIndex;
  TreeNode* node = absoluteIndex < 0 ? nullptr : NodeAt(roots_, index);
  if (!node) throw std::out_of_range("no node " + std::to_string(absoluteIndex) + " in " + Name());
  return *node;
}

void TreeView::SetSelected(TreeNode* node) {
  if (node && node->tree_ != this) throw std::invalid_argument("the node is not one of " + Name());
  if (selected_ == node) return;
  selected_ = node;
  Changed(Property::Selected);
  if (OnChange) OnChange(*this, node);
}

#define UI_TREE_SETTER(Setter, member)  \
  void TreeView::Setter(bool value) {   \
    if (member == value) return;        \
    member = value;                     \
    Changed(Property::Appearance);      \
  }
UI_TREE_SETTER(SetReadOnly, readOnly_)
UI_TREE_SETTER(SetRowSelect, rowSelect_)
UI_TREE_SETTER(SetShowLines, showLines_)
UI_TREE_SETTER(SetShowRoot, showRoot_)
UI_TREE_SETTER(SetHideSelection, hideSelection_)
#undef UI_TREE_SETTER

void TreeView::SetIndent(int value) {
  if (indent_ == value) return;
  indent_ = value;
  Changed(Property::Appearance);
}

}  // namespace ui
