#include "ui/dialog_runner.h"

#include "platform/win32/system_library.h"

namespace qv {

HICON ApplicationIcon = nullptr;

namespace {

// One icon a size, loaded once: a few sizes at most in any session.
HICON IconOfSize(int size) {
  static struct {
    int size;
    HICON icon;
  } loaded[8];
  for (const auto& entry : loaded) {
    if (entry.size == size) return entry.icon;
  }
  HICON icon = static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(500), IMAGE_ICON, size, size, 0));
  for (auto& entry : loaded) {
    if (entry.size == 0) {
      entry = {size, icon};
      break;
    }
  }
  return icon;
}

}  // namespace

void ComeForward(HWND dialog) {
  Sleep(128);
  BringWindowToTop(dialog);
  Sleep(128);
  SetForegroundWindow(dialog);
}

UINT WindowDpi(HWND window) {
  using DpiForWindow = UINT(WINAPI*)(HWND);
  static const auto dpiFor = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  const UINT dpi = dpiFor != nullptr ? dpiFor(window) : 0;
  if (dpi != 0) return dpi;
  HDC screen = GetDC(nullptr);
  const int system = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return system > 0 ? UINT(system) : 96;
}

void SetIconsForDpi(HWND window, HICON icon) {
  // Before Windows 10 1607 the system's metrics are every window's.
  using MetricsForDpi = int(WINAPI*)(int, UINT);
  static const auto metricsFor = reinterpret_cast<MetricsForDpi>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
  const UINT dpi = WindowDpi(window);
  const auto metric = [&](int index) {
    return metricsFor != nullptr ? metricsFor(index, dpi) : GetSystemMetrics(index);
  };
  HICON big = IconOfSize(metric(SM_CXICON));
  HICON small = IconOfSize(metric(SM_CXSMICON));
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big != nullptr ? big : icon));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small != nullptr ? small : icon));
}

void SetIconFromArguments(HWND dialog, LPARAM parameter) {
  SetIconsForDpi(dialog, reinterpret_cast<const DialogArguments*>(parameter)->icon);
}

INT_PTR RunDialogTemplate(const DialogTemplate& dialog, HWND owner,
                          DLGPROC procedure, LPARAM parameter) {
  // Only a dialog with controls needs them: the log-on run's bare dialog
  // loads no comctl32.
  if (dialog.count > 0) InitializeCommonControls();
  HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, dialog.blockSize);
  if (block == nullptr) return -1;
  INT_PTR result = -1;
  if (WriteDialogTemplate(dialog, static_cast<uint8_t*>(block), dialog.blockSize) != 0) {
    result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                     static_cast<LPCDLGTEMPLATEA>(block), owner,
                                     procedure, parameter);
  }
  GlobalFree(block);
  return result;
}

INT_PTR RunSubDialog(const DialogTemplate& dialog, HWND owner, HICON icon,
                     DLGPROC procedure) {
  DialogArguments arguments = {owner, icon};
  return RunDialogTemplate(dialog, owner, procedure, reinterpret_cast<LPARAM>(&arguments));
}

}  // namespace qv
