// The one process-wide configuration record and the only road between the
// settings file, that record and the controls of the open dialog.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "settings/text.h"
#include "ui/control_ids.h"

namespace qv {

// One record serves the three message sections; the one needed is loaded
// just before use.
struct EndUserMessageRecord {
  char Title[kTextSize];
  char Line1[kTextSize];
  char Line2[kTextSize];
  char Line3[kTextSize];
  char Line4[kTextSize];
  char Line5[kTextSize];
  char MessageText[1300];  // five lines, four separators, terminator
  uint8_t Buttons;
};

struct SettingsRecord {
  // Start-up paths, never stored.
  char IniPath[kTextSize];
  char ProgramPath[kTextSize];
  char ProgramName[kTextSize];
  char QuotedProgramPath[kTextSize + 2];
  char InstalledPath[kTextSize];
  char WindowsDir[kTextSize];
  uint8_t RunningInstalled;
  // The "UpdateMode" setting; between start-up and the setup dialog's
  // initialisation the same byte carries the run-mode flag.
  uint8_t UpdateMode;

  // Section "MAIN".
  char ShareAddress[kTextSize];
  char MapToDrive[3];  // letter and colon
  uint8_t DriveType;   // 0 NetWork, 1 Subst, 2 Printer
  char UserName[kTextSize];
  char PassWord[kTextSize];
  uint8_t PersistantConnection;
  uint8_t ForceDisConnection;
  uint8_t PromptCredentials;
  uint8_t SaveCredentials;
  uint8_t StartUp;
  // Seconds the unattended run may wait for a network share to become
  // reachable; never shown or written by the setup dialog.
  uint16_t WaitForNetwork;
  // 1: passwords live in the user's Credential Manager, never in the file;
  // never shown or written by the setup dialog.
  uint8_t CredentialManager;
  // 1: the unattended run waits, idle, for its network share until the
  // session ends; never shown or written by the setup dialog.
  uint8_t WaitUntilLogOff;

  EndUserMessageRecord EndUserMessage;

  // Section "SECTEXECUTE".
  char Execute1[kTextSize];
  char Parameters1[kTextSize];
  char Execute2[kTextSize];
  char Parameters2[kTextSize];
  char Execute3[kTextSize];
  char Parameters3[kTextSize];
};

// Never stored; zero at process start.
struct RunStateRecord {
  uint8_t MappingSucceeded;
  uint32_t LastErrorCode;
};

// The longest wait for the network a settings file can ask for, in seconds.
inline constexpr int kMaxWaitForNetwork = 600;

// Which dialog is in front, and the handles the dialogs record.
struct UiStateRecord {
  uint8_t UiMode;  // 0 none, 1 setup, 2..4 message settings, 5 programs
  Window ActiveDialog;
  Window DriveLetterCombo;
  Window DriveTypeCombo;
  Window ButtonsCombo;
};

extern SettingsRecord Settings;
extern RunStateRecord RunState;
extern UiStateRecord UiState;

// `SettingsGroup` and `UiMode` share one numbering.
enum SettingsGroup : uint8_t {
  kGroupUpdateMode = 0,
  kGroupMain = 1,
  kGroupShareError = 2,
  kGroupMapError = 3,
  kGroupCredentials = 4,
  kGroupPrograms = 5,
};

// While the credentials prompt is open from the setup dialog: no field takes
// macros, since what is typed there is sent as typed.
inline constexpr uint8_t kUiModeCredentialsPrompt = 6;

// Which way a transfer goes: file to record (and controls), or controls to
// record and file.
enum TransferDirection : uint8_t { kSave = 0, kLoad = 1 };

// Moves one group between the settings file, `Settings` and the controls of
// `dialog`. Returns the error of the first write the file refused, 0 when
// every write went through.
uint32_t TransferSettings(Window dialog, int group, TransferDirection direction);

// After a connection: "UserName" as `userName` (the text as typed, before
// its macros were expanded) and "PassWord" as `Settings.PassWord`, or with
// "CredentialManager" the user's credential instead. Returns as
// `TransferSettings` does.
uint32_t StoreCredentials(const char* userName);

// Removes a key of "MAIN" from the settings file; a refusal is not
// reported.
void RemoveMainKey(const char* key);

// A control's text into a field, cut to the field (at most 259 characters).
void TakeItemText(Window dialog, int id, char* field, size_t size);
template <size_t N>
void TakeItemText(Window dialog, int id, char (&field)[N]) {
  TakeItemText(dialog, id, field, N);
}

// The letter selected in the drive-letter list; 'X' when none is.
char SelectedDriveLetter();

// Sets the start-with-system entry when `StartUp` is 1; otherwise removes it
// when it is this copy's own (another copy's registration is left alone).
// Returns the registry's error when the entry could not be changed, else 0.
uint32_t ApplyStartWithSystem();

// The keys that decide whether the log-on run waits for its share, read as
// the "MAIN" load reads them but into a record of their own: `Settings`
// stays untouched, so program 1 still sees no share and no drive.
struct WaitKeys {
  char ShareAddress[kTextSize];
  uint8_t DriveType;
  uint16_t WaitForNetwork;
  uint8_t WaitUntilLogOff;
};
WaitKeys ReadWaitKeys();

// Back to the zeroed state of a fresh process (tests run many "processes").
void ResetProcessState();

}  // namespace qv
