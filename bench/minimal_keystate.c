/* The smallest Win32 GUI program that reads the keyboard state, as every
   start of Quorvane must (Shift opens the setup dialog): the second
   yardstick of bench/budgets.py. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  (void)instance; (void)previous; (void)line; (void)show;
  GetKeyState(VK_SHIFT);
  ExitProcess(0);
}
