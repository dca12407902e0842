// Fifty rounds of everything a long session does, in one process: nothing may
// accumulate (registry keys, connections, settings lines, grown texts), and
// LeakSanitizer checks the heap when the test binary ends.
#include <gtest/gtest.h>

#include <string>

#include "mapping/credentials.h"
#include "mapping/mapping_run.h"
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
Window const kSubDialog = reinterpret_cast<Window>(0x200);  // same IDs, own controls

TEST(Soak, FiftyRoundsOfRunsDialogsAndPromptsLeaveNothingBehind) {
  test::FakePlatform fake;
  test::PrepareSetupWorld(fake);
  fake.probe["\\\\srv\\data"] = 0;
  fake.Ini(kIni) =
      "[MAIN]\r\nShareAddress=\\\\srv\\data\\\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
      "UserName=%USERNAME%\r\nPassWord=pw\r\nStartUp=1\r\n"
      "[SECTEXECUTE]\r\nExecute1=one.exe\r\nParameters1=%DRIVE%\r\n"
      "Execute2=two.exe\r\nParameters2=%DRIVE% %SHARE% %ERRORCODE%\r\n"
      "[CREDENTIALS]\r\nTitle=Log on to %SHARE%\r\nLine1=%USERNAME%\r\n";
  fake.combos[kLetters].selection = 16;  // Q
  fake.combos[kTypes].selection = 0;     // NetWork
  fake.Control(kDialog, IDE_SETUP_USER).text = "%USERNAME%";
  fake.Control(kDialog, IDE_SETUP_PASSWORD).text = "pw";
  fake.Control(kDialog, IDX_SAVE_CREDENTIALS).check = 1;
  fake.Control(kDialog, IDX_START_UP).check = 1;

  std::string settingsAfterFirstRound;
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE(round);
    UiState.UiMode = 0;
    EXPECT_TRUE(UnattendedRun(kDialog));
    EXPECT_EQ(fake.drives.count('Q'), 1u);
    RunMapping(kDialog, MappingAction::Unmap);

    UiState.UiMode = 1;
    fake.Control(kDialog, IDE_SETUP_ADDRESS).text = "\\\\srv\\data";
    MapNow(kDialog);
    EXPECT_EQ(RunState.MappingSucceeded, 1);
    RunMapping(kDialog, MappingAction::Unmap);
    EXPECT_EQ(fake.drives.count('Q'), 0u);
    EXPECT_TRUE(SaveSetup(kDialog));

    for (int group = kGroupShareError; group <= kGroupPrograms; ++group) {
      UiState.UiMode = static_cast<uint8_t>(group);
      TransferSettings(kSubDialog, group, kLoad);
      TransferSettings(kSubDialog, group, kSave);
    }
    UiState.UiMode = 0;
    fake.promptAnswers = {{true, "anna", "pw"}};
    char asTyped[kTextSize] = "%USERNAME%";
    EXPECT_TRUE(AskForCredentials(kDialog, asTyped));

    if (round == 0) settingsAfterFirstRound = fake.Ini(kIni);
    EXPECT_EQ(fake.Ini(kIni), settingsAfterFirstRound);
    EXPECT_EQ(fake.keysOpen, 0);
  }
  EXPECT_EQ(fake.connections.size(), 100u);
  EXPECT_EQ(fake.cancels.size(), 100u);
  EXPECT_EQ(fake.starts.size(), 100u);  // programs 1 and 2 of each log-on run
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_STREQ(Settings.ShareAddress, "\\\\srv\\data");
  EXPECT_STREQ(Settings.EndUserMessage.Title, "Log on to \\\\srv\\data");
  EXPECT_EQ(fake.RunKey().at("quorvane"), "\"C:\\Q\\quorvane.exe\"");
}

}  // namespace
}  // namespace qv
