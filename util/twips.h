// Converting the windows' design units, twips (1/1440 inch) and points, to pixels at a given DPI.
#pragma once

#include <cmath>

namespace nimbrel {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsPerInch = 72;

// Rounds half away from zero, as the platform's MulDiv does, so that every layout computed here
// matches one computed with MulDiv pixel for pixel.
inline int TwipsToPixels(double twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

// Not rounded: a window's size read back in twips stays exact at any DPI.
inline float PixelsToTwips(int pixels, int dpi) {
    return static_cast<float>(pixels) * kTwipsPerInch / static_cast<float>(dpi);
}

// The height of a font's em in pixels; sizes such as 8.25 pt keep their fraction until the end.
inline int PointsToPixels(double points, int dpi) {
    return static_cast<int>(std::lround(points * dpi / kPointsPerInch));
}

}  // namespace nimbrel
