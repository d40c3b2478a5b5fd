// Texts between the system's code page and the widgets: Polish letters, the
// control pictures of single-line edits and the line breaks of memos, each
// row both ways.
#include <gtest/gtest.h>

#include <QString>

#include "platform/ui/qt/QtText.h"

// Under the leak checker: the font caches that fontconfig keeps for the life
// of the process once Qt lays out text are not memory of this system.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace ui::qt {
namespace {

struct TextCase {
  const char* name;
  std::string ansi;
  const char* shown;  // UTF-8 of what the widget shows
};

TEST(QtTextTest, SingleLineTextsRoundTrip) {
  const TextCase cases[] = {
      {"plain", "OK 12", "OK 12"},
      {"Polish letters", "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF \xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF",
       "ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ"},
      {"separator bytes as pictures", std::string("A\x1D" "B\x1E", 4), "A\u241DB\u241E"},
      {"line break put there by code", "x\r\ny", "x\u240D\u240Ay"},
      {"the zero byte", std::string("a\0b", 3), "a\u2400b"},
      {"delete", "\x7F", "\u2421"},
      {"undefined positions keep their number", "\x81\x98", "\u0081\u0098"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString shown = LineFromAnsi(c.ansi);
    EXPECT_EQ(shown, QString::fromUtf8(c.shown));
    EXPECT_EQ(LineToAnsi(shown), c.ansi);
  }
}

TEST(QtTextTest, EveryByteSurvivesASingleLineEdit) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const QString shown = LineFromAnsi(all);
  EXPECT_EQ(LineToAnsi(shown), all);
  for (QChar c : shown) EXPECT_TRUE(c.isPrint() || c.unicode() >= 0x80) << "invisible " << static_cast<int>(c.unicode());
}

TEST(QtTextTest, MultiLineTextsUseOneLineBreakInTheWidget) {
  struct Case {
    const char* name;
    std::string ansi;
    const char* shown;
    std::string back;
  };
  const Case cases[] = {
      {"CR LF", "a\r\nb", "a\nb", "a\r\nb"},
      {"lone LF and lone CR", "a\nb\rc", "a\nb\nc", "a\r\nb\r\nc"},
      {"empty lines kept", "a\r\n\r\nb", "a\n\nb", "a\r\n\r\nb"},
      {"tab stays a tab", "a\tb", "a\tb", "a\tb"},
      {"Polish letters", "\xA3\xF3\x64\x9F", "Łódź", "\xA3\xF3\x64\x9F"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LinesFromAnsi(c.ansi), QString::fromUtf8(c.shown));
    EXPECT_EQ(LinesToAnsi(QString::fromUtf8(c.shown)), c.back);
  }
}

TEST(QtTextTest, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(ToAnsi(QString::fromUtf8("a€b✓")), "a\x80" "b?");
  EXPECT_EQ(LineToAnsi(QString::fromUtf8("日")), "?");
}

}  // namespace
}  // namespace ui::qt
