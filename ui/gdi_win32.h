// Owned GDI objects, fonts made from a design's face, size and style, and the windows' white.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace nimbrel {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

struct FontDesign {
    const wchar_t* face;
    double points;  // fractions such as 8.25 count
    bool bold = false;
    bool underline = false;
};

// Bold or regular and underlined or not as designed, never italic or struck out; sized for `dpi`.
FontHandle CreateDesignFont(const FontDesign& design, int dpi);

// The stock white brush: the background of the main window and the About box.
HBRUSH WhiteBrush();

}  // namespace nimbrel
