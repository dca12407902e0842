// The narrow port between Quorvane's logic and the operating system.
//
// Everything the logic needs from Windows goes through `Platform`: the Win32
// implementation lives in platform/win32/, the tests install a recording fake.
// No file of the logic includes windows.h; handles are opaque here and
// numbers keep the values Windows gives them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

struct WindowTag;
using Window = WindowTag*;  // HWND
struct RegKeyTag;
using RegKey = RegKeyTag*;  // HKEY

enum class RegRoot : uint8_t { LocalMachine };

// The local clock, as GetLocalTime gives it.
struct LocalTime {
  uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

enum class VersionQuery : uint8_t {
  NoBlock,  // the file has no version block (or cannot be read)
  NoValue,  // the block lacks the asked-for value
  Found,
};

// Message box flags and answers, with their Windows values.
inline constexpr unsigned kMbOk = 0x00;
inline constexpr unsigned kMbYesNo = 0x04;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconWarning = 0x30;
// Brings the box to the front even when another program holds it.
inline constexpr unsigned kMbSetForeground = 0x10000;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

inline constexpr int kSwHide = 0;
inline constexpr int kSwShow = 5;
inline constexpr int kSwShowDefault = 10;

// ERROR_GEN_FAILURE: stands for a failure the system gave no code for.
inline constexpr uint32_t kErrorGenFailure = 31;

// GetDriveTypeA's answer for a letter that is free.
inline constexpr unsigned kDriveNoRootDir = 1;

// NETRESOURCE's dwType: a connection that redirects a letter must say
// "disk"; one without a local device may leave the type open.
inline constexpr unsigned kResourceTypeAny = 0;
inline constexpr unsigned kResourceTypeDisk = 1;

// Check-box states (BST_*).
inline constexpr unsigned kUnchecked = 0;
inline constexpr unsigned kChecked = 1;

// MIB_NOTIFICATION_TYPE's MibAddInstance: an address was added.
inline constexpr uint32_t kMibAddInstance = 1;

// What ends a wait for the network.
enum class WaitEventKind : uint8_t {
  kTimer,
  kProbeAnswered,    // `code` is the probe's
  kAddressChanged,   // the address table changed; `code` is the MIB_NOTIFICATION_TYPE
  kResumed,          // PBT_APMRESUMEAUTOMATIC or PBT_APMRESUMESUSPEND
  kSessionUnlocked,  // WTS_SESSION_UNLOCK, WTS_CONSOLE_CONNECT, WTS_REMOTE_CONNECT
  kHandedOver,       // a second start for the same settings file
  kSessionEnded,     // WM_ENDSESSION with wParam TRUE
};
struct WaitEvent {
  WaitEventKind kind;
  uint32_t code;
};

class Platform {
 public:
  // --- Process and files ---------------------------------------------------
  // The raw command line (GetCommandLineA).
  virtual const char* CommandLine() = 0;
  // The running module's path (GetModuleFileNameA); returns its length, or 0
  // when it fails or does not fit `cap` with its terminator.
  virtual size_t ModulePath(char* out, size_t cap) = 0;
  // GetWindowsDirectoryA.
  virtual void WindowsDirectory(char* out, size_t cap) = 0;
  // True when a file-system search for `path` finds an entry (FindFirstFileA).
  virtual bool PathFound(const char* path) = 0;
  // The platform's case-sensitive, locale-aware comparison (lstrcmpA).
  virtual int CompareText(const char* a, const char* b) = 0;
  // The same without regard to case (lstrcmpiA), as file names compare.
  virtual int CompareTextIgnoringCase(const char* a, const char* b) = 0;
  // The calling thread's last error (GetLastError), for the calls below that
  // say they leave one.
  virtual uint32_t LastError() = 0;
  // One string of a file's version block, e.g.
  // QV_STRING_VALUE("FileVersion") (resources/version_block.h).
  virtual VersionQuery ReadVersionValue(const char* file, const char* subBlock,
                                        char* out, size_t cap) = 0;
  // Copies a file, replacing an existing target (CopyFileA); false on failure.
  virtual bool CopyFileReplacing(const char* from, const char* to) = 0;
  // Starts a program through the shell (ShellExecuteA, default verb); returns
  // what the shell returned (above 32 on success). Never waits for it.
  virtual intptr_t StartProgram(Window owner, const char* file,
                                const char* parameters, const char* directory,
                                int show) = 0;
  // GetKeyState(VK_SHIFT) as an unsigned 16-bit number.
  virtual uint16_t ShiftKeyState() = 0;
  // MessageBoxA owned by `owner` (none when null), which waits for it;
  // returns the pressed button.
  virtual int AskUser(Window owner, const char* text, const char* caption,
                      unsigned flags) = 0;

  // --- Drives and connections ---------------------------------------------
  // Opens `address` for reading (a folder opens too) and closes it at once:
  // 0 when it opened, otherwise the error code.
  virtual uint32_t ProbeAddress(const char* address) = 0;
  // GetDriveTypeA of a letter and colon.
  virtual unsigned DriveType(const char* drive) = 0;
  // WNetAddConnection2A for `remoteName` of `resourceType`, as the letter
  // `localName` (or none when null). A null `user` is the logged-on user, a
  // null `password` that user's own, "" no password. 0, or the error code.
  virtual uint32_t AddConnection(unsigned resourceType, const char* localName,
                                 const char* remoteName, const char* password,
                                 const char* user, unsigned flags) = 0;
  // WNetCancelConnection2A.
  virtual uint32_t CancelConnection(const char* name, unsigned flags,
                                    bool force) = 0;
  // WNetGetConnectionA: the remote name a letter and colon is connected to;
  // false when it is no network connection, or the name does not fit.
  virtual bool ConnectionOfDrive(const char* drive, char* out, size_t cap) = 0;
  // Starts a program through the shell and waits until it ends, at most
  // `maxWaitMs`; returns what the shell returned for the start.
  virtual intptr_t StartProgramAndWait(Window owner, const char* file,
                                       const char* parameters, int show,
                                       unsigned maxWaitMs) = 0;
  // Waits `milliseconds` while answering whatever is sent or posted to the
  // thread's windows (MsgWaitForMultipleObjects), so that broadcasts and a
  // log-off are never kept waiting; uses no CPU meanwhile.
  virtual void WaitAnswering(unsigned milliseconds) = 0;
  // Milliseconds since the system started (GetTickCount); it wraps after
  // 49.7 days, so only differences of two readings count.
  virtual uint32_t Milliseconds() = 0;

  // --- Waiting for the network -------------------------------------------
  // The one run of a settings file in this session: creates the event named
  // `name` in the session's namespace ("Local\\..."). False when another
  // process holds it; that process is then signalled (HandedOver) and this
  // one should end. A name that cannot be had at all claims nothing and
  // returns true.
  virtual bool ClaimRun(const char* name) = 0;
  // Lets the claimed name go (CloseHandle), so that a later start runs.
  virtual void ReleaseRun() = 0;
  // Whether a later start signalled the claimed name since it was last
  // looked at (WaitForSingleObject, no wait), taking the signal; false
  // when nothing is claimed.
  virtual bool RunHandedOver() = 0;
  // GetFullPathNameA, then GetLongPathNameA where the file is there; false
  // when the full path cannot be had.
  virtual bool CanonicalPath(const char* path, char* out, size_t cap) = 0;
  // CharUpperA: the text in upper case, in place.
  virtual void UpperCase(char* text) = 0;
  // A hidden top-level window that broadcasts reach (resume, log-off), with
  // notifications of address changes (NotifyUnicastIpAddressChange, else
  // NotifyAddrChange) and of the session (WTSRegisterSessionNotification);
  // whatever cannot be had is left out. EndWatching undoes it all.
  virtual void BeginWatching() = 0;
  virtual void EndWatching() = 0;
  // ProbeAddress on another thread; its answer comes as kProbeAnswered.
  // False when no thread could be started.
  virtual bool StartProbe(const char* address) = 0;
  // Answers messages until something happens, or `milliseconds` have passed
  // (kTimer; a coalescable timer may fire up to `toleranceMs` late).
  virtual WaitEvent NextWaitEvent(unsigned milliseconds, unsigned toleranceMs) = 0;

  // --- The Application log ---------------------------------------------------
  // ReportEventW of `count` UTF-16 texts (each terminated) under the source
  // "Quorvane" of this machine (RegisterEventSourceW, DeregisterEventSource
  // after), with the process token's user SID; `type` is EVENTLOG_*_TYPE,
  // `id` the message table's whole ID. A failure is neither told nor seen.
  virtual void ReportToEventLog(uint16_t type, uint32_t id, const uint16_t* const* texts,
                                int count) = 0;

  // --- Values for the macros ------------------------------------------------
  virtual LocalTime Now() = 0;
  // Each false when the query fails; `out` is then unspecified.
  virtual bool SystemDirectory(char* out, size_t cap) = 0;
  virtual bool TempDirectory(char* out, size_t cap) = 0;
  virtual bool UserName(char* out, size_t cap) = 0;
  virtual bool ComputerName(char* out, size_t cap) = 0;
  // The system's message text for an error code (FormatMessageA, from the
  // system only, language 0, inserts such as "%1" left as they stand), line
  // break included; false when it has none.
  virtual bool ErrorText(uint32_t code, char* out, size_t cap) = 0;

  // --- Text ----------------------------------------------------------------
  // Converts a text of the ANSI code page to UTF-16 (MultiByteToWideChar,
  // CP_ACP, no flags), terminator included; returns the UTF-16 units
  // written, 0 when it does not fit in `cap` units.
  virtual size_t AnsiToWide(const char* text, uint16_t* out, size_t cap) = 0;
  // The other way (WideCharToMultiByte, CP_ACP), exactly: `units` UTF-16
  // units become at most `cap` - 1 bytes and a terminator, with no best-fit
  // and no default character. False when a character has no exact form in
  // the code page or the result does not fit.
  virtual bool WideToAnsi(const uint16_t* text, size_t units, char* out,
                          size_t cap) = 0;

  // --- The user's Credential Manager ----------------------------------------
  // CredReadW of the generic credential `target` (UTF-16, terminated): its
  // user name, terminated, in `user` and its password's bytes in `secret`.
  // 0 when read; 1168 (ERROR_NOT_FOUND) when there is none; 122
  // (ERROR_INSUFFICIENT_BUFFER) when either does not fit; else the error.
  virtual uint32_t ReadCredential(const uint16_t* target, uint16_t* user,
                                  size_t userCap, uint8_t* secret,
                                  size_t secretCap, size_t* secretSize) = 0;
  // CredWriteW of a generic credential persisted on this machine for the
  // current user, replacing one of the same target. 0, or the error.
  virtual uint32_t WriteCredential(const uint16_t* target, const uint16_t* user,
                                   const uint8_t* secret, size_t secretSize) = 0;

  // --- Private-profile (INI) files -----------------------------------------
  virtual void ReadProfileText(const char* section, const char* key,
                               const char* fallback, char* out, size_t cap,
                               const char* file) = 0;
  virtual int ReadProfileNumber(const char* section, const char* key,
                                int fallback, const char* file) = 0;
  // False, with the last error set, when the file could not be written. A
  // null `value` removes the key.
  virtual bool WriteProfileText(const char* section, const char* key,
                                const char* value, const char* file) = 0;

  // --- Registry ------------------------------------------------------------
  // Null, with the last error set, when the key cannot be opened with the
  // asked-for access.
  virtual RegKey OpenRegistryKey(RegRoot root, const char* subKey,
                                 bool writable) = 0;
  // REG_SZ value, stored with its terminator; false with the last error set.
  virtual bool SetRegistryText(RegKey key, const char* name,
                               const char* data) = 0;
  // False, with the last error set, when the value could not be deleted.
  virtual bool DeleteRegistryValue(RegKey key, const char* name) = 0;
  virtual bool ReadRegistryText(RegKey key, const char* name, char* out,
                                size_t cap) = 0;
  virtual void CloseRegistryKey(RegKey key) = 0;

  // --- Dialog controls -----------------------------------------------------
  virtual void ItemText(Window dialog, int id, char* out, size_t cap) = 0;
  virtual void SetItemText(Window dialog, int id, const char* text) = 0;
  virtual unsigned ItemCheckState(Window dialog, int id) = 0;
  virtual void SetItemCheckState(Window dialog, int id, unsigned state) = 0;
  virtual void FocusItem(Window dialog, int id) = 0;
  // Selected entry of a combo box, -1 when none.
  virtual int ComboSelection(Window combo) = 0;
  // Selects an entry; an index past the list clears the selection.
  virtual void SelectComboEntry(Window combo, int index) = 0;

 protected:
  ~Platform() = default;
};

// The platform the logic runs on; set once at start (or by a test).
Platform& Sys();
void UsePlatform(Platform& platform);

// The last error after a call that failed; a failure never reads as success,
// even when the system left no code.
inline uint32_t LastFailure() {
  const uint32_t code = Sys().LastError();
  return code != 0 ? code : kErrorGenFailure;
}

}  // namespace qv
