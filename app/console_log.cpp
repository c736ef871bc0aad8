#include "app/console_log.h"

#include <cstdio>

namespace nimbrel {

std::string IsoUtcTime(std::chrono::system_clock::time_point time) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(time);
    const std::chrono::year_month_day date{std::chrono::floor<std::chrono::days>(seconds)};
    const std::chrono::hh_mm_ss clock{seconds - std::chrono::floor<std::chrono::days>(seconds)};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()));
    return text;
}

namespace {

template <typename LineHandler>
void ForEachLine(const std::string& text, LineHandler handle) {
    std::string::size_type start = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        handle(text.substr(start, end - start));
        start = end + 1;
    }
    handle(text.substr(start));
}

}  // namespace

void ConsoleLog::OnStatus(Colour colour, const std::string& text) {
    Write(colour == kRed ? failures_ : progress_, text);
}

void ConsoleLog::Show(const std::string& text, const std::string&, MessageBoxIcon icon) {
    Write(icon == MessageBoxIcon::Critical ? failures_ : progress_, text);
}

void ConsoleLog::Failure(const std::string& text) {
    Write(failures_, text);
}

void ConsoleLog::Print(const std::string& text) {
    ForEachLine(text, [this](const std::string& line) { progress_.WriteLine(line); });
}

void ConsoleLog::Write(LineOutput& output, const std::string& text) {
    // A message box's text may run over several lines; each gets its own time.
    ForEachLine(text, [&](const std::string& line) {
        if (!line.empty()) {
            output.WriteLine(IsoUtcTime(clock_.UtcNow()) + " " + line);
        }
    });
}

}  // namespace nimbrel
