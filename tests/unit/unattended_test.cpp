// The options for unattended use: a given folder, an interval, an update at start, one update
// without a window.
#include <gtest/gtest.h>

#include <regex>

#include "app/console_log.h"
#include "retrieval/zulu_cycle.h"
#include "tests/fake/fake_platform.h"
#include "tests/fake/recording_output.h"

namespace nimbrel {
namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;

constexpr const char* kPage = "http://noaa.test/weather/metar.shtml";
constexpr const char* kCycles = "http://noaa.test/pub/data/observations/metar/cycles/";
constexpr const char* kKey = "SOFTWARE\\Terminal Reality\\Fly!";

fake::FakeResponse Serves(const std::string& body, bool stall = false) {
    return {{body}, milliseconds(10), std::nullopt, "", stall};
}

FrmNimbrelSettings Settings(std::optional<std::string> folder, int interval, bool updateNow) {
    return {std::move(folder), interval, updateNow};
}

const std::string kCurrent = "2026/12/07 14:51\nKJFK 071451Z 31012KT 10SM FEW250 02/M09 A3012\n\n";
const std::string kPrevious = "2026/12/07 13:51\nKJFK 071351Z 30010KT 10SM CLR 01/M10 A3015\n\n";

// A classic-layout server on which 14Z is current, at 14:52:03 UTC.
struct Platform : fake::FakePlatform {
    explicit Platform(FrmNimbrelSettings settings)
        : FakePlatform({"http://noaa.test", ServerLayout::Classic}, std::move(settings)) {
        loop.SetUtcAtStart(std::chrono::sys_days{std::chrono::December / 7 / 2026} +
                           std::chrono::hours(14) + minutes(52) + std::chrono::seconds(3));
        registry.SetString(fake::kLocalMachine, kKey, "TargetDir", "C:\\Fly!");
        server.Route(kPage, Serves(std::string(kCycleMarker) + "14Z</FONT>"));
        server.Route(std::string(kCycles) + "14Z.TXT", Serves(kCurrent));
        server.Route(std::string(kCycles) + "13Z.TXT", Serves(kPrevious));
    }
};

using fake::RecordingOutput;

// Each line without its time, after checking the time's form.
std::vector<std::string> Texts(const RecordingOutput& output) {
    static const std::regex stamped(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ (.*))");
    std::vector<std::string> texts;
    for (const std::string& line : output.lines) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(line, match, stamped)) << line;
        texts.push_back(match[1]);
    }
    return texts;
}

TEST(GivenFolder, IsShownInTheBoxAndWrittenToWithoutTheRegistry) {
    Platform p(Settings("D:\\Weather\\", 15, false));
    p.frm.Form_Load();
    EXPECT_EQ(p.text1.text, "D:\\Weather\\");
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files["D:\\Weather\\CurrentMETAR.txt"], kCurrent);
    EXPECT_EQ(p.registry.openKeys, 0);
}

TEST(FolderBox, TakesSlashesAsWindowsDoes) {
    Platform p(Settings(std::nullopt, 15, false));
    p.frm.Form_Load();
    p.text1.text = "D:/Weather/METAR";
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files["D:\\Weather\\METAR\\CurrentMETAR.txt"], kCurrent);
    EXPECT_EQ(p.reportFiles.files["D:\\Weather\\METAR\\PreviousMETAR.txt"], kPrevious);
}

TEST(Interval, EveryCountdownTextFollowsIt) {
    Platform p(Settings(std::nullopt, 5, false));
    p.frm.Form_Load();
    p.frm.Command1_Click();
    EXPECT_EQ(p.frm.StatusText, "Next update in 5 minutes");
    p.loop.RunFor(minutes(4) + milliseconds(1));
    EXPECT_EQ(p.frm.StatusText, "Next update in 1 minute");
    const auto requests = p.server.requests.size();
    p.loop.RunFor(minutes(1));
    EXPECT_EQ(p.server.requests.size(), 2 * requests) << "the next update came after 5 minutes";
    EXPECT_EQ(p.frm.MinutesLeft, 5);
}

TEST(UpdateNow, StartsTheFirstUpdateOnceTheWindowIsUpAndOnlyWhenAsked) {
    for (const bool asked : {false, true}) {
        Platform p(Settings(std::nullopt, 15, asked));
        p.frm.Form_Load();
        EXPECT_TRUE(p.server.requests.empty()) << "nothing before the window shows";
        p.frm.Form_Shown();
        EXPECT_EQ(p.server.requests.size(), asked ? 3u : 0u);
        EXPECT_EQ(p.reportFiles.files.count("C:\\Fly!\\METAR\\CurrentMETAR.txt"), asked ? 1u : 0u);
    }
}

class Once : public ::testing::Test {
  protected:
    int Run() { return p.frm.RunOnce(log); }

    Platform p{Settings(std::nullopt, 15, false)};
    RecordingOutput progress;
    RecordingOutput failures;
    ConsoleLog log{progress, failures, p.loop};
};

TEST_F(Once, WritesBothReportsAndNamesThemLast) {
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(p.reportFiles.files["C:\\Fly!\\METAR\\PreviousMETAR.txt"], kPrevious);
    EXPECT_EQ(p.windows.splashShown, 0);
    EXPECT_EQ(Texts(progress),
              (std::vector<std::string>{"Getting NOAA Zulu time", "Getting Current METAR (14Z)",
                                        "Getting Previous METAR (13Z)",
                                        "Wrote CurrentMETAR.txt (14Z) and PreviousMETAR.txt (13Z) "
                                        "in C:\\Fly!\\METAR\\ · CurrentMETAR.txt: 14Z, 1 report, "
                                        "newest 14:51 UTC · PreviousMETAR.txt: 13Z, 1 report, "
                                        "newest 13:51 UTC · updated 14:52 UTC"}));
    EXPECT_TRUE(failures.lines.empty());
    EXPECT_EQ(progress.lines.front().substr(0, 20), "2026-12-07T14:52:03Z");
}

TEST_F(Once, AFailedUpdateEndsWithItsReasonOnTheFailureStream) {
    p.server.Route(std::string(kCycles) + "13Z.TXT",
                   {{},
                    milliseconds(10),
                    TransferFailure{.kind = TransferFailureKind::HttpStatus, .httpStatus = 503},
                    "",
                    false});
    EXPECT_EQ(Run(), 1);
    ASSERT_FALSE(failures.lines.empty());
    EXPECT_EQ(Texts(failures).back(), "HTTP 503 [http://noaa.test (classic layout)]");
    EXPECT_EQ(p.reportFiles.files.count("C:\\Fly!\\METAR\\PreviousMETAR.txt"), 0u);
}

// A proxy variable the program cannot use is told once: a line of its own without a window, the
// tooltip with one.
TEST_F(Once, NoticeAboutTheWayToTheServerIsALineOfItsOwn) {
    fake::FakeResponse page = Serves(std::string(kCycleMarker) + "14Z</FONT>");
    page.notice = "https_proxy names a socks5:// proxy";
    p.server.Route(kPage, page);
    EXPECT_EQ(Run(), 0);
    const std::vector<std::string> texts = Texts(progress);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[1], "https_proxy names a socks5:// proxy");
    EXPECT_EQ(texts.back().find("Wrote CurrentMETAR.txt (14Z)"), 0u) << texts.back();

    Platform windowed(Settings(std::nullopt, 15, false));
    windowed.server.Route(kPage, page);
    windowed.frm.Form_Load();
    windowed.frm.Command1_Click();
    EXPECT_NE(windowed.frm.StatusTip().find("https_proxy names a socks5:// proxy"),
              std::string::npos)
        << windowed.frm.StatusTip();
}

TEST_F(Once, OldDataIsWrittenAndSaysSoWithItsOwnCode) {
    const std::string old = "2026/12/07 09:51\nKJFK 070951Z 31012KT 10SM FEW250 02/M09 A3012\n";
    p.server.Route(std::string(kCycles) + "14Z.TXT", Serves(old));
    EXPECT_EQ(Run(), 3);
    EXPECT_EQ(p.reportFiles.files["C:\\Fly!\\METAR\\CurrentMETAR.txt"], old);
    EXPECT_EQ(Texts(failures).back(), "NOAA's newest report is 5 hours old (14Z)");
}

TEST_F(Once, EndsAfterFiveMinutesWhateverTheServerDoes) {
    p.server.Route(std::string(kCycles) + "14Z.TXT", Serves("part", true));
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(p.loop.Now(), minutes(5));
    EXPECT_EQ(Texts(failures).back(),
              "The update did not finish within 5 minutes [http://noaa.test (classic layout)]");
    EXPECT_EQ(p.reportFiles.files.count("C:\\Fly!\\METAR\\CurrentMETAR.txt"), 0u);
}

TEST_F(Once, WaitsForAReportTheSimulatorHoldsForAMoment) {
    p.reportFiles.heldUntil["C:\\Fly!\\METAR\\CurrentMETAR.txt"] = std::chrono::seconds(3);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(p.reportFiles.files["C:\\Fly!\\METAR\\CurrentMETAR.txt"], kCurrent);
}

struct ExitCase {
    const char* name;
    std::string currentBody;  // of 15Z, the clock's cycle
    std::string hourBefore;   // of 14Z
    int code;
    const char* lastLine;  // its beginning, on the stream of the code
};

class OnceExitCode : public ::testing::TestWithParam<ExitCase> {};

// The current layout at 14:52, its listing refused: the clock's cycle is 15Z.
TEST_P(OnceExitCode, SaysWhetherEachReportHoldsTheNewestWeather) {
    fake::FakePlatform p({"http://noaa.test", ServerLayout::Current},
                         Settings("C:\\Fly!\\METAR", 15, false));
    p.loop.SetUtcAtStart(std::chrono::sys_days{std::chrono::December / 7 / 2026} +
                         std::chrono::hours(14) + minutes(52));
    const std::string cycles = "http://noaa.test/data/observations/metar/cycles/";
    p.server.Route(cycles + "15Z.TXT", Serves(GetParam().currentBody));
    p.server.Route(cycles + "14Z.TXT", Serves(GetParam().hourBefore));
    p.server.Route(cycles + "13Z.TXT", Serves(kPrevious));
    RecordingOutput progress;
    RecordingOutput failures;
    ConsoleLog log{progress, failures, p.loop};
    EXPECT_EQ(p.frm.RunOnce(log), GetParam().code);
    const auto lines = Texts(GetParam().code == 0 ? progress : failures);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind(GetParam().lastLine, 0), 0u) << lines.back();
}

INSTANTIATE_TEST_SUITE_P(
    Table, OnceExitCode,
    ::testing::Values(
        ExitCase{"Written", "2026/12/07 14:51\nKJFK 071451Z\n", kCurrent, 0,
                 "Up to date in C:\\Fly!\\METAR (folder listing not available) \xC2\xB7 "},
        ExitCase{"NotYetBegun", "", kCurrent, 0,
                 "Up to date in C:\\Fly!\\METAR (folder listing not available; 15Z not yet "
                 "begun) \xC2\xB7 15Z not yet published; used 14Z and 13Z"},
        ExitCase{"Refused", "<html>Proxy error</html>", kCurrent, 1,
                 "The server sent no reports for 15Z (an HTML page of 24 bytes)"},
        ExitCase{"OldData", "2026/12/07 09:51\nKJFK 070951Z\n", "2026/12/07 09:41\nKJFK 070941Z\n",
                 3, "NOAA's newest report is 5 hours old (15Z)"}),
    [](const auto& info) { return std::string(info.param.name); });
TEST_F(Once, WithoutAFolderNamesTheOptionThatGivesOne) {
    p.registry = {};
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Texts(failures).back(),
              "No METAR folder: name the simulator's METAR folder with --folder");
    EXPECT_TRUE(p.server.requests.empty());
}

TEST_F(Once, PrintedTextIsPlainLinesOnStandardOutput) {
    log.Print("Nimbrel 1.00");
    log.Print("Options:\n\n  --once");
    EXPECT_EQ(progress.lines,
              (std::vector<std::string>{"Nimbrel 1.00", "Options:", "", "  --once"}));
    EXPECT_TRUE(failures.lines.empty());
}

TEST_F(Once, AMessageBoxBecomesLinesOnItsStream) {
    log.Show("5>  Access is denied.\nSecond line", "GenUtils/kvoGetRegEntry",
             MessageBoxIcon::Critical);
    log.Show("Nimbrel 1.00", "Nimbrel", MessageBoxIcon::Information);
    EXPECT_EQ(Texts(failures), (std::vector<std::string>{"5>  Access is denied.", "Second line"}));
    EXPECT_EQ(Texts(progress), std::vector<std::string>{"Nimbrel 1.00"});
}

}  // namespace
}  // namespace nimbrel
