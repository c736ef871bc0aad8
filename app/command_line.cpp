#include "app/command_line.h"

#include <optional>

#include "util/version.h"

namespace nimbrel {

namespace {

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '[' || c == ']' || c == ':';
}

// Accepts "http[s]://host[:port]" with an optional trailing "/"; returns it without the "/".
std::optional<std::string> ServerOrigin(std::string url) {
    if (url.ends_with('/')) {
        url.pop_back();
    }
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) {
        return std::nullopt;
    }
    const std::string scheme = url.substr(0, schemeEnd);
    const std::string authority = url.substr(schemeEnd + 3);
    if ((scheme != "http" && scheme != "https") || authority.empty()) {
        return std::nullopt;
    }
    for (const char c : authority) {
        if (!IsHostCharacter(c)) {
            return std::nullopt;
        }
    }
    return url;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    for (std::size_t i = 0; i < arguments.size() && result.error.empty(); ++i) {
        const std::string& option = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (option == "--help" || option == "-h" || option == "/?") {
            result.showHelp = true;
        } else if (option == "--version") {
            result.showVersion = true;
        } else if (option == "--server") {
            const auto origin = hasValue ? ServerOrigin(arguments[++i]) : std::nullopt;
            if (origin) {
                result.server.origin = *origin;
            } else {
                result.error =
                    "--server needs an address such as https://tgftp.nws.noaa.gov "
                    "(http or https, a host and an optional port, no path).";
            }
        } else if (option == "--layout") {
            const std::string layout = hasValue ? arguments[++i] : "";
            if (layout == "classic") {
                result.server.layout = ServerLayout::Classic;
            } else if (layout == "current") {
                result.server.layout = ServerLayout::Current;
            } else {
                result.error = "--layout needs \"classic\" or \"current\".";
            }
        } else {
            result.error = "Unknown option: " + option + ".";
        }
    }
    return result;
}

std::string HelpText() {
    return "Nimbrel fetches the current and the previous hour's METAR reports from NOAA and "
           "writes them as CurrentMETAR.txt and PreviousMETAR.txt into the METAR folder of "
           "Fly!, then again every 15 minutes.\n\n"
           "Options:\n"
           "  --server URL      the weather server (http or https, host, optional port);\n"
           "                    default " +
           std::string(kDefaultServerOrigin) +
           "\n"
           "  --layout current  cycle files under /data/observations/metar/cycles/, the cycle\n"
           "                    taken from the server's clock (the default)\n"
           "  --layout classic  the METAR page /weather/metar.shtml names the cycle; cycle files\n"
           "                    under /pub/data/observations/metar/cycles/\n"
           "  --version         show the version\n"
           "  --help            show this text";
}

std::string VersionText() {
    return "Nimbrel " NIMBREL_VERSION_TEXT;
}

}  // namespace nimbrel
