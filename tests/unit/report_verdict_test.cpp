#include <gtest/gtest.h>

#include <chrono>
#include <utility>

#include "app/report_verdict.h"
#include "app/time_reference.h"
#include "app/update_result.h"
#include "retrieval/server_clock_cycle.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {
namespace {

using namespace std::chrono;
using Time = system_clock::time_point;

Time At(int hour, int minute, int second = 0) {
    return sys_days(year(2026) / 12 / 7) + hours(hour) + minutes(minute) + seconds(second);
}

// A body of reports up to 14:52, judged against the folder.
ReportFacts Body() {
    return {.cycle = "15Z", .bodyBytes = 4000, .bodyNewest = At(14, 52)};
}

struct VerdictCase {
    const char* name;
    ReportFacts facts;
    VerdictKind kind;
};

class JudgeReportTable : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(JudgeReportTable, GivesEachReportItsVerdict) {
    EXPECT_EQ(JudgeReport(GetParam().facts).kind, GetParam().kind);
}

ReportFacts With(ReportFacts facts, auto change) {
    change(facts);
    return facts;
}

INSTANTIATE_TEST_SUITE_P(
    Table, JudgeReportTable,
    ::testing::Values(
        VerdictCase{"Failure", With(Body(), [](auto& f) { f.failure = "HTTP 500"; }),
                    VerdictKind::Failed},
        VerdictCase{"NotFoundClocksHourUnlisted",
                    With(Body(),
                         [](auto& f) {
                             f.failure = "HTTP 404";
                             f.notFound = f.clocksHourFile = true;
                         }),
                    VerdictKind::NotYetBegun},
        VerdictCase{"NotFoundClocksHourListed",
                    With(Body(),
                         [](auto& f) {
                             f.failure = "HTTP 404";
                             f.notFound = f.clocksHourFile = f.listingRead = true;
                         }),
                    VerdictKind::Failed},
        VerdictCase{"NotModified", With(Body(), [](auto& f) { f.notModified = true; }),
                    VerdictKind::NotModified},
        VerdictCase{"Stale", With(Body(), [](auto& f) { f.stale = true; }), VerdictKind::Stale},
        VerdictCase{"EmptyClocksHour",
                    With(Body(),
                         [](auto& f) {
                             f.content = BodyContent::Empty;
                             f.clocksHourFile = true;
                         }),
                    VerdictKind::NotYetBegun},
        VerdictCase{"EmptyOtherHour", With(Body(), [](auto& f) { f.content = BodyContent::Empty; }),
                    VerdictKind::NoReports},
        VerdictCase{"PageClocksHour",
                    With(Body(),
                         [](auto& f) {
                             f.content = BodyContent::Page;
                             f.clocksHourFile = true;
                         }),
                    VerdictKind::NoReports},
        VerdictCase{"Junk", With(Body(), [](auto& f) { f.content = BodyContent::Junk; }),
                    VerdictKind::NoReports},
        VerdictCase{"ClocksHourBeforeTheHourBefore",
                    With(Body(),
                         [](auto& f) {
                             f.clocksHourFile = true;
                             f.hourBeforeNewest = At(14, 52, 1);
                         }),
                    VerdictKind::NotCurrent},
        VerdictCase{"ClocksHourAtTheHourBefore",
                    With(Body(),
                         [](auto& f) {
                             f.clocksHourFile = true;
                             f.hourBeforeNewest = At(14, 52);
                         }),
                    VerdictKind::Written},
        VerdictCase{"ClocksHourBeforeTheHourBeforeButListed",
                    With(Body(),
                         [](auto& f) {
                             f.clocksHourFile = true;
                             f.listingRead = true;
                             f.hourBeforeNewest = At(14, 53);
                         }),
                    VerdictKind::Written},
        VerdictCase{"OtherHourBeforeTheHourBefore",
                    With(Body(), [](auto& f) { f.hourBeforeNewest = At(14, 53); }),
                    VerdictKind::Written},
        VerdictCase{"NothingOnDisk", Body(), VerdictKind::Written},
        VerdictCase{"DiskJustNewer", With(Body(), [](auto& f) { f.diskNewest = At(14, 52, 1); }),
                    VerdictKind::Older},
        VerdictCase{"DiskEqual", With(Body(), [](auto& f) { f.diskNewest = At(14, 52); }),
                    VerdictKind::Written},
        VerdictCase{"DiskOlder", With(Body(), [](auto& f) { f.diskNewest = At(14, 51); }),
                    VerdictKind::Written},
        VerdictCase{"BodyWithoutABelievedTime",
                    With(Body(),
                         [](auto& f) {
                             f.bodyNewest.reset();
                             f.diskNewest = At(14, 52);
                         }),
                    VerdictKind::Written},
        VerdictCase{"StandInDiskEqual",
                    With(Body(),
                         [](auto& f) {
                             f.standsIn = true;
                             f.diskNewest = At(14, 52);
                         }),
                    VerdictKind::UpToDate},
        VerdictCase{"StandInDiskNewer",
                    With(Body(),
                         [](auto& f) {
                             f.standsIn = true;
                             f.diskNewest = At(15, 0);
                         }),
                    VerdictKind::UpToDate},
        VerdictCase{"StandInDiskOlder",
                    With(Body(),
                         [](auto& f) {
                             f.standsIn = true;
                             f.diskNewest = At(14, 51, 59);
                         }),
                    VerdictKind::Written}),
    [](const auto& info) { return std::string(info.param.name); });

struct StaleCase {
    const char* name;
    std::optional<Time> response;
    std::optional<Time> writer;
    std::optional<Time> disk;
    bool stale;
};

class StaleResponse : public ::testing::TestWithParam<StaleCase> {};

TEST_P(StaleResponse, IsOneOlderThanTheReportInTheFolder) {
    EXPECT_EQ(IsStaleResponse(GetParam().response, GetParam().writer, GetParam().disk),
              GetParam().stale);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StaleResponse,
    ::testing::Values(StaleCase{"NoTime", std::nullopt, At(14, 0), At(14, 52), false},
                      StaleCase{"BeforeItsWriter", At(13, 59, 59), At(14, 0), std::nullopt, true},
                      StaleCase{"AtItsWriter", At(14, 0), At(14, 0), std::nullopt, false},
                      StaleCase{"BeyondTheSlack", At(12, 51, 59), std::nullopt, At(14, 52), true},
                      StaleCase{"AtTheSlack", At(12, 52), std::nullopt, At(14, 52), false},
                      StaleCase{"NothingToCompare", At(1, 0), std::nullopt, std::nullopt, false},
                      StaleCase{"AtTheClocksEnd", system_clock::time_point::min(), std::nullopt,
                                system_clock::time_point::min(), false}),
    [](const auto& info) { return std::string(info.param.name); });

struct SummaryCase {
    const char* name;
    std::vector<Reason> reasons;
    UpdateOutcome outcome;
    int exitCode;
    std::vector<std::string> order;
};

class UpdateSummary : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(UpdateSummary, TheWorstReasonDecidesAndAllAreListedMostSeriousFirst) {
    const UpdateResult result = Summarize(GetParam().reasons);
    EXPECT_EQ(result.outcome, GetParam().outcome);
    EXPECT_EQ(result.ExitCode(), GetParam().exitCode);
    EXPECT_EQ(result.LineColour(), GetParam().exitCode == 0 ? kBlue : kRed);
    std::vector<std::string> order;
    for (const Reason& reason : result.reasons) {
        order.push_back(reason.text);
    }
    EXPECT_EQ(order, GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateSummary,
    ::testing::Values(SummaryCase{"Nothing", {}, UpdateOutcome::Written, 0, {}},
                      SummaryCase{"Notes",
                                  {{ReasonRank::Note, "listing"}, {ReasonRank::Note, "begun"}},
                                  UpdateOutcome::Written,
                                  0,
                                  {"listing", "begun"}},
                      SummaryCase{"OldData",
                                  {{ReasonRank::Note, "listing"}, {ReasonRank::OldData, "old"}},
                                  UpdateOutcome::OldData,
                                  3,
                                  {"old", "listing"}},
                      SummaryCase{"FailuresInTheirOrderFirst",
                                  {{ReasonRank::OldData, "old"},
                                   {ReasonRank::Failure, "refused 14Z"},
                                   {ReasonRank::Failure, "404 for 13Z"},
                                   {ReasonRank::Failure, "refused 14Z"}},
                                  UpdateOutcome::Failed,
                                  1,
                                  {"refused 14Z", "404 for 13Z", "old"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResponseTime, IsTheDatePlusTheAgeWhateverItsSizeAndNeverOverflows) {
    const std::string date = "Sun, 06 Dec 2026 15:59:00 GMT";
    const Time sent = sys_days(year(2026) / 12 / 6) + hours(15) + minutes(59);
    EXPECT_EQ(ResponseTime(date, ""), sent);
    EXPECT_EQ(ResponseTime(date, "82380"), At(14, 52));
    EXPECT_EQ(ResponseTime(date, " 60 "), sent + minutes(1));
    EXPECT_EQ(ResponseTime(date, "90000"), sent + hours(25));
    for (const char* junk : {"-60", "1e3", "soon", "60s"}) {
        EXPECT_EQ(ResponseTime(date, junk), sent) << junk;
    }
    EXPECT_EQ(ResponseTime("yesterday", "60"), std::nullopt);
    const auto end = ResponseTime("Fri, 11 Apr 2262 23:47:00 GMT", "86400");
    EXPECT_EQ(end, system_clock::time_point::max());
    EXPECT_EQ(ResponseTime(date, "99999999999999999999999"), system_clock::time_point::max());
}

// One answer: its Date so far off the true time, how far off the reference reads once it has
// come, and its Age header.
struct Answer {
    seconds dateOff, referenceOff;
    std::string age = "";
};

struct ReferenceCase {
    const char* name;
    std::vector<Answer> answers;
    hours localOff{0};  // this computer's clock
};

class TimeReferenceTable : public ::testing::TestWithParam<ReferenceCase> {};

// The run starts at 14:00, and the answers come a minute apart.
TEST_P(TimeReferenceTable, NoAnswerMovesItFarAlone) {
    TimeReference reference;
    minutes at{0};
    seconds off = GetParam().localOff;
    for (const Answer& answer : GetParam().answers) {
        const Time truth = At(14, 0) + at;
        const Time local = truth + GetParam().localOff;
        const seconds moved =
            reference.Observe(FormatHttpDate(truth + answer.dateOff), answer.age, at, local);
        EXPECT_EQ(SecondsBetween(truth, reference.Now(at, local)).count(),
                  answer.referenceOff.count())
            << "after the answer at minute " << at.count();
        EXPECT_EQ(moved, answer.referenceOff - std::exchange(off, answer.referenceOff));
        at += minutes(1);
    }
}

constexpr seconds kHour = hours(1);
constexpr seconds kFiveYears = days(5 * 365);

INSTANTIATE_TEST_SUITE_P(
    Table, TimeReferenceTable,
    ::testing::Values(
        ReferenceCase{"OneAnHourAheadThenHonestOnes", {{0s, 0s}, {kHour, 0s}, {0s, 0s}, {0s, 0s}}},
        ReferenceCase{"OneThreeHoursAheadThenHonestOnes", {{0s, 0s}, {3 * kHour, 0s}, {0s, 0s}}},
        ReferenceCase{"OneAnHourBehind", {{0s, 0s}, {-kHour, 0s}, {0s, 0s}}},
        ReferenceCase{"RefinedEitherWayWithinTwoMinutes",
                      {{0s, 0s}, {90s, 90s}, {-30s, -30s}, {100s, -30s}}},
        ReferenceCase{"TwoThatAgreeAhead", {{0s, 0s}, {kHour, 0s}, {kHour + 60s, kHour + 60s}}},
        ReferenceCase{"TwoThatAgreeBehind", {{0s, 0s}, {-3 * kHour, 0s}, {-3 * kHour, -3 * kHour}}},
        ReferenceCase{
            "AnHonestOneBetweenTwoFarOnes",
            {{0s, 0s}, {kFiveYears, 0s}, {0s, 0s}, {kFiveYears, 0s}, {kFiveYears, kFiveYears}}},
        ReferenceCase{"FirstAgedADayAndAnHourClockHereRight",
                      {{-25 * kHour, 0s, "90000"}, {-kHour, 0s}}},
        ReferenceCase{"FirstAgedADayAndAnHourClockHereWrong",
                      {{-25 * kHour, 5 * kHour, "90000"}, {-25 * kHour, 0s, "90000"}},
                      hours(5)},
        ReferenceCase{"FirstAgedBeyondACenturyClockHereRight",
                      {{0s, 0s, "4000000000"}, {0s, 0s}, {kHour, 0s}}},
        ReferenceCase{"FirstAgedBeyondACenturyClockHereWrong",
                      {{0s, -5 * kHour, "4000000000"}, {0s, 0s}},
                      hours(-5)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nimbrel
