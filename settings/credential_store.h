// Saved passwords kept by the user's Credential Manager rather than in the
// settings file, when "CredentialManager" is 1: which target, when a
// credential is read, and what is written where. Nothing here acts unless
// that key is 1 and credentials are saved ("SaveCredentials", or the setup
// dialog's box).
#pragma once

#include "platform/platform.h"
#include "settings/text.h"

namespace qv {

// Before connecting `Settings.ShareAddress` (as connected: expanded, one
// trailing backslash gone): reads that address's credential and, unless a
// password was typed, makes its user name `Settings.UserName` (expanded)
// and `asTyped`, and its password `Settings.PassWord`.
void LoadStoredCredential(char (&asTyped)[kTextSize]);

// After that connection worked: keeps a password that was used and is not
// the stored one under `asTyped`, then drops a "PassWord" key left in the
// file. Returns false when the Credential Manager was not used.
bool KeepCredential(const char* asTyped);

// The setup dialog's "Save": a password typed into its field becomes the
// credential of the address field, expanded, under the user name field as
// typed. 0, or the error of the refused write.
uint32_t SaveDialogCredential(Window dialog);

}  // namespace qv
