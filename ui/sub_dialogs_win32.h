// The message settings and programs-to-run dialogs, opened from the setup
// dialog, which sets `UiMode` before and after each.
#pragma once

#include <windows.h>

namespace qv {

// Edits the end-user message that `UiMode` names (2, 3 or 4).
INT_PTR EditMessageSettings(HWND owner, HICON icon);

// Edits the three programs to run and their parameters.
INT_PTR EditProgramsToRun(HWND owner, HICON icon);

}  // namespace qv
