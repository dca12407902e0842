#include "mapping/credentials.h"

#include "mapping/macros.h"
#include "settings/settings.h"

namespace qv {

void OpenCredentialsPrompt() {
  RunState.CredentialsEntered = 0;
  TransferSettings(nullptr, kGroupCredentials, kLoad);
  EndUserMessageRecord& m = Settings.EndUserMessage;
  ExpandMacros(m.Title);
  ExpandMacros(m.Line1);
  ExpandMacros(m.Line2);
  ExpandMacros(m.Line4);
  ExpandMacros(m.Line5);
  ExpandMacros(Settings.UserName);
}

void AcceptCredentials(const char* user, const char* password) {
  CopyText(Settings.UserName, user);
  CopyText(Settings.PassWord, password);
  RunState.CredentialsEntered = 1;
}

}  // namespace qv
