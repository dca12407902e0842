/* The smallest program making the connection an unattended network run
   makes: the yardstick of bench/budgets.py. */
#include <windows.h>
#include <winnetwk.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  NETRESOURCEA resource = {0};
  (void)instance; (void)previous; (void)line; (void)show;
  resource.dwType = RESOURCETYPE_ANY;
  resource.lpLocalName = "Q:";
  resource.lpRemoteName = "\\\\srv\\data";
  ExitProcess(WNetAddConnection2A(&resource, "secret", "anna", 0) == NO_ERROR ? 0 : 1);
}
