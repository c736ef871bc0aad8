#include <gtest/gtest.h>

#include <functional>

#include "tests/unit/update_fixture.h"

namespace nimbrel {
namespace {

using namespace update_fixture;

constexpr const char* kCurrentModified = "Mon, 07 Dec 2026 13:52:00 GMT";
constexpr const char* kPreviousModified = "Mon, 07 Dec 2026 12:59:00 GMT";
constexpr const char* kCurrentPath = "C:\\Fly!\\METAR\\CurrentMETAR.txt";

using Conditions = std::pair<std::string, std::string>;  // If-Modified-Since, If-None-Match

class ConditionalRequest : public ::testing::Test {
  protected:
    ConditionalRequest() {
        p.text1.text = kFolder;
        p.server.Route(kPage, Page("14Z"));
        Serve("14Z", kCurrent, kCurrentModified, "\"c-1\"");
        Serve("13Z", kPrevious, kPreviousModified, "\"p-1\"");
    }

    void Serve(const std::string& cycle, const std::string& body, const char* lastModified,
               const char* etag, bool compressed = false) {
        fake::FakeResponse response = Body(body);
        response.lastModified = lastModified;
        response.etag = etag;
        response.compressed = compressed;
        p.server.Route(CycleFile(cycle), std::move(response));
    }

    // The two updates of a test: the first writes both reports whole.
    void TwoUpdates(const std::function<void()>& between = [] {}) {
        p.frm.Command1_Click();
        ASSERT_EQ(p.reportFiles.writes, 2);
        between();
        p.frm.Command1_Click();
    }

    // What the request of the second update for the current report named.
    Conditions SecondCurrentRequest() const {
        const auto& asked = p.server.conditions.at(4);
        return {asked.ifModifiedSince, asked.ifNoneMatch};
    }

    fake::FakePlatform p;
};

TEST_F(ConditionalRequest, UnchangedFilesAreKeptAndCountAsWritten) {
    TwoUpdates();
    EXPECT_EQ(SecondCurrentRequest(), Conditions(kCurrentModified, "\"c-1\""));
    EXPECT_EQ(p.server.conditions.at(5).ifNoneMatch, "\"p-1\"");
    EXPECT_EQ(p.reportFiles.writes, 2) << "nothing was written again";
    EXPECT_EQ(p.reportFiles.files[kCurrentPath], kCurrent);
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
    EXPECT_NE(p.frm.DataSummary().find("CurrentMETAR.txt: 14Z, 1 report, newest 14:00 UTC"),
              std::string::npos)
        << p.frm.DataSummary();
}

TEST_F(ConditionalRequest, ACompressedResponsesETagIsNeverSent) {
    Serve("14Z", kCurrent, kCurrentModified, "\"c-1-gzip\"", true);
    TwoUpdates();
    EXPECT_EQ(SecondCurrentRequest(), Conditions(kCurrentModified, ""));
    EXPECT_EQ(p.reportFiles.writes, 2) << "the date alone let the server answer 304";
}

struct FullGetCase {
    const char* name;
    std::function<void(fake::FakePlatform&)> between;
    const char* reportPath;
};

class FullGet : public ConditionalRequest, public ::testing::WithParamInterface<FullGetCase> {};

TEST_P(FullGet, WhenTheReportIsNotTheOneWritten) {
    TwoUpdates([this] { GetParam().between(p); });
    EXPECT_EQ(SecondCurrentRequest(), Conditions("", ""));
    EXPECT_EQ(p.reportFiles.files[GetParam().reportPath], kCurrent);
    EXPECT_EQ(p.lblStatus.colour, kBlue);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullGet,
    ::testing::Values(
        FullGetCase{"FileChanged",
                    [](auto& p) { p.reportFiles.Touch(kCurrentPath, "edited by hand"); },
                    kCurrentPath},
        FullGetCase{"FileRewrittenAlike",
                    [](auto& p) { p.reportFiles.Touch(kCurrentPath, kCurrent); }, kCurrentPath},
        FullGetCase{"FileVanished", [](auto& p) { p.reportFiles.files.erase(kCurrentPath); },
                    kCurrentPath},
        FullGetCase{"FolderChanged", [](auto& p) { p.text1.text = "D:\\Other\\"; },
                    "D:\\Other\\CurrentMETAR.txt"},
        FullGetCase{"HourTurned",
                    [](auto& p) {
                        p.server.Route(kPage, Page("15Z"));
                        p.server.Route(CycleFile("15Z"), Body(kCurrent));
                    },
                    kCurrentPath}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConditionalRequest, AFileChangedWhileTheServerIsAskedIsFetchedWhole) {
    TwoUpdates([this] {
        // The page completes at 30 ms and the cycle files are asked for; they answer at 40 ms.
        p.loop.Post(milliseconds(35), [this] { p.reportFiles.Touch(kCurrentPath, "edited"); });
    });
    EXPECT_EQ(p.server.requests.at(6), CycleFile("14Z"));
    EXPECT_TRUE(p.server.conditions.at(6).ifModifiedSince.empty());
    EXPECT_EQ(p.reportFiles.files[kCurrentPath], kCurrent);
    EXPECT_EQ(p.lblStatus.colour, kBlue);
}

TEST_F(ConditionalRequest, NotModifiedForAPlainRequestIsAFailure) {
    fake::FakeResponse unchanged = Body(kCurrent);
    unchanged.notModified = true;
    p.server.Route(CycleFile("14Z"), unchanged);
    p.reportFiles.files[kCurrentPath] = "old current";
    p.frm.Command1_Click();
    EXPECT_EQ(p.frm.StatusText, "HTTP 304 Not Modified [http://noaa.test (classic layout)]");
    EXPECT_EQ(p.reportFiles.files[kCurrentPath], "old current");
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Failed);
}

}  // namespace
}  // namespace nimbrel
