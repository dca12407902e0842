#include <gtest/gtest.h>

#include <string>

#include "settings/text.h"
#include "startup/command_line.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

struct ArgumentCase {
  const char* line;
  unsigned index;
  int code;
  const char* expected;  // destination afterwards
};

// Each row: a command line, the argument asked for, and what comes back.
const ArgumentCase kCases[] = {
    {"\"C:\\Program Files\\Q\\quorvane.exe\" /?", 0, 1, "C:\\Program Files\\Q\\quorvane.exe"},
    {"\"C:\\Program Files\\Q\\quorvane.exe\" /?", 1, 1, "/?"},
    {"\"C:\\Program Files\\Q\\quorvane.exe\" /?", 2, 2, ""},
    {"prog", 1, 2, ""},
    {"prog ", 1, 4, ""},        // a trailing blank opens one more, empty argument
    {"prog ", 2, 2, ""},
    {"prog   ", 1, 4, ""},
    {"   prog  a   b", 0, 1, "prog"},  // leading blanks are skipped
    {"   prog  a   b", 2, 1, "b"},
    {"prog \"\"", 1, 4, ""},    // two quotes alone: an empty argument
    {"prog \"\" x", 2, 1, "x"},
    {"prog a\"b c\"d e", 1, 1, "ab cd"},  // quotes group, then vanish
    {"prog a\"b c\"d e", 2, 1, "e"},
    {"prog \"a\tb\"", 1, 1, "a b"},      // a quoted tab comes back as a space
    {"prog\ta\tb", 2, 1, "b"},           // unquoted tabs separate
    {"prog a\xFE" "b", 1, 1, "a b"},     // 0xFE anywhere reads as a space
    {"prog \"a\xFE" "b\"", 1, 1, "a b"},
    {"", 0, 4, ""},
    {"   ", 0, 4, ""},
    {"   ", 1, 2, ""},
    {"\"\"", 0, 4, ""},
    // Odd quotes: nothing can be read, and the destination is left alone.
    {"\"C:\\a b\\q.exe /x", 0, 3, "untouched"},
    {"\"C:\\a b\\q.exe /x", 5, 3, "untouched"},
    {"prog a\"b\"c\"", 0, 3, "untouched"},
};

TEST(CommandLine, TableOfLines) {
  for (const ArgumentCase& c : kCases) {
    char dest[kTextSize] = "untouched";
    EXPECT_EQ(ExtractArgument(c.line, c.index, dest, sizeof dest), c.code)
        << "line [" << c.line << "] argument " << c.index;
    EXPECT_STREQ(dest, c.expected) << "line [" << c.line << "] argument " << c.index;
  }
}

// Lines far beyond any fixed working buffer parse the same as short ones.
TEST(CommandLine, LongLinesParseWholeAndCutOnlyTheDestination) {
  const std::string deep = "C:\\" + std::string(150, 'd') + "\\quorvane.exe";
  const std::string line = "\"" + deep + "\" " + std::string(1900, 'x') + " last";
  ASSERT_GT(line.size(), 2000u);

  char dest[kTextSize];
  bool cut = true;
  EXPECT_EQ(ExtractArgument(line.c_str(), 0, dest, sizeof dest, &cut), 1);
  EXPECT_EQ(std::string(dest), deep);
  EXPECT_FALSE(cut);

  EXPECT_EQ(ExtractArgument(line.c_str(), 1, dest, sizeof dest, &cut), 1);
  EXPECT_EQ(std::string(dest), std::string(259, 'x'));
  EXPECT_TRUE(cut);

  EXPECT_EQ(ExtractArgument(line.c_str(), 2, dest, sizeof dest, &cut), 1);
  EXPECT_STREQ(dest, "last");
  EXPECT_FALSE(cut);

  EXPECT_EQ(ExtractArgument(line.c_str(), 3, dest, sizeof dest), 2);
}

TEST(CommandLine, ReadsTheProcessCommandLine) {
  test::FakePlatform fake;
  fake.commandLine = "\"Z:\\x y\\quorvane.exe\" \"/a b\"";
  char dest[kTextSize];
  EXPECT_EQ(GetCommandLineArgument(1, dest), 1);
  EXPECT_STREQ(dest, "/a b");
}

}  // namespace
}  // namespace qv
