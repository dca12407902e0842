#include <gtest/gtest.h>

#include <string>

#include "mapping/macros.h"
#include "settings/settings.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

TEST(FindText, ResultTable) {
  const struct {
    int start;
    const char* text;
    const char* pattern;
    int result;
  } cases[] = {
      {1, "abc", "abc", -1},  // a text that is exactly the pattern: not found
      {1, "ab", "abc", -1},   {1, "", "", -1},         {1, "xabc", "abc", 2},
      {2, "xabc", "abc", 2},  {3, "xabc", "abc", -2},  // past the last possible start
      {1, "xyz", "ab", 0},    {0, "xabc", "abc", -2},  // start below 1, whatever the texts
      {0, "abc", "abc", -2},  {-5, "", "x", -2},       {1, "abab", "ab", 1},
      {2, "abab", "ab", 3},   {3, "abab", "ab", 3},    {1, "aaab", "aab", 2},
      {1, "ABC", "bc", 0},  // case-sensitive
  };
  for (const auto& c : cases) {
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
    Version()["ProgramFilesDir"] = "C:\\Program Files";
  }
  std::map<std::string, std::string>& Version() {
    return fake.registry["Software\\Microsoft\\Windows\\CurrentVersion"];
  }
  std::string Expand(const std::string& in) {
    char text[kTextSize];
    CopyText(text, in.c_str());
    ExpandMacros(text);
    return text;
  }
  test::FakePlatform fake;
};

// Sunday 6 December 2026, 02:45:08, nothing loaded yet.
TEST_F(Macros, EveryMacroAndWhatIsNone) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"%YEAR%-%MONTH%-%DAY% %HOUR%:%MINUTE%:%SECOND% %WEEKDAY%", "2026-12-06 02:45:08 1"},
      {"%DATE%%TIME% %YEAR%", "20261206024508 2026"},
      {"[%DRIVE%|%SHARE%] %ERRORCODE%", "[|] 0"},
      {"%ERRORTEXT%", "The operation completed successfully.\r\n"},
      {"%PROGRAMDIR%|%PROGRAMNAME%|%PROGRAMFILES%", "C:\\Tools\\Q\\|quorvane|C:\\Program Files\\"},
      {"%SYSTEMDIR%|%SYSTEMDRIVE%|%TEMPDIR%|%WINDIR%", "C:\\WINDOWS\\system32\\|C:\\|C:\\TEMP\\|C:\\WINDOWS\\"},
      {"\\\\srv\\%USERNAME%$\\%COMPUTERNAME%", "\\\\srv\\anna$\\DESK-7"},
      {"%month% %FOO% 100% % %% %YEAR YEAR%", "%month% %FOO% 100% % %% %YEAR YEAR%"},
      {"", ""},
      {"%%YEAR%%", "%2026%"},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.in), c.out) << c.in;
  EXPECT_EQ(fake.clockReads, 10);  // one reading per text, so its parts agree
  fake.log.clear();
  Expand("no macros here %FOO%");
  EXPECT_EQ(fake.Trace(), "");  // nothing asked for macros the text does not hold
}

TEST_F(Macros, ClockPartsArePaddedAndWeekdaysCountFromSunday) {
  fake.now = {987, 1, 6, 2, 0, 3, 9, 999};  // a Saturday
  EXPECT_EQ(Expand("%YEAR% %MONTH% %DAY% %HOUR% %MINUTE% %SECOND% %WEEKDAY% %DATE% %TIME%"),
            "987 01 02 00 03 09 7 9870102 000309");
}

// A value inserted by a row is expanded by the later rows, never by the
// earlier ones; a value holding its own name is inserted once per occurrence.
TEST_F(Macros, InsertedValuesMeetOnlyTheLaterRows) {
  CopyText(Settings.ShareAddress, "\\\\srv\\%USERNAME%\\%YEAR%");
  EXPECT_EQ(Expand("%SHARE%"), "\\\\srv\\anna\\%YEAR%");
  fake.userName = "%WINDIR%%DATE%";
  EXPECT_EQ(Expand("%USERNAME%"), "C:\\WINDOWS\\%DATE%");
  CopyText(Settings.ShareAddress, "\\\\srv\\%SHARE%\\x");
  EXPECT_EQ(Expand("%SHARE%"), "\\\\srv\\%SHARE%\\x");
  EXPECT_EQ(Expand("[%SHARE%]-%SHARE%"), "[\\\\srv\\%SHARE%\\x]-\\\\srv\\%SHARE%\\x");
  ExpandMacros(Settings.ShareAddress);
  EXPECT_STREQ(Settings.ShareAddress, "\\\\srv\\\\\\srv\\%SHARE%\\x\\x");
  fake.userName = "%USERNAME%%USERNAME%";
  EXPECT_EQ(Expand("a%USERNAME%b"), "a%USERNAME%%USERNAME%b");
}

TEST_F(Macros, ErrorCodesAsSignedDecimalAndTheirTexts) {
  const struct {
    uint32_t code;
    const char* expanded;
  } cases[] = {
      {1326, "1326 The user name or password is incorrect.\r\n"},
      {0x80070005u, "-2147024891 -2147024891"},  // no text: the number
      {0x80000000u, "-2147483648 -2147483648"},
      {0xFFFFFFFFu, "-1 -1"},
      {53, "53 53"},
  };
  for (const auto& c : cases) {
    RunState.LastErrorCode = c.code;
    EXPECT_EQ(Expand("%ERRORCODE% %ERRORTEXT%"), c.expanded);
  }
}

// Directories as the system gives them: a backslash only where missing, and
// nothing where a query fails.
TEST_F(Macros, DirectoriesAndFailedQueries) {
  Version()["ProgramFilesDir"] = "D:\\Apps\\";
  fake.systemDir = "C:\\WINDOWS\\system32\\";
  fake.tempDir = "C:\\TEMP";
  CopyText(Settings.ProgramPath, "quorvane.exe");
  EXPECT_EQ(Expand("%PROGRAMFILES%|%SYSTEMDIR%|%TEMPDIR%|%PROGRAMDIR%"),
            "D:\\Apps\\|C:\\WINDOWS\\system32\\|C:\\TEMP|");
  fake.queriesFail = true;
  EXPECT_EQ(Expand("[%USERNAME%|%COMPUTERNAME%|%SYSTEMDIR%|%SYSTEMDRIVE%|%TEMPDIR%]"), "[||||]");
  // An unreadable program files folder leaves the macro.
  Version().erase("ProgramFilesDir");
  EXPECT_EQ(Expand("%PROGRAMFILES%x"), "%PROGRAMFILES%x");
  fake.registry.erase("Software\\Microsoft\\Windows\\CurrentVersion");
  EXPECT_EQ(Expand("%PROGRAMFILES%x"), "%PROGRAMFILES%x");
  EXPECT_EQ(fake.keysOpen, 0);
}

// Expansion never writes past 259 characters: what would not fit is cut.
TEST_F(Macros, ResultsAreCutAt259Characters) {
  fake.userName = std::string(200, 'u');
  EXPECT_EQ(Expand(std::string(100, 'a') + "%USERNAME%tail"), std::string(100, 'a') + std::string(159, 'u'));
  CopyText(Settings.ShareAddress, std::string(259, 's').c_str());
  EXPECT_EQ(Expand("%SHARE%%SHARE%"), std::string(259, 's'));
  EXPECT_EQ(Expand("ab%SHARE%"), "ab" + std::string(257, 's'));
  std::string many, expected;  // shrinking replacements all through a full text
  for (int i = 0; i < 43; ++i) many += "%YEAR%", expected += "2026";
  EXPECT_EQ(Expand(many), expected);
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
