// The program's command-line options.
#pragma once

#include <string>
#include <vector>

#include "retrieval/noaa_server.h"

namespace nimbrel {

struct CommandLine {
    NoaaServer server{kDefaultServerOrigin, ServerLayout::Current};
    bool showHelp = false;
    bool showVersion = false;
    std::string error;  // set when the options cannot be used; the program then shows it and stops
};

// `arguments` excludes the program's own name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string HelpText();
std::string VersionText();

}  // namespace nimbrel
