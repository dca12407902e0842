#include "settings/text.h"

namespace qv {

size_t TextLength(const char* text) {
  size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

bool TextEqual(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

bool CopyText(char* dst, size_t cap, const char* src) {
  if (cap == 0) return false;
  size_t i = 0;
  for (; src[i] != '\0'; ++i) {
    if (i + 1 == cap) {
      dst[i] = '\0';
      return false;
    }
    dst[i] = src[i];
  }
  dst[i] = '\0';
  return true;
}

bool AppendText(char* dst, size_t cap, const char* src) {
  size_t used = 0;
  while (used < cap && dst[used] != '\0') ++used;
  if (used == cap) return false;  // not terminated: refuse rather than run on
  return CopyText(dst + used, cap - used, src);
}

void DropTrailingBackslash(char* text) {
  char* end = text + TextLength(text);
  if (end != text && end[-1] == '\\') end[-1] = '\0';
}

void FormatUnsigned(char* dst, size_t cap, unsigned value) {
  char digits[12];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  char out[12];
  for (size_t i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
  out[n] = '\0';
  CopyText(dst, cap, out);
}

}  // namespace qv
