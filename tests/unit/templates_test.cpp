#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fake/fake_platform.h"
#include "ui/control_ids.h"
#include "ui/dialog_template.h"

namespace qv {
namespace {

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
}

}  // namespace
}  // namespace qv
