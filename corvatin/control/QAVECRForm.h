// The control's window: a borderless 32x32 form showing the control's icon,
// which owns the driver engine. The window never changes its size (every resize
// request is answered with 32x32) and is not shown at run time; a click on it is
// passed to the control, which fires its event.
//
// The form is headless: its state is what a renderer would mirror, and a host or
// a test drives it through the same calls a person's actions would make
// (SetBounds for a resize in a designer, Click for a click).
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace corvatin {

class TQAVECRObj;

class TQAVECRForm {
 public:
  static constexpr int kSize = 32;

  // The image component of the form: the control's icon at 0,0 over the whole
  // window, stretched, with a transparent background.
  struct ImageComponent {
    int left = 0;
    int top = 0;
    int width = kSize;
    int height = kSize;
    bool stretch = true;
    bool transparent = true;
  };

  // Builds the window at 32x32 and then the engine, owned by the form. Throws
  // when the engine cannot be made.
  TQAVECRForm();
  // A form with the engine given (none for a form without an engine).
  explicit TQAVECRForm(std::unique_ptr<TQAVECRObj> engine);
  ~TQAVECRForm();
  TQAVECRForm(const TQAVECRForm&) = delete;
  TQAVECRForm& operator=(const TQAVECRForm&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  bool Visible() const { return visible_; }
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  const ImageComponent& Image() const { return image_; }

  // Moves and resizes the window: the position is taken, the size is what the
  // can-resize handler allows.
  void SetBounds(int left, int top, int width, int height);
  // A click on the window; runs OnClick when set.
  void Click();
  std::function<void()> OnClick;

  // The engine (null for a form without one).
  TQAVECRObj* Engine() const { return engine_.get(); }

 private:
  // Answers a resize request: every request becomes 32x32, allowed.
  bool FormCanResize(int& newWidth, int& newHeight);

  std::string name_ = "QAVECRForm";
  std::string caption_ = "QAVECRForm";
  bool visible_ = false;
  int left_ = 0;
  int top_ = 0;
  int width_ = kSize;
  int height_ = kSize;
  ImageComponent image_;
  std::unique_ptr<TQAVECRObj> engine_;
};

}  // namespace corvatin
