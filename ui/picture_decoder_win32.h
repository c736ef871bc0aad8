// Pictures kept in the program's resources in their own file formats (PNG, JPEG, GIF, BMP), decoded
// by the Windows Imaging Component.
#pragma once

#include <windows.h>

#include "ui/gdi_win32.h"

namespace nimbrel {

// The first frame of the RCDATA resource `resourceId` as a 32-bit bitmap; null when the
// resource is missing or cannot be decoded. Needs COM on the calling thread.
BitmapHandle DecodePictureResource(HINSTANCE instance, int resourceId);

}  // namespace nimbrel
