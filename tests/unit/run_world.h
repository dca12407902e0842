// The world of the mapping tests: the share and the programs they use, the
// unattended run's wait driven row by row, and the events a run reported.
#pragma once

#include <cstdio>
#include <deque>
#include <string>

#include "mapping/mapping_run.h"
#include "settings/settings.h"
#include "tests/fake/fake_platform.h"
#include "tests/unit/setup_world.h"

namespace qv::test {

#define S "\\\\srv\\data"
#define NET "connect X: " S " -/- 0 1"
#define BOX "box Title: Line1\nLine2\nLine3\nLine4\nLine5"
#define ONE "start 1  | idle 1000 | "  // one-letter programs are programs too
#define PROGRAMS "[SECTEXECUTE]\nExecute1=1\nExecute2=2\n"

enum World : unsigned { kTaken = 1, kSubstFails = 2 };
enum Via : uint8_t { kLogOn, kMapNow, kUnmapNow };  // the last two from the setup dialog

inline std::string StoredCredentials(test::FakePlatform& fake) {
  std::string user, password;
  test::IniLookup(fake.Ini(kIni), "MAIN", "UserName", &user);
  test::IniLookup(fake.Ini(kIni), "MAIN", "PassWord", &password);
  return user + "/" + password;
}

using Ev = WaitEventKind;
constexpr uint64_t kHour = 3600000;
#define NEW "\\\\srv\\new"
#define NEW_INI "[MAIN]\nWaitUntilLogOff=1\nMapToDrive=X\nShareAddress=" NEW "\\\n" PROGRAMS "Execute3=3\nParameters3=%ERRORCODE%\n"

struct WaitRow {
  const char* name;
  const char* main;  // [MAIN] keys; the share S and the letter X follow
  uint8_t via;
  std::deque<uint32_t> probes;  // then 53 for ever, or as `World`
  unsigned probeMs;             // how long each probe takes
  std::deque<ScriptedEvent> events;
  unsigned world;               // kTaken; kHangs, kNoThreads, kOtherRun below
  size_t probed;                // probes in all
  size_t onThreads;             // of them on threads of their own
  uint64_t endedAt;             // the clock when the run ended
  const char* ended;            // the run's last call
};
enum : unsigned { kHangs = 4, kNoThreads = 8, kOtherRun = 16 };
// A second start outside the wait (two of them), the server refusing the
// connection (once only), the settings file saved with the second start.
enum : unsigned { kSecondStart = 32, kTwice = 64, kRefused = 128, kRefusedOnce = 256, kSaved = 512 };

// Returns whether the setup dialog is to close (always, for these runs).
inline bool RunWaitRow(test::FakePlatform& fake, const WaitRow& c, uint32_t startTick = 0) {
  ResetProcessState();
  CopyText(Settings.IniPath, kIni);
  fake.Ini(kIni) = std::string("[MAIN]\n") + c.main + "\nShareAddress=" S "\nMapToDrive=X\n" PROGRAMS
                   "Execute3=3\nParameters3=%ERRORCODE%\n[SHAREERROR]\nButtons=0\n";
  fake.probeResults = c.probes;
  fake.probe[NEW] = 0;
  fake.probe["C:\\D"] = 0;
  fake.probeMs = c.probeMs;
  fake.tick = startTick;
  fake.waitEvents = c.events;
  fake.probeHangs = (c.world & kHangs) != 0;
  fake.threadsFail = (c.world & kNoThreads) != 0;
  fake.otherRun = (c.world & kOtherRun) != 0;
  fake.secondStarts = (c.world & kTwice) ? 2 : (c.world & kSecondStart) ? 1 : 0;
  if (c.world & kRefused) fake.connectResults = {1219, 1219};
  if (c.world & kRefusedOnce) fake.connectResults = {1219};
  if (c.world & kSaved) fake.iniAtHandover = NEW_INI;
  if (c.world & kTaken) fake.drives['X'] = 4;
  if (c.via == kLogOn) return UnattendedRun(kDialog);
  UiState.UiMode = 1;
  TransferSettings(nullptr, kGroupMain, kLoad);
  RunMapping(kDialog, MappingAction::Map);
  return true;
}

// What each run reports to the Application log: a level and an ID, the
// settings file, then the event's own strings ("I100 X:|share|user|s"),
// never a secret, and each at most once a run.
inline std::string Events(const test::FakePlatform& fake) {
  std::string all;
  for (const test::ReportedEvent& e : fake.events) {
    EXPECT_EQ(e.texts.at(0), kIni);
    all += all.empty() ? "" : " ";
    all += e.type == 1 ? 'E' : e.type == 2 ? 'W' : e.type == 4 ? 'I' : '?';
    all += std::to_string(e.id & 0xFFFF);
    for (size_t i = 1; i < e.texts.size(); ++i) all += (i == 1 ? " " : "|") + e.texts[i];
  }
  return all;
}

// A file of the source tree, whole; empty when it cannot be read.
inline std::string SourceFile(const char* path) {
  std::string content;
  FILE* file = std::fopen((std::string(QV_SOURCE_DIR "/") + path).c_str(), "rb");
  if (file == nullptr) return content;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) content.append(chunk, n);
  std::fclose(file);
  return content;
}

}  // namespace qv::test
