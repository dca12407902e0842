// libFuzzer target for the command-line parser.
//
// Input: first byte = argument index, the rest = the command line. Checks
// the parser's promises on every input, and on lines of at most 191
// characters compares it with a second, independent way of splitting them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/text.h"
#include "startup/command_line.h"

namespace {

// The same rules done another way: a 192-byte working copy in which quoted
// blanks become 0xFE. Only valid for lines of at most 191 characters.
int Reference(const char* line, unsigned index, char* dest) {
  size_t quotes = 0;
  for (const char* p = line; *p; ++p) quotes += *p == '"';
  if (quotes % 2) return 3;
  char buf[192];
  size_t n = 0;
  for (; line[n] && n < 191; ++n) buf[n] = line[n] == '\t' ? ' ' : line[n];
  buf[n] = '\0';
  bool in = false;
  for (size_t i = 0; i < n; ++i) {
    if (buf[i] == '"') in = !in;
    else if (buf[i] == ' ' && in) buf[i] = '\xFE';
  }
  const char* p = buf;
  while (*p == ' ') ++p;
  for (unsigned k = 0; k < index; ++k) {
    while (*p && *p != ' ') ++p;
    if (!*p) {
      dest[0] = '\0';
      return 2;
    }
    while (*p == ' ') ++p;
  }
  size_t len = 0;
  for (; *p && *p != ' '; ++p) {
    if (*p == '"') continue;
    dest[len++] = *p == '\xFE' ? ' ' : *p;
  }
  dest[len] = '\0';
  return len ? 1 : 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned index = data[0] % 8;
  const std::string line(reinterpret_cast<const char*>(data + 1), size - 1);
  const char* text = line.c_str();  // stops at an embedded NUL, as Windows would

  char dest[qv::kTextSize + 8];
  std::memset(dest, 0x5A, sizeof dest);
  const int code = qv::ExtractArgument(text, index, dest, qv::kTextSize);
  if (code < 1 || code > 4) std::abort();
  for (size_t i = qv::kTextSize; i < sizeof dest; ++i) {
    if (dest[i] != 0x5A) std::abort();  // wrote past the 260 bytes
  }
  if (code == 3) {
    for (size_t i = 0; i < qv::kTextSize; ++i) {
      if (dest[i] != 0x5A) std::abort();  // must stay untouched
    }
    return 0;
  }
  const size_t len = qv::TextLength(dest);
  if (len >= qv::kTextSize) std::abort();
  if ((code == 1) != (len > 0)) std::abort();
  if (std::memchr(dest, '"', len) != nullptr) std::abort();

  if (std::strlen(text) <= 191) {
    char expected[qv::kTextSize];
    const int want = Reference(text, index, expected);
    if (want != code || std::strcmp(expected, dest) != 0) std::abort();
  }
  return 0;
}
