#include "settings/settings.h"

namespace qv {

namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Whether the Run value under this copy's name holds this copy's own quoted
// path. Copies in two folders share the name; the value is theirs only when
// it names them.
bool RegisteredAsThisCopy() {
  RegKey key = Sys().OpenRegistryKey(RegRoot::LocalMachine, kRunKey, false);
  if (key == nullptr) return false;
  // One byte more than this copy's value: a longer one reads as different.
  char data[sizeof Settings.QuotedProgramPath + 1];
  const bool ours = Sys().ReadRegistryText(key, Settings.ProgramName, data, sizeof data) &&
                    Sys().CompareTextIgnoringCase(data, Settings.QuotedProgramPath) == 0;
  Sys().CloseRegistryKey(key);
  return ours;
}

}  // namespace

uint32_t ApplyStartWithSystem() {
  // An empty value name would address the key's default value instead.
  if (Settings.ProgramName[0] == '\0') return 0;
  const bool wanted = Settings.StartUp == 1;
  // Already as wanted: nothing to write, so a key this user may only read
  // is no failure.
  if (RegisteredAsThisCopy() == wanted) return 0;
  RegKey key = Sys().OpenRegistryKey(RegRoot::LocalMachine, kRunKey, true);
  if (key == nullptr) return LastFailure();
  const bool done = wanted
      ? Sys().SetRegistryText(key, Settings.ProgramName, Settings.QuotedProgramPath)
      : Sys().DeleteRegistryValue(key, Settings.ProgramName);
  const uint32_t error = done ? 0 : LastFailure();
  Sys().CloseRegistryKey(key);
  return error;
}

}  // namespace qv
