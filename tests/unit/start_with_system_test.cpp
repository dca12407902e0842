#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

constexpr char kOwn[] = "\"C:\\Q\\quorvane.exe\"";

class StartWithSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState();
    CopyText(Settings.ProgramName, "quorvane");
    CopyText(Settings.QuotedProgramPath, kOwn);
    fake.RunKey();
  }
  test::FakePlatform fake;
};

// Copies in two folders share one value name: only this copy's own value is
// ever removed, and a value already as wanted is not written again.
TEST_F(StartWithSystem, SetsOrRemovesOnlyThisCopysValue) {
  const struct {
    const char* name;
    const char* before;  // null: no value
    uint8_t startUp;
    bool readOnlyKey;
    const char* after;  // null: no value
    uint32_t error;
    std::vector<std::string> writes;
  } cases[] = {
      {"register", nullptr, 1, false, kOwn, 0, {"regset quorvane=" + std::string(kOwn)}},
      {"take over another copy's value", "\"D:\\old\\quorvane.exe\"", 1, false, kOwn, 0,
       {"regset quorvane=" + std::string(kOwn)}},
      {"own value kept", kOwn, 1, false, kOwn, 0, {}},
      {"own value in other case kept", "\"c:\\q\\QUORVANE.EXE\"", 1, false,
       "\"c:\\q\\QUORVANE.EXE\"", 0, {}},
      {"remove own", kOwn, 0, false, nullptr, 0, {"regdelete quorvane"}},
      {"remove own, other case", "\"C:\\q\\Quorvane.exe\"", 0, false, nullptr, 0,
       {"regdelete quorvane"}},
      {"another copy's value left alone", "\"C:\\WINDOWS\\quorvane.exe\"", 0, false,
       "\"C:\\WINDOWS\\quorvane.exe\"", 0, {}},
      {"a longer value is not ours", "\"C:\\Q\\quorvane.exe\" /x", 0, false,
       "\"C:\\Q\\quorvane.exe\" /x", 0, {}},
      {"nothing to remove", nullptr, 0, false, nullptr, 0, {}},
      {"StartUp 2 is not 1", kOwn, 2, false, nullptr, 0, {"regdelete quorvane"}},
      {"key only readable: cannot register", nullptr, 1, true, nullptr, 5, {}},
      {"key only readable: cannot remove", kOwn, 0, true, kOwn, 5, {}},
      {"key only readable, nothing to change", kOwn, 1, true, kOwn, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake.Reset();
    SetUp();
    fake.RunKey()["other"] = "\"C:\\other.exe\"";
    if (c.before != nullptr) fake.RunKey()["quorvane"] = c.before;
    fake.registryReadOnly = c.readOnlyKey;
    Settings.StartUp = c.startUp;
    EXPECT_EQ(ApplyStartWithSystem(), c.error);
    if (c.after == nullptr) {
      EXPECT_EQ(fake.RunKey().count("quorvane"), 0u);
    } else {
      EXPECT_EQ(fake.RunKey()["quorvane"], c.after);
    }
    EXPECT_EQ(fake.RunKey()["other"], "\"C:\\other.exe\"");
    std::vector<std::string> writes;
    for (const std::string& line : fake.log) {
      if (line.rfind("regset", 0) == 0 || line.rfind("regdelete", 0) == 0) {
        writes.push_back(line);
      }
    }
    EXPECT_EQ(writes, c.writes);
    EXPECT_EQ(fake.keysOpen, 0);
  }
}

TEST_F(StartWithSystem, NoKeyAtAllIsAFailureOnlyWhenSomethingWasToBeWritten) {
  fake.registryDenied = true;
  fake.lastError = 0;
  Settings.StartUp = 0;
  EXPECT_EQ(ApplyStartWithSystem(), 0u);
  Settings.StartUp = 1;
  EXPECT_EQ(ApplyStartWithSystem(), 5u);
  EXPECT_TRUE(fake.RunKey().empty());
}

// A program file named like ".exe" has no name to register under; the key's
// default value must not be taken for it.
TEST_F(StartWithSystem, EmptyProgramNameLeavesTheKeyAlone) {
  Settings.ProgramName[0] = '\0';
  fake.RunKey()[""] = "default value";
  for (uint8_t s : {0, 1}) {
    Settings.StartUp = s;
    EXPECT_EQ(ApplyStartWithSystem(), 0u);
  }
  EXPECT_EQ(fake.RunKey()[""], "default value");
  EXPECT_TRUE(fake.log.empty());
}

// A copy that still has to install itself never registers, and removes only
// a value of its own; the installed copy (or one without copy mode) does
// register.
TEST_F(StartWithSystem, EveryMainLoadBringsTheValueIntoLine) {
  const char ini[] = "C:\\Q\\quorvane.ini";
  CopyText(Settings.IniPath, ini);
  fake.RunKey()["quorvane"] = "\"C:\\WINDOWS\\quorvane.exe\"";
  fake.Ini(ini) = "[MAIN]\r\nStartUp=1\r\nUpdateMode=1\r\n";
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_EQ(fake.RunKey()["quorvane"], "\"C:\\WINDOWS\\quorvane.exe\"");
  fake.RunKey()["quorvane"] = kOwn;
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_EQ(fake.RunKey().count("quorvane"), 0u);

  fake.Ini(ini) = "[MAIN]\r\nStartUp=1\r\nUpdateMode=0\r\n";
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_EQ(fake.RunKey()["quorvane"], kOwn);

  Settings.RunningInstalled = 1;
  CopyText(Settings.QuotedProgramPath, "\"C:\\WINDOWS\\quorvane.exe\"");
  fake.Ini(ini) = "[MAIN]\r\nStartUp=1\r\nUpdateMode=1\r\n";
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_EQ(fake.RunKey()["quorvane"], "\"C:\\WINDOWS\\quorvane.exe\"");
}

}  // namespace
}  // namespace qv
