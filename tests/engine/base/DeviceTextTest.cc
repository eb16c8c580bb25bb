// Device text in the form each sink takes: escaped control characters and bytes that are not
// UTF-8, a width that holds, and DOT labels that dot can turn into valid XML.
#include <gtest/gtest.h>

#include "engine/base/DeviceText.h"

namespace {

struct TextCase {
  const char* what;
  std::string text;
  std::size_t width;
  std::string terminal;
};

TEST(DeviceTextTest, TerminalFormEscapesAndCutsAndDotLabelsNeverCarryAReference) {
  const TextCase cases[] = {
      {"plain text stays", "Port 1:1 uplink", 32, "Port 1:1 uplink"},
      {"line breaks and tab", "a\r\nb\tc", 0, "a\\r\\nb\\tc"},
      {"terminal escape and NUL", std::string("\x1b[2J\0x", 6), 0, "\\x1b[2J\\x00x"},
      {"DEL and C1 control", "a\x7f\xc2\x85", 0, "a\\x7f\\u0085"},
      {"bidirectional override", "ab\xe2\x80\xae", 0, "ab\\u202e"},
      {"UTF-8 kept", "B\xc3\xbcro", 4, "B\xc3\xbcro"},
      {"bytes that are not UTF-8", "\xff\xc0\x80\xed\xa0\x80", 0, "\\xff\\xc0\\x80\\xed\\xa0\\x80"},
      {"cut with an ellipsis", std::string(10240, 'x'), 8, "xxxxx..."},
      {"cut counts characters", "\xc3\xbc\xc3\xbc\xc3\xbc\xc3\xbc\xc3\xbc", 4, "\xc3\xbc..."},
      {"an escape is never split", "ab\ncdef", 5, "ab..."},
      {"tiny widths count as four", "abcdef", 1, "a..."},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(disco::TerminalText(c.text, c.width), c.terminal) << c.what;
  }
  // A DOT label quotes, and its '&' can never start a character reference.
  EXPECT_EQ(disco::DotLabelText("a\"b\\N\n&#1;", 0), "a\\\"b\\\\N\\\\n&amp;#1;");
  EXPECT_EQ(disco::DotLabelText(std::string(100, 'y'), 10), "yyyyyyy...");
}

}  // namespace
