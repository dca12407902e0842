// Fixed-size NUL-terminated texts. Every configured text lives in a 260-byte
// buffer; these helpers never write past a buffer and cut what does not fit.
#pragma once

#include <cstddef>

namespace qv {

inline constexpr size_t kTextSize = 260;  // 259 characters and the terminator

size_t TextLength(const char* text);
bool TextEqual(const char* a, const char* b);  // byte for byte

// Copies `src` into `dst` of `cap` bytes, cut to cap - 1 characters.
// Returns false when it had to cut.
bool CopyText(char* dst, size_t cap, const char* src);
// Appends `src`, cut to what fits; false when it had to cut.
bool AppendText(char* dst, size_t cap, const char* src);
// Drops one backslash ending the text.
void DropTrailingBackslash(char* text);
// Writes a non-negative number in decimal.
void FormatUnsigned(char* dst, size_t cap, unsigned value);

template <size_t N>
bool CopyText(char (&dst)[N], const char* src) {
  return CopyText(dst, N, src);
}
template <size_t N>
bool AppendText(char (&dst)[N], const char* src) {
  return AppendText(dst, N, src);
}

}  // namespace qv
