// The credentials prompt's dialog: data in, data out.
#pragma once

#include <windows.h>

#include "mapping/credentials.h"

namespace qv {

// Runs the prompt modally, owned by `owner` (disabled meanwhile), showing
// `texts` with `typed` filled in. True after OK, with `typed` as typed.
bool AskCredentials(HWND owner, HICON icon, const CredentialsPromptTexts& texts,
                    Credentials* typed);

// Makes the Win32 prompt, with the application icon, the one in use.
void UseWin32CredentialsPrompt();

}  // namespace qv
