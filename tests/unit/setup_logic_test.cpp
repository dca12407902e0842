#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

#include "mapping/macros.h"
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
    fake.Control(kDialog, IDE_SETUP_ADDRESS).text = address;
    EXPECT_FALSE(SaveSetup(kDialog));
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "%SHARE% is an Ilegal Macro name for this field");
    EXPECT_EQ(fake.boxes[0].caption, "Atention!");
    EXPECT_EQ(fake.boxes[0].flags, 0x30u);
    EXPECT_EQ(fake.log.back(), "focus " + std::to_string(IDE_SETUP_ADDRESS));
    EXPECT_FALSE(fake.HasFile(kIni));
    EXPECT_STREQ(Settings.ShareAddress, address);  // kept as read
  }
  SetUp();
  fake.Control(kDialog, IDE_SETUP_ADDRESS).text = "\\\\srv\\%share%";  // lower case is no macro
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
    fake.RunKey()["quorvane"] = "\"C:\\Q\\quorvane.exe\"";
    fake.Control(kDialog, IDX_START_UP).check = c.box18;
    fake.Control(kDialog, IDX_UPDATE_MODE).check = c.box19;
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

// A Save that does not reach the file or the Run key says so, once, in a
// box of the setup dialog's own; the unattended run stays silent.
TEST_F(SetupLogic, SaveThatCannotWriteSaysWhatAndWhy) {
  const std::string fileLine =
      "The settings could not be saved in C:\\Q\\quorvane.ini:\nAccess is denied.";
  const std::string runLine =
      "\"Start With System\" could not be changed in the registry:\nAccess is denied.";
  const struct {
    const char* name;
    bool fileReadOnly, keyReadOnly;
    unsigned startUpBox;
    std::string text;  // empty: no box
  } cases[] = {
      {"all written", false, false, 1, ""},
      {"file refused", true, false, 1, fileLine},
      {"Run key refused", false, true, 1, runLine},
      {"Run key refused, nothing to change there", false, true, 0, ""},
      {"both refused", true, true, 1, fileLine + "\n\n" + runLine},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.errorTexts[5] = "Access is denied.\r\n";
    fake.Ini(kIni) = "[MAIN]\r\nShareAddress=keep\r\n";
    fake.File(kIni).readOnly = c.fileReadOnly;
    fake.registryReadOnly = c.keyReadOnly;
    fake.Control(kDialog, IDE_SETUP_ADDRESS).text = "\\\\srv\\data";
    fake.Control(kDialog, IDX_START_UP).check = c.startUpBox;
    EXPECT_EQ(SaveSetup(kDialog), c.text.empty());
    if (c.text.empty()) {
      EXPECT_TRUE(fake.boxes.empty());
      continue;
    }
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, c.text);
    EXPECT_EQ(fake.boxes[0].caption, "Settings Not Saved");
    EXPECT_EQ(fake.boxes[0].owner, kDialog);
  }
  // An error the system has no text for is given by its number.
  SetUp();
  fake.File(kIni).readOnly = true;
  fake.writeRefusal = 1234;
  EXPECT_FALSE(SaveSetup(kDialog));
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text,
            "The settings could not be saved in C:\\Q\\quorvane.ini:\nError 1234");
}

TEST_F(SetupLogic, MapNowTakesTheControlsAndSavesNothing) {
  fake.Control(kDialog, IDE_SETUP_ADDRESS).text = "\\\\srv\\data";
  fake.Control(kDialog, IDE_SETUP_USER).text = "anna";
  fake.Control(kDialog, IDE_SETUP_PASSWORD).text = "pw";
  fake.combos[kTypes].selection = -1;
  fake.Control(kDialog, IDX_PERSISTANT).check = 1;
  fake.Control(kDialog, IDX_FORCE).check = 2;  // indeterminate: the field keeps its value
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
  EXPECT_EQ(fake.Control(kDialog, IDE_SETUP_ADDRESS).text, "C:\\Data\\");
  TakeBrowsedPath(kDialog, "D:\\");
  EXPECT_EQ(fake.Control(kDialog, IDE_SETUP_ADDRESS).text, "D:\\");
  TakeBrowsedPath(kDialog, "");
  EXPECT_EQ(fake.Control(kDialog, IDE_SETUP_ADDRESS).text, "D:\\");
}

TEST(MacroMenu, EntriesAndAcceptedFields) {
  EXPECT_STREQ(MacroMenuEntry(31), "%COMPUTERNAME%");
  EXPECT_STREQ(MacroMenuEntry(44), "%SHARE%");
  EXPECT_STREQ(MacroMenuEntry(52), "%YEAR%");
  EXPECT_EQ(MacroMenuEntry(30), nullptr);
  EXPECT_EQ(MacroMenuEntry(53), nullptr);
  // The menu lists every macro once, alphabetically.
  std::string previous;
  for (int command = kFirstMacroCommand; command <= kLastMacroCommand; ++command) {
    ASSERT_NE(MacroMenuEntry(command), nullptr) << command;
    EXPECT_LT(previous, MacroMenuEntry(command)) << command;
    previous = MacroMenuEntry(command);
  }
  EXPECT_EQ(kLastMacroCommand - kFirstMacroCommand + 1, kMacroCount);
  // Every field ID in every mode: the setup dialog takes macros in its
  // address and user name, never the password; the message and programs
  // dialogs in their six fields; the credentials prompt (whose user and
  // password fields share the setup dialog's numbers) in none.
  const std::set<int> six(std::begin(kTextFieldIds), std::end(kTextFieldIds));
  const struct {
    int mode;
    std::set<int> accepted;
  } modes[] = {{0, six}, {1, {IDE_SETUP_ADDRESS, IDE_SETUP_USER}}, {2, six}, {3, six},
               {4, six}, {5, six}, {kUiModeCredentialsPrompt, {}}, {7, {}}, {255, {}}};
  for (const auto& m : modes) {
    for (int id = -1; id <= 60; ++id) {
      const bool accepted = m.accepted.count(id) == 1;
      EXPECT_EQ(TakesMacros(m.mode, id), accepted) << "mode " << m.mode << ", field " << id;
    }
  }
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
