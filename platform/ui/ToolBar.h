// Actions and tool bars of the headless model: an image list of glyphs, an
// action list of named actions (caption, hint, image, shortcut, OnExecute), and
// a tool bar whose buttons run an action or their own OnClick.
//
// Action.OnExecute fires only when a person runs the action: clicking a tool
// button bound to it or pressing its shortcut (UserActions.h). A disabled
// action cannot be run, and its buttons are disabled with it.
#pragma once

#include <cstdint>

#include "platform/ui/Control.h"

namespace ui {

// Glyphs for tool buttons and actions: each image is Width x Height pixels,
// 0xAARRGGBB, row by row. An image may be left empty (a renderer then draws
// its own placeholder).
class COM_API ImageList : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::ImageList; }
  int ImageWidth() const { return imageWidth_; }
  int ImageHeight() const { return imageHeight_; }
  void SetImageSize(int width, int height);
  int Count() const { return static_cast<int>(images_.size()); }
  // Returns the new image's index.
  int AddImage(std::vector<std::uint32_t> pixels);
  const std::vector<std::uint32_t>& Image(int index) const;

 private:
  int imageWidth_ = 16;
  int imageHeight_ = 16;
  std::vector<std::vector<std::uint32_t>> images_;
};

// A key with its modifiers, as the toolkit's shortcuts: the virtual key code
// in the low byte and these bits.
using ShortCut = std::uint16_t;
constexpr ShortCut scShift = 0x2000;
constexpr ShortCut scCtrl = 0x4000;
constexpr ShortCut scAlt = 0x8000;

class COM_API Action : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::Action; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index);
  ShortCut Shortcut() const { return shortcut_; }
  void SetShortcut(ShortCut shortcut);

  NotifyEvent OnExecute;
  // Runs OnExecute (no checks); returns whether it has a handler.
  bool Execute();

 private:
  std::string caption_;
  int imageIndex_ = -1;
  ShortCut shortcut_ = 0;
};

// Actions are its children, created with Add<Action>(name).
class COM_API ActionList : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::ActionList; }
  ImageList* Images() const { return images_; }
  void SetImages(ImageList* images);
  std::vector<Action*> Actions() const;

 private:
  ImageList* images_ = nullptr;
};

// A button of a tool bar: bound to an action it shows (caption, hint, image,
// enabled state) and runs; without one it shows its own and fires OnClick.
class COM_API ToolButton : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::ToolButton; }
  Action* BoundAction() const { return action_; }
  void SetAction(Action* action);
  const std::string& Caption() const;
  void SetCaption(std::string caption);
  int ImageIndex() const;
  void SetImageIndex(int index);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);

  NotifyEvent OnClick;
  // What a click does, without the checks of a person's action: the action's
  // OnExecute, or OnClick without an action.
  void PerformClick();

 private:
  Action* action_ = nullptr;
  std::string caption_;
  int imageIndex_ = -1;
  bool showHint_ = false;
};

// Tool buttons are its children, created with Add<ToolButton>(name).
class COM_API ToolBar : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::ToolBar; }
  ImageList* Images() const { return images_; }
  void SetImages(ImageList* images);
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  std::vector<ToolButton*> Buttons() const;

 private:
  ImageList* images_ = nullptr;
  bool flat_ = false;
};

}  // namespace ui
