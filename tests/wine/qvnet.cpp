// A network provider for the Wine test prefix, playing a file server.
//
// Its shares, users and forced errors come from C:\qvtest\net\server.txt,
// read at every call, one rule a line:
//   share \\SRV\SHARE                 open to anyone
//   share \\SRV\SHARE USER PASSWORD   only with these credentials (else 1326)
//   fail \\SRV\SHARE CODE             always answers CODE
// Unknown shares answer 67. Every call is appended to C:\qvtest\net\calls.log:
//   add|REMOTE|LOCAL|USER|PASSWORD|FLAGS|TYPE|=CODE   cancel|NAME|FORCE|=CODE
// where a USER or PASSWORD not given at all (null, not "") reads "<null>"
// and TYPE is the resource's dwType.
// A connection with a letter makes the letter a network drive of the prefix
// (through the mount manager); cancelling removes it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/wine/mountmgr.h"

namespace {

constexpr DWORD kBadNetName = 67;
constexpr DWORD kAlreadyAssigned = 85;
constexpr DWORD kLogonFailure = 1326;
constexpr DWORD kNotConnected = 2250;

void Narrow(const WCHAR* in, char* out, int cap) {
  out[0] = '\0';
  if (in != nullptr) WideCharToMultiByte(CP_ACP, 0, in, -1, out, cap, nullptr, nullptr);
}

const char* Logged(const WCHAR* in, const char* narrowed) {
  return in == nullptr ? "<null>" : narrowed;
}

DWORD Decide(const char* remote, const char* user, const char* password) {
  FILE* f = std::fopen("C:\\qvtest\\net\\server.txt", "r");
  if (f == nullptr) return kBadNetName;
  char line[1024];
  DWORD result = kBadNetName;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    char kind[16] = "", share[512] = "", a[256] = "", b[256] = "";
    const int n = std::sscanf(line, "%15s %511s %255s %255s", kind, share, a, b);
    if (n < 2 || _stricmp(share, remote) != 0) continue;
    if (std::strcmp(kind, "fail") == 0 && n >= 3) {
      result = DWORD(std::strtoul(a, nullptr, 10));
    } else if (std::strcmp(kind, "share") == 0) {
      result = (n < 4 || (_stricmp(user, a) == 0 && std::strcmp(password, b) == 0))
                   ? 0
                   : kLogonFailure;
    }
    break;
  }
  std::fclose(f);
  return result;
}

void Log(const char* line) { qvtest::LogLine("C:\\qvtest\\net\\calls.log", line); }

}  // namespace

extern "C" {

__attribute__((dllexport)) DWORD APIENTRY NPGetCaps(DWORD index) {
  switch (index) {
    case 0x01: return 0x00050001;  // WNNC_SPEC_VERSION: 5.1
    case 0x02: return 0x00FE0000;  // WNNC_NET_TYPE: a type of our own
    case 0x03: return 1;           // WNNC_DRIVER_VERSION
    case 0x06: return 0x01 | 0x02 | 0x08;  // add, cancel, add3
    case 0x0C: return 1;           // WNNC_START: started
    default: return 0;
  }
}

__attribute__((dllexport)) DWORD APIENTRY NPAddConnection3(HWND, NETRESOURCEW* resource,
                                                      WCHAR* password, WCHAR* user,
                                                      DWORD flags) {
  char remote[512], local[16], u[1024], p[1024];
  Narrow(resource->lpRemoteName, remote, sizeof remote);
  Narrow(resource->lpLocalName, local, sizeof local);
  Narrow(user, u, sizeof u);
  Narrow(password, p, sizeof p);
  DWORD code = Decide(remote, u, p);
  if (code == 0 && local[0] != '\0') {
    const char root[4] = {local[0], ':', '\\', '\0'};
    if (GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR) {
      code = kAlreadyAssigned;
    } else {
      // The letter points at the share's folder of the prefix:
      // dosdevices/unc/srv/share.
      char mount[600] = "unc/";
      const char* r = remote;
      while (*r == '\\') ++r;
      size_t n = std::strlen(mount);
      for (; *r != '\0' && n + 1 < sizeof mount; ++r) {
        mount[n++] = *r == '\\' ? '/' : char(*r >= 'A' && *r <= 'Z' ? *r | 0x20 : *r);
      }
      mount[n] = '\0';
      if (!qvtest::DefineLetter(local[0], DRIVE_REMOTE, mount)) code = ERROR_GEN_FAILURE;
    }
  }
  char line[3000];
  std::snprintf(line, sizeof line, "add|%s|%s|%s|%s|%lu|%lu|=%lu", remote, local,
                Logged(user, u), Logged(password, p), static_cast<unsigned long>(flags),
                static_cast<unsigned long>(resource->dwType),
                static_cast<unsigned long>(code));
  Log(line);
  // Windows leaves the reason as the thread's last error; Wine's mpr leaves
  // whatever the provider's own calls did (the log's open: 183).
  SetLastError(code);
  return code;
}

__attribute__((dllexport)) DWORD APIENTRY NPAddConnection(NETRESOURCEW* resource, WCHAR* password,
                                                     WCHAR* user) {
  return NPAddConnection3(nullptr, resource, password, user, 0);
}

__attribute__((dllexport)) DWORD APIENTRY NPCancelConnection(WCHAR* name, BOOL force) {
  char n[512];
  Narrow(name, n, sizeof n);
  DWORD code = kNotConnected;
  if (n[0] != '\0' && n[1] == ':' && n[2] == '\0') {
    const char root[4] = {n[0], ':', '\\', '\0'};
    if (GetDriveTypeA(root) == DRIVE_REMOTE &&
        qvtest::DefineLetter(n[0], DRIVE_NO_ROOT_DIR, nullptr)) {
      code = 0;
    }
  }
  char line[600];
  std::snprintf(line, sizeof line, "cancel|%s|%d|=%lu", n, force ? 1 : 0,
                static_cast<unsigned long>(code));
  Log(line);
  return code;
}

}  // extern "C"
