// System DLLs that only some runs need, loaded from the system directory at
// their first use rather than by every start: a log-on run that starts no
// program and shows nothing never maps them. The program imports only
// KnownDLLs, which Windows never looks for in the program's folder, and
// loads every other DLL by its full path, with its dependencies searched in
// System32 only where the system offers that, so a DLL planted beside a
// copy in Downloads or on a writable share is not loaded by these loads.
// SetDefaultDllDirectories would close that hole for the whole process, but
// network providers (which mpr loads) and shell extensions may keep their
// own dependencies in their own folders, and would then fail to load.
#pragma once

#include <windows.h>

namespace qv {

enum class SystemDll { Shell32, Ole32, OleAut32, Version, Comdlg32, Iphlpapi, Wtsapi32, Mpr };

// The function `name` of `dll`, which is loaded from the system directory
// (never the program's folder or the current one) the first time; null when
// either cannot be had, and the caller then fails as the call would.
FARPROC SystemProc(SystemDll dll, const char* name);

template <typename Function>
Function SystemFunction(SystemDll dll, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemProc(dll, name)));
}

// The themed controls of Common Controls 6, before the first dialog with
// controls is made; once per process. A silent log-on run never loads them.
void InitializeCommonControls();

// COM in a single-threaded apartment, as the shell's calls want it: once
// per process, just before the first shell or OLE call.
void InitializeCom();

}  // namespace qv
