#include "zelvani/model/TextHelpers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zelvani/model/Errors.h"

using namespace std::string_literals;

namespace zelvani {
namespace {

// Runs F and returns the text of the EConvertError it throws ("" if none).
template <typename F>
std::string ConvertErrorText(F f) {
  try {
    f();
  } catch (const EConvertError& e) {
    return e.what();
  }
  return {};
}

std::string RowText(const NationalLetterRow& row) { return std::string(row.begin(), row.end()); }

TEST(TextHelpersTest, TrimRemovesBytesUpToBlankFromBothEnds) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(Trim("\0x\0"s), "x");
  EXPECT_EQ(Trim("\xA0x!"), "\xA0x!");
}

TEST(TextHelpersTest, ControlCharsToText) {
  struct Row { std::string in, out; };
  const Row rows[] = {
      {"\x02" "A@;\x0B\x03", "<STX>A<RVI>;<#$0B><ETX>"},
      {"\0\x09"s, "<EOF><WCK>"},
      {"\x1F\x1A", "<#$1F><#$1A>"},
      {"<STX>\x7F\xB9\xFF", "<STX>\x7F\xB9\xFF"},
      {"", ""},
  };
  for (const Row& r : rows) EXPECT_EQ(ControlCharsToText(r.in), r.out) << r.out;
}

TEST(TextHelpersTest, TextToControlChars) {
  struct Row { std::string in, out; };
  const Row rows[] = {
      {"<#$3b>", ";"},
      {"<#$3B>", ";"},
      {"<#$41><#$5>", "A\x05"},
      {"<#$4G>x", "x"},
      {"ab<#$41", "ab"},
      {"<STX", "<STX"},
      {"<stx><Stx>", "<stx><Stx>"},
      {"a<ETX>b<ETX><RVI><EOF>", "a\x03" "b\x03@\0"s},
      {"<#$>", "\0"s},
      {"<#$1FF>", "\xFF"},
      {"<#$1>41>", "\x01" "41>"},
      // A generic escape that yields "<" does not form a mnemonic afterwards...
      {"<#$3C>STX>", "<STX>"},
      // ...but may form a new "<#$" with what stands before it.
      {"<#<#$24>$41>", ""},
      {"<#<#$24>41>", "A"},
  };
  for (const Row& r : rows) EXPECT_EQ(TextToControlChars(r.in), r.out) << r.in;
}

TEST(TextHelpersTest, ControlCharTableWorksBothWays) {
  for (const ControlCharEntry& e : kControlChars) {
    const std::string ch(1, static_cast<char>(e.code));
    EXPECT_EQ(TextToControlChars(e.mnemonic), ch) << e.mnemonic;
    // ";" is below the range that is written as a mnemonic.
    EXPECT_EQ(ControlCharsToText(ch), e.code == ';' ? ";" : std::string(e.mnemonic));
  }
}

TEST(TextHelpersTest, EscapesRoundTripOverAllBytes) {
  std::string all;
  for (int c = 0; c < 256; ++c) {
    const std::string one(1, static_cast<char>(c));
    EXPECT_EQ(TextToControlChars(ControlCharsToText(one)), one) << c;
    all += one;
  }
  const std::string text = ControlCharsToText(all);
  for (char c : text) EXPECT_TRUE(static_cast<unsigned char>(c) >= 32 && c != '@');
  EXPECT_EQ(TextToControlChars(text), all);
}

TEST(TextHelpersTest, HexCharToInt) {
  const std::string digits = "0123456789ABCDEF";
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(HexCharToInt(digits[i]), i);
    EXPECT_EQ(HexCharToInt(static_cast<char>(std::tolower(digits[i]))), i);
  }
  EXPECT_EQ(ConvertErrorText([] { HexCharToInt('G'); }), "Invalid hex char (#71)");
  EXPECT_EQ(ConvertErrorText([] { HexCharToInt('\xB9'); }), "Invalid hex char (#185)");
}

TEST(TextHelpersTest, HexToInt) {
  struct Row { std::string in; std::uint32_t out; };
  const Row rows[] = {
      {"", 0}, {"0", 0}, {"ff", 255}, {"1Ab", 0x1AB},
      {"FFFFFFFF", 0xFFFFFFFFu}, {"123456789", 0x23456789u},
  };
  for (const Row& r : rows) EXPECT_EQ(HexToInt(r.in), r.out) << r.in;
  EXPECT_EQ(ConvertErrorText([] { HexToInt("1G"); }), "Invalid hex string (1G)");
}

TEST(TextHelpersTest, ConvertCodePageBetweenMemoryAndWire) {
  EXPECT_EQ(ConvertCodePage("\xB9", kCodePageWindows1250, kCodePage852), "\xA5");
  EXPECT_EQ(ConvertCodePage("\xA5", kCodePage852, kCodePageWindows1250), "\xB9");
  // Each character is converted once: B9 -> A5, while A5 itself -> A4.
  EXPECT_EQ(ConvertCodePage("x\xB9\xA5y", 0, 2), "x\xA5\xA4y");
  // A4 is in row 2 but not in row 0, so it stays.
  EXPECT_EQ(ConvertCodePage("\xA4", 0, 2), "\xA4");
  EXPECT_EQ(ConvertCodePage("", 0, 2), "");
  EXPECT_EQ(ConvertCodePage("\xB9", 0, 20), "\xB9");
  EXPECT_EQ(ConvertCodePage("\xB9", -1, 2), "\xB9");
}

TEST(TextHelpersTest, ConvertCodePageEveryRowBothWays) {
  const std::string memory = RowText(kNationalChars[0]);
  for (int r = 0; r < static_cast<int>(kCodePageCount); ++r) {
    const std::string row = RowText(kNationalChars[static_cast<std::size_t>(r)]);
    EXPECT_EQ(ConvertCodePage(memory, 0, r), row) << r;
    EXPECT_EQ(ConvertCodePage(row, r, 0), memory) << r;
  }
}

TEST(TextHelpersTest, GetToken) {
  struct Row { std::string s; int n; std::string out; };
  const Row rows[] = {
      {"a;b;c", 0, "a"}, {"a;b;c", 1, "b"}, {"a;b;c", 2, ""}, {"a;b;c;", 2, "c"},
      {"a;b;c;", 3, ""}, {"a;;c;", 1, ""}, {"a;b;", -1, ""}, {"", 0, ""},
  };
  for (const Row& r : rows) EXPECT_EQ(GetToken(r.s, r.n, ';'), r.out) << r.s << " " << r.n;
}

TEST(TextHelpersTest, SplitString) {
  struct Row {
    std::string s; int count; std::string sep; bool strict, ok; std::vector<std::string> fields;
  };
  const Row rows[] = {
      {"a;b;", 2, ";", true, true, {"a", "b"}},
      {"a;b", -1, ";", true, false, {}},
      {"a;b", -1, ";", false, true, {"a", "b"}},
      {"a;;b;", 3, ";", true, true, {"a", "", "b"}},
      {"a;b;", 3, ";", true, false, {}},
      {"a;b;", -5, ";", true, true, {"a", "b"}},
      {";", -1, ";", true, true, {""}},
      {"", -1, ";", true, true, {}},
      {"", 1, ";", false, false, {}},
      {"a<>b<>c", -1, "<>", false, true, {"a", "b", "c"}},
      {"a;b", -1, "", false, true, {"a;b"}},
  };
  for (const Row& r : rows) {
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(SplitString(r.s, list, r.count, r.sep, r.strict), r.ok) << r.s;
    EXPECT_EQ(list, r.fields) << r.s;
  }
}

TEST(TextHelpersTest, GetParamValue) {
  struct Row { std::string params, name; std::optional<std::string> out; };
  const Row rows[] = {
      {"Speed=9600;Parity=N", "Speed", "9600"},
      {"Speed=9600;Parity=N", "Parity", "N"},
      {"Speed=9600;Parity=N", "DataBits", std::nullopt},
      {"Speed= ;Parity=N", "Speed", std::nullopt},
      {"Port=COM1|Speed=\t19200 \r\n", "Speed", "19200"},
      {"Port= COM 2 |x", "Port", "COM 2"},
      {"RMUXName=R1;MUXName=M1", "MUXName", "R1"},
      {"speed=9600", "Speed", std::nullopt},
  };
  for (const Row& r : rows) EXPECT_EQ(GetParamValue(r.params, r.name), r.out) << r.params;
}

TEST(TextHelpersTest, HexStrToInt) {
  struct Row { std::string s; bool extend; std::int32_t out; };
  const Row rows[] = {
      {"FF", true, -1}, {"FF", false, 255}, {"7F", true, 127}, {"7F", false, 127},
      {"80", true, -128}, {"8", false, 8}, {"ff", true, -1}, {"", true, 0},
      {"FFFFFFFF", false, -1}, {"80000000", true, INT32_MIN},
      {"123456789", false, 0x23456789}, {"1234567", true, 0x01234567},
  };
  for (const Row& r : rows) EXPECT_EQ(HexStrToInt(r.s, r.extend), r.out) << r.s << " " << r.extend;
}

TEST(TextHelpersTest, HexStrToIntErrorTextShowsPaddedUpperCasedText) {
  EXPECT_EQ(ConvertErrorText([] { HexStrToInt("1G", false); }), "1G is not valid hex value");
  EXPECT_EQ(ConvertErrorText([] { HexStrToInt("1g", true); }), "0000001G is not valid hex value");
  EXPECT_EQ(ConvertErrorText([] { HexStrToInt("x1", true); }), "FFFFFFX1 is not valid hex value");
}

}  // namespace
}  // namespace zelvani
