// Texts between the system's code page and the widgets: Polish letters, the
// escape notation of control bytes in single-line edits (read back by the
// forms layer, tests/platform/ui/ControlNotationTest.cpp) and the line breaks
// of memos.
#include <gtest/gtest.h>

#include <QString>

#include "platform/ui/ControlNotation.h"
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
    EXPECT_EQ(ToAnsi(shown), ShowControlBytes(c.ansi)) << "read back as the forms layer shows it";
  }
}

TEST(QtTextTest, EveryByteOfASingleLineEditShows) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const QString shown = LineFromAnsi(all);
  EXPECT_EQ(ReadShownText(ToAnsi(shown), "", true), all);
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
  EXPECT_EQ(ToAnsi(QString::fromUtf8("日")), "?");
}

}  // namespace
}  // namespace ui::qt
