#include "settings/settings.h"

namespace qv {

void ApplyStartWithSystem() {
  // An empty value name would address the key's default value instead.
  if (Settings.ProgramName[0] == '\0') return;
  RegKey key = Sys().OpenRegistryKey(
      RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
      true);
  if (key == nullptr) return;
  if (Settings.StartUp == 1) {
    Sys().SetRegistryText(key, Settings.ProgramName, Settings.QuotedProgramPath);
  } else {
    Sys().DeleteRegistryValue(key, Settings.ProgramName);
  }
  Sys().CloseRegistryKey(key);
}

}  // namespace qv
