#include "startup/command_line.h"

#include "platform/platform.h"
#include "settings/text.h"

namespace qv {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int ExtractArgument(const char* commandLine, unsigned index, char* dest,
                    size_t cap, bool* cut) {
  if (cut != nullptr) *cut = false;
  size_t quotes = 0;
  for (const char* p = commandLine; *p != '\0'; ++p) quotes += *p == '"';
  if (quotes % 2 != 0) return kArgumentOddQuotes;

  // A blank inside quotes does not separate; `inQuotes` follows the pairing
  // of the quote characters from the start of the line.
  const char* p = commandLine;
  bool inQuotes = false;
  auto separates = [&inQuotes](char c) { return !inQuotes && IsBlank(c); };
  auto step = [&p, &inQuotes]() {
    if (*p == '"') inQuotes = !inQuotes;
    ++p;
  };

  while (separates(*p)) step();
  for (unsigned n = 0; n < index; ++n) {
    while (*p != '\0' && !separates(*p)) step();
    if (*p == '\0') {
      dest[0] = '\0';
      return kArgumentMissing;
    }
    // Blanks after the last argument still open one more, empty argument.
    while (separates(*p)) step();
  }

  size_t len = 0;
  while (*p != '\0' && !separates(*p)) {
    const char c = *p;
    step();
    if (c == '"') continue;
    if (len + 1 == cap) {
      if (cut != nullptr) *cut = true;
      break;
    }
    // Quoted tabs and any 0xFE byte come back as spaces.
    dest[len++] = (c == '\t' || c == '\xFE') ? ' ' : c;
  }
  dest[len] = '\0';
  return len == 0 ? kArgumentEmpty : kArgumentFound;
}

int GetCommandLineArgument(unsigned index, char* dest) {
  return ExtractArgument(Sys().CommandLine(), index, dest, kTextSize);
}

}  // namespace qv
