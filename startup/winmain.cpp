// The Windows entry: installs the real platform and runs start-up.
#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "startup/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  qv::UseWin32Platform();
  qv::Startup();
  // Every end of the program is exit code 0.
  ExitProcess(0);
}
