#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/version_block.h"
#include "settings/settings.h"
#include "settings/text.h"
#include "startup/command_line.h"
#include "startup/startup.h"
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
const ArgumentCase kArguments[] = {
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
  for (const ArgumentCase& c : kArguments) {
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

const std::string kLongDir = "C:\\" + std::string(200, 'w');
const std::string kLongName = std::string(70, 'n');

// Argument 0 gives the program, its settings file and the installed copy's
// path; one that is no full path, unreadable or too long gives way to the
// module's own path (C:\Tools), so the settings path never ends up empty,
// which would mean win.ini.
TEST(Paths, FormedFromArgumentZero) {
  const struct {
    std::string commandLine, windowsDir, modulePath;
    std::string expected;  // settings | program | name | installed copy | running installed
  } cases[] = {
      {"\"C:\\Program Files\\Q\\quorvane.exe\" /?", "C:\\WINDOWS", "",
       "C:\\Program Files\\Q\\quorvane.ini|C:\\Program Files\\Q\\quorvane.exe|quorvane|C:\\WINDOWS\\quorvane.exe|0"},
      {"C:\\Tools\\q.exe", "C:\\WINDOWS\\", "", "C:\\Tools\\q.ini|C:\\Tools\\q.exe|q|C:\\WINDOWS\\q.exe|0"},
      {"C:\\WINDOWS\\quorvane.exe", "C:\\WINDOWS", "",
       "C:\\WINDOWS\\quorvane.ini|C:\\WINDOWS\\quorvane.exe|quorvane|C:\\WINDOWS\\quorvane.exe|1"},
      {"c:\\windows\\quorvane.exe", "C:\\WINDOWS", "",
       "c:\\windows\\quorvane.ini|c:\\windows\\quorvane.exe|quorvane|C:\\WINDOWS\\quorvane.exe|0"},
      {"C:\\bin\\Prog", "C:\\WINDOWS", "", "C:\\bin\\Pini|C:\\bin\\Prog||C:\\WINDOWS\\Prog|0"},  // no extension
      {"\\\\srv\\t\\quorvane.exe", "C:\\W", "", "\\\\srv\\t\\quorvane.ini|\\\\srv\\t\\quorvane.exe|quorvane|C:\\W\\quorvane.exe|0"},
      {"quorvane.exe /?", "C:\\W", "", "C:\\Tools\\quorvane.ini|C:\\Tools\\quorvane.exe|quorvane|C:\\W\\quorvane.exe|0"},
      {"quorvane /?", "C:\\W", "", "C:\\Tools\\quorvane.ini|C:\\Tools\\quorvane.exe|quorvane|C:\\W\\quorvane.exe|0"},
      {"..\\q\\quorvane.exe x", "C:\\W", "", "C:\\Tools\\quorvane.ini|C:\\Tools\\quorvane.exe|quorvane|C:\\W\\quorvane.exe|0"},
      {"a:\\q.exe", "C:\\W", "", "a:\\q.ini|a:\\q.exe|q|C:\\W\\q.exe|0"},  // the first and last letters
      {"Z:\\q.exe", "C:\\W", "", "Z:\\q.ini|Z:\\q.exe|q|C:\\W\\q.exe|0"},
      {"\\q\\quorvane.exe", "C:\\W", "", "C:\\Tools\\quorvane.ini|C:\\Tools\\quorvane.exe|quorvane|C:\\W\\quorvane.exe|0"},
      {"C:quorvane.exe", "C:\\W", "", "C:\\Tools\\quorvane.ini|C:\\Tools\\quorvane.exe|quorvane|C:\\W\\quorvane.exe|0"},
      {"\"C:\\Odd\\quorvane.exe /x", "C:\\W", "C:\\Real\\quorvane.exe",
       "C:\\Real\\quorvane.ini|C:\\Real\\quorvane.exe|quorvane|C:\\W\\quorvane.exe|0"},
      {"C:\\" + std::string(300, 'p') + "\\q.exe", "C:\\W", "C:\\PROGRA~1\\q.exe", "C:\\PROGRA~1\\q.ini|C:\\PROGRA~1\\q.exe|q|C:\\W\\q.exe|0"},
      {"\"odd", "C:\\W", std::string(400, 'm'), "||||0"},  // the module path does not fit
      {"q.exe", "C:\\W", std::string(400, 'm'), "||||0"},
      // The Windows directory plus the name would pass 259: refused, not cut.
      {"C:\\" + kLongName + ".exe", kLongDir, "", "C:\\" + kLongName + ".ini|C:\\" + kLongName + ".exe|" + kLongName + "||0"},
      {"C:\\abcd.exe", "C:\\" + std::string(247, 'w'), "",
       "C:\\abcd.ini|C:\\abcd.exe|abcd|C:\\" + std::string(247, 'w') + "\\abcd.exe|0"},  // 259 fits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commandLine);
    test::FakePlatform fake;
    ResetProcessState();
    fake.commandLine = c.commandLine;
    fake.windowsDir = c.windowsDir;
    if (!c.modulePath.empty()) fake.modulePath = c.modulePath;
    FormPaths();
    const SettingsRecord& s = Settings;
    EXPECT_EQ(std::string(s.IniPath) + "|" + s.ProgramPath + "|" + s.ProgramName + "|" + s.InstalledPath + "|" +
                  std::to_string(s.RunningInstalled),
              c.expected);
    EXPECT_EQ(std::string(s.QuotedProgramPath), "\"" + std::string(s.ProgramPath) + "\"");
    EXPECT_EQ(std::string(s.WindowsDir), c.windowsDir.back() == '\\' ? c.windowsDir : c.windowsDir + "\\");
  }
}

#define OWN "C:\\Downloads\\quorvane."
#define WIN "C:\\WINDOWS\\quorvane."
#define ASK_COPY "box General Options Not Set: Do You Wanna make a copy of this Program into Windows Directory? | "
#define ASK_UPGRADE "box Confirm Overwrite older version: Do You Wanna Upgrade the Program that exists in Windows Directory? | "
#define COPY_EXE "copy " OWN "exe -> " WIN "exe | "
#define COPY_INI "copy " OWN "ini -> " WIN "ini | "
#define RELAUNCH "start " WIN "exe /? | "
#define COPY_FAILED "box Error on file copy: There was an error while coping "

enum class Copy { None, Foreign, NoBlock, Older, Same, Newer };
enum Twist { kPlain, kOwnUnversioned, kCopyFails, kVersionsAsText, kFromInstalled, kFromOtherCase, kLongWindowsDir, kArgument };

void Version(test::FakeFile& f, const char* internalName, const char* version) {
  f.hasVersionBlock = true;
  f.version[QV_STRING_VALUE("InternalName")] = internalName;
  f.version[QV_STRING_VALUE("FileVersion")] = version;
}

struct InstallCase {
  const char* name;
  Copy installed;
  int updateMode;
  Twist twist;
  std::vector<int> answers;
  const char* trace;
  StartupEnd end;
  int modeAfter;  // in the own settings file
};

const InstallCase kInstalls[] = {
    {"first install", Copy::None, 1, kPlain, {6}, ASK_COPY COPY_EXE COPY_INI RELAUNCH, StartupEnd::Installed, 1},
    {"foreign copy", Copy::Foreign, 1, kPlain, {}, "", StartupEnd::Unattended, 1},
    {"no version block", Copy::NoBlock, 1, kPlain, {}, "", StartupEnd::Unattended, 1},
    {"older copy keeps its settings", Copy::Older, 1, kPlain, {6}, ASK_UPGRADE COPY_EXE RELAUNCH, StartupEnd::Installed, 1},
    {"older copy, mode 2 takes the settings", Copy::Older, 2, kPlain, {6}, ASK_UPGRADE COPY_EXE COPY_INI RELAUNCH, StartupEnd::Installed, 2},
    {"same version", Copy::Same, 1, kPlain, {}, "", StartupEnd::Unattended, 1},
    {"newer installed", Copy::Newer, 2, kPlain, {}, "", StartupEnd::Unattended, 2},
    {"mode 0 never asks", Copy::None, 0, kPlain, {}, "", StartupEnd::Unattended, 0},
    {"mode 300 reads as 44: copy mode, not 2", Copy::Older, 300, kPlain, {6}, ASK_UPGRADE COPY_EXE RELAUNCH, StartupEnd::Installed, 300},
    {"no to copying", Copy::None, 2, kPlain, {7}, ASK_COPY, StartupEnd::Unattended, 0},
    {"no to upgrading", Copy::Older, 2, kPlain, {7}, ASK_UPGRADE, StartupEnd::Unattended, 0},
    {"copy question not shown", Copy::None, 1, kPlain, {0}, ASK_COPY, StartupEnd::Unattended, 1},
    {"upgrade question not shown", Copy::Older, 1, kPlain, {0}, ASK_UPGRADE, StartupEnd::Unattended, 1},
    {"running program unversioned: copies unasked", Copy::Older, 1, kOwnUnversioned, {}, COPY_EXE RELAUNCH, StartupEnd::Installed, 1},
    {"failed copies reported, copy started anyway", Copy::None, 1, kCopyFails, {6},
     ASK_COPY COPY_EXE COPY_FAILED "program file | " COPY_INI COPY_FAILED ".Ini file | " RELAUNCH, StartupEnd::Installed, 1},
    {"versions compare as text", Copy::Older, 1, kVersionsAsText, {}, "", StartupEnd::Unattended, 1},
    {"the installed copy never installs itself", Copy::Same, 1, kFromInstalled, {}, "", StartupEnd::Unattended, 1},
    {"the installed copy under other case", Copy::Same, 1, kFromOtherCase, {}, "", StartupEnd::Unattended, 1},
    {"no target path", Copy::None, 1, kLongWindowsDir, {}, "", StartupEnd::Unattended, 1},
    {"started with an argument: asked all the same", Copy::Older, 1, kArgument, {6}, ASK_UPGRADE COPY_EXE RELAUNCH, StartupEnd::Installed, 1},
};

TEST(SelfInstall, DecisionTable) {
  for (const InstallCase& c : kInstalls) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fake;
    ResetProcessState();
    fake.commandLine = "\"" OWN "exe\"";
    if (c.twist == kFromInstalled) fake.commandLine = WIN "exe";
    if (c.twist == kFromOtherCase) fake.commandLine = "c:\\windows\\quorvane.exe";
    if (c.twist == kArgument) fake.commandLine += " /?";
    if (c.twist == kLongWindowsDir) fake.windowsDir = "C:\\" + std::string(250, 'w');
    fake.copyFails = c.twist == kCopyFails;
    fake.File(OWN "exe").content = "new program";
    if (c.twist != kOwnUnversioned) Version(fake.File(OWN "exe"), "Quorvane", "1.2005,06,10");
    const std::string ini = "; keep\r\n[MAIN]\r\nUpdateMode=" + std::to_string(c.updateMode) + "\r\nOther=x\r\n";
    fake.Ini(OWN "ini") = ini;
    if (c.twist == kFromInstalled || c.twist == kFromOtherCase) fake.Ini(WIN "ini") = ini;
    if (c.installed != Copy::None) {
      test::FakeFile& f = fake.File(WIN "exe");
      f.content = "installed program";
      const char* versions[] = {"", "0.1", "", "1.2004,12,31", "1.2005,06,10", "1.2005,06,11"};
      const int kind = static_cast<int>(c.installed);
      if (c.installed != Copy::NoBlock) Version(f, kind == 1 ? "Something Else" : "Quorvane", versions[kind]);
      if (c.twist == kVersionsAsText) {
        Version(f, "Quorvane", "1.9");
        Version(fake.File(OWN "exe"), "Quorvane", "1.10");
      }
    }
    fake.answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_EQ(Startup(), c.end);
    std::string trace;  // each event ends in a separator, as the pieces above do
    for (const std::string& event : fake.log) trace += event + " | ";
    EXPECT_EQ(trace, c.trace);
    EXPECT_EQ(Settings.RunningInstalled, c.twist == kFromInstalled ? 1 : 0);
    std::string mode;
    test::IniLookup(fake.Ini(OWN "ini"), "MAIN", "UpdateMode", &mode);
    EXPECT_EQ(mode, std::to_string(c.modeAfter));
    EXPECT_EQ(fake.Ini(OWN "ini").find("; keep\r\n[MAIN]\r\nUpdateMode="), 0u);  // the rest kept
    // At log-on nobody is looking for the boxes: they ask to come to the front.
    for (const auto& box : fake.boxes) {
      EXPECT_EQ(box.flags, (box.caption[0] == 'E' ? 0u : 0x24u) | (c.twist == kArgument ? 0 : 0x10000u));
    }
    for (const auto& start : fake.starts) {
      EXPECT_EQ(start.directory + std::to_string(start.show), "C:\\WINDOWS\\10");
    }
    if (c.end == StartupEnd::Installed && c.twist != kCopyFails) {
      EXPECT_EQ(fake.File(WIN "exe").content, "new program");
    }
  }
}

TEST(ModeSelection, ArgumentOrShiftOpensTheSetupDialog) {
#define Q "\"C:\\Q\\quorvane.exe\""
  const struct {
    const char* commandLine;
    uint16_t shift;
    StartupEnd end;
  } cases[] = {
      {Q, 0, StartupEnd::Unattended},          {Q " /?", 0, StartupEnd::SetupDialog},
      {Q " \"a b\"", 0, StartupEnd::SetupDialog}, {Q " ", 0, StartupEnd::Unattended},  // empty: none
      {Q " \"\"", 0, StartupEnd::Unattended},     {"\"C:\\Q\\quorvane.exe x", 0, StartupEnd::Unattended},  // odd quotes
      {Q " x", 0, StartupEnd::SetupDialog},
      // Shift down sets the high bit; the toggle bit alone does not count.
      {Q, 0xFF80, StartupEnd::SetupDialog},    {Q, 0xFF81, StartupEnd::SetupDialog},  // down, toggled
      {Q, 0x8000, StartupEnd::SetupDialog},    {Q, 0x8001, StartupEnd::SetupDialog},
      {Q, 1, StartupEnd::Unattended},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commandLine);
    test::FakePlatform fake;
    ResetProcessState();
    fake.commandLine = c.commandLine;
    fake.shift = c.shift;
    fake.Ini("C:\\Q\\quorvane.ini") = "[MAIN]\r\nUpdateMode=0\r\n";
    UiState.UiMode = 9;
    EXPECT_EQ(Startup(), c.end);
    // The run-mode flag travels in the UpdateMode byte.
    EXPECT_EQ(Settings.UpdateMode, c.end == StartupEnd::Unattended ? 1 : 0);
    EXPECT_EQ(UiState.UiMode, 0);
    EXPECT_EQ(fake.Trace(), "");
  }
}

}  // namespace
}  // namespace qv
