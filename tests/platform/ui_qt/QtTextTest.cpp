// Texts between the system's code page and the widgets: Polish letters, the
// escape notation of control bytes in single-line edits and the line breaks of
// memos, each row both ways.
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

TEST(QtTextTest, SingleLineTextsShowControlBytesInTheEscapeNotation) {
  const TextCase cases[] = {
      {"plain", "OK 12", "OK 12"},
      {"Polish letters", "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF \xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF",
       "ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ"},
      {"separator bytes by their names", std::string("A\x1C" "B\x1D", 4), "A<FS>B<#$1D>"},
      {"line break put there by code", "x\r\ny", "x<CR><LF>y"},
      {"the zero byte and the tab as the system names them", std::string("a\0b\t", 4), "a<EOF>b<WCK>"},
      {"a byte without a name in hexadecimal", "\x0B", "<#$0B>"},
      {"delete", "\x7F", "<#$7F>"},
      {"the protocol's own marks stay as they are", "@;", "@;"},
      {"undefined positions keep their number", "\x81\x98", "\u0081\u0098"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString shown = LineFromAnsi(c.ansi);
    EXPECT_EQ(shown, QString::fromUtf8(c.shown));
    EXPECT_EQ(LineToAnsi(shown, c.ansi), c.ansi);
    EXPECT_EQ(LineToAnsi(shown), c.ansi) << "typed afresh";
  }
}

TEST(QtTextTest, EveryByteSurvivesASingleLineEdit) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const QString shown = LineFromAnsi(all);
  EXPECT_EQ(LineToAnsi(shown), all);
  EXPECT_EQ(LineToAnsi(shown + "Z", all), all + "Z");
  for (QChar c : shown) EXPECT_TRUE(c.isPrint() || c.unicode() >= 0x80) << "invisible " << static_cast<int>(c.unicode());
}

// What a person leaves in an edit, read against the text the edit showed:
// what the person did not touch keeps its bytes, what the person typed is
// read in the notation.
TEST(QtTextTest, APersonsEditKeepsWhatItDidNotTouch) {
  struct Case {
    const char* name;
    std::string before;  // the model's text the edit showed
    const char* shown;   // UTF-8 of what the person left
    std::string after;
  };
  const Case cases[] = {
      {"typing after a separator byte", "\x1C", "<FS>x", "\x1Cx"},
      {"typing before it", "\x1C", "x<FS>", "x\x1C"},
      {"replacing it", "\x1C", ";", ";"},
      {"a name typed into an empty edit", "", "<FS>", "\x1C"},
      {"the name's last key typed after the rest", "<FS", "<FS>", "\x1C"},
      {"the name's first key typed before the rest", "FS>", "<FS>", "\x1C"},
      {"hexadecimal in either case", "", "<#$1d><#$1E><#$5>", "\x1D\x1E\x05"},
      {"the notation of a flow item's data stays text", "<ENQ>", "<ENQ>x", "<ENQ>x"},
      {"text like a name stays text when edited elsewhere", "<STX> name", "<STX> names", "<STX> names"},
      {"a name broken by the person is plain text", "A\x1C", "A<FS", "A<FS"},
      {"an unknown name is plain text", "", "<XYZ><#$>", "<XYZ><#$>"},
      {"Polish letters typed", "a", "aż", "a\xBF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LineToAnsi(QString::fromUtf8(c.shown), c.before), c.after);
  }
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
