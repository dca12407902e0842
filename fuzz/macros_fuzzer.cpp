// libFuzzer target for macro expansion, with random texts and random
// values coming from the platform and the settings.
//
// Input: NUL-separated fields: the text, user name, computer name, system
// directory, temporary directory, Program Files, program path, share
// address, drive letter; then bytes for the error code and the clock.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mapping/macros.h"
#include "settings/settings.h"
#include "tests/fake/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> fields(10);
  size_t f = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && f + 1 < fields.size()) {
      ++f;
    } else if (data[i] != 0) {
      fields[f] += static_cast<char>(data[i]);
    }
  }
  static qv::test::FakePlatform* fake = new qv::test::FakePlatform;
  qv::ResetProcessState();
  fake->log.clear();
  fake->userName = fields[1];
  fake->computerName = fields[2];
  fake->systemDir = fields[3];
  fake->tempDir = fields[4];
  fake->registry["Software\\Microsoft\\Windows\\CurrentVersion"]["ProgramFilesDir"] = fields[5];
  qv::CopyText(qv::Settings.ProgramPath, fields[6].c_str());
  qv::CopyText(qv::Settings.ShareAddress, fields[7].c_str());
  qv::CopyText(qv::Settings.MapToDrive, fields[8].c_str());
  uint32_t code = 0;
  std::memcpy(&code, fields[9].data(), fields[9].size() < 4 ? fields[9].size() : 4);
  qv::RunState.LastErrorCode = code;
  const auto byte = [&](size_t i) -> uint16_t {
    return i < fields[9].size() ? static_cast<uint8_t>(fields[9][i]) : 0;
  };
  fake->now = {uint16_t(byte(4) * 40), byte(5), uint16_t(byte(6) % 7), byte(7),
               byte(8), byte(9), byte(10), 0};

  // Exactly 260 bytes on the heap, so any write past them is caught.
  char* text = new char[qv::kTextSize];
  qv::CopyText(text, qv::kTextSize, fields[0].c_str());
  qv::ExpandMacros(text);
  if (std::memchr(text, '\0', qv::kTextSize) == nullptr) std::abort();
  delete[] text;

  // The share address expanding itself, as the mapping run does.
  qv::ExpandMacros(qv::Settings.ShareAddress);
  if (qv::TextLength(qv::Settings.ShareAddress) > 259) std::abort();
  return 0;
}
