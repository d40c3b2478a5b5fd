#include "platform/ui/qt/QtText.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/com/ansi.h"

namespace ui::qt {

namespace {

// The names of the control bytes, as the editors write them (0 is "<EOF>" and
// 9 "<WCK>" there); bytes without a name are written "<#$" hex ">".
constexpr const char* kNames[32] = {
    "<EOF>", "<SOH>", "<STX>", "<ETX>", "<EOT>", "<ENQ>", "<ACK>", "<BEL>", "<BS>",  "<WCK>", "<LF>",
    nullptr, "<FF>",  "<CR>",  "<SO>",  nullptr, "<DLE>", "<DC1>", nullptr, "<DC3>", "<DC4>", "<NAK>",
    nullptr, "<ETB>", "<CAN>", nullptr, nullptr, "<ESC>", "<FS>",  nullptr, nullptr, nullptr};
// The longest piece of the notation: "<#$" two digits ">".
constexpr size_t kLongest = 6;

bool IsControl(unsigned char b) { return b < 0x20 || b == 0x7F; }

int HexDigit(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte that the notation at AT of TEXT stands for, with the length of its
// piece; length 0 when there is none.
std::pair<size_t, char> PieceAt(std::u16string_view text, size_t at) {
  if (at >= text.size() || text[at] != u'<') return {0, 0};
  const std::u16string_view rest = text.substr(at);
  for (int b = 0; b < 32; ++b) {
    if (!kNames[b]) continue;
    const std::string_view name = kNames[b];
    if (rest.size() >= name.size() && std::equal(name.begin(), name.end(), rest.begin()))
      return {name.size(), static_cast<char>(b)};
  }
  if (rest.size() < 5 || rest.substr(0, 3) != u"<#$") return {0, 0};
  int value = 0;
  size_t digits = 0;
  while (digits < 2 && 3 + digits < rest.size() && HexDigit(rest[3 + digits]) >= 0)
    value = value * 16 + HexDigit(rest[3 + digits++]);
  if (digits == 0 || 3 + digits >= rest.size() || rest[3 + digits] != u'>') return {0, 0};
  return {4 + digits, static_cast<char>(value)};
}

void AppendShown(std::u16string& out, unsigned char b) {
  if (b < 0x20 && kNames[b]) {
    for (const char* p = kNames[b]; *p; ++p) out.push_back(static_cast<char16_t>(*p));
  } else if (IsControl(b)) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out.append(u"<#$");
    out.push_back(static_cast<char16_t>(kHex[b >> 4]));
    out.push_back(static_cast<char16_t>(kHex[b & 15]));
    out.push_back(u'>');
  } else {
    out.push_back(AnsiCharToWide(b));
  }
}

// Reads TEXT in the notation.
std::string Read(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (const auto [length, byte] = PieceAt(text, i); length > 0) {
      out.push_back(byte);
      i += length;
    } else {
      out.push_back(WideCharToAnsi(text[i++]));
    }
  }
  return out;
}

std::u16string_view View(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

}  // namespace

QString FromAnsi(std::string_view text) {
  const std::u16string wide = AnsiToWide(text);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

std::string ToAnsi(const QString& text) { return WideToAnsi(View(text)); }

QString LineFromAnsi(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) AppendShown(out, static_cast<unsigned char>(c));
  return QString(reinterpret_cast<const QChar*>(out.data()), static_cast<qsizetype>(out.size()));
}

std::string LineToAnsi(const QString& shown, std::string_view before) {
  // What BEFORE showed, with where each of its bytes starts.
  std::u16string old;
  std::vector<size_t> starts;
  for (char c : before) {
    starts.push_back(old.size());
    AppendShown(old, static_cast<unsigned char>(c));
  }
  starts.push_back(old.size());
  const std::u16string_view now = View(shown);
  // The bytes whose pieces are unchanged at the start (first bytes 0 to kept)
  // and at the end (from back on).
  size_t same = 0;
  while (same < old.size() && same < now.size() && old[same] == now[same]) ++same;
  size_t kept = 0;
  while (kept + 1 < starts.size() && starts[kept + 1] <= same) ++kept;
  size_t tail = 0;
  while (tail < old.size() - starts[kept] && tail < now.size() - starts[kept] &&
         old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
    ++tail;
  size_t back = before.size();
  while (back > kept && old.size() - starts[back - 1] <= tail) --back;
  // A name the person completes next to plain text that holds its other part
  // is read whole: the changed part reaches back to an open "<" and on to a
  // ">" that closes it, shown as themselves close by.
  auto plain = [&](size_t i) { return !IsControl(static_cast<unsigned char>(before[i])); };
  for (size_t i = kept; i > 0 && kept - i < kLongest - 1 && plain(i - 1) && before[i - 1] != '>'; --i)
    if (before[i - 1] == '<') {
      kept = i - 1;
      break;
    }
  for (size_t i = back; i < before.size() && i - back < kLongest - 1 && plain(i) && before[i] != '<'; ++i)
    if (before[i] == '>') {
      back = i + 1;
      break;
    }
  const size_t from = starts[kept], to = now.size() - (old.size() - starts[back]);
  std::string out(before.substr(0, kept));
  if (to > from) out += Read(now.substr(from, to - from));
  out += before.substr(back);
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
