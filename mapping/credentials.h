// The credentials prompt's logic: what it shows when it opens and what it
// keeps when the user confirms. The dialog itself is thin Win32 code.
#pragma once

namespace qv {

// Loads the "CREDENTIALS" message and expands, in place, the texts the
// prompt shows: Title, Line1, Line2, Line4, Line5 and UserName.
void OpenCredentialsPrompt();

// OK: the typed texts become UserName and PassWord (cut to 259).
void AcceptCredentials(const char* user, const char* password);

}  // namespace qv
