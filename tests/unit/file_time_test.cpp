#include <gtest/gtest.h>

#include "util/file_time.h"

namespace nimbrel {
namespace {

using namespace std::chrono;

TEST(FileTimeToTimePoint, TheUnixEpochIsWhereTheStandardClockStarts) {
    EXPECT_EQ(FileTimeToTimePoint(116'444'736'000'000'000ULL).time_since_epoch(), seconds(0));
}

TEST(FileTimeToTimePoint, KnownInstant) {
    // 2024-02-29 13:45:07.1234567 UTC.
    const auto expected = sys_days{2024y / February / 29} + hours(13) + minutes(45) + seconds(7) +
                          microseconds(123456);
    const auto converted = FileTimeToTimePoint(133'536'879'071'234'567ULL);
    EXPECT_EQ(duration_cast<microseconds>(converted.time_since_epoch()),
              duration_cast<microseconds>(expected.time_since_epoch()));
}

TEST(FileTimeToTimePoint, BeforeTheUnixEpoch) {
    // 1969-12-31 23:59:59 UTC.
    EXPECT_EQ(FileTimeToTimePoint(116'444'735'990'000'000ULL).time_since_epoch(), seconds(-1));
}

}  // namespace
}  // namespace nimbrel
