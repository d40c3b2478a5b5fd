// How a single-line edit shows the control bytes of its text in the escape
// notation, and how what a person leaves in it on screen is read back: what
// the person did not touch keeps its bytes; what the person typed is read in
// the notation in an edit whose value goes on the wire, and kept exactly as
// typed in any other.
#include <gtest/gtest.h>

#include <string>

#include "platform/ui/ControlNotation.h"
#include "platform/ui/UserActions.h"

namespace {

TEST(ControlNotation, ControlBytesShowByTheirNames) {
  struct Case {
    const char* name;
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"plain", "OK 12", "OK 12"},
      {"Polish letters", "\xB9\xE6\xEA\xB3", "\xB9\xE6\xEA\xB3"},
      {"separator bytes by their names", std::string("A\x1C" "B\x1D", 4), "A<FS>B<#$1D>"},
      {"line break put there by code", "x\r\ny", "x<CR><LF>y"},
      {"the zero byte and the tab as the system names them", std::string("a\0b\t", 4), "a<EOF>b<WCK>"},
      {"a byte without a name in hexadecimal", "\x0B", "<#$0B>"},
      {"delete", "\x7F", "<#$7F>"},
      {"the protocol's own marks stay as they are", "@;", "@;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ui::ShowControlBytes(c.text), c.shown);
    for (bool notation : {true, false}) {
      EXPECT_EQ(ui::ReadShownText(c.shown, c.text, notation), c.text) << "untouched";
    }
    EXPECT_EQ(ui::ReadShownText(c.shown, "", true), c.text) << "typed afresh in the notation";
  }
}

TEST(ControlNotation, EveryByteSurvivesAnEdit) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string shown = ui::ShowControlBytes(all);
  for (char c : shown) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << static_cast<int>(c);
  EXPECT_EQ(ui::ReadShownText(shown, "", true), all);
  for (bool notation : {true, false}) EXPECT_EQ(ui::ReadShownText(shown + "Z", all, notation), all + "Z");
}

// What a person leaves in an edit, read against the text the edit showed.
TEST(ControlNotation, APersonsEditKeepsWhatItDidNotTouch) {
  struct Case {
    const char* name;
    std::string before;  // the model's text the edit showed
    std::string shown;   // what the person left
    std::string notation;  // read in an edit of a wire value
    std::string typed;     // read in any other edit
  };
  const Case cases[] = {
      {"typing after a separator byte", "\x1C", "<FS>x", "\x1Cx", "\x1Cx"},
      {"typing before it", "\x1C", "x<FS>", "x\x1C", "x\x1C"},
      {"replacing it", "\x1C", ";", ";", ";"},
      {"a name typed into an empty edit", "", "<FS>", "\x1C", "<FS>"},
      {"a name and text typed", "", "<ACK>x", "\x06x", "<ACK>x"},
      {"the name's last key typed after the rest", "<FS", "<FS>", "\x1C", "<FS>"},
      {"the name's first key typed before the rest", "FS>", "<FS>", "\x1C", "<FS>"},
      {"hexadecimal in either case", "", "<#$1d><#$1E><#$5>", "\x1D\x1E\x05", "<#$1d><#$1E><#$5>"},
      {"the notation of a flow item's data stays text", "<ENQ>", "<ENQ>x", "<ENQ>x", "<ENQ>x"},
      {"text like a name stays text when edited elsewhere", "<STX> name", "<STX> names", "<STX> names",
       "<STX> names"},
      {"a name broken by the person is plain text", "A\x1C", "A<FS", "A<FS", "A<FS"},
      {"an unknown name is plain text", "", "<XYZ><#$>", "<XYZ><#$>", "<XYZ><#$>"},
      {"a line break typed by its name", "", "a<CR>", "a\r", "a<CR>"},
      {"Polish letters typed", "a", "a\xBF", "a\xBF", "a\xBF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ui::ReadShownText(c.shown, c.before, true), c.notation);
    EXPECT_EQ(ui::ReadShownText(c.shown, c.before, false), c.typed);
  }
}

// The user-level call: the edit's own kind decides how typing is read; a
// person cannot type a line break itself, nor into a read-only edit.
TEST(ControlNotation, TypingAsShownFollowsTheEdit) {
  ui::Frame frame;
  ui::Edit& id = frame.Add<ui::Edit>("IDED");
  ui::Edit& separator = frame.Add<ui::Edit>("SeparatorED");
  separator.SetReadsNotation(true);
  int changes = 0;
  id.OnChange = [&](ui::Control&) { ++changes; };
  ui::TypeShown(id, "<ACK>x");
  ui::TypeShown(separator, "<ACK>x");
  EXPECT_EQ(id.Text(), "<ACK>x");
  EXPECT_EQ(separator.Text(), "\x06x");
  EXPECT_EQ(changes, 1);
  id.SetText("\r");
  ui::TypeShown(id, ui::ShowControlBytes(id.Text()) + "1");
  EXPECT_EQ(id.Text(), "\r1");
  EXPECT_THROW(ui::TypeShown(id, "a\nb"), ui::ActionRefused);
  separator.SetReadOnly(true);
  EXPECT_THROW(ui::TypeShown(separator, "x"), ui::ActionRefused);
  EXPECT_EQ(id.Text(), "\r1");
  EXPECT_EQ(separator.Text(), "\x06x");
}

}  // namespace
