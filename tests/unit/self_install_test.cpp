#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/version_block.h"
#include "settings/settings.h"
#include "startup/startup.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

#define OWN "C:\\Downloads\\quorvane."
#define WIN "C:\\WINDOWS\\quorvane."
#define ASK_COPY "box General Options Not Set: Do You Wanna make a copy of this Program into Windows Directory? | "
#define ASK_UPGRADE "box Confirm Overwrite older version: Do You Wanna Upgrade the Program that exists in Windows Directory? | "
#define COPY_EXE "copy " OWN "exe -> " WIN "exe | "
#define COPY_INI "copy " OWN "ini -> " WIN "ini | "
#define RELAUNCH "start " WIN "exe /?"
#define COPY_FAILED "box Error on file copy: There was an error while coping "

enum class Copy { None, Foreign, NoBlock, Older, Same, Newer };
enum Twist { kPlain, kOwnUnversioned, kCopyFails, kVersionsAsText, kFromInstalled, kFromOtherCase, kLongWindowsDir };

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

const InstallCase kCases[] = {
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
};

TEST(SelfInstall, DecisionTable) {
  for (const InstallCase& c : kCases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fake;
    ResetProcessState();
    fake.commandLine = "\"" OWN "exe\"";
    if (c.twist == kFromInstalled) fake.commandLine = WIN "exe";
    if (c.twist == kFromOtherCase) fake.commandLine = "c:\\windows\\quorvane.exe";
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
      const char* versions[] = {"", "9.9999,99,99", "", "1.2004,12,31", "1.2005,06,10", "1.2005,06,11"};
      const int kind = static_cast<int>(c.installed);
      if (c.installed != Copy::NoBlock) Version(f, kind == 1 ? "Something Else" : "Quorvane", versions[kind]);
      if (c.twist == kVersionsAsText) {
        Version(f, "Quorvane", "1.9");
        Version(fake.File(OWN "exe"), "Quorvane", "1.10");
      }
    }
    fake.answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_EQ(Startup(), c.end);
    std::string trace = c.trace;  // the pieces end in a separator
    if (trace.size() > 3 && trace.compare(trace.size() - 3, 3, " | ") == 0) trace.resize(trace.size() - 3);
    EXPECT_EQ(fake.Trace(), trace);
    EXPECT_EQ(Settings.RunningInstalled, c.twist == kFromInstalled ? 1 : 0);
    std::string mode;
    test::IniLookup(fake.Ini(OWN "ini"), "MAIN", "UpdateMode", &mode);
    EXPECT_EQ(mode, std::to_string(c.modeAfter));
    EXPECT_EQ(fake.Ini(OWN "ini").find("; keep\r\n[MAIN]\r\nUpdateMode="), 0u);  // the rest kept
    for (const auto& box : fake.boxes) EXPECT_EQ(box.flags, box.caption[0] == 'E' ? 0u : 0x24u);
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
      // Shift down sets the high bit; the toggle bit alone does not count.
      {Q, 0xFF80, StartupEnd::SetupDialog},    {Q, 0x8000, StartupEnd::SetupDialog},
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
