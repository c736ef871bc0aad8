#include "retrieval/folder_listing.h"

#include <optional>

#include "retrieval/text_lines.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

constexpr std::string_view kLinkStart = "<a href=\"";
constexpr std::string_view kLinkEnd = "</a>";

// The first modification time in `text`, in either of the forms Apache writes.
std::optional<std::chrono::system_clock::time_point> FirstTime(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view rest = text.substr(i);
        std::optional<std::chrono::system_clock::time_point> time;
        if (StartsWithShape(rest, "99-AAA-9999 99:99")) {  // 07-Dec-2026 13:52
            if (const auto month = MonthNumber(rest.substr(3, 3))) {
                time = UtcTime(DecimalValue(rest.substr(7, 4)), *month,
                               DecimalValue(rest.substr(0, 2)), DecimalValue(rest.substr(12, 2)),
                               DecimalValue(rest.substr(15, 2)));
            }
        } else if (StartsWithShape(rest, "9999-99-99 99:99")) {  // 2026-12-07 13:52
            time = UtcTime(DecimalValue(rest.substr(0, 4)), DecimalValue(rest.substr(5, 2)),
                           DecimalValue(rest.substr(8, 2)), DecimalValue(rest.substr(11, 2)),
                           DecimalValue(rest.substr(14, 2)));
        }
        if (time) {
            return time;
        }
    }
    return std::nullopt;
}

// One link and what follows it up to the next link: `NAME">text</a> time size`.
std::optional<ListedFile> ReadEntry(std::string_view entry) {
    const std::size_t quote = entry.find('"');
    if (quote == 0 || quote == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t linkEnd = entry.find(kLinkEnd, quote);
    if (linkEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const auto modified = FirstTime(entry.substr(linkEnd + kLinkEnd.size()));
    if (!modified) {
        return std::nullopt;
    }
    return ListedFile{std::string(entry.substr(0, quote)), *modified};
}

void ReadLine(std::string_view line, std::vector<ListedFile>& files) {
    std::size_t link = line.find(kLinkStart);
    while (link != std::string_view::npos) {
        const std::size_t entryStart = link + kLinkStart.size();
        const std::size_t next = line.find(kLinkStart, entryStart);
        const std::string_view entry = next == std::string_view::npos
                                           ? line.substr(entryStart)
                                           : line.substr(entryStart, next - entryStart);
        if (auto file = ReadEntry(entry)) {
            files.push_back(std::move(*file));
        }
        link = next;
    }
}

}  // namespace

std::vector<ListedFile> ParseFolderListing(std::string_view page) {
    std::vector<ListedFile> files;
    ForEachLine(page, [&files](std::string_view line) { ReadLine(line, files); });
    return files;
}

}  // namespace nimbrel
