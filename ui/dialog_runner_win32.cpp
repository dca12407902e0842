#include "ui/dialog_runner.h"

#include "platform/win32/system_library.h"

namespace qv {

HICON ApplicationIcon = nullptr;

void SetIconFromArguments(HWND dialog, LPARAM parameter) {
  const auto* arguments = reinterpret_cast<const DialogArguments*>(parameter);
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(arguments->icon));
}

INT_PTR RunDialogTemplate(const DialogTemplate& dialog, HWND owner,
                          DLGPROC procedure, LPARAM parameter) {
  // Only a dialog with controls needs them: the log-on run's bare dialog
  // loads no comctl32.
  if (dialog.count > 0) InitializeCommonControls();
  HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, dialog.blockSize);
  if (block == nullptr) return -1;
  INT_PTR result = -1;
  if (WriteDialogTemplate(dialog, static_cast<uint8_t*>(block), dialog.blockSize) != 0) {
    result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                     static_cast<LPCDLGTEMPLATEA>(block), owner,
                                     procedure, parameter);
  }
  GlobalFree(block);
  return result;
}

INT_PTR RunSubDialog(const DialogTemplate& dialog, HWND owner, HICON icon,
                     DLGPROC procedure) {
  DialogArguments arguments = {owner, icon};
  return RunDialogTemplate(dialog, owner, procedure, reinterpret_cast<LPARAM>(&arguments));
}

}  // namespace qv
