// Cost of ExpandMacros on a full text (259 characters) holding every macro.
//   macros_bench [CALLS]   prints calls per second and microseconds a call
// Run under callgrind with CALLS=1000 for an instruction count.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mapping/macros.h"
#include "settings/settings.h"
#include "tests/fake/fake_platform.h"

int main(int argc, char** argv) {
  const long calls = argc > 1 ? std::atol(argv[1]) : 200000;
  qv::test::FakePlatform fake;
  fake.registry["Software\\Microsoft\\Windows\\CurrentVersion"]["ProgramFilesDir"] =
      "C:\\Program Files";
  qv::ResetProcessState();
  qv::CopyText(qv::Settings.ProgramPath, "C:\\Tools\\quorvane.exe");
  qv::CopyText(qv::Settings.ShareAddress, "\\\\srv\\data");
  qv::CopyText(qv::Settings.MapToDrive, "X:");
  std::string full;
  for (const qv::Macro& m : qv::kMacros) full += m.name;
  full.resize(259, '.');

  char text[qv::kTextSize];
  size_t sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) {
    fake.log.clear();
    qv::CopyText(text, full.c_str());
    qv::ExpandMacros(text);
    sink += qv::TextLength(text);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("ExpandMacros, 259-character text with all 22 macros: %ld calls in %.3f s\n",
              calls, seconds);
  std::printf("calls per second: %.0f\n", calls / seconds);
  std::printf("microseconds per call: %.3f (result %zu characters)\n",
              seconds * 1e6 / calls, sink / static_cast<size_t>(calls));
  return 0;
}
