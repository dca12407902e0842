#include "settings/settings.h"

#include <algorithm>
#include <cstring>

#include "settings/credential_store.h"

namespace qv {

SettingsRecord Settings;
RunStateRecord RunState;
UiStateRecord UiState;

void ResetProcessState() {
  std::memset(&Settings, 0, sizeof Settings);
  std::memset(&RunState, 0, sizeof RunState);
  std::memset(&UiState, 0, sizeof UiState);
}

namespace {

constexpr const char* kMain = "MAIN";

// An empty path would send the profile functions to win.ini: without a
// settings path every read gives its default and nothing is written.
bool HaveFile() { return Settings.IniPath[0] != '\0'; }

void ReadText(const char* section, const char* key, const char* fallback,
              char* out, size_t cap) {
  if (!HaveFile()) {
    CopyText(out, cap, fallback);
    return;
  }
  Sys().ReadProfileText(section, key, fallback, out, cap, Settings.IniPath);
  out[cap - 1] = '\0';
}

template <size_t N>
void ReadText(const char* section, const char* key, const char* fallback,
              char (&out)[N]) {
  ReadText(section, key, fallback, out, N);
}

// A missing key, or text, reads as 0.
int ReadNumber(const char* section, const char* key) {
  if (!HaveFile()) return 0;
  return Sys().ReadProfileNumber(section, key, 0, Settings.IniPath);
}

// Numbers keep only their low eight bits.
uint8_t ReadByte(const char* section, const char* key) {
  return static_cast<uint8_t>(ReadNumber(section, key));
}

// The first write the file refused during one transfer; a failure is never
// reported as success, even when the system gives no code.
uint32_t FirstWriteError = 0;

void WriteText(const char* section, const char* key, const char* value) {
  if (!HaveFile() || Sys().WriteProfileText(section, key, value, Settings.IniPath)) return;
  if (FirstWriteError == 0) FirstWriteError = LastFailure();
}

// One digit for the values the controls give; a hand-edited record value
// beyond 9 is written as its decimal number rather than as a stray character.
void WriteNumber(const char* section, const char* key, unsigned value) {
  char text[12];
  FormatUnsigned(text, sizeof text, value);
  WriteText(section, key, text);
}

void WriteCheck(Window dialog, const char* key, int id) {
  WriteNumber(kMain, key, Sys().ItemCheckState(dialog, id));
}

// A combo's selection as a digit; no selection is written as "0".
void WriteComboIndex(const char* section, const char* key, Window combo) {
  const int sel = Sys().ComboSelection(combo);
  WriteNumber(section, key, sel >= 0 ? unsigned(sel) : 0u);
}

void ShowText(Window dialog, int id, const char* text, bool show) {
  if (show) Sys().SetItemText(dialog, id, text);
}

void CheckIf(Window dialog, int id, bool condition, bool show) {
  if (show && condition) Sys().SetItemCheckState(dialog, id, kChecked);
}

// A hand-edited value that is not a number waits not at all.
uint16_t ReadWaitForNetwork() {
  return static_cast<uint16_t>(std::clamp(ReadNumber(kMain, "WaitForNetwork"), 0, kMaxWaitForNetwork));
}

uint8_t ReadWaitUntilLogOff() { return ReadNumber(kMain, "WaitUntilLogOff") == 1; }

void LoadMain(Window dialog, bool show) {
  SettingsRecord& s = Settings;
  ReadText(kMain, "ShareAddress", "", s.ShareAddress);
  ShowText(dialog, IDE_SETUP_ADDRESS, s.ShareAddress, show);

  char letter[2];
  ReadText(kMain, "MapToDrive", "", letter);
  s.MapToDrive[0] = letter[0];
  s.MapToDrive[1] = ':';
  s.MapToDrive[2] = '\0';
  if (show) {
    // A missing or lower-case letter lands past the 26 entries: no selection.
    Sys().SelectComboEntry(UiState.DriveLetterCombo,
                           static_cast<uint8_t>(letter[0] - 'A'));
  }

  s.DriveType = ReadByte(kMain, "DriveType");
  if (show) Sys().SelectComboEntry(UiState.DriveTypeCombo, s.DriveType);

  s.SaveCredentials = ReadByte(kMain, "SaveCredentials");
  CheckIf(dialog, IDX_SAVE_CREDENTIALS, s.SaveCredentials != 0, show);
  s.CredentialManager = ReadNumber(kMain, "CredentialManager") == 1;
  if (s.SaveCredentials != 0) {
    ReadText(kMain, "UserName", "", s.UserName);
    ShowText(dialog, IDE_SETUP_USER, s.UserName, show);
    // A password left in a shared file must not be sent, nor shown.
    if (s.CredentialManager == 0) {
      ReadText(kMain, "PassWord", "", s.PassWord);
      ShowText(dialog, IDE_SETUP_PASSWORD, s.PassWord, show);
    }
  }

  s.PersistantConnection = ReadByte(kMain, "PersistantConnection");
  CheckIf(dialog, IDX_PERSISTANT, s.PersistantConnection != 0, show);
  s.ForceDisConnection = ReadByte(kMain, "ForceDisConnection");
  CheckIf(dialog, IDX_FORCE, s.ForceDisConnection != 0, show);
  s.PromptCredentials = ReadByte(kMain, "PromptCredentials");
  CheckIf(dialog, IDX_PROMPT, s.PromptCredentials != 0, show);

  s.WaitForNetwork = ReadWaitForNetwork();
  s.WaitUntilLogOff = ReadWaitUntilLogOff();

  s.StartUp = ReadByte(kMain, "StartUp");
  CheckIf(dialog, IDX_START_UP, s.StartUp == 1, show);
  s.UpdateMode = ReadByte(kMain, "UpdateMode");
  CheckIf(dialog, IDX_UPDATE_MODE, s.UpdateMode != 0, show);

  // A copy that still has to install itself never registers itself to start
  // with the system; only the installed copy (or one without copy mode) does.
  if (s.RunningInstalled == 1) {
    s.UpdateMode = 0;
  } else if (s.UpdateMode != 0) {
    s.StartUp = 0;
  }
  // Every load brings the Run value in line with StartUp, silently.
  ApplyStartWithSystem();
}

void SaveMain(Window dialog) {
  SettingsRecord& s = Settings;
  TakeItemText(dialog, IDE_SETUP_ADDRESS, s.ShareAddress);
  WriteText(kMain, "ShareAddress", s.ShareAddress);

  const char drive[2] = {SelectedDriveLetter(), '\0'};
  WriteText(kMain, "MapToDrive", drive);
  WriteComboIndex(kMain, "DriveType", UiState.DriveTypeCombo);

  WriteCheck(dialog, "SaveCredentials", IDX_SAVE_CREDENTIALS);
  if (Sys().ItemCheckState(dialog, IDX_SAVE_CREDENTIALS) == kChecked) {
    TakeItemText(dialog, IDE_SETUP_USER, s.UserName);
    WriteText(kMain, "UserName", s.UserName);
    if (s.CredentialManager == 0) {
      TakeItemText(dialog, IDE_SETUP_PASSWORD, s.PassWord);
      WriteText(kMain, "PassWord", s.PassWord);
    }
  }
  WriteCheck(dialog, "PersistantConnection", IDX_PERSISTANT);
  WriteCheck(dialog, "ForceDisConnection", IDX_FORCE);
  WriteCheck(dialog, "PromptCredentials", IDX_PROMPT);
  WriteCheck(dialog, "StartUp", IDX_START_UP);
  WriteCheck(dialog, "UpdateMode", IDX_UPDATE_MODE);
}

constexpr const char* kLineKeys[6] = {"Title", "Line1", "Line2",
                                      "Line3", "Line4", "Line5"};

char* MessageField(int i) {
  EndUserMessageRecord& m = Settings.EndUserMessage;
  char* fields[6] = {m.Title, m.Line1, m.Line2, m.Line3, m.Line4, m.Line5};
  return fields[i];
}

const char* MessageSection(int group) {
  switch (group) {
    case kGroupShareError: return "SHAREERROR";
    case kGroupMapError: return "MAPERROR";
    default: return "CREDENTIALS";
  }
}

void LoadMessage(Window dialog, int group, bool show) {
  const char* section = MessageSection(group);
  for (int i = 0; i < 6; ++i) {
    ReadText(section, kLineKeys[i], kLineKeys[i], MessageField(i), kTextSize);
  }
  Settings.EndUserMessage.Buttons = ReadByte(section, "Buttons");
  if (!show) return;
  Sys().SelectComboEntry(UiState.ButtonsCombo, Settings.EndUserMessage.Buttons);
  for (int i = 0; i < 6; ++i) {
    Sys().SetItemText(dialog, kTextFieldIds[i], MessageField(i));
  }
}

void SaveMessage(Window dialog, int group) {
  const char* section = MessageSection(group);
  for (int i = 0; i < 6; ++i) {
    char* field = MessageField(i);
    TakeItemText(dialog, kTextFieldIds[i], field, kTextSize);
    WriteText(section, kLineKeys[i], field);
  }
  WriteComboIndex(section, "Buttons", UiState.ButtonsCombo);
}

constexpr const char* kProgramsSection = "SECTEXECUTE";
constexpr const char* kProgramKeys[6] = {"Execute1", "Parameters1",
                                         "Execute2", "Parameters2",
                                         "Execute3", "Parameters3"};

char* ProgramField(int i) {
  SettingsRecord& s = Settings;
  char* fields[6] = {s.Execute1, s.Parameters1, s.Execute2,
                     s.Parameters2, s.Execute3, s.Parameters3};
  return fields[i];
}

void TransferPrograms(Window dialog, bool load, bool show) {
  for (int i = 0; i < 6; ++i) {
    char* field = ProgramField(i);
    if (load) {
      ReadText(kProgramsSection, kProgramKeys[i], "", field, kTextSize);
      ShowText(dialog, kTextFieldIds[i], field, show);
    } else {
      TakeItemText(dialog, kTextFieldIds[i], field, kTextSize);
      WriteText(kProgramsSection, kProgramKeys[i], field);
    }
  }
}

}  // namespace

WaitKeys ReadWaitKeys() {
  WaitKeys keys;
  ReadText(kMain, "ShareAddress", "", keys.ShareAddress);
  keys.DriveType = ReadByte(kMain, "DriveType");
  keys.WaitForNetwork = ReadWaitForNetwork();
  keys.WaitUntilLogOff = ReadWaitUntilLogOff();
  return keys;
}

void RemoveMainKey(const char* key) {
  if (HaveFile()) Sys().WriteProfileText(kMain, key, nullptr, Settings.IniPath);
}

void TakeItemText(Window dialog, int id, char* field, size_t size) {
  Sys().ItemText(dialog, id, field, size);
  field[size - 1] = '\0';
}

char SelectedDriveLetter() {
  const int letter = Sys().ComboSelection(UiState.DriveLetterCombo);
  return static_cast<char>(letter >= 0 && letter < 26 ? 'A' + letter : 'X');
}

uint32_t TransferSettings(Window dialog, int group, TransferDirection direction) {
  const bool load = direction == kLoad;
  const bool show = load && UiState.UiMode != 0 && dialog != nullptr;
  FirstWriteError = 0;

  if (group == kGroupUpdateMode) {
    if (load) {
      Settings.UpdateMode = ReadByte(kMain, "UpdateMode");
    } else {
      WriteNumber(kMain, "UpdateMode", Settings.UpdateMode);
    }
    return FirstWriteError;
  }

  // A save takes its values from the controls; with no dialog there are none,
  // and writing empty values would wipe the stored settings.
  if (!load && dialog == nullptr) return 0;

  switch (group) {
    case kGroupMain:
      if (load) LoadMain(dialog, show); else SaveMain(dialog);
      break;
    case kGroupShareError:
    case kGroupMapError:
    case kGroupCredentials:
      if (load) LoadMessage(dialog, group, show); else SaveMessage(dialog, group);
      break;
    case kGroupPrograms:
      TransferPrograms(dialog, load, show);
      break;
    default:
      break;  // not a group: nothing moves
  }
  return FirstWriteError;
}

uint32_t StoreCredentials(const char* userName) {
  FirstWriteError = 0;
  // One user's answer must never reach another through a shared file.
  if (!KeepCredential(userName)) {
    WriteText(kMain, "UserName", userName);
    WriteText(kMain, "PassWord", Settings.PassWord);
  }
  return FirstWriteError;
}

}  // namespace qv
