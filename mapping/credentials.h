// The credentials prompt: what it shows, what it hands back, and the seam
// through which the mapping run reaches the dialog (the Win32 one, or a
// test's).
#pragma once

#include "platform/platform.h"
#include "settings/text.h"

namespace qv {

// What the prompt shows: its caption, two lines and the two field labels.
struct CredentialsPromptTexts {
  char Title[kTextSize];
  char Line1[kTextSize];
  char Line2[kTextSize];
  char UserLabel[kTextSize];
  char PasswordLabel[kTextSize];
};

// The two fields: filled in when the prompt opens, as typed after OK.
struct Credentials {
  char UserName[kTextSize];
  char PassWord[kTextSize];
};

class CredentialsPrompt {
 public:
  // Asks modally, owned by `owner` (none when null): true when the user
  // confirmed, `typed` then holding the fields as typed (each cut to 259).
  // `unattended`: no dialog of the program is in sight, so the prompt comes
  // to the front with a taskbar button of its own.
  virtual bool Ask(Window owner, const CredentialsPromptTexts& texts,
                   Credentials& typed, bool unattended) = 0;

 protected:
  ~CredentialsPrompt() = default;
};

// The prompt in use; set once at start (or by a test).
void UseCredentialsPrompt(CredentialsPrompt& prompt);

// The prompt as the mapping run uses it: loads "CREDENTIALS", expands Title,
// Line1, Line2, Line4 and Line5 and, in place, `Settings.UserName`, and
// asks with the user name and password filled in. Opened from the setup
// dialog, it holds `UiMode` at kUiModeCredentialsPrompt meanwhile. After OK
// the typed texts become `UserName` and `PassWord`, and `asTyped` (the user
// name to store) becomes the typed name, unless the field still shows what
// it opened with: a shared "%USERNAME%" stays shared. Returns whether the
// user confirmed; without a prompt in use nobody can answer: Cancel.
bool AskForCredentials(Window owner, char (&asTyped)[kTextSize]);

}  // namespace qv
