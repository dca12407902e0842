#include "platform/win32/system_library.h"

#include <commctrl.h>
#include <objbase.h>

namespace qv {

namespace {

constexpr const char* kFileNames[] = {"\\shell32.dll", "\\ole32.dll", "\\oleaut32.dll",
                                      "\\version.dll", "\\comdlg32.dll",
                                      "\\iphlpapi.dll", "\\wtsapi32.dll", "\\mpr.dll"};
HMODULE Loaded[sizeof kFileNames / sizeof *kFileNames];

// The full path keeps the DLL itself out of the program's folder, but not
// its own dependencies: where the system can (Windows 8, or 7 with
// KB2533623, which brought AddDllDirectory), they come from System32 too.
DWORD DependencySearch() {
  static const bool searchFlags =
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "AddDllDirectory") != nullptr;
  return searchFlags ? LOAD_LIBRARY_SEARCH_SYSTEM32 : 0;
}

}  // namespace

FARPROC SystemProc(SystemDll dll, const char* name) {
  HMODULE& module = Loaded[int(dll)];
  if (module == nullptr) {
    char path[MAX_PATH + 16];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      lstrcatA(path, kFileNames[int(dll)]);
      module = LoadLibraryExA(path, nullptr, DependencySearch());
    }
  }
  return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

void InitializeCommonControls() {
  static bool done = false;
  if (done) return;
  done = true;
  // By its bare name, the one DLL loaded so: the activation context of the
  // manifest then redirects it to version 6 in the side-by-side store; a
  // full system path would bypass that and give version 5.82.
  HMODULE comctl = LoadLibraryA("comctl32.dll");
  const auto initialize = comctl != nullptr
      ? reinterpret_cast<decltype(&InitCommonControlsEx)>(
            reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))
      : nullptr;
  if (initialize == nullptr) return;  // the controls are then classic ones
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  initialize(&controls);
}

void InitializeCom() {
  static bool done = false;
  if (done) return;
  done = true;
  const auto initialize =
      SystemFunction<decltype(&CoInitializeEx)>(SystemDll::Ole32, "CoInitializeEx");
  if (initialize != nullptr) initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
}

}  // namespace qv
