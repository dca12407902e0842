// The floor of the setup dialog: its own template, written by the program's
// own writer and runner, with the program's manifest and themed controls,
// shown by a procedure that does nothing but what the setup dialog does on
// WM_SHOWWINDOW (ComeForward: two 128 ms waits). The fair yardstick of bench/budgets.py for the
// time to a visible setup dialog: whatever the program takes beyond it is
// its own.
#include <windows.h>

#include "platform/win32/system_library.h"
#include "platform/win32/win32_platform.h"
#include "ui/dialog_runner.h"

namespace {

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_SHOWWINDOW:
      qv::ComeForward(dialog);
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  qv::UseWin32Platform();  // the template writer converts its texts through the port
  qv::InitializeCommonControls();
  ExitProcess(UINT(qv::RunDialogTemplate(qv::kSetupDialog, nullptr, Procedure, 0)));
}
