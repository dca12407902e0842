// A working subst.exe for the Wine test prefix (Wine's own is a stub):
//   subst X: FOLDER   defines X: for FOLDER
//   subst X: /D       removes X:
// with the real tool's refusals. Every call is logged to C:\qvtest\net\subst.log.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "tests/wine/mountmgr.h"

namespace {

int Finish(int argc, char** argv, int code, const char* message) {
  if (message != nullptr) std::printf("%s\n", message);
  char line[1024] = "subst";
  for (int i = 1; i < argc; ++i) {
    std::strncat(line, "|", sizeof line - std::strlen(line) - 1);
    std::strncat(line, argv[i], sizeof line - std::strlen(line) - 1);
  }
  char tail[32];
  std::snprintf(tail, sizeof tail, "|=%d", code);
  std::strncat(line, tail, sizeof line - std::strlen(line) - 1);
  qvtest::LogLine("C:\\qvtest\\net\\subst.log", line);
  return code;
}

bool IsLetter(const char* s) {
  return ((s[0] | 0x20) >= 'a' && (s[0] | 0x20) <= 'z') && s[1] == ':' && s[2] == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return Finish(argc, argv, 0, nullptr);
  if (argc != 3) {
    char message[300];
    std::snprintf(message, sizeof message, "Incorrect number of parameters - %s",
                  argv[argc > 3 ? 3 : 1]);
    return Finish(argc, argv, 1, message);
  }
  char message[600];
  if (!IsLetter(argv[1])) {
    std::snprintf(message, sizeof message, "Invalid parameter - %s", argv[1]);
    return Finish(argc, argv, 1, message);
  }
  const char root[4] = {argv[1][0], ':', '\\', '\0'};
  const bool inUse = GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR;
  if (_stricmp(argv[2], "/D") == 0) {
    if (!inUse || !qvtest::DefineLetter(argv[1][0], DRIVE_NO_ROOT_DIR, nullptr)) {
      std::snprintf(message, sizeof message, "Invalid parameter - %s", argv[1]);
      return Finish(argc, argv, 1, message);
    }
    return Finish(argc, argv, 0, nullptr);
  }
  if (inUse) return Finish(argc, argv, 1, "Drive already SUBSTed");
  const DWORD attributes = GetFileAttributesA(argv[2]);
  char unixPath[MAX_PATH * 3];
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !qvtest::UnixPath(argv[2], unixPath, sizeof unixPath)) {
    std::snprintf(message, sizeof message, "Path not found - %s", argv[2]);
    return Finish(argc, argv, 1, message);
  }
  if (!qvtest::DefineLetter(argv[1][0], DRIVE_FIXED, unixPath)) {
    return Finish(argc, argv, 1, "Access denied");
  }
  return Finish(argc, argv, 0, nullptr);
}
