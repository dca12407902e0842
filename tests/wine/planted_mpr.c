/* A planted mpr.dll: what an attacker drops beside a downloaded program. It
   leaves a mark when loaded and refuses every connection; planted_mpr.def
   exports its two functions by their plain names. */
#include <windows.h>
#include <winnetwk.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance; (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE mark = CreateFileA("C:\\qvtest\\planted-mpr-loaded", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  }
  return TRUE;
}

DWORD WINAPI WNetAddConnection2A(LPNETRESOURCEA resource, LPCSTR password,
                                                       LPCSTR user, DWORD flags) {
  (void)resource; (void)password; (void)user; (void)flags;
  return ERROR_ACCESS_DENIED;
}

DWORD WINAPI WNetCancelConnection2A(LPCSTR name, DWORD flags, BOOL force) {
  (void)name; (void)flags; (void)force;
  return ERROR_ACCESS_DENIED;
}
