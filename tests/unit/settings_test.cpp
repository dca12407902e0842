#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings.h"
#include "tests/fake/fake_platform.h"
#include "tests/unit/setup_world.h"

namespace qv {
namespace {

using test::kDialog;
using test::kIni;
using test::kLetters;
using test::kTypes;
Window const kButtons = reinterpret_cast<Window>(0x208);

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PrepareSetupWorld(fake);
    UiState.ButtonsCombo = kButtons;
  }

  // The setup dialog as a user left it.
  void FillMainControls() {
    fake.Control(kDialog, IDE_SETUP_ADDRESS).text = "\\\\srv\\data";
    fake.combos[kLetters].selection = 16;  // Q
    fake.combos[kTypes].selection = 1;     // Subst
    fake.Control(kDialog, IDE_SETUP_USER).text = "%USERNAME%";
    fake.Control(kDialog, IDE_SETUP_PASSWORD).text = "s3cret";
    fake.Control(kDialog, IDX_PERSISTANT).check = 1;
    fake.Control(kDialog, IDX_FORCE).check = 0;
    fake.Control(kDialog, IDX_PROMPT).check = 1;
    fake.Control(kDialog, IDX_SAVE_CREDENTIALS).check = 1;
    fake.Control(kDialog, IDX_START_UP).check = 1;
    fake.Control(kDialog, IDX_UPDATE_MODE).check = 0;
  }

  bool TouchedControls() const {
    for (const std::string& e : fake.log) {
      if (e.rfind("settext", 0) == 0 || e.rfind("check", 0) == 0 ||
          e.rfind("select", 0) == 0) {
        return true;
      }
    }
    return false;
  }

  test::FakePlatform fake;
};

TEST_F(SettingsTest, MainSaveWritesEveryKeyInOrder) {
  FillMainControls();
  TransferSettings(kDialog, kGroupMain, kSave);
  EXPECT_EQ(fake.Ini(kIni),
            "[MAIN]\r\n"
            "ShareAddress=\\\\srv\\data\r\n"
            "MapToDrive=Q\r\n"
            "DriveType=1\r\n"
            "SaveCredentials=1\r\n"
            "UserName=%USERNAME%\r\n"
            "PassWord=s3cret\r\n"
            "PersistantConnection=1\r\n"
            "ForceDisConnection=0\r\n"
            "PromptCredentials=1\r\n"
            "StartUp=1\r\n"
            "UpdateMode=0\r\n");
  // Texts go into the record, letter, type and flags only to the file.
  EXPECT_STREQ(Settings.ShareAddress, "\\\\srv\\data");
  EXPECT_STREQ(Settings.UserName, "%USERNAME%");
  EXPECT_STREQ(Settings.MapToDrive, "");
  EXPECT_EQ(Settings.DriveType, 0);
  EXPECT_EQ(Settings.StartUp, 0);
}

TEST_F(SettingsTest, MainSaveWithoutSelectionsWritesXAndZero) {
  FillMainControls();
  fake.combos[kLetters].selection = -1;
  fake.combos[kTypes].selection = -1;
  TransferSettings(kDialog, kGroupMain, kSave);
  std::string v;
  ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "MAIN", "MapToDrive", &v));
  EXPECT_EQ(v, "X");
  ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "MAIN", "DriveType", &v));
  EXPECT_EQ(v, "0");
}

// With "Save Credentials" clear, earlier credentials stay in the file and
// the next load does not read them.
TEST_F(SettingsTest, CredentialsAreKeptOnlyWhenAsked) {
  fake.Ini(kIni) = "[MAIN]\r\nUserName=old\r\nPassWord=oldpw\r\n";
  FillMainControls();
  fake.Control(kDialog, IDX_SAVE_CREDENTIALS).check = 0;
  TransferSettings(kDialog, kGroupMain, kSave);
  std::string v;
  ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "MAIN", "UserName", &v));
  EXPECT_EQ(v, "old");
  ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "MAIN", "PassWord", &v));
  EXPECT_EQ(v, "oldpw");
  EXPECT_STREQ(Settings.UserName, "");

  CopyText(Settings.UserName, "in memory");
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_STREQ(Settings.UserName, "in memory");
  EXPECT_STREQ(Settings.PassWord, "");

  test::IniWrite(&fake.Ini(kIni), "MAIN", "SaveCredentials", "1");
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_STREQ(Settings.UserName, "old");
  EXPECT_STREQ(Settings.PassWord, "oldpw");
}

TEST_F(SettingsTest, MainLoadWithoutFileGivesDefaults) {
  fake.RunKey()["quorvane"] = Settings.QuotedProgramPath;
  UiState.UiMode = 1;
  TransferSettings(kDialog, kGroupMain, kLoad);
  EXPECT_STREQ(Settings.ShareAddress, "");
  EXPECT_STREQ(Settings.MapToDrive, "");
  EXPECT_EQ(Settings.MapToDrive[1], ':');
  EXPECT_EQ(Settings.DriveType, 0);
  EXPECT_EQ(Settings.SaveCredentials + Settings.PersistantConnection +
                Settings.ForceDisConnection + Settings.PromptCredentials +
                Settings.StartUp + Settings.UpdateMode,
            0);
  EXPECT_EQ(fake.combos[kLetters].selection, -1);
  EXPECT_EQ(fake.combos[kTypes].selection, 0);  // "NetWork"
  EXPECT_EQ(fake.RunKey().count("quorvane"), 0u);
  EXPECT_FALSE(fake.HasFile(kIni));  // a load never creates the file
}

struct LoadCase {
  const char* file;
  // Record afterwards.
  const char* mapToDrive;
  int driveType, startUp, updateMode, persistant;
  // Controls afterwards.
  int letterSelection, typeSelection;
  unsigned box18, box19, box14;
};

// Hand-edited values: first letter only, lower case selects nothing, low
// eight bits of numbers, "StartUp" counts only as exactly 1.
const LoadCase kLoadCases[] = {
    {"[MAIN]\r\nMapToDrive=Q\r\nDriveType=2\r\n", "Q:", 2, 0, 0, 0, 16, 2, 0, 0, 0},
    {"[MAIN]\r\nMapToDrive=abc\r\n", "a:", 0, 0, 0, 0, -1, 0, 0, 0, 0},
    {"[MAIN]\r\nMapToDrive=zed\r\nDriveType=3\r\n", "z:", 3, 0, 0, 0, -1, -1, 0, 0, 0},
    {"[MAIN]\r\nStartUp=2\r\n", "", 0, 2, 0, 0, -1, 0, 0, 0, 0},
    {"[MAIN]\r\nStartUp=1\r\n", "", 0, 1, 0, 0, -1, 0, 1, 0, 0},
    // "UpdateMode" 2 checks box 19 and clears StartUp in a copy not installed.
    {"[MAIN]\r\nStartUp=1\r\nUpdateMode=2\r\n", "", 0, 0, 2, 0, -1, 0, 1, 1, 0},
    {"[MAIN]\r\nPersistantConnection=300\r\nDriveType=-1\r\n", "", 255, 0, 0, 44, -1, -1, 0, 0, 1},
    {"[MAIN]\r\nPersistantConnection=abc\r\nUpdateMode=256\r\n", "", 0, 0, 0, 0, -1, 0, 0, 0, 0},
    {"[main]\r\n  mapToDrive = C \r\n", "C:", 0, 0, 0, 0, 2, 0, 0, 0, 0},
    {"\x01\x02\xff garbage \x7f\r\n==\r\n[[\r\n", "", 0, 0, 0, 0, -1, 0, 0, 0, 0},
};

TEST_F(SettingsTest, MainLoadTable) {
  UiState.UiMode = 1;
  for (const LoadCase& c : kLoadCases) {
    SCOPED_TRACE(c.file);
    ResetProcessState();
    SetUp();
    UiState.UiMode = 1;
    fake.controls.clear();
    fake.Ini(kIni) = c.file;
    TransferSettings(kDialog, kGroupMain, kLoad);
    EXPECT_STREQ(Settings.MapToDrive, c.mapToDrive);
    EXPECT_EQ(Settings.DriveType, c.driveType);
    EXPECT_EQ(Settings.StartUp, c.startUp);
    EXPECT_EQ(Settings.UpdateMode, c.updateMode);
    EXPECT_EQ(Settings.PersistantConnection, c.persistant);
    EXPECT_EQ(fake.combos[kLetters].selection, c.letterSelection);
    EXPECT_EQ(fake.combos[kTypes].selection, c.typeSelection);
    EXPECT_EQ(fake.Control(kDialog, IDX_START_UP).check, c.box18);
    EXPECT_EQ(fake.Control(kDialog, IDX_UPDATE_MODE).check, c.box19);
    EXPECT_EQ(fake.Control(kDialog, IDX_PERSISTANT).check, c.box14);
  }
}

TEST_F(SettingsTest, InstalledCopyShowsButClearsUpdateMode) {
  Settings.RunningInstalled = 1;
  UiState.UiMode = 1;
  fake.Ini(kIni) = "[MAIN]\r\nStartUp=1\r\nUpdateMode=1\r\n";
  TransferSettings(kDialog, kGroupMain, kLoad);
  EXPECT_EQ(Settings.UpdateMode, 0);
  EXPECT_EQ(Settings.StartUp, 1);
  EXPECT_EQ(fake.Control(kDialog, IDX_UPDATE_MODE).check, 1u);
  EXPECT_EQ(fake.RunKey()["quorvane"], "\"C:\\Q\\quorvane.exe\"");
}

TEST_F(SettingsTest, LoadOnlyEverChecksBoxes) {
  UiState.UiMode = 1;
  for (int id = 14; id <= 19; ++id) fake.Control(kDialog, id).check = 1;
  fake.Ini(kIni) = "[MAIN]\r\nPersistantConnection=0\r\nStartUp=0\r\n";
  TransferSettings(kDialog, kGroupMain, kLoad);
  for (int id = 14; id <= 19; ++id) EXPECT_EQ(fake.Control(kDialog, id).check, 1u);
}

TEST_F(SettingsTest, NoControlIsTouchedWithoutUiModeOrDialog) {
  fake.Ini(kIni) =
      "[MAIN]\r\nShareAddress=x\r\nSaveCredentials=1\r\nUserName=u\r\n"
      "StartUp=1\r\n[SHAREERROR]\r\nTitle=t\r\n[SECTEXECUTE]\r\nExecute1=e\r\n";
  for (int group : {1, 2, 5}) TransferSettings(kDialog, group, kLoad);
  UiState.UiMode = 1;
  for (int group : {1, 2, 5}) TransferSettings(nullptr, group, kLoad);
  EXPECT_FALSE(TouchedControls());
  EXPECT_STREQ(Settings.ShareAddress, "x");
  EXPECT_STREQ(Settings.EndUserMessage.Title, "t");
  EXPECT_STREQ(Settings.Execute1, "e");
}

TEST_F(SettingsTest, LongValuesComeBackCutTo259) {
  const std::string longValue(300, 'v');
  fake.Ini(kIni) = "[MAIN]\r\nShareAddress=" + longValue +
                   "\r\n[MAPERROR]\r\nLine5=" + longValue +
                   "\r\n[SECTEXECUTE]\r\nParameters3=" + longValue + "\r\n";
  TransferSettings(nullptr, kGroupMain, kLoad);
  TransferSettings(nullptr, kGroupMapError, kLoad);
  TransferSettings(nullptr, kGroupPrograms, kLoad);
  EXPECT_EQ(std::string(Settings.ShareAddress), std::string(259, 'v'));
  EXPECT_EQ(std::string(Settings.EndUserMessage.Line5), std::string(259, 'v'));
  EXPECT_EQ(std::string(Settings.Parameters3), std::string(259, 'v'));
}

TEST_F(SettingsTest, MessageGroupsDefaultToTheirKeyNames) {
  for (int group : {kGroupShareError, kGroupMapError, kGroupCredentials}) {
    TransferSettings(nullptr, group, kLoad);
    const EndUserMessageRecord& m = Settings.EndUserMessage;
    EXPECT_STREQ(m.Title, "Title");
    EXPECT_STREQ(m.Line1, "Line1");
    EXPECT_STREQ(m.Line3, "Line3");
    EXPECT_STREQ(m.Line5, "Line5");
    EXPECT_EQ(m.Buttons, 0);
  }
}

TEST_F(SettingsTest, MessageGroupsTravelToTheirOwnSection) {
  const char* sections[] = {"SHAREERROR", "MAPERROR", "CREDENTIALS"};
  fake.combos[kButtons].entries = 2;
  for (int group = 2; group <= 4; ++group) {
    const std::string section = sections[group - 2];
    fake.Ini(kIni) = "[" + section + "]\r\nTitle=T" + section + "\r\nLine2=two\r\nButtons=1\r\n";
    UiState.UiMode = static_cast<uint8_t>(group);
    fake.controls.clear();
    TransferSettings(kDialog, group, kLoad);
    EXPECT_EQ(std::string(Settings.EndUserMessage.Title), "T" + section);
    EXPECT_EQ(Settings.EndUserMessage.Buttons, 1);
    EXPECT_EQ(fake.Control(kDialog, IDE_MESSAGE_TITLE).text, "T" + section);
    EXPECT_EQ(fake.Control(kDialog, IDE_MESSAGE_LINE2).text, "two");
    EXPECT_EQ(fake.Control(kDialog, IDE_MESSAGE_LINE5).text, "Line5");
    EXPECT_EQ(fake.combos[kButtons].selection, 1);

    fake.profileWrites.clear();
    fake.Control(kDialog, IDE_MESSAGE_LINE1).text = "one";
    TransferSettings(kDialog, group, kSave);
    const std::vector<std::string> expected = {
        section + "/Title=T" + section, section + "/Line1=one",
        section + "/Line2=two",         section + "/Line3=Line3",
        section + "/Line4=Line4",       section + "/Line5=Line5",
        section + "/Buttons=1"};
    EXPECT_EQ(fake.profileWrites, expected);
    EXPECT_STREQ(Settings.EndUserMessage.Line1, "one");
  }
}

// The credentials list has one entry: a stored 1 selects nothing and a save
// then writes "0".
TEST_F(SettingsTest, CredentialsButtonsBeyondTheListSaveAsZero) {
  fake.combos[kButtons].entries = 1;
  fake.Ini(kIni) = "[CREDENTIALS]\r\nButtons=1\r\n";
  UiState.UiMode = 4;
  TransferSettings(kDialog, kGroupCredentials, kLoad);
  EXPECT_EQ(fake.combos[kButtons].selection, -1);
  TransferSettings(kDialog, kGroupCredentials, kSave);
  std::string v;
  ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "CREDENTIALS", "Buttons", &v));
  EXPECT_EQ(v, "0");
}

TEST_F(SettingsTest, ProgramsTravelInOrder) {
  UiState.UiMode = 5;
  const int ids[6] = {3, 6, 12, 14, 15, 16};
  const char* keys[6] = {"Execute1", "Parameters1", "Execute2",
                         "Parameters2", "Execute3", "Parameters3"};
  for (int i = 0; i < 6; ++i) fake.Control(kDialog, ids[i]).text = std::string("v") + keys[i];
  TransferSettings(kDialog, kGroupPrograms, kSave);
  ASSERT_EQ(fake.profileWrites.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(fake.profileWrites[i],
              std::string("SECTEXECUTE/") + keys[i] + "=v" + keys[i]);
  }
  fake.controls.clear();
  ResetProcessState();
  SetUp();
  UiState.UiMode = 5;
  TransferSettings(kDialog, kGroupPrograms, kLoad);
  EXPECT_STREQ(Settings.Parameters2, "vParameters2");
  EXPECT_EQ(fake.Control(kDialog, IDE_EXECUTE3).text, "vExecute3");
}

TEST_F(SettingsTest, StoreCredentialsWritesTheGivenNameAndThePassword) {
  CopyText(Settings.UserName, "EXPANDED\\user");
  CopyText(Settings.PassWord, "pw");
  EXPECT_EQ(StoreCredentials("%USERDOMAIN%\\%USERNAME%"), 0u);
  EXPECT_EQ(fake.profileWrites, (std::vector<std::string>{
                                    "MAIN/UserName=%USERDOMAIN%\\%USERNAME%", "MAIN/PassWord=pw"}));
  EXPECT_FALSE(TouchedControls());
  fake.File(kIni).readOnly = true;
  EXPECT_EQ(StoreCredentials("x"), 5u);
  fake.File(kIni).readOnly = false;
  EXPECT_EQ(StoreCredentials("x"), 0u);  // an earlier refusal is not reported again
}

TEST_F(SettingsTest, UpdateModeGroupMovesOneKey) {
  fake.Ini(kIni) = "[MAIN]\r\nShareAddress=keep\r\nUpdateMode=2\r\n";
  TransferSettings(kDialog, kGroupUpdateMode, kLoad);
  EXPECT_EQ(Settings.UpdateMode, 2);
  EXPECT_STREQ(Settings.ShareAddress, "");
  Settings.UpdateMode = 0;
  TransferSettings(nullptr, kGroupUpdateMode, kSave);
  EXPECT_EQ(fake.Ini(kIni), "[MAIN]\r\nShareAddress=keep\r\nUpdateMode=0\r\n");
  // A hand-edited value beyond one digit is written as a number, not as the
  // character that happens to follow '9'.
  Settings.UpdateMode = 44;
  TransferSettings(nullptr, kGroupUpdateMode, kSave);
  EXPECT_EQ(fake.Ini(kIni), "[MAIN]\r\nShareAddress=keep\r\nUpdateMode=44\r\n");
}

// A save of the setup dialog keeps comments, unknown keys and other sections
// exactly where they were.
TEST_F(SettingsTest, RoundTripKeepsWhatItDoesNotKnow) {
  const std::string before =
      "; mapping for the accounts office\r\n"
      "[MAIN]\r\n"
      "ShareAddress=\\\\srv\\accounts\r\n"
      "Owner=IT desk\r\n"
      "MapToDrive=K\r\n"
      "DriveType=0\r\n"
      "SaveCredentials=0\r\n"
      "PersistantConnection=1\r\n"
      "ForceDisConnection=0\r\n"
      "PromptCredentials=0\r\n"
      "StartUp=1\r\n"
      "UpdateMode=0\r\n"
      "\r\n"
      "[SHAREERROR]\r\n"
      "Title=No server\r\n";
  fake.Ini(kIni) = before;
  UiState.UiMode = 1;
  TransferSettings(kDialog, kGroupMain, kLoad);
  TransferSettings(kDialog, kGroupMain, kSave);
  EXPECT_EQ(fake.Ini(kIni), before);

  fake.Control(kDialog, IDX_SAVE_CREDENTIALS).check = 1;
  fake.Control(kDialog, IDE_SETUP_USER).text = "anna";
  TransferSettings(kDialog, kGroupMain, kSave);
  EXPECT_EQ(fake.Ini(kIni),
            "; mapping for the accounts office\r\n"
            "[MAIN]\r\n"
            "ShareAddress=\\\\srv\\accounts\r\n"
            "Owner=IT desk\r\n"
            "MapToDrive=K\r\n"
            "DriveType=0\r\n"
            "SaveCredentials=1\r\n"
            "PersistantConnection=1\r\n"
            "ForceDisConnection=0\r\n"
            "PromptCredentials=0\r\n"
            "StartUp=1\r\n"
            "UpdateMode=0\r\n"
            "UserName=anna\r\n"
            "PassWord=\r\n"
            "\r\n"
            "[SHAREERROR]\r\n"
            "Title=No server\r\n");
}

TEST_F(SettingsTest, SaveWithoutDialogWipesNothing) {
  fake.Ini(kIni) = "[MAIN]\r\nShareAddress=keep\r\n";
  for (int group = 1; group <= 5; ++group) TransferSettings(nullptr, group, kSave);
  EXPECT_EQ(fake.Ini(kIni), "[MAIN]\r\nShareAddress=keep\r\n");
  EXPECT_TRUE(fake.profileWrites.empty());
}

TEST_F(SettingsTest, ReadOnlyFileLeavesEverythingAsItWas) {
  fake.Ini(kIni) = "[MAIN]\r\nShareAddress=keep\r\n";
  fake.File(kIni).readOnly = true;
  FillMainControls();
  EXPECT_EQ(TransferSettings(kDialog, kGroupMain, kSave), 5u);  // access denied
  EXPECT_EQ(fake.Ini(kIni), "[MAIN]\r\nShareAddress=keep\r\n");
  EXPECT_EQ(TransferSettings(nullptr, kGroupMain, kLoad), 0u);
  EXPECT_STREQ(Settings.ShareAddress, "keep");
  // The system gave no code: still a failure.
  fake.writeRefusal = 0;
  Settings.UpdateMode = 1;
  EXPECT_EQ(TransferSettings(nullptr, kGroupUpdateMode, kSave), 31u);
}

// Without a settings path the profile functions would fall back to win.ini.
TEST_F(SettingsTest, NoSettingsPathMeansNoFileAtAll) {
  Settings.IniPath[0] = '\0';
  FillMainControls();
  TransferSettings(kDialog, kGroupMain, kSave);
  StoreCredentials("u");
  TransferSettings(nullptr, kGroupMapError, kLoad);
  EXPECT_TRUE(fake.profileWrites.empty());
  EXPECT_TRUE(fake.files.empty());
  EXPECT_STREQ(Settings.EndUserMessage.Title, "Title");
}

TEST_F(SettingsTest, UnknownGroupMovesNothing) {
  fake.Ini(kIni) = "[MAIN]\r\nShareAddress=x\r\n";
  for (int group : {6, 7, 255, -1}) {
    TransferSettings(kDialog, group, kLoad);
    TransferSettings(kDialog, group, kSave);
  }
  EXPECT_STREQ(Settings.ShareAddress, "");
  EXPECT_TRUE(fake.profileWrites.empty());
}

}  // namespace
}  // namespace qv
