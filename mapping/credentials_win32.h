// The credentials prompt's dialog: data in, data out.
#pragma once

#include <windows.h>

#include "mapping/credentials.h"

namespace qv {

// Runs the prompt modally, owned by `owner` (disabled meanwhile), showing
// `texts` with `typed` filled in. True after OK, with `typed` as typed.
// `unattended`: in front, with a taskbar button (the owner is hidden).
bool AskCredentials(HWND owner, HICON icon, const CredentialsPromptTexts& texts,
                    Credentials* typed, bool unattended);

// Makes the Win32 prompt, with the application icon, the one in use.
void UseWin32CredentialsPrompt();

}  // namespace qv
