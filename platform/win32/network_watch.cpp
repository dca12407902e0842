#include "platform/win32/network_watch.h"

#include <windows.h>
#include <wtsapi32.h>

#include "platform/win32/system_library.h"

namespace qv {

namespace {

constexpr UINT kAddressMessage = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;
constexpr char kWatchClass[] = "QuorvaneWatch";

// The iphlpapi calls, declared here by their ABI: the rows they hand over
// are never read.
using AddressCallback = void(WINAPI*)(void* context, void* row, int type);
using NotifyUnicastFunction = DWORD(WINAPI*)(USHORT family, AddressCallback callback,
                                             void* context, BOOLEAN initial, HANDLE* handle);
using CancelNotifyFunction = DWORD(WINAPI*)(HANDLE handle);
using NotifyAddrFunction = DWORD(WINAPI*)(HANDLE* handle, OVERLAPPED* overlapped);
using CancelAddrFunction = BOOL(WINAPI*)(OVERLAPPED* overlapped);
using CoalescableTimerFunction = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);
// Windows 8 and later; user32 is loaded by every program.
using RegisterSuspendResumeFunction = HANDLE(WINAPI*)(HANDLE recipient, DWORD flags);
using UnregisterSuspendResumeFunction = BOOL(WINAPI*)(HANDLE notification);
constexpr DWORD kDeviceNotifyWindowHandle = 0;  // DEVICE_NOTIFY_WINDOW_HANDLE

HANDLE Claim = nullptr;
HWND Watcher = nullptr;
bool SessionWatched = false;
HANDLE SuspendResumeNotification = nullptr;
HANDLE UnicastNotification = nullptr;
OVERLAPPED AddressChange = {};  // where only NotifyAddrChange exists
bool AddressChangePending = false;

// One probe at a time: the address it opens and its answer, handed back
// through the event (whose setting orders the writes before it).
char ProbeTarget[MAX_PATH];
volatile LONG ProbeBusy = 0;
volatile DWORD ProbeAnswer = 0;
HANDLE ProbeDone = nullptr;

// What the window procedure saw, for NextNetworkEvent to hand on; a sign
// already waiting is not kept twice.
WaitEvent Noted[8];
int NotedCount = 0;

void Note(WaitEventKind kind, uint32_t code = 0) {
  for (int i = 0; i < NotedCount; ++i) {
    if (Noted[i].kind == kind && Noted[i].code == code) return;
  }
  if (NotedCount < 8) Noted[NotedCount++] = {kind, code};
}

WaitEvent TakeNoted() {
  const WaitEvent first = Noted[0];
  for (int i = 1; i < NotedCount; ++i) Noted[i - 1] = Noted[i];
  --NotedCount;
  return first;
}

// Runs on a system thread: it only posts to the window, with the kind of
// change (MIB_NOTIFICATION_TYPE) for the logic to weigh.
void WINAPI AddressChanged(void*, void*, int type) {
  HWND watcher = Watcher;
  if (watcher != nullptr) PostMessageA(watcher, kAddressMessage, WPARAM(type), 0);
}

FARPROC User32Function(const char* name) {
  return GetProcAddress(GetModuleHandleA("user32.dll"), name);
}

DWORD WINAPI ProbeThread(void*) {
  ProbeAnswer = OpenAndClose(ProbeTarget);
  InterlockedExchange(&ProbeBusy, 0);
  SetEvent(ProbeDone);
  return 0;
}

LRESULT CALLBACK WatchProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kTimerId) Note(WaitEventKind::kTimer);
      return 0;
    case kAddressMessage:
      Note(WaitEventKind::kAddressChanged, uint32_t(wParam));
      return 0;
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
        Note(WaitEventKind::kResumed);
      }
      return TRUE;
    case WM_WTSSESSION_CHANGE:
      if (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT ||
          wParam == WTS_REMOTE_CONNECT) {
        Note(WaitEventKind::kSessionUnlocked);
      }
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // a log-off is never held up by a wait
    case WM_ENDSESSION:
      // A log-off that another program cancelled leaves the wait as it was.
      if (wParam != FALSE) Note(WaitEventKind::kSessionEnded);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// IPv4 only, where NotifyUnicastIpAddressChange is missing; armed again
// after each change.
void WatchIpv4Addresses() {
  const auto notify = SystemFunction<NotifyAddrFunction>(SystemDll::Iphlpapi, "NotifyAddrChange");
  if (notify == nullptr) return;
  if (AddressChange.hEvent == nullptr) AddressChange.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (AddressChange.hEvent == nullptr) return;
  HANDLE ignored = nullptr;
  AddressChangePending = notify(&ignored, &AddressChange) == ERROR_IO_PENDING;
}

void WatchAddresses() {
  constexpr USHORT kEitherFamily = 0;  // IPv4 and IPv6 alike
  const auto unicast = SystemFunction<NotifyUnicastFunction>(SystemDll::Iphlpapi,
                                                             "NotifyUnicastIpAddressChange");
  if (unicast != nullptr &&
      unicast(kEitherFamily, AddressChanged, nullptr, FALSE, &UnicastNotification) == NO_ERROR) {
    return;
  }
  UnicastNotification = nullptr;
  WatchIpv4Addresses();
}

}  // namespace

uint32_t OpenAndClose(const char* address) {
  HANDLE file = CreateFileA(address, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    return code != 0 ? code : ERROR_GEN_FAILURE;
  }
  CloseHandle(file);
  return 0;
}

bool ClaimRunName(const char* name) {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, name);
  if (event == nullptr) return true;  // nothing to claim: the run goes on alone
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    SetEvent(event);
    CloseHandle(event);
    return false;
  }
  Claim = event;
  return true;
}

void ReleaseRunName() {
  if (Claim != nullptr) CloseHandle(Claim);
  Claim = nullptr;
}

bool RunNameSignalled() {
  // The event resets itself: the signal is taken by this look.
  return Claim != nullptr && WaitForSingleObject(Claim, 0) == WAIT_OBJECT_0;
}

// Whatever cannot be had (no window, no iphlpapi, no wtsapi32, a call that
// fails) leaves the periodic probe, which needs none of them.
void BeginNetworkWatch() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA type = {};
  type.lpfnWndProc = WatchProcedure;
  type.hInstance = instance;
  type.lpszClassName = kWatchClass;
  RegisterClassA(&type);
  // Top-level, not message-only: only top-level windows get broadcasts.
  Watcher = CreateWindowExA(WS_EX_TOOLWINDOW, kWatchClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, instance, nullptr);
  if (Watcher == nullptr) return;
  const auto registerSession = SystemFunction<decltype(&WTSRegisterSessionNotification)>(
      SystemDll::Wtsapi32, "WTSRegisterSessionNotification");
  SessionWatched =
      registerSession != nullptr && registerSession(Watcher, NOTIFY_FOR_THIS_SESSION) != FALSE;
  // Registered for the resume too, for machines with Modern Standby.
  const auto registerResume = reinterpret_cast<RegisterSuspendResumeFunction>(
      reinterpret_cast<void*>(User32Function("RegisterSuspendResumeNotification")));
  if (registerResume != nullptr) {
    SuspendResumeNotification = registerResume(Watcher, kDeviceNotifyWindowHandle);
  }
  WatchAddresses();
}

void EndNetworkWatch() {
  if (UnicastNotification != nullptr) {
    // Waits for a callback under way, so none posts to a window that is gone.
    const auto cancel =
        SystemFunction<CancelNotifyFunction>(SystemDll::Iphlpapi, "CancelMibChangeNotify2");
    if (cancel != nullptr) cancel(UnicastNotification);
    UnicastNotification = nullptr;
  }
  if (AddressChangePending) {
    const auto cancel = SystemFunction<CancelAddrFunction>(SystemDll::Iphlpapi, "CancelIPChangeNotify");
    if (cancel != nullptr) cancel(&AddressChange);
    AddressChangePending = false;
  }
  if (Watcher == nullptr) return;
  // Before the window goes, as the session notification requires.
  if (SuspendResumeNotification != nullptr) {
    const auto unregister = reinterpret_cast<UnregisterSuspendResumeFunction>(
        reinterpret_cast<void*>(User32Function("UnregisterSuspendResumeNotification")));
    if (unregister != nullptr) unregister(SuspendResumeNotification);
    SuspendResumeNotification = nullptr;
  }
  if (SessionWatched) {
    const auto unregister = SystemFunction<decltype(&WTSUnRegisterSessionNotification)>(
        SystemDll::Wtsapi32, "WTSUnRegisterSessionNotification");
    if (unregister != nullptr) unregister(Watcher);
    SessionWatched = false;
  }
  HWND watcher = Watcher;
  Watcher = nullptr;
  DestroyWindow(watcher);
  NotedCount = 0;
}

bool StartProbeThread(const char* address) {
  if (ProbeDone == nullptr) ProbeDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (ProbeDone == nullptr || InterlockedCompareExchange(&ProbeBusy, 1, 0) != 0) return false;
  lstrcpynA(ProbeTarget, address, MAX_PATH);
  HANDLE thread = CreateThread(nullptr, 64 * 1024, ProbeThread, nullptr,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) {
    InterlockedExchange(&ProbeBusy, 0);
    return false;
  }
  CloseHandle(thread);
  return true;
}

WaitEvent NextNetworkEvent(unsigned milliseconds, unsigned toleranceMs) {
  UINT_PTR timer = 0;
  if (Watcher != nullptr) {
    // A coalescable timer (Windows 8 and later) lets the system wake for
    // several programs at once; the logic keeps its bounds with the tolerance.
    static const auto coalescable = reinterpret_cast<CoalescableTimerFunction>(
        reinterpret_cast<void*>(User32Function("SetCoalescableTimer")));
    if (coalescable != nullptr) {
      timer = coalescable(Watcher, kTimerId, milliseconds, nullptr,
                          toleranceMs != 0 ? toleranceMs : TIMERV_NO_COALESCING);
    }
    if (timer == 0) timer = SetTimer(Watcher, kTimerId, milliseconds, nullptr);
  }
  const DWORD start = GetTickCount();
  while (NotedCount == 0) {
    MSG message;
    while (NotedCount == 0 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The thread is to end: kept for the loop that owns it, and the
        // wait ends as with the session.
        PostQuitMessage(int(message.wParam));
        Note(WaitEventKind::kSessionEnded);
        break;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (NotedCount != 0) break;
    DWORD timeout = INFINITE;
    if (timer == 0) {
      const DWORD waited = GetTickCount() - start;
      if (waited >= milliseconds) {
        Note(WaitEventKind::kTimer);
        break;
      }
      timeout = milliseconds - waited;
    }
    HANDLE handles[3];
    DWORD count = 0;
    if (ProbeDone != nullptr) handles[count++] = ProbeDone;
    if (Claim != nullptr) handles[count++] = Claim;
    if (AddressChangePending) handles[count++] = AddressChange.hEvent;
    const DWORD woken = MsgWaitForMultipleObjects(count, handles, FALSE, timeout, QS_ALLINPUT);
    if (woken >= WAIT_OBJECT_0 + count) {
      // Never a busy loop, whatever failed.
      if (woken == WAIT_FAILED) Sleep(timeout < 1000 ? timeout : 1000);
      continue;
    }
    const HANDLE signalled = handles[woken - WAIT_OBJECT_0];
    if (signalled == ProbeDone) {
      Note(WaitEventKind::kProbeAnswered, ProbeAnswer);
    } else if (signalled == Claim) {
      Note(WaitEventKind::kHandedOver);
    } else {
      // NotifyAddrChange does not say what changed: taken as an address added.
      Note(WaitEventKind::kAddressChanged, kMibAddInstance);
      AddressChangePending = false;
      WatchIpv4Addresses();  // once more, for the next change
    }
  }
  if (timer != 0) KillTimer(Watcher, kTimerId);
  return TakeNoted();
}

}  // namespace qv
