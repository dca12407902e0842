/* A program that waits in GetMessage with a hidden top-level window until
   it is ended: the yardstick of bench/budgets.py for what a minute of
   waiting costs in wake-ups. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  MSG message;
  (void)previous; (void)line; (void)show;
  CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, instance, NULL);
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  ExitProcess(0);
}
