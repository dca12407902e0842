#include "mapping/credentials.h"

#include "mapping/macros.h"
#include "settings/settings.h"

namespace qv {

namespace {

CredentialsPrompt* InUse = nullptr;

}  // namespace

void UseCredentialsPrompt(CredentialsPrompt& prompt) { InUse = &prompt; }

bool AskForCredentials(Window owner, char (&asTyped)[kTextSize]) {
  TransferSettings(nullptr, kGroupCredentials, kLoad);
  EndUserMessageRecord& m = Settings.EndUserMessage;
  CredentialsPromptTexts texts;
  char* const shown[5][2] = {{m.Title, texts.Title},
                             {m.Line1, texts.Line1},
                             {m.Line2, texts.Line2},
                             {m.Line4, texts.UserLabel},
                             {m.Line5, texts.PasswordLabel}};
  for (auto& [line, text] : shown) {
    ExpandMacros(line);
    CopyText(text, kTextSize, line);
  }
  ExpandMacros(Settings.UserName);
  Credentials typed;
  CopyText(typed.UserName, Settings.UserName);
  CopyText(typed.PassWord, Settings.PassWord);
  const uint8_t mode = UiState.UiMode;
  if (mode != 0) UiState.UiMode = kUiModeCredentialsPrompt;
  const bool confirmed = InUse != nullptr && InUse->Ask(owner, texts, typed, mode == 0);
  UiState.UiMode = mode;
  if (!confirmed) return false;
  typed.UserName[kTextSize - 1] = '\0';
  typed.PassWord[kTextSize - 1] = '\0';
  if (!TextEqual(typed.UserName, Settings.UserName)) CopyText(asTyped, typed.UserName);
  CopyText(Settings.UserName, typed.UserName);
  CopyText(Settings.PassWord, typed.PassWord);
  return true;
}

}  // namespace qv
