#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

class StartWithSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState();
    CopyText(Settings.ProgramName, "quorvane");
    CopyText(Settings.QuotedProgramPath, "\"..\\q\\quorvane.exe\"");
    fake.RunKey();
  }
  test::FakePlatform fake;
};

TEST_F(StartWithSystem, OnlyExactlyOneRegisters) {
  const struct {
    uint8_t startUp;
    bool registered;
  } cases[] = {{1, true}, {0, false}, {2, false}, {255, false}};
  for (const auto& c : cases) {
    fake.RunKey()["quorvane"] = "stale";
    fake.RunKey()["other"] = "\"C:\\other.exe\"";
    Settings.StartUp = c.startUp;
    ApplyStartWithSystem();
    EXPECT_EQ(fake.RunKey().count("quorvane"), c.registered ? 1u : 0u);
    EXPECT_EQ(fake.RunKey()["other"], "\"C:\\other.exe\"");  // never touched
  }
  // The data is argument 0 as given, relative or not, between quotes.
  Settings.StartUp = 1;
  ApplyStartWithSystem();
  EXPECT_EQ(fake.RunKey()["quorvane"], "\"..\\q\\quorvane.exe\"");
}

TEST_F(StartWithSystem, OpensSetsOrDeletesThenCloses) {
  Settings.StartUp = 0;
  ApplyStartWithSystem();  // no value there: not an error
  EXPECT_EQ(fake.log, (std::vector<std::string>{
                          "regopen Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                          "regdelete quorvane", "regclose"}));
}

TEST_F(StartWithSystem, NoRightToTheKeyChangesNothing) {
  fake.registryDenied = true;
  Settings.StartUp = 1;
  ApplyStartWithSystem();
  EXPECT_TRUE(fake.log.empty());
  EXPECT_TRUE(fake.RunKey().empty());
}

// A program file named like ".exe" has no name to register under; the key's
// default value must not be taken for it.
TEST_F(StartWithSystem, EmptyProgramNameLeavesTheKeyAlone) {
  Settings.ProgramName[0] = '\0';
  fake.RunKey()[""] = "default value";
  for (uint8_t s : {0, 1}) {
    Settings.StartUp = s;
    ApplyStartWithSystem();
  }
  EXPECT_EQ(fake.RunKey()[""], "default value");
  EXPECT_TRUE(fake.log.empty());
}

// A copy that still has to install itself removes the shared value; only
// the installed copy (or one without copy mode) registers itself.
TEST_F(StartWithSystem, EveryMainLoadBringsTheValueIntoLine) {
  const char ini[] = "C:\\Q\\quorvane.ini";
  CopyText(Settings.IniPath, ini);
  fake.RunKey()["quorvane"] = "\"C:\\WINDOWS\\quorvane.exe\"";
  fake.Ini(ini) = "[MAIN]\r\nStartUp=1\r\nUpdateMode=1\r\n";
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_EQ(fake.RunKey().count("quorvane"), 0u);

  fake.Ini(ini) = "[MAIN]\r\nStartUp=1\r\nUpdateMode=0\r\n";
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_EQ(fake.RunKey()["quorvane"], "\"..\\q\\quorvane.exe\"");

  Settings.RunningInstalled = 1;
  CopyText(Settings.QuotedProgramPath, "\"C:\\WINDOWS\\quorvane.exe\"");
  fake.Ini(ini) = "[MAIN]\r\nStartUp=1\r\nUpdateMode=1\r\n";
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_EQ(fake.RunKey()["quorvane"], "\"C:\\WINDOWS\\quorvane.exe\"");
}

}  // namespace
}  // namespace qv
