#include "ui/setup_dialog_win32.h"

#include <shlobj.h>

#include "mapping/macros.h"
#include "mapping/mapping_run.h"
#include "platform/win32/network_watch.h"
#include "platform/win32/system_library.h"
#include "settings/settings.h"
#include "ui/dialog_runner.h"
#include "ui/about_dialog_win32.h"
#include "ui/setup_logic.h"
#include "ui/sub_dialogs_win32.h"

namespace qv {

namespace {

// What the builder hands the dialog, two levels down: the icon.
struct SetupInit {
  HICON icon;
  BYTE unused[28];
};

HMENU MacroMenu = nullptr;
bool HotKeyRegistered = false;
// Set once the dialog has been ended. A dialog ended inside its
// initialisation must never appear, but the dialog manager still shows a
// template that carries WS_VISIBLE; the ended dialog refuses to be shown.
bool Ended = false;
// The dialog ends with this when the log-on run leaves it open: it ran
// without controls, and the setup dialog is then made whole.
constexpr INT_PTR kOpenWhole = 2;

Window Of(HWND h) { return reinterpret_cast<Window>(h); }
HWND ActiveDialogWindow() { return reinterpret_cast<HWND>(UiState.ActiveDialog); }

void ClosePath(HWND dialog, INT_PTR result = 0) {
  if (MacroMenu != nullptr) {
    DestroyMenu(MacroMenu);
    MacroMenu = nullptr;
  }
  if (HotKeyRegistered) {
    UnregisterHotKey(dialog, ID_MACRO_HOT_KEY);
    HotKeyRegistered = false;
  }
  Ended = true;
  EndDialog(dialog, result);
}

void Interactive(HWND dialog, HICON icon) {
  UiState.UiMode = 1;
  SetIconsForDpi(dialog, icon);
  HotKeyRegistered = RegisterHotKey(dialog, ID_MACRO_HOT_KEY, MOD_CONTROL, VK_SPACE) != FALSE;
  MacroMenu = CreatePopupMenu();
  for (int command = kFirstMacroCommand; command <= kLastMacroCommand; ++command) {
    AppendMenuA(MacroMenu, MF_STRING, command, MacroMenuEntry(command));
  }
  UiState.ActiveDialog = Of(dialog);
  HWND types = GetDlgItem(dialog, IDL_SETUP_TYPE);
  UiState.DriveTypeCombo = Of(types);
  static const char* const kTypes[3] = {"NetWork", "Subst", "Printer"};
  for (const char* type : kTypes) {
    SendMessageA(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type));
  }
  HWND letters = GetDlgItem(dialog, IDL_SETUP_LETTER);
  UiState.DriveLetterCombo = Of(letters);
  char letter[2] = "A";
  for (; letter[0] <= 'Z'; ++letter[0]) {
    SendMessageA(letters, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(letter));
  }
  TransferSettings(Of(dialog), kGroupMain, kLoad);
  static const int kEdits[3] = {IDE_SETUP_ADDRESS, IDE_SETUP_USER, IDE_SETUP_PASSWORD};
  for (int id : kEdits) {
    SetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE, LONG(kEditStyle));
  }
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

void Initialise(HWND dialog, LPARAM parameter) {
  const SetupInit* init = *reinterpret_cast<SetupInit* const*>(parameter);
  // Start-up left the run-mode flag in the UpdateMode byte.
  if (Settings.UpdateMode == 1) {
    Settings.UpdateMode = 0;
    Settings.UpdateMode = UnattendedRun(Of(dialog)) ? 1 : 0;
    ClosePath(dialog, Settings.UpdateMode == 1 ? 0 : kOpenWhole);
    return;
  }
  Interactive(dialog, init->icon);
}

int CALLBACK BrowseCallback(HWND browser, UINT, LPARAM, LPARAM data) {
  SetWindowTextA(browser, reinterpret_cast<const char*>(data));
  return 0;
}

void Browse(HWND dialog) {
  const int type =
      static_cast<int>(SendMessageA(GetDlgItem(dialog, IDL_SETUP_TYPE), CB_GETCURSEL, 0, 0));
  BROWSEINFOA info = {};
  info.hwndOwner = dialog;
  info.lpszTitle = "Please Select a shared network resource";
  info.ulFlags = type == 0 ? 0x0009 : type == 1 ? 0x0003 : 0x2004;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>("Searching for Folder");
  InitializeCom();
  const auto browse =
      SystemFunction<decltype(&SHBrowseForFolderA)>(SystemDll::Shell32, "SHBrowseForFolderA");
  const auto pathOf =
      SystemFunction<decltype(&SHGetPathFromIDListA)>(SystemDll::Shell32, "SHGetPathFromIDListA");
  const auto release = SystemFunction<decltype(&CoTaskMemFree)>(SystemDll::Ole32, "CoTaskMemFree");
  if (browse == nullptr || pathOf == nullptr || release == nullptr) return;
  LPITEMIDLIST item = browse(&info);
  if (item == nullptr) return;
  char path[MAX_PATH] = "";
  const bool havePath = pathOf(item, path) != FALSE;
  release(item);
  if (havePath) TakeBrowsedPath(Of(dialog), path);
}

// A sub-dialog edits what `UiMode` names; afterwards the setup dialog is in
// front again.
void OpenSubDialog(HWND dialog, uint8_t mode, INT_PTR (*edit)(HWND, HICON)) {
  UiState.UiMode = mode;
  edit(dialog, ApplicationIcon);
  UiState.ActiveDialog = Of(dialog);
  UiState.UiMode = 1;
}

// Ctrl+Space: the macro menu under the caret of the focused field. The
// insertion goes into that field itself, in whichever dialog owns it.
void MacroHotKey() {
  HWND field = GetFocus();
  if (field == nullptr || !TakesMacros(UiState.UiMode, GetDlgCtrlID(field))) return;
  RECT rect;
  GetWindowRect(field, &rect);
  POINT caret = {0, 0};
  GetCaretPos(&caret);
  HWND owner = ActiveDialogWindow();
  SetForegroundWindow(owner);
  const int command = TrackPopupMenu(MacroMenu, TPM_RETURNCMD, rect.left + caret.x,
                                     rect.bottom + caret.y, 0, owner, nullptr);
  const char* name = MacroMenuEntry(command);
  if (name == nullptr) return;
  const DWORD selection = static_cast<DWORD>(SendMessageA(field, EM_GETSEL, 0, 0));
  const size_t start = LOWORD(selection);
  const size_t end = HIWORD(selection);
  char text[kTextSize];
  GetWindowTextA(field, text, sizeof text);
  char result[kTextSize];
  if (!InsertMacro(text, start, end, name, result, sizeof result)) return;
  SetWindowTextA(field, result);
  const WPARAM caretAt = start + lstrlenA(name);
  SendMessageA(field, EM_SETSEL, caretAt, caretAt);
}

void Command(HWND dialog, WPARAM command) {
  switch (command) {
    case IDB_SETUP_BROWSE: Browse(dialog); break;
    case IDB_SHARE_ERROR: OpenSubDialog(dialog, kGroupShareError, EditMessageSettings); break;
    case IDB_DRIVE_ERROR: OpenSubDialog(dialog, kGroupMapError, EditMessageSettings); break;
    case IDB_CREDENTIALS: OpenSubDialog(dialog, kGroupCredentials, EditMessageSettings); break;
    case IDB_MAP_NOW: MapNow(Of(dialog)); break;
    case IDB_UNMAP_NOW: RunMapping(Of(dialog), MappingAction::Unmap); break;
    case IDB_PROGRAMS: OpenSubDialog(dialog, kGroupPrograms, EditProgramsToRun); break;
    case IDB_ABOUT: ShowAbout(dialog, ApplicationIcon); break;
    case IDB_SETUP_SAVE: SaveSetup(Of(dialog)); break;
    case IDB_SETUP_CLOSE: ClosePath(dialog); break;
    default: break;
  }
}

INT_PTR CALLBACK SetupProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Initialise(dialog, lParam);
      return FALSE;
    case WM_WINDOWPOSCHANGING:
      if (Ended) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
      return FALSE;
    case WM_SHOWWINDOW:
      if (Ended) return FALSE;
      // Started at log-on, the window must come to the front of the desktop.
      ComeForward(dialog);
      return FALSE;
    case WM_DPICHANGED:
      SetIconsForDpi(dialog);
      return FALSE;
    case WM_HOTKEY:
      if (wParam == ID_MACRO_HOT_KEY) MacroHotKey();
      return FALSE;
    case WM_COMMAND:
      // Only clicks: the whole value is the control ID.
      Command(dialog, wParam);
      return FALSE;
    case WM_CLOSE:
      ClosePath(dialog);
      return FALSE;
    case WM_ENDSESSION:
      // Logging off: whatever the run still waits for no longer matters.
      // A waiting run's session notification goes before its window does.
      if (wParam != FALSE) {
        EndNetworkWatch();
        ExitProcess(0);
      }
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
  // The log-on run reads no control: it runs in the dialog without them,
  // which costs a fraction to make, and only a run that leaves the dialog
  // open makes it again, whole.
  DialogTemplate bare = kSetupDialog;
  bare.count = 0;
  Ended = false;
  INT_PTR result = RunDialogTemplate(Settings.UpdateMode == 1 ? bare : kSetupDialog, nullptr,
                                     SetupProcedure, reinterpret_cast<LPARAM>(&init));
  if (result == kOpenWhole) {
    Ended = false;
    result = RunDialogTemplate(kSetupDialog, nullptr, SetupProcedure,
                               reinterpret_cast<LPARAM>(&init));
  }
  GlobalFree(init);
  return result;
}

}  // namespace qv
