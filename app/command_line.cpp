#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>

#include "util/absolute_folder.h"
#include "util/version.h"

namespace nimbrel {

namespace {

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.';
}

bool IsIpv6Character(char c) {
    return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || (c >= '0' && c <= '9') || c == ':' ||
           c == '.';
}

bool IsPort(std::string_view text) {
    unsigned port = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, port);
    return error == std::errc{} && stop == end && text.size() <= 5 && port >= 1 && port <= 65535;
}

// A host name, or an IPv6 address in brackets, then an optional ":port".
bool IsAuthority(std::string_view authority) {
    std::string_view host;
    std::string_view rest;
    bool (*isHostCharacter)(char) = IsNameCharacter;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return false;
        }
        host = authority.substr(1, close - 1);
        rest = authority.substr(close + 1);
        isHostCharacter = IsIpv6Character;
    } else {
        const std::size_t hostEnd = std::min(authority.find(':'), authority.size());
        host = authority.substr(0, hostEnd);
        rest = authority.substr(hostEnd);
    }
    return !host.empty() && std::ranges::all_of(host, isHostCharacter) &&
           (rest.empty() || (rest.front() == ':' && IsPort(rest.substr(1))));
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
    if ((scheme != "http" && scheme != "https") || !IsAuthority(url.substr(schemeEnd + 3))) {
        return std::nullopt;
    }
    return url;
}

// Accepts "http[s]://host[:port]/path" with a path of printable characters, no blank or quote.
std::optional<std::string> SourceUrl(const std::string& url) {
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t pathStart = std::min(url.find('/', schemeEnd + 3), url.size());
    const std::string_view path = std::string_view(url).substr(pathStart);
    const bool plainPath =
        std::ranges::all_of(path, [](char c) { return c > ' ' && c < 0x7f && c != '"'; });
    if (!plainPath || !ServerOrigin(url.substr(0, pathStart))) {
        return std::nullopt;
    }
    return url;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// An option as Windows users type it: its name in lower case, and a value written into the same
// word (`--interval=10`, `/interval:10`).
struct OptionWord {
    std::string name;
    std::optional<std::string> value;
};

// `--name`, `-name`, `/name` and a name after an en or em dash, as a web page turns `--` into.
std::optional<OptionWord> ReadOptionWord(std::string_view word) {
    // The longest first: `--` before `-`. En and em dash in UTF-8.
    constexpr std::array<std::string_view, 4> kDashes = {"--", "\xE2\x80\x93", "\xE2\x80\x94", "-"};
    if (word == "/?") {
        return OptionWord{"help", std::nullopt};
    }
    // Only the slash form takes a colon: after a dash, `--folder:x` is no name.
    std::string_view separators = "=";
    if (word.starts_with('/')) {
        separators = ":=";
        word.remove_prefix(1);
    } else if (const auto dash = std::ranges::find_if(
                   kDashes, [word](std::string_view prefix) { return word.starts_with(prefix); });
               dash != kDashes.end()) {
        word.remove_prefix(dash->size());
    } else {
        return std::nullopt;
    }
    const std::size_t nameEnd = std::min(word.find_first_of(separators), word.size());
    const std::string_view name = word.substr(0, nameEnd);
    if (name.empty() || !IsLetter(name.front()) ||
        !std::ranges::all_of(name, [](char c) { return IsLetter(c) || c == '-'; })) {
        return std::nullopt;
    }
    OptionWord option;
    std::ranges::transform(name, std::back_inserter(option.name), [](char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    if (option.name == "h") {
        option.name = "help";
    }
    if (nameEnd < word.size()) {
        option.value = std::string(word.substr(nameEnd + 1));
    }
    return option;
}

bool TakesValue(std::string_view name) {
    return name == "server" || name == "layout" || name == "folder" || name == "interval" ||
           name == "second-source";
}

bool IsOnce(std::string_view word) {
    const auto option = ReadOptionWord(word);
    return option && option->name == "once" && !option->value;
}

bool EndsWord(char c) {
    return c == ' ' || c == '\t' || c == '"';
}

// --once, in any of its spellings, standing as a word of the raw line, whatever quotes stand
// around it.
bool NamesOnceAsWord(std::string_view rawLine) {
    std::size_t start = 0;
    for (std::size_t at = 0; at <= rawLine.size(); ++at) {
        if (at == rawLine.size() || EndsWord(rawLine[at])) {
            if (IsOnce(rawLine.substr(start, at - start))) {
                return true;
            }
            start = at + 1;
        }
    }
    return false;
}

// `"C:\Fly!\METAR --once`, its quote never closed, is one argument without a quote in it.
bool OpenQuoteSwallowedOnce(std::string_view rawLine) {
    return std::ranges::count(rawLine, '"') % 2 == 1 &&
           NamesOnceAsWord(rawLine.substr(rawLine.rfind('"') + 1));
}

// Windows' splitting turns `"C:\Fly!\METAR\" --once` into one argument, so a scheduled run would
// open a window and wait for a click that never comes. --once standing as a word of the raw line
// keeps such a run windowless; only such a run, since a quoted `"D:\Wx --once"` is a folder.
bool QuoteSwallowedOnce(const std::vector<std::string>& arguments, std::string_view rawLine) {
    const bool swallowed =
        std::any_of(arguments.begin(), arguments.end(),
                    [](const auto& argument) { return argument.find('"') != std::string::npos; });
    return (swallowed && NamesOnceAsWord(rawLine)) || OpenQuoteSwallowedOnce(rawLine);
}

// Windows' own quoting turns the final backslash of `"C:\Fly!\METAR\"` into a literal quote, so
// a value ending in one has it removed; a quote anywhere else swallowed the options after it, as
// does a quote left open before --once.
std::optional<std::string> ReportFolder(std::string path, std::string_view rawLine) {
    if (path.ends_with('"')) {
        path.pop_back();
    }
    if (path.find('"') != std::string::npos ||
        (OpenQuoteSwallowedOnce(rawLine) && NamesOnceAsWord(path))) {
        return std::nullopt;
    }
    return WholeFolder(path);
}

std::optional<int> IntervalMinutes(const std::string& text) {
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int minutes = std::stoi(text);
    if (minutes < kMinIntervalMinutes || minutes > kMaxIntervalMinutes) {
        return std::nullopt;
    }
    return minutes;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, std::string_view rawLine) {
    CommandLine result;
    result.once = std::ranges::any_of(arguments, IsOnce) || QuoteSwallowedOnce(arguments, rawLine);
    for (std::size_t i = 0; i < arguments.size() && result.error.empty(); ++i) {
        const std::optional<OptionWord> word = ReadOptionWord(arguments[i]);
        const std::string option = word ? "--" + word->name : arguments[i];
        // The word after a name that takes a value is that value, whatever it starts with:
        // `--folder //server/share/METAR`.
        const auto value = [&]() -> std::optional<std::string> {
            if (word->value) {
                return word->value;
            }
            return i + 1 < arguments.size() ? std::optional(arguments[++i]) : std::nullopt;
        };
        if (!word || (word->value && !TakesValue(word->name))) {
            result.error = "Unknown option: " + arguments[i] + ".";
        } else if (option == "--help") {
            result.showHelp = true;
        } else if (option == "--version") {
            result.showVersion = true;
        } else if (option == "--server") {
            const auto given = value();
            const auto origin = given ? ServerOrigin(*given) : std::nullopt;
            if (origin) {
                result.server.origin = *origin;
            } else {
                result.error =
                    "--server needs an address such as https://tgftp.nws.noaa.gov "
                    "(http or https, a host and an optional port, no path).";
            }
        } else if (option == "--layout") {
            const std::string layout = value().value_or("");
            if (layout == "classic") {
                result.server.layout = ServerLayout::Classic;
            } else if (layout == "current") {
                result.server.layout = ServerLayout::Current;
            } else {
                result.error = "--layout needs \"classic\" or \"current\".";
            }
        } else if (option == "--folder") {
            const auto given = value();
            const auto folder = given ? ReportFolder(*given, rawLine) : std::nullopt;
            if (folder) {
                result.folder = folder;
            } else {
                result.error =
                    "--folder needs the simulator's METAR folder as a whole path, such as "
                    "C:\\Fly!\\METAR or \\\\server\\share\\METAR. In quotes, leave out the final "
                    "backslash: --folder \"C:\\Program Files\\Fly!\\METAR\".";
            }
        } else if (option == "--interval") {
            const auto given = value();
            const auto minutes = given ? IntervalMinutes(*given) : std::nullopt;
            if (minutes) {
                result.intervalMinutes = *minutes;
                result.intervalGiven = true;
            } else {
                result.error = "--interval needs a whole number of minutes from " +
                               std::to_string(kMinIntervalMinutes) + " to " +
                               std::to_string(kMaxIntervalMinutes) + ".";
            }
        } else if (option == "--second-source") {
            const std::string source = value().value_or("");
            const auto url = source == "none" ? std::optional<std::string>() : SourceUrl(source);
            if (source == "none" || url) {
                result.secondSource = url;
            } else {
                result.error =
                    "--second-source needs the address of a METAR cache file (http or https), "
                    "such as " +
                    std::string(kDefaultSecondSource) + ", or none.";
            }
        } else if (option == "--update-now") {
            result.updateNow = true;
        } else if (option == "--launch") {
            if (result.once) {
                result.error =
                    "--launch starts Fly! and stays beside it, --once ends after one update: "
                    "use one of them.";
            }
            result.launch = true;
        } else if (option == "--minimized") {
            result.minimized = true;
        } else if (option == "--once") {
            // Found before the loop.
        } else {
            result.error = "Unknown option: " + arguments[i] + ".";
        }
    }
    return result;
}

CommandLine ForWindowStation(CommandLine line, bool visible) {
    if (visible || line.once) {
        return line;
    }
    line.once = true;
    if (line.error.empty() && !RequestedText(line)) {
        line.error =
            "Nimbrel runs where no window can be seen (a task that runs whether the user is "
            "logged on or not): add --once to run one update without a window.";
    }
    return line;
}

std::string HelpText(int intervalMinutes) {
    // Each option on a line of its own and its meaning after a tab: a message box's font is
    // proportional, so only a tab stop lines the meanings up, there and in a console alike.
    return "Nimbrel fetches the current and the previous hour's METAR reports from NOAA and "
           "writes them as CurrentMETAR.txt and PreviousMETAR.txt into the METAR folder of "
           "Fly!, then again every " +
           std::to_string(intervalMinutes) +
           " minutes.\n\n"
           "Options:\n"
           "--server URL\n"
           "\tthe weather server (http or https, host, optional port);\n"
           "\tdefault " +
           std::string(kDefaultServerOrigin) +
           "\n"
           "--layout current\n"
           "\tcycle files under /data/observations/metar/cycles/, the cycle\n"
           "\ttaken from the server's clock (the default)\n"
           "--layout classic\n"
           "\tthe METAR page /weather/metar.shtml names the cycle; cycle files\n"
           "\tunder /pub/data/observations/metar/cycles/\n"
           "--folder PATH\n"
           "\twrite the reports into this folder (the METAR folder itself)\n"
           "\tinstead of the one the registry names\n"
           "--update-now\n"
           "\tstart the first update as soon as the window is up\n"
           "--interval N\n"
           "\tminutes between updates, 5 to 60 (default 15)\n"
           "--launch\n"
           "\tstart Fly! after the first update (within 60 seconds), keep\n"
           "\tthe weather up to date while it runs, and close when it ends\n"
           "--minimized\n"
           "\tstart with the window minimised; the updates go on, the status\n"
           "\tline rests until it is restored\n"
           "--second-source URL\n"
           "\twhere the reports come from when NOAA's cycle files cannot be\n"
           "\thad, a METAR cache file; default " +
           std::string(kDefaultSecondSource) +
           "\n"
           "--second-source none\n"
           "\tno second source: a report NOAA cannot give stays as it is\n"
           "--once\n"
           "\tone update without a window, then end; progress on standard\n"
           "\toutput, failures on standard error; exit code 0 when each\n"
           "\treport holds the newest weather the server had (written, or\n"
           "\tkept because nothing newer had begun), 1 when at least one\n"
           "\treport was not brought up to date (the reason is on standard\n"
           "\terror), 2 for a bad option, 3 as 0 but the newest report is\n"
           "\tmore than 3 hours old\n"
           "--version\n"
           "\tshow the version\n"
           "--help\n"
           "\tshow this text";
}

std::string VersionText() {
    return "Nimbrel " NIMBREL_VERSION_TEXT;
}

std::optional<std::string> RequestedText(const CommandLine& line) {
    if (line.showHelp) {
        return HelpText(line.intervalMinutes);
    }
    if (line.showVersion) {
        return VersionText();
    }
    return std::nullopt;
}

}  // namespace nimbrel
