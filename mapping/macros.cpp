#include "mapping/macros.h"

#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "settings/settings.h"
#include "settings/text.h"

namespace qv {

int FindText(int start, const char* text, const char* pattern) {
  const int textLength = static_cast<int>(TextLength(text));
  const int patternLength = static_cast<int>(TextLength(pattern));
  if (start < 1) return -2;
  if (patternLength >= textLength) return -1;
  const int last = textLength - patternLength;  // 0-based
  if (start - 1 > last) return -2;
  for (int i = start - 1; i <= last; ++i) {
    if (text[i] == pattern[0] &&
        std::memcmp(text + i, pattern, static_cast<size_t>(patternLength)) == 0) {
      return i + 1;
    }
  }
  return 0;
}

void ReplaceText(char* text, const char* name, const char* value) {
  // The value may be the text itself (a share address holding "%SHARE%").
  char insert[kTextSize];
  CopyText(insert, value);
  if (TextEqual(text, name)) {
    CopyText(text, kTextSize, insert);
    return;
  }
  const size_t nameLength = TextLength(name);
  const size_t insertLength = TextLength(insert);
  int from = 1;
  for (;;) {
    const int at = FindText(from, text, name);
    if (at < 1) return;
    char result[kTextSize];
    const size_t before = static_cast<size_t>(at - 1);
    std::memcpy(result, text, before);
    result[before] = '\0';
    AppendText(result, insert);
    AppendText(result, text + before + nameLength);
    CopyText(text, kTextSize, result);
    from = static_cast<int>(before + insertLength) + 1;
  }
}

namespace {

// "%02d" for the clock's parts.
bool TwoDigits(char* out, unsigned value) {
  out[0] = static_cast<char>('0' + value / 10 % 10);
  out[1] = static_cast<char>('0' + value % 10);
  out[2] = '\0';
  return true;
}

void AppendTwoDigits(char* value, unsigned part) {
  char digits[3];
  TwoDigits(digits, part);
  AppendText(value, kTextSize, digits);
}

bool CopyValue(char* value, const char* from) {
  CopyText(value, kTextSize, from);
  return true;
}

void Signed(char* out, size_t cap, uint32_t code) {
  const int32_t value = static_cast<int32_t>(code);
  if (value < 0) {
    CopyText(out, cap, "-");
    // Negate in unsigned arithmetic: the most negative value has no
    // positive counterpart.
    FormatUnsigned(out + 1, cap - 1, 0u - code);
  } else {
    FormatUnsigned(out, cap, code);
  }
}

void EndWithBackslash(char* text) {
  const size_t n = TextLength(text);
  if (n == 0 || text[n - 1] != '\\') AppendText(text, kTextSize, "\\");
}

bool Contains(const char* text, const char* name) {
  return TextEqual(text, name) || FindText(1, text, name) > 0;
}

}  // namespace

// What one expansion reads once: the clock, and the system directory that
// both "%SYSTEMDIR%" and "%SYSTEMDRIVE%" are made of.
struct Expansion {
  LocalTime time;
  char systemDir[kTextSize];
  bool haveSystemDir;

  const char* SystemDir() {
    if (!haveSystemDir) {
      haveSystemDir = true;
      if (Sys().SystemDirectory(systemDir, kTextSize)) {
        systemDir[kTextSize - 1] = '\0';
        EndWithBackslash(systemDir);
      } else {
        systemDir[0] = '\0';
      }
    }
    return systemDir;
  }
};

namespace {

// Each value function fills `value` (260 bytes) and returns false when the
// macro is to stay unreplaced.
bool Year(Expansion& e, char* value) {
  FormatUnsigned(value, kTextSize, e.time.year);
  return true;
}
bool Month(Expansion& e, char* value) { return TwoDigits(value, e.time.month); }
bool Day(Expansion& e, char* value) { return TwoDigits(value, e.time.day); }
bool Date(Expansion& e, char* value) {
  FormatUnsigned(value, kTextSize, e.time.year);
  AppendTwoDigits(value, e.time.month);
  AppendTwoDigits(value, e.time.day);
  return true;
}
bool Hour(Expansion& e, char* value) { return TwoDigits(value, e.time.hour); }
bool Minute(Expansion& e, char* value) { return TwoDigits(value, e.time.minute); }
bool Second(Expansion& e, char* value) { return TwoDigits(value, e.time.second); }
bool Time(Expansion& e, char* value) {
  TwoDigits(value, e.time.hour);
  AppendTwoDigits(value, e.time.minute);
  AppendTwoDigits(value, e.time.second);
  return true;
}
bool Weekday(Expansion& e, char* value) {
  FormatUnsigned(value, kTextSize, e.time.dayOfWeek + 1u);
  return true;
}
bool Drive(Expansion&, char* value) { return CopyValue(value, Settings.MapToDrive); }
bool ErrorCode(Expansion&, char* value) {
  Signed(value, kTextSize, RunState.LastErrorCode);
  return true;
}
bool ErrorText(Expansion&, char* value) {
  if (!Sys().ErrorText(RunState.LastErrorCode, value, kTextSize)) {
    Signed(value, kTextSize, RunState.LastErrorCode);
  }
  value[kTextSize - 1] = '\0';
  return true;
}
bool ProgramDir(Expansion&, char* value) {
  CopyText(value, kTextSize, Settings.ProgramPath);
  char* end = value;  // just past the last backslash
  for (char* p = value; *p != '\0'; ++p) {
    if (*p == '\\') end = p + 1;
  }
  *end = '\0';
  return true;
}
bool ProgramFiles(Expansion&, char* value) {
  Platform& sys = Sys();
  RegKey key = sys.OpenRegistryKey(RegRoot::LocalMachine,
                                   "Software\\Microsoft\\Windows\\CurrentVersion", false);
  if (key == nullptr) return false;
  const bool read = sys.ReadRegistryText(key, "ProgramFilesDir", value, kTextSize);
  sys.CloseRegistryKey(key);
  // An unreadable value is treated like an unopenable key: the macro
  // stays, rather than something made up.
  if (!read) return false;
  value[kTextSize - 1] = '\0';
  EndWithBackslash(value);
  return true;
}
bool ProgramName(Expansion&, char* value) { return CopyValue(value, Settings.ProgramName); }
bool Share(Expansion&, char* value) { return CopyValue(value, Settings.ShareAddress); }
bool SystemDir(Expansion& e, char* value) { return CopyValue(value, e.SystemDir()); }
bool SystemDrive(Expansion& e, char* value) {
  CopyText(value, 4, e.SystemDir());  // drive letter, colon, backslash
  return true;
}
// A query that fails gives an empty value.
bool Queried(bool (Platform::*query)(char*, size_t), char* value) {
  if (!(Sys().*query)(value, kTextSize)) value[0] = '\0';
  value[kTextSize - 1] = '\0';
  return true;
}
bool TempDir(Expansion&, char* value) { return Queried(&Platform::TempDirectory, value); }
bool UserName(Expansion&, char* value) { return Queried(&Platform::UserName, value); }
bool ComputerName(Expansion&, char* value) {
  return Queried(&Platform::ComputerName, value);
}
bool WinDir(Expansion&, char* value) { return CopyValue(value, Settings.WindowsDir); }

}  // namespace

// The one list of macros: in the order of expansion, each with its entry in
// the insertion menu (alphabetical, commands 31 to 52) and its value.
const Macro kMacros[kMacroCount] = {
    {"%YEAR%", 52, Year},
    {"%MONTH%", 39, Month},
    {"%DAY%", 33, Day},
    {"%DATE%", 32, Date},
    {"%HOUR%", 37, Hour},
    {"%MINUTE%", 38, Minute},
    {"%SECOND%", 43, Second},
    {"%TIME%", 48, Time},
    {"%WEEKDAY%", 50, Weekday},
    {"%DRIVE%", 34, Drive},
    {"%ERRORCODE%", 35, ErrorCode},
    {"%ERRORTEXT%", 36, ErrorText},
    {"%PROGRAMDIR%", 40, ProgramDir},
    {"%PROGRAMFILES%", 41, ProgramFiles},
    {"%PROGRAMNAME%", 42, ProgramName},
    {"%SHARE%", 44, Share},
    {"%SYSTEMDIR%", 45, SystemDir},
    {"%SYSTEMDRIVE%", 46, SystemDrive},
    {"%TEMPDIR%", 47, TempDir},
    {"%USERNAME%", 49, UserName},
    {"%COMPUTERNAME%", 31, ComputerName},
    {"%WINDIR%", 51, WinDir},
};

const char* MacroMenuEntry(int command) {
  for (const Macro& m : kMacros) {
    if (m.menuCommand == command) return m.name;
  }
  return nullptr;
}

void ExpandMacros(char* text) {
  text[kTextSize - 1] = '\0';
  Expansion e;
  e.time = Sys().Now();
  e.haveSystemDir = false;
  for (const Macro& m : kMacros) {
    // Values are looked up only for macros the text holds at this row, so a
    // text without macros costs no system queries.
    if (!Contains(text, m.name)) continue;
    char value[kTextSize];
    value[0] = '\0';  // a value left unwritten is empty, not the last macro's
    if (m.value(e, value)) ReplaceText(text, m.name, value);
  }
}

}  // namespace qv
