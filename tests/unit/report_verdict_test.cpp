#include <gtest/gtest.h>

#include <chrono>

#include "app/report_verdict.h"
#include "app/time_reference.h"
#include "app/update_result.h"

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

TEST(ResponseTime, IsTheDatePlusTheAgeAndNeverOverflows) {
    const std::string date = "Sun, 06 Dec 2026 15:59:00 GMT";
    const Time sent = sys_days(year(2026) / 12 / 6) + hours(15) + minutes(59);
    EXPECT_EQ(ResponseTime(date, ""), sent);
    EXPECT_EQ(ResponseTime(date, "82380"), At(14, 52));
    EXPECT_EQ(ResponseTime(date, " 60 "), sent + minutes(1));
    EXPECT_EQ(ResponseTime(date, "86400"), sent + days(1));
    EXPECT_EQ(ResponseTime(date, "86401"), sent) << "no cache keeps a copy longer";
    for (const char* junk : {"-60", "1e3", "soon", "60s"}) {
        EXPECT_EQ(ResponseTime(date, junk), sent) << junk;
    }
    EXPECT_EQ(ResponseTime("yesterday", "60"), std::nullopt);
    const auto end = ResponseTime("Fri, 11 Apr 2262 23:47:00 GMT", "86400");
    EXPECT_EQ(end, system_clock::time_point::max());
}

TEST(TimeReference, FollowsTheServersAndNeverGoesBack) {
    TimeReference reference;
    EXPECT_EQ(reference.Now(milliseconds(0), At(3, 0)), At(3, 0)) << "this computer's, until then";
    reference.Observe(At(14, 0), milliseconds(1000));
    EXPECT_EQ(reference.Now(minutes(1) + milliseconds(1000), At(3, 0)), At(14, 1));
    reference.Observe(At(10, 0), minutes(2) + milliseconds(1000));  // a cache's copy
    EXPECT_EQ(reference.Now(minutes(2) + milliseconds(1000), At(3, 0)), At(14, 2));
    reference.Observe(At(14, 30), minutes(3) + milliseconds(1000));
    EXPECT_EQ(reference.Now(minutes(4) + milliseconds(1000), At(3, 0)), At(14, 31));
    reference.Observe(system_clock::time_point::max() - seconds(1), minutes(5));
    reference.Observe(system_clock::time_point::max() - seconds(1), minutes(6));
    EXPECT_EQ(reference.Now(hours(5), At(3, 0)), system_clock::time_point::max());
}

TEST(TimeReference, MovesFarOnlyWhenTwoResponsesAgree) {
    const Time k2031 = sys_days(year(2031) / 1 / 1);
    TimeReference reference;
    reference.Observe(At(14, 0), minutes(0));
    reference.Observe(k2031, minutes(1));  // one mirror's wrong clock
    reference.Observe(At(14, 2), minutes(2));
    reference.Observe(k2031, minutes(3));  // again, but a sane answer came between
    EXPECT_EQ(reference.Now(minutes(4), At(3, 0)), At(14, 4));
    reference.Observe(k2031 + minutes(1), minutes(4));
    EXPECT_EQ(reference.Now(minutes(5), At(3, 0)), k2031 + minutes(2));
    reference.Observe(At(14, 5), minutes(5));  // years back, and then once more
    reference.Observe(At(14, 6), minutes(6));
    EXPECT_EQ(reference.Now(minutes(7), At(3, 0)), At(14, 7));
}

}  // namespace
}  // namespace nimbrel
