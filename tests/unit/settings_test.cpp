#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "mapping/mapping_run.h"
#include "settings/settings.h"
#include "settings/text.h"
#include "tests/fake/fake_platform.h"
#include "tests/unit/setup_world.h"
#include "ui/setup_logic.h"

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

  // The main record, the setup dialog's lists and boxes, and whether the Run
  // key holds this copy, on one line.
  std::string Main() {
    const SettingsRecord& s = Settings;
    auto shown = [](char c) { return c ? c : '.'; };
    std::string boxes;
    for (int id = IDX_PERSISTANT; id <= IDX_UPDATE_MODE; ++id) {
      boxes += std::to_string(fake.Control(kDialog, id).check);
    }
    char line[1000];
    std::snprintf(line, sizeof line, "%s|%c%c|%d|%d%d%d%d%d%d|%s/%s|%d %d %s %c", s.ShareAddress,
                  shown(s.MapToDrive[0]), shown(s.MapToDrive[1]), s.DriveType,
                  s.SaveCredentials, s.PersistantConnection, s.ForceDisConnection,
                  s.PromptCredentials, s.StartUp, s.UpdateMode, s.UserName, s.PassWord,
                  fake.combos[kLetters].selection, fake.combos[kTypes].selection,
                  boxes.c_str(), fake.RunKey().count("quorvane") ? '+' : '-');
    return line;
  }

  test::FakePlatform fake;
};

// What the setup dialog's Save writes, in order, and what it keeps: texts go
// into the record, letter, type and flags only to the file; credentials only
// when asked, leaving earlier ones in place.
TEST_F(SettingsTest, MainSave) {
  fake.Control(kDialog, IDE_SETUP_ADDRESS).text = "\\\\srv\\data";
  fake.Control(kDialog, IDE_SETUP_USER).text = "%USERNAME%";
  fake.Control(kDialog, IDE_SETUP_PASSWORD).text = "s3cret";
  const unsigned boxes[] = {1, 0, 1, 1, 1, 0};
  for (int i = 0; i < 6; ++i) fake.Control(kDialog, IDX_PERSISTANT + i).check = boxes[i];
  fake.combos[kLetters].selection = 16;  // Q
  fake.combos[kTypes].selection = 1;     // Subst
  EXPECT_EQ(TransferSettings(kDialog, kGroupMain, kSave), 0u);
  EXPECT_EQ(fake.Ini(kIni),
            "[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\nDriveType=1\r\n"
            "SaveCredentials=1\r\nUserName=%USERNAME%\r\nPassWord=s3cret\r\n"
            "PersistantConnection=1\r\nForceDisConnection=0\r\nPromptCredentials=1\r\n"
            "StartUp=1\r\nUpdateMode=0\r\n");
  EXPECT_EQ(Main(), "\\\\srv\\data|..|0|000000|%USERNAME%/s3cret|16 1 101110 -");

  fake.Ini(kIni) = "; note\r\n[MAIN]\r\nUserName=old\r\nWaitForNetwork=30\r\nPassWord=oldpw\r\n\r\n[X]\r\n";
  fake.combos[kLetters].selection = 0;  // A, the first letter
  fake.combos[kTypes].selection = -1;
  fake.Control(kDialog, IDX_SAVE_CREDENTIALS).check = 0;
  CopyText(Settings.UserName, "mem");
  TransferSettings(kDialog, kGroupMain, kSave);
  EXPECT_EQ(fake.Ini(kIni),
            "; note\r\n[MAIN]\r\nUserName=old\r\nWaitForNetwork=30\r\nPassWord=oldpw\r\n"
            "ShareAddress=\\\\srv\\data\r\nMapToDrive=A\r\nDriveType=0\r\nSaveCredentials=0\r\n"
            "PersistantConnection=1\r\nForceDisConnection=0\r\nPromptCredentials=1\r\n"
            "StartUp=1\r\nUpdateMode=0\r\n\r\n[X]\r\n");
  EXPECT_STREQ(Settings.UserName, "mem");

  // No selection, or one past Z, saves the letter X.
  for (const int selection : {-1, 26}) {
    fake.combos[kLetters].selection = selection;
    TransferSettings(kDialog, kGroupMain, kSave);
    EXPECT_NE(fake.Ini(kIni).find("\r\nMapToDrive=X\r\n"), std::string::npos) << selection;
  }
}

// Hand-edited values: first letter only, lower case selects nothing, low
// eight bits of numbers, "StartUp" counts only as exactly 1, credentials only
// with "SaveCredentials", and a load only ever checks boxes.
TEST_F(SettingsTest, MainLoad) {
  const struct {
    const char* file;  // null: none
    const char* main;
  } cases[] = {
      {nullptr, "|.:|0|000000|mem/|-1 0 000000 -"},
      {"[MAIN]\nMapToDrive=Q\nDriveType=2\nShareAddress=\\\\s\\x", "\\\\s\\x|Q:|2|000000|mem/|16 2 000000 -"},
      {"[MAIN]\nMapToDrive=abc", "|a:|0|000000|mem/|-1 0 000000 -"},
      {"[MAIN]\nMapToDrive=zed\nDriveType=3", "|z:|3|000000|mem/|-1 -1 000000 -"},
      {"[MAIN]\nStartUp=2\nForceDisConnection=1\nPromptCredentials=1", "|.:|0|001120|mem/|-1 0 011000 -"},
      {"[MAIN]\nStartUp=1", "|.:|0|000010|mem/|-1 0 000010 +"},
      {"[MAIN]\nStartUp=1\nUpdateMode=2", "|.:|0|000002|mem/|-1 0 000011 -"},  // not installed
      {"[MAIN]\nPersistantConnection=300\nDriveType=-1", "|.:|255|0440000|mem/|-1 -1 100000 -"},
      {"[MAIN]\nPersistantConnection=abc\nUpdateMode=256", "|.:|0|000000|mem/|-1 0 000000 -"},
      {"[main]\n  mapToDrive = C \nUserName=u\nPassWord=p", "|C:|0|000000|mem/|2 0 000000 -"},
      {"[MAIN]\nSaveCredentials=1\nUserName=u\nPassWord=p", "|.:|0|100000|u/p|-1 0 000100 -"},
      {"\x01\x02\xff garbage \x7f\n==\n[[\n", "|.:|0|000000|mem/|-1 0 000000 -"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file ? c.file : "no file");
    fake.Reset();
    SetUp();
    UiState.UiMode = 1;
    if (c.file) fake.Ini(kIni) = c.file;
    CopyText(Settings.UserName, "mem");
    fake.RunKey()["quorvane"] = Settings.QuotedProgramPath;  // kept or removed by every load
    TransferSettings(kDialog, kGroupMain, kLoad);
    EXPECT_EQ(Main(), c.main);
    EXPECT_EQ(fake.HasFile(kIni), c.file != nullptr);  // a load never creates the file
  }
  for (int id = IDX_PERSISTANT; id <= IDX_UPDATE_MODE; ++id) fake.Control(kDialog, id).check = 1;
  fake.Ini(kIni) = "[MAIN]\nPersistantConnection=0\nStartUp=0\nShareAddress=a\nSaveCredentials=1\nUserName=u\nPassWord=p";
  TransferSettings(kDialog, kGroupMain, kLoad);
  EXPECT_EQ(Main(), "a|.:|0|100000|u/p|-1 0 111111 -");
  EXPECT_EQ(fake.Control(kDialog, IDE_SETUP_ADDRESS).text + fake.Control(kDialog, IDE_SETUP_USER).text +
                fake.Control(kDialog, IDE_SETUP_PASSWORD).text, "aup");
}

TEST_F(SettingsTest, InstalledCopyShowsButClearsUpdateMode) {
  Settings.RunningInstalled = 1;
  UiState.UiMode = 1;
  fake.Ini(kIni) = "[MAIN]\r\nStartUp=1\r\nUpdateMode=1\r\n";
  TransferSettings(kDialog, kGroupMain, kLoad);
  EXPECT_EQ(Main(), "|.:|0|000010|/|-1 0 000011 +");
  EXPECT_EQ(fake.RunKey()["quorvane"], "\"C:\\Q\\quorvane.exe\"");
}

// Without the dialog's mode or the dialog itself, loads fill only the record,
// and saves write nothing; an unknown group moves nothing at all.
TEST_F(SettingsTest, NoControlsNoWrites) {
  fake.Ini(kIni) = "[MAIN]\r\nShareAddress=x\r\n[SHAREERROR]\r\nTitle=t\r\n[SECTEXECUTE]\r\nExecute1=e\r\n";
  for (int group : {1, 2, 5}) TransferSettings(kDialog, group, kLoad);
  UiState.UiMode = 1;
  for (int group : {1, 2, 5}) TransferSettings(nullptr, group, kLoad);
  for (int group = 1; group <= 5; ++group) EXPECT_EQ(TransferSettings(nullptr, group, kSave), 0u);
  for (int group : {6, 255, -1}) {
    TransferSettings(kDialog, group, kLoad);
    EXPECT_EQ(TransferSettings(kDialog, group, kSave), 0u);
  }
  for (const std::string& e : fake.log) EXPECT_EQ(e.rfind("reg", 0), 0u) << e;  // no control
  EXPECT_TRUE(fake.profileWrites.empty());
  EXPECT_EQ(std::string(Settings.ShareAddress) + Settings.EndUserMessage.Title + Settings.Execute1, "xte");
}

TEST_F(SettingsTest, LongValuesComeBackCutTo259) {
  const std::string v(300, 'v');
  fake.Ini(kIni) = "[MAIN]\nShareAddress=" + v + "\n[MAPERROR]\nLine5=" + v + "\n[SECTEXECUTE]\nParameters3=" + v;
  for (int group : {kGroupMain, kGroupMapError, kGroupPrograms}) TransferSettings(nullptr, group, kLoad);
  EXPECT_EQ(std::string(Settings.ShareAddress) + Settings.EndUserMessage.Line5 + Settings.Parameters3,
            std::string(3 * 259, 'v'));
  fake.Control(kDialog, IDE_SETUP_ADDRESS).text = std::string(300, 'c');  // and from the dialog
  TransferSettings(kDialog, kGroupMain, kSave);
  EXPECT_EQ(std::string(Settings.ShareAddress), std::string(259, 'c'));
}

// Each message group reads its own section (key names where keys are
// missing), fills the message dialog and writes back in order. The
// credentials list has one entry: a stored 1 selects nothing and saves as 0.
TEST_F(SettingsTest, MessageGroups) {
  const char* sections[] = {"SHAREERROR", "MAPERROR", "CREDENTIALS"};
  for (int group = kGroupShareError; group <= kGroupCredentials; ++group) {
    const std::string section = sections[group - kGroupShareError];
    SCOPED_TRACE(section);
    TransferSettings(nullptr, group, kLoad);
    const EndUserMessageRecord& m = Settings.EndUserMessage;
    EXPECT_EQ(std::string(m.Title) + m.Line1 + m.Line2 + m.Line3 + m.Line4 + m.Line5 + char('0' + m.Buttons),
              "TitleLine1Line2Line3Line4Line50");
    fake.combos[kButtons].entries = group == kGroupCredentials ? 1 : 2;
    fake.Ini(kIni) = "[" + section + "]\r\nTitle=T\r\nLine2=two\r\nButtons=1\r\n";
    UiState.UiMode = static_cast<uint8_t>(group);
    fake.controls.clear();
    TransferSettings(kDialog, group, kLoad);
    EXPECT_EQ(Settings.EndUserMessage.Buttons, 1);
    EXPECT_EQ(fake.Control(kDialog, IDE_MESSAGE_TITLE).text + fake.Control(kDialog, IDE_MESSAGE_LINE2).text +
                  fake.Control(kDialog, IDE_MESSAGE_LINE5).text,
              "TtwoLine5");
    const int selected = group == kGroupCredentials ? -1 : 1;
    EXPECT_EQ(fake.combos[kButtons].selection, selected);

    fake.profileWrites.clear();
    fake.Control(kDialog, IDE_MESSAGE_LINE1).text = "one";
    TransferSettings(kDialog, group, kSave);
    std::string written;
    for (const std::string& w : fake.profileWrites) written += w.substr(section.size()) + " ";
    EXPECT_EQ(written, "/Title=T /Line1=one /Line2=two /Line3=Line3 /Line4=Line4 /Line5=Line5 /Buttons=" +
                           std::to_string(selected == 1 ? 1 : 0) + " ");
    EXPECT_STREQ(Settings.EndUserMessage.Line1, "one");
  }
}

TEST_F(SettingsTest, ProgramsTravelInOrder) {
  UiState.UiMode = 5;
  const int ids[6] = {IDE_EXECUTE1, IDE_PARAMETERS1, IDE_EXECUTE2, IDE_PARAMETERS2, IDE_EXECUTE3, IDE_PARAMETERS3};
  for (int i = 0; i < 6; ++i) fake.Control(kDialog, ids[i]).text = std::to_string(i);
  TransferSettings(kDialog, kGroupPrograms, kSave);
  EXPECT_EQ(fake.Ini(kIni), "[SECTEXECUTE]\r\nExecute1=0\r\nParameters1=1\r\nExecute2=2\r\n"
                            "Parameters2=3\r\nExecute3=4\r\nParameters3=5\r\n");
  fake.controls.clear();
  TransferSettings(kDialog, kGroupPrograms, kLoad);
  const SettingsRecord& s = Settings;
  EXPECT_EQ(std::string(s.Execute1) + s.Parameters1 + s.Execute2 + s.Parameters2 + s.Execute3 + s.Parameters3,
            "012345");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(fake.Control(kDialog, ids[i]).text, std::to_string(i));
}

TEST_F(SettingsTest, StoreCredentialsWritesTheGivenNameAndThePassword) {
  CopyText(Settings.UserName, "EXPANDED\\user");
  CopyText(Settings.PassWord, "pw");
  EXPECT_EQ(StoreCredentials("%USERDOMAIN%\\%USERNAME%"), 0u);
  EXPECT_EQ(fake.Ini(kIni), "[MAIN]\r\nUserName=%USERDOMAIN%\\%USERNAME%\r\nPassWord=pw\r\n");
  EXPECT_EQ(fake.Trace(), "");
  fake.File(kIni).readOnly = true;
  EXPECT_EQ(StoreCredentials("x"), 5u);
  fake.File(kIni).readOnly = false;
  EXPECT_EQ(StoreCredentials("x"), 0u);  // an earlier refusal is not reported again
}

// A file that refuses writes is left as it was and the first refusal is
// returned (31 when the system gives no code); without a settings path no
// file is ever touched, since the profile calls would fall back to win.ini.
TEST_F(SettingsTest, RefusedAndMissingFiles) {
  fake.Ini(kIni) = "[MAIN]\r\nShareAddress=keep\r\n";
  fake.File(kIni).readOnly = true;
  EXPECT_EQ(TransferSettings(kDialog, kGroupMain, kSave), 5u);
  EXPECT_EQ(fake.Ini(kIni), "[MAIN]\r\nShareAddress=keep\r\n");
  fake.writeRefusal = 0;
  EXPECT_EQ(TransferSettings(nullptr, kGroupUpdateMode, kSave), 31u);

  fake.Reset();
  SetUp();
  Settings.IniPath[0] = '\0';
  Settings.DriveType = 9;
  EXPECT_EQ(TransferSettings(kDialog, kGroupMain, kSave), 0u);
  EXPECT_EQ(StoreCredentials("u"), 0u);
  TransferSettings(nullptr, kGroupMapError, kLoad);
  TransferSettings(nullptr, kGroupMain, kLoad);
  EXPECT_EQ(Main(), "|.:|0|000000|/|-1 -1 000000 -");
  EXPECT_TRUE(fake.profileWrites.empty());
  EXPECT_TRUE(fake.files.empty());
  EXPECT_STREQ(Settings.EndUserMessage.Title, "Title");
}

// The text helpers never write past their buffer, and say when they cut or refuse.
TEST(Text, CutsAndRefusesWithinTheBuffer) {
  char b[6] = "abc";
  EXPECT_FALSE(AppendText(b, "def"));
  EXPECT_STREQ(b, "abcde");
  EXPECT_FALSE(AppendText(b, "f"));  // full
  EXPECT_STREQ(b, "abcde");
  EXPECT_TRUE(CopyText(b, "12345"));
  EXPECT_FALSE(CopyText(b, 0, "x"));
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_FALSE(AppendText(unterminated, "x"));
  EXPECT_EQ(std::string(unterminated, 4), "abcd");
}

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
// default value must not be taken for it. A one-letter name is a name.
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
  CopyText(Settings.ProgramName, "q");
  EXPECT_EQ(ApplyStartWithSystem(), 0u);
  EXPECT_EQ(fake.RunKey().count("q"), 1u);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

#define SRV "\\\\srv\\data"
#define TARGET "credread Quorvane:" SRV
#define WRITE "credwrite Quorvane:" SRV
#define ON TARGET " | connect X: " SRV " c/cpw 0 1 | " TARGET
#define OFF "connect X: " SRV " file/old 0 1"
#define NAMED TARGET " | connect X: " SRV " file/ 0 1"
#define REFUSED "box Settings Not Saved: The password could not be saved in the Windows Credential Manager:\n"
#define CPW u"c", Secret(u"cpw")
#define NONE nullptr, ""

enum Via : uint8_t { kLogOn, kMapNow, kSave };

std::string Secret(const std::u16string& password) {
  std::string bytes;
  for (char16_t c : password) bytes += {char(c & 0xFF), char(c >> 8)};
  return bytes;
}

// With "CredentialManager" exactly 1 (and "SaveCredentials"), a password
// lives in the user's credential of the address being connected, never in
// the file; the file's user name is the template for everyone.
TEST(CredentialManager, Rules) {
  const struct {
    const char* name;
    const char* main;  // [MAIN] keys taking precedence over the defaults below
    Via via;
    const char* fields;  // the setup dialog's address|user|password, then "|+" or "|-": the box changed
    const char16_t* user;  // the stored credential of SRV; null: none
    std::string secret;
    uint32_t refusal;
    std::deque<uint32_t> results;
    std::deque<test::PromptAnswer> answers;
    const char* trace;  // credential calls, connections, prompts and boxes
    const char* file;   // UserName/PassWord afterwards, "-" where missing
  } cases[] = {
      {"key empty: the file, as without the key", "CredentialManager=\n", kLogOn, "", CPW, 0, {}, {}, OFF, "file/old"},
      {"key 1: the credential", "", kLogOn, "", CPW, 0, {}, {}, ON, "file/old"},
      {"key 01", "CredentialManager=01\n", kLogOn, "", CPW, 0, {}, {}, ON, "file/old"},
      {"key 1abc", "CredentialManager=1abc\n", kLogOn, "", CPW, 0, {}, {}, ON, "file/old"},
      {"key 2", "CredentialManager=2\n", kLogOn, "", CPW, 0, {}, {}, OFF, "file/old"},
      {"key 257", "CredentialManager=257\n", kLogOn, "", CPW, 0, {}, {}, OFF, "file/old"},
      {"key -1", "CredentialManager=-1\n", kLogOn, "", CPW, 0, {}, {}, OFF, "file/old"},
      {"key true", "CredentialManager=true\n", kLogOn, "", CPW, 0, {}, {}, OFF, "file/old"},
      {"credentials not saved: nothing read", "SaveCredentials=0\n", kLogOn, "", CPW, 0, {}, {}, "connect X: " SRV " -/- 0 1", "file/old"},
      {"no credential: the file's name, never its password", "", kLogOn, "", NONE, 0, {}, {}, NAMED, "file/old"},
      {"the target as connected", "ShareAddress=\\\\srv\\%USERNAME%\\\n", kLogOn, "", CPW, 0, {}, {},
       "credread Quorvane:\\\\srv\\anna | connect X: \\\\srv\\anna file/ 0 1", "file/old"},
      {"a printer", "DriveType=2\n", kLogOn, "", u"%USERNAME%", Secret(u"cpw"), 0, {}, {}, TARGET " | connect - " SRV " anna/cpw 0 0 | " TARGET, "file/old"},
      {"the prompt shows the credential; its answer is kept", "PromptCredentials=1\n", kLogOn, "", CPW, 0, {}, {{true, "c", "new"}},
       TARGET " | prompt c/cpw | connect X: " SRV " c/new 0 1 | " TARGET " | " WRITE " c/new", "file/-"},
      {"refused, answered, kept", "", kLogOn, "", NONE, 0, {1326}, {{true, "%USERNAME%", "p"}},
       NAMED " | prompt file/ | connect X: " SRV " %USERNAME%/p 0 1 | " TARGET " | " WRITE " %USERNAME%/p", "file/-"},
      {"another name, the same password", "PromptCredentials=1\n", kLogOn, "", CPW, 0, {}, {{true, "d", "cpw"}},
       TARGET " | prompt c/cpw | connect X: " SRV " d/cpw 0 1 | " TARGET " | " WRITE " d/cpw", "file/-"},
      {"a refused write is not reported", "", kLogOn, "", NONE, 1312, {1326}, {{true, "u", "pw"}},
       NAMED " | prompt file/ | connect X: " SRV " u/pw 0 1 | " TARGET " | " WRITE " u/pw", "file/old"},
      {"odd length: none", "", kLogOn, "", u"c", Secret(u"cpw") + "x", 0, {}, {}, NAMED, "file/old"},
      {"a character the code page lacks: none", "", kLogOn, "", u"c", Secret(u"c\u4e2d"), 0, {}, {}, NAMED, "file/old"},
      {"a user name the code page lacks: none", "", kLogOn, "", u"\u4e2d", Secret(u"cpw"), 0, {}, {}, NAMED, "file/old"},
      {"a NUL inside: none", "", kLogOn, "", u"c", Secret(std::u16string(u"a\0b", 3)), 0, {}, {}, NAMED, "file/old"},
      {"259 characters are whole", "", kLogOn, "", u"c", Secret(std::u16string(259, u'\u00e9')), 0, {}, {}, nullptr, "file/old"},
      {"too long for 259: none", "", kLogOn, "", u"c", Secret(std::u16string(300, u'p')), 0, {}, {}, NAMED, "file/old"},
      {"an empty credential", "", kLogOn, "", u"", "", 0, {}, {}, TARGET " | connect X: " SRV " -/- 0 1", "file/old"},
      {"Map Drive Now: the edited address's credential", "", kMapNow, "\\\\srv\\other|u|", CPW, 0, {}, {},
       "credread Quorvane:\\\\srv\\other | connect X: \\\\srv\\other u/ 0 1", "file/old"},
      {"Map Drive Now, empty password", "", kMapNow, SRV "|u|", CPW, 0, {}, {}, ON, "file/old"},
      {"Map Drive Now, typed: with the typed name, kept", "", kMapNow, SRV "|u|p", CPW, 0, {}, {},
       TARGET " | connect X: " SRV " u/p 0 1 | " TARGET " | " WRITE " u/p", "file/-"},
      {"Map Drive Now, typed as stored: not written again", "", kMapNow, SRV "|c|cpw", CPW, 0, {}, {}, ON, "file/old"},
      {"Save, typed", "", kSave, "\\\\srv\\%USERNAME%\\|%USERNAME%|pw", NONE, 0, {}, {},
       "credwrite Quorvane:\\\\srv\\anna %USERNAME%/pw", "%USERNAME%/-"},
      {"Save, nothing typed", "", kSave, SRV "|u|", NONE, 0, {}, {}, "", "u/old"},
      {"Save, box cleared", "", kSave, SRV "|u|pw|-", NONE, 0, {}, {}, "", "file/old"},
      {"Save, box checked anew", "SaveCredentials=0\n", kSave, SRV "|u|pw|+", NONE, 0, {}, {}, WRITE " u/pw", "u/-"},
      {"Save, refused by policy", "", kSave, SRV "|u|pw", NONE, 1312, {}, {}, WRITE " u/pw | " REFUSED "Windows keeps no "
       "passwords for this log-on: a network log-on, or the policy \"Network access: Do not allow storage of passwords "
       "and credentials for network authentication\" is on.", "u/old"},
      {"Save, refused", "", kSave, SRV "|u|pw", NONE, 87, {}, {}, WRITE " u/pw | " REFUSED "Error 87", "u/old"},
      {"Save, key off: the file", "CredentialManager=0\n", kSave, SRV "|u|pw", NONE, 0, {}, {}, "", "u/pw"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fake;
    test::PrepareSetupWorld(fake);
    fake.Ini(kIni) = std::string("[MAIN]\n") + c.main +
                     "SaveCredentials=1\nCredentialManager=1\nUserName=file\nPassWord=old\n"
                     "ShareAddress=" SRV "\nMapToDrive=X\n";
    if (c.user) fake.credentials[u"Quorvane:" SRV] = {c.user, c.secret};
    fake.credentialRefusal = c.refusal;
    fake.probeDefault = 0;
    fake.connectResults = c.results;
    fake.promptAnswers = c.answers;
    if (c.via == kLogOn) {
      UnattendedRun(kDialog);
    } else {
      UiState.UiMode = 1;
      TransferSettings(kDialog, kGroupMain, kLoad);
      std::string f = c.fields;
      for (int id : {IDE_SETUP_ADDRESS, IDE_SETUP_USER, IDE_SETUP_PASSWORD}) {
        fake.Control(kDialog, id).text = f.substr(0, f.find('|'));
        f.erase(0, f.find('|') + 1);
      }
      if (f == "+" || f == "-") fake.Control(kDialog, IDX_SAVE_CREDENTIALS).check = f == "+";  // as the user left it
      if (c.via == kMapNow) MapNow(kDialog); else SaveSetup(kDialog);
    }
    std::string trace;
    for (const std::string& e : fake.log) {
      for (const char* kind : {"cred", "connect", "prompt", "box"}) trace += e.rfind(kind, 0) ? "" : " | " + e;
    }
    trace.erase(0, 3);
    EXPECT_EQ(c.trace ? trace : fake.log.at(fake.log.size() - 2), c.trace ? c.trace : "connect X: " SRV " c/" + std::string(259, '\xe9') + " 0 1");
    std::string file[2] = {"-", "-"};  // the letter and type came from the file, through the lists
    for (int i : {0, 1}) test::IniLookup(fake.Ini(kIni), "MAIN", i ? "PassWord" : "UserName", &file[i]);
    EXPECT_EQ(file[0] + "/" + file[1], c.file);
  }
}

}  // namespace
}  // namespace qv
