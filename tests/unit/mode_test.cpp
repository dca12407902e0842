#include <gtest/gtest.h>

#include "settings/settings.h"
#include "startup/startup.h"
#include "tests/fake/fake_platform.h"

namespace qv {
namespace {

struct ModeCase {
  const char* commandLine;
  uint16_t shift;
  StartupEnd end;
};

const ModeCase kCases[] = {
    {"\"C:\\Q\\quorvane.exe\"", 0, StartupEnd::Unattended},
    {"\"C:\\Q\\quorvane.exe\" /?", 0, StartupEnd::SetupDialog},
    {"C:\\Q\\quorvane.exe anything", 0, StartupEnd::SetupDialog},
    {"C:\\Q\\quorvane.exe \"a b\"", 0, StartupEnd::SetupDialog},
    // An empty or missing argument is no argument.
    {"C:\\Q\\quorvane.exe ", 0, StartupEnd::Unattended},
    {"C:\\Q\\quorvane.exe \"\"", 0, StartupEnd::Unattended},
    // Odd quotes: no argument can be read, so none counts.
    {"\"C:\\Q\\quorvane.exe x", 0, StartupEnd::Unattended},
    // Shift down sets the high bit; the toggle bit alone (1) does not count.
    {"C:\\Q\\quorvane.exe", 0xFF80, StartupEnd::SetupDialog},
    {"C:\\Q\\quorvane.exe", 0x8000, StartupEnd::SetupDialog},
    {"C:\\Q\\quorvane.exe", 1, StartupEnd::Unattended},
};

TEST(ModeSelection, ArgumentOrShiftOpensTheSetupDialog) {
  for (const ModeCase& c : kCases) {
    SCOPED_TRACE(c.commandLine);
    test::FakePlatform fake;
    ResetProcessState();
    fake.commandLine = c.commandLine;
    fake.shift = c.shift;
    fake.Ini("C:\\Q\\quorvane.ini") = "[MAIN]\r\nUpdateMode=0\r\n";
    UiState.UiMode = 9;
    EXPECT_EQ(Startup(), c.end);
    // The run-mode flag travels in the UpdateMode byte.
    EXPECT_EQ(Settings.UpdateMode, c.end == StartupEnd::Unattended ? 1 : 0);
    EXPECT_EQ(UiState.UiMode, 0);
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_TRUE(fake.profileWrites.empty());
  }
}

}  // namespace
}  // namespace qv
