#include "mapping/macros.h"

#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "settings/settings.h"
#include "settings/text.h"

namespace qv {

const char* const kMacroNames[kMacroCount] = {
    "%YEAR%",        "%MONTH%",       "%DAY%",         "%DATE%",
    "%HOUR%",        "%MINUTE%",      "%SECOND%",      "%TIME%",
    "%WEEKDAY%",     "%DRIVE%",       "%ERRORCODE%",   "%ERRORTEXT%",
    "%PROGRAMDIR%",  "%PROGRAMFILES%", "%PROGRAMNAME%", "%SHARE%",
    "%SYSTEMDIR%",   "%SYSTEMDRIVE%", "%TEMPDIR%",     "%USERNAME%",
    "%COMPUTERNAME%", "%WINDIR%",
};

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
void TwoDigits(char* out, unsigned value) {
  out[0] = static_cast<char>('0' + value / 10 % 10);
  out[1] = static_cast<char>('0' + value % 10);
  out[2] = '\0';
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

// The value of macro `row` (0-based), or false when it stays unreplaced.
bool MacroValue(int row, Expansion& e, char* value) {
  const LocalTime& t = e.time;
  Platform& sys = Sys();
  char part[8];
  value[0] = '\0';
  switch (row) {
    case 0: FormatUnsigned(value, kTextSize, t.year); return true;
    case 1: TwoDigits(value, t.month); return true;
    case 2: TwoDigits(value, t.day); return true;
    case 3:
      FormatUnsigned(value, kTextSize, t.year);
      TwoDigits(part, t.month);
      AppendText(value, kTextSize, part);
      TwoDigits(part, t.day);
      AppendText(value, kTextSize, part);
      return true;
    case 4: TwoDigits(value, t.hour); return true;
    case 5: TwoDigits(value, t.minute); return true;
    case 6: TwoDigits(value, t.second); return true;
    case 7:
      TwoDigits(value, t.hour);
      TwoDigits(part, t.minute);
      AppendText(value, kTextSize, part);
      TwoDigits(part, t.second);
      AppendText(value, kTextSize, part);
      return true;
    case 8: FormatUnsigned(value, kTextSize, t.dayOfWeek + 1u); return true;
    case 9: CopyText(value, kTextSize, Settings.MapToDrive); return true;
    case 10: Signed(value, kTextSize, RunState.LastErrorCode); return true;
    case 11:
      if (!sys.ErrorText(RunState.LastErrorCode, value, kTextSize)) {
        Signed(value, kTextSize, RunState.LastErrorCode);
      }
      value[kTextSize - 1] = '\0';
      return true;
    case 12: {
      CopyText(value, kTextSize, Settings.ProgramPath);
      char* end = value;  // just past the last backslash
      for (char* p = value; *p != '\0'; ++p) {
        if (*p == '\\') end = p + 1;
      }
      *end = '\0';
      return true;
    }
    case 13: {
      RegKey key = sys.OpenRegistryKey(
          RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
          false);
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
    case 14: CopyText(value, kTextSize, Settings.ProgramName); return true;
    case 15: CopyText(value, kTextSize, Settings.ShareAddress); return true;
    case 16: CopyText(value, kTextSize, e.SystemDir()); return true;
    case 17:
      CopyText(value, 4, e.SystemDir());  // drive letter, colon, backslash
      return true;
    case 18:
      if (!sys.TempDirectory(value, kTextSize)) value[0] = '\0';
      value[kTextSize - 1] = '\0';
      return true;
    case 19:
      if (!sys.UserName(value, kTextSize)) value[0] = '\0';
      value[kTextSize - 1] = '\0';
      return true;
    case 20:
      if (!sys.ComputerName(value, kTextSize)) value[0] = '\0';
      value[kTextSize - 1] = '\0';
      return true;
    case 21: CopyText(value, kTextSize, Settings.WindowsDir); return true;
    default: return false;
  }
}

}  // namespace

void ExpandMacros(char* text) {
  text[kTextSize - 1] = '\0';
  Expansion e;
  e.time = Sys().Now();
  e.haveSystemDir = false;
  for (int row = 0; row < kMacroCount; ++row) {
    // Values are looked up only for macros the text holds at this row, so a
    // text without macros costs no system queries.
    if (!Contains(text, kMacroNames[row])) continue;
    char value[kTextSize];
    if (MacroValue(row, e, value)) ReplaceText(text, kMacroNames[row], value);
  }
}

}  // namespace qv
