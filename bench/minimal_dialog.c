/* The smallest program showing a dialog the way the setup dialog appears:
   an empty visible template, and the same two 128 ms waits on
   WM_SHOWWINDOW. The yardstick of bench/budgets.py for time to a visible
   dialog. Started with "connect", it instead makes the unattended network
   run's connection inside the dialog's initialisation and ends it there, as
   Quorvane does: the floor of that design. */
#include <windows.h>
#include <winnetwk.h>

static BOOL Connect;

static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)wParam; (void)lParam;
  switch (message) {
    case WM_INITDIALOG:
      if (Connect) {
        NETRESOURCEA resource = {0};
        resource.dwType = RESOURCETYPE_ANY;
        resource.lpLocalName = "Q:";
        resource.lpRemoteName = "\\\\srv\\data";
        EndDialog(dialog, WNetAddConnection2A(&resource, "secret", "anna", 0) == NO_ERROR ? 0 : 1);
      }
      return FALSE;
    case WM_SHOWWINDOW:
      if (Connect) return FALSE;
      Sleep(128);
      BringWindowToTop(dialog);
      Sleep(128);
      SetForegroundWindow(dialog);
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  /* Header, no menu, no class, the title, then 8 pt and the face. */
  static WORD templ[64];
  static const char title[] = "Minimal Dialog";
  static const char face[] = "MS Sans Serif";
  DLGTEMPLATE* header = (DLGTEMPLATE*)templ;
  WORD* p = (WORD*)(header + 1);
  int i;
  (void)previous; (void)show;
  Connect = lstrcmpA(line, "connect") == 0;
  header->style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_SETFONT;
  header->cx = 268;
  header->cy = 200;
  *p++ = 0;
  *p++ = 0;
  for (i = 0; title[i] != 0; ++i) *p++ = (WORD)title[i];
  *p++ = 0;
  *p++ = 8;
  for (i = 0; face[i] != 0; ++i) *p++ = (WORD)face[i];
  *p++ = 0;
  ExitProcess((UINT)DialogBoxIndirectParamA(instance, header, NULL, Procedure, 0));
}
