/* The smallest Win32 GUI program: a yardstick of bench/budgets.py. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  (void)instance; (void)previous; (void)line; (void)show;
  ExitProcess(0);
}
