// The About picture: a JPEG among the program's resources, decoded by the
// platform's OLE picture decoder into a bitmap compatible with the screen.
// Failures give no bitmap and leave a code in the thread's last error.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

namespace qv {

// Resource `id` of type "IMAGE" in `module` (null: the program's own); none
// and ERROR_FILE_NOT_FOUND when it is missing or empty.
HBITMAP LoadResourcePicture(HMODULE module, int id);
// Encoded picture bytes; none and ERROR_INVALID_PARAMETER when they are no
// picture.
HBITMAP DecodePictureBytes(const void* bytes, DWORD length);
// The picture at its natural size in screen pixels, drawn upright.
HBITMAP RenderPictureToBitmap(IPicture* picture);

// Deletes a bitmap made here. Pictures made and not yet released are
// counted, so a leak shows even where the system does not count GDI objects.
void ReleasePicture(HBITMAP bitmap);
int LivePictures();

}  // namespace qv
