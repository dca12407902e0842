// The About dialog: the picture, the program's version in the caption.
#pragma once

#include <windows.h>

namespace qv {

INT_PTR ShowAbout(HWND owner, HICON icon);

}  // namespace qv
