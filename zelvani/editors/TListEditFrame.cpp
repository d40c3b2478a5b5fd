#include "zelvani/editors/TListEditFrame.h"

namespace zelvani::editors {

namespace {

// A 16 x 16 glyph: a plus, a cross, or an arrow up or down, in dark grey on a
// transparent ground.
std::vector<std::uint32_t> Glyph(int kind) {
  std::vector<std::uint32_t> pixels(16 * 16, 0);
  auto set = [&](int x, int y) { pixels[static_cast<std::size_t>(y * 16 + x)] = 0xFF404040; };
  for (int i = 3; i < 13; ++i) {
    switch (kind) {
      case 0:
        set(i, 7), set(i, 8), set(7, i), set(8, i);
        break;
      case 1:
        set(i, i), set(15 - i, i);
        break;
      case 2:
        set(7, i), set(8, i);
        for (int d = 0; d < 4; ++d) set(7 - d, 3 + d), set(8 + d, 3 + d);
        break;
      default:
        set(7, i), set(8, i);
        for (int d = 0; d < 4; ++d) set(7 - d, 12 - d), set(8 + d, 12 - d);
        break;
    }
  }
  return pixels;
}

struct ActionRow {
  const char* name;
  const char* text;
};
constexpr ActionRow kActions[] = {
    {"InsertItem", "Insert new item"},
    {"DeleteItem", "Delete current item"},
    {"MoveItemUp", "Move current item up"},
    {"MoveItemDown", "Move current item down"},
};

}  // namespace

ListFrameBase::ListFrameBase(const std::string& label, const std::string& tree) {
  AddLabel(*this, "Label12", label, 0, 0);
  auto& images = Add<ui::ImageList>("ImageList");
  for (int i = 0; i < 4; ++i) images.AddImage(Glyph(i));
  actions_ = &Add<ui::ActionList>("ActionList");
  actions_->SetImages(&images);
  toolBar_ = &Add<ui::ToolBar>("ToolBar1");
  toolBar_->SetBounds(0, 16, 149, 22);
  toolBar_->SetFlat(true);
  toolBar_->SetImages(&images);
  int index = 0;
  for (const ActionRow& row : kActions) {
    auto& action = actions_->Add<ui::Action>(row.name);
    action.SetCaption(row.text);
    action.SetHint(row.text);
    action.SetImageIndex(index);
    // The list editors change properties only: the number and order of the
    // items stay as they are.
    action.OnExecute = [](ui::Control&) {};
    auto& button = toolBar_->Add<ui::ToolButton>("ToolButton" + std::to_string(index + 1));
    button.SetAction(&action);
    button.SetShowHint(true);
    ++index;
  }
  tree_ = &Add<ui::TreeView>(tree);
  tree_->SetBounds(0, 40, 149, 330);
  tree_->SetReadOnly(true);
  tree_->SetRowSelect(true);
  tree_->SetShowLines(false);
  tree_->SetShowRoot(false);
  tree_->SetHideSelection(false);
  tree_->SetIndent(19);
  auto& line = Add<ui::Bevel>("Bevel1");
  line.SetShape(ui::Bevel::Shape::LeftLine);
  line.SetBounds(152, 0, 2, 370);
}

}  // namespace zelvani::editors
