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

}  // namespace
}  // namespace nimbrel
