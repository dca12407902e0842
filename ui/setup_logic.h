// What the setup dialog and the macro menu decide; their Win32 procedures
// only move texts and clicks to and from here.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace qv {

// "Save": refuses a share address holding "%SHARE%" (warning, focus back on
// the field, nothing saved); otherwise sets StartUp and UpdateMode from the
// boxes, applies the start-with-system entry and saves the "MAIN" section.
// A file or Run key that refuses the change gets one message box saying
// what was not saved and why. Returns true when everything was saved.
bool SaveSetup(Window dialog);

// "Map Drive Now": the controls into Settings (nothing is saved), then map.
void MapNow(Window dialog);

// A folder chosen with the browser becomes the share address, ending with a
// backslash; shown in field 3. Empty paths change nothing.
void TakeBrowsedPath(Window dialog, const char* path);

// The About caption: `caption` (the template's) followed by " Version: "
// and the running program's "FileVersion", cut to 259 characters; left as
// it is when the program has no version block.
void AboutCaption(char* caption, size_t cap);

// The About picture's place in client pixels. At 96 DPI it is 200 x 190 at
// (92, 52); elsewhere it follows the dialog by its base units against their
// 96-DPI values, from those figures so that no round trip shifts it. Base
// units that cannot be had leave it at its 96-DPI place.
struct PicturePlace {
  int x, y, width, height;
};
inline constexpr PicturePlace kAboutPictureAt96 = {92, 52, 200, 190};
PicturePlace AboutPicturePlace(int baseX, int baseY, int baseX96, int baseY96);

// Whether a field with this control ID takes macros while `uiMode` holds.
bool TakesMacros(int uiMode, int controlId);

// The text of a field after inserting `name` over the selection
// [start, end) of `text`; false (and `out` untouched) when the result would
// pass 259 characters or the selection lies outside the text.
bool InsertMacro(const char* text, size_t start, size_t end, const char* name,
                 char* out, size_t cap);

}  // namespace qv
