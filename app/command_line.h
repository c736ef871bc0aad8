// The program's command-line options.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "retrieval/noaa_server.h"

namespace nimbrel {

// The exit code for options that cannot be used.
inline constexpr int kOptionErrorExitCode = 2;

inline constexpr int kDefaultIntervalMinutes = 15;
inline constexpr int kMinIntervalMinutes = 5;
inline constexpr int kMaxIntervalMinutes = 60;

// Where the weather comes from when NOAA's cycle files cannot be had: the Aviation Weather
// Center's cache file of each station's newest report.
inline constexpr const char* kDefaultSecondSource =
    "https://aviationweather.gov/data/cache/metars.cache.csv.gz";

struct CommandLine {
    NoaaServer server{kDefaultServerOrigin, ServerLayout::Current};
    // The report folder itself, ending in a backslash; the registry names it when absent.
    std::optional<std::string> folder;
    bool updateNow = false;
    int intervalMinutes = kDefaultIntervalMinutes;
    bool intervalGiven = false;
    // The first update at once, then Fly!; Nimbrel closes when Fly! ends.
    bool launch = false;
    bool minimized = false;                                         // the window starts minimised
    std::optional<std::string> secondSource{kDefaultSecondSource};  // none: not asked
    // One update without a window; found before anything else, so that even an error elsewhere
    // on the line is reported the windowless way.
    bool once = false;
    bool showHelp = false;
    bool showVersion = false;
    std::string error;  // set when the options cannot be used; the program then shows it and stops
};

// `arguments` excludes the program's own name; `rawLine` is the whole command line as the
// program received it, before any splitting.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             std::string_view rawLine = {});

// Where the window station is not visible (a task set to run whether the user is logged on or
// not), a box would wait for a click nobody can make: the line then runs windowless, and one that
// asked for a window ends at once with a reason naming --once.
CommandLine ForWindowStation(CommandLine line, bool visible);

// The options, with the interval between updates in force.
std::string HelpText(int intervalMinutes = kDefaultIntervalMinutes);
std::string VersionText();
// The text the line asks to be shown instead of running: the help, which outranks the version,
// or the version; none when it asks for neither.
std::optional<std::string> RequestedText(const CommandLine& line);

}  // namespace nimbrel
