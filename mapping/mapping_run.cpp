#include "mapping/mapping_run.h"

#include "mapping/credentials.h"
#include "mapping/macros.h"
#include "mapping/network_wait.h"
#include "mapping/run_report.h"
#include "settings/credential_store.h"
#include "settings/settings.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr const char* kSubst = "Subst.exe";
constexpr unsigned kUpdateProfile = 1;  // CONNECT_UPDATE_PROFILE
// The substitution tool is given this long to finish; only the letter then
// tells whether it worked.
constexpr unsigned kSubstWaitMs = 5000;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorLogonFailure = 1326;

unsigned ConnectionFlags() {
  return Settings.PersistantConnection == 1 ? kUpdateProfile : 0;
}

// Letter, colon and blank, then the folder, quoted when it holds a blank:
// 2 + 1 + 2 + 259 characters, so no folder path is ever cut.
struct SubstParameters {
  char text[kTextSize + 6];
};

SubstParameters Parameters(const char* tail) {
  SubstParameters p;
  CopyText(p.text, Settings.MapToDrive);
  AppendText(p.text, tail);
  return p;
}

// The tool takes exactly two parameters: a folder with a blank in its name
// would otherwise reach it as two.
SubstParameters AddParameters() {
  SubstParameters p = Parameters(" ");
  bool blank = false;
  for (const char* c = Settings.ShareAddress; *c != '\0'; ++c) blank |= *c == ' ';
  if (blank) AppendText(p.text, "\"");
  AppendText(p.text, Settings.ShareAddress);
  if (blank) AppendText(p.text, "\"");
  return p;
}

// The letter an event names: "-" where the connection has none.
const char* EventLetter() {
  const bool lettered = Settings.DriveType == kNetWork || Settings.DriveType == kSubstType;
  return lettered && Settings.MapToDrive[0] != '\0' ? Settings.MapToDrive : "-";
}

void ReportMapped(const char* user) {
  const char* strings[] = {EventLetter(), Settings.ShareAddress, user, SecondsWaited()};
  ReportRun(QV_EVENT_MAPPED, strings);
}

// "MAPERROR", reported with what failed and for whom, and in words.
void MapFailed(Window dialog, const char* user, uint32_t code, const char* words) {
  const Number number(code);
  MessageEvent event = {QV_EVENT_MAP_FAILED,
                        {EventLetter(), Settings.ShareAddress, user, number.text, words}, 5};
  ShowEndUserMessage(dialog, kGroupMapError, &event);
}

// How a map run ended: done; asked by a wait to start again from the
// settings it re-read; about to give up when a second start had come, so to
// read the settings and map once more; or with the session.
enum class MapEnd : uint8_t { kDone, kReread, kRetry, kSessionEnded };

// Whether the settings loaded ask the log-on run to wait for its share.
bool SettingsWait() {
  const SettingsRecord& s = Settings;
  return WaitAsked(s.ShareAddress, s.DriveType, s.WaitForNetwork, s.WaitUntilLogOff);
}

// At log-on the network may come up after the user does; nothing else
// waits, and a run with no wait asked for probes once, here.
uint32_t ProbeShare(bool mayWait, char (&asTyped)[kTextSize], MapEnd& end) {
  if (mayWait && SettingsWait()) {
    const uint32_t start = Sys().Milliseconds();
    const ShareWaitEnd wait = WaitForShare(asTyped);
    AddWaitedTime(Sys().Milliseconds() - start);
    if (wait.how == ShareWait::kReread) end = MapEnd::kReread;
    if (wait.how == ShareWait::kSessionEnded) end = MapEnd::kSessionEnded;
    return wait.code;
  }
  return Sys().ProbeAddress(Settings.ShareAddress);
}

bool LetterFree() { return Sys().DriveType(Settings.MapToDrive) == kDriveNoRootDir; }

uint32_t Disconnect() {
  return Sys().CancelConnection(Settings.MapToDrive, ConnectionFlags(), true);
}

void Substitute(Window dialog) {
  if (TextLength(Settings.ShareAddress) == 2) AppendText(Settings.ShareAddress, "\\");
  // Waiting for the tool to end, rather than a fixed 5000 ms, gives the
  // same answer as soon as there is one.
  const intptr_t started = Sys().StartProgramAndWait(
      dialog, kSubst, AddParameters().text, kSwHide, kSubstWaitMs);
  RunState.LastErrorCode = static_cast<uint32_t>(started);
  RunState.MappingSucceeded = 1;
  if (LetterFree()) {
    // The code is the shell's answer to the start, no system error.
    MapFailed(dialog, "", RunState.LastErrorCode, "Subst.exe left the letter free");
    RunState.MappingSucceeded = 0;
    return;
  }
  ReportMapped("");
}

// A cancelled prompt ends the run: a second start meanwhile was answered by
// the prompt, and a later one is to run on its own.
void PromptCancelled() {
  RunState.MappingSucceeded = 0;
  ReleaseClaim();
  const Number code(RunState.LastErrorCode);
  const char* strings[] = {Settings.ShareAddress, Settings.UserName, code.text};
  ReportRun(QV_EVENT_PROMPT_CANCELLED, strings);
}

MapEnd Connect(Window dialog, char (&asTyped)[kTextSize]) {
  LoadStoredCredential(asTyped);
  if (Settings.PromptCredentials == 1 && !AskForCredentials(dialog, asTyped)) {
    PromptCancelled();
    return MapEnd::kDone;
  }
  // Only a network share gets the letter; a printer, or a type no list
  // entry stands for, is connected without one.
  const char* local = Settings.DriveType == kNetWork ? Settings.MapToDrive : nullptr;
  const unsigned type =
      local != nullptr && local[0] != '\0' ? kResourceTypeDisk : kResourceTypeAny;
  for (;;) {
    // No user name means the logged-on user, with that user's own password
    // unless one is given; empty texts would mean "no password" instead.
    const bool named = Settings.UserName[0] != '\0';
    const char* user = named ? Settings.UserName : nullptr;
    const char* password =
        named || Settings.PassWord[0] != '\0' ? Settings.PassWord : nullptr;
    const uint32_t code = Sys().AddConnection(type, local, Settings.ShareAddress, password,
                                              user, ConnectionFlags());
    if (code == 0) {
      if (Settings.SaveCredentials != 0) StoreCredentials(asTyped);
      RunState.LastErrorCode = 0;
      RunState.MappingSucceeded = 1;
      ReportMapped(Settings.UserName);
      return MapEnd::kDone;
    }
    RunState.LastErrorCode = code;
    if (code != kErrorLogonFailure) {
      if (HandedOverBeforeGivingUp()) return MapEnd::kRetry;
      RunState.MappingSucceeded = 0;
      MapFailed(dialog, Settings.UserName, code, ErrorWords(code));
      return MapEnd::kDone;
    }
    // As often as the user answers OK.
    if (!AskForCredentials(dialog, asTyped)) {
      PromptCancelled();
      return MapEnd::kDone;
    }
  }
}

// Program `which` (1, 2 or 3). Its parameters never reach the log: they
// may carry a secret.
void StartConfigured(const char* which, char* program, char* parameters) {
  ExpandMacros(program);
  ExpandMacros(parameters);
  const intptr_t started = Sys().StartProgram(nullptr, program, parameters, nullptr, kSwShow);
  if (started > 32) return;  // the shell's codes of failure are 0 to 32
  const Number code(static_cast<uint32_t>(started));
  const char* strings[] = {which, program, code.text};
  ReportRun(QV_EVENT_PROGRAM_NOT_STARTED, strings);
}

// What holds a letter: its connection's remote name, else its kind.
const char* HolderOf(const char* drive, char (&remote)[kTextSize]) {
  if (Sys().ConnectionOfDrive(drive, remote, sizeof remote)) return remote;
  switch (Sys().DriveType(drive)) {
    case 2: return "a removable drive";
    case 3: return "a fixed drive or a substituted folder";
    case 4: return "a network drive";
    case 5: return "a CD or DVD drive";
    case 6: return "a RAM disk";
    default: return "a drive of unknown type";
  }
}

}  // namespace

bool ServerAnswered(uint32_t probe) {
  return probe == 0 || probe == kErrorAlreadyExists || probe == kErrorLogonFailure ||
         probe == kErrorAccessDenied;
}

bool ShowEndUserMessage(Window dialog, int group, MessageEvent* event) {
  const uint8_t mode = UiState.UiMode;
  // Asked for from the setup dialog, the box is its own: the dialog waits
  // for it instead of taking a second "Map Drive Now" meanwhile.
  Window owner = mode == 1 ? dialog : nullptr;
  UiState.UiMode = 0;  // the setup dialog's fields share the message's IDs
  TransferSettings(dialog, group, kLoad);
  EndUserMessageRecord& m = Settings.EndUserMessage;
  const bool silent = m.Buttons == 1;
  if (event != nullptr) {
    event->strings[event->count++] = silent ? "silent" : "shown";
    ReportRunEvent(event->id, event->strings, event->count);
  }
  if (!silent) {
    ExpandMacros(m.Title);
    ExpandMacros(m.Line1);
    CopyText(m.MessageText, m.Line1);
    char* const rest[4] = {m.Line2, m.Line3, m.Line4, m.Line5};
    for (char* line : rest) {
      ExpandMacros(line);
      AppendText(m.MessageText, "\n");
      AppendText(m.MessageText, line);
    }
    // A second start while the box is up runs on its own.
    ReleaseClaim();
    // At log-on nobody is looking for it: it must not open behind others.
    Sys().AskUser(owner, m.MessageText, m.Title,
                  kMbOk | kMbIconWarning | (mode == 1 ? 0 : kMbSetForeground));
  }
  UiState.UiMode = mode;
  return silent;
}

void ReadSettingsAgain() {
  TransferSettings(nullptr, kGroupPrograms, kLoad);
  TransferSettings(nullptr, kGroupMain, kLoad);
}

void PrepareRun(char (&asTyped)[kTextSize]) {
  ExpandMacros(Settings.ShareAddress);
  CopyText(asTyped, Settings.UserName);
  ExpandMacros(Settings.UserName);
  DropTrailingBackslash(Settings.ShareAddress);
}

namespace {

MapEnd Map(Window dialog) {
  SettingsRecord& s = Settings;
  char asTyped[kTextSize];
  PrepareRun(asTyped);

  // Somebody who clicked "Map Drive Now" is told at once.
  MapEnd end = MapEnd::kDone;
  const uint32_t probe =
      ProbeShare(UiState.UiMode != 1 && s.DriveType == kNetWork, asTyped, end);
  if (end != MapEnd::kDone) return end;
  RunState.LastErrorCode = probe;
  const bool reachable = ServerAnswered(probe) || s.DriveType == kPrinter;
  if (!reachable) {
    if (HandedOverBeforeGivingUp()) return MapEnd::kRetry;
    // From the setup dialog the message is shown and the mapping tried
    // anyway; the unattended run stops unless the message is silent.
    const Number code(probe);
    MessageEvent event = {QV_EVENT_UNREACHABLE,
                          {s.ShareAddress, code.text, ErrorWords(probe), SecondsWaited()},
                          4};
    const bool silent = ShowEndUserMessage(dialog, kGroupShareError, &event);
    if (!silent && UiState.UiMode != 1) {
      RunState.MappingSucceeded = 0;
      return end;
    }
  }

  if (s.DriveType == kPrinter) {
    if (s.ForceDisConnection == 1) Disconnect();
  } else if (!LetterFree()) {
    if (s.ForceDisConnection != 1) {
      RunState.MappingSucceeded = 1;  // taken as already mapped
      char remote[kTextSize];
      const char* strings[] = {s.MapToDrive, HolderOf(s.MapToDrive, remote)};
      ReportRun(QV_EVENT_ALREADY_IN_USE, strings);
      return end;
    }
    if (s.DriveType == kSubstType) {
      // The removal must be over before the new substitution starts.
      Sys().StartProgramAndWait(dialog, kSubst, Parameters(" /D").text, kSwHide,
                                kSubstWaitMs);
    } else {
      Disconnect();
    }
  }

  if (s.DriveType == kSubstType) {
    Substitute(dialog);
    return end;
  }
  return Connect(dialog, asTyped);
}

}  // namespace

void RunMapping(Window dialog, MappingAction action) {
  BeginRunReport();
  if (action == MappingAction::Map) {
    Map(dialog);
    return;
  }
  char asTyped[kTextSize];
  PrepareRun(asTyped);
  // The letter is dropped, never the address, whatever the type.
  uint32_t result;
  bool failed;
  if (Settings.DriveType == kSubstType) {
    const intptr_t started =
        Sys().StartProgram(dialog, kSubst, Parameters(" /D").text, nullptr, kSwHide);
    result = static_cast<uint32_t>(started);
    failed = started <= 32;
  } else {
    result = Disconnect();
    failed = result != 0;
  }
  const Number code(result);
  const char* strings[] = {Settings.MapToDrive, Settings.ShareAddress, code.text};
  ReportRun(QV_EVENT_UNMAPPED, strings, failed);
}

namespace {

// Claims the settings file where these settings wait, lets the claim go
// where they no longer do; false when another run of the file is under way
// and has been asked to map.
bool SettleClaim(bool held) {
  if (!SettingsWait()) {
    ReleaseClaim();
    return true;
  }
  return held || ClaimUnattendedRun();
}

}  // namespace

bool UnattendedRun(Window dialog) {
  BeginRunReport();
  // Decided before program 1, from the keys alone: a run under way maps
  // for both. A run that waits for nothing claims nothing.
  const WaitKeys keys = ReadWaitKeys();
  const bool held = WaitAsked(keys.ShareAddress, keys.DriveType, keys.WaitForNetwork,
                              keys.WaitUntilLogOff);
  if (held && !ClaimUnattendedRun()) return true;
  SettingsRecord& s = Settings;
  TransferSettings(nullptr, kGroupPrograms, kLoad);
  TransferSettings(nullptr, kGroupCredentials, kLoad);
  if (s.Execute1[0] != '\0') {
    StartConfigured("1", s.Execute1, s.Parameters1);
    // Broadcasts and a log-off are answered meanwhile.
    Sys().WaitAnswering(1000);
  }
  TransferSettings(nullptr, kGroupMain, kLoad);
  // Program 1 may have changed the file.
  if (!SettleClaim(held)) return true;

  // Settings re-read by a wait that no longer applies to them, or for a
  // second start that came as the run was giving up, start the mapping
  // again.
  bool close;
  MapEnd end = MapEnd::kDone;
  for (;;) {
    close = s.ShareAddress[0] != '\0';
    if (!close) {
      RunState.MappingSucceeded = 0;
      ReportRun(QV_EVENT_NO_ADDRESS);
      break;
    }
    end = Map(dialog);
    if (end == MapEnd::kRetry) {
      ReadSettingsAgain();
      SettleClaim(true);
    } else if (end != MapEnd::kReread) {
      break;
    }
  }
  // Whatever follows, a later start runs on its own.
  ReleaseClaim();
  // Nothing more is shown or started while the session ends.
  if (end == MapEnd::kSessionEnded) {
    const char* strings[] = {s.ShareAddress, SecondsWaited()};
    ReportRun(QV_EVENT_SESSION_ENDED, strings);
    return true;
  }
  // Program 1 alone never closes the dialog.
  char* program = RunState.MappingSucceeded == 1 ? s.Execute2 : s.Execute3;
  char* parameters = RunState.MappingSucceeded == 1 ? s.Parameters2 : s.Parameters3;
  if (program[0] != '\0') {
    StartConfigured(RunState.MappingSucceeded == 1 ? "2" : "3", program, parameters);
    close = true;
  }
  return close;
}

}  // namespace qv
