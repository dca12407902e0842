#include <gtest/gtest.h>

#include <string>

#include "mapping/macros.h"
#include "settings/settings.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

struct FindCase {
  int start;
  const char* text;
  const char* pattern;
  int result;
};

const FindCase kFindCases[] = {
    {1, "abc", "abc", -1},   // a text that is exactly the pattern: not found
    {1, "ab", "abc", -1},
    {1, "", "", -1},
    {1, "xabc", "abc", 2},
    {2, "xabc", "abc", 2},
    {3, "xabc", "abc", -2},  // past the last possible start
    {1, "xyz", "ab", 0},
    {0, "xabc", "abc", -2},  // start below 1, whatever the texts
    {0, "abc", "abc", -2},
    {-5, "", "x", -2},
    {1, "abab", "ab", 1},
    {2, "abab", "ab", 3},    // leftmost at or after start
    {3, "abab", "ab", 3},
    {1, "aaab", "aab", 2},   // first byte matches early, whole match later
    {1, "ABC", "bc", 0},     // case-sensitive
};

TEST(FindText, ResultTable) {
  for (const FindCase& c : kFindCases) {
    EXPECT_EQ(FindText(c.start, c.text, c.pattern), c.result)
        << c.start << " [" << c.text << "] [" << c.pattern << "]";
  }
}

class Macros : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState();
    CopyText(Settings.ProgramPath, "C:\\Tools\\Q\\quorvane.exe");
    CopyText(Settings.ProgramName, "quorvane");
    CopyText(Settings.WindowsDir, "C:\\WINDOWS\\");
    fake.registry["Software\\Microsoft\\Windows\\CurrentVersion"]["ProgramFilesDir"] =
        "C:\\Program Files";
  }

  std::string Expand(const std::string& in) {
    char text[kTextSize];
    CopyText(text, in.c_str());
    ExpandMacros(text);
    return text;
  }

  test::FakePlatform fake;
};

TEST_F(Macros, EveryMacroAtAFixedClockReading) {
  // Sunday 6 December 2026, 02:45:08.
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"%YEAR%", "2026"},
      {"%MONTH%", "12"},
      {"%DAY%", "06"},
      {"%DATE%", "20261206"},
      {"%HOUR%", "02"},
      {"%MINUTE%", "45"},
      {"%SECOND%", "08"},
      {"%TIME%", "024508"},
      {"%WEEKDAY%", "1"},
      {"%DATE%%TIME%", "20261206024508"},
      {"%YEAR%-%YEAR%", "2026-2026"},
      {"%DRIVE%|%SHARE%", "|"},  // nothing loaded yet
      {"%ERRORCODE%", "0"},
      {"%ERRORTEXT%", "The operation completed successfully.\r\n"},
      {"%PROGRAMDIR%", "C:\\Tools\\Q\\"},
      {"%PROGRAMFILES%", "C:\\Program Files\\"},
      {"%PROGRAMNAME%", "quorvane"},
      {"%SYSTEMDIR%", "C:\\WINDOWS\\system32\\"},
      {"%SYSTEMDRIVE%", "C:\\"},
      {"%TEMPDIR%", "C:\\TEMP\\"},
      {"%USERNAME%", "anna"},
      {"%COMPUTERNAME%", "DESK-7"},
      {"%WINDIR%", "C:\\WINDOWS\\"},
      {"\\\\srv\\%USERNAME%$\\%YEAR%", "\\\\srv\\anna$\\2026"},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.in), c.out) << c.in;
}

TEST_F(Macros, ClockPartsArePaddedAndWeekdaysCountFromSunday) {
  fake.now = {987, 1, 6, 2, 0, 3, 9, 999};  // a Saturday
  EXPECT_EQ(Expand("%YEAR% %MONTH% %DAY% %HOUR% %MINUTE% %SECOND% %WEEKDAY%"),
            "987 01 02 00 03 09 7");
  EXPECT_EQ(Expand("%DATE% %TIME%"), "9870102 000309");
}

TEST_F(Macros, OneClockReadingPerCall) {
  Expand("%DATE% %DAY% %TIME% %YEAR%");
  EXPECT_EQ(fake.clockReads, 1);
  Expand("%DAY%");
  EXPECT_EQ(fake.clockReads, 2);
}

TEST_F(Macros, TextsWithoutMacrosStayAsTheyAre) {
  for (const char* s : {"%month%", "%FOO%", "100%", "%", "%%", "%YEAR", "YEAR%",
                        "", "plain text", "%%YEAR%%"}) {
    const std::string expected = std::string(s) == "%%YEAR%%" ? "%2026%" : s;
    EXPECT_EQ(Expand(s), expected) << s;
  }
}

// A value inserted by a row is expanded by the later rows, never by the
// earlier ones.
TEST_F(Macros, InsertedValuesMeetOnlyTheLaterRows) {
  CopyText(Settings.ShareAddress, "\\\\srv\\%USERNAME%\\%YEAR%");
  EXPECT_EQ(Expand("%SHARE%"), "\\\\srv\\anna\\%YEAR%");
  fake.userName = "%WINDIR%%DATE%";
  EXPECT_EQ(Expand("%USERNAME%"), "C:\\WINDOWS\\%DATE%");
}

TEST_F(Macros, ErrorCodesAsSignedDecimalAndTheirTexts) {
  const struct {
    uint32_t code;
    const char* number;
    const char* text;
  } cases[] = {
      {0, "0", "The operation completed successfully.\r\n"},
      {1326, "1326", "The user name or password is incorrect.\r\n"},
      {0x80070005u, "-2147024891", "-2147024891"},  // no text: the number
      {0x80000000u, "-2147483648", "-2147483648"},
      {0xFFFFFFFFu, "-1", "-1"},
      {53, "53", "53"},
  };
  for (const auto& c : cases) {
    RunState.LastErrorCode = c.code;
    EXPECT_EQ(Expand("%ERRORCODE%"), c.number);
    EXPECT_EQ(Expand("%ERRORTEXT%"), c.text);
  }
}

TEST_F(Macros, DirectoryBackslashRules) {
  auto& cv = fake.registry["Software\\Microsoft\\Windows\\CurrentVersion"];
  cv["ProgramFilesDir"] = "D:\\Apps\\";
  EXPECT_EQ(Expand("%PROGRAMFILES%"), "D:\\Apps\\");
  fake.systemDir = "C:\\WINDOWS\\system32\\";
  EXPECT_EQ(Expand("%SYSTEMDIR%"), "C:\\WINDOWS\\system32\\");
  EXPECT_EQ(Expand("%SYSTEMDRIVE%"), "C:\\");
  fake.tempDir = "C:\\TEMP";  // as the system gives it: nothing added
  EXPECT_EQ(Expand("%TEMPDIR%"), "C:\\TEMP");
  CopyText(Settings.ProgramPath, "quorvane.exe");
  EXPECT_EQ(Expand("[%PROGRAMDIR%]"), "[]");
}

TEST_F(Macros, UnreadableProgramFilesLeavesTheMacro) {
  fake.registry.erase("Software\\Microsoft\\Windows\\CurrentVersion");
  EXPECT_EQ(Expand("%PROGRAMFILES%x"), "%PROGRAMFILES%x");
  fake.registry["Software\\Microsoft\\Windows\\CurrentVersion"];  // key, no value
  EXPECT_EQ(Expand("%PROGRAMFILES%x"), "%PROGRAMFILES%x");
  fake.registryDenied = true;
  EXPECT_EQ(Expand("%PROGRAMFILES%"), "%PROGRAMFILES%");
}

TEST_F(Macros, FailedQueriesInsertNothing) {
  fake.queriesFail = true;
  EXPECT_EQ(Expand("[%USERNAME%|%COMPUTERNAME%|%SYSTEMDIR%|%SYSTEMDRIVE%|%TEMPDIR%]"),
            "[||||]");
}

TEST_F(Macros, NoQueriesForMacrosTheTextDoesNotHold) {
  fake.registryDenied = false;
  Expand("no macros here %FOO%");
  EXPECT_TRUE(fake.log.empty());
  Expand("%PROGRAMFILES%");
  EXPECT_FALSE(fake.log.empty());
}

// Expansion never writes past 259 characters: what would not fit is cut.
TEST_F(Macros, ResultsAreCutAt259Characters) {
  fake.userName = std::string(200, 'u');
  const std::string text = std::string(100, 'a') + "%USERNAME%" + "tail";
  const std::string out = Expand(text);
  EXPECT_EQ(out.size(), 259u);
  EXPECT_EQ(out, std::string(100, 'a') + std::string(159, 'u'));

  CopyText(Settings.ShareAddress, std::string(259, 's').c_str());
  EXPECT_EQ(Expand("%SHARE%%SHARE%"), std::string(259, 's'));
  EXPECT_EQ(Expand("ab%SHARE%"), "ab" + std::string(257, 's'));

  // Shrinking replacements all through a full text.
  std::string many, expected;
  for (int i = 0; i < 43; ++i) {
    many += "%YEAR%";
    expected += "2026";
  }
  EXPECT_EQ(Expand(many), expected);
}

// A value holding its own name is inserted once per occurrence and the
// expansion ends.
TEST_F(Macros, SelfReferenceEnds) {
  CopyText(Settings.ShareAddress, "\\\\srv\\%SHARE%\\x");
  EXPECT_EQ(Expand("%SHARE%"), "\\\\srv\\%SHARE%\\x");  // exactly the name
  EXPECT_EQ(Expand("[%SHARE%]"), "[\\\\srv\\%SHARE%\\x]");
  EXPECT_EQ(Expand("%SHARE%-%SHARE%"), "\\\\srv\\%SHARE%\\x-\\\\srv\\%SHARE%\\x");
  // The share address expanding itself, as the mapping run does.
  ExpandMacros(Settings.ShareAddress);
  EXPECT_STREQ(Settings.ShareAddress, "\\\\srv\\\\\\srv\\%SHARE%\\x\\x");
  fake.userName = "%USERNAME%%USERNAME%";
  EXPECT_EQ(Expand("a%USERNAME%b"), "a%USERNAME%%USERNAME%b");
}

TEST(ReplaceText, WholeTextEveryOccurrenceAndEmptyValues) {
  char text[kTextSize] = "%X%";
  ReplaceText(text, "%X%", "value");
  EXPECT_STREQ(text, "value");
  CopyText(text, "a%X%b%X%c");
  ReplaceText(text, "%X%", "");
  EXPECT_STREQ(text, "abc");
  CopyText(text, "%X%%X%%X%");
  ReplaceText(text, "%X%", "%X");  // forms new names only across its edges
  EXPECT_STREQ(text, "%X%X%X");
}

}  // namespace
}  // namespace qv
