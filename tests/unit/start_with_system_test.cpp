#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

#define OWN "\"C:\\Q\\quorvane.exe\""

// Copies in two folders share one value name: only this copy's own value is
// ever removed, a value already as wanted is not written again, and a key
// that cannot be opened fails only when something was to be written.
TEST(StartWithSystem, SetsOrRemovesOnlyThisCopysValue) {
  enum Key { kWritable, kReadOnly, kNone };
  const struct {
    const char* name;
    const char* before;  // null: no value
    uint8_t startUp;
    Key key;
    const char* after;  // null: no value
    uint32_t error;
    const char* writes;
  } cases[] = {
      {"register", nullptr, 1, kWritable, OWN, 0, "regset quorvane=" OWN},
      {"take over another copy's value", "\"D:\\old\\quorvane.exe\"", 1, kWritable, OWN, 0, "regset quorvane=" OWN},
      {"own value kept", OWN, 1, kWritable, OWN, 0, ""},
      {"own value in other case kept", "\"c:\\q\\QUORVANE.EXE\"", 1, kWritable, "\"c:\\q\\QUORVANE.EXE\"", 0, ""},
      {"remove own", OWN, 0, kWritable, nullptr, 0, "regdelete quorvane"},
      {"remove own, other case", "\"C:\\q\\Quorvane.exe\"", 0, kWritable, nullptr, 0, "regdelete quorvane"},
      {"another copy's value left alone", "\"C:\\W\\quorvane.exe\"", 0, kWritable, "\"C:\\W\\quorvane.exe\"", 0, ""},
      {"a longer value is not ours", OWN " /x", 0, kWritable, OWN " /x", 0, ""},
      {"nothing to remove", nullptr, 0, kWritable, nullptr, 0, ""},
      {"StartUp 2 is not 1", OWN, 2, kWritable, nullptr, 0, "regdelete quorvane"},
      {"read-only key: cannot register", nullptr, 1, kReadOnly, nullptr, 5, ""},
      {"read-only key: cannot remove", OWN, 0, kReadOnly, OWN, 5, ""},
      {"read-only key, nothing to change", OWN, 1, kReadOnly, OWN, 0, ""},
      {"no key at all, nothing to remove", nullptr, 0, kNone, nullptr, 0, ""},
      {"no key at all: cannot register", nullptr, 1, kNone, nullptr, 5, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fake;
    ResetProcessState();
    CopyText(Settings.ProgramName, "quorvane");
    CopyText(Settings.QuotedProgramPath, OWN);
    fake.RunKey()["other"] = "\"C:\\other.exe\"";
    if (c.before != nullptr) fake.RunKey()["quorvane"] = c.before;
    fake.registryReadOnly = c.key == kReadOnly;
    fake.registryDenied = c.key == kNone;
    Settings.StartUp = c.startUp;
    EXPECT_EQ(ApplyStartWithSystem(), c.error);
    EXPECT_EQ(fake.RunKey().count("quorvane") ? fake.RunKey()["quorvane"] : "-", c.after ? c.after : "-");
    EXPECT_EQ(fake.RunKey()["other"], "\"C:\\other.exe\"");
    std::string writes;
    for (const std::string& line : fake.log) {
      if (line.rfind("regset", 0) == 0 || line.rfind("regdelete", 0) == 0) writes += line;
    }
    EXPECT_EQ(writes, c.writes);
    EXPECT_EQ(fake.keysOpen, 0);
  }
}

// A program file named like ".exe" has no name to register under; the key's
// default value must not be taken for it.
TEST(StartWithSystem, EmptyProgramNameLeavesTheKeyAlone) {
  test::FakePlatform fake;
  ResetProcessState();
  fake.RunKey()[""] = "default value";
  for (uint8_t s : {0, 1}) {
    Settings.StartUp = s;
    EXPECT_EQ(ApplyStartWithSystem(), 0u);
  }
  EXPECT_EQ(fake.RunKey()[""], "default value");
  EXPECT_EQ(fake.Trace(), "");
}

// Every main load brings the value into line: a copy still to install never
// registers and removes only its own value; the installed copy, or one
// without copy mode, registers.
TEST(StartWithSystem, EveryMainLoadBringsTheValueIntoLine) {
  const struct {
    uint8_t installed;
    const char* updateMode;
    const char* before;
    const char* after;
  } cases[] = {
      {0, "1", "\"C:\\W\\quorvane.exe\"", "\"C:\\W\\quorvane.exe\""},
      {0, "1", OWN, "-"},
      {0, "0", "-", OWN},
      {1, "1", "-", OWN},
  };
  for (const auto& c : cases) {
    test::FakePlatform fake;
    ResetProcessState();
    CopyText(Settings.IniPath, "C:\\Q\\quorvane.ini");
    CopyText(Settings.ProgramName, "quorvane");
    CopyText(Settings.QuotedProgramPath, OWN);
    Settings.RunningInstalled = c.installed;
    fake.RunKey();
    if (c.before[0] != '-') fake.RunKey()["quorvane"] = c.before;
    fake.Ini(Settings.IniPath) = std::string("[MAIN]\r\nStartUp=1\r\nUpdateMode=") + c.updateMode;
    TransferSettings(nullptr, kGroupMain, kLoad);
    EXPECT_EQ(fake.RunKey().count("quorvane") ? fake.RunKey()["quorvane"] : "-", c.after);
  }
}

}  // namespace
}  // namespace qv
