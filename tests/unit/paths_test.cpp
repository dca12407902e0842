#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "startup/startup.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

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
      {"C:quorvane.exe", "C:\\W", "", "C:\\Tools\\quorvane.ini|C:\\Tools\\quorvane.exe|quorvane|C:\\W\\quorvane.exe|0"},
      {"\"C:\\Odd\\quorvane.exe /x", "C:\\W", "C:\\Real\\quorvane.exe",
       "C:\\Real\\quorvane.ini|C:\\Real\\quorvane.exe|quorvane|C:\\W\\quorvane.exe|0"},
      {"C:\\" + std::string(300, 'p') + "\\q.exe", "C:\\W", "C:\\PROGRA~1\\q.exe", "C:\\PROGRA~1\\q.ini|C:\\PROGRA~1\\q.exe|q|C:\\W\\q.exe|0"},
      {"\"odd", "C:\\W", std::string(400, 'm'), "||||0"},  // the module path does not fit
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

TEST(Paths, FileExistsAsksTheFileSystem) {
  test::FakePlatform fake;
  fake.File("C:\\Here\\a.txt");
  EXPECT_EQ(FileExists("c:\\here\\A.TXT"), 1);
  EXPECT_EQ(FileExists("C:\\Here\\b.txt"), 0);
}

}  // namespace
}  // namespace qv
