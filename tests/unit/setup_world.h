// The world most logic tests start from: the program in C:\Q with its
// settings file beside it, the Run key present (as on any Windows), and the
// setup dialog's two lists with their entries and nothing selected.
#pragma once

#include "settings/settings.h"
#include "tests/fake/fake_platform.h"

namespace qv::test {

inline constexpr char kIni[] = "C:\\Q\\quorvane.ini";
inline Window const kDialog = reinterpret_cast<Window>(0x100);
inline Window const kLetters = reinterpret_cast<Window>(0x108);
inline Window const kTypes = reinterpret_cast<Window>(0x10A);

inline void PrepareSetupWorld(FakePlatform& fake) {
  ResetProcessState();
  CopyText(Settings.IniPath, kIni);
  CopyText(Settings.ProgramName, "quorvane");
  CopyText(Settings.QuotedProgramPath, "\"C:\\Q\\quorvane.exe\"");
  fake.RunKey();
  fake.combos[kLetters] = {26, -1};
  fake.combos[kTypes] = {3, -1};
  UiState.DriveLetterCombo = kLetters;
  UiState.DriveTypeCombo = kTypes;
}

}  // namespace qv::test
