#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <wincred.h>
#include <winnetwk.h>

#include "platform/platform.h"
#include "platform/win32/network_watch.h"
#include "platform/win32/system_library.h"

namespace qv {

namespace {

HWND H(Window w) { return reinterpret_cast<HWND>(w); }
const WCHAR* W(const uint16_t* text) { return reinterpret_cast<const WCHAR*>(text); }
HKEY K(RegKey k) { return reinterpret_cast<HKEY>(k); }

// A failure never reads as success, even when the system left no code.
uint32_t Failure() {
  const DWORD code = GetLastError();
  return code != 0 ? code : ERROR_GEN_FAILURE;
}

int Cap(size_t cap) { return cap > 0x7FFFFFFF ? 0x7FFFFFFF : int(cap); }

// The registry answers with its error code rather than the last error; the
// port reports both kinds of failure the same way.
bool Succeeded(LSTATUS status) {
  if (status == ERROR_SUCCESS) return true;
  SetLastError(DWORD(status));
  return false;
}

class Win32Platform final : public Platform {
 public:
  const char* CommandLine() override { return GetCommandLineA(); }

  size_t ModulePath(char* out, size_t cap) override {
    const DWORD n = GetModuleFileNameA(nullptr, out, DWORD(Cap(cap)));
    if (n == 0 || n >= cap) return 0;  // failed, or cut to fit
    return n;
  }

  void WindowsDirectory(char* out, size_t cap) override {
    const UINT n = GetWindowsDirectoryA(out, UINT(Cap(cap)));
    if (n == 0 || n >= cap) out[0] = '\0';
  }

  bool PathFound(const char* path) override {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
  }

  int CompareText(const char* a, const char* b) override {
    return lstrcmpA(a, b);
  }

  int CompareTextIgnoringCase(const char* a, const char* b) override {
    return lstrcmpiA(a, b);
  }

  uint32_t LastError() override { return GetLastError(); }

  VersionQuery ReadVersionValue(const char* file, const char* subBlock,
                                char* out, size_t cap) override {
    const auto size_of = SystemFunction<decltype(&GetFileVersionInfoSizeA)>(
        SystemDll::Version, "GetFileVersionInfoSizeA");
    const auto read = SystemFunction<decltype(&GetFileVersionInfoA)>(SystemDll::Version,
                                                                    "GetFileVersionInfoA");
    const auto query =
        SystemFunction<decltype(&VerQueryValueA)>(SystemDll::Version, "VerQueryValueA");
    if (size_of == nullptr || read == nullptr || query == nullptr) return VersionQuery::NoBlock;
    DWORD ignored = 0;
    const DWORD size = size_of(file, &ignored);
    if (size == 0) return VersionQuery::NoBlock;
    HGLOBAL block = GlobalAlloc(GPTR, size);
    if (block == nullptr) return VersionQuery::NoBlock;
    VersionQuery result = VersionQuery::NoBlock;
    if (read(file, 0, size, block)) {
      result = VersionQuery::NoValue;
      char* value = nullptr;
      UINT len = 0;
      if (query(block, subBlock, reinterpret_cast<void**>(&value), &len) &&
          value != nullptr && cap > 0) {
        size_t n = 0;
        while (n < len && n + 1 < cap && value[n] != '\0') {
          out[n] = value[n];
          ++n;
        }
        out[n] = '\0';
        result = VersionQuery::Found;
      }
    }
    GlobalFree(block);
    return result;
  }

  bool CopyFileReplacing(const char* from, const char* to) override {
    return CopyFileA(from, to, FALSE) != 0;
  }

  intptr_t StartProgram(Window owner, const char* file, const char* parameters,
                        const char* directory, int show) override {
    InitializeCom();
    const auto execute =
        SystemFunction<decltype(&ShellExecuteA)>(SystemDll::Shell32, "ShellExecuteA");
    // Without the shell, the start fails as one the system refused.
    if (execute == nullptr) return SE_ERR_DLLNOTFOUND;
    return reinterpret_cast<intptr_t>(
        execute(H(owner), nullptr, file, parameters, directory, show));
  }

  uint16_t ShiftKeyState() override {
    return static_cast<uint16_t>(GetKeyState(VK_SHIFT));
  }

  int AskUser(Window owner, const char* text, const char* caption,
              unsigned flags) override {
    return MessageBoxA(H(owner), text, caption, flags);
  }

  uint32_t ProbeAddress(const char* address) override { return OpenAndClose(address); }

  unsigned DriveType(const char* drive) override { return GetDriveTypeA(drive); }

  uint32_t AddConnection(unsigned resourceType, const char* localName,
                         const char* remoteName, const char* password,
                         const char* user, unsigned flags) override {
    NETRESOURCEA resource = {};
    resource.dwType = resourceType;
    resource.lpLocalName = const_cast<char*>(localName);
    resource.lpRemoteName = const_cast<char*>(remoteName);
    const auto add = SystemFunction<decltype(&WNetAddConnection2A)>(SystemDll::Mpr,
                                                                    "WNetAddConnection2A");
    if (add == nullptr) return Failure();  // no mpr: the connection's own failure
    const DWORD result = add(&resource, password, user, flags);
    if (result == NO_ERROR) return 0;
    const DWORD code = GetLastError();
    return code != 0 ? code : result;
  }

  uint32_t CancelConnection(const char* name, unsigned flags, bool force) override {
    const auto cancel = SystemFunction<decltype(&WNetCancelConnection2A)>(
        SystemDll::Mpr, "WNetCancelConnection2A");
    if (cancel == nullptr) return Failure();
    return cancel(name, flags, force ? TRUE : FALSE);
  }

  bool ConnectionOfDrive(const char* drive, char* out, size_t cap) override {
    const auto get = SystemFunction<decltype(&WNetGetConnectionA)>(SystemDll::Mpr,
                                                                   "WNetGetConnectionA");
    DWORD size = DWORD(Cap(cap));
    return get != nullptr && get(drive, out, &size) == NO_ERROR;
  }

  intptr_t StartProgramAndWait(Window owner, const char* file,
                               const char* parameters, int show,
                               unsigned maxWaitMs) override {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = H(owner);
    info.lpFile = file;
    info.lpParameters = parameters;
    info.nShow = show;
    InitializeCom();
    const auto execute =
        SystemFunction<decltype(&ShellExecuteExA)>(SystemDll::Shell32, "ShellExecuteExA");
    info.hInstApp = reinterpret_cast<HINSTANCE>(SE_ERR_DLLNOTFOUND);
    if (execute != nullptr) execute(&info);
    if (info.hProcess != nullptr) {
      WaitForSingleObject(info.hProcess, maxWaitMs);
      CloseHandle(info.hProcess);
    }
    return reinterpret_cast<intptr_t>(info.hInstApp);
  }

  void WaitAnswering(unsigned milliseconds) override {
    const DWORD start = GetTickCount();
    bool quitting = false;
    for (;;) {
      MSG message;
      while (!quitting && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          // Kept for the loop that owns it; taking it again at once would
          // spin, so the rest of the wait is slept.
          PostQuitMessage(int(message.wParam));
          quitting = true;
        } else {
          TranslateMessage(&message);
          DispatchMessageA(&message);
        }
      }
      const DWORD waited = GetTickCount() - start;
      if (waited >= milliseconds) return;
      if (quitting) {
        Sleep(milliseconds - waited);
      } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - waited, QS_ALLINPUT);
      }
    }
  }

  uint32_t Milliseconds() override { return GetTickCount(); }

  bool ClaimRun(const char* name) override { return ClaimRunName(name); }
  void ReleaseRun() override { ReleaseRunName(); }
  bool RunHandedOver() override { return RunNameSignalled(); }

  void ReportToEventLog(uint16_t type, uint32_t id, const uint16_t* const* texts,
                        int count) override {
    HANDLE source = RegisterEventSourceW(nullptr, L"Quorvane");
    if (source == nullptr) return;
    // The event's User field names whoever ran it.
    alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    PSID sid = nullptr;
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
      DWORD size = 0;
      if (GetTokenInformation(token, TokenUser, user, sizeof user, &size)) {
        sid = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
      }
      CloseHandle(token);
    }
    ReportEventW(source, WORD(type), 0, DWORD(id), sid, WORD(count), 0,
                 const_cast<LPCWSTR*>(reinterpret_cast<const LPCWSTR*>(texts)), nullptr);
    DeregisterEventSource(source);
  }

  bool CanonicalPath(const char* path, char* out, size_t cap) override {
    const DWORD n = GetFullPathNameA(path, DWORD(Cap(cap)), out, nullptr);
    if (n == 0 || n >= cap) return false;
    // A file not there yet keeps its full path as it is.
    const DWORD m = GetLongPathNameA(out, out, DWORD(Cap(cap)));
    if (m == 0 || m >= cap) GetFullPathNameA(path, DWORD(Cap(cap)), out, nullptr);
    return true;
  }

  void UpperCase(char* text) override { CharUpperA(text); }
  void BeginWatching() override { BeginNetworkWatch(); }
  void EndWatching() override { EndNetworkWatch(); }
  bool StartProbe(const char* address) override { return StartProbeThread(address); }

  WaitEvent NextWaitEvent(unsigned milliseconds, unsigned toleranceMs) override {
    return NextNetworkEvent(milliseconds, toleranceMs);
  }

  LocalTime Now() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay,
            t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
  }

  bool SystemDirectory(char* out, size_t cap) override {
    const UINT n = GetSystemDirectoryA(out, UINT(Cap(cap)));
    return n != 0 && n < cap;
  }

  bool TempDirectory(char* out, size_t cap) override {
    const DWORD n = GetTempPathA(DWORD(Cap(cap)), out);
    return n != 0 && n < cap;
  }

  bool UserName(char* out, size_t cap) override {
    DWORD n = DWORD(Cap(cap));
    return GetUserNameA(out, &n) != 0;
  }

  bool ComputerName(char* out, size_t cap) override {
    DWORD n = DWORD(Cap(cap));
    return GetComputerNameA(out, &n) != 0;
  }

  bool ErrorText(uint32_t code, char* out, size_t cap) override {
    // Without IGNORE_INSERTS every message that holds "%1" fails.
    constexpr DWORD kFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    return FormatMessageA(kFlags, nullptr, code, 0, out, DWORD(Cap(cap)), nullptr) != 0;
  }

  size_t AnsiToWide(const char* text, uint16_t* out, size_t cap) override {
    // No flags: a UTF-8 ANSI code page refuses MB_PRECOMPOSED, which every
    // other code page applies anyway.
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1,
                                      reinterpret_cast<WCHAR*>(out), Cap(cap));
    return n > 0 ? size_t(n) : 0;
  }

  bool WideToAnsi(const uint16_t* text, size_t units, char* out, size_t cap) override {
    if (cap == 0 || units > 0x7FFFFFFF) return false;
    int n = 0;
    BOOL defaulted = FALSE;
    if (units > 0) {
      // A UTF-8 code page takes WC_ERR_INVALID_CHARS alone and no default
      // character; the others say whether they used one.
      const bool utf8 = GetACP() == CP_UTF8;
      n = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, W(text),
                              int(units), out, Cap(cap - 1), nullptr, utf8 ? nullptr : &defaulted);
      if (n == 0 || defaulted) return false;
    }
    out[n] = '\0';
    return true;
  }

  uint32_t ReadCredential(const uint16_t* target, uint16_t* user, size_t userCap,
                          uint8_t* secret, size_t secretCap, size_t* secretSize) override {
    PCREDENTIALW credential = nullptr;
    if (!CredReadW(W(target), CRED_TYPE_GENERIC, 0, &credential)) return Failure();
    const WCHAR* name = credential->UserName != nullptr ? credential->UserName : L"";
    const size_t length = size_t(lstrlenW(name));
    const DWORD size = credential->CredentialBlobSize;
    uint32_t result = ERROR_INSUFFICIENT_BUFFER;
    if (length < userCap && size <= secretCap) {
      CopyMemory(user, name, (length + 1) * sizeof(WCHAR));
      if (size > 0) CopyMemory(secret, credential->CredentialBlob, size);
      *secretSize = size;
      result = 0;
    }
    CredFree(credential);
    return result;
  }

  uint32_t WriteCredential(const uint16_t* target, const uint16_t* user,
                           const uint8_t* secret, size_t secretSize) override {
    CREDENTIALW credential = {};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = const_cast<WCHAR*>(W(target));
    credential.UserName = const_cast<WCHAR*>(W(user));
    credential.CredentialBlobSize = DWORD(secretSize);
    credential.CredentialBlob = const_cast<BYTE*>(secret);
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    return CredWriteW(&credential, 0) ? 0 : Failure();
  }

  void ReadProfileText(const char* section, const char* key,
                       const char* fallback, char* out, size_t cap,
                       const char* file) override {
    GetPrivateProfileStringA(section, key, fallback, out, DWORD(Cap(cap)), file);
  }

  int ReadProfileNumber(const char* section, const char* key, int fallback,
                        const char* file) override {
    return int(GetPrivateProfileIntA(section, key, fallback, file));
  }

  bool WriteProfileText(const char* section, const char* key,
                        const char* value, const char* file) override {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
  }

  RegKey OpenRegistryKey(RegRoot, const char* subKey, bool writable) override {
    HKEY key = nullptr;
    return Succeeded(RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0,
                                   writable ? KEY_ALL_ACCESS : KEY_READ, &key))
               ? reinterpret_cast<RegKey>(key)
               : nullptr;
  }

  bool SetRegistryText(RegKey key, const char* name, const char* data) override {
    return Succeeded(RegSetValueExA(K(key), name, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(data),
                                    DWORD(lstrlenA(data) + 1)));
  }

  bool DeleteRegistryValue(RegKey key, const char* name) override {
    return Succeeded(RegDeleteValueA(K(key), name));
  }

  bool ReadRegistryText(RegKey key, const char* name, char* out,
                        size_t cap) override {
    if (cap == 0) return false;
    DWORD type = 0;
    DWORD size = DWORD(Cap(cap - 1));
    if (RegQueryValueExA(K(key), name, nullptr, &type,
                         reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      out[0] = '\0';
      return false;
    }
    out[size] = '\0';  // stored values need not carry their terminator
    return true;
  }

  void CloseRegistryKey(RegKey key) override { RegCloseKey(K(key)); }

  void ItemText(Window dialog, int id, char* out, size_t cap) override {
    if (GetDlgItemTextA(H(dialog), id, out, Cap(cap)) == 0 && cap > 0) {
      out[0] = '\0';
    }
  }

  void SetItemText(Window dialog, int id, const char* text) override {
    SetDlgItemTextA(H(dialog), id, text);
  }

  unsigned ItemCheckState(Window dialog, int id) override {
    return IsDlgButtonChecked(H(dialog), id);
  }

  void SetItemCheckState(Window dialog, int id, unsigned state) override {
    CheckDlgButton(H(dialog), id, state);
  }

  void FocusItem(Window dialog, int id) override {
    SetFocus(GetDlgItem(H(dialog), id));
  }

  int ComboSelection(Window combo) override {
    return int(SendMessageA(H(combo), CB_GETCURSEL, 0, 0));
  }

  void SelectComboEntry(Window combo, int index) override {
    SendMessageA(H(combo), CB_SETCURSEL, WPARAM(index), 0);
  }
};

Win32Platform platform;

}  // namespace

void UseWin32Platform() { UsePlatform(platform); }

}  // namespace qv
