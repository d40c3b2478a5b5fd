#include "platform/ui/ControlNotation.h"

#include <utility>
#include <vector>

namespace ui {

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

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte that the notation at AT of TEXT stands for, with the length of its
// piece; length 0 when there is none.
std::pair<size_t, char> PieceAt(std::string_view text, size_t at) {
  if (at >= text.size() || text[at] != '<') return {0, 0};
  const std::string_view rest = text.substr(at);
  for (int b = 0; b < 32; ++b)
    if (kNames[b] && rest.starts_with(kNames[b])) return {std::string_view(kNames[b]).size(), static_cast<char>(b)};
  if (rest.size() < 5 || !rest.starts_with("<#$")) return {0, 0};
  int value = 0;
  size_t digits = 0;
  while (digits < 2 && 3 + digits < rest.size() && HexDigit(rest[3 + digits]) >= 0)
    value = value * 16 + HexDigit(rest[3 + digits++]);
  if (digits == 0 || 3 + digits >= rest.size() || rest[3 + digits] != '>') return {0, 0};
  return {4 + digits, static_cast<char>(value)};
}

void AppendShown(std::string& out, unsigned char b) {
  if (b < 0x20 && kNames[b]) {
    out += kNames[b];
  } else if (IsControl(b)) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "<#$";
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
    out.push_back('>');
  } else {
    out.push_back(static_cast<char>(b));
  }
}

// Reads TEXT in the notation.
std::string Read(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (const auto [length, byte] = PieceAt(text, i); length > 0) {
      out.push_back(byte);
      i += length;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

}  // namespace

std::string ShowControlBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendShown(out, static_cast<unsigned char>(c));
  return out;
}

std::string ReadShownText(std::string_view now, std::string_view before, bool notation) {
  // What BEFORE showed, with where each of its bytes starts.
  std::string old;
  std::vector<size_t> starts;
  for (char c : before) {
    starts.push_back(old.size());
    AppendShown(old, static_cast<unsigned char>(c));
  }
  starts.push_back(old.size());
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
  if (notation) {
    // A name the person completes next to plain text that holds its other
    // part is read whole: the changed part reaches back to an open "<" and on
    // to a ">" that closes it, shown as themselves close by.
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
  }
  const size_t from = starts[kept], to = now.size() - (old.size() - starts[back]);
  std::string out(before.substr(0, kept));
  if (to > from) {
    const std::string_view typed = now.substr(from, to - from);
    out += notation ? Read(typed) : std::string(typed);
  }
  out += before.substr(back);
  return out;
}

}  // namespace ui
