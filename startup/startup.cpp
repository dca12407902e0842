#include "startup/startup.h"

#include "platform/platform.h"
#include "resources/version_block.h"
#include "settings/settings.h"
#include "settings/text.h"
#include "startup/command_line.h"

namespace qv {

namespace {

constexpr const char* kInternalNameKey = QV_STRING_VALUE("InternalName");
constexpr const char* kFileVersionKey = QV_STRING_VALUE("FileVersion");
constexpr const char* kInternalName = "Quorvane";

// Replaces the last three characters of `path` (whatever they are) by `ext`.
template <size_t N>
void ReplaceLastThree(char (&out)[N], const char* path, const char* ext) {
  const size_t len = TextLength(path);
  CopyText(out, path);
  out[len >= 3 ? len - 3 : 0] = '\0';
  AppendText(out, ext);
}

// A drive and folder ("C:\...") or a network path ("\\srv\...").
bool IsFullPath(const char* path) {
  const char letter = static_cast<char>(path[0] | 0x20);
  return (letter >= 'a' && letter <= 'z' && path[1] == ':' && path[2] == '\\') ||
         (path[0] == '\\' && path[1] == '\\');
}

// Argument 0 names the program as it was started. When it cannot be read
// (odd quotes), does not fit, or is no full path (typed in a console, with
// or without its extension), the module's own path stands in: the settings
// file lies beside the program, not in the Windows directory, and the Run
// value names a file that exists at log-on.
void ReadProgramPath() {
  bool cut = false;
  const int code = ExtractArgument(Sys().CommandLine(), 0, Settings.ProgramPath,
                                   kTextSize, &cut);
  if (code == kArgumentFound && !cut && IsFullPath(Settings.ProgramPath)) return;
  if (Sys().ModulePath(Settings.ProgramPath, kTextSize) == 0) {
    Settings.ProgramPath[0] = '\0';
  }
}

// Without an argument the program runs at log-on, where a question must not
// open behind other windows with nobody to see it.
bool HasArgument() {
  char argument[kTextSize] = {};
  GetCommandLineArgument(1, argument);
  return argument[0] != '\0';
}

}  // namespace

int FileExists(const char* path) { return Sys().PathFound(path) ? 1 : 0; }

void FormPaths() {
  SettingsRecord& s = Settings;
  ReadProgramPath();
  if (s.ProgramPath[0] != '\0') ReplaceLastThree(s.IniPath, s.ProgramPath, "ini");

  CopyText(s.QuotedProgramPath, "\"");
  AppendText(s.QuotedProgramPath, s.ProgramPath);
  AppendText(s.QuotedProgramPath, "\"");

  char windows[kTextSize] = {};
  Sys().WindowsDirectory(windows, sizeof windows);
  windows[kTextSize - 1] = '\0';
  const size_t wlen = TextLength(windows);
  bool fits = wlen > 0;
  if (fits && windows[wlen - 1] != '\\') fits = AppendText(windows, "\\");
  CopyText(s.WindowsDir, windows);

  const char* name = s.ProgramPath;
  for (const char* p = s.ProgramPath; *p != '\0'; ++p) {
    if (*p == '\\') name = p + 1;
  }
  // A target that would not fit is left empty rather than cut: a cut path
  // names some other file.
  s.InstalledPath[0] = '\0';
  if (fits && name[0] != '\0') {
    CopyText(s.InstalledPath, s.WindowsDir);
    if (!AppendText(s.InstalledPath, name)) s.InstalledPath[0] = '\0';
  }
  CopyText(s.ProgramName, name);
  const size_t nlen = TextLength(s.ProgramName);
  s.ProgramName[nlen >= 4 ? nlen - 4 : 0] = '\0';

  s.RunningInstalled =
      s.InstalledPath[0] != '\0' &&
      Sys().CompareText(s.ProgramPath, s.InstalledPath) == 0;
}

bool SelfInstall() {
  SettingsRecord& s = Settings;
  const bool existed = FileExists(s.InstalledPath) == 1;
  int answer = kIdYes;
  const unsigned front = HasArgument() ? 0 : kMbSetForeground;

  if (!existed) {
    answer = Sys().AskUser(nullptr,
        "Do You Wanna make a copy of this Program into Windows Directory?",
        "General Options Not Set", kMbYesNo | kMbIconQuestion | front);
  } else {
    char text[kTextSize] = {};
    if (Sys().ReadVersionValue(s.InstalledPath, kInternalNameKey, text,
                               sizeof text) != VersionQuery::Found ||
        Sys().CompareText(text, kInternalName) != 0) {
      return false;  // no version block, or not ours: leave it alone
    }
    char installed[kTextSize] = {};
    Sys().ReadVersionValue(s.InstalledPath, kFileVersionKey, installed,
                           sizeof installed);

    char own[kTextSize] = {};
    const VersionQuery mine =
        Sys().ReadVersionValue(s.ProgramPath, kFileVersionKey, own, sizeof own);
    if (mine != VersionQuery::NoBlock) {
      // Releases are ordered by their "FileVersion" text, not numerically.
      if (Sys().CompareText(own, installed) <= 0) return false;
      answer = Sys().AskUser(nullptr,
          "Do You Wanna Upgrade the Program that exists in Windows Directory?",
          "Confirm Overwrite older version", kMbYesNo | kMbIconQuestion | front);
    }
  }

  if (answer == kIdNo) {
    s.UpdateMode = 0;
    TransferSettings(nullptr, kGroupUpdateMode, kSave);
    return false;
  }
  // A question that could not be shown (no desktop, out of memory) is no
  // consent: install nothing now and ask again next time.
  if (answer != kIdYes) return false;

  if (!Sys().CopyFileReplacing(s.ProgramPath, s.InstalledPath)) {
    Sys().AskUser(nullptr, "There was an error while coping program file",
                  "Error on file copy", kMbOk | front);
  }
  if (!existed || s.UpdateMode == 2) {
    char iniTarget[kTextSize];
    ReplaceLastThree(iniTarget, s.InstalledPath, "ini");
    if (!Sys().CopyFileReplacing(s.IniPath, iniTarget)) {
      Sys().AskUser(nullptr, "There was an error while coping .Ini file",
                    "Error on file copy", kMbOk | front);
    }
  }
  Sys().StartProgram(nullptr, s.InstalledPath, "/?", s.WindowsDir,
                     kSwShowDefault);
  return true;
}

StartupEnd SelectMode() {
  uint8_t flag = 1;
  if (Sys().ShiftKeyState() > 1) flag = 0;
  if (HasArgument()) flag = 0;
  Settings.UpdateMode = flag;
  return flag == 1 ? StartupEnd::Unattended : StartupEnd::SetupDialog;
}

StartupEnd Startup() {
  UiState.UiMode = 0;
  FormPaths();
  TransferSettings(nullptr, kGroupUpdateMode, kLoad);
  // Without a target path (no program path, or one too long for the Windows
  // directory) there is nothing to install to.
  if (Settings.RunningInstalled == 0 && Settings.UpdateMode != 0 &&
      Settings.InstalledPath[0] != '\0') {
    if (SelfInstall()) return StartupEnd::Installed;
  }
  return SelectMode();
}

}  // namespace qv
