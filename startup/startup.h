// The program's start: where it and its settings file are, the optional
// installation into the Windows directory, and the choice of run mode.
#pragma once

namespace qv {

enum class StartupEnd {
  Installed,   // started the installed copy; the process ends now
  Unattended,  // run the mapping without showing the setup dialog first
  SetupDialog, // an argument or Shift asked for the setup dialog
};

// Runs start-up up to the hand-over to the setup dialog. On return the
// run-mode flag is in `Settings.UpdateMode` (1 unattended, 0 setup).
StartupEnd Startup();

// The steps of `Startup`, on their own for tests and tools.
void FormPaths();
// Returns true when the process is to end (the installed copy was started).
bool SelfInstall();
StartupEnd SelectMode();

// 1 when a file-system search for `path` finds an entry, otherwise 0.
int FileExists(const char* path);

}  // namespace qv
