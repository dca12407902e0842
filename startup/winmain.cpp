// The Windows entry: installs the real platform, runs start-up and hands
// over to the setup dialog, where the unattended run happens.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "mapping/credentials_win32.h"
#include "platform/win32/win32_platform.h"
#include "startup/startup.h"
#include "ui/dialog_runner.h"
#include "ui/setup_dialog_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The shell's calls (programs to run, the folder browser) want a
  // single-threaded apartment.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  qv::UseWin32Platform();
  qv::UseWin32CredentialsPrompt();
  if (qv::Startup() != qv::StartupEnd::Installed) {
    qv::ApplicationIcon = LoadIconA(instance, MAKEINTRESOURCEA(500));
    InitCommonControls();
    qv::RunSetupDialog();
  }
  // Every end of the program is exit code 0.
  ExitProcess(0);
}
