#include <gtest/gtest.h>

#include "util/twips.h"

namespace nimbrel {
namespace {

TEST(TwipsToPixels, FifteenTwipsMakeOnePixelAt96Dpi) {
    EXPECT_EQ(TwipsToPixels(5820, 96), 388);
    EXPECT_EQ(TwipsToPixels(6720, 96), 448);
    EXPECT_EQ(TwipsToPixels(1725, 96), 115);
    EXPECT_EQ(TwipsToPixels(60, 96), 4);
}

TEST(TwipsToPixels, ScalesWithTheDpi) {
    EXPECT_EQ(TwipsToPixels(6720, 144), 672);
    EXPECT_EQ(TwipsToPixels(6720, 120), 560);
    EXPECT_EQ(TwipsToPixels(1440, 192), 192);
}

TEST(TwipsToPixels, RoundsHalvesAwayFromZeroLikeMulDiv) {
    EXPECT_EQ(TwipsToPixels(285, 144), 29);     // 28.5
    EXPECT_EQ(TwipsToPixels(2692.5, 96), 180);  // 179.5
    EXPECT_EQ(TwipsToPixels(-112.5, 96), -8);   // -7.5
    EXPECT_EQ(TwipsToPixels(7, 96), 0);         // 0.47
    EXPECT_EQ(TwipsToPixels(8, 96), 1);         // 0.53
}

TEST(PixelsToTwips, KeepsFractions) {
    EXPECT_FLOAT_EQ(PixelsToTwips(448, 96), 6720);
    EXPECT_FLOAT_EQ(PixelsToTwips(1024, 96), 15360);
    EXPECT_FLOAT_EQ(PixelsToTwips(1, 144), 10);
    EXPECT_FLOAT_EQ(PixelsToTwips(1, 120), 12);
    EXPECT_FLOAT_EQ(PixelsToTwips(3, 192), 22.5f);
}

TEST(PointsToPixels, KeepsFractionalPointSizesUntilRounding) {
    EXPECT_EQ(PointsToPixels(8.25, 96), 11);
    EXPECT_EQ(PointsToPixels(9, 96), 12);
    EXPECT_EQ(PointsToPixels(9.75, 96), 13);
    EXPECT_EQ(PointsToPixels(8.25, 144), 17);  // 16.5
    EXPECT_EQ(PointsToPixels(9.75, 144), 20);  // 19.5
    EXPECT_EQ(PointsToPixels(9, 120), 15);
}

}  // namespace
}  // namespace nimbrel
