#include <gtest/gtest.h>

#include <optional>

#include "app/command_line.h"

namespace nimbrel {
namespace {

TEST(CommandLineOptions, DefaultToNoaasCurrentServer) {
    const CommandLine line = ParseCommandLine({});
    EXPECT_EQ(line.server.origin, "https://tgftp.nws.noaa.gov");
    EXPECT_EQ(line.server.layout, ServerLayout::Current);
    EXPECT_FALSE(line.showHelp || line.showVersion);
    EXPECT_EQ(line.error, "");
}

TEST(CommandLineOptions, ServerAndLayoutAreTakenAsGiven) {
    const CommandLine line =
        ParseCommandLine({"--server", "http://127.0.0.1:8080/", "--layout", "classic"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.server.origin, "http://127.0.0.1:8080");
    EXPECT_EQ(line.server.layout, ServerLayout::Classic);
    EXPECT_EQ(ParseCommandLine({"--layout", "current"}).server.layout, ServerLayout::Current);
    EXPECT_EQ(ParseCommandLine({"--server", "https://[::1]:8443"}).server.origin,
              "https://[::1]:8443");
}

TEST(CommandLineOptions, HelpAndVersion) {
    EXPECT_TRUE(ParseCommandLine({"--help"}).showHelp);
    EXPECT_TRUE(ParseCommandLine({"-h"}).showHelp);
    EXPECT_TRUE(ParseCommandLine({"/?"}).showHelp);
    EXPECT_TRUE(ParseCommandLine({"/H"}).showHelp);
    EXPECT_TRUE(ParseCommandLine({"--version"}).showVersion);
    EXPECT_NE(HelpText().find("--server"), std::string::npos);
    EXPECT_NE(HelpText().find("--layout"), std::string::npos);
    EXPECT_EQ(VersionText(), "Nimbrel 1.00");
}

TEST(CommandLineOptions, HelpOrVersionIsTheTextShownInsteadOfARun) {
    EXPECT_EQ(RequestedText(ParseCommandLine({"--help"})), HelpText());
    EXPECT_EQ(RequestedText(ParseCommandLine({"--version"})), VersionText());
    EXPECT_EQ(RequestedText(ParseCommandLine({"--version", "--help"})), HelpText());
    EXPECT_EQ(RequestedText(ParseCommandLine({"--once", "--version"})), VersionText());
    EXPECT_EQ(RequestedText(ParseCommandLine({"--update-now"})), std::nullopt);
}

// Each reason names the option it is about, the one each input begins with.
TEST(CommandLineOptions, UnusableOptionsAreRefusedWithAReasonNamingThem) {
    const std::vector<std::vector<std::string>> bad = {
        {"--server"},
        {"--server", "ftp://host"},
        {"--server", "tgftp.nws.noaa.gov"},
        {"--server", "https://"},
        {"--server", "https://host/path"},
        {"--server", "https://host?x=1"},
        {"--server", "http://127.0.0:8.1080/"},
        {"--server", "http://:80"},
        {"--server", "http://host:"},
        {"--server", "http://host:0"},
        {"--server", "http://host:65536"},
        {"--server", "http://host:80:80"},
        {"--server", "http://host:000080"},
        {"--server", "http://[::1"},
        {"--server", "http://[]"},
        {"--server", "http://a]b"},
        {"--layout"},
        {"--layout", "newest"},
        {"--verbose"},
        {"--update-now=yes"},
        {"--folder:C:\\Fly!\\METAR"},
        {"---once"},
        {"--folder"},
        {"--folder", "METAR"},
        {"--folder", "C:METAR"},
        {"--folder", "\\METAR\\"},
        {"--folder", ""},
        // The quote of `--folder "C:\Fly!\METAR\" --once` swallowed the option after it.
        {"--folder", "C:\\Fly!\\METAR\" --once"},
        {"--interval"},
        {"--interval", "4"},
        {"--interval", "61"},
        {"--interval", "1"},
        {"--interval", "+10"},
        {"--interval", "10.5"},
        {"--interval", " 10"},
        {"--interval", "99999999999999999999"},
        {"--second-source"},
        {"--second-source", "aviationweather.gov/data/cache/metars.cache.csv.gz"},
        {"--second-source", "ftp://host/cache.csv"},
        {"--second-source", "https://host/a file.csv"},
        {"--second-source", "https:///cache.csv"},
        {"--second-source", "None"},
    };
    for (const auto& arguments : bad) {
        const CommandLine line = ParseCommandLine(arguments);
        EXPECT_NE(line.error.find(arguments[0]), std::string::npos)
            << arguments[0] << " " << arguments.size() << ": " << line.error;
    }
}

TEST(SecondSourceOption, IsTheCacheFileNamedOrNone) {
    EXPECT_EQ(ParseCommandLine({}).secondSource, kDefaultSecondSource);
    EXPECT_EQ(ParseCommandLine({"--second-source", "none"}).secondSource, std::nullopt);
    const CommandLine line =
        ParseCommandLine({"--second-source", "none", "--second-source",
                          "http://127.0.0.1:8080/data/cache/metars.cache.csv.gz?x=1"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.secondSource, "http://127.0.0.1:8080/data/cache/metars.cache.csv.gz?x=1");
    EXPECT_NE(HelpText().find("--second-source none"), std::string::npos);
}

struct AcceptedCase {
    std::vector<std::string> arguments;
    std::optional<std::string> folder;
    int interval;
    bool updateNow;
};

class UnattendedOptions : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(UnattendedOptions, AreTakenWithTheLastValueCounting) {
    const CommandLine line = ParseCommandLine(GetParam().arguments);
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.folder, GetParam().folder);
    EXPECT_EQ(line.intervalMinutes, GetParam().interval);
    EXPECT_EQ(line.updateNow, GetParam().updateNow);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnattendedOptions,
    ::testing::Values(
        AcceptedCase{{}, std::nullopt, 15, false},
        AcceptedCase{{"--folder", "C:\\Fly!\\METAR"}, "C:\\Fly!\\METAR\\", 15, false},
        AcceptedCase{{"--folder", "C:\\Fly!\\METAR\\"}, "C:\\Fly!\\METAR\\", 15, false},
        AcceptedCase{{"--folder", "C:\\Program Files\\Fly!\\METAR\""},
                     "C:\\Program Files\\Fly!\\METAR\\",
                     15,
                     false},
        AcceptedCase{{"--folder", "\\\\pc\\fly\\METAR"}, "\\\\pc\\fly\\METAR\\", 15, false},
        AcceptedCase{{"--folder", "C:/Fly!/METAR"}, "C:\\Fly!\\METAR\\", 15, false},
        AcceptedCase{{"--interval", "5", "--interval", "60"}, std::nullopt, 60, false},
        AcceptedCase{{"--interval", "010"}, std::nullopt, 10, false},
        AcceptedCase{{"--update-now", "--once"}, std::nullopt, 15, true},
        // As Windows users type options: any case, slash, single or typographic dash, = or :.
        AcceptedCase{{"--FOLDER", "//server/share/METAR"}, "\\\\server\\share\\METAR\\", 15, false},
        AcceptedCase{
            {"/folder:C:\\Fly!\\METAR", "/Interval", "10"}, "C:\\Fly!\\METAR\\", 10, false},
        AcceptedCase{{"--folder=D:/M", "\xE2\x80\x93update-now"}, "D:\\M\\", 15, true},
        AcceptedCase{{"-interval=20", "\xE2\x80\x94Update-Now", "/ONCE"}, std::nullopt, 20, true}));

TEST(LaunchOption, StartsFlyAfterTheFirstUpdateWithAnyOptionButOnce) {
    const CommandLine line =
        ParseCommandLine({"--launch", "--minimized", "--interval", "10", "--folder", "D:\\M"});
    EXPECT_EQ(line.error, "");
    EXPECT_TRUE(line.launch && line.minimized);
    EXPECT_FALSE(ParseCommandLine({}).launch || ParseCommandLine({}).minimized);
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{"--launch", "--once"},
                                               {"--once", "--launch"},
                                               {"--once", "--minimized", "--launch"}}) {
        const CommandLine conflict = ParseCommandLine(arguments);
        EXPECT_TRUE(conflict.once);
        EXPECT_NE(conflict.error.find("--launch"), std::string::npos) << arguments[0];
    }
}

struct RawLineCase {
    std::string rawLine;
    std::vector<std::string> arguments;  // as Windows splits the line
    bool once;
};

class RawCommandLine : public ::testing::TestWithParam<RawLineCase> {};

// --once standing as a word keeps the run windowless when a quote swallowed it into the argument
// before it, and only then: a quoted folder may hold the word.
TEST_P(RawCommandLine, FindsOnceAsAWordOfItsOwn) {
    EXPECT_EQ(ParseCommandLine(GetParam().arguments, GetParam().rawLine).once, GetParam().once)
        << GetParam().rawLine;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RawCommandLine,
    ::testing::Values(
        RawLineCase{R"(nimbrel.exe --folder "C:\Fly!\METAR\" --once)",
                    {"--folder", "C:\\Fly!\\METAR\" --once"},
                    true},
        RawLineCase{"nimbrel.exe --folder \"C:\\Fly!\\METAR\\\"\t--once",
                    {"--folder", "C:\\Fly!\\METAR\"\t--once"},
                    true},
        RawLineCase{R"("C:\Program Files\Nimbrel\nimbrel.exe" --once)", {"--once"}, true},
        RawLineCase{"nimbrel.exe\t--once\t--folder D:\\M", {"--once", "--folder", "D:\\M"}, true},
        RawLineCase{R"(nimbrel.exe --folder "C:\Fly!\METAR\" "--once")",
                    {"--folder", "C:\\Fly!\\METAR\" --once"},
                    true},
        RawLineCase{R"(nimbrel.exe --folder "D:\Wx --once")", {"--folder", "D:\\Wx --once"}, false},
        RawLineCase{R"(nimbrel.exe --folder "D:\Wx --once" --update-now)",
                    {"--folder", "D:\\Wx --once", "--update-now"},
                    false},
        RawLineCase{R"(nimbrel.exe --folder "C:\Fly!\METAR\" --update-now)",
                    {"--folder", "C:\\Fly!\\METAR\" --update-now"},
                    false},
        // A quote left open swallows --once with no quote left in the argument.
        RawLineCase{R"(nimbrel.exe --folder "C:\Fly!\METAR --once)",
                    {"--folder", "C:\\Fly!\\METAR --once"},
                    true},
        RawLineCase{R"(nimbrel.exe --folder "D:\Wx --once" --update-now ")",
                    {"--folder", "D:\\Wx --once", "--update-now", ""},
                    false},
        RawLineCase{"nimbrel.exe --onces", {"--onces"}, false},
        RawLineCase{"nimbrel.exe x--once", {"x--once"}, false},
        RawLineCase{
            R"(nimbrel.exe --folder C:\--once\METAR)", {"--folder", "C:\\--once\\METAR"}, false},
        RawLineCase{"nimbrel.exe ---once", {"---once"}, false}, RawLineCase{"", {}, false},
        RawLineCase{"nimbrel.exe --Once", {"--Once"}, true},
        RawLineCase{"nimbrel.exe /once", {"/once"}, true},
        RawLineCase{"nimbrel.exe \xE2\x80\x93once", {"\xE2\x80\x93once"}, true},
        RawLineCase{"nimbrel.exe --once=yes", {"--once=yes"}, false},
        RawLineCase{R"(nimbrel.exe --folder "C:\Fly!\METAR\" /Once)",
                    {"--folder", "C:\\Fly!\\METAR\" /Once"},
                    true},
        RawLineCase{R"(nimbrel.exe --folder "C:\Fly!\METAR -ONCE)",
                    {"--folder", "C:\\Fly!\\METAR -ONCE"},
                    true}));

TEST(RawCommandLine, ASwallowedOnceEndsWithTheAdviceInsteadOfAWindow) {
    // What Windows makes of `--folder "C:\Fly!\METAR\" --once`.
    const CommandLine line = ParseCommandLine({"--folder", "C:\\Fly!\\METAR\" --once"},
                                              R"(nimbrel.exe --folder "C:\Fly!\METAR\" --once)");
    EXPECT_TRUE(line.once);
    EXPECT_NE(line.error.find("leave out the final backslash"), std::string::npos) << line.error;
}

TEST(RawCommandLine, AFolderThatSwallowedOnceInAnOpenQuoteIsRefused) {
    const CommandLine line = ParseCommandLine({"--folder", "C:\\Fly!\\METAR --once"},
                                              R"(nimbrel.exe --folder "C:\Fly!\METAR --once)");
    EXPECT_TRUE(line.once);
    EXPECT_EQ(line.error.rfind("--folder needs", 0), 0u) << line.error;
}

TEST(CommandLineOptions, HelpNamesTheIntervalInForce) {
    EXPECT_NE(
        RequestedText(ParseCommandLine({"--help", "--interval", "10"}))->find("every 10 minutes"),
        std::string::npos);
}

TEST(WindowStation, NotVisibleRunsWindowlessAndAWindowedRunEndsAskingForOnce) {
    const CommandLine windowed = ForWindowStation(ParseCommandLine({"--update-now"}), false);
    EXPECT_TRUE(windowed.once);
    EXPECT_NE(windowed.error.find("add --once"), std::string::npos) << windowed.error;
    EXPECT_EQ(ForWindowStation(ParseCommandLine({"--bogus"}), false).error,
              "Unknown option: --bogus.");
    const CommandLine version = ForWindowStation(ParseCommandLine({"--version"}), false);
    EXPECT_TRUE(version.once && version.error.empty());
    EXPECT_EQ(ForWindowStation(ParseCommandLine({"/once"}), false).error, "");
    EXPECT_FALSE(ForWindowStation(ParseCommandLine({"--update-now"}), true).once);
}

TEST(OnceOption, IsFoundBeforeAnyErrorOnTheLine) {
    EXPECT_TRUE(ParseCommandLine({"--bogus", "--once"}).once);
    EXPECT_TRUE(ParseCommandLine({"--interval", "2", "--once"}).once);
    EXPECT_FALSE(ParseCommandLine({"--update-now"}).once);
    EXPECT_NE(ParseCommandLine({"--bogus", "--once"}).error, "");
}

}  // namespace
}  // namespace nimbrel
