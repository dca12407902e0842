/* The smallest Win32 GUI program: the yardstick of the start-up benchmark. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  (void)instance; (void)previous; (void)line; (void)show;
  ExitProcess(0);
}
