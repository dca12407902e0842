#include "ui/setup_logic.h"

#include <cstdint>

#include <cstring>

#include "mapping/macros.h"
#include "mapping/mapping_run.h"
#include "resources/version_block.h"
#include "settings/credential_store.h"
#include "settings/settings.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr uint32_t kErrorNoSuchLogonSession = 1312;
// What a refused credential write with that code means; the system's own
// text speaks of a log-on session that does not exist.
constexpr const char* kNoStoredPasswords =
    "Windows keeps no passwords for this log-on: a network log-on, or the policy \"Network "
    "access: Do not allow storage of passwords and credentials for network authentication\" is on.";

// One line saying what could not be saved, then the reason: `known`, or
// the system's.
template <size_t N>
void DescribeFailure(char (&text)[N], const char* what, uint32_t code,
                     const char* known = nullptr) {
  if (text[0] != '\0') AppendText(text, "\n\n");
  AppendText(text, what);
  AppendText(text, "\n");
  char reason[kTextSize];
  if (known != nullptr) {
    CopyText(reason, known);
  } else if (Sys().ErrorText(code, reason, sizeof reason)) {
    reason[kTextSize - 1] = '\0';
    size_t n = TextLength(reason);
    while (n > 0 && (reason[n - 1] == '\r' || reason[n - 1] == '\n')) reason[--n] = '\0';
  } else {
    CopyText(reason, "Error ");
    char number[12];
    FormatUnsigned(number, sizeof number, code);
    AppendText(reason, number);
  }
  AppendText(text, reason);
}

}  // namespace

bool SaveSetup(Window dialog) {
  SettingsRecord& s = Settings;
  TakeItemText(dialog, IDE_SETUP_ADDRESS, s.ShareAddress);
  if (TextEqual(s.ShareAddress, "%SHARE%") || FindText(1, s.ShareAddress, "%SHARE%") > 0) {
    Sys().AskUser(dialog, "%SHARE% is an Ilegal Macro name for this field", "Atention!",
                  kMbOk | kMbIconWarning);
    Sys().FocusItem(dialog, IDE_SETUP_ADDRESS);
    return false;
  }
  s.StartUp = Sys().ItemCheckState(dialog, IDX_START_UP) == kChecked ? 1 : 0;
  s.UpdateMode = 0;
  if (Sys().ItemCheckState(dialog, IDX_UPDATE_MODE) == kChecked && s.RunningInstalled == 0) {
    s.UpdateMode = 1;
    s.StartUp = 0;
  }
  const uint32_t runError = ApplyStartWithSystem();
  const uint32_t fileError = TransferSettings(dialog, kGroupMain, kSave);
  const uint32_t credentialError = SaveDialogCredential(dialog);
  if (runError == 0 && fileError == 0 && credentialError == 0) return true;
  // Silence here would leave the user believing the mapping comes back at
  // the next log-on.
  char text[5 * kTextSize] = "";
  if (fileError != 0) {
    char what[kTextSize + 40];
    CopyText(what, "The settings could not be saved in ");
    AppendText(what, s.IniPath);
    AppendText(what, ":");
    DescribeFailure(text, what, fileError);
  }
  if (runError != 0) {
    DescribeFailure(text, "\"Start With System\" could not be changed in the registry:",
                    runError);
  }
  if (credentialError != 0) {
    DescribeFailure(text, "The password could not be saved in the Windows Credential Manager:",
                    credentialError,
                    credentialError == kErrorNoSuchLogonSession ? kNoStoredPasswords : nullptr);
  }
  Sys().AskUser(dialog, text, "Settings Not Saved", kMbOk | kMbIconWarning);
  return false;
}

void MapNow(Window dialog) {
  SettingsRecord& s = Settings;
  TakeItemText(dialog, IDE_SETUP_ADDRESS, s.ShareAddress);
  s.MapToDrive[0] = SelectedDriveLetter();
  s.MapToDrive[1] = ':';
  s.MapToDrive[2] = '\0';
  // No selection (-1) is kept as 255: a type no list entry stands for.
  s.DriveType = static_cast<uint8_t>(Sys().ComboSelection(UiState.DriveTypeCombo));
  TakeItemText(dialog, IDE_SETUP_USER, s.UserName);
  TakeItemText(dialog, IDE_SETUP_PASSWORD, s.PassWord);
  uint8_t* const flags[4] = {&s.PersistantConnection, &s.ForceDisConnection,
                             &s.PromptCredentials, &s.SaveCredentials};
  for (int i = 0; i < 4; ++i) {
    const unsigned state = Sys().ItemCheckState(dialog, IDX_PERSISTANT + i);
    if (state == kChecked) *flags[i] = 1;
    if (state == kUnchecked) *flags[i] = 0;
  }
  RunMapping(dialog, MappingAction::Map);
}

void TakeBrowsedPath(Window dialog, const char* path) {
  if (path == nullptr || path[0] == '\0') return;
  CopyText(Settings.ShareAddress, path);
  const size_t n = TextLength(Settings.ShareAddress);
  if (Settings.ShareAddress[n - 1] != '\\') AppendText(Settings.ShareAddress, "\\");
  Sys().SetItemText(dialog, IDE_SETUP_ADDRESS, Settings.ShareAddress);
}

namespace {

// n * units / units96, rounded to the nearest pixel.
int Scaled(int n, int units, int units96) {
  return static_cast<int>((int64_t{n} * units * 2 + units96) / (int64_t{units96} * 2));
}

}  // namespace

PicturePlace AboutPicturePlace(int baseX, int baseY, int baseX96, int baseY96) {
  const PicturePlace& at96 = kAboutPictureAt96;
  // Nonsense units (a font that cannot be measured, a picture grown beyond
  // any screen) keep the picture where it is at 96 DPI.
  if (baseX <= 0 || baseY <= 0 || baseX96 <= 0 || baseY96 <= 0 || baseX > 16 * baseX96 ||
      baseY > 16 * baseY96) {
    return at96;
  }
  // The far corner is scaled too, so that the picture meets its frame.
  const int x = Scaled(at96.x, baseX, baseX96), y = Scaled(at96.y, baseY, baseY96);
  return {x, y, Scaled(at96.x + at96.width, baseX, baseX96) - x,
          Scaled(at96.y + at96.height, baseY, baseY96) - y};
}

void AboutCaption(char* caption, size_t cap) {
  char version[kTextSize] = "";
  const VersionQuery found = Sys().ReadVersionValue(
      Settings.ProgramPath, QV_STRING_VALUE("FileVersion"), version, sizeof version);
  if (found == VersionQuery::NoBlock) return;
  AppendText(caption, cap, " Version: ");
  if (found == VersionQuery::Found) AppendText(caption, cap, version);
}

bool TakesMacros(int uiMode, int controlId) {
  if (uiMode == 1) return controlId == IDE_SETUP_ADDRESS || controlId == IDE_SETUP_USER;
  if (uiMode > 5) return false;
  for (int id : kTextFieldIds) {
    if (id == controlId) return true;
  }
  return false;
}

bool InsertMacro(const char* text, size_t start, size_t end, const char* name, char* out,
                 size_t cap) {
  const size_t length = TextLength(text);
  if (start > end || end > length) return false;
  const size_t result = length - (end - start) + TextLength(name);
  // Refused rather than cut: a name cut in the middle is no macro at all.
  if (result > kTextSize - 1 || result + 1 > cap) return false;
  char built[kTextSize];
  std::memcpy(built, text, start);
  built[start] = '\0';
  AppendText(built, name);
  AppendText(built, text + end);
  CopyText(out, cap, built);
  return true;
}

}  // namespace qv
