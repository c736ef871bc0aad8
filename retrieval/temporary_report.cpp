#include "retrieval/temporary_report.h"

#include <algorithm>

namespace nimbrel {

namespace {

constexpr std::string_view kMark = ".nimbrel-";
constexpr std::string_view kExtension = ".tmp";

bool IsNumber(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "NAME.nimbrel-DIGITS-DIGITS.tmp" with a non-empty NAME.
bool IsTemporaryReportName(std::string_view name) {
    if (!name.ends_with(kExtension)) {
        return false;
    }
    name.remove_suffix(kExtension.size());
    const auto mark = name.rfind(kMark);
    if (mark == std::string_view::npos || mark == 0) {
        return false;
    }
    const std::string_view numbers = name.substr(mark + kMark.size());
    const auto dash = numbers.find('-');
    return dash != std::string_view::npos && IsNumber(numbers.substr(0, dash)) &&
           IsNumber(numbers.substr(dash + 1));
}

}  // namespace

std::string TemporaryReportPath(std::string_view reportPath, std::uint32_t processId,
                                std::uint64_t counter) {
    return std::string(reportPath) + std::string(kMark) + std::to_string(processId) + '-' +
           std::to_string(counter) + std::string(kExtension);
}

bool IsLeftoverTemporaryReport(std::string_view fileName, std::chrono::system_clock::duration age) {
    return age > kLeftoverTemporaryAge && IsTemporaryReportName(fileName);
}

}  // namespace nimbrel
