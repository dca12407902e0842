#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "mapping/macros.h"
#include "resources/version_block.h"
#include "settings/settings.h"
#include "tests/fake/fake_platform.h"
#include "tests/unit/setup_world.h"
#include "ui/control_ids.h"
#include "ui/dialog_template.h"
#include "ui/setup_logic.h"

namespace qv {
namespace {

using test::kDialog;
using test::kIni;
using test::kTypes;

class SetupLogic : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.Reset();
    test::PrepareSetupWorld(fake);
    fake.combos[kTypes].selection = 0;
    fake.errorTexts[5] = "Access is denied.\r\n";
    UiState.UiMode = 1;
  }
  std::string Boxes() {
    std::string all;
    for (const auto& b : fake.boxes) {
      EXPECT_EQ(b.owner, kDialog);
      EXPECT_EQ(b.flags, 0x30u);
      all += b.caption + ": " + b.text + ";";
    }
    return all;
  }
  test::FakePlatform fake;
};

TEST_F(SetupLogic, SaveRefusesTheShareMacroAnywhereInTheAddress) {
  for (const char* address : {"%SHARE%", "%SHARE%\\x", "\\\\srv\\%SHARE%\\x", "\\\\srv\\%share%"}) {
    SCOPED_TRACE(address);
    SetUp();
    fake.Control(kDialog, IDE_SETUP_ADDRESS).text = address;
    const bool refused = std::string(address).find("%SHARE%") != std::string::npos;
    EXPECT_EQ(SaveSetup(kDialog), !refused);
    EXPECT_EQ(Boxes(), refused ? "Atention!: %SHARE% is an Ilegal Macro name for this field;" : "");
    EXPECT_EQ(fake.log.back() == "focus 3", refused);
    EXPECT_EQ(fake.HasFile(kIni), !refused);
    EXPECT_STREQ(Settings.ShareAddress, address);  // kept as read
  }
}

// The file records both boxes as shown; a copy still to install never
// registers, the installed copy does. A Save that does not reach the file or
// the Run key says so, once; nothing to change in a read-only key is no error.
TEST_F(SetupLogic, SaveOutcomes) {
  const std::string file = "Settings Not Saved: The settings could not be saved in C:\\Q\\quorvane.ini:\n";
  const std::string run = "\"Start With System\" could not be changed in the registry:\nAccess is denied.";
  const struct {
    const char* name;
    unsigned startUpBox, updateBox;
    uint8_t installed;
    bool fileReadOnly, keyReadOnly;
    const char* record;  // StartUp, UpdateMode, whether registered
    std::string boxes;
  } cases[] = {
      {"start with system", 1, 0, 0, false, false, "10+", ""},
      {"not with system", 0, 0, 0, false, false, "00-", ""},
      {"copy mode: not yet", 1, 1, 0, false, false, "01-", ""},
      {"installed copy registers", 1, 1, 1, false, false, "10+", ""},
      {"installed copy, box clear", 0, 1, 1, false, false, "00-", ""},
      {"file refused", 1, 0, 0, true, false, "10+", file + "Access is denied.;"},
      {"Run key refused", 1, 0, 0, false, true, "10-", "Settings Not Saved: " + run + ";"},
      {"Run key refused, nothing to change", 0, 0, 0, false, true, "00-", ""},
      {"both refused", 1, 0, 0, true, true, "10-", file + "Access is denied.\n\n" + run + ";"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Settings.RunningInstalled = c.installed;
    Settings.UpdateMode = 1;  // as loaded: the boxes decide
    fake.Ini(kIni) = "[MAIN]\r\nShareAddress=keep\r\n";
    fake.File(kIni).readOnly = c.fileReadOnly;
    if (!c.keyReadOnly) fake.RunKey()["quorvane"] = Settings.QuotedProgramPath;
    fake.registryReadOnly = c.keyReadOnly;
    fake.Control(kDialog, IDX_START_UP).check = c.startUpBox;
    fake.Control(kDialog, IDX_UPDATE_MODE).check = c.updateBox;
    EXPECT_EQ(SaveSetup(kDialog), c.boxes.empty());
    EXPECT_EQ(std::to_string(Settings.StartUp) + std::to_string(Settings.UpdateMode) +
                  (fake.RunKey().count("quorvane") ? "+" : "-"),
              c.record);
    EXPECT_EQ(Boxes(), c.boxes);
    if (c.fileReadOnly) continue;
    std::string startUp, updateMode;
    test::IniLookup(fake.Ini(kIni), "MAIN", "StartUp", &startUp);
    test::IniLookup(fake.Ini(kIni), "MAIN", "UpdateMode", &updateMode);
    EXPECT_EQ(startUp + updateMode, std::to_string(c.startUpBox) + std::to_string(c.updateBox));
  }
  SetUp();  // an error the system has no text for is given by its number
  fake.File(kIni).readOnly = true;
  fake.writeRefusal = 1234;
  EXPECT_FALSE(SaveSetup(kDialog));
  EXPECT_EQ(Boxes(), file + "Error 1234;");
}

TEST_F(SetupLogic, MapNowTakesTheControlsAndSavesOnlyTheCredentials) {
  fake.Control(kDialog, IDE_SETUP_ADDRESS).text = "\\\\srv\\data";
  fake.Control(kDialog, IDE_SETUP_USER).text = "anna";
  fake.Control(kDialog, IDE_SETUP_PASSWORD).text = "pw";
  fake.combos[kTypes].selection = -1;
  const unsigned boxes[] = {1, 2, 0, 1};  // 2, indeterminate: the field keeps its value
  for (int i = 0; i < 4; ++i) fake.Control(kDialog, IDX_PERSISTANT + i).check = boxes[i];
  Settings.ForceDisConnection = 1;
  Settings.PromptCredentials = 1;
  fake.probeDefault = 0;
  fake.drives['X'] = 4;
  MapNow(kDialog);
  EXPECT_EQ(fake.Trace(), "probe \\\\srv\\data | cancel X: 1 force | connect - \\\\srv\\data anna/pw 1 0");
  EXPECT_STREQ(Settings.MapToDrive, "X:");
  EXPECT_EQ(Settings.DriveType, 255);
  EXPECT_EQ(Settings.PromptCredentials + 10 * Settings.SaveCredentials, 10);
  EXPECT_EQ(fake.Ini(kIni), "[MAIN]\r\nUserName=anna\r\nPassWord=pw\r\n");  // only what worked
}

TEST_F(SetupLogic, BrowsedPathsEndWithOneBackslash) {
  TakeBrowsedPath(kDialog, "C:\\Data");
  TakeBrowsedPath(kDialog, "D:\\");
  TakeBrowsedPath(kDialog, "");
  TakeBrowsedPath(kDialog, nullptr);
  EXPECT_EQ(fake.Trace(), "settext 3=C:\\Data\\ | settext 3=D:\\");
}

// The picture follows the dialog's font: unmoved at 96 DPI, grown with the
// base units elsewhere, and back where it was after any change of DPI.
TEST(AboutPicture, PlaceFollowsTheBaseUnits) {
  const struct {
    int baseX, baseY, baseX96, baseY96;
    PicturePlace place;
  } rows[] = {
      {7, 13, 7, 13, {92, 52, 200, 190}},     // 96 DPI, Wine's MS Sans Serif
      {6, 13, 6, 13, {92, 52, 200, 190}},     // 96 DPI, Windows'
      {10, 18, 7, 13, {131, 72, 286, 263}},   // 144 DPI under Wine: 1.43 x 1.38
      {9, 16, 6, 13, {138, 64, 300, 234}},    // 150 % on Windows
      {8, 16, 6, 13, {123, 64, 266, 234}},    // 125 %
      {0, 13, 7, 13, {92, 52, 200, 190}},     // no units: the 96-DPI place
      {7, 13, 0, 13, {92, 52, 200, 190}},
      {2, 13, 1, 13, {184, 52, 400, 190}},    // small, but units all the same
      {7, 2, 7, 1, {92, 104, 200, 380}},
      {7, -1, 7, 13, {92, 52, 200, 190}},
      {7, 0, 7, 13, {92, 52, 200, 190}},
      {1, 13, 7, 13, {13, 52, 29, 190}},      // the smallest units that count
      {7, 13, 7, 0, {92, 52, 200, 190}},
      {113, 13, 7, 13, {92, 52, 200, 190}},   // beyond any screen
      {7, 209, 7, 13, {92, 52, 200, 190}},
      {112, 208, 7, 13, {1472, 832, 3200, 3040}},
  };
  for (const auto& r : rows) {
    const PicturePlace p = AboutPicturePlace(r.baseX, r.baseY, r.baseX96, r.baseY96);
    EXPECT_EQ((std::vector<int>{p.x, p.y, p.width, p.height}),
              (std::vector<int>{r.place.x, r.place.y, r.place.width, r.place.height}))
        << r.baseX << "x" << r.baseY << " against " << r.baseX96 << "x" << r.baseY96;
  }
}

TEST_F(SetupLogic, AboutCaptionNamesTheVersionWhenThereIsOne) {
  CopyText(Settings.ProgramPath, "C:\\Q\\quorvane.exe");
  const char* expected[] = {"About", "About Version: ", "About Version: 1.2"};
  for (int i = 0; i < 3; ++i) {
    test::FakeFile& f = fake.File("C:\\Q\\quorvane.exe");
    f.hasVersionBlock = i > 0;
    if (i == 2) f.version[QV_STRING_VALUE("FileVersion")] = "1.2";
    char caption[40] = "About";
    AboutCaption(caption, sizeof caption);
    EXPECT_STREQ(caption, expected[i]);
  }
}

TEST(MacroMenu, EntriesAndAcceptedFields) {
  EXPECT_STREQ(MacroMenuEntry(31), "%COMPUTERNAME%");
  EXPECT_STREQ(MacroMenuEntry(44), "%SHARE%");
  EXPECT_EQ(MacroMenuEntry(30), nullptr);
  EXPECT_EQ(MacroMenuEntry(53), nullptr);
  std::string previous;  // every macro once, alphabetically
  for (int command = kFirstMacroCommand; command <= kLastMacroCommand; ++command) {
    ASSERT_NE(MacroMenuEntry(command), nullptr) << command;
    EXPECT_LT(previous, MacroMenuEntry(command)) << command;
    previous = MacroMenuEntry(command);
  }
  EXPECT_EQ(previous, "%YEAR%");
  EXPECT_EQ(kLastMacroCommand - kFirstMacroCommand + 1, kMacroCount);
  // The setup dialog takes macros in its address and user name, never the
  // password; the message and programs dialogs in their six fields; the
  // credentials prompt (whose fields share the setup dialog's numbers) none.
  const std::set<int> six(std::begin(kTextFieldIds), std::end(kTextFieldIds));
  const struct {
    int mode;
    std::set<int> accepted;
  } modes[] = {{0, six}, {1, {IDE_SETUP_ADDRESS, IDE_SETUP_USER}}, {2, six}, {3, six},
               {4, six}, {5, six}, {kUiModeCredentialsPrompt, {}}, {7, {}}, {255, {}}};
  for (const auto& m : modes) {
    for (int id = -1; id <= 60; ++id) {
      EXPECT_EQ(TakesMacros(m.mode, id), m.accepted.count(id) == 1) << "mode " << m.mode << ", field " << id;
    }
  }
}

// At the caret or over the selection; refused, the field as it was, when it
// would pass 259 characters or the selection is not inside the text.
TEST(MacroMenu, Insertion) {
  const std::string full(255, 'x');
  const struct {
    const char* text;
    size_t start, end;
    const char* result;  // null: refused
  } cases[] = {
      {"\\\\srv\\", 6, 6, "\\\\srv\\%DAY%"}, {"ab-cd", 2, 3, "ab%DAY%cd"}, {"", 0, 0, "%DAY%"},
      {full.c_str(), 10, 10, nullptr},       {"abc", 2, 5, nullptr},       {"abc", 2, 1, nullptr},
  };
  for (const auto& c : cases) {
    char out[300] = "unchanged";  // more room than a field may take
    EXPECT_EQ(InsertMacro(c.text, c.start, c.end, "%DAY%", out, sizeof out), c.result != nullptr);
    EXPECT_STREQ(out, c.result ? c.result : "unchanged");
  }
  char out[260];
  EXPECT_TRUE(InsertMacro(full.c_str(), 0, 1, "%DAY%", out, sizeof out));  // 259 fits
  EXPECT_EQ(std::string(out), "%DAY%" + std::string(254, 'x'));
  EXPECT_FALSE(InsertMacro("ab", 0, 0, "%DAY%", out, 7));  // nor past a smaller field
  EXPECT_TRUE(InsertMacro("ab", 0, 0, "%DAY%", out, 8));
}

using Bytes = std::vector<uint8_t>;
uint16_t W(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t L(const Bytes& b, size_t at) { return W(b, at) | uint32_t(W(b, at + 2)) << 16; }

std::string Utf16(const Bytes& b, size_t* at) {
  std::string s;
  for (uint16_t c; (c = W(b, *at)) != 0; *at += 2) s += char(c);
  *at += 2;
  return s;
}

// Walks a written template the way the dialog manager reads it; returns
// where each item starts, and the end.
std::vector<size_t> Walk(const Bytes& b) {
  size_t at = 22;
  Utf16(b, &at);  // title
  at += 2;        // point size
  Utf16(b, &at);  // face
  std::vector<size_t> starts;
  for (int i = 0; i < W(b, 8); ++i) {
    at = (at + 3) & ~size_t(3);
    starts.push_back(at);
    EXPECT_EQ(W(b, at + 18), 0xFFFF) << "class of item " << i + 1;
    at += 22;
    Utf16(b, &at);  // caption
    EXPECT_EQ(W(b, at), 0) << "creation data of item " << i + 1;
    at += 2;
  }
  starts.push_back(at);
  return starts;
}

// The setup dialog worked out by hand, offset by offset.
TEST(DialogTemplates, SetupDialogWorkedLayout) {
  test::FakePlatform fake;
  Bytes b(kSetupDialog.blockSize, 0);
  const size_t used = WriteDialogTemplate(kSetupDialog, b.data(), b.size());
  EXPECT_EQ(used, 1536u);
  EXPECT_EQ(L(b, 0), 0x90C80848u);
  EXPECT_EQ(L(b, 4), 0u);
  EXPECT_EQ(W(b, 8), 30);  // items
  EXPECT_EQ(W(b, 14), 276);
  EXPECT_EQ(W(b, 16), 244);
  size_t at = 22;
  EXPECT_EQ(Utf16(b, &at), "Setup Map Network Drive");
  EXPECT_EQ(at, 70u);  // title terminator in bytes 68-69
  EXPECT_EQ(W(b, 70), 8);
  at = 72;
  EXPECT_EQ(Utf16(b, &at), "Ms Sans Serif");
  EXPECT_EQ(at, 100u);
  const std::vector<size_t> starts = Walk(b);
  // Even caption: no padding; an item without caption is 26 bytes; an odd
  // caption ends at 290 and two bytes of padding follow.
  EXPECT_EQ(std::vector<size_t>(starts.begin(), starts.begin() + 5),
            (std::vector<size_t>{100, 160, 208, 236, 292}));
  EXPECT_EQ(L(b, 100), 0x50000007u);
  EXPECT_EQ((std::vector<int>{W(b, 108), W(b, 110), W(b, 112), W(b, 114)}),
            (std::vector<int>{8, 4, 260, 124}));
  EXPECT_EQ(W(b, 116), 1);      // ID
  EXPECT_EQ(W(b, 120), 0x80);   // button atom
  EXPECT_EQ(W(b, 208 + 16), IDL_SETUP_TYPE);
  EXPECT_EQ(W(b, 208 + 20), 0x85);  // a combo box
  at = 236 + 22;
  EXPECT_EQ(Utf16(b, &at), "Map to &Drive:");
  EXPECT_EQ(at + 2, 290u);
  EXPECT_EQ(starts.back(), used);
}

// Every template walks to exactly the length written, items on 4-byte
// boundaries, the rest of its block still zero.
TEST(DialogTemplates, EveryTemplateIsWellFormed) {
  test::FakePlatform fake;
  for (const DialogTemplate* d :
       {&kSetupDialog, &kMessageDialog, &kProgramsDialog, &kAboutDialog, &kCredentialsDialog}) {
    SCOPED_TRACE(d->title);
    Bytes b(d->blockSize, 0);
    const size_t used = WriteDialogTemplate(*d, b.data(), b.size());
    ASSERT_GT(used, 0u);
    const std::vector<size_t> starts = Walk(b);
    EXPECT_EQ(starts.back(), used);
    EXPECT_EQ(W(b, 8), d->count);
    for (size_t i = 0; i + 1 < starts.size(); ++i) EXPECT_EQ(starts[i] % 4, 0u) << starts[i];
    for (size_t i = used; i < b.size(); ++i) ASSERT_EQ(b[i], 0) << i;
  }
}

TEST(DialogTemplates, ABlockTooSmallIsRefusedWithoutWritingPastIt) {
  test::FakePlatform fake;
  for (size_t size : {size_t(0), size_t(21), size_t(100), size_t(1535)}) {
    Bytes guard(2048 + 64, 0);
    EXPECT_EQ(WriteDialogTemplate(kSetupDialog, guard.data(), size), 0u) << size;
    for (size_t i = size; i < guard.size(); ++i) ASSERT_EQ(guard[i], 0) << size << " " << i;
  }
  Bytes exact(1536, 0);
  EXPECT_EQ(WriteDialogTemplate(kSetupDialog, exact.data(), exact.size()), 1536u);
  // The log-on run's template without controls fits its own size exactly too.
  DialogTemplate bare = kSetupDialog;
  bare.count = 0;
  const size_t used = WriteDialogTemplate(bare, exact.data(), exact.size());
  Bytes tight(used, 0);
  EXPECT_EQ(WriteDialogTemplate(bare, tight.data(), tight.size()), used);
}

}  // namespace
}  // namespace qv
