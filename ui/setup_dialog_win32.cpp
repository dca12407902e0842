#include "ui/setup_dialog_win32.h"

#include "mapping/mapping_run.h"
#include "settings/settings.h"
#include "ui/dialog_runner.h"

namespace qv {

namespace {

constexpr int kCloseButton = 30;

// What the builder hands the dialog, two levels down: the icon.
struct SetupInit {
  HICON icon;
  BYTE unused[28];
};

Window Of(HWND h) { return reinterpret_cast<Window>(h); }

void ClosePath(HWND dialog) { EndDialog(dialog, 0); }

void Initialise(HWND dialog, LPARAM parameter) {
  const SetupInit* init = *reinterpret_cast<SetupInit* const*>(parameter);
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(init->icon));
  // Start-up left the run-mode flag in the UpdateMode byte.
  if (Settings.UpdateMode == 1) {
    Settings.UpdateMode = 0;
    Settings.UpdateMode = UnattendedRun(Of(dialog)) ? 1 : 0;
    if (Settings.UpdateMode == 1) {
      ClosePath(dialog);
      return;
    }
  }
  UiState.UiMode = 1;
}

INT_PTR CALLBACK SetupProcedure(HWND dialog, UINT message, WPARAM wParam,
                                LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Initialise(dialog, lParam);
      return FALSE;
    case WM_SHOWWINDOW:
      // Started at log-on, the window must come to the front of the desktop.
      Sleep(128);
      BringWindowToTop(dialog);
      Sleep(128);
      SetForegroundWindow(dialog);
      return FALSE;
    case WM_COMMAND:
      if (wParam == kCloseButton) ClosePath(dialog);
      return FALSE;
    case WM_CLOSE:
      ClosePath(dialog);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunSetupDialog() {
  SetupInit* init = static_cast<SetupInit*>(GlobalAlloc(GMEM_ZEROINIT, sizeof(SetupInit)));
  if (init == nullptr) return -1;
  init->icon = ApplicationIcon;
  const INT_PTR result = RunDialogTemplate(kSetupDialog, nullptr, SetupProcedure,
                                           reinterpret_cast<LPARAM>(&init));
  GlobalFree(init);
  return result;
}

}  // namespace qv
