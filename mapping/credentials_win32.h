// The credentials prompt's dialog.
#pragma once

#include <windows.h>

namespace qv {

// Runs the prompt modally, owned by `owner` (disabled meanwhile); the
// outcome is `RunState.CredentialsEntered` and, after OK, the new
// `Settings.UserName` and `Settings.PassWord`. Returns the dialog's result.
INT_PTR AskCredentials(HWND owner, HICON icon);

}  // namespace qv
