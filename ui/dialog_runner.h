// Runs a dialog from its table: the one builder core every dialog shares.
#pragma once

#include <windows.h>

#include "ui/dialog_template.h"

namespace qv {

// The application icon (icon group 500), loaded at start; every dialog
// shows it as its large icon.
extern HICON ApplicationIcon;

// The creation parameter of every sub-dialog: its owner and the icon.
struct DialogArguments {
  HWND owner;
  HICON icon;
};

// Shows the icon of a sub-dialog's creation parameter (a DialogArguments)
// as the dialog's icons, at the sizes of the window's DPI.
void SetIconFromArguments(HWND dialog, LPARAM parameter);

// The DPI `window` is drawn at: its own (Windows 10 1607 and later, per
// monitor), else the system's.
UINT WindowDpi(HWND window);

// The large and small icons of `window` from icon group 500, at the sizes
// its DPI asks for; `icon` stands in where a size cannot be loaded.
void SetIconsForDpi(HWND window, HICON icon = ApplicationIcon);

// Shown at last, the dialog comes to the front of the desktop: after 128 ms
// it is brought to the top, after another 128 ms made the foreground window.
void ComeForward(HWND dialog);

// Writes `dialog` into a zero-filled block of its size, runs it modally
// with `procedure` and `parameter`, frees the block and returns the
// dialog's result; -1 when the block cannot be had or the template does
// not fit it.
INT_PTR RunDialogTemplate(const DialogTemplate& dialog, HWND owner,
                          DLGPROC procedure, LPARAM parameter);

// Runs a sub-dialog: its creation parameter is a DialogArguments of the
// owner and the icon.
INT_PTR RunSubDialog(const DialogTemplate& dialog, HWND owner, HICON icon,
                     DLGPROC procedure);

}  // namespace qv
