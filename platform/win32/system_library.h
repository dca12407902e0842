// System DLLs that only some runs need, loaded from the system directory at
// their first use rather than by every start: a log-on run that starts no
// program and shows nothing never maps them.
#pragma once

#include <windows.h>

namespace qv {

enum class SystemDll { Shell32, Ole32, OleAut32, Version, Comdlg32, Iphlpapi, Wtsapi32 };

// The function `name` of `dll`, which is loaded from the system directory
// (never the program's folder or the current one) the first time; null when
// either cannot be had, and the caller then fails as the call would.
FARPROC SystemProc(SystemDll dll, const char* name);

template <typename Function>
Function SystemFunction(SystemDll dll, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemProc(dll, name)));
}

// COM in a single-threaded apartment, as the shell's calls want it: once
// per process, just before the first shell or OLE call.
void InitializeCom();

}  // namespace qv
