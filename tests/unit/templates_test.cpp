#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fake/fake_platform.h"
#include "ui/dialog_template.h"

namespace qv {
namespace {

// Reads a template back, field by field, the way the dialog manager does.
struct ParsedItem {
  size_t offset;
  uint32_t style, exStyle;
  int x, y, cx, cy, id, atom;
  std::string caption;
  size_t end;  // behind the creation-data word
};

struct Parsed {
  uint32_t style, exStyle;
  int count, x, y, cx, cy, menu, cls, pointSize;
  std::string title, face;
  std::vector<ParsedItem> items;
  size_t end;
};

uint16_t W(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t L(const std::vector<uint8_t>& b, size_t at) { return W(b, at) | uint32_t(W(b, at + 2)) << 16; }

std::string Utf16(const std::vector<uint8_t>& b, size_t* at) {
  std::string s;
  for (uint16_t c; (c = W(b, *at)) != 0; *at += 2) s += char(c);
  *at += 2;
  return s;
}

Parsed Parse(const std::vector<uint8_t>& b) {
  Parsed p;
  p.style = L(b, 0);
  p.exStyle = L(b, 4);
  p.count = W(b, 8);
  p.x = int16_t(W(b, 10));
  p.y = int16_t(W(b, 12));
  p.cx = int16_t(W(b, 14));
  p.cy = int16_t(W(b, 16));
  p.menu = W(b, 18);
  p.cls = W(b, 20);
  size_t at = 22;
  p.title = Utf16(b, &at);
  p.pointSize = W(b, at);
  at += 2;
  p.face = Utf16(b, &at);
  for (int i = 0; i < p.count; ++i) {
    at = (at + 3) & ~size_t(3);
    ParsedItem it;
    it.offset = at;
    it.style = L(b, at);
    it.exStyle = L(b, at + 4);
    it.x = int16_t(W(b, at + 8));
    it.y = int16_t(W(b, at + 10));
    it.cx = int16_t(W(b, at + 12));
    it.cy = int16_t(W(b, at + 14));
    it.id = W(b, at + 16);
    EXPECT_EQ(W(b, at + 18), 0xFFFF);
    it.atom = W(b, at + 20);
    size_t text = at + 22;
    it.caption = Utf16(b, &text);
    EXPECT_EQ(W(b, text), 0) << "creation data of item " << i + 1;
    it.end = text + 2;
    at = it.end;
    p.items.push_back(it);
  }
  p.end = at;
  return p;
}

std::vector<uint8_t> Build(const DialogTemplate& d, size_t* used) {
  std::vector<uint8_t> block(d.blockSize, 0);
  *used = WriteDialogTemplate(d, block.data(), block.size());
  return block;
}

struct Expected {
  const DialogTemplate* dialog;
  const char* title;
  uint32_t style;
  int count, cx, cy;
  size_t used, blockSize;
  ParsedItem first, last;
};

TEST(DialogTemplates, FiveDialogsByteForByte) {
  test::FakePlatform fake;
  const Expected cases[] = {
      {&kSetupDialog, "Setup Map Network Drive", 0x90C80848, 30, 276, 244, 1536, 2048,
       {100, 0x50000007, 0, 8, 4, 260, 124, 1, 0x80, "Map Drive Setting", 160},
       {1500, 0x50018001, 0, 206, 222, 60, 16, 30, 0x80, "Close", 1536}},
      {&kMessageDialog, "Message Setting", 0x00080840, 18, 268, 218, 754, 1024,
       {0, 0x50000007, 0, 8, 4, 248, 116, 1, 0x80, "Message Text", 0},
       {0, 0x50018000, 0, 194, 180, 60, 16, 30, 0x80, "Cancel", 754}},
      {&kProgramsDialog, "Programs to Execute", 0x00080840, 20, 268, 218, 1026, 1536,
       {0, 0x50000007, 0, 8, 4, 248, 52, 1, 0x80, "Program to run at Quorvane INITIALIZATION", 0},
       {0, 0x50018000, 0, 194, 180, 60, 16, 30, 0x80, "Cancel", 1026}},
      {&kCredentialsDialog, "Enter Network Password", 0x00080840, 8, 268, 114, 486, 1024,
       {0, 0x50000000, 0, 8, 8, 252, 12, 2, 0x82, "Incorrect password or unknown username for:", 0},
       {0, 0x50010000, 0, 192, 76, 60, 16, 30, 0x80, "Cancel", 486}},
      {&kAboutDialog, "About Quorvane", 0x00080840, 3, 268, 218, 0, 1024,
       {0, 0x50000007, 0, 8, 4, 248, 168, 1, 0x80, "Programmer Stuff", 0},
       {0, 0x50018001, 0, 104, 180, 60, 16, 1, 0x80, "OK", 0}},
  };
  for (const Expected& e : cases) {
    SCOPED_TRACE(e.title);
    size_t used = 0;
    const std::vector<uint8_t> block = Build(*e.dialog, &used);
    EXPECT_EQ(e.dialog->blockSize, e.blockSize);
    if (e.used != 0) {
      EXPECT_EQ(used, e.used);
    }
    ASSERT_GT(used, 0u);
    const Parsed p = Parse(block);
    EXPECT_EQ(p.end, used);
    EXPECT_EQ(p.style, e.style);
    EXPECT_EQ(p.exStyle, 0u);
    EXPECT_EQ(p.count, e.count);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(p.cx, e.cx);
    EXPECT_EQ(p.cy, e.cy);
    EXPECT_EQ(p.menu, 0);
    EXPECT_EQ(p.cls, 0);
    EXPECT_EQ(p.title, e.title);
    EXPECT_EQ(p.pointSize, 8);
    EXPECT_EQ(p.face, e.dialog == &kSetupDialog ? "Ms Sans Serif" : "MS Sans Serif");
    for (const ParsedItem* want : {&e.first, &e.last}) {
      const ParsedItem& got = want == &e.first ? p.items.front() : p.items.back();
      if (want->offset != 0) {
        EXPECT_EQ(got.offset, want->offset);
      }
      if (want->end != 0) {
        EXPECT_EQ(got.end, want->end);
      }
      EXPECT_EQ(got.style, want->style);
      EXPECT_EQ(got.exStyle, 0u);
      EXPECT_EQ(got.x, want->x);
      EXPECT_EQ(got.y, want->y);
      EXPECT_EQ(got.cx, want->cx);
      EXPECT_EQ(got.cy, want->cy);
      EXPECT_EQ(got.id, want->id);
      EXPECT_EQ(got.atom, want->atom);
      EXPECT_EQ(got.caption, want->caption);
    }
    for (const ParsedItem& it : p.items) EXPECT_EQ(it.offset % 4, 0u);
    // Everything behind the template is still the zero fill.
    for (size_t i = used; i < block.size(); ++i) ASSERT_EQ(block[i], 0) << i;
  }
}

// The worked layout of the setup dialog, offset by offset.
TEST(DialogTemplates, SetupDialogWorkedLayout) {
  test::FakePlatform fake;
  size_t used = 0;
  const std::vector<uint8_t> b = Build(kSetupDialog, &used);
  const std::string title = "Setup Map Network Drive";
  for (size_t i = 0; i < title.size(); ++i) EXPECT_EQ(W(b, 22 + 2 * i), title[i]);
  EXPECT_EQ(W(b, 68), 0);  // title terminator, bytes 68-69
  EXPECT_EQ(W(b, 70), 8);
  EXPECT_EQ(W(b, 72), 'M');
  EXPECT_EQ(W(b, 98), 0);  // face terminator, bytes 98-99
  const Parsed p = Parse(b);
  EXPECT_EQ(p.items[0].offset, 100u);
  EXPECT_EQ(p.items[1].offset, 160u);  // even caption: no padding
  EXPECT_EQ(p.items[2].offset, 208u);
  EXPECT_EQ(p.items[2].end, 234u);     // an item without caption is 26 bytes
  EXPECT_EQ(p.items[3].offset, 236u);
  EXPECT_EQ(p.items[3].caption, "Map to &Drive:");
  EXPECT_EQ(p.items[3].end, 290u);     // odd caption: two bytes of padding
  EXPECT_EQ(p.items[4].offset, 292u);
  EXPECT_EQ(W(b, 290), 0);
  EXPECT_EQ(W(b, 8), 30);
  EXPECT_EQ(used, 1536u);
}

// IDs in creation order: what TransferSettings and the macro menu address.
TEST(DialogTemplates, ItemIdsInTemplateOrder) {
  test::FakePlatform fake;
  const struct {
    const DialogTemplate* d;
    std::vector<int> ids;
  } cases[] = {
      {&kSetupDialog, {1, 7, 10, 5, 8, 2, 3, 4, 9, 6, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                       20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30}},
      {&kMessageDialog, {1, 2, 3, 5, 6, 7, 12, 9, 14, 11, 15, 13, 16, 20, 13, 8, 29, 30}},
      {&kProgramsDialog, {1, 2, 3, 4, 5, 6, 20, 7, 12, 21, 9, 14, 24, 7, 15, 22, 9, 16, 29, 30}},
      {&kAboutDialog, {1, 2, 1}},
      {&kCredentialsDialog, {2, 5, 7, 3, 9, 6, 1, 30}},
  };
  for (const auto& c : cases) {
    size_t used = 0;
    const Parsed p = Parse(Build(*c.d, &used));
    std::vector<int> ids;
    for (const ParsedItem& it : p.items) ids.push_back(it.id);
    EXPECT_EQ(ids, c.ids) << c.d->title;
  }
}

TEST(DialogTemplates, ABlockTooSmallIsRefusedWithoutWritingPastIt) {
  test::FakePlatform fake;
  for (size_t size : {size_t(0), size_t(21), size_t(100), size_t(1535)}) {
    std::vector<uint8_t> guard(2048 + 64, 0);
    EXPECT_EQ(WriteDialogTemplate(kSetupDialog, guard.data(), size), 0u) << size;
    for (size_t i = size; i < guard.size(); ++i) ASSERT_EQ(guard[i], 0) << size << " " << i;
  }
  std::vector<uint8_t> exact(1536, 0);
  EXPECT_EQ(WriteDialogTemplate(kSetupDialog, exact.data(), exact.size()), 1536u);
}

}  // namespace
}  // namespace qv
