#include "platform/ui/qt/QtText.h"

#include "platform/com/ansi.h"

namespace ui::qt {

namespace {

constexpr char16_t kPictures = 0x2400;  // SYMBOL FOR NULL; 0x01..0x1F follow it
constexpr char16_t kDeletePicture = 0x2421;

}  // namespace

QString FromAnsi(std::string_view text) {
  const std::u16string wide = AnsiToWide(text);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

std::string ToAnsi(const QString& text) {
  return WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                        static_cast<size_t>(text.size())));
}

QString LineFromAnsi(std::string_view text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20)
      out.append(QChar(static_cast<char16_t>(kPictures + b)));
    else if (b == 0x7F)
      out.append(QChar(kDeletePicture));
    else
      out.append(QChar(AnsiCharToWide(b)));
  }
  return out;
}

std::string LineToAnsi(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (QChar q : text) {
    const char16_t c = q.unicode();
    if (c >= kPictures && c < kPictures + 0x20)
      out.push_back(static_cast<char>(c - kPictures));
    else if (c == kDeletePicture)
      out.push_back('\x7F');
    else
      out.push_back(WideCharToAnsi(c));
  }
  return out;
}

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
