// Windows helper of the Wine tests, run inside the test prefix.
//
//   qvdriver answer CAPTION yes|no|ok [TIMEOUT_MS]
//       Waits for a message box with that caption, prints its text and
//       presses the button. Exit 0 when answered, 2 on time-out.
//   qvdriver window CAPTION [set:ID=TEXT] [select:ID=N] [check:ID=N]
//                           [press:ID | click:ID | close] [wait:MS]
//       Waits for a visible top-level window with that caption, prints its
//       class, client origin, extended style, frame, how many visible
//       windows above it cover part of it, its client size, and every control (ID, class, text, enabled, a list's
//       selection or a button's check), types texts, selects entries, sets
//       check boxes, then presses the button (its command, as if clicked),
//       clicks it with the real mouse (which a disabled window ignores), or
//       closes the window. Exit 0, or 2 on time-out.
//   qvdriver keys CAPTION KEY...
//       Brings that window to the front and presses keys through real input
//       events: "alt+a", "ctrl+space", "end", "down*19", "enter", "escape";
//       "menu?" prints whether a popup menu is open.
//   qvdriver ping CAPTION MS [FILE]
//       Waits for a top-level window with that caption, shown or hidden,
//       and sends it WM_SETTINGCHANGE as a broadcast does
//       (SendMessageTimeout, at most MS). Prints "answered" or "timeout" with
//       the milliseconds it took, and appends that line to FILE when given
//       (a program Quorvane starts has no output to read). Exit 0 when
//       answered, 2 otherwise.
//   qvdriver classes CAPTION ID...
//       Prints, for each control ID of that window, the file name of the
//       module that registered its class (GetClassLongPtr GCLP_HMODULE, in
//       the window's process): user32 for a classic control, comctl32 for
//       a themed one of Common Controls 6.
//   qvdriver resume
//       Broadcasts WM_POWERBROADCAST with PBT_APMRESUMEAUTOMATIC to every
//       top-level window, as Windows does after sleep. Exit 0 when sent.
//   qvdriver record FILE [ARGUMENTS...]
//       Appends its own command line, as it received it, to FILE: a
//       program for Quorvane to start.
//   qvdriver picture ID | garbage | file PATH
//       Loads a picture as the About dialog does (this driver carries the
//       program's picture as its own resource 600) and prints
//       "bitmap WxH" or "none LASTERROR".
//   qvdriver resources FILE
//       Prints the version strings, the translation and the sizes in icon
//       group 500 of FILE, as Windows' own functions read them.
//   qvdriver lock FILE MS
//       Opens FILE for reading and writing, shared with nobody, then makes
//       FILE.locked to say so, and holds it MS milliseconds.
//   qvdriver soak INI TIMES [PARTS]
//       In one process: opens and closes every dialog (setup, the three
//       message settings, programs to run, About, the credentials prompt)
//       and maps and unmaps INI's share, once to warm up and then TIMES
//       times, printing after each phase the process's handles, GDI and
//       USER objects (as far as the platform reports them; under Wine the
//       GDI count includes what Wine's own controls leak), private bytes,
//       live pictures, its windows left, and whether hot key 54 is free.
//   qvdriver cred TARGET [USER]
//       With USER: writes the current user's generic credential TARGET
//       (CredWriteW, persisted on this machine) with that user name and the
//       password L"S\u00e9same!" as UTF-16LE without a terminator, the way
//       other tools store one. Without: prints "TYPE PERSIST USER HEX" of
//       TARGET (HEX: the password's bytes), or "none ERROR". USER "-"
//       deletes TARGET.
//   qvdriver regacl KEY read|full
//       Gives the HKLM key KEY a DACL letting everyone only read it (and
//       change the DACL back), or everything.
//   qvdriver startrun NAME [MS]
//       Starts HKLM's Run value NAME (of this driver's registry view) as the
//       log-on starts it, its data as the command line, and waits at most MS
//       (60000) for it. Exit: the program's, or 2 on time-out, 3 without
//       the value, 4 when it cannot start.
#include <windows.h>
#include <aclapi.h>
#include <wincred.h>
#include <psapi.h>
#include <winternl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32/win32_platform.h"
#include "picture/picture.h"
#include "resources/version_block.h"
#include "settings/settings.h"
#include "mapping/mapping_run.h"
#include "ui/about_dialog_win32.h"
#include "ui/setup_dialog_win32.h"
#include "ui/sub_dialogs_win32.h"
#include "mapping/credentials_win32.h"

namespace {

int Answer(int argc, char** argv) {
  if (argc < 4) return 64;
  const char* caption = argv[2];
  const char* button = argv[3];
  const DWORD timeout = argc > 4 ? DWORD(std::atoi(argv[4])) : 20000;
  const WPARAM id = std::strcmp(button, "yes") == 0  ? IDYES
                    : std::strcmp(button, "no") == 0 ? IDNO
                                                     : IDOK;
  const DWORD start = GetTickCount();
  for (;;) {
    HWND box = FindWindowA("#32770", caption);
    if (box != nullptr) {
      char text[1400] = "";
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      std::printf("text: %s\n", text);
      std::fflush(stdout);
      PostMessageA(box, WM_COMMAND, id, 0);
      return 0;
    }
    if (GetTickCount() - start > timeout) {
      std::printf("timeout: no box \"%s\"\n", caption);
      return 2;
    }
    Sleep(50);
  }
}

// Presses keys as a person would (real input events): tokens such as
// "alt+a", "ctrl+space", "end", "down*19", "enter", "escape", or "text:abc".
void Key(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

WORD VirtualKey(const char* name) {
  static const struct {
    const char* name;
    WORD vk;
  } keys[] = {{"space", VK_SPACE}, {"end", VK_END},     {"home", VK_HOME},
              {"down", VK_DOWN},   {"up", VK_UP},       {"enter", VK_RETURN},
              {"escape", VK_ESCAPE}, {"tab", VK_TAB},   {"left", VK_LEFT},
              {"right", VK_RIGHT}};
  for (const auto& k : keys) {
    if (_stricmp(name, k.name) == 0) return k.vk;
  }
  return name[1] == '\0' ? WORD(VkKeyScanA(name[0]) & 0xFF) : 0;
}

int Keys(int argc, char** argv) {
  if (argc < 3) return 64;
  HWND window = FindWindowA(nullptr, argv[2]);
  if (window == nullptr) return 2;
  SetForegroundWindow(window);
  Sleep(200);
  for (int i = 3; i < argc; ++i) {
    char token[64];
    std::snprintf(token, sizeof token, "%s", argv[i]);
    int repeat = 1;
    if (char* star = std::strchr(token, '*')) {
      repeat = std::atoi(star + 1);
      *star = '\0';
    }
    if (std::strcmp(token, "menu?") == 0) {  // is a popup menu open?
      HWND menu = FindWindowA("#32768", nullptr);
      std::printf("menu: %s\n", menu != nullptr && IsWindowVisible(menu) ? "open" : "none");
      std::fflush(stdout);
      continue;
    }
    WORD modifier = 0;
    const char* key = token;
    if (std::strncmp(token, "alt+", 4) == 0) modifier = VK_MENU, key = token + 4;
    if (std::strncmp(token, "ctrl+", 5) == 0) modifier = VK_CONTROL, key = token + 5;
    const WORD vk = VirtualKey(key);
    for (int r = 0; r < repeat; ++r) {
      if (modifier) Key(modifier, false);
      Key(vk, false);
      Key(vk, true);
      if (modifier) Key(modifier, true);
      Sleep(60);
    }
    Sleep(150);
  }
  return 0;
}

// The text of a window of any process (WM_GETTEXT is carried across).
void TextOf(HWND window, char* out, int cap) {
  WCHAR wide[1400] = L"";
  SendMessageW(window, WM_GETTEXT, sizeof wide / sizeof wide[0], reinterpret_cast<LPARAM>(wide));
  WideCharToMultiByte(CP_ACP, 0, wide, -1, out, cap, nullptr, nullptr);
}

// Waits for a top-level window with that caption (a visible one when
// `visible`); null, said on standard output, when none comes in time.
HWND WaitForWindow(const char* caption, DWORD timeout, bool visible) {
  const DWORD start = GetTickCount();
  HWND window = nullptr;
  while ((window = FindWindowA(nullptr, caption)) == nullptr ||
         (visible && !IsWindowVisible(window))) {
    if (GetTickCount() - start > timeout) {
      std::printf("timeout: no window \"%s\"\n", caption);
      return nullptr;
    }
    Sleep(50);
  }
  return window;
}

int Drive(int argc, char** argv) {
  if (argc < 3) return 64;
  DWORD timeout = 20000;
  for (int i = 3; i < argc; ++i) {
    if (std::strncmp(argv[i], "wait:", 5) == 0) timeout = DWORD(std::atoi(argv[i] + 5));
  }
  HWND window = WaitForWindow(argv[2], timeout, true);
  if (window == nullptr) return 2;
  char text[1400];
  char cls[64];
  GetClassNameA(window, cls, sizeof cls);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  RECT frame;
  GetWindowRect(window, &frame);
  // Visible windows above it in the z-order that cover part of it.
  int covered = 0;
  for (HWND above = GetWindow(window, GW_HWNDPREV); above != nullptr;
       above = GetWindow(above, GW_HWNDPREV)) {
    RECT other, common;
    if (IsWindowVisible(above) && GetWindowRect(above, &other) &&
        IntersectRect(&common, &frame, &other)) {
      ++covered;
    }
  }
  RECT client;
  GetClientRect(window, &client);
  std::printf("window|%s|%s|%ld|%ld|%lx|%ld,%ld,%ld,%ld|%d|%ld,%ld\n", argv[2], cls, origin.x, origin.y,
              static_cast<unsigned long>(GetWindowLongPtrA(window, GWL_EXSTYLE)), frame.left,
              frame.top, frame.right, frame.bottom, covered, client.right, client.bottom);
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    GetClassNameA(child, cls, sizeof cls);
    TextOf(child, text, sizeof text);
    // A list's selection, a button's check state.
    long state = -2;
    if (_stricmp(cls, "ComboBox") == 0) state = long(SendMessageA(child, CB_GETCURSEL, 0, 0));
    if (_stricmp(cls, "Button") == 0) state = long(SendMessageA(child, BM_GETCHECK, 0, 0));
    std::printf("item|%d|%s|%s|%d|%ld\n", GetDlgCtrlID(child), cls, text,
                IsWindowEnabled(child) ? 1 : 0, state);
  }
  std::fflush(stdout);
  for (int i = 3; i < argc; ++i) {
    const char* action = argv[i];
    if (std::strncmp(action, "set:", 4) == 0) {
      const char* eq = std::strchr(action, '=');
      if (eq == nullptr) continue;
      HWND item = GetDlgItem(window, std::atoi(action + 4));
      SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(eq + 1));
    } else if (std::strncmp(action, "select:", 7) == 0 || std::strncmp(action, "check:", 6) == 0) {
      const char* eq = std::strchr(action, '=');
      if (eq == nullptr) continue;
      const bool select = action[0] == 's';
      HWND item = GetDlgItem(window, std::atoi(action + (select ? 7 : 6)));
      SendMessageA(item, select ? CB_SETCURSEL : BM_SETCHECK, WPARAM(std::atoi(eq + 1)), 0);
    } else if (std::strncmp(action, "press:", 6) == 0) {
      const int id = std::atoi(action + 6);
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    } else if (std::strncmp(action, "click:", 6) == 0) {
      RECT r;
      GetWindowRect(GetDlgItem(window, std::atoi(action + 6)), &r);
      SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      INPUT in[2] = {};
      in[0].type = in[1].type = INPUT_MOUSE;
      in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
      in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
      SendInput(2, in, sizeof in[0]);
      // Parked in the corner, the pointer cannot hover over a list that a
      // later test drops down with the keyboard.
      Sleep(200);
      SetCursorPos(0, 0);
    } else if (std::strcmp(action, "close") == 0) {
      PostMessageA(window, WM_CLOSE, 0, 0);
    }
  }
  return 0;
}

// Appends `line` (with its line end) to the file at `path`; false when the
// file cannot be opened.
bool AppendLine(const char* path, const char* line) {
  FILE* f = std::fopen(path, "a");
  if (f == nullptr) return false;
  std::fputs(line, f);
  std::fclose(f);
  return true;
}

int Ping(int argc, char** argv) {
  if (argc < 4) return 64;
  const DWORD timeout = DWORD(std::atoi(argv[3]));
  HWND window = WaitForWindow(argv[2], 20000, false);
  if (window == nullptr) return 2;
  const DWORD start = GetTickCount();
  DWORD_PTR result = 0;
  const bool answered =
      SendMessageTimeoutA(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                          SMTO_NORMAL, timeout, &result) != 0;
  char line[64];
  std::snprintf(line, sizeof line, "%s %lu\n", answered ? "answered" : "timeout", GetTickCount() - start);
  std::fputs(line, stdout);
  if (argc >= 5) AppendLine(argv[4], line);
  return answered ? 0 : 2;
}

int Classes(int argc, char** argv) {
  if (argc < 4) return 64;
  HWND window = WaitForWindow(argv[2], 20000, true);
  if (window == nullptr) return 2;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  for (int i = 3; i < argc; ++i) {
    HWND control = GetDlgItem(window, std::atoi(argv[i]));
    const auto module = reinterpret_cast<HMODULE>(GetClassLongPtrA(control, GCLP_HMODULE));
    char name[MAX_PATH] = "?";
    if (process != nullptr && module != nullptr) GetModuleBaseNameA(process, module, name, sizeof name);
    std::printf("%s %s\n", argv[i], name);
  }
  if (process != nullptr) CloseHandle(process);
  return 0;
}

int Resume() {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(HWND_BROADCAST, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0,
                             SMTO_ABORTIFHUNG, 5000, &result) != 0 ? 0 : 2;
}

}  // namespace

// Prints what Windows' own version and resource functions read of a program.
int Resources(int argc, char** argv) {
  if (argc < 3) return 64;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(argv[2], &ignored);
  static char block[65536];
  if (size == 0 || size > sizeof block || !GetFileVersionInfoA(argv[2], 0, size, block)) {
    std::printf("no version block\n");
    return 1;
  }
  static const char* const kKeys[] = {"InternalName", "FileVersion", "CompanyName",
                                      "ProductName", "FileDescription",
                                      "LegalCopyright", "OriginalFilename"};
  for (const char* key : kKeys) {
    char path[96];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\" QV_STRING_TABLE "\\%s", key);
    char* value = nullptr;
    UINT len = 0;
    if (VerQueryValueA(block, path, reinterpret_cast<void**>(&value), &len)) {
      std::printf("%s=%s\n", key, value);
    }
  }
  WORD* translation = nullptr;
  UINT len = 0;
  if (VerQueryValueA(block, "\\VarFileInfo\\Translation",
                     reinterpret_cast<void**>(&translation), &len) && len >= 4) {
    std::printf("Translation=%04X,%u\n", translation[0], translation[1]);
  }
  HMODULE module = LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC group = module ? FindResourceA(module, MAKEINTRESOURCEA(500), MAKEINTRESOURCEA(14)) : nullptr;
  if (group != nullptr) {
    // GRPICONDIR: reserved, type, count, then 14-byte entries (width, height...).
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    const int count = dir[4] | (dir[5] << 8);
    std::printf("IconGroup500=");
    for (int i = 0; i < count; ++i) {
      const BYTE* e = dir + 6 + 14 * i;
      std::printf("%s%dx%d", i ? "," : "", e[0] ? e[0] : 256, e[1] ? e[1] : 256);
    }
    std::printf("\n");
  }
  return 0;
}

void PrintPicture(HBITMAP bitmap) {
  if (bitmap == nullptr) {
    std::printf("none %lu\n", static_cast<unsigned long>(GetLastError()));
    return;
  }
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  std::printf("bitmap %ldx%ld\n", info.bmWidth, info.bmHeight);
  qv::ReleasePicture(bitmap);
}

int Picture(int argc, char** argv) {
  if (argc < 3) return 64;
  SetLastError(0xdeadbeef);
  if (std::strcmp(argv[2], "garbage") == 0) {
    static const char kNoPicture[] = "this is not a picture at all";
    PrintPicture(qv::DecodePictureBytes(kNoPicture, sizeof kNoPicture));
  } else if (std::strcmp(argv[2], "file") == 0 && argc > 3) {
    static char bytes[1 << 20];
    FILE* f = std::fopen(argv[3], "rb");
    if (f == nullptr) return 1;
    const size_t n = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    PrintPicture(qv::DecodePictureBytes(bytes, DWORD(n)));
  } else {
    PrintPicture(qv::LoadResourcePicture(GetModuleHandleA(nullptr), std::atoi(argv[2])));
  }
  return 0;
}

BOOL CALLBACK CloseOne(HWND window, LPARAM) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId() && IsWindowVisible(window)) {
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

// Closes whatever dialog this process shows, as a user's close box would.
DWORD WINAPI CloseDialogs(void*) {
  for (;;) {
    EnumWindows(CloseOne, 0);
    Sleep(10);
  }
}

BOOL CALLBACK CountOwn(HWND window, LPARAM count) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId()) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// Wine reports no handle count; a handle that has information is open.
DWORD OpenHandles() {
  DWORD count = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Wine reports no GDI object count either, but keeps the process's GDI
// handles in a table the PEB points to (24-byte entries, the object type at
// byte 14, 0 when free). Windows answers GetGuiResources itself.
DWORD GdiObjects() {
  const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (reported != 0 || GetProcAddress(ntdll, "wine_get_version") == nullptr) return reported;
  const BYTE* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
  const BYTE* table = *reinterpret_cast<const BYTE* const*>(peb + 0x94);
  if (table == nullptr) return 0;
  DWORD count = 0;
  for (DWORD i = 0; i < 0x10000; ++i) count += table[i * 24 + 14] != 0;
  return count;
}

void PrintResources(const char* phase) {
  DWORD handles = 0;
  if (!GetProcessHandleCount(GetCurrentProcess(), &handles) || handles == 0) {
    handles = OpenHandles();
  }
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(),
                       reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  int windows = 0;
  EnumWindows(CountOwn, reinterpret_cast<LPARAM>(&windows));
  const bool hotKeyFree = RegisterHotKey(nullptr, 54, MOD_CONTROL, VK_SPACE) != FALSE;
  if (hotKeyFree) UnregisterHotKey(nullptr, 54);
  std::printf("%s handles=%lu gdi=%lu user=%lu private=%lu pictures=%d windows=%d hotkey=%d\n",
              phase, static_cast<unsigned long>(handles),
              static_cast<unsigned long>(GdiObjects()),
              static_cast<unsigned long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)),
              static_cast<unsigned long>(
                  memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage), qv::LivePictures(), windows,
              hotKeyFree ? 1 : 0);
  std::fflush(stdout);
}

// PARTS picks what a round does: s setup, m message settings, p programs,
// a About, c credentials prompt, r a mapping run.
void EveryDialogAndRun(const char* parts) {
  using namespace qv;
  if (std::strchr(parts, 's') != nullptr) {
    Settings.UpdateMode = 0;  // the setup dialog opens for editing
    RunSetupDialog();
  }
  if (std::strchr(parts, 'm') != nullptr) {
    for (int group = kGroupShareError; group <= kGroupCredentials; ++group) {
      UiState.UiMode = static_cast<uint8_t>(group);
      EditMessageSettings(nullptr, nullptr);
    }
  }
  if (std::strchr(parts, 'p') != nullptr) {
    UiState.UiMode = kGroupPrograms;
    EditProgramsToRun(nullptr, nullptr);
  }
  UiState.UiMode = 0;
  if (std::strchr(parts, 'a') != nullptr) ShowAbout(nullptr, nullptr);

  if (std::strchr(parts, 'c') != nullptr) {
    const CredentialsPromptTexts texts = {"Log on", "One", "Two", "User:", "Password:"};
    Credentials typed = {"anna", "pw"};
    AskCredentials(nullptr, nullptr, texts, &typed, false);
  }
  if (std::strchr(parts, 'r') != nullptr) {
    TransferSettings(nullptr, kGroupMain, kLoad);
    RunMapping(nullptr, MappingAction::Map);
    RunMapping(nullptr, MappingAction::Unmap);
  }
}

int Soak(int argc, char** argv) {
  if (argc < 4) return 64;
  const int times = std::atoi(argv[3]);
  const char* parts = argc > 4 ? argv[4] : "smpacr";
  qv::UseWin32Platform();
  qv::UseWin32CredentialsPrompt();
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  qv::CopyText(qv::Settings.ProgramPath, path);
  qv::CopyText(qv::Settings.IniPath, argv[2]);
  CreateThread(nullptr, 0, CloseDialogs, nullptr, 0, nullptr);
  PrintResources("start");
  EveryDialogAndRun(parts);
  PrintResources("warm");
  for (int i = 0; i < times; ++i) EveryDialogAndRun(parts);
  PrintResources("end");
  return 0;
}

int Lock(int argc, char** argv) {
  if (argc < 4) return 64;
  HANDLE file = CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  char marker[MAX_PATH + 8];
  std::snprintf(marker, sizeof marker, "%s.locked", argv[2]);
  CloseHandle(CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  Sleep(DWORD(std::atoi(argv[3])));
  CloseHandle(file);
  return 0;
}

int Credential(int argc, char** argv) {
  WCHAR target[600], user[600];
  MultiByteToWideChar(CP_ACP, 0, argv[2], -1, target, 600);
  if (argc >= 4 && std::strcmp(argv[3], "-") == 0) return CredDeleteW(target, CRED_TYPE_GENERIC, 0) ? 0 : 1;
  if (argc >= 4) {
    static const WCHAR kPassword[] = L"S\u00e9same!";
    MultiByteToWideChar(CP_ACP, 0, argv[3], -1, user, 600);
    CREDENTIALW c = {};
    c.Type = CRED_TYPE_GENERIC;
    c.TargetName = target;
    c.UserName = user;
    c.CredentialBlobSize = sizeof kPassword - sizeof(WCHAR);
    c.CredentialBlob = reinterpret_cast<BYTE*>(const_cast<WCHAR*>(kPassword));
    c.Persist = CRED_PERSIST_LOCAL_MACHINE;
    return CredWriteW(&c, 0) ? 0 : 1;
  }
  PCREDENTIALW c = nullptr;
  if (!CredReadW(target, CRED_TYPE_GENERIC, 0, &c)) {
    std::printf("none %lu\n", GetLastError());
    return 0;
  }
  char name[600];
  WideCharToMultiByte(CP_ACP, 0, c->UserName ? c->UserName : L"", -1, name, 600, nullptr, nullptr);
  std::printf("%lu %lu %s ", c->Type, c->Persist, name);
  for (DWORD i = 0; i < c->CredentialBlobSize; ++i) std::printf("%02x", c->CredentialBlob[i]);
  std::printf("\n");
  CredFree(c);
  return 0;
}

int RegistryAcl(int argc, char** argv) {
  if (argc < 4) return 64;
  const bool full = std::strcmp(argv[3], "full") == 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, argv[2], 0, WRITE_DAC | READ_CONTROL, &key) !=
      ERROR_SUCCESS) {
    return 1;
  }
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  EXPLICIT_ACCESSA access = {};
  access.grfAccessPermissions = full ? KEY_ALL_ACCESS : KEY_READ | WRITE_DAC;
  access.grfAccessMode = SET_ACCESS;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.ptstrName = static_cast<LPSTR>(everyone);
  PACL acl = nullptr;
  SetEntriesInAclA(1, &access, nullptr, &acl);
  SECURITY_DESCRIPTOR sd;
  InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
  const LONG r = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
  RegCloseKey(key);
  LocalFree(acl);
  FreeSid(everyone);
  return r == ERROR_SUCCESS ? 0 : 2;
}

int StartRunValue(int argc, char** argv) {
  char line[32768];
  DWORD size = sizeof line;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", argv[2],
                   RRF_RT_REG_SZ, nullptr, line, &size) != ERROR_SUCCESS) {
    return 3;
  }
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 4;
  CloseHandle(pi.hThread);
  const DWORD waited = WaitForSingleObject(pi.hProcess, argc > 3 ? std::atoi(argv[3]) : 60000);
  DWORD code = 2;
  if (waited == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

int main(int argc, char** argv) {
  // A crash must end the run, never wait for someone to close a dialog.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  // Texts are reported byte for byte: no "\n" turned into "\r\n".
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc >= 2 && std::strcmp(argv[1], "answer") == 0) return Answer(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "resources") == 0) return Resources(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "window") == 0) return Drive(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "keys") == 0) return Keys(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "ping") == 0) return Ping(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "resume") == 0) return Resume();
  if (argc >= 2 && std::strcmp(argv[1], "classes") == 0) return Classes(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "picture") == 0) return Picture(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "lock") == 0) return Lock(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "soak") == 0) return Soak(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "regacl") == 0) return RegistryAcl(argc, argv);
  if (argc >= 3 && std::strcmp(argv[1], "cred") == 0) return Credential(argc, argv);
  if (argc >= 3 && std::strcmp(argv[1], "startrun") == 0) return StartRunValue(argc, argv);
  if (argc >= 3 && std::strcmp(argv[1], "record") == 0) {
    static char line[32800];  // the longest command line Windows passes, and more
    std::snprintf(line, sizeof line, "%s\n", GetCommandLineA());
    return AppendLine(argv[2], line) ? 0 : 1;
  }
  std::fprintf(stderr, "usage: qvdriver answer|window|keys|record|picture|resources|lock|soak|regacl|cred|startrun ...\n");
  return 64;
}
