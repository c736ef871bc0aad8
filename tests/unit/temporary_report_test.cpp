#include <gtest/gtest.h>

#include "retrieval/temporary_report.h"

namespace nimbrel {
namespace {

using std::chrono::minutes;

struct LeftoverCase {
    std::string name;
    minutes age;
    bool leftover;
};

class Leftover : public ::testing::TestWithParam<LeftoverCase> {};

TEST_P(Leftover, IsOnlyAnOldTemporaryFileOfAWrite) {
    EXPECT_EQ(IsLeftoverTemporaryReport(GetParam().name, GetParam().age), GetParam().leftover)
        << GetParam().name;
}

const std::string kOurs = TemporaryReportPath("CurrentMETAR.txt", 4242, 17);

INSTANTIATE_TEST_SUITE_P(
    Table, Leftover,
    ::testing::Values(LeftoverCase{kOurs, minutes(11), true},
                      LeftoverCase{kOurs, minutes(9), false},  // a write may still be under way
                      LeftoverCase{"CurrentMETAR.txt", minutes(60), false},
                      LeftoverCase{"rf25a9.tmp", minutes(60), false},
                      LeftoverCase{"notes.nimbrel-draft.tmp", minutes(60), false},
                      LeftoverCase{"x.nimbrel-12-.tmp", minutes(60), false},
                      LeftoverCase{".nimbrel-12-3.tmp", minutes(60), false},
                      LeftoverCase{kOurs + ".txt", minutes(60), false}));

}  // namespace
}  // namespace nimbrel
