// Dialogs without resources: each is described by a table, and one writer
// turns a table into a standard (non-extended) dialog template in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

// Class atoms of the standard controls.
inline constexpr uint16_t kButtonAtom = 0x0080;
inline constexpr uint16_t kEditAtom = 0x0081;
inline constexpr uint16_t kStaticAtom = 0x0082;
inline constexpr uint16_t kComboAtom = 0x0085;

// The item kinds, stored with exactly these styles.
inline constexpr uint32_t kGroupBoxStyle = 0x50000007;
inline constexpr uint32_t kLabelStyle = 0x50000000;
inline constexpr uint32_t kDropDownStyle = 0x50210643;
inline constexpr uint32_t kUpperDropDownStyle = 0x50212643;
inline constexpr uint32_t kEditStyle = 0x50810080;
inline constexpr uint32_t kEditBit15Style = 0x50818080;
inline constexpr uint32_t kPasswordBit15Style = 0x508180A0;
inline constexpr uint32_t kPasswordStyle = 0x508100A0;
inline constexpr uint32_t kFlatButtonStyle = 0x50018000;
inline constexpr uint32_t kFlatDefaultButtonStyle = 0x50018001;
inline constexpr uint32_t kFlatCheckBoxStyle = 0x50018003;
inline constexpr uint32_t kDefaultButtonStyle = 0x50010001;
inline constexpr uint32_t kButtonStyle = 0x50010000;

struct DialogItem {
  uint32_t style;
  int16_t x, y, cx, cy;  // dialog units; a combo's cy is its dropped list
  uint16_t id;
  uint16_t atom;
  const char* caption;  // null for edits and combo boxes
};

struct DialogTemplate {
  const char* title;
  const char* face;  // 8 points
  uint32_t style;
  int16_t cx, cy;
  size_t blockSize;  // the zero-filled block the template is written into
  const DialogItem* items;
  uint16_t count;
};

extern const DialogTemplate kSetupDialog;
extern const DialogTemplate kMessageDialog;
extern const DialogTemplate kProgramsDialog;
extern const DialogTemplate kAboutDialog;
extern const DialogTemplate kCredentialsDialog;

// Writes `dialog` into `block`, which the caller has zero-filled; only the
// fields that are not zero are written. Returns the bytes used, up to the
// end of the last item's creation-data word, or 0 when the template would
// not fit in `size` bytes.
size_t WriteDialogTemplate(const DialogTemplate& dialog, uint8_t* block,
                           size_t size);

}  // namespace qv
