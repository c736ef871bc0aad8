// A picture that a window or a picture box paints: drawn unscaled from the top-left corner at
// 96 DPI, and scaled with the layout at other DPIs.
#pragma once

#include <windows.h>

#include <utility>

#include "ui/gdi_win32.h"

namespace nimbrel {

class Picture {
  public:
    // A null bitmap, such as a missing resource, leaves only the background colour.
    explicit Picture(BitmapHandle original) : original_(std::move(original)) {}

    // Makes the copy that Paint draws, once per DPI change rather than at every paint.
    void ScaleForDpi(int dpi);
    // The picture, and `background` in whatever part of `area` it does not cover.
    void Paint(HDC dc, const RECT& area, HBRUSH background) const;

  private:
    BitmapHandle original_;
    BitmapHandle scaled_;
    SIZE scaledSize_{};
};

}  // namespace nimbrel
