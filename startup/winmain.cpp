// The Windows entry: installs the real platform, runs start-up and hands
// over to the setup dialog, where the unattended run happens.
#include <windows.h>

#include "mapping/credentials_win32.h"
#include "platform/win32/win32_platform.h"
#include "startup/startup.h"
#include "ui/dialog_runner.h"
#include "ui/setup_dialog_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Neither COM nor the common controls are set up here: COM comes with the
  // first shell or OLE call, and no window uses a common-controls class.
  qv::UseWin32Platform();
  qv::UseWin32CredentialsPrompt();
  if (qv::Startup() != qv::StartupEnd::Installed) {
    qv::ApplicationIcon = LoadIconA(instance, MAKEINTRESOURCEA(500));
    qv::RunSetupDialog();
  }
  // Every end of the program is exit code 0.
  ExitProcess(0);
}
