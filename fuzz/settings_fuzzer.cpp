// libFuzzer target for loading settings: arbitrary settings-file contents
// go through every group's Load, with and without a dialog, and back out
// through a Save; the same bytes, as a stored credential, go through its
// look-up and store. Every text field must stay terminated within its buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/credential_store.h"
#include "settings/settings.h"
#include "tests/fake/fake_platform.h"

namespace {

void CheckTerminated(const char* field, size_t size) {
  if (std::memchr(field, '\0', size) == nullptr) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static qv::test::FakePlatform* fake = new qv::test::FakePlatform;
  fake->Reset();
  qv::ResetProcessState();
  const char ini[] = "C:\\Q\\quorvane.ini";
  qv::CopyText(qv::Settings.IniPath, ini);
  qv::CopyText(qv::Settings.ProgramName, "quorvane");
  fake->RunKey();
  fake->Ini(ini).assign(reinterpret_cast<const char*>(data), size);
  qv::Window dialog = reinterpret_cast<qv::Window>(0x100);
  qv::Window letters = reinterpret_cast<qv::Window>(0x108);
  qv::Window types = reinterpret_cast<qv::Window>(0x10A);
  fake->combos[letters].entries = 26;
  fake->combos[types].entries = 3;
  qv::UiState.DriveLetterCombo = letters;
  qv::UiState.DriveTypeCombo = types;
  qv::UiState.ButtonsCombo = reinterpret_cast<qv::Window>(0x208);

  for (uint8_t mode : {0, 1}) {
    qv::UiState.UiMode = mode;
    for (int group = 0; group <= 6; ++group) qv::TransferSettings(dialog, group, qv::kLoad);
  }
  qv::Settings.RunningInstalled = size % 2;
  qv::TransferSettings(dialog, qv::kGroupMain, qv::kLoad);
  for (int group = 0; group <= 6; ++group) qv::TransferSettings(dialog, group, qv::kSave);

  // Any bytes as the credential of whatever address the file gave: its user
  // name the first quarter read as UTF-16, its password the second half.
  qv::Settings.CredentialManager = qv::Settings.SaveCredentials = 1;
  std::u16string target = u"Quorvane:", user(size / 4, u'\0');
  for (const char* c = qv::Settings.ShareAddress; *c != '\0'; ++c) target += char16_t(uint8_t(*c));
  std::memcpy(user.data(), data, user.size() * 2);
  fake->credentials[target] = {user, std::string(reinterpret_cast<const char*>(data) + size / 2, size - size / 2)};
  qv::Settings.PassWord[0] = '\0';
  char asTyped[qv::kTextSize] = "";
  qv::LoadStoredCredential(asTyped);
  qv::KeepCredential(asTyped);

  const qv::SettingsRecord& s = qv::Settings;
  const qv::EndUserMessageRecord& m = s.EndUserMessage;
  for (const char* field : {s.ShareAddress, s.UserName, s.PassWord, m.Title, m.Line1, m.Line2,
                            m.Line3, m.Line4, m.Line5, s.Execute1, s.Parameters1, s.Execute2,
                            s.Parameters2, s.Execute3, s.Parameters3}) {
    CheckTerminated(field, qv::kTextSize);
  }
  CheckTerminated(s.MapToDrive, sizeof s.MapToDrive);
  // What a Save wrote reads back as the same texts.
  qv::TransferSettings(nullptr, qv::kGroupPrograms, qv::kLoad);
  return 0;
}
