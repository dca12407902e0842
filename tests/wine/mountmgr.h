// Defines and removes drive letters through Wine's mount manager, the way
// winecfg does: Wine's own subst.exe is a stub and DefineDosDevice letters
// are invisible to GetDriveType.
#pragma once

#include <windows.h>

#include <cstring>

namespace qvtest {

// The header Wine 8 expects (mingw-w64's ddk/mountmgr.h has an older one).
struct MountDefinition {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};
static_assert(sizeof(MountDefinition) == 32, "Wine rejects any other size");

constexpr DWORD kDefineUnixDrive = 0x6DC080;  // IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE

// `unixPath` is absolute, or relative to the prefix's dosdevices folder;
// type DRIVE_NO_ROOT_DIR with no path removes the letter.
inline bool DefineLetter(char letter, UINT type, const char* unixPath) {
  HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  static BYTE buffer[sizeof(MountDefinition) + MAX_PATH * 4];
  std::memset(buffer, 0, sizeof buffer);
  auto* d = reinterpret_cast<MountDefinition*>(buffer);
  const size_t length = unixPath ? std::strlen(unixPath) + 1 : 0;
  if (length > sizeof buffer - sizeof *d) return false;
  d->size = ULONG(sizeof *d + length);
  d->type = type;
  d->letter = WCHAR(letter | 0x20);  // 'a'..'z'
  if (length != 0) {
    d->mount_point_offset = sizeof *d;
    std::memcpy(buffer + sizeof *d, unixPath, length);
  }
  DWORD returned = 0;
  const BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, buffer, d->size, nullptr, 0,
                                  &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

// The Unix path of a Windows path, through Wine's own export.
inline bool UnixPath(const char* windowsPath, char* out, size_t cap) {
  using Fn = char*(CDECL*)(LPCWSTR);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (fn == nullptr) return false;
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, windowsPath, -1, wide, MAX_PATH);
  char* unix = fn(wide);
  if (unix == nullptr) return false;
  const bool fits = std::strlen(unix) < cap;
  if (fits) std::strcpy(out, unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return fits;
}

// Appends one line to a log file of the test world.
inline void LogLine(const char* file, const char* line) {
  HANDLE h = CreateFileA(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, line, DWORD(std::strlen(line)), &written, nullptr);
  WriteFile(h, "\r\n", 2, &written, nullptr);
  CloseHandle(h);
}

}  // namespace qvtest
