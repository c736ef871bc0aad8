// A window's background picture from a bitmap resource: drawn unscaled from the top-left corner
// of the client area at 96 DPI, and scaled with the layout at other DPIs.
#pragma once

#include <windows.h>

#include "ui/gdi_win32.h"

namespace nimbrel {

class Picture {
  public:
    // A missing resource leaves only the background colour.
    Picture(HINSTANCE instance, int resourceId);

    // Makes the copy that Paint draws, once per DPI change rather than at every paint.
    void ScaleForDpi(int dpi);
    // The picture, and `background` in whatever part of `client` it does not cover.
    void Paint(HDC dc, const RECT& client, HBRUSH background) const;

  private:
    BitmapHandle original_;
    BitmapHandle scaled_;
    SIZE scaledSize_{};
};

}  // namespace nimbrel
