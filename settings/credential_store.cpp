#include "settings/credential_store.h"

#include "mapping/macros.h"
#include "settings/settings.h"

namespace qv {

namespace {

// "Quorvane:", an address of 259 characters and the terminator.
constexpr size_t kTargetSize = 9 + kTextSize;

bool InUse() { return Settings.CredentialManager == 1 && Settings.SaveCredentials != 0; }

// UTF-16 texts are kept in arrays that hold their terminator. Windows is
// little-endian, so such an array's bytes are the stored UTF-16LE.
struct Wide {
  uint16_t units[kTargetSize] = {};
  size_t Length() const {
    size_t n = 0;
    while (units[n] != 0) ++n;
    return n;
  }
};

Wide ToWide(const char* text) {
  Wide w;
  Sys().AnsiToWide(text, w.units, kTargetSize);
  return w;
}

// One credential per address as it is connected, so that one saved for
// another share is never offered.
Wide TargetOf(const char* address) {
  char text[kTargetSize] = "Quorvane:";
  AppendText(text, address);
  return ToWide(text);
}

// The credential's texts, or false when there is none usable: a password
// of odd length or holding a NUL, or a text without an exact ANSI form
// within 259 bytes.
bool ReadStored(const char* address, char (&user)[kTextSize], char (&password)[kTextSize]) {
  Wide name, secret;
  size_t size;  // set when read
  if (Sys().ReadCredential(TargetOf(address).units, name.units, kTextSize,
                           reinterpret_cast<uint8_t*>(secret.units), 2 * kTextSize, &size) != 0 ||
      size % 2 != 0 || secret.Length() != size / 2) {
    return false;
  }
  return Sys().WideToAnsi(name.units, name.Length(), user, kTextSize) &&
         Sys().WideToAnsi(secret.units, size / 2, password, kTextSize);
}

uint32_t Write(const char* address, const char* user, const char* password) {
  const Wide secret = ToWide(password);
  const uint32_t code =
      Sys().WriteCredential(TargetOf(address).units, ToWide(user).units,
                            reinterpret_cast<const uint8_t*>(secret.units), 2 * secret.Length());
  // Only once the password is kept elsewhere may the file's copy go.
  if (code == 0) RemoveMainKey("PassWord");
  return code;
}

}  // namespace

void LoadStoredCredential(char (&asTyped)[kTextSize]) {
  char user[kTextSize], password[kTextSize];
  // A typed password is used with the typed name.
  if (!InUse() || !ReadStored(Settings.ShareAddress, user, password) ||
      Settings.PassWord[0] != '\0') {
    return;
  }
  CopyText(asTyped, user);
  CopyText(Settings.UserName, user);
  ExpandMacros(Settings.UserName);
  CopyText(Settings.PassWord, password);
}

bool KeepCredential(const char* asTyped) {
  if (Settings.CredentialManager != 1) return false;
  char user[kTextSize], password[kTextSize];
  // A refusal is not reported: the mapping itself worked.
  if (Settings.PassWord[0] != '\0' &&
      !(ReadStored(Settings.ShareAddress, user, password) && TextEqual(user, asTyped) &&
        TextEqual(password, Settings.PassWord))) {
    Write(Settings.ShareAddress, asTyped, Settings.PassWord);
  }
  return true;
}

uint32_t SaveDialogCredential(Window dialog) {
  char password[kTextSize];
  TakeItemText(dialog, IDE_SETUP_PASSWORD, password);
  // The box as it is now, not as it was loaded.
  if (Settings.CredentialManager != 1 || password[0] == '\0' ||
      Sys().ItemCheckState(dialog, IDX_SAVE_CREDENTIALS) != kChecked) {
    return 0;
  }
  // The address as the mapping will connect it.
  char address[kTextSize];
  CopyText(address, Settings.ShareAddress);
  ExpandMacros(address);
  DropTrailingBackslash(address);
  return Write(address, Settings.UserName, password);
}

}  // namespace qv
