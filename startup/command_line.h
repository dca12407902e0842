// Arguments of the process command line: blanks separate, double quotes
// only group, there is no escape.
#pragma once

#include <cstddef>

namespace qv {

enum ArgumentResult : int {
  kArgumentFound = 1,    // exists and is not empty
  kArgumentMissing = 2,  // fewer arguments than asked for; destination empty
  kArgumentOddQuotes = 3,  // odd number of quotes; destination untouched
  kArgumentEmpty = 4,    // exists but is empty without its quotes
};

// Extracts argument `index` (0 = the program) of `commandLine` into `dest`
// of `cap` bytes. Works on lines of any length; an argument longer than
// cap - 1 is cut, and `*cut` (when given) tells so.
int ExtractArgument(const char* commandLine, unsigned index, char* dest,
                    size_t cap, bool* cut = nullptr);

// The same on the process's own command line, into a 260-byte text.
int GetCommandLineArgument(unsigned index, char* dest);

}  // namespace qv
