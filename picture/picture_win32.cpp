#include "picture/picture.h"

#include <cstring>

#include "platform/win32/system_library.h"

namespace qv {

namespace {

// IID_IPicture, here so that no import library of GUIDs is needed.
const IID kPictureInterface = {0x7BF80980, 0xBF32, 0x101A,
                               {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

int live = 0;

}  // namespace

void ReleasePicture(HBITMAP bitmap) {
  if (bitmap != nullptr && DeleteObject(bitmap)) --live;
}

int LivePictures() { return live; }

HBITMAP LoadResourcePicture(HMODULE module, int id) {
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), "IMAGE");
  const DWORD size = resource != nullptr ? SizeofResource(module, resource) : 0;
  const void* bytes = size != 0 ? LockResource(LoadResource(module, resource)) : nullptr;
  if (size == 0 || bytes == nullptr) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return DecodePictureBytes(bytes, size);
}

HBITMAP DecodePictureBytes(const void* bytes, DWORD length) {
  InitializeCom();
  const auto toStream = SystemFunction<decltype(&CreateStreamOnHGlobal)>(
      SystemDll::Ole32, "CreateStreamOnHGlobal");
  const auto decode =
      SystemFunction<decltype(&OleLoadPicture)>(SystemDll::OleAut32, "OleLoadPicture");
  if (toStream == nullptr || decode == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  HBITMAP bitmap = nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length != 0 ? length : 1);
  IStream* stream = nullptr;
  if (block != nullptr) {
    void* copy = GlobalLock(block);
    std::memcpy(copy, bytes, length);
    GlobalUnlock(block);
    // From here the stream owns the block and frees it once, on release.
    if (FAILED(toStream(block, TRUE, &stream))) {
      GlobalFree(block);
      stream = nullptr;
    }
  }
  IPicture* picture = nullptr;
  if (stream != nullptr) {
    // Run mode off: the picture then owns the bitmap it decodes and frees it
    // on release; a picture in run mode may not, and each load would leak it.
    decode(stream, 0, FALSE, kPictureInterface, reinterpret_cast<void**>(&picture));
  }
  bitmap = RenderPictureToBitmap(picture);
  const DWORD error = GetLastError();
  if (stream != nullptr) stream->Release();
  if (picture != nullptr) picture->Release();
  SetLastError(error);  // the cleanup must not hide why there is no bitmap
  return bitmap;
}

HBITMAP RenderPictureToBitmap(IPicture* picture) {
  if (picture == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = nullptr;
  if (memory != nullptr) {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    const int pixelsWide = MulDiv(width, GetDeviceCaps(screen, LOGPIXELSX), 2540);
    const int pixelsHigh = MulDiv(height, GetDeviceCaps(screen, LOGPIXELSY), 2540);
    // Compatible with the screen: one compatible with the fresh memory
    // context would be monochrome.
    bitmap = CreateCompatibleBitmap(screen, pixelsWide, pixelsHigh);
    HGDIOBJ previous = bitmap != nullptr ? SelectObject(memory, bitmap) : nullptr;
    if (bitmap != nullptr && previous == nullptr) {
      DeleteObject(bitmap);
      bitmap = nullptr;
    } else if (bitmap != nullptr) {
      // From the bottom edge with a negative height: upright.
      const HRESULT rendered = picture->Render(memory, 0, 0, pixelsWide, pixelsHigh, 0, height,
                                               width, -height, nullptr);
      SelectObject(memory, previous);
      if (FAILED(rendered)) {
        DeleteObject(bitmap);
        bitmap = nullptr;
        SetLastError(static_cast<DWORD>(rendered));
      } else {
        ++live;
      }
    }
    DeleteDC(memory);
  }
  ReleaseDC(nullptr, screen);
  return bitmap;
}

}  // namespace qv
