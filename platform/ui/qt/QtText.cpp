#include "platform/ui/qt/QtText.h"

#include "platform/com/ansi.h"
#include "platform/ui/ControlNotation.h"

namespace ui::qt {

namespace {

std::u16string_view View(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

}  // namespace

QString FromAnsi(std::string_view text) {
  const std::u16string wide = AnsiToWide(text);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

std::string ToAnsi(const QString& text) { return WideToAnsi(View(text)); }

QString LineFromAnsi(std::string_view text) { return FromAnsi(ShowControlBytes(text)); }

QString LinesFromAnsi(std::string_view text) {
  std::string lf;
  lf.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lf.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lf.push_back(text[i]);
    }
  }
  return FromAnsi(lf);
}

std::string LinesToAnsi(const QString& text) {
  const std::string lf = ToAnsi(text);
  std::string crlf;
  crlf.reserve(lf.size());
  for (char c : lf) {
    if (c == '\n') crlf.push_back('\r');
    crlf.push_back(c);
  }
  return crlf;
}

}  // namespace ui::qt
