#include "ui/picture_win32.h"

#include "util/twips.h"

namespace nimbrel {

namespace {

constexpr int kDesignDpi = 96;

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof(info), &info);
    return {info.bmWidth, info.bmHeight};
}

// The pixels the picture covers at `dpi`, as the controls laid out in twips are scaled.
int ScaledLength(int pixelsAtDesignDpi, int dpi) {
    return TwipsToPixels(PixelsToTwips(pixelsAtDesignDpi, kDesignDpi), dpi);
}

}  // namespace

void Picture::ScaleForDpi(int dpi) {
    if (!original_) {
        return;
    }
    const SIZE source = BitmapSize(original_.get());
    scaledSize_ = {ScaledLength(source.cx, dpi), ScaledLength(source.cy, dpi)};
    const HDC screen = GetDC(nullptr);
    scaled_.reset(CreateCompatibleBitmap(screen, scaledSize_.cx, scaledSize_.cy));
    const HDC from = CreateCompatibleDC(screen);
    const HDC to = CreateCompatibleDC(screen);
    const HGDIOBJ oldFrom = SelectObject(from, original_.get());
    const HGDIOBJ oldTo = SelectObject(to, scaled_.get());
    // At the design DPI the sizes match and this is a plain copy.
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);
    StretchBlt(to, 0, 0, scaledSize_.cx, scaledSize_.cy, from, 0, 0, source.cx, source.cy, SRCCOPY);
    SelectObject(to, oldTo);
    SelectObject(from, oldFrom);
    DeleteDC(to);
    DeleteDC(from);
    ReleaseDC(nullptr, screen);
}

void Picture::Paint(HDC dc, const RECT& area, HBRUSH background) const {
    const int saved = SaveDC(dc);
    if (scaled_) {
        const HDC memory = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(memory, scaled_.get());
        BitBlt(dc, 0, 0, scaledSize_.cx, scaledSize_.cy, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        // Filling only around the picture keeps it from flickering white.
        ExcludeClipRect(dc, 0, 0, scaledSize_.cx, scaledSize_.cy);
    }
    FillRect(dc, &area, background);
    RestoreDC(dc, saved);
}

}  // namespace nimbrel
