// Text controls of the headless model: the single-line edit, the memo (lines of
// text) and the rich edit in plain-text mode.
//
// OnChange fires on every change of the text, by a person or by code (setting
// the text it already holds is no change and fires nothing). Lines and Text are
// two views of the same content: Text is the lines joined with CR LF, and
// setting Text splits it at CR LF, LF or CR, a line break at the very end only
// ending the last line.
#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/ControlNotation.h"

namespace ui {

class COM_API CustomEdit : public Control {
 public:
  virtual std::string Text() const = 0;
  // Fires OnChange when the text changes.
  virtual void SetText(std::string_view text) = 0;
  // A read-only control shows its text; a person cannot change it.
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  // Whether a person may type line breaks into it.
  virtual bool MultiLine() const = 0;

  NotifyEvent OnChange;

 protected:
  // After a change of the content: notify, then OnChange.
  void TextChanged();

 private:
  bool readOnly_ = false;
};

class COM_API Edit : public CustomEdit {
 public:
  Edit() { SetColor(clWindow); }
  ControlKind Kind() const override { return ControlKind::Edit; }
  std::string Text() const override { return text_; }
  // The text as it stands: a line break given by code is kept (the home
  // platform's edit keeps it too); a person cannot type one (UserActions.h).
  void SetText(std::string_view text) override;
  bool MultiLine() const override { return false; }
  // A person sees the text with its control bytes in the escape notation
  // (ControlNotation.h). Whether what the person types there is read in the
  // notation: set for an edit whose value goes on the wire (a separator);
  // every other edit keeps exactly the characters typed.
  bool ReadsNotation() const { return readsNotation_; }
  void SetReadsNotation(bool reads) { readsNotation_ = reads; }

 private:
  std::string text_;
  bool readsNotation_ = false;
};

class COM_API Memo : public CustomEdit {
 public:
  Memo() { SetColor(clWindow); }
  ControlKind Kind() const override { return ControlKind::Memo; }
  std::string Text() const override;
  void SetText(std::string_view text) override;
  bool MultiLine() const override { return true; }

  const std::vector<std::string>& Lines() const { return lines_; }
  int LineCount() const { return static_cast<int>(lines_.size()); }
  // Each of these is one change of the text (one OnChange).
  void SetLines(std::vector<std::string> lines);
  void AddLine(std::string line);
  void ClearLines();

  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wrap);
  enum class ScrollBars { None, Horizontal, Vertical, Both };
  ScrollBars Bars() const { return scrollBars_; }
  void SetScrollBars(ScrollBars bars);

 private:
  std::vector<std::string> lines_;
  bool wordWrap_ = true;
  ScrollBars scrollBars_ = ScrollBars::None;
};

// A rich edit used for plain text only: a memo with a font.
class COM_API RichEdit : public Memo {
 public:
  ControlKind Kind() const override { return ControlKind::RichEdit; }
  const std::string& FontName() const { return fontName_; }
  // Height of the characters in pixels.
  int FontHeight() const { return fontHeight_; }
  // The font's character set (238 = Central European).
  int FontCharset() const { return fontCharset_; }
  void SetFont(std::string name, int height, int charset);

 private:
  std::string fontName_ = "MS Sans Serif";
  int fontHeight_ = 13;
  int fontCharset_ = 1;
};

}  // namespace ui
