#include "mapping/mapping_run.h"

#include "mapping/credentials.h"
#include "mapping/macros.h"
#include "mapping/network_wait.h"
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

// How a map run ended: done, or asked by a wait to start again from the
// settings re-read, or with the session.
enum class MapEnd : uint8_t { kDone, kReread, kSessionEnded };

// At log-on the network may come up after the user does; nothing else
// waits, and a run with no wait asked for probes once, here.
uint32_t ProbeShare(bool mayWait, char (&asTyped)[kTextSize], MapEnd& end) {
  if (mayWait && (Settings.WaitForNetwork > 0 || Settings.WaitUntilLogOff == 1)) {
    const ShareWaitEnd wait = WaitForShare(asTyped);
    if (wait.how == ShareWait::kReread) end = MapEnd::kReread;
    if (wait.how == ShareWait::kSessionEnded) end = MapEnd::kSessionEnded;
    return wait.code;
  }
  return Sys().ProbeAddress(Settings.ShareAddress);
}

bool LetterFree() { return Sys().DriveType(Settings.MapToDrive) == kDriveNoRootDir; }

void Disconnect() {
  Sys().CancelConnection(Settings.MapToDrive, ConnectionFlags(), true);
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
    ShowEndUserMessage(dialog, kGroupMapError);
    RunState.MappingSucceeded = 0;
  }
}

void Connect(Window dialog, char (&asTyped)[kTextSize]) {
  LoadStoredCredential(asTyped);
  if (Settings.PromptCredentials == 1 && !AskForCredentials(dialog, asTyped)) {
    RunState.MappingSucceeded = 0;
    return;
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
      return;
    }
    RunState.LastErrorCode = code;
    if (code != kErrorLogonFailure) {
      RunState.MappingSucceeded = 0;
      ShowEndUserMessage(dialog, kGroupMapError);
      return;
    }
    // As often as the user answers OK.
    if (!AskForCredentials(dialog, asTyped)) {
      RunState.MappingSucceeded = 0;
      return;
    }
  }
}

void StartConfigured(char* program, char* parameters) {
  ExpandMacros(program);
  ExpandMacros(parameters);
  Sys().StartProgram(nullptr, program, parameters, nullptr, kSwShow);
}

}  // namespace

bool ServerAnswered(uint32_t probe) {
  return probe == 0 || probe == kErrorAlreadyExists || probe == kErrorLogonFailure ||
         probe == kErrorAccessDenied;
}

bool ShowEndUserMessage(Window dialog, int group) {
  const uint8_t mode = UiState.UiMode;
  // Asked for from the setup dialog, the box is its own: the dialog waits
  // for it instead of taking a second "Map Drive Now" meanwhile.
  Window owner = mode == 1 ? dialog : nullptr;
  UiState.UiMode = 0;  // the setup dialog's fields share the message's IDs
  TransferSettings(dialog, group, kLoad);
  EndUserMessageRecord& m = Settings.EndUserMessage;
  const bool silent = m.Buttons == 1;
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
    // At log-on nobody is looking for it: it must not open behind others.
    Sys().AskUser(owner, m.MessageText, m.Title,
                  kMbOk | kMbIconWarning | (mode == 1 ? 0 : kMbSetForeground));
  }
  UiState.UiMode = mode;
  return silent;
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
    // From the setup dialog the message is shown and the mapping tried
    // anyway; the unattended run stops unless the message is silent.
    const bool silent = ShowEndUserMessage(dialog, kGroupShareError);
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
  } else {
    Connect(dialog, asTyped);
  }
  return end;
}

}  // namespace

void RunMapping(Window dialog, MappingAction action) {
  if (action == MappingAction::Map) {
    Map(dialog);
    return;
  }
  char asTyped[kTextSize];
  PrepareRun(asTyped);
  // The letter is dropped, never the address, whatever the type.
  if (Settings.DriveType == kSubstType) {
    Sys().StartProgram(dialog, kSubst, Parameters(" /D").text, nullptr, kSwHide);
  } else {
    Disconnect();
  }
}

bool UnattendedRun(Window dialog) {
  // Decided before program 1: the run under way maps for both.
  if (!ClaimUnattendedRun()) return true;
  SettingsRecord& s = Settings;
  TransferSettings(nullptr, kGroupPrograms, kLoad);
  TransferSettings(nullptr, kGroupCredentials, kLoad);
  if (s.Execute1[0] != '\0') {
    StartConfigured(s.Execute1, s.Parameters1);
    // Broadcasts and a log-off are answered meanwhile.
    Sys().WaitAnswering(1000);
  }
  TransferSettings(nullptr, kGroupMain, kLoad);

  // Settings re-read by a wait that no longer applies to them start the
  // mapping again.
  bool close;
  MapEnd end = MapEnd::kDone;
  do {
    close = s.ShareAddress[0] != '\0';
    if (!close) {
      RunState.MappingSucceeded = 0;
      break;
    }
    end = Map(dialog);
  } while (end == MapEnd::kReread);
  if (end == MapEnd::kSessionEnded) {
    // Nothing more is shown or started while the session ends.
    Sys().ReleaseRun();
    return true;
  }
  // Program 1 alone never closes the dialog.
  char* program = RunState.MappingSucceeded == 1 ? s.Execute2 : s.Execute3;
  char* parameters = RunState.MappingSucceeded == 1 ? s.Parameters2 : s.Parameters3;
  if (program[0] != '\0') {
    StartConfigured(program, parameters);
    close = true;
  }
  Sys().ReleaseRun();
  return close;
}

}  // namespace qv
