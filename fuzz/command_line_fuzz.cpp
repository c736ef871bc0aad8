// The command line, as any shortcut or script may give it: arguments split at NUL bytes.
#include <algorithm>
#include <cctype>
#include <charconv>

#include "app/command_line.h"
#include "fuzz/fuzz_property.h"
#include "fuzz/windows_path.h"

namespace {

std::vector<std::string> Arguments(std::string_view text) {
    std::vector<std::string> arguments;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\0'), text.size());
        arguments.emplace_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return arguments;
}

bool IsPort(std::string_view text) {
    unsigned port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    return error == std::errc{} && end == text.data() + text.size() && text.size() <= 5 &&
           port >= 1 && port <= 65535;
}

bool AllOf(std::string_view text, std::string_view allowedPunctuation) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [&](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
               allowedPunctuation.find(c) != std::string_view::npos;
    });
}

// "http[s]://", a host name or a bracketed IPv6 address, and an optional port.
bool IsOrigin(std::string_view origin) {
    const std::size_t schemeEnd = origin.find("://");
    if (schemeEnd == std::string_view::npos ||
        (origin.substr(0, schemeEnd) != "http" && origin.substr(0, schemeEnd) != "https")) {
        return false;
    }
    const std::string_view authority = origin.substr(schemeEnd + 3);
    const bool bracketed = authority.starts_with('[');
    const std::size_t hostEnd = bracketed ? authority.find(']') + 1 : authority.find(':');
    if (hostEnd < authority.size() &&
        (authority[hostEnd] != ':' || !IsPort(authority.substr(hostEnd + 1)))) {
        return false;
    }
    const std::string_view host = authority.substr(0, hostEnd);
    return bracketed ? hostEnd >= 2 && AllOf(host.substr(1, host.size() - 2), ":.")
                     : AllOf(host, "-.");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments = Arguments(nimbrel::fuzz::AsText(data, size));
    const nimbrel::CommandLine line = nimbrel::ParseCommandLine(arguments);
    if (!line.error.empty()) {
        return 0;
    }
    FUZZ_REQUIRE(IsOrigin(line.server.origin), line.server.origin);
    // A folder given here is written to as it stands.
    const std::string folder = line.folder.value_or("C:\\");
    FUZZ_REQUIRE(nimbrel::fuzz::WindowsReadsAsAbsolute(folder) && folder.ends_with('\\') &&
                     folder.find('"') == std::string::npos,
                 folder);
    FUZZ_REQUIRE(line.intervalMinutes >= nimbrel::kMinIntervalMinutes &&
                     line.intervalMinutes <= nimbrel::kMaxIntervalMinutes,
                 std::to_string(line.intervalMinutes));

    // An option given again counts with its last value.
    arguments.insert(arguments.end(), {"--server", "http://[::1]:8080/", "--layout", "classic",
                                       "--folder", "D:\\Fly!\\METAR\"", "--interval", "60"});
    const nimbrel::CommandLine again = nimbrel::ParseCommandLine(arguments);
    FUZZ_REQUIRE(again.error.empty() && again.server.origin == "http://[::1]:8080" &&
                     again.server.layout == nimbrel::ServerLayout::Classic &&
                     again.folder == "D:\\Fly!\\METAR\\" && again.intervalMinutes == 60,
                 again.error);
    return 0;
}
