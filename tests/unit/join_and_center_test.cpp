#include <gtest/gtest.h>

#include "tests/fake/fake_controls.h"
#include "util/center_form.h"
#include "util/join_path.h"

namespace nimbrel {
namespace {

struct JoinCase {
    const char* left;
    const char* right;
    const char* expected;
};

class JoinPathDefaultSeparator : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinPathDefaultSeparator, AddsOneBackslashOnlyWhereNeitherSideHasIt) {
    const JoinCase& c = GetParam();
    EXPECT_EQ(JoinPath(c.left, c.right), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, JoinPathDefaultSeparator,
    ::testing::Values(JoinCase{"C:\\A\\", "x", "C:\\A\\x"}, JoinCase{"C:\\A", "\\x", "C:\\A\\x"},
                      JoinCase{"C:\\A", "x", "C:\\A\\x"}, JoinCase{"C:\\A\\", "\\x", "C:\\A\\\\x"},
                      JoinCase{"", "x", "\\x"}, JoinCase{"C:\\A", "", "C:\\A\\"},
                      JoinCase{"", "", "\\"}, JoinCase{"C:/A/", "x", "C:/A/\\x"}));

TEST(JoinPathGivenSeparator, UsesItTheSameWay) {
    EXPECT_EQ(JoinPath("a", "b", "/"), "a/b");
    EXPECT_EQ(JoinPath("a/", "b", "/"), "a/b");
    EXPECT_EQ(JoinPath("a\\", "b", "/"), "a\\/b");
    EXPECT_EQ(JoinPath("a", "b", ""), "ab");
    // A side shorter than the separator never matches it.
    EXPECT_EQ(JoinPath("a", "b", "::"), "a::b");
    EXPECT_EQ(JoinPath("x::", "b", "::"), "x::b");
}

struct CenterCase {
    float width;
    float height;
    float left;
    float top;
};

class CenterFormOnScreen : public ::testing::TestWithParam<CenterCase> {};

TEST_P(CenterFormOnScreen, KeepsHalfTwipsAndOverhangsEvenly) {
    const CenterCase& c = GetParam();
    fake::FakeScreen screen(12000, 9000);
    fake::FakeForm form(c.width, c.height);
    CenterForm(screen, form);
    EXPECT_FLOAT_EQ(form.left, c.left);
    EXPECT_FLOAT_EQ(form.top, c.top);
}

INSTANTIATE_TEST_SUITE_P(Table, CenterFormOnScreen,
                         ::testing::Values(CenterCase{6000, 3600, 3000, 2700},
                                           CenterCase{6000, 3615, 3000, 2692.5f},
                                           CenterCase{6000, 9600, 3000, -300},
                                           CenterCase{13000, 9000, -500, 0}));

struct MonitorCase {
    MonitorArea monitor;
    int left;  // of a 900 x 400 pixel window, centred
    int top;
};

class CenterFormOnItsMonitor : public ::testing::TestWithParam<MonitorCase> {};

TEST_P(CenterFormOnItsMonitor, InPixelsFromTheMonitorsCorner) {
    const MonitorPlacement placement(GetParam().monitor);
    fake::FakeScreen screen(placement.Width(), placement.Height());
    fake::FakeForm form(placement.Twips(900), placement.Twips(400));
    CenterForm(screen, form);
    EXPECT_EQ(placement.DesktopLeft(form.left), GetParam().left);
    EXPECT_EQ(placement.DesktopTop(form.top), GetParam().top);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CenterFormOnItsMonitor,
    ::testing::Values(MonitorCase{{0, 0, 1920, 1080, 96}, 510, 340},
                      // A 200 % panel left of the primary monitor, a 150 % one above it.
                      MonitorCase{{-2560, 0, 2560, 1440, 192}, -1730, 520},
                      MonitorCase{{0, -1440, 2560, 1440, 144}, 830, -920}));

}  // namespace
}  // namespace nimbrel
