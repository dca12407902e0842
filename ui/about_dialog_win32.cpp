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
PicturePlace Place = kAboutPictureAt96;
// Posted to itself after a change of DPI, once the dialog manager has
// rescaled the dialog and its font.
constexpr UINT kPlaceAgain = WM_APP + 1;

// The base units of `font` as the dialog manager computes them: the mean
// width of the 52 letters, rounded, and the height.
SIZE BaseUnits(HDC dc, HFONT font) {
  HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICA metrics = {};
  SIZE letters = {};
  GetTextMetricsA(dc, &metrics);
  GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
  SelectObject(dc, previous);
  return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

// The dialog's base units now, against those of its font at 96 DPI.
void PlacePicture(HWND dialog) {
  RECT units = {0, 0, 4, 8};
  MapDialogRect(dialog, &units);
  const HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  LOGFONTA face = {};
  HDC dc = GetDC(dialog);
  const int dpi = int(WindowDpi(dialog));
  SIZE at96 = {0, 0};
  if (font != nullptr && dc != nullptr && GetObjectA(font, sizeof face, &face) != 0) {
    face.lfHeight = MulDiv(face.lfHeight, 96, dpi);
    face.lfWidth = MulDiv(face.lfWidth, 96, dpi);
    HFONT small = CreateFontIndirectA(&face);
    if (small != nullptr) {
      at96 = BaseUnits(dc, small);
      DeleteObject(small);
    }
  }
  if (dc != nullptr) ReleaseDC(dialog, dc);
  Place = AboutPicturePlace(units.right, units.bottom, at96.cx, at96.cy);
}

// The picture's own pixels where nothing grows, smoothed where it does.
void PaintPicture(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = AboutPicture != nullptr ? SelectObject(memory, AboutPicture) : nullptr;
  const PicturePlace& p = Place;
  const PicturePlace& own = kAboutPictureAt96;
  if (p.width == own.width && p.height == own.height) {
    BitBlt(dc, p.x, p.y, p.width, p.height, memory, 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, p.x, p.y, p.width, p.height, memory, 0, 0, own.width, own.height, SRCCOPY);
  }
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
      PlacePicture(dialog);
      return FALSE;
    }
    case WM_PAINT:
      PaintPicture(dialog);
      return FALSE;
    case WM_DPICHANGED:
      // Moved to a monitor of another DPI: the dialog manager rescales the
      // dialog first, then the picture follows it.
      SetIconsForDpi(dialog);
      PostMessageA(dialog, kPlaceAgain, 0, 0);
      return FALSE;
    case kPlaceAgain:
      PlacePicture(dialog);
      InvalidateRect(dialog, nullptr, TRUE);
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
