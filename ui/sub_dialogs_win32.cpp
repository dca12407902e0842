#include "ui/sub_dialogs_win32.h"

#include <commdlg.h>

#include <cstring>

#include "platform/win32/system_library.h"
#include "settings/settings.h"
#include "ui/dialog_runner.h"

namespace qv {

namespace {

Window Of(HWND h) { return reinterpret_cast<Window>(h); }

// The fields get their template style back after the load; a field that
// is to stay disabled keeps WS_DISABLED.
void ResetFields(HWND dialog) {
  for (int id : kTextFieldIds) {
    HWND field = GetDlgItem(dialog, id);
    SetWindowLongA(field, GWL_STYLE, LONG(kEditStyle | (IsWindowEnabled(field) ? 0 : WS_DISABLED)));
  }
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

// Save, Cancel and the close box; Escape (command 2) is not handled. Both
// dialogs give Save and Cancel the same IDs.
static_assert(IDB_MESSAGE_SAVE == IDB_PROGRAMS_SAVE && IDB_MESSAGE_CANCEL == IDB_PROGRAMS_CANCEL);
bool Ending(HWND dialog, UINT message, WPARAM wParam, int group) {
  if (message == WM_CLOSE || (message == WM_COMMAND && wParam == IDB_MESSAGE_CANCEL)) {
    EndDialog(dialog, 0);
    return true;
  }
  if (message == WM_COMMAND && wParam == IDB_MESSAGE_SAVE) {
    TransferSettings(Of(dialog), group, kSave);
    EndDialog(dialog, 0);
    return true;
  }
  return false;
}

INT_PTR CALLBACK MessageProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const int group = UiState.UiMode;
  if (message == WM_INITDIALOG) {
    UiState.ActiveDialog = Of(dialog);
    SetIconFromArguments(dialog, lParam);
    HWND list = GetDlgItem(dialog, IDL_MESSAGE_BUTTONS);
    UiState.ButtonsCombo = Of(list);
    if (group == kGroupCredentials) {
      EnableWindow(GetDlgItem(dialog, IDT_MESSAGE_LINE3), FALSE);
      EnableWindow(GetDlgItem(dialog, IDE_MESSAGE_LINE3), FALSE);
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("OK,CANCEL"));
      SetDlgItemTextA(dialog, IDT_MESSAGE_LINE4, "Username prompt:");
      SetDlgItemTextA(dialog, IDT_MESSAGE_LINE5, "Password prompt:");  // the first 13: "Line 5:"
    } else {
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("OK"));
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("SILENT (DO NOT DISTURB)"));
    }
    TransferSettings(Of(dialog), group, kLoad);
    ResetFields(dialog);
    return FALSE;
  }
  Ending(dialog, message, wParam, group);
  return FALSE;
}

// The chooser's record and file buffer live for the process, so the filter
// chosen last is the one the next chooser opens with.
char BrowsePath[kTextSize];
OPENFILENAMEA ChooserSettings;

// True when the user chose a file and its path fits; on any failure the
// buffer may hold anything (a path too long leaves its needed size there).
bool ChooseProgramFile(HWND owner, const char* title, const char* filter) {
  // 76 bytes in the i686 build, 136 in the x86-64 one.
  ChooserSettings.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ChooserSettings.hwndOwner = owner;
  ChooserSettings.hInstance = GetModuleHandleA(nullptr);
  ChooserSettings.lpstrFilter = filter;
  ChooserSettings.lpstrFile = BrowsePath;
  ChooserSettings.nMaxFile = sizeof BrowsePath;
  ChooserSettings.lpstrTitle = title;
  ChooserSettings.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_NOCHANGEDIR;
  // Loaded on first use: linked at start, the chooser's library and what it
  // pulls in (the print spooler among them) were loaded by every log-on run.
  const auto choose =
      SystemFunction<decltype(&GetOpenFileNameA)>(SystemDll::Comdlg32, "GetOpenFileNameA");
  return choose != nullptr && choose(&ChooserSettings) != FALSE;
}

void BrowseRow(HWND dialog, int field) {
  std::memset(BrowsePath, 0, sizeof BrowsePath);
  const bool chosen =
      ChooseProgramFile(dialog, BrowsePath, "Program Files\0*.exe\0All files\0*.*\0");
  BrowsePath[sizeof BrowsePath - 1] = '\0';
  if (chosen && BrowsePath[0] != '\0') SetDlgItemTextA(dialog, field, BrowsePath);
}

INT_PTR CALLBACK ProgramsProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    UiState.ActiveDialog = Of(dialog);
    SetIconFromArguments(dialog, lParam);
    TransferSettings(Of(dialog), kGroupPrograms, kLoad);
    ResetFields(dialog);
    return FALSE;
  }
  if (Ending(dialog, message, wParam, kGroupPrograms)) return FALSE;
  if (message == WM_COMMAND) {
    if (wParam == IDB_BROWSE1) BrowseRow(dialog, IDE_EXECUTE1);
    if (wParam == IDB_BROWSE2) BrowseRow(dialog, IDE_EXECUTE2);
    if (wParam == IDB_BROWSE3) BrowseRow(dialog, IDE_EXECUTE3);
  }
  return FALSE;
}

}  // namespace

INT_PTR EditMessageSettings(HWND owner, HICON icon) {
  return RunSubDialog(kMessageDialog, owner, icon, MessageProcedure);
}

INT_PTR EditProgramsToRun(HWND owner, HICON icon) {
  return RunSubDialog(kProgramsDialog, owner, icon, ProgramsProcedure);
}

}  // namespace qv
