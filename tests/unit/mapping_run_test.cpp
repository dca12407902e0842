#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "mapping/mapping_run.h"
#include "settings/settings.h"
#include "tests/fake/fake_platform.h"
#include "tests/unit/setup_world.h"

namespace qv {
namespace {

using test::kDialog;
using test::kIni;
const char kShare[] = "\\\\srv\\data";

class MappingRun : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.Reset();
    ResetProcessState();
    CopyText(Settings.IniPath, kIni);
    CopyText(Settings.ShareAddress, kShare);
    CopyText(Settings.MapToDrive, "X:");
    fake.probe[kShare] = 0;
  }

  void Map() { RunMapping(kDialog, MappingAction::Map); }

  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const auto& b : fake.boxes) out.push_back(b.caption);
    return out;
  }

  test::FakePlatform fake;
};

TEST_F(MappingRun, ProbeDecidesWhetherTheAddressIsReachable) {
  const struct {
    uint32_t probe;
    uint8_t type;
    bool connects;
  } cases[] = {
      {0, 0, true},   {5, 0, true},   {183, 0, true}, {1326, 0, true},
      {53, 0, false}, {67, 0, false}, {3, 0, false},
      {53, 2, true},  // a printer is tried whatever the probe says
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.probe);
    SetUp();
    fake.probe[kShare] = c.probe;
    Settings.DriveType = c.type;
    Map();
    EXPECT_EQ(fake.connections.size(), c.connects ? 1u : 0u);
    EXPECT_EQ(RunState.MappingSucceeded, c.connects ? 1 : 0);
    EXPECT_EQ(RunState.LastErrorCode, c.connects ? 0u : c.probe);
    EXPECT_EQ(Captions(), c.connects ? std::vector<std::string>{}
                                     : std::vector<std::string>{"Title"});
  }
}

TEST_F(MappingRun, ShareErrorSilentOrFromTheSetupDialogStillConnects) {
  fake.probe[kShare] = 53;
  fake.Ini(kIni) = "[SHAREERROR]\r\nButtons=1\r\n";
  Map();
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(fake.connections.size(), 1u);

  SetUp();
  fake.probe[kShare] = 53;
  fake.Ini(kIni) = "[SHAREERROR]\r\nTitle=No %SHARE%\r\n";
  UiState.UiMode = 1;
  fake.connectResults = {53};
  Map();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"No \\\\srv\\data", "Title"}));
  // Owned by the setup dialog, which waits for them.
  EXPECT_EQ(fake.boxes[0].owner, kDialog);
  EXPECT_EQ(fake.boxes[1].owner, kDialog);
  EXPECT_EQ(fake.connections.size(), 1u);
  EXPECT_EQ(RunState.MappingSucceeded, 0);
  EXPECT_EQ(RunState.LastErrorCode, 53u);
  EXPECT_EQ(UiState.UiMode, 1);  // given back after each message
}

TEST_F(MappingRun, MessagesHaveFiveLinesAndExpandedTexts) {
  fake.connectResults = {67};
  fake.Ini(kIni) =
      "[MAPERROR]\r\nTitle=%DRIVE% failed\r\nLine1=Code %ERRORCODE%\r\nLine2=\r\n"
      "Line3=three\r\nLine4=four\r\nLine5=\r\n";
  Map();
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].owner, nullptr);  // the log-on run shows no dialog
  EXPECT_EQ(fake.boxes[0].caption, "X: failed");
  EXPECT_EQ(fake.boxes[0].text, "Code 67\n\nthree\nfour\n");
  EXPECT_EQ(fake.boxes[0].flags, 0x30u);
  EXPECT_EQ(RunState.MappingSucceeded, 0);

  // No section at all: the key names, on five lines.
  SetUp();
  fake.connectResults = {1219};
  Map();
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "Line1\nLine2\nLine3\nLine4\nLine5");
  EXPECT_EQ(fake.boxes[0].caption, "Title");
}

TEST_F(MappingRun, ConnectionCarriesLetterCredentialsAndFlags) {
  CopyText(Settings.UserName, "%COMPUTERNAME%\\%USERNAME%");
  CopyText(Settings.PassWord, "pw %USERNAME%");
  Settings.PersistantConnection = 1;
  Map();
  ASSERT_EQ(fake.connections.size(), 1u);
  const test::ConnectionCall& c = fake.connections[0];
  EXPECT_TRUE(c.hasLocal);
  EXPECT_EQ(c.local, "X:");
  EXPECT_EQ(c.remote, kShare);
  EXPECT_EQ(c.user, "DESK-7\\anna");    // expanded in place
  EXPECT_EQ(c.password, "pw %USERNAME%");  // never expanded
  EXPECT_EQ(c.flags, 1u);
  EXPECT_EQ(c.type, kResourceTypeDisk);
  EXPECT_STREQ(Settings.UserName, "DESK-7\\anna");
  EXPECT_FALSE(fake.HasFile(kIni));  // nothing stored without SaveCredentials
}

TEST_F(MappingRun, TrailingBackslashRules) {
  const struct {
    const char* address;
    const char* connected;
  } cases[] = {
      {"\\\\srv\\data\\", "\\\\srv\\data"},
      {"\\\\srv\\data\\\\", "\\\\srv\\data\\"},
      {"\\\\srv\\data", "\\\\srv\\data"},
  };
  for (const auto& c : cases) {
    SetUp();
    CopyText(Settings.ShareAddress, c.address);
    fake.probe[c.connected] = 0;
    Map();
    ASSERT_EQ(fake.connections.size(), 1u);
    EXPECT_EQ(fake.connections[0].remote, c.connected);
    EXPECT_STREQ(Settings.ShareAddress, c.connected);
  }
}

struct LetterCase {
  uint8_t type;
  uint8_t force;
  std::vector<std::string> log;  // after the probe
};

TEST_F(MappingRun, LetterInUseWithAndWithoutForce) {
  const LetterCase cases[] = {
      {0, 0, {}},  // taken as already mapped
      {0, 1, {"cancel X:", "connect \\\\srv\\data"}},
      {1, 0, {}},
      {1, 1, {"run Subst.exe X: /D", "run Subst.exe X: \\\\srv\\data"}},
      {2, 0, {"connect \\\\srv\\data"}},  // a printer never asks for the letter
      {2, 1, {"cancel X:", "connect \\\\srv\\data"}},
      {255, 0, {}},
      {255, 1, {"cancel X:", "connect \\\\srv\\data"}},
  };
  for (const LetterCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.force));
    SetUp();
    fake.drives['X'] = 4;
    Settings.DriveType = c.type;
    Settings.ForceDisConnection = c.force;
    Map();
    std::vector<std::string> after(fake.log.begin() + 1, fake.log.end());
    EXPECT_EQ(after, c.log);
    EXPECT_EQ(RunState.MappingSucceeded, 1);
  }
}

TEST_F(MappingRun, PrinterAndOtherTypesConnectWithoutALetter) {
  for (uint8_t type : {2, 3, 255}) {
    SetUp();
    Settings.DriveType = type;
    Map();
    ASSERT_EQ(fake.connections.size(), 1u);
    EXPECT_FALSE(fake.connections[0].hasLocal);
  }
}

TEST_F(MappingRun, LogonFailureAsksAgainUntilCancelOrSuccess) {
  fake.Ini(kIni) = "[MAIN]\r\nUserName=old\r\nPassWord=old\r\n";
  CopyText(Settings.UserName, "%USERNAME%");
  Settings.SaveCredentials = 1;
  fake.connectResults = {1326, 1326, 0};
  fake.promptAnswers = {{true, "anna", "wrong"}, {true, "%USERNAME%", "right"}};
  Map();
  ASSERT_EQ(fake.connections.size(), 3u);
  EXPECT_EQ(fake.connections[0].user, "anna");
  EXPECT_EQ(fake.connections[1].password, "wrong");
  EXPECT_EQ(fake.connections[2].user, "%USERNAME%");  // sent as typed
  EXPECT_EQ(fake.connections[2].password, "right");
  ASSERT_EQ(fake.prompts.size(), 2u);
  EXPECT_EQ(fake.prompts[1].user, "anna");  // shown expanded when it opens again
  EXPECT_EQ(RunState.MappingSucceeded, 1);
  EXPECT_EQ(RunState.LastErrorCode, 0u);
  EXPECT_TRUE(fake.boxes.empty());
  std::string v;
  ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "MAIN", "UserName", &v));
  EXPECT_EQ(v, "%USERNAME%");
  ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "MAIN", "PassWord", &v));
  EXPECT_EQ(v, "right");

  // Cancel ends the run as failed, without a message.
  SetUp();
  fake.connectResults = {1326};
  Map();
  EXPECT_EQ(fake.connections.size(), 1u);
  EXPECT_EQ(fake.prompts.size(), 1u);
  EXPECT_EQ(RunState.MappingSucceeded, 0);
  EXPECT_EQ(RunState.LastErrorCode, 1326u);
  EXPECT_TRUE(fake.boxes.empty());
}

// A shared settings file's "%USERNAME%" must stay shared: what is stored is
// the text as typed, never its expansion.
TEST_F(MappingRun, StoredUserNameIsTheTextAsTyped) {
  const struct {
    const char* name;
    const char* userName;
    uint8_t prompt;                 // PromptCredentials
    std::deque<uint32_t> results;   // of the attempts
    std::deque<test::PromptAnswer> answers;
    const char* sent;               // user of the last attempt
    const char* stored;
  } cases[] = {
      {"macro, no prompt", "%USERNAME%", 0, {}, {}, "anna", "%USERNAME%"},
      {"plain name", "bob", 0, {}, {}, "bob", "bob"},
      {"prompt left the shown name", "%USERNAME%", 1, {}, {{true, "anna", "pw"}}, "anna",
       "%USERNAME%"},
      {"prompt took another name", "%USERNAME%", 1, {}, {{true, "carl", "pw"}}, "carl",
       "carl"},
      {"refused, then the shown name again", "%COMPUTERNAME%\\%USERNAME%", 0, {1326, 0},
       {{true, "DESK-7\\anna", "right"}}, "DESK-7\\anna", "%COMPUTERNAME%\\%USERNAME%"},
      {"refused, then a name typed with a macro", "x", 0, {1326, 0},
       {{true, "%USERNAME%", "right"}}, "%USERNAME%", "%USERNAME%"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.Ini(kIni) = "[MAIN]\r\nUserName=old\r\nPassWord=old\r\n";
    CopyText(Settings.UserName, c.userName);
    CopyText(Settings.PassWord, "pw");
    Settings.SaveCredentials = 1;
    Settings.PromptCredentials = c.prompt;
    fake.connectResults = c.results;
    fake.promptAnswers = c.answers;
    Map();
    ASSERT_EQ(RunState.MappingSucceeded, 1);
    EXPECT_EQ(fake.connections.back().user, c.sent);
    std::string v;
    ASSERT_TRUE(test::IniLookup(fake.Ini(kIni), "MAIN", "UserName", &v));
    EXPECT_EQ(v, c.stored);
  }
}

// No user name is the logged-on user: null, not "", for the name, and for
// the password unless one is given ("" would mean "no password"). A letter
// asks for a disk connection; without one the type stays open.
TEST_F(MappingRun, WhatTheConnectionIsAskedWith) {
  const struct {
    const char* user;
    const char* password;
    uint8_t type;
    const char* drive;
    bool hasUser, hasPassword;
    unsigned resourceType;
  } cases[] = {
      {"", "", 0, "X:", false, false, kResourceTypeDisk},
      {"", "pw", 0, "X:", false, true, kResourceTypeDisk},
      {"", "p", 0, "X:", false, true, kResourceTypeDisk},
      {"anna", "", 0, "X:", true, true, kResourceTypeDisk},
      {"anna", "pw", 2, "X:", true, true, kResourceTypeAny},  // printer: no letter
      {"", "", 0, "", false, false, kResourceTypeAny},         // no letter chosen
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.user) + "/" + c.password + "/" + c.drive);
    SetUp();
    CopyText(Settings.UserName, c.user);
    CopyText(Settings.PassWord, c.password);
    Settings.DriveType = c.type;
    CopyText(Settings.MapToDrive, c.drive);
    Map();
    ASSERT_EQ(fake.connections.size(), 1u);
    const test::ConnectionCall& call = fake.connections[0];
    EXPECT_EQ(call.hasUser, c.hasUser);
    EXPECT_EQ(call.hasPassword, c.hasPassword);
    if (c.hasUser) {
      EXPECT_EQ(call.user, c.user);
    }
    if (c.hasPassword) {
      EXPECT_EQ(call.password, c.password);
    }
    EXPECT_EQ(call.type, c.resourceType);
  }
}

// Opened from the setup dialog, the prompt's fields (IDs 3 and 6, as the
// setup dialog's address and user name) must not take the macro menu.
TEST_F(MappingRun, PromptFromTheSetupDialogHasAModeOfItsOwn) {
  for (uint8_t mode : {0, 1}) {
    SetUp();
    UiState.UiMode = mode;
    Settings.PromptCredentials = 1;
    fake.connectResults = {1326};
    fake.promptAnswers = {{true, "a", "b"}};
    Map();
    ASSERT_EQ(fake.prompts.size(), 2u);
    const uint8_t expected = mode == 0 ? 0 : kUiModeCredentialsPrompt;
    EXPECT_EQ(fake.prompts[0].uiMode, expected);
    EXPECT_EQ(fake.prompts[1].uiMode, expected);
    EXPECT_EQ(UiState.UiMode, mode);
  }
}

TEST_F(MappingRun, PromptBeforeTheFirstAttempt) {
  Settings.PromptCredentials = 1;
  CopyText(Settings.UserName, "%USERNAME%");
  CopyText(Settings.PassWord, "%stored%");
  Map();  // no answer scripted: Cancel
  EXPECT_TRUE(fake.connections.empty());
  EXPECT_EQ(RunState.MappingSucceeded, 0);
  ASSERT_EQ(fake.prompts.size(), 1u);
  const test::PromptShown& shown = fake.prompts[0];
  EXPECT_EQ(shown.caption, "Title");  // no "CREDENTIALS" section
  EXPECT_EQ(shown.line1, "Line1");
  EXPECT_EQ(shown.line2, "Line2");
  EXPECT_EQ(shown.userLabel, "Line4");
  EXPECT_EQ(shown.passLabel, "Line5");
  EXPECT_EQ(shown.user, "anna");
  EXPECT_EQ(shown.password, "%stored%");

  SetUp();
  fake.Ini(kIni) = "[CREDENTIALS]\r\nTitle=Log on to %SHARE%\r\nLine2=%SHARE%\r\n";
  Settings.PromptCredentials = 1;
  fake.promptAnswers = {{true, "bob", "pw"}};
  Map();
  ASSERT_EQ(fake.connections.size(), 1u);
  EXPECT_EQ(fake.connections[0].user, "bob");
  EXPECT_EQ(fake.prompts[0].caption, "Log on to \\\\srv\\data");
  EXPECT_EQ(fake.prompts[0].line2, "\\\\srv\\data");
  EXPECT_EQ(RunState.MappingSucceeded, 1);
}

TEST_F(MappingRun, SubstitutionParametersAndOutcome) {
  const struct {
    const char* address;
    const char* parameters;
  } cases[] = {
      {"D:", "X: D:\\"},
      {"C:\\Data", "X: C:\\Data"},
      {"C:\\My Data", "X: \"C:\\My Data\""},  // two parameters, not three
      {"C:\\My Data\\", "X: \"C:\\My Data\""},
  };
  for (const auto& c : cases) {
    SetUp();
    Settings.DriveType = 1;
    CopyText(Settings.ShareAddress, c.address);
    fake.probe[c.address] = 0;
    fake.probe["C:\\My Data"] = 0;
    fake.probe["C:\\Data"] = 0;
    Map();
    ASSERT_EQ(fake.starts.size(), 1u);
    EXPECT_EQ(fake.starts[0].file, "Subst.exe");
    EXPECT_EQ(fake.starts[0].parameters, c.parameters);
    EXPECT_EQ(fake.starts[0].show, 0);
    EXPECT_TRUE(fake.starts[0].waited);
    EXPECT_LE(fake.starts[0].maxWaitMs, 5000u);
    EXPECT_EQ(RunState.MappingSucceeded, 1);
    EXPECT_EQ(RunState.LastErrorCode, 42u);  // what the start returned
  }
  // The letter still free afterwards: failed, with "MAPERROR".
  SetUp();
  fake.substWorks = false;
  Settings.DriveType = 1;
  Map();
  EXPECT_EQ(RunState.MappingSucceeded, 0);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Title"});
}

// 259 characters of folder plus letter, blank and quotes pass whole.
TEST_F(MappingRun, LongFolderPathsAreNeverCut) {
  const std::string folder = "C:\\" + std::string(200, 'f') + " " + std::string(55, 'g');
  CopyText(Settings.ShareAddress, folder.c_str());
  fake.probe[folder] = 0;
  Settings.DriveType = 1;
  Map();
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].parameters, "X: \"" + folder + "\"");
}

TEST_F(MappingRun, UnmapDropsTheLetterAndReportsNothing) {
  const struct {
    uint8_t type;
    const char* log;
  } cases[] = {{0, "cancel X:"}, {1, "start Subst.exe X: /D"}, {2, "cancel X:"}, {255, "cancel X:"}};
  for (const auto& c : cases) {
    SetUp();
    Settings.DriveType = c.type;
    Settings.PersistantConnection = 1;
    RunState.MappingSucceeded = 7;
    RunState.LastErrorCode = 99;
    RunMapping(kDialog, MappingAction::Unmap);
    EXPECT_EQ(fake.log, std::vector<std::string>{c.log});
    EXPECT_EQ(RunState.MappingSucceeded, 7);
    EXPECT_EQ(RunState.LastErrorCode, 99u);
    if (!fake.cancels.empty()) {
      EXPECT_EQ(fake.cancels[0].flags, 1u);
      EXPECT_TRUE(fake.cancels[0].force);
    }
  }
}

struct UnattendedCase {
  bool share, mapped, program2, program3;
  bool close;
  const char* started;  // the program that follows the attempt, or ""
};

TEST_F(MappingRun, UnattendedRunClosesOnlyAfterAnAttemptOrAFollowUp) {
  const UnattendedCase cases[] = {
      {true, true, true, true, true, "two.exe"},
      {true, true, false, true, true, ""},
      {true, false, true, true, true, "three.exe"},
      {true, false, true, false, true, ""},
      {false, false, true, true, true, "three.exe"},
      {false, false, true, false, false, ""},  // the setup dialog opens
      {false, false, false, false, false, ""},
  };
  for (const UnattendedCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.share) + std::to_string(c.mapped) +
                 std::to_string(c.program2) + std::to_string(c.program3));
    SetUp();
    fake.probe[kShare] = c.mapped ? 0 : 53;
    fake.Ini(kIni) = std::string("[MAIN]\r\nMapToDrive=X\r\n") +
                     (c.share ? "ShareAddress=\\\\srv\\data\r\n" : "") +
                     "[SHAREERROR]\r\nButtons=1\r\n[SECTEXECUTE]\r\nExecute1=one.exe\r\n" +
                     (c.program2 ? "Execute2=two.exe\r\n" : "") +
                     (c.program3 ? "Execute3=three.exe\r\n" : "");
    fake.connectResults = {c.mapped ? 0u : 53u};
    fake.Ini(kIni) += "[MAPERROR]\r\nButtons=1\r\n";
    EXPECT_EQ(UnattendedRun(kDialog), c.close);
    ASSERT_GE(fake.starts.size(), 1u);
    EXPECT_EQ(fake.starts[0].file, "one.exe");
    EXPECT_EQ(fake.starts.size(), std::string(c.started).empty() ? 1u : 2u);
    if (fake.starts.size() == 2) {
      EXPECT_EQ(fake.starts[1].file, c.started);
    }
  }
}

TEST_F(MappingRun, UnattendedProgramsSeeTheirMomentsValues) {
  ResetProcessState();
  CopyText(Settings.IniPath, kIni);
  fake.Ini(kIni) =
      "[MAIN]\r\nShareAddress=C:\\Data\r\nMapToDrive=S\r\nDriveType=1\r\n"
      "[SECTEXECUTE]\r\nExecute1=C:\\bin\\%USERNAME%.exe\r\nParameters1=[%DRIVE%][%SHARE%][%ERRORCODE%]\r\n"
      "Execute2=after.exe\r\nParameters2=%DRIVE% %ERRORCODE%\r\n";
  fake.probe["C:\\Data"] = 0;
  fake.startResult = 33;
  EXPECT_TRUE(UnattendedRun(kDialog));
  ASSERT_EQ(fake.starts.size(), 3u);
  EXPECT_EQ(fake.starts[0].file, "C:\\bin\\anna.exe");
  EXPECT_EQ(fake.starts[0].parameters, "[][][0]");  // nothing loaded yet
  EXPECT_EQ(fake.starts[0].show, 5);
  EXPECT_EQ(fake.starts[1].parameters, "S: C:\\Data");
  EXPECT_EQ(fake.starts[2].parameters, "S: 33");
  EXPECT_EQ(fake.waits, std::vector<unsigned>{1000});
  // Program 1 was started before the mapping settings were read.
  EXPECT_EQ(fake.log[0], "start C:\\bin\\anna.exe [][][0]");
}

}  // namespace
}  // namespace qv
