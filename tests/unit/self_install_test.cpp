#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/version_block.h"

#include "settings/settings.h"
#include "startup/startup.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

const char kOwn[] = "C:\\Downloads\\quorvane.exe";
const char kOwnIni[] = "C:\\Downloads\\quorvane.ini";
const char kInstalled[] = "C:\\WINDOWS\\quorvane.exe";
const char kInstalledIni[] = "C:\\WINDOWS\\quorvane.ini";
const char kAskCopy[] = "General Options Not Set";
const char kAskUpgrade[] = "Confirm Overwrite older version";

enum class Copy { None, Foreign, NoBlock, Older, Same, Newer };

void Version(test::FakeFile& f, const char* internalName, const char* version) {
  f.hasVersionBlock = true;
  if (internalName) f.version[QV_STRING_VALUE("InternalName")] = internalName;
  if (version) f.version[QV_STRING_VALUE("FileVersion")] = version;
}

struct World {
  test::FakePlatform fake;

  explicit World(Copy installed, int updateMode = 1, bool ownBlock = true) {
    ResetProcessState();
    fake.commandLine = std::string("\"") + kOwn + "\"";
    fake.File(kOwn).content = "new program";
    if (ownBlock) Version(fake.File(kOwn), "Quorvane", "1.2005,06,10");
    fake.Ini(kOwnIni) = "[MAIN]\r\nUpdateMode=" + std::to_string(updateMode) + "\r\n";
    if (installed == Copy::None) return;
    test::FakeFile& f = fake.File(kInstalled);
    f.content = "installed program";
    fake.Ini(kInstalledIni) = "[MAIN]\r\nShareAddress=installed\r\n";
    switch (installed) {
      case Copy::Foreign: Version(f, "Something Else", "9.9999,99,99"); break;
      case Copy::Older: Version(f, "Quorvane", "1.2004,12,31"); break;
      case Copy::Same: Version(f, "Quorvane", "1.2005,06,10"); break;
      case Copy::Newer: Version(f, "Quorvane", "1.2005,06,11"); break;
      default: break;
    }
  }

  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const auto& b : fake.boxes) out.push_back(b.caption);
    return out;
  }
  bool Relaunched() const {
    return fake.starts.size() == 1 && fake.starts[0].file == kInstalled &&
           fake.starts[0].parameters == "/?" &&
           fake.starts[0].directory == "C:\\WINDOWS\\" && fake.starts[0].show == 10;
  }
};

struct InstallCase {
  const char* name;
  Copy installed;
  int updateMode;
  std::vector<int> answers;
  std::vector<std::string> captions;  // questions and errors, in order
  bool programCopied, iniCopied;
  StartupEnd end;
};

const std::vector<InstallCase> kCases = {
    {"first install, yes", Copy::None, 1, {6}, {kAskCopy}, true, true, StartupEnd::Installed},
    {"foreign copy: silent", Copy::Foreign, 1, {}, {}, false, false, StartupEnd::Unattended},
    {"no version block: silent", Copy::NoBlock, 1, {}, {}, false, false, StartupEnd::Unattended},
    {"older, yes, keeps its ini", Copy::Older, 1, {6}, {kAskUpgrade}, true, false, StartupEnd::Installed},
    {"older, mode 2 takes the ini", Copy::Older, 2, {6}, {kAskUpgrade}, true, true, StartupEnd::Installed},
    {"same version: silent", Copy::Same, 1, {}, {}, false, false, StartupEnd::Unattended},
    {"newer installed: silent", Copy::Newer, 2, {}, {}, false, false, StartupEnd::Unattended},
    {"mode 0: never asks", Copy::None, 0, {}, {}, false, false, StartupEnd::Unattended},
    // A hand-edited 44 still means "copy mode", and is not 2.
    {"mode 300 acts as 1", Copy::Older, 300, {6}, {kAskUpgrade}, true, false, StartupEnd::Installed},
};

TEST(SelfInstall, DecisionTable) {
  for (const InstallCase& c : kCases) {
    SCOPED_TRACE(c.name);
    World w(c.installed, c.updateMode);
    w.fake.answers.assign(c.answers.begin(), c.answers.end());
    const std::string installedIniBefore =
        w.fake.HasFile(kInstalledIni) ? w.fake.Ini(kInstalledIni) : "";
    EXPECT_EQ(Startup(), c.end);
    EXPECT_EQ(w.Captions(), c.captions);
    EXPECT_EQ(w.fake.HasFile(kInstalled) && w.fake.File(kInstalled).content == "new program",
              c.programCopied);
    const bool iniCopied = w.fake.HasFile(kInstalledIni) &&
                           w.fake.Ini(kInstalledIni) == w.fake.Ini(kOwnIni);
    EXPECT_EQ(iniCopied, c.iniCopied);
    if (!c.iniCopied && !installedIniBefore.empty()) {
      EXPECT_EQ(w.fake.Ini(kInstalledIni), installedIniBefore);
    }
    EXPECT_EQ(w.Relaunched(), c.end == StartupEnd::Installed);
    for (const auto& box : w.fake.boxes) EXPECT_EQ(box.flags, 0x24u);  // Yes/No, question
  }
}

TEST(SelfInstall, NoWritesUpdateModeZeroAndCarriesOn) {
  for (Copy installed : {Copy::None, Copy::Older}) {
    World w(installed, 2);
    w.fake.Ini(kOwnIni) = "; keep\r\n[MAIN]\r\nUpdateMode=2\r\nOther=x\r\n";
    w.fake.answers = {7};
    EXPECT_EQ(Startup(), StartupEnd::Unattended);
    EXPECT_EQ(w.fake.Ini(kOwnIni), "; keep\r\n[MAIN]\r\nUpdateMode=0\r\nOther=x\r\n");
    EXPECT_EQ(w.fake.profileWrites, std::vector<std::string>{"MAIN/UpdateMode=0"});
    EXPECT_TRUE(w.fake.starts.empty());
    // Neither question comes again.
    World again(installed, 0);
    again.fake.Ini(kOwnIni) = w.fake.Ini(kOwnIni);
    EXPECT_EQ(Startup(), StartupEnd::Unattended);
    EXPECT_TRUE(again.fake.boxes.empty());
  }
}

// A running program without a version block replaces the installed copy
// without asking.
TEST(SelfInstall, OwnProgramWithoutVersionBlockCopiesWithoutAsking) {
  World w(Copy::Older, 1, /*ownBlock=*/false);
  EXPECT_EQ(Startup(), StartupEnd::Installed);
  EXPECT_TRUE(w.fake.boxes.empty());
  EXPECT_EQ(w.fake.File(kInstalled).content, "new program");
  EXPECT_TRUE(w.Relaunched());
}

TEST(SelfInstall, AQuestionThatCannotBeShownInstallsNothing) {
  for (Copy installed : {Copy::None, Copy::Older}) {
    World w(installed, 1);
    const std::string ini = w.fake.Ini(kOwnIni);
    w.fake.answers = {0};  // MessageBoxA failed
    EXPECT_EQ(Startup(), StartupEnd::Unattended);
    EXPECT_EQ(w.fake.boxes.size(), 1u);
    EXPECT_TRUE(w.fake.starts.empty());
    EXPECT_NE(w.fake.HasFile(kInstalled) ? w.fake.File(kInstalled).content : "",
              "new program");
    EXPECT_EQ(w.fake.Ini(kOwnIni), ini);  // asked again next time
  }
}

TEST(SelfInstall, FailedCopiesAreReportedAndTheCopyIsStartedAnyway) {
  World w(Copy::None, 1);
  w.fake.copyFails = true;
  w.fake.answers = {6};
  EXPECT_EQ(Startup(), StartupEnd::Installed);
  ASSERT_EQ(w.fake.boxes.size(), 3u);
  EXPECT_EQ(w.fake.boxes[1].text, "There was an error while coping program file");
  EXPECT_EQ(w.fake.boxes[1].caption, "Error on file copy");
  EXPECT_EQ(w.fake.boxes[1].flags, 0u);
  EXPECT_EQ(w.fake.boxes[2].text, "There was an error while coping .Ini file");
  EXPECT_TRUE(w.Relaunched());
}

TEST(SelfInstall, VersionsCompareAsText) {
  // "1.10..." sorts before "1.9..." as text, so it is not an upgrade.
  World w(Copy::None, 1);
  Version(w.fake.File(kOwn), "Quorvane", "1.10");
  w.fake.File(kInstalled).content = "x";
  Version(w.fake.File(kInstalled), "Quorvane", "1.9");
  EXPECT_EQ(Startup(), StartupEnd::Unattended);
  EXPECT_TRUE(w.fake.boxes.empty());
}

TEST(SelfInstall, TheInstalledCopyNeverInstallsItself) {
  World w(Copy::Same, 1);
  w.fake.commandLine = std::string("\"") + kInstalled + "\"";
  w.fake.Ini(kInstalledIni) = "[MAIN]\r\nUpdateMode=2\r\n";
  EXPECT_EQ(Startup(), StartupEnd::Unattended);
  EXPECT_EQ(Settings.RunningInstalled, 1);
  EXPECT_TRUE(w.fake.boxes.empty());
  EXPECT_TRUE(w.fake.log.empty());
}

// Started under a path that differs only in case it does not count as the
// installed copy; it then finds itself at the target with the same version.
TEST(SelfInstall, InstalledCopyUnderOtherCaseAsksNothing) {
  World w(Copy::Same, 1);
  w.fake.commandLine = "c:\\windows\\quorvane.exe";
  w.fake.Ini("c:\\windows\\quorvane.ini") = "[MAIN]\r\nUpdateMode=1\r\n";
  EXPECT_EQ(Startup(), StartupEnd::Unattended);
  EXPECT_EQ(Settings.RunningInstalled, 0);
  EXPECT_TRUE(w.fake.boxes.empty());
}

TEST(SelfInstall, NoTargetPathNoInstallation) {
  World w(Copy::None, 1);
  w.fake.windowsDir = "C:\\" + std::string(250, 'w');
  EXPECT_EQ(Startup(), StartupEnd::Unattended);
  EXPECT_TRUE(w.fake.boxes.empty());
  EXPECT_TRUE(w.fake.log.empty());
}

}  // namespace
}  // namespace qv
