#include "ui/gdi_win32.h"

#include "util/twips.h"

namespace nimbrel {

FontHandle CreateDesignFont(const FontDesign& design, int dpi) {
    LOGFONTW font{};
    // Negative: the em, without the internal leading, is the size the design names.
    font.lfHeight = -PointsToPixels(design.points, dpi);
    font.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
    font.lfUnderline = design.underline;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(font.lfFaceName, design.face, LF_FACESIZE);
    return FontHandle(CreateFontIndirectW(&font));
}

HBRUSH WhiteBrush() {
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

}  // namespace nimbrel
