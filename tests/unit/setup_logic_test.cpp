#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "tests/fake/fake_platform.h"
#include "tests/unit/setup_world.h"
#include "ui/setup_logic.h"

namespace qv {
namespace {

using test::kDialog;
using test::kIni;
using test::kLetters;
using test::kTypes;

class SetupLogic : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.Reset();
    test::PrepareSetupWorld(fake);
    fake.combos[kTypes].selection = 0;
    UiState.UiMode = 1;
  }
  test::FakePlatform fake;
};

TEST_F(SetupLogic, SaveRefusesTheShareMacroAnywhereInTheAddress) {
  for (const char* address : {"%SHARE%", "\\\\srv\\%SHARE%\\x"}) {
    SetUp();
    fake.Control(kDialog, 3).text = address;
    EXPECT_FALSE(SaveSetup(kDialog));
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "%SHARE% is an Ilegal Macro name for this field");
    EXPECT_EQ(fake.boxes[0].caption, "Atention!");
    EXPECT_EQ(fake.boxes[0].flags, 0x30u);
    EXPECT_EQ(fake.log.back(), "focus 3");
    EXPECT_FALSE(fake.HasFile(kIni));
    EXPECT_STREQ(Settings.ShareAddress, address);  // kept as read
  }
  SetUp();
  fake.Control(kDialog, 3).text = "\\\\srv\\%share%";  // lower case is no macro
  EXPECT_TRUE(SaveSetup(kDialog));
  EXPECT_TRUE(fake.HasFile(kIni));
}

TEST_F(SetupLogic, SaveDecidesStartUpAndUpdateMode) {
  const struct {
    unsigned box18, box19;
    uint8_t installed;
    uint8_t startUp, updateMode;
    bool registered;
  } cases[] = {
      {1, 0, 0, 1, 0, true},
      {0, 0, 0, 0, 0, false},
      {1, 1, 0, 0, 1, false},  // a copy still to install never registers
      {1, 1, 1, 1, 0, true},   // the installed copy does
      {0, 1, 1, 0, 0, false},
  };
  for (const auto& c : cases) {
    SetUp();
    Settings.RunningInstalled = c.installed;
    fake.RunKey()["quorvane"] = "old";
    fake.Control(kDialog, 18).check = c.box18;
    fake.Control(kDialog, 19).check = c.box19;
    EXPECT_TRUE(SaveSetup(kDialog));
    EXPECT_EQ(Settings.StartUp, c.startUp);
    EXPECT_EQ(Settings.UpdateMode, c.updateMode);
    EXPECT_EQ(fake.RunKey().count("quorvane"), c.registered ? 1u : 0u);
    // The file records both boxes as shown.
    std::string v;
    ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "MAIN", "StartUp", &v));
    EXPECT_EQ(v, std::to_string(c.box18));
    ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "MAIN", "UpdateMode", &v));
    EXPECT_EQ(v, std::to_string(c.box19));
  }
}

TEST_F(SetupLogic, MapNowTakesTheControlsAndSavesNothing) {
  fake.Control(kDialog, 3).text = "\\\\srv\\data";
  fake.Control(kDialog, 6).text = "anna";
  fake.Control(kDialog, 12).text = "pw";
  fake.combos[kTypes].selection = -1;
  fake.Control(kDialog, 14).check = 1;
  fake.Control(kDialog, 15).check = 2;  // indeterminate: the field keeps its value
  Settings.ForceDisConnection = 1;
  fake.probe["\\\\srv\\data"] = 0;
  MapNow(kDialog);
  EXPECT_STREQ(Settings.MapToDrive, "X:");
  EXPECT_EQ(Settings.DriveType, 255);
  EXPECT_EQ(Settings.PersistantConnection, 1);
  EXPECT_EQ(Settings.ForceDisConnection, 1);
  ASSERT_EQ(fake.connections.size(), 1u);
  EXPECT_FALSE(fake.connections[0].hasLocal);  // type 255: no letter
  EXPECT_EQ(fake.connections[0].user, "anna");
  EXPECT_FALSE(fake.HasFile(kIni));
}

TEST_F(SetupLogic, BrowsedPathsEndWithOneBackslash) {
  TakeBrowsedPath(kDialog, "C:\\Data");
  EXPECT_EQ(fake.Control(kDialog, 3).text, "C:\\Data\\");
  TakeBrowsedPath(kDialog, "D:\\");
  EXPECT_EQ(fake.Control(kDialog, 3).text, "D:\\");
  TakeBrowsedPath(kDialog, "");
  EXPECT_EQ(fake.Control(kDialog, 3).text, "D:\\");
}

TEST(MacroMenu, EntriesAndAcceptedFields) {
  EXPECT_STREQ(MacroMenuEntry(31), "%COMPUTERNAME%");
  EXPECT_STREQ(MacroMenuEntry(44), "%SHARE%");
  EXPECT_STREQ(MacroMenuEntry(52), "%YEAR%");
  EXPECT_EQ(MacroMenuEntry(30), nullptr);
  EXPECT_EQ(MacroMenuEntry(53), nullptr);
  const struct {
    int mode, id;
    bool takes;
  } cases[] = {{1, 3, true},  {1, 6, true},  {1, 12, false}, {1, 14, false}, {1, 8, false},
               {2, 16, true}, {4, 12, true}, {5, 15, true},  {5, 8, false},  {0, 14, true},
               {6, 3, false}, {255, 3, false}};
  for (const auto& c : cases) EXPECT_EQ(TakesMacros(c.mode, c.id), c.takes) << c.mode << "/" << c.id;
}

TEST(MacroMenu, InsertionAtTheCaretOrOverTheSelection) {
  char out[260] = "unchanged";
  EXPECT_TRUE(InsertMacro("\\\\srv\\", 6, 6, "%USERNAME%", out, sizeof out));
  EXPECT_STREQ(out, "\\\\srv\\%USERNAME%");
  EXPECT_TRUE(InsertMacro("ab-cd", 2, 3, "%DATE%", out, sizeof out));
  EXPECT_STREQ(out, "ab%DATE%cd");
  EXPECT_TRUE(InsertMacro("", 0, 0, "%YEAR%", out, sizeof out));
  EXPECT_STREQ(out, "%YEAR%");
  // Refused, the field as it was, when it would pass 259 characters.
  const std::string full(255, 'x');
  CopyText(out, "unchanged");
  EXPECT_FALSE(InsertMacro(full.c_str(), 10, 10, "%YEAR%", out, sizeof out));
  EXPECT_STREQ(out, "unchanged");
  EXPECT_TRUE(InsertMacro(full.c_str(), 0, 2, "%DAY%", out, sizeof out));  // 258 fits
  EXPECT_EQ(std::string(out).size(), 258u);
  EXPECT_FALSE(InsertMacro("abc", 2, 5, "%DAY%", out, sizeof out));
  EXPECT_FALSE(InsertMacro("abc", 2, 1, "%DAY%", out, sizeof out));
}

}  // namespace
}  // namespace qv
