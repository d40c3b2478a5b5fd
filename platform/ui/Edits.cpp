#include "platform/ui/Edits.h"

namespace ui {

namespace {

// Splits at CR LF, LF or CR; a line break at the very end only ends the last
// line, and an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace

void CustomEdit::SetReadOnly(bool readOnly) {
  if (readOnly_ == readOnly) return;
  readOnly_ = readOnly;
  Changed(Property::ReadOnly);
}

void CustomEdit::TextChanged() {
  Changed(Property::Text);
  if (OnChange) OnChange(*this);
}

void Edit::SetText(std::string_view text) {
  if (text_ == text) return;
  text_ = text;
  TextChanged();
}

std::string Memo::Text() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) text += "\r\n";
    text += lines_[i];
  }
  return text;
}

void Memo::SetText(std::string_view text) { SetLines(SplitLines(text)); }

void Memo::SetLines(std::vector<std::string> lines) {
  if (lines_ == lines) return;
  lines_ = std::move(lines);
  TextChanged();
}

void Memo::AddLine(std::string line) {
  lines_.push_back(std::move(line));
  TextChanged();
}

void Memo::ClearLines() { SetLines({}); }

void Memo::SetWordWrap(bool wrap) {
  if (wordWrap_ == wrap) return;
  wordWrap_ = wrap;
  Changed(Property::Appearance);
}

void Memo::SetScrollBars(ScrollBars bars) {
  if (scrollBars_ == bars) return;
  scrollBars_ = bars;
  Changed(Property::Appearance);
}

void RichEdit::SetFont(std::string name, int height, int charset) {
  if (fontName_ == name && fontHeight_ == height && fontCharset_ == charset) return;
  fontName_ = std::move(name);
  fontHeight_ = height;
  fontCharset_ = charset;
  Changed(Property::Appearance);
}

}  // namespace ui
