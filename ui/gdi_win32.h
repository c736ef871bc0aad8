// Owned GDI objects, and fonts made from a design's face and point size.
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
};

// Regular weight, no italics, underline or strike-out, sized for `dpi`.
FontHandle CreateDesignFont(const FontDesign& design, int dpi);

}  // namespace nimbrel
