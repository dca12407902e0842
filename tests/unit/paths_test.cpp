#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "startup/startup.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

struct PathCase {
  const char* commandLine;
  const char* windowsDir;
  const char* iniPath;
  const char* programPath;
  const char* programName;
  const char* installedPath;
  int runningInstalled;
};

const PathCase kCases[] = {
    {"\"C:\\Program Files\\Q\\quorvane.exe\" /?", "C:\\WINDOWS",
     "C:\\Program Files\\Q\\quorvane.ini", "C:\\Program Files\\Q\\quorvane.exe",
     "quorvane", "C:\\WINDOWS\\quorvane.exe", 0},
    // Already ending in a backslash: none added.
    {"C:\\Tools\\q.exe", "C:\\WINDOWS\\", "C:\\Tools\\q.ini", "C:\\Tools\\q.exe",
     "q", "C:\\WINDOWS\\q.exe", 0},
    // The installed copy, and one differing only in case (not installed).
    {"C:\\WINDOWS\\quorvane.exe", "C:\\WINDOWS", "C:\\WINDOWS\\quorvane.ini",
     "C:\\WINDOWS\\quorvane.exe", "quorvane", "C:\\WINDOWS\\quorvane.exe", 1},
    {"c:\\windows\\quorvane.exe", "C:\\WINDOWS", "c:\\windows\\quorvane.ini",
     "c:\\windows\\quorvane.exe", "quorvane", "C:\\WINDOWS\\quorvane.exe", 0},
    // A full path without extension: the last three characters still give
    // way to "ini".
    {"C:\\bin\\Prog", "C:\\WINDOWS", "C:\\bin\\Pini", "C:\\bin\\Prog", "", "C:\\WINDOWS\\Prog", 0},
    // A network path is a full path too.
    {"\\\\srv\\tools\\quorvane.exe", "C:\\WINDOWS", "\\\\srv\\tools\\quorvane.ini",
     "\\\\srv\\tools\\quorvane.exe", "quorvane", "C:\\WINDOWS\\quorvane.exe", 0},
    // Typed in a console: a bare name, with or without extension, a relative
    // or drive-relative path. The module's own path (C:\Tools) stands in.
    {"quorvane.exe /?", "C:\\WINDOWS", "C:\\Tools\\quorvane.ini", "C:\\Tools\\quorvane.exe",
     "quorvane", "C:\\WINDOWS\\quorvane.exe", 0},
    {"quorvane /?", "C:\\WINDOWS", "C:\\Tools\\quorvane.ini", "C:\\Tools\\quorvane.exe",
     "quorvane", "C:\\WINDOWS\\quorvane.exe", 0},
    {"..\\q\\quorvane.exe x", "C:\\WINDOWS", "C:\\Tools\\quorvane.ini",
     "C:\\Tools\\quorvane.exe", "quorvane", "C:\\WINDOWS\\quorvane.exe", 0},
    {"C:quorvane.exe", "C:\\WINDOWS", "C:\\Tools\\quorvane.ini", "C:\\Tools\\quorvane.exe",
     "quorvane", "C:\\WINDOWS\\quorvane.exe", 0},
};

TEST(Paths, FormedFromArgumentZero) {
  for (const PathCase& c : kCases) {
    test::FakePlatform fake;
    ResetProcessState();
    fake.commandLine = c.commandLine;
    fake.windowsDir = c.windowsDir;
    FormPaths();
    SCOPED_TRACE(c.commandLine);
    EXPECT_STREQ(Settings.IniPath, c.iniPath);
    EXPECT_STREQ(Settings.ProgramPath, c.programPath);
    EXPECT_STREQ(Settings.ProgramName, c.programName);
    EXPECT_STREQ(Settings.InstalledPath, c.installedPath);
    EXPECT_EQ(Settings.RunningInstalled, c.runningInstalled);
    EXPECT_EQ(std::string(Settings.QuotedProgramPath),
              "\"" + std::string(c.programPath) + "\"");
    const std::string win = c.windowsDir;
    EXPECT_EQ(std::string(Settings.WindowsDir),
              win.back() == '\\' ? win : win + "\\");
  }
}

// Odd quotes make argument 0 unreadable: the module's own path stands in, so
// the settings path never ends up empty (which would mean win.ini).
TEST(Paths, UnreadableArgumentZeroFallsBackToTheModulePath) {
  test::FakePlatform fake;
  ResetProcessState();
  fake.commandLine = "\"C:\\Odd\\quorvane.exe /x";
  fake.modulePath = "C:\\Real\\quorvane.exe";
  FormPaths();
  EXPECT_STREQ(Settings.ProgramPath, "C:\\Real\\quorvane.exe");
  EXPECT_STREQ(Settings.IniPath, "C:\\Real\\quorvane.ini");
  EXPECT_STREQ(Settings.ProgramName, "quorvane");
}

TEST(Paths, TooLongArgumentZeroFallsBackToTheModulePath) {
  test::FakePlatform fake;
  ResetProcessState();
  fake.commandLine = "C:\\" + std::string(300, 'p') + "\\quorvane.exe";
  fake.modulePath = "C:\\PROGRA~1\\quorvane.exe";
  FormPaths();
  EXPECT_STREQ(Settings.ProgramPath, "C:\\PROGRA~1\\quorvane.exe");
  EXPECT_STREQ(Settings.IniPath, "C:\\PROGRA~1\\quorvane.ini");
}

TEST(Paths, NoUsablePathLeavesTheSettingsPathEmpty) {
  test::FakePlatform fake;
  ResetProcessState();
  fake.commandLine = "\"odd";
  fake.modulePath = std::string(400, 'm');  // does not fit: the port says 0
  FormPaths();
  EXPECT_STREQ(Settings.ProgramPath, "");
  EXPECT_STREQ(Settings.IniPath, "");
  EXPECT_STREQ(Settings.InstalledPath, "");
  EXPECT_EQ(Settings.RunningInstalled, 0);
}

// The Windows directory plus the file name may pass 259 characters; the
// target is then refused, never cut into the name of some other file.
TEST(Paths, InstalledPathThatWouldNotFitIsRefused) {
  test::FakePlatform fake;
  ResetProcessState();
  const std::string dir = "C:\\" + std::string(200, 'w');
  const std::string name = std::string(70, 'n') + ".exe";
  fake.windowsDir = dir;
  fake.commandLine = "C:\\" + name;
  FormPaths();
  EXPECT_STREQ(Settings.InstalledPath, "");
  EXPECT_EQ(Settings.RunningInstalled, 0);
  EXPECT_EQ(std::string(Settings.WindowsDir), dir + "\\");
  EXPECT_EQ(std::string(Settings.ProgramName), std::string(70, 'n'));

  // Exactly 259 characters still fits.
  ResetProcessState();
  fake.windowsDir = "C:\\" + std::string(259 - 3 - 1 - 8, 'w');
  fake.commandLine = "C:\\abcd.exe";
  FormPaths();
  EXPECT_EQ(std::string(Settings.InstalledPath).size(), 259u);
}

TEST(Paths, FileExistsAsksTheFileSystem) {
  test::FakePlatform fake;
  fake.File("C:\\Here\\a.txt");
  EXPECT_EQ(FileExists("c:\\here\\A.TXT"), 1);
  EXPECT_EQ(FileExists("C:\\Here\\b.txt"), 0);
}

}  // namespace
}  // namespace qv
