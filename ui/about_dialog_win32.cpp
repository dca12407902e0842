#include "ui/about_dialog_win32.h"

#include "picture/picture.h"
#include "settings/text.h"
#include "ui/control_ids.h"
#include "ui/dialog_runner.h"
#include "ui/setup_logic.h"

namespace qv {

namespace {

// Loaded when the dialog opens, released when it ends.
HBITMAP AboutPicture = nullptr;

// Device pixels, not dialog units: the picture's own size.
void PaintPicture(HWND window, int x, int y, int width, int height) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = AboutPicture != nullptr ? SelectObject(memory, AboutPicture) : nullptr;
  BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
  if (previous != nullptr) SelectObject(memory, previous);
  DeleteDC(memory);
  EndPaint(window, &paint);
}

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetIconFromArguments(dialog, lParam);
      AboutPicture = LoadResourcePicture(GetModuleHandleA(nullptr), 600);
      char caption[kTextSize] = "";
      GetWindowTextA(dialog, caption, sizeof caption);
      AboutCaption(caption, sizeof caption);
      SetWindowTextA(dialog, caption);
      return FALSE;
    }
    case WM_PAINT:
      PaintPicture(dialog, 92, 52, 200, 190);
      return FALSE;
    case WM_COMMAND:
      if (wParam == IDB_ABOUT_OK) EndDialog(dialog, 0);  // OK or Enter; Escape is 2
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return FALSE;
    case WM_DESTROY:
      ReleasePicture(AboutPicture);
      AboutPicture = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR ShowAbout(HWND owner, HICON icon) {
  return RunSubDialog(kAboutDialog, owner, icon, AboutProcedure);
}

}  // namespace qv
