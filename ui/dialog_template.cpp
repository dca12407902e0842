#include "ui/dialog_template.h"

#include "platform/platform.h"
#include "settings/text.h"

namespace qv {

namespace {

class Writer {
 public:
  Writer(uint8_t* block, size_t size) : block_(block), size_(size) {}

  bool ok() const { return ok_; }
  size_t position() const { return pos_; }

  void Word(size_t at, uint16_t value) {
    if (!Room(at, 2)) return;
    block_[at] = static_cast<uint8_t>(value);
    block_[at + 1] = static_cast<uint8_t>(value >> 8);
  }
  void Long(size_t at, uint32_t value) {
    Word(at, static_cast<uint16_t>(value));
    Word(at + 2, static_cast<uint16_t>(value >> 16));
  }
  // A UTF-16 text with its terminator at the write position.
  void Text(const char* text) {
    uint16_t wide[kTextSize];
    const size_t units = Sys().AnsiToWide(text, wide, kTextSize);
    if (units == 0) {
      ok_ = false;
      return;
    }
    for (size_t i = 0; i < units; ++i) Word(pos_ + 2 * i, wide[i]);
    Skip(2 * units);
  }
  void Skip(size_t bytes) {
    if (Room(pos_, bytes)) pos_ += bytes;
  }
  void AlignTo4() { Skip((4 - pos_ % 4) % 4); }
  void MoveTo(size_t at) {
    if (Room(at, 0)) pos_ = at;
  }

 private:
  bool Room(size_t at, size_t bytes) {
    if (at > size_ || bytes > size_ - at) ok_ = false;
    return ok_;
  }

  uint8_t* block_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace

size_t WriteDialogTemplate(const DialogTemplate& dialog, uint8_t* block,
                           size_t size) {
  Writer w(block, size);
  w.Long(0, dialog.style);
  // Extended style (4), x and y (10, 12), menu (18) and class (20) stay 0.
  w.Word(8, dialog.count);
  w.Word(14, static_cast<uint16_t>(dialog.cx));
  w.Word(16, static_cast<uint16_t>(dialog.cy));
  w.MoveTo(22);
  w.Text(dialog.title);
  w.Word(w.position(), 8);  // point size
  w.Skip(2);
  w.Text(dialog.face);
  w.AlignTo4();

  for (uint16_t i = 0; i < dialog.count; ++i) {
    const DialogItem& item = dialog.items[i];
    const size_t at = w.position();
    w.Long(at, item.style);
    w.Word(at + 8, static_cast<uint16_t>(item.x));
    w.Word(at + 10, static_cast<uint16_t>(item.y));
    w.Word(at + 12, static_cast<uint16_t>(item.cx));
    w.Word(at + 14, static_cast<uint16_t>(item.cy));
    w.Word(at + 16, item.id);
    w.Word(at + 18, 0xFFFF);
    w.Word(at + 20, item.atom);
    w.MoveTo(at + 22);
    if (item.caption != nullptr) {
      w.Text(item.caption);
    } else {
      w.Skip(2);  // an empty caption: one zero word
    }
    w.Skip(2);  // creation-data size: none
    if (i + 1 < dialog.count) w.AlignTo4();
  }
  return w.ok() ? w.position() : 0;
}

}  // namespace qv
