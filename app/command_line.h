// The program's command-line options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "retrieval/noaa_server.h"

namespace nimbrel {

// The exit code for options that cannot be used.
inline constexpr int kOptionErrorExitCode = 2;

inline constexpr int kDefaultIntervalMinutes = 15;
inline constexpr int kMinIntervalMinutes = 5;
inline constexpr int kMaxIntervalMinutes = 60;

struct CommandLine {
    NoaaServer server{kDefaultServerOrigin, ServerLayout::Current};
    // The report folder itself, ending in a backslash; the registry names it when absent.
    std::optional<std::string> folder;
    bool updateNow = false;
    int intervalMinutes = kDefaultIntervalMinutes;
    // One update without a window; found before anything else, so that even an error elsewhere
    // on the line is reported the windowless way.
    bool once = false;
    bool showHelp = false;
    bool showVersion = false;
    std::string error;  // set when the options cannot be used; the program then shows it and stops
};

// `arguments` excludes the program's own name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string HelpText();
std::string VersionText();

}  // namespace nimbrel
