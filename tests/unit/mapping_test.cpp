#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>

#include "mapping/credentials.h"
#include "mapping/macros.h"
#include "mapping/mapping_run.h"
#include "mapping/network_wait.h"
#include "mapping/run_report.h"
#include "settings/settings.h"
#include "tests/fake/fake_platform.h"
#include "tests/unit/run_world.h"
#include "tests/unit/setup_world.h"

namespace qv {
namespace {

using test::kDialog;
using test::kIni;
using namespace test;  // the world of run_world.h

struct RunCase {
  const char* name;
  const char* main;  // [MAIN] keys; the share S and the letter X follow
  const char* more;  // further sections
  uint8_t via;  // kLogOn, kMapNow or kUnmapNow
  unsigned world;
  uint32_t probe;
  std::deque<uint32_t> results;
  std::deque<test::PromptAnswer> answers;
  const char* trace;  // everything the run asked of the system
  int succeeded;
  uint32_t code;
  bool close;
  const char* stored;  // "user/password" in the file afterwards, or null
};

// Folder, letter, blank and quotes: a 259-character folder passes whole.
const std::string kLongFolder = "C:\\" + std::string(200, 'f') + " " + std::string(55, 'g');
const std::string kLongSubst = "DriveType=1\nShareAddress=" + kLongFolder;
const std::string kLongTrace = "probe " + kLongFolder + " | run Subst.exe X: \"" + kLongFolder + "\"";
// The prompt hands back at most 259 characters a field, and all of them count.
const std::string kFullAnswer = "probe " S " | prompt / | connect X: " S " " + std::string(259, 'u') + "/" +
                                std::string(259, 'p') + " 0 1";

const RunCase kRuns[] = {
    {"reachable", "", "", 0, 0, 0, {}, {}, "probe " S " | " NET, 1, 0, true, nullptr},
    {"access denied is reachable", "", "", 0, 0, 5, {}, {}, "probe " S " | " NET, 1, 0, true, nullptr},
    {"existing is reachable", "", "", 0, 0, 183, {}, {}, "probe " S " | " NET, 1, 0, true, nullptr},
    {"logon failure is reachable", "", "", 0, 0, 1326, {}, {}, "probe " S " | " NET, 1, 0, true, nullptr},
    {"unreachable: share error", "", "", 0, 0, 53, {}, {}, "probe " S " | " BOX, 0, 53, true, nullptr},
    {"silent share error still connects", "", "[SHAREERROR]\nButtons=1", 0, 0, 53, {}, {}, "probe " S " | " NET, 1, 0, true, nullptr},
    {"setup dialog: share error, then tried anyway", "", "[SHAREERROR]\nTitle=No %SHARE%", 1, 0, 67, {53}, {},
     "probe " S " | box No " S ": Line1\nLine2\nLine3\nLine4\nLine5 | " NET " | " BOX, 0, 53, true, nullptr},
    {"printer: tried whatever the probe, no letter", "DriveType=2", "", 0, 0, 53, {}, {}, "probe " S " | connect - " S " -/- 0 0", 1, 0, true, nullptr},
    {"type without entry: no letter", "DriveType=3", "", 0, 0, 0, {}, {}, "probe " S " | connect - " S " -/- 0 0", 1, 0, true, nullptr},
    {"no letter chosen", "MapToDrive=", "", 0, 0, 0, {}, {}, "probe " S " | connect  " S " -/- 0 0", 1, 0, true, nullptr},
    {"remembered, name expanded, password not", "PersistantConnection=1\nSaveCredentials=1\nUserName=%COMPUTERNAME%\\%USERNAME%\nPassWord=p %USERNAME%", "", 0, 0, 0, {}, {},
     "probe " S " | connect X: " S " DESK-7\\anna/p %USERNAME% 1 1", 1, 0, true, "%COMPUTERNAME%\\%USERNAME%/p %USERNAME%"},
    {"address expanded", "ShareAddress=\\\\srv\\%USERNAME%", "", 0, 0, 0, {}, {},
     "probe \\\\srv\\anna | connect X: \\\\srv\\anna -/- 0 1", 1, 0, true, nullptr},
    {"not remembered", "PersistantConnection=2", "", 0, 0, 0, {}, {}, "probe " S " | " NET, 1, 0, true, nullptr},
    {"password alone", "SaveCredentials=1\nPassWord=p", "", 0, 0, 0, {}, {}, "probe " S " | connect X: " S " -/p 0 1", 1, 0, true, "/p"},
    {"user with no password", "SaveCredentials=1\nUserName=anna", "", 0, 0, 0, {}, {}, "probe " S " | connect X: " S " anna/ 0 1", 1, 0, true, "anna/"},
    {"credentials not saved are not read", "UserName=anna", "", 0, 0, 0, {}, {}, "probe " S " | " NET, 1, 0, true, nullptr},
    {"letter taken: already mapped", "", "", 0, kTaken, 0, {}, {}, "probe " S, 1, 0, true, nullptr},
    {"letter taken, forced", "ForceDisConnection=1", "", 0, kTaken, 0, {}, {}, "probe " S " | cancel X: 0 force | " NET, 1, 0, true, nullptr},
    {"letter taken, subst", "DriveType=1", "", 0, kTaken, 0, {}, {}, "probe " S, 1, 0, true, nullptr},
    {"letter taken, subst forced", "DriveType=1\nForceDisConnection=1", "", 0, kTaken, 0, {}, {},
     "probe " S " | run Subst.exe X: /D | run Subst.exe X: " S, 1, 42, true, nullptr},
    {"printer never asks for the letter", "DriveType=2", "", 0, kTaken, 0, {}, {}, "probe " S " | connect - " S " -/- 0 0", 1, 0, true, nullptr},
    {"printer forced", "DriveType=2\nForceDisConnection=1", "", 0, 0, 0, {}, {}, "probe " S " | cancel X: 0 force | connect - " S " -/- 0 0", 1, 0, true, nullptr},
    {"other type forced", "DriveType=-1\nForceDisConnection=1", "", 0, kTaken, 0, {}, {}, "probe " S " | cancel X: 0 force | connect - " S " -/- 0 0", 1, 0, true, nullptr},
    {"map error, five expanded lines", "", "[MAPERROR]\nTitle=%DRIVE% failed\nLine1=Code %ERRORCODE%\nLine2=\nLine3=three\nLine4=%ERRORCODE%\nLine5=", 0, 0, 0, {67}, {},
     "probe " S " | " NET " | box X: failed: Code 67\n\nthree\n67\n", 0, 67, true, nullptr},
    {"map error, default texts", "", "", 0, 0, 0, {1219}, {}, "probe " S " | " NET " | " BOX, 0, 1219, true, nullptr},
    {"refused logon asks until right; a typed macro is shown expanded", "SaveCredentials=1\nUserName=%USERNAME%", "", 0, 0, 0,
     {1326, 1326, 1326, 0}, {{true, "anna", "wrong"}, {true, "%USERNAME%", "again"}, {true, "carl", "right"}},
     "probe " S " | connect X: " S " anna/ 0 1 | prompt anna/ | connect X: " S " anna/wrong 0 1 | prompt anna/wrong | connect X: " S
     " %USERNAME%/again 0 1 | prompt anna/again | connect X: " S " carl/right 0 1", 1, 0, true, "carl/right"},
    {"refused logon, cancelled", "", "", 0, 0, 0, {1326}, {}, "probe " S " | " NET " | prompt /", 0, 1326, true, nullptr},
    {"refused, then the shown name again", "SaveCredentials=1\nUserName=%COMPUTERNAME%\\%USERNAME%\nPassWord=pw", "", 0, 0, 0, {1326, 0}, {{true, "DESK-7\\anna", "right"}},
     "probe " S " | connect X: " S " DESK-7\\anna/pw 0 1 | prompt DESK-7\\anna/pw | connect X: " S " DESK-7\\anna/right 0 1", 1, 0, true, "%COMPUTERNAME%\\%USERNAME%/right"},
    {"prompt first, cancelled", "PromptCredentials=1\nSaveCredentials=1\nUserName=%USERNAME%\nPassWord=%p%", "", 0, 0, 0, {}, {}, "probe " S " | prompt anna/%p%", 0, 0, true, nullptr},
    {"prompt first, name left as shown", "PromptCredentials=1\nSaveCredentials=1\nUserName=%USERNAME%", "", 0, 0, 0, {}, {{true, "anna", "pw"}},
     "probe " S " | prompt anna/ | connect X: " S " anna/pw 0 1", 1, 0, true, "%USERNAME%/pw"},
    {"prompt first, another name", "PromptCredentials=1\nSaveCredentials=1\nUserName=%USERNAME%", "", 0, 0, 0, {}, {{true, "carl", "pw"}},
     "probe " S " | prompt anna/ | connect X: " S " carl/pw 0 1", 1, 0, true, "carl/pw"},
    {"prompt answers of 259 characters", "PromptCredentials=1", "", 0, 0, 0, {}, {{true, std::string(300, 'u'), std::string(300, 'p')}},
     kFullAnswer.c_str(), 1, 0, true, nullptr},
    {"prompt from the setup dialog", "PromptCredentials=1", "", 1, 0, 0, {1326}, {{true, "a", "b"}},
     "probe " S " | prompt / | connect X: " S " a/b 0 1 | prompt a/b", 0, 1326, true, nullptr},
    {"subst of a drive", "DriveType=1\nShareAddress=D:", "", 0, 0, 0, {}, {}, "probe D: | run Subst.exe X: D:\\", 1, 42, true, nullptr},
    {"subst of a folder with a blank", "DriveType=1\nShareAddress=C:\\My Data\\", "", 0, 0, 0, {}, {}, "probe C:\\My Data | run Subst.exe X: \"C:\\My Data\"", 1, 42, true, nullptr},
    {"subst leaving the letter free", "DriveType=1", "", 0, kSubstFails, 0, {}, {}, "probe " S " | run Subst.exe X: " S " | " BOX, 0, 42, true, nullptr},
    {"a long folder is never cut", kLongSubst.c_str(), "", 0, 0, 0, {}, {}, kLongTrace.c_str(), 1, 42, true, nullptr},
    {"two trailing backslashes lose one", "ShareAddress=" S "\\\\", "", 0, 0, 0, {}, {}, "probe " S "\\ | connect X: " S "\\ -/- 0 1", 1, 0, true, nullptr},
    {"mapped: program 2 follows", "", PROGRAMS "Execute3=three.exe", 0, 0, 0, {}, {}, ONE "probe " S " | " NET " | start 2 ", 1, 0, true, nullptr},
    {"failed: program 3 follows", "", PROGRAMS "Execute3=three.exe", 0, 0, 53, {}, {}, ONE "probe " S " | " BOX " | start three.exe ", 0, 53, true, nullptr},
    {"failed, no program 3", "", PROGRAMS, 0, 0, 53, {}, {}, ONE "probe " S " | " BOX, 0, 53, true, nullptr},
    {"no address: program 3 closes", "ShareAddress=", PROGRAMS "Execute3=three.exe", 0, 0, 0, {}, {}, ONE "start three.exe ", 0, 0, true, nullptr},
    {"no address, no program 3: the setup dialog opens", "ShareAddress=", PROGRAMS, 0, 0, 0, {}, {}, "start 1  | idle 1000", 0, 0, false, nullptr},
    {"no address, nothing to run", "ShareAddress=", "", 0, 0, 0, {}, {}, "", 0, 0, false, nullptr},
    {"programs see their moment's values", "ShareAddress=C:\\Data\nMapToDrive=S\nDriveType=1",
     "[SECTEXECUTE]\nExecute1=C:\\%USERNAME%.exe\nParameters1=[%DRIVE%][%SHARE%][%ERRORCODE%]\nExecute2=b.exe\nParameters2=%DRIVE% %SHARE% %ERRORCODE%", 0, 0, 0, {}, {},
     "start C:\\anna.exe [][][0] | idle 1000 | probe C:\\Data | run Subst.exe S: C:\\Data | start b.exe S: C:\\Data 42", 1, 42, true, nullptr},
    {"unmap: the letter, never the address", "PersistantConnection=1", "", kUnmapNow, 0, 0, {}, {}, "cancel X: 1 force", 9, 0, true, nullptr},
    {"unmap a substitution", "DriveType=1", "", kUnmapNow, 0, 0, {}, {}, "start Subst.exe X: /D", 9, 0, true, nullptr},
    {"unmap a printer", "DriveType=2\nPersistantConnection=1", "", kUnmapNow, 0, 0, {}, {}, "cancel X: 1 force", 9, 0, true, nullptr},
    {"unmap another type", "DriveType=-1", "", kUnmapNow, 0, 0, {}, {}, "cancel X: 0 force", 9, 0, true, nullptr},
};

TEST(MappingRun, Outcomes) {
  for (const RunCase& c : kRuns) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fake;
    ResetProcessState();
    CopyText(Settings.IniPath, kIni);
    fake.Ini(kIni) = std::string("[MAIN]\n") + c.main + "\nShareAddress=" S "\nMapToDrive=X\n" +
                     c.more + "\n";
    const std::string before = StoredCredentials(fake);
    fake.probeDefault = c.probe;
    fake.connectResults = c.results;
    fake.promptAnswers = c.answers;
    fake.substWorks = (c.world & kSubstFails) == 0;
    if (c.world & kTaken) fake.drives['X'] = 4;
    RunState.MappingSucceeded = 9;  // every run decides its own outcome; an unmap reports none
    bool close = true;
    const uint8_t mode = c.via == kLogOn ? 0 : 1;
    if (c.via == kLogOn) {
      close = UnattendedRun(kDialog);
    } else {
      UiState.UiMode = mode;
      TransferSettings(nullptr, kGroupMain, kLoad);
      RunMapping(kDialog, c.via == kMapNow ? MappingAction::Map : MappingAction::Unmap);
    }
    EXPECT_EQ(fake.Trace(), c.trace);
    EXPECT_EQ(RunState.MappingSucceeded, c.succeeded);
    EXPECT_EQ(RunState.LastErrorCode, c.code);
    EXPECT_EQ(close, c.close);
    EXPECT_EQ(StoredCredentials(fake), c.stored ? c.stored : before);
    // Messages wait for the setup dialog when it asked, and come to the front
    // at log-on, as the prompt does; prompts take no macros.
    for (const auto& box : fake.boxes) {
      EXPECT_EQ(box.owner, mode ? kDialog : nullptr);
      EXPECT_EQ(box.flags, mode ? 0x30u : 0x10030u);
    }
    for (const auto& p : fake.prompts) {
      EXPECT_EQ(p.uiMode, mode ? kUiModeCredentialsPrompt : 0);
      EXPECT_EQ(p.unattended, mode == 0);
    }
    EXPECT_EQ(UiState.UiMode, mode);
    for (const auto& s : fake.starts) {  // the tool hidden, a mapping waiting for it
      const bool subst = s.file == "Subst.exe";
      EXPECT_EQ(s.show, subst ? 0 : 5);
      EXPECT_EQ(s.maxWaitMs, s.waited ? 5000u : 0u);
      EXPECT_TRUE(subst || !s.waited);
    }
  }
}

TEST(RunReport, EventsOfEachOutcome) {
  enum : unsigned { kRemovable = 4, kProgramsFail = 8, kCancelFails = 16 };
  const struct {
    const char* name;
    const char* main;  // [MAIN] keys; the letter X follows
    const char* more;
    uint8_t via;
    unsigned world;
    uint32_t probe;
    std::deque<uint32_t> results;
    const char* events;
  } rows[] = {
      {"mapped", "ShareAddress=" S, "", kLogOn, 0, 0, {}, "I100 X:|" S "||0"},
      {"mapped for a user, expanded", "ShareAddress=" S "\nSaveCredentials=1\nUserName=%USERNAME%", "", kLogOn, 0, 0, {}, "I100 X:|" S "|anna|0"},
      {"a printer has no letter", "ShareAddress=" S "\nDriveType=2", "", kLogOn, 0, 0, {}, "I100 -|" S "||0"},
      {"substituted", "ShareAddress=C:\\D\nDriveType=1", "", kLogOn, 0, 0, {}, "I100 X:|C:\\D||0"},
      {"substitution failed", "ShareAddress=C:\\D\nDriveType=1", "", kLogOn, kSubstFails, 0, {}, "E300 X:|C:\\D||42|Subst.exe left the letter free|shown"},
      {"the letter held by a share", "ShareAddress=" S, "", kLogOn, kTaken, 0, {}, "I102 X:|\\\\old\\share"},
      {"the letter held by a stick", "ShareAddress=" S, "", kLogOn, kRemovable, 0, {}, "I102 X:|a removable drive"},
      {"unreachable", "ShareAddress=" S, "", kLogOn, 0, 53, {}, "W200 " S "|53|The network path was not found.|0|shown"},
      {"unreachable, silent, then mapped", "ShareAddress=" S, "[SHAREERROR]\nButtons=1", kLogOn, 0, 53, {}, "W200 " S "|53|The network path was not found.|0|silent I100 X:|" S "||0"},
      {"Map Drive Now: unreachable, then mapped", "ShareAddress=" S, "", kMapNow, 0, 53, {}, "W200 " S "|53|The network path was not found.|0|shown I100 X:|" S "||0"},
      {"refused, the text on one line", "ShareAddress=" S "\nSaveCredentials=1\nUserName=bob", "", kLogOn, 0, 0, {1219}, "E300 X:|" S "|bob|1219|Only one name. Close the other.|shown"},
      {"refused, silent", "ShareAddress=" S, "[MAPERROR]\nButtons=1", kLogOn, 0, 0, {1219}, "E300 X:|" S "||1219|Only one name. Close the other.|silent"},
      {"prompt cancelled after a refused logon", "ShareAddress=" S "\nSaveCredentials=1\nUserName=bob", "", kLogOn, 0, 0, {1326}, "W210 " S "|bob|1326"},
      {"prompt cancelled before the first attempt", "ShareAddress=" S "\nPromptCredentials=1", "", kLogOn, 0, 0, {}, "W210 " S "||0"},
      {"no address", "ShareAddress=", "", kLogOn, 0, 0, {}, "W202"},
      {"programs that cannot start, each", "ShareAddress=" S, PROGRAMS, kLogOn, kProgramsFail, 0, {}, "W220 1|1|2 I100 X:|" S "||0 W220 2|2|2"},
      {"unmapped", "ShareAddress=" S, "", kUnmapNow, 0, 0, {}, "I101 X:|" S "|0"},
      {"unmap refused: a warning", "ShareAddress=" S, "", kUnmapNow, kCancelFails, 0, {}, "W101 X:|" S "|2250"},
      {"substitution dropped", "ShareAddress=C:\\D\nDriveType=1", "", kUnmapNow, 0, 0, {}, "I101 X:|C:\\D|42"},
      {"... or not started: a warning", "ShareAddress=C:\\D\nDriveType=1", "", kUnmapNow, kProgramsFail, 0, {}, "W101 X:|C:\\D|2"},
  };
  for (const auto& c : rows) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fake;
    ResetProcessState();
    CopyText(Settings.IniPath, kIni);
    fake.Ini(kIni) = std::string("[MAIN]\n") + c.main + "\nMapToDrive=X\n" + c.more + "\n";
    fake.probeDefault = c.probe;
    fake.connectResults = c.results;
    fake.errorTexts[53] = "The network path was not found.\r\n";
    fake.errorTexts[1219] = "Only one name.\r\nClose the other.\r\n";
    fake.substWorks = (c.world & kSubstFails) == 0;
    if (c.world & kTaken) fake.drives['X'] = 4, fake.remoteNames['X'] = "\\\\old\\share";
    if (c.world & kRemovable) fake.drives['X'] = 2;
    if (c.world & kProgramsFail) fake.startResult = 2;
    if (c.world & kCancelFails) fake.cancelResult = 2250;
    if (c.via == kLogOn) {
      UnattendedRun(kDialog);
    } else {
      UiState.UiMode = 1;
      TransferSettings(nullptr, kGroupMain, kLoad);
      RunMapping(kDialog, c.via == kMapNow ? MappingAction::Map : MappingAction::Unmap);
    }
    EXPECT_EQ(Events(fake), c.events);
  }
}

// At most eight texts, the settings file's included; one that cannot be
// converted is empty, never cut midway.
TEST(RunReport, TextsBeyondTheirBounds) {
  test::FakePlatform fake;
  ResetProcessState();
  CopyText(Settings.IniPath, kIni);
  const std::string tooLong(400, 'x');  // no text of a run is longer than 259
  const char* strings[] = {"1", tooLong.c_str(), "3", "4", "5", "6", "7", "8", "9"};
  ReportRunEvent(QV_EVENT_MAPPED, strings, 9);
  ASSERT_EQ(fake.events.size(), 1u);
  EXPECT_EQ(fake.events[0].texts, (std::vector<std::string>{kIni, "1", "", "3", "4", "5", "6", "7"}));
  // More kinds than the run keeps in mind are reported all the same.
  for (uint32_t id = 1; id <= 20; ++id) ReportRunEvent(id, strings, 1);
  EXPECT_EQ(fake.events.size(), 21u);
}

// The waits: told as they begin and end, never once a probe.
TEST(RunReport, EventsOfTheWaits) {
  const struct {
    WaitRow run;
    const char* events;
  } rows[] = {
      {{"gave up", "WaitForNetwork=4", kLogOn, {}, 0, {}, 0, 0, 0, 0, ""},
       "I110 " S "|53|53|4 s W200 " S "|53|53|4|shown"},
      {{"came late", "WaitForNetwork=10\nWaitUntilLogOff=1", kLogOn, {53, 53, 0}, 0, {}, 0, 0, 0, 0, ""},
       "I110 " S "|53|53|10 s, then until log-off I100 X:|" S "||4"},
      {{"the session ended", "WaitUntilLogOff=1", kLogOn, {}, 0, {{90000, Ev::kSessionEnded}}, 0, 0, 0, 0, ""},
       "I110 " S "|53|53|until log-off W201 " S "|90"},
      {{"a second, then the session", "WaitForNetwork=1\nWaitUntilLogOff=1", kLogOn, {}, 0, {{90000, Ev::kSessionEnded}}, 0, 0, 0, 0, ""},
       "I110 " S "|53|53|1 s, then until log-off W201 " S "|90"},
      {{"one more try: one event each", "WaitForNetwork=2", kLogOn, {}, 0, {}, kSecondStart, 0, 0, 0, ""},
       "I110 " S "|53|53|2 s W200 " S "|53|53|4|shown"},
  };
  for (const auto& c : rows) {
    SCOPED_TRACE(c.run.name);
    test::FakePlatform fake;
    RunWaitRow(fake, c.run);
    EXPECT_EQ(Events(fake), c.events);
  }
}

// No password reaches the log, from the file, the Credential Manager or the
// prompt, nor a program's parameters; a "%" that Event Viewer would expand
// is a full-width one.
TEST(RunReport, NoSecretAndNoInsertion) {
  test::FakePlatform fake;
  ResetProcessState();
  CopyText(Settings.IniPath, kIni);
  fake.Ini(kIni) = "[MAIN]\nShareAddress=\\\\srv\\%1%%x%{y%z 100%\nMapToDrive=X\nSaveCredentials=1\n"
                   "UserName=bob\nPassWord=file-secret\n"
                   "[SECTEXECUTE]\nExecute3=3\nParameters3=param-secret\n";
  fake.probeDefault = 0;
  fake.connectResults = {1326, 1219};
  fake.promptAnswers = {{true, "bob", "typed-secret"}};
  fake.startResult = 2;
  UnattendedRun(kDialog);
  const std::string events = Events(fake);
  EXPECT_EQ(events.find("secret"), std::string::npos) << events;
  EXPECT_EQ(events, "E300 X:|\\\\srv\\\uFF051\uFF05%x\uFF05{y%z 100%|bob|1219|1219|shown W220 3|3|2");
}

// The unattended run's wait for its share: "WaitForNetwork" probes every two
// seconds for so long, "WaitUntilLogOff" then waits, idle, until the share
// answers or the session ends. Every probe of a wait runs on its own thread.
TEST(NetworkWait, Outcomes) {
  const WaitRow rows[] = {
      {"no key: one probe, here", "", kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 3 53"},
      {"WaitForNetwork 0: one probe", "WaitForNetwork=0", kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 3 53"},
      {"WaitForNetwork 1: a second, on a thread", "WaitForNetwork=1", kLogOn, {}, 0, {}, 0, 1, 1, 1000, "start 3 53"},
      {"reachable at the first probe", "WaitForNetwork=10", kLogOn, {0}, 0, {}, 0, 1, 1, 0, "start 2 "},
      {"reachable at the third", "WaitForNetwork=10", kLogOn, {53, 1231, 0}, 0, {}, 0, 3, 3, 4000, "start 2 "},
      {"never within the time: the last answer", "WaitForNetwork=5", kLogOn, {53, 53, 1231}, 0, {}, 0, 3, 3, 5000, "start 3 1231"},
      {"slow probes: the one under way at the bound is awaited", "WaitForNetwork=5", kLogOn, {53, 1231}, 3000, {}, 0, 2, 2, 6000, "start 3 1231"},
      {"... and may find the share", "WaitForNetwork=5", kLogOn, {53, 0}, 3000, {}, 0, 2, 2, 6000, "start 2 "},
      {"no probe ever answered: 121, 30 s after the bound", "WaitForNetwork=5", kLogOn, {}, 0, {}, kHangs, 1, 1, 35000, "start 3 121"},
      {"a handover during that last probe: one more try", "WaitForNetwork=5", kLogOn, {53, 53, 0}, 3000, {{5500, Ev::kHandedOver}}, 0, 3, 3, 9000, "start 2 "},
      {"a handover's probe not begun at the bound: one more try", "WaitForNetwork=5", kLogOn, {53, 53, 0}, 3000, {{4000, Ev::kHandedOver}}, 0, 3, 3, 9000, "start 2 "},
      {"no thread: probes here", "WaitForNetwork=5", kLogOn, {53, 53, 0}, 0, {}, kNoThreads, 3, 0, 4000, "start 2 "},
      {"logon failure is a server that is there", "WaitForNetwork=10", kLogOn, {53, 1326}, 0, {}, 0, 2, 2, 2000, "start 2 "},
      // Only an answer that nothing has answered yet keeps a wait; a refusal is told at once.
      {"insecure guest logon blocked: 1272 ends the bounded wait", "WaitForNetwork=60", kLogOn, {53, 1272}, 0, {}, 0, 2, 2, 2000, "start 3 1272"},
      {"password expired: 1330 ends the idle wait", "WaitUntilLogOff=1", kLogOn, {53, 1330}, 0, {{10000, Ev::kResumed}}, 0, 2, 2, 10000, "start 3 1330"},
      {"locked out: 1909 ends both", "WaitForNetwork=60\nWaitUntilLogOff=1", kLogOn, {1909}, 0, {}, 0, 1, 1, 0, "start 3 1909"},
      {"no such share: 67", "WaitUntilLogOff=1", kLogOn, {67}, 0, {}, 0, 1, 1, 0, "start 3 67"},
      {"3, a server not there, keeps it", "WaitForNetwork=4", kLogOn, {3, 3}, 0, {}, 0, 2, 2, 4000, "start 3 3"},
      {"Map Drive Now never waits", "WaitForNetwork=10\nWaitUntilLogOff=1", kMapNow, {}, 0, {}, 0, 1, 0, 0, "connect X: " S " -/- 0 1"},
      {"Subst never waits", "WaitForNetwork=10\nWaitUntilLogOff=1\nDriveType=1", kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 3 53"},
      {"Printer never waits", "WaitForNetwork=10\nWaitUntilLogOff=1\nDriveType=2", kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 2 "},
      {"WaitForNetwork text counts as 0", "WaitForNetwork=soon", kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 3 53"},
      {"WaitForNetwork 100000 counts as 600", "WaitForNetwork=100000", kLogOn, {}, 0, {}, 0, 300, 300, 600000, "start 3 53"},
      // The key, and what ends the idle wait.
      {"WaitUntilLogOff 1: nothing until the session ends", "WaitUntilLogOff=1", kLogOn, {}, 0, {{kHour, Ev::kSessionEnded}}, 0, 30, 30, kHour, "unwatch"},
      {"01 is 1", "WaitUntilLogOff=01", kLogOn, {}, 0, {{60000, Ev::kSessionEnded}}, 0, 2, 2, 60000, "unwatch"},
      {"2 is off", "WaitUntilLogOff=2", kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 3 53"},
      {"-1 is off", "WaitUntilLogOff=-1", kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 3 53"},
      {"yes is off", "WaitUntilLogOff=yes", kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 3 53"},
      {"empty is off", "WaitUntilLogOff=", kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 3 53"},
      {"300 digits are off", "WaitUntilLogOff=1111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111",
       kLogOn, {}, 0, {}, 0, 1, 0, 0, "start 3 53"},
      {"a silent share message waits too", "WaitUntilLogOff=1", kLogOn, {53, 0}, 0, {}, 0, 2, 2, 30000, "start 2 "},
      {"after WaitForNetwork", "WaitForNetwork=4\nWaitUntilLogOff=1", kLogOn, {53, 53, 0}, 0, {}, 0, 3, 3, 32000, "start 2 "},
      {"resume: probed at once", "WaitUntilLogOff=1", kLogOn, {53, 0}, 0, {{10000, Ev::kResumed}}, 0, 2, 2, 10000, "start 2 "},
      {"address change: probed at once", "WaitUntilLogOff=1", kLogOn, {53, 0}, 0, {{10000, Ev::kAddressChanged}}, 0, 2, 2, 10000, "start 2 "},
      {"unlock: probed at once", "WaitUntilLogOff=1", kLogOn, {53, 0}, 0, {{10000, Ev::kSessionUnlocked}}, 0, 2, 2, 10000, "start 2 "},
      {"a refused logon is a server that is there", "WaitUntilLogOff=1", kLogOn, {53, 1326}, 0, {{10000, Ev::kResumed}}, 0, 2, 2, 10000, "start 2 "},
      {"the letter already holds it: mapped", "WaitUntilLogOff=1", kLogOn, {53, 0}, 0, {{10000, Ev::kResumed}}, kTaken, 2, 2, 10000, "start 2 "},
      {"the session ends during a probe", "WaitUntilLogOff=1", kLogOn, {}, 0, {{5000, Ev::kSessionEnded}}, kHangs, 1, 1, 5000, "unwatch"},
      {"the session ends in the bounded wait", "WaitForNetwork=60\nWaitUntilLogOff=1", kLogOn, {}, 0, {{5000, Ev::kSessionEnded}}, 0, 3, 3, 5000, "probe " S},
      {"a probe that hangs keeps the next from starting", "WaitUntilLogOff=1", kLogOn, {}, 0, {{kHour, Ev::kSessionEnded}}, kHangs, 1, 1, kHour, "unwatch"},
      {"no thread: idle probes here", "WaitUntilLogOff=1", kLogOn, {}, 0, {{60000, Ev::kSessionEnded}}, kNoThreads, 2, 0, 60000, "unwatch"},
      // A second start hands over; the first reads the settings again.
      {"handover: probed at once, the new address", "WaitUntilLogOff=1", kLogOn, {}, 0, {{60000, Ev::kHandedOver, NEW_INI}}, 0, 3, 3, 60000, "start 2 "},
      {"handover: a burst follows", "WaitUntilLogOff=1", kLogOn, {53, 53, 53, 0}, 0, {{60000, Ev::kHandedOver, NEW_INI}}, 0, 4, 4, 62000, "start 2 "},
      {"handover a second after a probe: probed at once", "WaitUntilLogOff=1", kLogOn, {}, 0, {{1000, Ev::kHandedOver, NEW_INI}}, 0, 2, 2, 1000, "start 2 "},
      {"handover during a probe of the old address", "WaitUntilLogOff=1", kLogOn, {0}, 5000, {{1000, Ev::kHandedOver, NEW_INI}}, 0, 2, 2, 10000, "start 2 "},
      {"handover, address now empty", "WaitUntilLogOff=1", kLogOn, {}, 0, {{60000, Ev::kHandedOver, "[MAIN]\nShareAddress=\n[SECTEXECUTE]\nExecute3=3\n"}}, 0, 2, 2, 60000, "start 3 "},
      {"handover, now Subst", "WaitUntilLogOff=1", kLogOn, {}, 0, {{60000, Ev::kHandedOver, "[MAIN]\nDriveType=1\nMapToDrive=X\nShareAddress=C:\\D\n"}}, 0, 3, 2, 60000, "run Subst.exe X: C:\\D"},
      {"handover, key now off: probed once more, then the share message", "WaitUntilLogOff=1", kLogOn, {}, 0, {{60000, Ev::kHandedOver, "[MAIN]\nShareAddress=" S "\nMapToDrive=X\n[SHAREERROR]\nTitle=T\n"}}, 0, 3, 2, 60000, "box T: Line1\nLine2\nLine3\nLine4\nLine5"},
      {"a second start runs nothing", "WaitUntilLogOff=1", kLogOn, {}, 0, {}, kOtherRun, 0, 0, 0, "handover Local\\Quorvane.239ab7b733c0bc8a"},
      {"no wait: a second start runs on its own", "", kLogOn, {}, 0, {}, kOtherRun, 1, 0, 0, "start 3 53"},
      // A second start that the wait did not see, found as the run gives up.
      {"as the bound ends: one more try", "WaitForNetwork=2", kLogOn, {53, 0}, 0, {}, kSecondStart, 2, 2, 2000, "start 2 "},
      {"as a refusal is to be told", "WaitUntilLogOff=1", kLogOn, {67, 0}, 0, {}, kSecondStart, 2, 2, 0, "start 2 "},
      {"as the connection is refused", "WaitForNetwork=10", kLogOn, {0, 0}, 0, {}, kSecondStart | kRefused, 2, 2, 0, "start 3 1219"},
      {"the settings saved meanwhile count", "WaitForNetwork=10", kLogOn, {0}, 0, {}, kSecondStart | kRefusedOnce | kSaved, 2, 2, 0, "start 2 "},
      {"one more try only", "WaitForNetwork=10", kLogOn, {0, 0, 0}, 0, {}, kTwice | kRefused, 2, 2, 0, "start 3 1219"},
      {"not after a cancelled prompt", "WaitForNetwork=10\nPromptCredentials=1", kLogOn, {0, 0}, 0, {}, kSecondStart, 1, 1, 0, "start 3 0"},
      {"not without a wait", "", kLogOn, {53, 0}, 0, {}, kSecondStart, 1, 0, 0, "start 3 53"},
  };
  for (const WaitRow& c : rows) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fake;
    EXPECT_TRUE(RunWaitRow(fake, c));  // never the setup dialog, whatever ended the wait
    size_t probed = 0;
    for (const std::string& call : fake.log) probed += call.rfind("probe ", 0) == 0;
    EXPECT_EQ(probed, c.probed);
    EXPECT_EQ(fake.threadProbes.size(), c.onThreads);
    EXPECT_FALSE(fake.probesOverlapped);
    EXPECT_FALSE(fake.runaway);
    EXPECT_FALSE(fake.watching);
    EXPECT_FALSE(fake.unbalancedWatch);
    EXPECT_FALSE(fake.claimed);
    // The claim goes before any box and program 3; only the prompt holds it.
    for (const std::string& e : fake.whileClaimed) {
      EXPECT_TRUE(e == "start 1 " || e.rfind("prompt ", 0) == 0) << e;
    }
    EXPECT_EQ(fake.clock, c.endedAt);
    EXPECT_EQ(fake.log.back(), c.ended);
    if (c.via == kLogOn) {
      EXPECT_EQ(fake.log.front(), c.probed == 0 ? c.ended : "start 1 ");
    }
  }
}

// When probes start: between events at most every 30 s for ten minutes and
// every 5 minutes after, never twice as often; after an event every 2 s for
// 30 s. A clock that wraps changes nothing.
TEST(NetworkWait, Pace) {
  const auto starts = [](uint32_t startTick, std::deque<ScriptedEvent> events) {
    test::FakePlatform fake;
    RunWaitRow(fake, {"", "WaitUntilLogOff=1", kLogOn, {}, 0, std::move(events), 0, 0, 0, 0, ""}, startTick);
    EXPECT_FALSE(fake.runaway);
    return fake.threadProbes;
  };
  for (const uint32_t startTick : {0u, 0xFFFF0000u}) {
    SCOPED_TRACE(startTick);
    const std::vector<uint64_t> at = starts(startTick, {{2 * kHour, Ev::kSessionEnded}});
    ASSERT_GT(at.size(), 30u);
    // Ten minutes in, the slow pace has begun: no probe at 600 s.
    const auto slowFrom = std::find(at.begin(), at.end(), 570000u);
    ASSERT_NE(slowFrom, at.end());
    EXPECT_EQ(slowFrom[1], 870000u);
    for (size_t i = 1; i < at.size(); ++i) {
      const uint64_t gap = at[i] - at[i - 1];
      EXPECT_LE(gap, at[i] <= 600000 ? 30000u : 300000u) << at[i];
      EXPECT_GE(gap, at[i - 1] < 600000 ? 27000u : 270000u) << at[i];
    }
  }
  // A resume at 100 s, an address a second later and an unlock at 110 s:
  // each sign carries the burst 30 s on, never faster than every 2 s. An
  // address deleted or changed is no sign.
  std::vector<uint64_t> burst = {0, 30000, 60000, 90000};
  for (uint64_t t = 100000; t < 140000; t += 2000) burst.push_back(t);
  burst.insert(burst.end(), {168000, 198000});
  EXPECT_EQ(starts(0, {{100000, Ev::kResumed},
                       {101000, Ev::kAddressChanged},
                       {110000, Ev::kSessionUnlocked},
                       {150000, Ev::kAddressChanged, nullptr, 2},  // MibDeleteInstance
                       {160000, Ev::kAddressChanged, nullptr, 0},  // MibParameterNotification
                       {200000, Ev::kSessionEnded}}),
            burst);
  // Fifty days: once slow, slow for good, also when the clock comes round.
  const std::vector<uint64_t> days = starts(0, {{50 * 24 * kHour, Ev::kSessionEnded}});
  EXPECT_GE(days.back() - days[days.size() - 2], 270000u);
  EXPECT_LT(days.size(), 50 * 24 * 12 + 30u);
}

// Which answers keep a wait going: none from a server that is there.
TEST(NetworkWait, AnswersThatKeepTheWait) {
  for (const uint32_t code : {2u, 3u, 51u, 53u, 59u, 121u, 1203u, 1222u, 1228u, 1231u, 1232u,
                              1233u, 1460u, 1265u, 1311u, 1355u, 1908u}) {
    EXPECT_TRUE(NothingAnsweredYet(code)) << code;
  }
  for (const uint32_t code : {0u, 5u, 64u, 67u, 86u, 183u, 1219u, 1244u, 1272u, 1326u, 1327u,
                              1330u, 1331u, 1907u, 1909u, 2202u}) {
    EXPECT_FALSE(NothingAnsweredYet(code)) << code;
  }
}

// Who claims the settings file: a run that waits, decided before program 1
// from the keys as the "MAIN" load reads them, and again after it. Another
// run holds the name, so a claim shows as the handover.
TEST(NetworkWait, WhoClaims) {
#define HANDOVER "handover Local\\Quorvane.239ab7b733c0bc8a"
#define RUNS "start 1  | idle 1000 | probe " S " | " BOX " | start 3 53"
  const struct {
    const char* name;
    const char* main;   // [MAIN] keys before the share and the letter
    const char* after;  // [MAIN] once program 1 has started, or ""
    bool otherRun;
    const char* trace;
  } rows[] = {
      {"WaitUntilLogOff", "WaitUntilLogOff=1", "", true, HANDOVER},
      {"WaitForNetwork beyond the bound", "WaitForNetwork=100000", "", true, HANDOVER},
      {"01 is 1", "WaitUntilLogOff=01", "", true, HANDOVER},
      {"a type's low eight bits: 256 is a share", "DriveType=256\nWaitForNetwork=5", "", true, HANDOVER},
      {"no key", "", "", true, RUNS},
      {"nonsense is no wait", "WaitForNetwork=soon\nWaitUntilLogOff=yes", "", true, RUNS},
      {"Subst", "DriveType=1\nWaitUntilLogOff=1", "", true, RUNS},
      {"printer", "DriveType=2\nWaitUntilLogOff=1", "", true, "start 1  | idle 1000 | probe " S " | connect - " S " -/- 0 0 | start 2 "},
      {"no address", "WaitUntilLogOff=1\nShareAddress=", "", true, "start 1  | idle 1000 | start 3 0"},
      {"program 1 asks for a wait", "", "WaitUntilLogOff=1", true, "start 1  | idle 1000 | " HANDOVER},
      // A claim let go finds no second start as the run gives up.
      {"program 1 ends the wait", "WaitUntilLogOff=1", "WaitForNetwork=0", false, RUNS},
  };
  for (const auto& c : rows) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fake;
    ResetProcessState();
    CopyText(Settings.IniPath, kIni);
    const std::string rest = "\nShareAddress=" S "\nMapToDrive=X\n" PROGRAMS "Execute3=3\nParameters3=%ERRORCODE%\n[SHAREERROR]\nButtons=0\n";
    fake.Ini(kIni) = std::string("[MAIN]\n") + c.main + rest;
    if (c.after[0] != '\0') fake.iniAfterProgram = std::string("[MAIN]\n") + c.after + rest;
    fake.otherRun = c.otherRun;
    fake.secondStarts = 1;
    fake.probe[S] = 53;
    EXPECT_TRUE(UnattendedRun(kDialog));
    EXPECT_EQ(fake.Trace(), c.trace);
    EXPECT_FALSE(fake.claimed);
  }
#undef RUNS
#undef HANDOVER
}

// One run per settings file and session: the name is the file's canonical
// path in one case, hashed, in the session's namespace.
TEST(NetworkWait, RunName) {
  const struct {
    const char* iniPath;
    const char* canonical;  // "" as given; null when it cannot be had
    const char* name;
  } rows[] = {
      {kIni, "", "Local\\Quorvane.239ab7b733c0bc8a"},
      {"c:\\q\\QUORVANE.INI", "", "Local\\Quorvane.239ab7b733c0bc8a"},
      {"C:\\Q~1\\quorvane.ini", kIni, "Local\\Quorvane.239ab7b733c0bc8a"},
      {kIni, nullptr, "Local\\Quorvane.239ab7b733c0bc8a"},
      {"C:\\Q\\other.ini", "", "Local\\Quorvane.26287aa61431d34d"},
      {"", "", ""},  // no settings file: nothing to claim, the run goes on
  };
  for (const auto& c : rows) {
    SCOPED_TRACE(c.iniPath);
    test::FakePlatform fake;
    ResetProcessState();
    CopyText(Settings.IniPath, c.iniPath);
    fake.canonicalFails = c.canonical == nullptr;
    if (c.canonical != nullptr) fake.canonical = c.canonical;
    EXPECT_TRUE(ClaimUnattendedRun());
    EXPECT_EQ(fake.claimName, c.name);
  }
}

TEST(MappingRun, PromptShowsItsSectionExpanded) {
  const struct {
    const char* section;
    const char* shown;
  } cases[] = {
      {"", "Title|Line1|Line2|Line4|Line5"},
      {"[CREDENTIALS]\nTitle=T %DRIVE%\nLine1=1 %DRIVE%\nLine2=2 %DRIVE%\nLine3=3 %DRIVE%\nLine4=4 %DRIVE%\nLine5=5 %DRIVE%",
       "T X:|1 X:|2 X:|4 X:|5 X:"},
  };
  for (const auto& c : cases) {
    test::FakePlatform fake;
    ResetProcessState();
    CopyText(Settings.IniPath, kIni);
    CopyText(Settings.MapToDrive, "X:");
    fake.Ini(kIni) = c.section;
    char asTyped[kTextSize] = "";
    EXPECT_FALSE(AskForCredentials(kDialog, asTyped));
    ASSERT_EQ(fake.prompts.size(), 1u);
    const test::PromptShown& p = fake.prompts[0];
    EXPECT_EQ(p.caption + "|" + p.line1 + "|" + p.line2 + "|" + p.userLabel + "|" + p.passLabel,
              c.shown);
  }
}

// The texts that ship (the example settings file, which the packages write
// too) are words and expand whole with long values: a 100-character share,
// a 20-character user name and the longest system text among the README's
// codes. The error text, which ends with a line break, ends its line.
TEST(ShippedTexts, WordsThatExpandWhole) {
  const std::string example = SourceFile("resources/quorvane.ini.example");
  ASSERT_FALSE(example.empty());
  test::FakePlatform fake;
  ResetProcessState();
  fake.userName = std::string(20, 'u');
  fake.errorTexts[1219] =  // ERROR_SESSION_CREDENTIAL_CONFLICT
      "Multiple connections to a server or shared resource by the same user, using more than one "
      "user name, are not allowed. Disconnect all previous connections to the server or shared "
      "resource and try again.\r\n";
  RunState.LastErrorCode = 1219;
  CopyText(Settings.ShareAddress, ("\\\\" + std::string(98, 's')).c_str());
  CopyText(Settings.MapToDrive, "Q:");
  const struct {
    const char* section;
    std::vector<std::string> keys;
  } sections[] = {{"SHAREERROR", {"Title", "Line1", "Line2", "Line3", "Line4", "Line5"}},
                  {"MAPERROR", {"Title", "Line1", "Line2", "Line3", "Line4", "Line5"}},
                  {"CREDENTIALS", {"Title", "Line1", "Line2", "Line4", "Line5"}}};
  for (const auto& s : sections) {
    for (const std::string& key : s.keys) {
      SCOPED_TRACE(std::string(s.section) + "/" + key);
      std::string raw;
      ASSERT_TRUE(test::IniLookup(example, s.section, key, &raw));  // never the placeholder
      const size_t error = raw.find("%ERRORTEXT%");
      if (error != std::string::npos) {
        EXPECT_EQ(error + 11, raw.size());
      }
      char text[kTextSize];
      CopyText(text, raw.c_str());
      ExpandMacros(text);
      EXPECT_LT(TextLength(text), kTextSize - 1u) << text;  // 259 would mean cut
      EXPECT_EQ(std::string(text).find('%'), std::string::npos) << text;
      // The help desk's line is empty, the prompt's labels are not.
      const bool label = std::string(s.section) == "CREDENTIALS" && (key == "Line4" || key == "Line5");
      if (key == "Line5" && !label) {
        EXPECT_EQ(raw, "");
      } else if (label || key == "Title" || key == "Line1") {
        EXPECT_NE(raw, "");
      }
    }
    std::string buttons;
    if (std::string(s.section) != "CREDENTIALS") {
      EXPECT_TRUE(test::IniLookup(example, s.section, "Buttons", &buttons) && buttons == "0");
    }
  }
}

TEST(FindText, ResultTable) {
  const struct {
    int start;
    const char* text;
    const char* pattern;
    int result;
  } cases[] = {
      {1, "abc", "abc", -1},  // a text that is exactly the pattern: not found
      {1, "ab", "abc", -1},   {1, "", "", -1},         {1, "xabc", "abc", 2},
      {2, "xabc", "abc", 2},  {3, "xabc", "abc", -2},  // past the last possible start
      {1, "xyz", "ab", 0},    {0, "xabc", "abc", -2},  // start below 1, whatever the texts
      {0, "abc", "abc", -2},  {-5, "", "x", -2},       {1, "abab", "ab", 1},
      {2, "abab", "ab", 3},   {3, "abab", "ab", 3},    {1, "aaab", "aab", 2},
      {1, "ABC", "bc", 0},  // case-sensitive
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindText(c.start, c.text, c.pattern), c.result)
        << c.start << " [" << c.text << "] [" << c.pattern << "]";
  }
}

class Macros : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState();
    CopyText(Settings.ProgramPath, "C:\\Tools\\Q\\quorvane.exe");
    CopyText(Settings.ProgramName, "quorvane");
    CopyText(Settings.WindowsDir, "C:\\WINDOWS\\");
    Version()["ProgramFilesDir"] = "C:\\Program Files";
    fake.registryReadOnly = true;  // as for any user: read, never write
  }
  std::map<std::string, std::string>& Version() {
    return fake.registry["Software\\Microsoft\\Windows\\CurrentVersion"];
  }
  std::string Expand(const std::string& in) {
    char text[kTextSize];
    CopyText(text, in.c_str());
    ExpandMacros(text);
    return text;
  }
  test::FakePlatform fake;
};

// Sunday 6 December 2026, 02:45:08, nothing loaded yet.
TEST_F(Macros, EveryMacroAndWhatIsNone) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"%YEAR%-%MONTH%-%DAY% %HOUR%:%MINUTE%:%SECOND% %WEEKDAY%", "2026-12-06 02:45:08 1"},
      {"%DATE%%TIME% %YEAR%", "20261206024508 2026"},
      {"[%DRIVE%|%SHARE%] %ERRORCODE%", "[|] 0"},
      {"%ERRORTEXT%", "The operation completed successfully.\r\n"},
      {"%PROGRAMDIR%|%PROGRAMNAME%|%PROGRAMFILES%", "C:\\Tools\\Q\\|quorvane|C:\\Program Files\\"},
      {"%SYSTEMDIR%|%SYSTEMDRIVE%|%TEMPDIR%|%WINDIR%", "C:\\WINDOWS\\system32\\|C:\\|C:\\TEMP\\|C:\\WINDOWS\\"},
      {"\\\\srv\\%USERNAME%$\\%COMPUTERNAME%", "\\\\srv\\anna$\\DESK-7"},
      {"%month% %FOO% 100% % %% %YEAR YEAR%", "%month% %FOO% 100% % %% %YEAR YEAR%"},
      {"", ""},
      {"%%YEAR%%", "%2026%"},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.in), c.out) << c.in;
  EXPECT_EQ(fake.clockReads, 10);  // one reading per text, so its parts agree
  fake.log.clear();
  Expand("no macros here %FOO%");
  EXPECT_EQ(fake.Trace(), "");  // nothing asked for macros the text does not hold
}

TEST_F(Macros, ClockPartsArePaddedAndWeekdaysCountFromSunday) {
  fake.now = {987, 1, 6, 2, 20, 3, 39, 999};  // a Saturday
  EXPECT_EQ(Expand("%YEAR% %MONTH% %DAY% %HOUR% %MINUTE% %SECOND% %WEEKDAY% %DATE% %TIME%"),
            "987 01 02 20 03 39 7 9870102 200339");
}

// A value inserted by a row is expanded by the later rows, never by the
// earlier ones; a value holding its own name is inserted once per occurrence.
TEST_F(Macros, InsertedValuesMeetOnlyTheLaterRows) {
  CopyText(Settings.ShareAddress, "\\\\srv\\%USERNAME%\\%YEAR%");
  EXPECT_EQ(Expand("%SHARE%"), "\\\\srv\\anna\\%YEAR%");
  fake.userName = "%WINDIR%%DATE%";
  EXPECT_EQ(Expand("%USERNAME%"), "C:\\WINDOWS\\%DATE%");
  CopyText(Settings.ShareAddress, "\\\\srv\\%SHARE%\\x");
  EXPECT_EQ(Expand("%SHARE%"), "\\\\srv\\%SHARE%\\x");
  EXPECT_EQ(Expand("[%SHARE%]-%SHARE%"), "[\\\\srv\\%SHARE%\\x]-\\\\srv\\%SHARE%\\x");
  ExpandMacros(Settings.ShareAddress);
  EXPECT_STREQ(Settings.ShareAddress, "\\\\srv\\\\\\srv\\%SHARE%\\x\\x");
  fake.userName = "%USERNAME%%USERNAME%";
  EXPECT_EQ(Expand("a%USERNAME%b"), "a%USERNAME%%USERNAME%b");
  fake.userName = "%USERNAME";  // a name formed across either edge stays
  EXPECT_EQ(Expand("%USERNAME%%USERNAME%"), "%USERNAME%USERNAME");
  fake.userName = "%U";
  EXPECT_EQ(Expand("a%USERNAME%SERNAME%b"), "a%USERNAME%b");
}

TEST_F(Macros, ErrorCodesAsSignedDecimalAndTheirTexts) {
  const struct {
    uint32_t code;
    const char* expanded;
  } cases[] = {
      {1326, "1326 The user name or password is incorrect.\r\n"},
      {0x80070005u, "-2147024891 -2147024891"},  // no text: the number
      {0x80000000u, "-2147483648 -2147483648"},
      {0xFFFFFFFFu, "-1 -1"},
      {53, "53 53"},
  };
  for (const auto& c : cases) {
    RunState.LastErrorCode = c.code;
    EXPECT_EQ(Expand("%ERRORCODE% %ERRORTEXT%"), c.expanded);
  }
}

// Directories as the system gives them: a backslash only where missing, and
// nothing where a query fails.
TEST_F(Macros, DirectoriesAndFailedQueries) {
  Version()["ProgramFilesDir"] = "D:\\Apps\\";
  fake.systemDir = "C:\\WINDOWS\\system32\\";
  fake.tempDir = "C:\\TEMP";
  CopyText(Settings.ProgramPath, "quorvane.exe");
  EXPECT_EQ(Expand("%PROGRAMFILES%|%SYSTEMDIR%|%TEMPDIR%|%PROGRAMDIR%"),
            "D:\\Apps\\|C:\\WINDOWS\\system32\\|C:\\TEMP|");
  fake.queriesFail = true;
  EXPECT_EQ(Expand("[%USERNAME%|%COMPUTERNAME%|%SYSTEMDIR%|%SYSTEMDRIVE%|%TEMPDIR%]"), "[||||]");
  // An unreadable program files folder leaves the macro.
  Version().erase("ProgramFilesDir");
  EXPECT_EQ(Expand("%PROGRAMFILES%x"), "%PROGRAMFILES%x");
  fake.registry.erase("Software\\Microsoft\\Windows\\CurrentVersion");
  EXPECT_EQ(Expand("%PROGRAMFILES%x"), "%PROGRAMFILES%x");
  EXPECT_EQ(fake.keysOpen, 0);
}

// Expansion never writes past 259 characters: what would not fit is cut.
TEST_F(Macros, ResultsAreCutAt259Characters) {
  fake.userName = std::string(200, 'u');
  EXPECT_EQ(Expand(std::string(100, 'a') + "%USERNAME%tail"), std::string(100, 'a') + std::string(159, 'u'));
  CopyText(Settings.ShareAddress, std::string(259, 's').c_str());
  EXPECT_EQ(Expand("%SHARE%%SHARE%"), std::string(259, 's'));
  EXPECT_EQ(Expand("ab%SHARE%"), "ab" + std::string(257, 's'));
  std::string many, expected;  // shrinking replacements all through a full text
  for (int i = 0; i < 43; ++i) many += "%YEAR%", expected += "2026";
  EXPECT_EQ(Expand(many), expected);
}

}  // namespace
}  // namespace qv
